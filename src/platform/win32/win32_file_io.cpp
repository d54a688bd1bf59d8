#include "platform/win32/win32_file_io.h"

#include <windows.h>

namespace mrvn::win {

namespace {

// The seam's "no file" is 0; CreateFileW's is INVALID_HANDLE_VALUE.
FileHandle FromWin(HANDLE h) { return h == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<FileHandle>(h); }
HANDLE ToWin(FileHandle f) { return reinterpret_cast<HANDLE>(f); }

// One WriteFile per this many bytes instead of one per chunk: under Wine each is a system call.
constexpr size_t kHeldBytes = 64 * 1024;

bool WriteAll(HANDLE file, const void* data, size_t size) {
    DWORD written = 0;
    return WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

}  // namespace

Win32FileSink::~Win32FileSink() {
    for (auto& [id, f] : open_) {
        Flush(f);
        CloseHandle(f.handle);
    }
}

bool Win32FileSink::Flush(OpenFile& f) {
    if (!f.failed && !f.held.empty() && !WriteAll(f.handle, f.held.data(), f.held.size())) f.failed = true;
    f.held.clear();
    return !f.failed;
}

FileHandle Win32FileSink::Create(const std::wstring& path) {
    const HANDLE h =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    std::lock_guard<std::mutex> lock(mu_);
    const FileHandle id = next_++;
    OpenFile& f = open_.emplace(id, OpenFile{h, {}}).first->second;
    f.held.reserve(kHeldBytes);
    return id;
}

bool Win32FileSink::Write(FileHandle file, const void* data, uint32_t size) {
    std::lock_guard<std::mutex> lock(mu_);
    const auto it = open_.find(file);
    if (it == open_.end()) return false;  // closed already, by the owner's cancel perhaps
    OpenFile& f = it->second;
    if (f.failed) return false;
    if (f.held.size() + size > kHeldBytes && !Flush(f)) return false;
    if (size >= kHeldBytes) {
        if (!WriteAll(f.handle, data, size)) f.failed = true;
        return !f.failed;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    f.held.insert(f.held.end(), bytes, bytes + size);
    return true;
}

bool Win32FileSink::Close(FileHandle file) {
    std::lock_guard<std::mutex> lock(mu_);
    const auto it = open_.find(file);
    if (it == open_.end()) return false;
    const bool ok = Flush(it->second);
    CloseHandle(it->second.handle);
    open_.erase(it);
    return ok;
}

FileHandle Win32FileSource::OpenRead(const std::wstring& path) {
    // The running program file is open for execution; reading it must share with that.
    return FromWin(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool Win32FileSource::Read(FileHandle file, void* buffer, uint32_t size, uint32_t& got) {
    DWORD n = 0;
    const BOOL ok = ReadFile(ToWin(file), buffer, size, &n, nullptr);
    got = n;
    return ok != FALSE;
}

void Win32FileSource::Close(FileHandle file) {
    if (file) CloseHandle(ToWin(file));
}

}  // namespace mrvn::win
