// Win32 implementations of the raw file seams and the file-name operations of the update swap.
#pragma once
#include "platform/file_io.h"
#include "platform/file_ops.h"

namespace mrvn::win {

class Win32FileSink final : public FileSink {
public:
    FileHandle Create(const std::wstring& path) override;
    bool Write(FileHandle file, const void* data, uint32_t size) override;
    void Close(FileHandle file) override;
};

class Win32FileSource final : public FileSource {
public:
    FileHandle OpenRead(const std::wstring& path) override;
    bool Read(FileHandle file, void* buffer, uint32_t size, uint32_t& got) override;
    void Close(FileHandle file) override;
};

class Win32FileOps final : public FileOps {
public:
    bool Exists(const std::wstring& path) override;
    bool MoveReplace(const std::wstring& from, const std::wstring& to) override;
    bool Delete(const std::wstring& path) override;
    bool DeleteAtReboot(const std::wstring& path) override;
};

}  // namespace mrvn::win
