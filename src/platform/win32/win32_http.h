// The WinINet implementation of the HTTP session seam.
#pragma once
#include <map>
#include <memory>
#include <mutex>

#include "platform/http_session.h"

namespace mrvn::win {

// Every handle it hands out belongs to the caller, who closes it with Close. A close from another
// thread must end a call blocked on the request: Windows' InternetCloseHandle does that, Wine's
// leaves a synchronous read waiting in its socket until the server speaks. So the calls that can
// wait on the server (send and read) run on a helper thread of their request, and the caller waits
// for the helper or for the close, whichever comes first.
class Win32HttpSession final : public HttpSession {
public:
    NetHandle Open(const std::wstring& agent, uint32_t accessType) override;
    NetHandle Connect(NetHandle root, const std::wstring& host, uint16_t port) override;
    NetHandle OpenRequest(NetHandle connection, const std::wstring& verb, const std::wstring& object,
                          const std::wstring& version, uint32_t flags) override;
    bool Send(NetHandle request, const std::wstring& headers) override;
    bool QueryStatusCode(NetHandle request, uint32_t& status) override;
    bool QueryContentLength(NetHandle request, uint32_t& length) override;
    bool QueryLocation(NetHandle request, std::wstring& location) override;
    void SetTimeLimits(NetHandle request, uint64_t deadlineMs, uint32_t idleMs) override;
    uint64_t NowMs() override;
    bool Read(NetHandle request, void* buffer, uint32_t size, uint32_t& got) override;
    uint32_t SetFilePointer(NetHandle request, uint32_t position) override;
    void Close(NetHandle handle) override;
    uint32_t LastError() override;

    class Helper;

private:
    std::shared_ptr<Helper> HelperOf(NetHandle request);
    std::mutex mu_;
    std::map<NetHandle, std::shared_ptr<Helper>> helpers_;
};

}  // namespace mrvn::win
