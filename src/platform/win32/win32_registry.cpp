#include <windows.h>
#include <shlwapi.h>

#include "platform/win32/scoped.h"
#include "platform/win32/win32_platform.h"

namespace mrvn::win {

namespace {

HKEY RootOf(RegRoot root) { return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

class Win32Key final : public RegistryKey {
public:
    explicit Win32Key(HKEY key) : key_(key) {}

    bool Query(const std::wstring& name, std::vector<uint8_t>& data, uint32_t& type) override {
        DWORD size = 0;
        DWORD t = 0;
        if (RegQueryValueExW(key_.Get(), name.c_str(), nullptr, &t, nullptr, &size) != ERROR_SUCCESS) return false;
        data.assign(size, 0);
        if (RegQueryValueExW(key_.Get(), name.c_str(), nullptr, &t, data.data(), &size) != ERROR_SUCCESS) {
            return false;
        }
        data.resize(size);
        type = t;
        return true;
    }

    bool Set(const std::wstring& name, uint32_t type, const void* data, size_t size) override {
        return RegSetValueExW(key_.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                              static_cast<DWORD>(size)) == ERROR_SUCCESS;
    }

    bool Delete(const std::wstring& name) override {
        return RegDeleteValueW(key_.Get(), name.c_str()) == ERROR_SUCCESS;
    }

private:
    ScopedKey key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::CreateKey(RegRoot root, const std::wstring& path, bool write) {
    HKEY key = nullptr;
    const REGSAM access = write ? KEY_WRITE | KEY_READ : KEY_READ;
    if (RegCreateKeyExW(RootOf(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<Win32Key>(key);
}

std::unique_ptr<RegistryKey> Win32Registry::OpenKey(RegRoot root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(RootOf(root), path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<Win32Key>(key);
}

bool Win32Registry::DeleteTree(RegRoot root, const std::wstring& path) {
    return SHDeleteKeyW(RootOf(root), path.c_str()) == ERROR_SUCCESS;
}

}  // namespace mrvn::win
