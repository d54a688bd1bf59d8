// The WinINet implementation of the HTTP session seam.
#pragma once
#include "platform/http_session.h"

namespace mrvn::win {

// Stateless: every handle it hands out belongs to the caller, who closes it with Close.
class Win32HttpSession final : public HttpSession {
public:
    NetHandle Open(const std::wstring& agent, uint32_t accessType) override;
    NetHandle Connect(NetHandle root, const std::wstring& host, uint16_t port) override;
    NetHandle OpenRequest(NetHandle connection, const std::wstring& verb, const std::wstring& object,
                          const std::wstring& version, uint32_t flags) override;
    bool Send(NetHandle request, const std::wstring& headers) override;
    bool QueryStatusCode(NetHandle request, uint32_t& status) override;
    bool QueryContentLength(NetHandle request, uint32_t& length) override;
    bool Read(NetHandle request, void* buffer, uint32_t size, uint32_t& got) override;
    uint32_t SetFilePointer(NetHandle request, uint32_t position) override;
    void Close(NetHandle handle) override;
    uint32_t LastError() override;
};

}  // namespace mrvn::win
