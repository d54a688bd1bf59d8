#include "net/win/down_game_dlg.h"

#include "resource.h"
#include "skin/skin_images.h"
#include "skin/win/skin_image.h"

namespace mrvn::net {

namespace {
// Posted by the worker: the percentage (wParam) and the outcome (wParam). Only the dialog's own
// thread changes its title, texts and buttons.
constexpr UINT WM_CLIENT_PROGRESS = WM_APP + 0x52;
constexpr UINT WM_CLIENT_DONE = WM_APP + 0x53;
constexpr COLORREF kStatusColour = RGB(72, 81, 86);
constexpr int kStatusFontHeight = 16;
}  // namespace

CDownGameDlg::CDownGameDlg(const ClientDownloadContext& ctx, const std::wstring& tag, HWND parent)
    : CDlgEx(IDD_DOWN_GAME, parent), m_ctx(ctx), m_strTag(tag) {}

CDownGameDlg::~CDownGameDlg() {
    if (m_job) m_job->Cancel();
}

void CDownGameDlg::DoDataExchange(fw::CDataExchange* dx) {
    CDlgEx::DoDataExchange(dx);
    fw::DDX_Control(dx, IDOK, m_btnOK);
    fw::DDX_Control(dx, IDCANCEL, m_btnCancel);
    fw::DDX_Control(dx, IDC_DOWN_GAME_TEXT, m_lblStatus);
    fw::DDX_Control(dx, IDC_DOWN_GAME_PROGRESS, m_progress);
}

BOOL CDownGameDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    UseDialogFrame();

    const HINSTANCE module = fw::ResourceInstance();
    SetTitle(kClientDownloadTitle);
    const win::OwnedBitmap close(skin::LoadSkinImage(module, kImgClose));  // the button keeps its own copy
    SetSkin(win::OwnedBitmap(skin::LoadSkinImage(module, kImgDialogBg)), false, true, nullptr, {}, {}, close.Get());
    // The hall's frame stays above its main window: the box must not open behind it.
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    m_bmpButton.Reset(skin::LoadSkinImage(module, kImgButton));
    if (m_bmpButton) {
        m_btnOK.SetImageStrip(m_bmpButton.Get(), true);
        m_btnCancel.SetImageStrip(m_bmpButton.Get(), true);
    }
    m_btnOK.SetLabel(L"确定");
    m_btnCancel.SetLabel(L"取消");
    m_lblStatus.m_strText.clear();
    m_lblStatus.SetWindowText(L"");
    m_lblStatus.m_crText = kStatusColour;
    m_lblStatus.m_nFontHeight = kStatusFontHeight;
    m_lblStatus.Invalidate(FALSE);
    m_progress.SetImages(win::OwnedBitmap(skin::LoadSkinImage(module, kImgProgressTrack)),
                         win::OwnedBitmap(skin::LoadSkinImage(module, kImgProgressBar)));

    // Without a tag the box shows, and nothing is downloaded.
    if (m_strTag.empty()) return TRUE;

    ApplyState(WorkingDialogState());
    m_downloader = std::make_unique<ClientDownloader>(m_ctx, m_strTag);
    ClientDownloader* downloader = m_downloader.get();
    std::atomic<int>* outcome = &m_outcome;
    m_job = std::make_unique<DownloadJob>(
        m_ctx.session, m_ctx.sink, [downloader, outcome](const ProgressFn& progress, TransferHandles* handles) {
            const ClientOutcome result = downloader->Run(progress, handles);
            outcome->store(static_cast<int>(result));
            return result == ClientOutcome::Started;
        });
    const HWND self = m_hWnd;
    const bool started = m_job->Start(
        [self](uint32_t percent) { ::PostMessageW(self, WM_CLIENT_PROGRESS, percent, 0); },
        [self, outcome](int) { ::PostMessageW(self, WM_CLIENT_DONE, WPARAM(outcome->load()), 0); });
    if (!started) ::PostMessageW(self, WM_CLIENT_DONE, WPARAM(ClientOutcome::ConfigFailed), 0);
    return TRUE;
}

BOOL CDownGameDlg::PreTranslateMessage(MSG* msg) {
    // Escape would reach the dialog manager as Cancel; here it does nothing at all.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) return TRUE;
    return CDlgEx::PreTranslateMessage(msg);
}

BOOL CDownGameDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDOK:
        // Enter reaches a disabled default button too: the box ends only once the work is over.
        if (::IsWindowEnabled(m_btnOK.m_hWnd)) CDialog::OnOK();
        return TRUE;
    case IDCANCEL:
        CancelSteps();
        return TRUE;
    default:
        return CDlgEx::OnCommand(wParam, lParam);
    }
}

LRESULT CDownGameDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLIENT_PROGRESS:
        OnProgress(static_cast<uint32_t>(wParam));
        return 0;
    case WM_CLIENT_DONE:
        OnFinished(static_cast<ClientOutcome>(wParam));
        return 0;
    case WM_CLOSE:
        if (CloseActionFor(::IsWindowEnabled(m_btnOK.m_hWnd) != FALSE) == CloseAction::EndDialog) {
            CDialog::OnCancel();
        } else {
            CancelSteps();
        }
        return 0;
    default:
        return CDlgEx::WindowProc(msg, wParam, lParam);
    }
}

void CDownGameDlg::CancelSteps() {
    m_bCancelled = true;
    CDialog::OnCancel();
    // Closing the transfer's handles makes a blocked read return at once; the job then joins its
    // threads, and the worker deletes what it had written.
    if (m_job) m_job->Cancel();
}

void CDownGameDlg::OnProgress(uint32_t percent) {
    if (m_bCancelled) return;
    m_progress.SetPos(static_cast<int>(percent));
    m_lblStatus.m_strText = ClientProgressText(percent);
    m_lblStatus.SetWindowText(m_lblStatus.m_strText);  // screen readers read the window text
    m_lblStatus.Invalidate(FALSE);
}

void CDownGameDlg::OnFinished(ClientOutcome outcome) {
    if (m_job) m_job->Cancel();  // both threads have ended; this only joins them
    if (m_bCancelled) return;
    ApplyState(DialogStateOf(outcome));
}

void CDownGameDlg::ApplyState(const ClientDialogState& state) {
    SetTitle(state.title);
    ::EnableWindow(m_btnOK.m_hWnd, state.okEnabled);
    ::EnableWindow(m_btnCancel.m_hWnd, state.cancelEnabled);
}

int ShowClientDownload(ClientDownloadContext ctx, HWND parent, const std::wstring& tag) {
    if (ctx.tempFolder.empty()) {
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
        if (n > 0 && n <= MAX_PATH) ctx.tempFolder = temp;
    }
    CDownGameDlg dialog(ctx, tag, parent);
    dialog.DoModal();
    return 1;
}

}  // namespace mrvn::net
