// Private-profile (INI) file seam, with the semantics of Get/WritePrivateProfileStringW.
#pragma once
#include <cstddef>
#include <string>

namespace mrvn {

class ProfileFile {
public:
    virtual ~ProfileFile() = default;
    // The value, or `def` when the file, section or key is missing; cut to `bufChars - 1`
    // characters as a buffer of `bufChars` wide characters would cut it. `file` is a full path.
    virtual std::wstring GetString(const std::wstring& file, const std::wstring& section,
                                   const std::wstring& key, const std::wstring& def,
                                   size_t bufChars) = 0;
    // Creates file, section and key as needed.
    virtual bool WriteString(const std::wstring& file, const std::wstring& section,
                             const std::wstring& key, const std::wstring& value) = 0;
};

}  // namespace mrvn
