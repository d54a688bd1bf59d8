#include "platform/win32/win32_file_io.h"

#include <windows.h>

namespace mrvn::win {

namespace {

// The seam's "no file" is 0; CreateFileW's is INVALID_HANDLE_VALUE.
FileHandle FromWin(HANDLE h) { return h == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<FileHandle>(h); }
HANDLE ToWin(FileHandle f) { return reinterpret_cast<HANDLE>(f); }

}  // namespace

FileHandle Win32FileSink::Create(const std::wstring& path) {
    return FromWin(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool Win32FileSink::Write(FileHandle file, const void* data, uint32_t size) {
    DWORD written = 0;
    return WriteFile(ToWin(file), data, size, &written, nullptr) && written == size;
}

void Win32FileSink::Close(FileHandle file) {
    if (file) CloseHandle(ToWin(file));
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
