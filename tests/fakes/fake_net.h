// Scripted stand-ins for the network and file seams of the transfer and the self-update.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/file_io.h"
#include "platform/http_session.h"

namespace mrvn::test {

// Answers one scripted reply per request and records what the transfer asked for.
class FakeHttpSession final : public HttpSession {
public:
    // The first of each; a later root is kRoot + 0x1000 per root before it, later connections and
    // requests add 0x100 per request before them.
    static constexpr NetHandle kRoot = 0x10, kConnection = 0x20, kRequest = 0x30;

    struct Reply {
        std::string body;
        std::optional<uint32_t> status = 200;  // nullopt: the status query fails
        std::optional<uint32_t> length;        // nullopt: body size; see noLength
        bool noLength = false;                 // the Content-Length query fails
        size_t deliver = SIZE_MAX;             // bytes sent before the server closes quietly
        int failReadAt = -1;                   // this read (0-based) fails
        std::optional<std::wstring> location;  // the Location header; nullopt: none
    };

    NetHandle Open(const std::wstring& agent, uint32_t accessType) override;
    NetHandle Connect(NetHandle root, const std::wstring& host, uint16_t port) override;
    NetHandle OpenRequest(NetHandle connection, const std::wstring& verb, const std::wstring& object,
                          const std::wstring& version, uint32_t flags) override;
    bool Send(NetHandle request, const std::wstring& headers) override;
    bool QueryStatusCode(NetHandle request, uint32_t& status) override;
    bool QueryContentLength(NetHandle request, uint32_t& length) override;
    bool QueryLocation(NetHandle request, std::wstring& location) override;
    void SetTimeLimits(NetHandle request, uint64_t deadlineMs, uint32_t idleMs) override;
    uint64_t NowMs() override { return now; }
    bool Read(NetHandle request, void* buffer, uint32_t size, uint32_t& got) override;
    uint32_t SetFilePointer(NetHandle request, uint32_t position) override;
    void Close(NetHandle handle) override;
    uint32_t LastError() override { return errorCode; }

    Reply reply;
    // Replies of the requests after the first, in order (a redirected transfer makes several).
    std::vector<Reply> next;
    uint64_t now = 1000;                 // the session's clock
    std::function<void()> onSend;        // runs at the start of each send (to move the clock)
    bool failOpen = false, failConnect = false, failRequest = false, failSend = false;
    bool failSeeks = false;  // every seek fails, as Wine's stub does
    uint32_t errorCode = 12029;  // ERROR_INTERNET_CANNOT_CONNECT
    std::function<void(int readIndex)> onRead;  // runs at the start of each read
    bool blockReads = false;                    // reads wait until the root handle, closed last, is closed

    // What was asked.
    std::wstring agent, host, verb, object, version, headers;
    uint32_t accessType = 0xFFFFFFFF, flags = 0;
    uint16_t port = 0;
    std::vector<std::string> calls;
    std::vector<uint32_t> readSizes, seeks;
    // One entry per request: "host:port/object", the header block sent, and the time limits set.
    std::vector<std::wstring> targets, sentHeaders;
    std::vector<std::pair<uint64_t, uint32_t>> limits;

    // Back to a fresh script and record (the fake holds a mutex, so it cannot be reassigned).
    void Reset();
    int Closes(NetHandle h) const;
    bool AllClosedOnce() const;
    bool ReadIsBlocked();  // a blocked read is waiting (for the threaded test)

private:
    bool IsOpen(NetHandle h) const { return opened_.count(h) && !Closes(h); }
    std::set<NetHandle> opened_;
    std::map<NetHandle, int> closes_;
    size_t position_ = 0;
    int reads_ = 0;
    int requests_ = 0;
    int opens_ = 0;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool waiting_ = false;
};

// Files by exact path, with failures on demand.
class FakeFileSink final : public FileSink {
public:
    FileHandle Create(const std::wstring& path) override;
    bool Write(FileHandle file, const void* data, uint32_t size) override;
    bool Close(FileHandle file) override;

    bool failCreate = false;
    int failWriteAt = -1;  // this write (0-based) fails
    bool failClose = false;  // as when the last bytes held back cannot be written
    std::map<std::wstring, std::string> files;
    std::map<FileHandle, int> closes;
    std::vector<std::wstring> created;

private:
    std::map<FileHandle, std::wstring> open_;
    FileHandle next_ = 0x100;
    int writes_ = 0;
};

class FakeFileSource final : public FileSource {
public:
    FileHandle OpenRead(const std::wstring& path) override;
    bool Read(FileHandle file, void* buffer, uint32_t size, uint32_t& got) override;
    void Close(FileHandle file) override;

    std::map<std::wstring, std::string> files;
    const FakeFileSink* written = nullptr;  // when set, files it wrote can be read too
    int failReadAt = -1;
    uint32_t maxRead = UINT32_MAX;  // a short read, as a real file may give
    int openCount = 0, closeCount = 0;

private:
    std::map<FileHandle, std::pair<std::wstring, size_t>> open_;
    FileHandle next_ = 0x200;
    int reads_ = 0;
};

// Latin-1 as the "ANSI" page: each byte is one character; characters above 0xFF become "?".
// Named pages: 1252 as Latin-1, and 936 (GBK) for ASCII plus the few Chinese characters that the
// tests use (an unknown pair decodes to U+00B7, an unknown character encodes to "?").
class FakeCodePage final : public CodePage {
public:
    std::string ToAnsi(const std::wstring& text) override;
    std::wstring FromAnsi(const std::string& text) override;
    bool Decode(unsigned codePage, const std::string& bytes, std::wstring& text) override;
    bool Encode(unsigned codePage, const std::wstring& text, std::string& bytes) override;
    std::vector<unsigned> decoded;  // code pages asked for, in order
};

// Code page 936 for ASCII and the few Chinese characters the tests use; anything else becomes "?",
// as the system's conversion does.
class FakeCodePage936 final : public CodePage {
public:
    std::string ToAnsi(const std::wstring& text) override;
    std::wstring FromAnsi(const std::string& text) override;
};

}  // namespace mrvn::test
