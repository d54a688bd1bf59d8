#include "fakes/fake_platform.h"

#include "core/text.h"

namespace mrvn::test {

namespace {

class FakeKey final : public RegistryKey {
public:
    FakeKey(FakeRegistry& reg, std::wstring id, bool write) : reg_(reg), id_(std::move(id)), write_(write) {}
    bool Query(const std::wstring& name, std::vector<uint8_t>& data, uint32_t& type) override {
        auto key = reg_.keys.find(id_);
        if (key == reg_.keys.end()) return false;
        auto v = key->second.find(UpperAscii(name));
        if (v == key->second.end()) return false;
        data = v->second.data;
        type = v->second.type;
        return true;
    }
    bool Set(const std::wstring& name, uint32_t type, const void* data, size_t size) override {
        if (!write_) return false;
        const auto* p = static_cast<const uint8_t*>(data);
        reg_.keys[id_][UpperAscii(name)] = {type, std::vector<uint8_t>(p, p + size)};
        return true;
    }
    bool Delete(const std::wstring& name) override {
        if (!write_) return false;
        return reg_.keys[id_].erase(UpperAscii(name)) > 0;
    }

private:
    FakeRegistry& reg_;
    std::wstring id_;
    bool write_;
};

}  // namespace

std::wstring FakeRegistry::Id(RegRoot root, const std::wstring& path) {
    return (root == RegRoot::LocalMachine ? L"HKLM\\" : L"HKCU\\") + UpperAscii(path);
}

std::unique_ptr<RegistryKey> FakeRegistry::CreateKey(RegRoot root, const std::wstring& path, bool write) {
    if (failCreate) return nullptr;
    keys[Id(root, path)];
    return std::make_unique<FakeKey>(*this, Id(root, path), write);
}

std::unique_ptr<RegistryKey> FakeRegistry::OpenKey(RegRoot root, const std::wstring& path) {
    if (!keys.count(Id(root, path))) return nullptr;
    return std::make_unique<FakeKey>(*this, Id(root, path), false);
}

bool FakeRegistry::DeleteTree(RegRoot root, const std::wstring& path) {
    const std::wstring id = Id(root, path);
    bool any = false;
    for (auto it = keys.begin(); it != keys.end();) {
        if (it->first == id || it->first.starts_with(id + L"\\")) {
            it = keys.erase(it);
            any = true;
        } else {
            ++it;
        }
    }
    return any;
}

const FakeRegistry::Value* FakeRegistry::Find(RegRoot root, const std::wstring& path,
                                               const std::wstring& name) const {
    auto key = keys.find(Id(root, path));
    if (key == keys.end()) return nullptr;
    auto v = key->second.find(UpperAscii(name));
    return v == key->second.end() ? nullptr : &v->second;
}

void FakeRegistry::Put(RegRoot root, const std::wstring& path, const std::wstring& name, uint32_t type,
                       std::vector<uint8_t> data) {
    keys[Id(root, path)][UpperAscii(name)] = {type, std::move(data)};
}

std::wstring FakeProfileFile::GetString(const std::wstring& file, const std::wstring& section,
                                        const std::wstring& key, const std::wstring& def, size_t bufChars) {
    if (bufChars == 0) return L"";
    const std::wstring* v = Find(file, section, key);
    std::wstring out = v ? *v : def;
    if (out.size() > bufChars - 1) out.resize(bufChars - 1);
    return out;
}

bool FakeProfileFile::WriteString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                                  const std::wstring& value) {
    if (failWrites) return false;
    values[{UpperAscii(file), UpperAscii(section), UpperAscii(key)}] = value;
    return true;
}

const std::wstring* FakeProfileFile::Find(const std::wstring& file, const std::wstring& section,
                                          const std::wstring& key) const {
    auto it = values.find({UpperAscii(file), UpperAscii(section), UpperAscii(key)});
    return it == values.end() ? nullptr : &it->second;
}

bool FakeFileSystem::CreateFolder(const std::wstring& path) {
    log.push_back(L"mkdir " + path);
    folderSet.insert(UpperAscii(path));
    return true;
}

bool FakeFileSystem::CopyFileTo(const std::wstring& from, const std::wstring& to, bool overwrite) {
    log.push_back(L"copy " + from + L" -> " + to);
    if (failCopy) return false;
    auto src = files.find(UpperAscii(from));
    if (src == files.end()) return false;
    if (!overwrite && files.count(UpperAscii(to))) return false;
    files[UpperAscii(to)] = src->second;
    return true;
}

