// Win32 implementations of the raw file seams.
#pragma once
#include <map>
#include <mutex>
#include <vector>

#include "platform/file_io.h"

namespace mrvn::win {

// Small writes (a download comes in 512-byte chunks) are gathered and written in blocks; Close
// writes the rest. An owner may close a file while a worker still writes to it: each call takes
// the sink's lock, and a handle is a number of this sink that is never given out twice.
class Win32FileSink final : public FileSink {
public:
    Win32FileSink() = default;
    Win32FileSink(const Win32FileSink&) = delete;
    Win32FileSink& operator=(const Win32FileSink&) = delete;
    ~Win32FileSink() override;  // closes what is still open

    FileHandle Create(const std::wstring& path) override;
    bool Write(FileHandle file, const void* data, uint32_t size) override;
    bool Close(FileHandle file) override;

private:
    struct OpenFile {
        void* handle;  // the Win32 file
        std::vector<unsigned char> held;
        bool failed = false;
    };
    static bool Flush(OpenFile& f);

    std::mutex mu_;
    std::map<FileHandle, OpenFile> open_;
    FileHandle next_ = 1;
};

class Win32FileSource final : public FileSource {
public:
    FileHandle OpenRead(const std::wstring& path) override;
    bool Read(FileHandle file, void* buffer, uint32_t size, uint32_t& got) override;
    void Close(FileHandle file) override;
};

}  // namespace mrvn::win
