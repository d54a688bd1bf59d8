// Fetching pages and images for the built-in page engine with WinINet, as a browser does: one
// session for the process (so cookies are kept for it), redirects followed, GET and form POST.
// Fetches run on threads of their own, so that no window waits on the network.
#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace mrvn::web {

struct FetchReply {
    bool answered = false;  // a reply with a status line came back
    DWORD error = 0;        // the WinINet error when it did not
    DWORD status = 0;
    std::wstring finalUrl;  // after redirects, whole
    std::string contentType;
    std::string body;
};

// Replies larger than this are cut off here: a page or image never needs more.
inline constexpr size_t kMaxFetchBytes = 16u << 20;

// `postBody` null for GET; `headers` as HttpSendRequest takes them (CRLF-terminated lines).
// `deadline` (a GetTickCount64 value, 0: none) ends the fetch as failed with ERROR_INTERNET_TIMEOUT.
FetchReply FetchUrl(const std::wstring& url, const std::string* postBody, const std::wstring& headers,
                    ULONGLONG deadline = 0);

// Fetches run one after the other on a thread of their own. The window that started them learns of
// their end only by a message posted to it with the job's number as wParam: a window destroyed
// meanwhile is never touched, and a reply nobody waits for any more is dropped with the job.
class FetchJob {
public:
    struct Order {
        std::wstring url;
        bool post = false;
        std::string body;
        std::wstring headers;
    };

    static std::shared_ptr<FetchJob> Start(std::vector<Order> orders, ULONGLONG deadline, HWND notify, UINT msg);

    WPARAM Number() const { return number_; }
    bool Done() const { return done_.load(std::memory_order_acquire); }
    // One reply per order, in order; read only once Done.
    const std::vector<FetchReply>& Replies() const { return replies_; }
    const std::vector<Order>& Orders() const { return orders_; }

private:
    void Run();

    std::vector<Order> orders_;
    std::vector<FetchReply> replies_;
    ULONGLONG deadline_ = 0;
    HWND notify_ = nullptr;
    UINT msg_ = 0;
    WPARAM number_ = 0;
    std::atomic<bool> done_{false};
};

}  // namespace mrvn::web
