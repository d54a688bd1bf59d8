#include "platform/win32/win32_http.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <functional>
#include <vector>

#include "platform/win32/worker_thread.h"

namespace mrvn::win {

namespace {

HINTERNET H(NetHandle h) { return reinterpret_cast<HINTERNET>(h); }
NetHandle N(HINTERNET h) { return reinterpret_cast<NetHandle>(h); }

}  // namespace

// Runs one blocking call at a time for its request. It lives as long as its thread: once the
// request is closed the caller stops waiting, and a call still blocked finishes into the helper's
// own buffer, never into the caller's. The hand-over is an SRW lock with a condition variable:
// every chunk crosses it twice, and these wait without a round trip to the Wine server.
class Win32HttpSession::Helper {
public:
    Helper() = default;
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    // The thread keeps the helper alive; nobody joins it, since a call may block it for long.
    bool Start(const std::shared_ptr<Helper>& self) {
        return StartDetached([self] { self->Loop(); });
    }

    // False with the last error ERROR_INTERNET_OPERATION_CANCELLED when the request was closed
    // first, ERROR_INTERNET_TIMEOUT when a time limit passed. A call left behind by a time limit
    // still runs on the helper, so every later call fails at once.
    bool Call(std::function<BOOL()> job) {
        AcquireSRWLockExclusive(&lock_);
        if (expired_ || (deadline_ && GetTickCount64() >= deadline_)) {
            expired_ = true;
            ReleaseSRWLockExclusive(&lock_);
            SetLastError(ERROR_INTERNET_TIMEOUT);
            return false;
        }
        job_ = std::move(job);
        pending_ = true;
        done_ = false;
        WakeAllConditionVariable(&cv_);
        const ULONGLONG start = GetTickCount64();
        while (!done_ && !closed_) {
            const ULONGLONG now = GetTickCount64();
            ULONGLONG limit = INFINITE;
            if (idleMs_) limit = start + idleMs_ > now ? start + idleMs_ - now : 0;
            if (deadline_) limit = std::min<ULONGLONG>(limit, deadline_ > now ? deadline_ - now : 0);
            if (limit == 0) {
                expired_ = true;
                break;
            }
            SleepConditionVariableSRW(&cv_, &lock_, static_cast<DWORD>(std::min<ULONGLONG>(limit, INFINITE)), 0);
        }
        const bool done = done_;
        const bool ok = ok_;
        const DWORD error = error_;
        const bool expired = expired_;
        ReleaseSRWLockExclusive(&lock_);
        if (!done) {
            SetLastError(expired ? ERROR_INTERNET_TIMEOUT : ERROR_INTERNET_OPERATION_CANCELLED);
            return false;
        }
        SetLastError(error);
        return ok;
    }

    void SetLimits(ULONGLONG deadline, DWORD idleMs) {
        AcquireSRWLockExclusive(&lock_);
        deadline_ = deadline;
        idleMs_ = idleMs;
        ReleaseSRWLockExclusive(&lock_);
    }

    void Closed() {
        AcquireSRWLockExclusive(&lock_);
        closed_ = true;
        ReleaseSRWLockExclusive(&lock_);
        WakeAllConditionVariable(&cv_);
    }

    // Written only by the job, read by the caller after the job is done.
    std::vector<unsigned char> buffer;
    DWORD count = 0;
    DWORD queried = 0;
    // Caller's side: body bytes WinINet has reported as received and not yet handed out.
    DWORD available = 0;

private:
    void Loop() {
        AcquireSRWLockExclusive(&lock_);
        for (;;) {
            while (!pending_ && !closed_) SleepConditionVariableSRW(&cv_, &lock_, INFINITE, 0);
            if (!pending_) break;  // closed and idle
            pending_ = false;
            std::function<BOOL()> job = std::move(job_);
            ReleaseSRWLockExclusive(&lock_);
            const bool ok = job() != FALSE;
            const DWORD error = GetLastError();
            AcquireSRWLockExclusive(&lock_);
            ok_ = ok;
            error_ = error;
            done_ = true;
            WakeAllConditionVariable(&cv_);
        }
        ReleaseSRWLockExclusive(&lock_);
    }

    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE cv_ = CONDITION_VARIABLE_INIT;
    std::function<BOOL()> job_;
    bool pending_ = false, done_ = false, closed_ = false, ok_ = false, expired_ = false;
    DWORD error_ = 0;
    ULONGLONG deadline_ = 0;  // GetTickCount64 value; 0: none
    DWORD idleMs_ = 0;        // 0: none
};

std::shared_ptr<Win32HttpSession::Helper> Win32HttpSession::HelperOf(NetHandle request) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = helpers_.find(request);
    if (it != helpers_.end()) return it->second;
    auto helper = std::make_shared<Helper>();
    if (!helper->Start(helper)) return nullptr;
    helpers_[request] = helper;
    return helper;
}

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
    const std::shared_ptr<Helper> helper = HelperOf(request);
    if (!helper) return false;
    // The header length is given in characters.
    return helper->Call([request, headers] {
        return HttpSendRequestW(H(request), headers.c_str(), static_cast<DWORD>(headers.size()), nullptr, 0);
    });
}

