#include "platform/win32/win32_http.h"

#include <windows.h>
#include <wininet.h>

#include "core/text.h"

namespace mrvn::win {

namespace {

HINTERNET H(NetHandle h) { return reinterpret_cast<HINTERNET>(h); }
NetHandle N(HINTERNET h) { return reinterpret_cast<NetHandle>(h); }

}  // namespace

NetHandle Win32HttpSession::Open(const std::wstring& agent, uint32_t accessType) {
    return N(InternetOpenW(agent.c_str(), accessType, nullptr, nullptr, 0));
}

NetHandle Win32HttpSession::Connect(NetHandle root, const std::wstring& host, uint16_t port) {
    return N(InternetConnectW(H(root), host.c_str(), port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
}

NetHandle Win32HttpSession::OpenRequest(NetHandle connection, const std::wstring& verb, const std::wstring& object,
                                        const std::wstring& version, uint32_t flags) {
    return N(HttpOpenRequestW(H(connection), verb.c_str(), object.c_str(), version.c_str(), nullptr, nullptr, flags, 0));
}

bool Win32HttpSession::Send(NetHandle request, const std::wstring& headers) {
    // The header length is given in characters.
    return HttpSendRequestW(H(request), headers.c_str(), static_cast<DWORD>(headers.size()), nullptr, 0) != FALSE;
}

bool Win32HttpSession::QueryStatusCode(NetHandle request, uint32_t& status) {
    // Asked as text into 32 bytes, then read as a decimal number; a reply not yet read gives 0.
    wchar_t text[16] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    if (!HttpQueryInfoW(H(request), HTTP_QUERY_STATUS_CODE, text, &size, nullptr)) return false;
    status = static_cast<uint32_t>(ParseLeadingInt(text));
    return true;
}

bool Win32HttpSession::QueryContentLength(NetHandle request, uint32_t& length) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (!HttpQueryInfoW(H(request), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr)) {
        return false;
    }
    if (size != sizeof(value)) return false;
    length = value;
    return true;
}

bool Win32HttpSession::Read(NetHandle request, void* buffer, uint32_t size, uint32_t& got) {
    DWORD n = 0;
    const BOOL ok = InternetReadFile(H(request), buffer, size, &n);
    got = n;
    return ok != FALSE;
}

uint32_t Win32HttpSession::SetFilePointer(NetHandle request, uint32_t position) {
    return InternetSetFilePointer(H(request), static_cast<LONG>(position), nullptr, FILE_BEGIN, 0);
}

void Win32HttpSession::Close(NetHandle handle) {
    if (handle) InternetCloseHandle(H(handle));
}

uint32_t Win32HttpSession::LastError() { return GetLastError(); }

}  // namespace mrvn::win
