// Whether a downloaded file is a whole Windows program, and whether it is the release a key names.
// A body cut short, or an error page in its place, must never replace or start anything.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_io.h"

namespace mrvn {

// Headers are looked for in this many bytes at the start of the file; real programs keep them in
// the first few kilobytes.
inline constexpr size_t kProgramHeadBytes = 64 * 1024;

// `head` is the start of a file of `fileSize` bytes. True when it begins with "MZ", its "PE\0\0"
// header lies inside the file, it has sections, and the raw data of every section lies inside the
// file as well.
bool IsCompleteProgramImage(const uint8_t* head, size_t headSize, uint64_t fileSize);

// The size that the security directory gives for the file's certificate table, where Authenticode
// signatures live (PE32 and PE32+). 0 when there is none, or when the headers do not lie in `head`.
uint32_t CertificateTableBytes(const uint8_t* head, size_t headSize);

struct ProgramFileFacts {
    bool complete = false;
    std::wstring md5Hex;  // 32 lower-case hex digits
};
// Reads the file once for both facts. False when it cannot be opened or read to its end.
bool InspectProgramFile(FileSource& files, const std::wstring& path, ProgramFileFacts& out);

// A key of the local key's form: 32 - `digitsChars` hex digits, then `digitsChars` decimal digits.
bool KeyHasLocalForm(const std::wstring& key, size_t digitsChars);

// True when `serverKey` does not have the local form (it names no hash to compare), or when its
// hex part equals the start of `md5Hex`, ignoring letter case.
bool ReleaseMatchesKey(const std::wstring& md5Hex, const std::wstring& serverKey, size_t digitsChars);

}  // namespace mrvn
