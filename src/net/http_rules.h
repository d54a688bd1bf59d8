// The fixed shape of every request and the address rules of the one GET procedure.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/http_session.h"

namespace mrvn {

inline constexpr wchar_t kHttpAgent[] = L"KTW";
inline constexpr uint32_t kHttpAccessType = kOpenTypePreconfig;
inline constexpr wchar_t kHttpVerb[] = L"GET";
inline constexpr wchar_t kHttpVersion[] = L"HTTP/1.1";
// Redirects are followed by the procedure itself, so that every hop meets the same rules.
inline constexpr uint32_t kHttpRequestFlags = kFlagReload | kFlagNoAutoRedirect;
// The platform's servers expect this block byte for byte, blank before the first line end included.
inline constexpr wchar_t kHttpExtraHeaders[] =
    L"Accept-Language: zh-cn \r\nContent-Type: application/x-www-form-urlencoded\r\n";

inline constexpr wchar_t kHttpScheme[] = L"http://";
inline constexpr size_t kHttpSchemeChars = 7;
inline constexpr uint16_t kDefaultHttpPort = 80;
// Buffer sizes, NUL included.
inline constexpr size_t kHostBufChars = 260;
inline constexpr size_t kObjectBufChars = 512;
inline constexpr size_t kAddressBufChars = 512;

inline constexpr uint32_t kStatusNotFound = 404;
// The memory shape takes bodies below this many bytes only.
inline constexpr uint32_t kMemoryBodyLimit = 1024;
// Redirects followed in a row; one more fails the transfer.
inline constexpr int kMaxRedirects = 5;

struct HttpTarget {
    std::wstring host;
    uint16_t port = kDefaultHttpPort;
    std::wstring object;  // without its leading "/"
};

// `rest` is the address without its scheme: host[:port][/object]. The port is the decimal number
// after the first ":", cut to 16 bits. False, with `out` untouched, when the host or the object
// would not fit its buffer: a cut name would ask another server or another file.
bool SplitHttpUrl(const std::wstring& rest, HttpTarget& out);

// "http://" at the start, in any letter case.
bool HasHttpScheme(const std::wstring& address);

// True when the whole address contains one of `domains` anywhere, with exact letter case. This
// is a substring test, not a host comparison. Empty names never match.
bool IsPlatformUrl(const std::wstring& address, const std::vector<std::wstring>& domains);

// 301, 302, 303, 307 and 308: the answer names another address in its Location.
bool IsRedirectStatus(uint32_t status);

// The address a redirect from `from` to `location` leads to: an absolute "http://" address as it
// is, "//host/..." with our scheme, "/..." on the same host and port, anything else relative to
// the folder of `from`; the fragment dropped. Empty for another scheme or an empty location.
std::wstring ResolveRedirect(const std::wstring& from, const std::wstring& location);

// Only a 404 is refused by status. A status of 0 means no reply was read, so it fails too.
bool IsAcceptedStatus(uint32_t status);

// Percent of `length` received, fraction dropped, at most 100. An announced length of 0 means the
// body is complete at once, so it reads as 100.
uint32_t ProgressPercent(uint64_t received, uint32_t length);

}  // namespace mrvn