bool Win32HttpSession::QueryStatusCode(NetHandle request, uint32_t& status) {
    // Asked as text into 32 bytes, then read as a decimal number; a reply not yet read gives 0.
    wchar_t text[16] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    if (!HttpQueryInfoW(H(request), HTTP_QUERY_STATUS_CODE, text, &size, nullptr)) return false;
    status = static_cast<uint32_t>(std::wcstoul(text, nullptr, 10));
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

bool Win32HttpSession::QueryLocation(NetHandle request, std::wstring& location) {
    // Asked for its size first: a location may be longer than any fixed buffer.
    DWORD size = 0;
    HttpQueryInfoW(H(request), HTTP_QUERY_LOCATION, nullptr, &size, nullptr);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return false;
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1);
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (!HttpQueryInfoW(H(request), HTTP_QUERY_LOCATION, text.data(), &size, nullptr)) return false;
    location.assign(text.data(), size / sizeof(wchar_t));
    return true;
}

void Win32HttpSession::SetTimeLimits(NetHandle request, uint64_t deadlineMs, uint32_t idleMs) {
    if (const std::shared_ptr<Helper> helper = HelperOf(request)) helper->SetLimits(deadlineMs, idleMs);
}

uint64_t Win32HttpSession::NowMs() { return GetTickCount64(); }

bool Win32HttpSession::Read(NetHandle request, void* buffer, uint32_t size, uint32_t& got) {
    got = 0;
    const std::shared_ptr<Helper> helper = HelperOf(request);
    if (!helper) return false;
    Helper* h = helper.get();
    // Bytes already received cannot block, so they need no hand-over to the helper (a cancel
    // still returns at once: only the helper ever waits on the network).
    if (h->available >= size) {
        DWORD count = 0;
        if (!InternetReadFile(H(request), buffer, size, &count)) return false;
        got = count < size ? count : size;
        h->available = h->available > got ? h->available - got : 0;
        return true;
    }
    // The buffer is sized on the helper: a read left behind by a time limit may still write into it.
    // WinINet's read waits until the buffer is full; asking first what has arrived makes each call
    // wait only for the next bytes (so a time bound per call counts the time without any), and makes
    // Wine fill its read buffer with one receive instead of one receive per read.
    const bool ok = h->Call([request, h, size] {
        if (h->buffer.size() < size) h->buffer.resize(size);
        h->count = 0;
        h->queried = 0;
        if (!InternetQueryDataAvailable(H(request), &h->queried, 0, 0)) return FALSE;
        const DWORD want = h->queried != 0 && h->queried < size ? h->queried : size;
        return InternetReadFile(H(request), h->buffer.data(), want, &h->count);
    });
    if (!ok) {
        h->available = 0;
        return false;
    }
    got = h->count < size ? h->count : size;
    h->available = h->queried > got ? h->queried - got : 0;
    std::memcpy(buffer, h->buffer.data(), got);
    return true;
}

uint32_t Win32HttpSession::SetFilePointer(NetHandle request, uint32_t position) {
    return InternetSetFilePointer(H(request), static_cast<LONG>(position), nullptr, FILE_BEGIN, 0);
}

void Win32HttpSession::Close(NetHandle handle) {
    if (!handle) return;
    InternetCloseHandle(H(handle));
    std::shared_ptr<Helper> helper;
    {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = helpers_.find(handle);
        if (it == helpers_.end()) return;
        helper = std::move(it->second);
        helpers_.erase(it);
    }
    helper->Closed();
}

uint32_t Win32HttpSession::LastError() { return GetLastError(); }

}  // namespace mrvn::win
