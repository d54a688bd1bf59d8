// Registry seam: the few key operations the launcher needs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mrvn {

enum class RegRoot { LocalMachine, CurrentUser };

// Value types as the registry numbers them.
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;

class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // Whole value data and its type; false when the value is missing or unreadable.
    virtual bool Query(const std::wstring& name, std::vector<uint8_t>& data, uint32_t& type) = 0;
    // Writes `size` bytes of `type`; false on failure (e.g. a key opened for reading).
    virtual bool Set(const std::wstring& name, uint32_t type, const void* data, size_t size) = 0;
    virtual bool Delete(const std::wstring& name) = 0;
};

class Registry {
public:
    virtual ~Registry() = default;
    // Creates the key when missing (RegCreateKeyEx). nullptr on failure; the caller owns the key.
    virtual std::unique_ptr<RegistryKey> CreateKey(RegRoot root, const std::wstring& path, bool write) = 0;
    // Opens an existing key for reading only. nullptr when it does not exist.
    virtual std::unique_ptr<RegistryKey> OpenKey(RegRoot root, const std::wstring& path) = 0;
    // Removes the key with every subkey and value.
    virtual bool DeleteTree(RegRoot root, const std::wstring& path) = 0;
};

}  // namespace mrvn
