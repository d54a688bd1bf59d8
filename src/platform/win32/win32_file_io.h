// Win32 implementations of the raw file seams.
#pragma once
#include "platform/file_io.h"

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

}  // namespace mrvn::win
