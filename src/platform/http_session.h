// HTTP session seam, shaped like the WinINet calls of the one GET procedure.
#pragma once
#include <cstdint>
#include <string>

namespace mrvn {

// An opaque handle of the session; 0 is "none". Wide enough for a pointer on both targets.
using NetHandle = uintptr_t;

// Values as WinINet numbers them; the Win32 side passes them through unchanged.
inline constexpr uint32_t kOpenTypePreconfig = 0;     // INTERNET_OPEN_TYPE_PRECONFIG
inline constexpr uint32_t kFlagReload = 0x80000000u;  // INTERNET_FLAG_RELOAD
inline constexpr uint32_t kFlagNoAutoRedirect = 0x00200000u;  // INTERNET_FLAG_NO_AUTO_REDIRECT
inline constexpr uint32_t kErrorInternetTimeout = 12002;     // ERROR_INTERNET_TIMEOUT
inline constexpr uint32_t kInvalidFilePointer = 0xFFFFFFFFu;

class HttpSession {
public:
    virtual ~HttpSession() = default;
    // InternetOpenW: no proxy name, no bypass list, no flags. 0 on failure.
    virtual NetHandle Open(const std::wstring& agent, uint32_t accessType) = 0;
    // InternetConnectW for HTTP, no user name, no password. 0 on failure.
    virtual NetHandle Connect(NetHandle root, const std::wstring& host, uint16_t port) = 0;
    // HttpOpenRequestW: no referrer, no accept types. 0 on failure.
    virtual NetHandle OpenRequest(NetHandle connection, const std::wstring& verb, const std::wstring& object,
                                  const std::wstring& version, uint32_t flags) = 0;
    // HttpSendRequestW with the extra header block and no body.
    virtual bool Send(NetHandle request, const std::wstring& headers) = 0;
    // The status code as a number. May fail; may also answer 0 when no reply has arrived.
    virtual bool QueryStatusCode(NetHandle request, uint32_t& status) = 0;
    // Content-Length as a 32-bit number; false when the header is absent or unreadable.
    virtual bool QueryContentLength(NetHandle request, uint32_t& length) = 0;
    // The Location header of a redirect; false when there is none.
    virtual bool QueryLocation(NetHandle request, std::wstring& location) = 0;
    // Bounds how long Send and Read of `request` may keep the caller waiting: until `deadlineMs`
    // on the NowMs scale (0: no deadline), and `idleMs` for any one call (0: no bound). A call
    // past a bound fails with kErrorInternetTimeout, and so does every later call on the request.
    virtual void SetTimeLimits(NetHandle request, uint64_t deadlineMs, uint32_t idleMs) = 0;
    // Milliseconds of a clock that only goes forward.
    virtual uint64_t NowMs() = 0;
    // InternetReadFile: up to `size` bytes; `got` 0 with true means the end of the body.
    virtual bool Read(NetHandle request, void* buffer, uint32_t size, uint32_t& got) = 0;
    // InternetSetFilePointer from the start of the body: the new position, or kInvalidFilePointer.
    virtual uint32_t SetFilePointer(NetHandle request, uint32_t position) = 0;
    // InternetCloseHandle, for each of the three kinds.
    virtual void Close(NetHandle handle) = 0;
    // The calling thread's last error code after a failed call.
    virtual uint32_t LastError() = 0;
};

}  // namespace mrvn
