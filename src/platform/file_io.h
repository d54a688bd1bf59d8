// Raw file seams: writing a downloaded body, reading a file in chunks.
#pragma once
#include <cstdint>
#include <string>

namespace mrvn {

// An opaque open file; 0 is "none".
using FileHandle = uintptr_t;

class FileSink {
public:
    virtual ~FileSink() = default;
    // Opens `path` for writing raw bytes, replacing an existing file. 0 on failure.
    virtual FileHandle Create(const std::wstring& path) = 0;
    // True only when all `size` bytes were written, or taken to be written by Close.
    virtual bool Write(FileHandle file, const void* data, uint32_t size) = 0;
    // False when bytes still held back could not be written: the file misses them. A Write after
    // the Close (from another thread) fails and writes nothing.
    virtual bool Close(FileHandle file) = 0;
};

class FileSource {
public:
    virtual ~FileSource() = default;
    // Opens `path` for reading, sharing it with writers (the running program is open elsewhere).
    virtual FileHandle OpenRead(const std::wstring& path) = 0;
    // Up to `size` bytes; `got` 0 with true is the end of the file.
    virtual bool Read(FileHandle file, void* buffer, uint32_t size, uint32_t& got) = 0;
    virtual void Close(FileHandle file) = 0;
};

}  // namespace mrvn
