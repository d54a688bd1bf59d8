#include "net/win/prgs_dlg.h"

#include "resource.h"
#include "skin/skin_images.h"
#include "skin/win/skin_image.h"

namespace mrvn::net {

namespace {
// Posted by the wait thread: the dialog ends on its own thread, never from the worker.
constexpr UINT WM_UPDATE_DONE = WM_APP + 0x51;
}  // namespace

CPrgsDlg::CPrgsDlg(Updater& updater, HttpSession& session, FileSink& sink, const wchar_t* address)
    : CDlgEx(IDD_UPDATE_PROGRESS), m_updater(updater), m_session(session), m_sink(sink) {
    if (address) lstrcpynW(m_szDownAddr, address, 512);
}

CPrgsDlg::~CPrgsDlg() {
    if (m_job) m_job->Cancel();
}

void CPrgsDlg::DoDataExchange(fw::CDataExchange* dx) {
    CDlgEx::DoDataExchange(dx);
    fw::DDX_Control(dx, IDC_UPDATE_PROGRESS, m_progress);
}

BOOL CPrgsDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    UseDialogFrame();

    const HMODULE module = GetModuleHandleW(nullptr);
    SetTitle(L"版本更新中...");
    const win::OwnedBitmap close(skin::LoadSkinImage(module, kImgClose));  // the button keeps its own copy
    SetSkin(win::OwnedBitmap(skin::LoadSkinImage(module, kImgDialogBg)), false, true, nullptr, {}, {}, close.Get());

    RECT rc, desk;
    ::GetWindowRect(m_hWnd, &rc);
    ::GetWindowRect(GetDesktopWindow(), &desk);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    ::SetWindowPos(m_hWnd, nullptr, desk.left + (desk.right - desk.left - w) / 2,
                 desk.top + (desk.bottom - desk.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    m_progress.SetImages(win::OwnedBitmap(skin::LoadSkinImage(module, kImgProgressTrack)),
                         win::OwnedBitmap(skin::LoadSkinImage(module, kImgProgressBar)));

    m_job = std::make_unique<UpdateJob>(m_updater, m_session, m_sink, m_szDownAddr);
    const HWND self = m_hWnd;
    if (!m_job->Start(m_progress.m_hWnd, [self](int result) { PostMessageW(self, WM_UPDATE_DONE, result, 0); })) {
        PostMessageW(self, WM_UPDATE_DONE, IDCANCEL, 0);
    }
    return TRUE;
}

void CPrgsDlg::OnCancel() {
    // Closes the transfer's handles and waits for both threads; whatever they still hold is
    // released once, on whichever side gets there first.
    if (m_job) m_job->Cancel();
    EndDialog(IDCANCEL);
}

LRESULT CPrgsDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_UPDATE_DONE) {
        if (m_job) m_job->Cancel();  // both threads have ended; this only joins them
        EndDialog(static_cast<INT_PTR>(wParam) == IDOK ? IDOK : IDCANCEL);
        return 0;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}

}  // namespace mrvn::net