bool FakeFileSystem::FileExists(const std::wstring& path) { return files.count(UpperAscii(path)) > 0; }

bool FakeFileSystem::RemoveFile(const std::wstring& path) {
    const std::wstring entry = L"delete " + path;
    log.push_back(entry);
    const std::wstring key = UpperAscii(path);
    if (fail.count(entry)) {
        lastError = 32;  // ERROR_SHARING_VIOLATION
        return false;
    }
    if (attributes.count(key) && (attributes[key] & kAttrReadOnly)) {
        lastError = 5;  // ERROR_ACCESS_DENIED
        return false;
    }
    if (!files.erase(key)) {
        lastError = 2;  // ERROR_FILE_NOT_FOUND
        return false;
    }
    attributes.erase(key);
    return true;
}

bool FakeFileSystem::MoveReplace(const std::wstring& from, const std::wstring& to) {
    const std::wstring entry = L"move " + from + L" -> " + to;
    log.push_back(entry);
    if (onMove) onMove(from, to);
    auto it = files.find(UpperAscii(from));
    if (fail.count(entry) || it == files.end()) return false;
    std::string contents = std::move(it->second);
    files.erase(it);
    files[UpperAscii(to)] = std::move(contents);
    return true;
}

bool FakeFileSystem::DeleteAtReboot(const std::wstring& path) {
    const std::wstring entry = L"reboot-delete " + path;
    log.push_back(entry);
    return !fail.count(entry);
}

namespace {

std::wstring WithoutSlash(std::wstring path) {
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return UpperAscii(path);
}

// The name below `parent` when `path` is its direct child, else empty.
std::wstring ChildName(const std::wstring& parent, const std::wstring& path) {
    const std::wstring prefix = parent + L"\\";
    if (!path.starts_with(prefix)) return L"";
    const std::wstring rest = path.substr(prefix.size());
    return rest.find(L'\\') == std::wstring::npos ? rest : L"";
}

}  // namespace

bool FakeFileSystem::ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    log.push_back(L"list " + folder);
    const std::wstring key = WithoutSlash(folder);
    if (!folderSet.count(key) || links.count(key) || unlistable.count(key)) {
        lastError = 3;  // ERROR_PATH_NOT_FOUND
        return false;
    }
    entries.push_back({L".", kAttrDirectory});
    entries.push_back({L"..", kAttrDirectory});
    for (const auto& f : folderSet) {
        const std::wstring name = ChildName(key, f);
        if (!name.empty()) entries.push_back({name, kAttrDirectory | (links.count(f) ? kAttrReparsePoint : 0u)});
    }
    for (const auto& [path, contents] : files) {
        const std::wstring name = ChildName(key, path);
        if (name.empty()) continue;
        auto a = attributes.find(path);
        entries.push_back({name, a == attributes.end() ? 0x20u : a->second});
    }
    return true;
}

bool FakeFileSystem::SetAttributes(const std::wstring& path, uint32_t attrs) {
    log.push_back(L"attrib " + path);
    attributes[UpperAscii(path)] = attrs;
    return true;
}

bool FakeFileSystem::RemoveFolder(const std::wstring& path) {
    log.push_back(L"rmdir " + path);
    const std::wstring key = WithoutSlash(path);
    if (!folderSet.count(key)) {
        lastError = 2;
        return false;
    }
    bool empty = true;
    if (!links.count(key)) {
        for (const auto& f : folderSet) empty = empty && ChildName(key, f).empty();
        for (const auto& [f, contents] : files) empty = empty && ChildName(key, f).empty();
    }
    if (!empty) {
        lastError = 145;  // ERROR_DIR_NOT_EMPTY
        return false;
    }
    links.erase(key);
    folderSet.erase(key);
    return true;
}

std::wstring FakeFileSystem::ShortPath(const std::wstring& path) {
    auto it = shortPaths.find(path);
    return it == shortPaths.end() ? L"" : it->second;
}

void FakeFileSystem::PutFolder(const std::wstring& path) {
    std::wstring key = WithoutSlash(path);
    while (!key.empty()) {
        folderSet.insert(key);
        const size_t slash = key.rfind(L'\\');
        if (slash == std::wstring::npos || slash <= 2) break;
        key.resize(slash);
    }
}

void FakeFileSystem::Put(const std::wstring& path, std::string contents) {
    files[UpperAscii(path)] = std::move(contents);
}

const std::string* FakeFileSystem::Find(const std::wstring& path) const {
    auto it = files.find(UpperAscii(path));
    return it == files.end() ? nullptr : &it->second;
}

}  // namespace mrvn::test
