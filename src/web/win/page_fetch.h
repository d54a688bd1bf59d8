// Fetching pages and images for the built-in page engine with WinINet, as a browser does: one
// session for the process (so cookies are kept for it), redirects followed, GET and form POST.
#pragma once
#include <windows.h>

#include <string>

namespace mrvn::web {

struct FetchReply {
    bool answered = false;  // a reply with a status line came back
    DWORD error = 0;        // the WinINet error when it did not
    DWORD status = 0;
    std::wstring finalUrl;  // after redirects
    std::string contentType;
    std::string body;
};

// Replies larger than this are cut off here: a page or image never needs more.
inline constexpr size_t kMaxFetchBytes = 16u << 20;

// `postBody` null for GET; `headers` as HttpSendRequest takes them (CRLF-terminated lines).
FetchReply FetchUrl(const std::wstring& url, const std::string* postBody, const std::wstring& headers);

}  // namespace mrvn::web
