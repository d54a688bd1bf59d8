#include "extras/win/notice_popup.h"

#include "core/state_store.h"
#include "extras/win/pop_info_dlg.h"
#include "framework/winapp.h"
#include "net/http_transfer.h"
#include "net/transfer_uses.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_http.h"
#include "platform/win32/win32_platform.h"

namespace mrvn::extras {

namespace {

constexpr wchar_t kReceiverClass[] = L"MrvnNoticeReceiver";
constexpr UINT kArrivalMessage = WM_APP + 1;

// The picture comes in under a name of its own first, so that a failed download leaves the
// picture of an earlier run in place, as the pop-up then shows that one.
bool FetchPicture(HttpSession& session, const HostConfig& hosts, const std::wstring& address,
                  const std::wstring& target) {
    const std::wstring part = target + L".part";
    win::Win32FileSystem files;
    bool ok = false;
    {
        win::Win32FileSink sink;
        ok = DownloadForUse(TransferUse::NoticePicture, session, sink, hosts, address, part);
    }
    if (ok) ok = files.MoveReplace(part, target);
    if (!ok) files.RemoveFile(part);
    return ok;
}

}  // namespace

NoticeTimes NoticeTimesFromEnvironment() {
    wchar_t buf[64] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"MRVN_NOTICE_TIMES", buf, 64);
    return (n > 0 && n < 64) ? ParseNoticeTimes(buf) : NoticeTimes{};
}

struct CNoticePopup::Arrival {
    NoticeFields fields;
    std::wstring picturePath;
};

CNoticePopup::CNoticePopup() = default;

CNoticePopup::~CNoticePopup() {
    dlg_.reset();
    if (receiver_) {
        // Arrivals still queued are ours to free.
        MSG msg;
        while (::PeekMessageW(&msg, receiver_, kArrivalMessage, kArrivalMessage, PM_REMOVE)) {
            delete reinterpret_cast<Arrival*>(msg.lParam);
        }
        ::DestroyWindow(receiver_);
    }
    // A fetch still waiting on the host ends by itself; its post then finds no window.
    worker_.Detach();
}

void CNoticePopup::Open(HWND owner, const NoticeSettings& settings) {
    if (owner_) return;
    owner_ = owner;
    settings_ = settings;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CNoticePopup::ReceiverProc;
    wc.hInstance = fw::ResourceInstance();
    wc.lpszClassName = kReceiverClass;
    ::RegisterClassExW(&wc);  // fails harmlessly when it is registered already
    receiver_ = ::CreateWindowExW(0, kReceiverClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (!receiver_) return;
    ::SetWindowLongPtrW(receiver_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    const HWND receiver = receiver_;
    const NoticeSettings s = settings_;
    worker_.Start([receiver, s] {
        win::Win32HttpSession session;
        win::AnsiCodePage codePage;
        std::wstring line;
        if (!HttpFetchToMemory(session, codePage, NoticeTextAddress(s.hosts.clientHost), s.hosts.domains, line,
                               RuleOf(TransferUse::NoticeText).limits)) {
            return;
        }
        auto arrival = std::make_unique<Arrival>();
        win::Win32ProfileFile ini;
        win::Win32Clock clock;
        if (!AcceptNotice(line, ini, s.settingsPath, FormatNoticeDate(clock.LocalNow()), arrival->fields)) return;
        GetExeSiblingPath(s.programPath, kNoticePictureFile, arrival->picturePath);
        if (!arrival->fields.picture.empty() && !arrival->picturePath.empty()) {
            FetchPicture(session, s.hosts, arrival->fields.picture, arrival->picturePath);
        }
        if (::PostMessageW(receiver, kArrivalMessage, 0, reinterpret_cast<LPARAM>(arrival.get()))) arrival.release();
    });
}

LRESULT CALLBACK CNoticePopup::ReceiverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kArrivalMessage) {
        std::unique_ptr<Arrival> arrival(reinterpret_cast<Arrival*>(lParam));
        auto* self = reinterpret_cast<CNoticePopup*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self) self->OnArrival(arrival.get());
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void CNoticePopup::OnArrival(Arrival* arrival) {
    if (dlg_ || !::IsWindow(owner_)) return;
    dlg_ = std::make_unique<CPopInfoDlg>(owner_, arrival->fields, arrival->picturePath, settings_.settingsPath,
                                         settings_.times);
    if (!dlg_->Create()) {
        dlg_.reset();
        return;
    }
    // Only while the main window is visible; hidden, the showing counts but stays unseen.
    if (::IsWindowVisible(owner_)) dlg_->ShowIfShowing(true);
}

void CNoticePopup::ShowPopup(bool show) {
    if (dlg_) dlg_->ShowIfShowing(show);
}

HWND CNoticePopup::Window() const { return dlg_ ? dlg_->m_hWnd : nullptr; }

}  // namespace mrvn::extras
