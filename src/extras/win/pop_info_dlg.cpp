#include "extras/win/pop_info_dlg.h"

#include <shellapi.h>

#include <cwchar>

#include "core/state_store.h"
#include "framework/winapp.h"
#include "platform/win32/win32_platform.h"
#include "resource.h"
#include "skin/win/skin_image.h"

namespace mrvn::extras {

int g_nNoticeShows = 1;

namespace {

constexpr UINT_PTR kTimerShowing = 1;  // the end of a showing
constexpr UINT_PTR kTimerNext = 2;     // the next showing

constexpr COLORREF kTitleColor = RGB(19, 43, 67);
constexpr COLORREF kTextColor = RGB(30, 39, 46);
constexpr COLORREF kHoverColor = RGB(22, 122, 235);

template <size_t N>
void CopyRoom(wchar_t (&room)[N], const std::wstring& text) {
    const size_t n = text.size() < N ? text.size() : N - 1;
    std::wmemcpy(room, text.c_str(), n);
    room[n] = L'\0';
}

win::OwnedBitmap SkinImage(int id) { return win::OwnedBitmap(skin::LoadSkinImage(fw::ResourceInstance(), id)); }

}  // namespace

CPopInfoDlg::CPopInfoDlg(HWND owner, const NoticeFields& fields, const std::wstring& picturePath,
                         const std::wstring& settingsPath, NoticeTimes times)
    : CDlgEx(IDD_POPINFO, owner),
      m_fields(fields),
      m_strPicturePath(picturePath),
      m_strSettingsPath(settingsPath),
      m_times(times) {
    // The fields were cut to these rooms already; the copies only keep the design's members.
    CopyRoom(m_szNoticeId, fields.id);
    CopyRoom(m_szLastDay, fields.lastDay);
    CopyRoom(m_szTitle, fields.title);
    CopyRoom(m_szLinkUrl, fields.link);
    CopyRoom(m_szContent, fields.text);
    CopyRoom(m_szPictureUrl, fields.picture);
    m_nShowCount = fields.showCount;
}

BOOL CPopInfoDlg::Create() { return CDialog::Create(IDD_POPINFO, nullptr); }

void CPopInfoDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::DDX_Control(dx, IDC_POP_PICTURE, m_picImage);
    fw::DDX_Control(dx, IDC_POP_TITLE, m_lblTitle);
    fw::DDX_Control(dx, IDC_POP_CONTENT, m_lblContent);
    fw::DDX_Control(dx, IDC_POP_MORE, m_lblMore);
}

BOOL CPopInfoDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    // No taskbar button.
    ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);
    const NoticeLayout layout = ChooseNoticeLayout(m_fields);
    NoticeGeometry g = NoticeLayoutGeometry(layout, 0, 0);
    if (g.colourKeyed) {
        ModifyStyleEx(0, WS_EX_LAYERED);
        ::SetLayeredWindowAttributes(m_hWnd, skin::kKeyColor, 0, LWA_COLORKEY);
    }
    m_nCaptionHeight = 0;
    m_nBorder = g.border;
    m_nBtnRightMargin = g.btnRightMargin;
    m_nBtnTop = g.btnTop;
    m_nBtnSpacing = 0;
    m_bmpClose = SkinImage(g.closeStripId);
    SetSkin(SkinImage(g.backgroundId), true, false, nullptr, {}, {}, m_bmpClose.Get());
    const RECT client = GetClientRect();
    g = NoticeLayoutGeometry(layout, client.right, client.bottom);
    if (layout != NoticeLayout::TextOnly) {
        // Whatever the file holds: this run's picture, or an older one when the download failed.
        int w = 0, h = 0;
        m_bmpPicture.Reset(skin::LoadImageFileOnWhite(m_strPicturePath, w, h));
    }
    Layout(g);

    RECT wa{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
    const SkinPoint at = NoticeWindowOrigin({wa.left, wa.top, wa.right, wa.bottom}, client.right, client.bottom);
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetTimer(m_hWnd, kTimerShowing, m_times.showMs, nullptr);
    m_bShowing = true;
    return TRUE;
}

void CPopInfoDlg::Layout(const NoticeGeometry& g) {
    PlaceControl(m_picImage, g.picture);
    PlaceControl(m_lblTitle, g.title);
    PlaceControl(m_lblContent, g.text);
    PlaceControl(m_lblMore, g.more);
    if (g.picture.shown) {
        if (m_bmpPicture) m_picImage.SetImage(m_bmpPicture.Get());
        m_picImage.m_strText.clear();
    }
    if (g.textCut == 0) {
        // The picture alone: it is the link.
        m_lblContent.m_strText.clear();
        if (m_bmpPicture) m_lblContent.SetImage(m_bmpPicture.Get());
        m_lblContent.m_bHandCursor = TRUE;
        m_lblContent.m_bUnderline = FALSE;
        m_lblContent.ModifyStyle(0, SS_NOTIFY);
        return;
    }
    m_lblTitle.m_strText = m_szTitle;
    m_lblTitle.m_crText = kTitleColor;
    m_lblTitle.m_nFontWeight = 700;
    StyleLink(m_lblTitle);
    m_lblContent.m_strText = CutNoticeText(m_szContent, g.textCut);
    m_lblContent.m_crText = kTextColor;
    StyleLink(m_lblContent);
    m_lblMore.m_strText = L"详细>>";
    m_lblMore.m_crText = kTextColor;
    StyleLink(m_lblMore);
}

void CPopInfoDlg::PlaceControl(skin::CStaticEx& c, const NoticeControlPlace& p) {
    if (!p.shown) {
        // A control the layout does not use would show its template text.
        ::ShowWindow(c.m_hWnd, SW_HIDE);
        return;
    }
    ::MoveWindow(c.m_hWnd, p.rect.left, p.rect.top, p.rect.Width(), p.rect.Height(), FALSE);
    ::ShowWindow(c.m_hWnd, SW_SHOWNA);
}

void CPopInfoDlg::StyleLink(skin::CStaticEx& c) {
    c.m_bHandCursor = TRUE;
    c.m_bUnderline = FALSE;
    c.m_bHoverColor = TRUE;
    c.m_crHover = kHoverColor;
    c.ModifyStyle(0, SS_NOTIFY);
}

void CPopInfoDlg::ShowIfShowing(bool show) {
    if (!m_hWnd) return;
    if (!show) {
        ::ShowWindow(m_hWnd, SW_HIDE);
    } else if (m_bShowing) {
        ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    }
}

void CPopInfoDlg::OnTimer(UINT_PTR id) {
    if (id == kTimerShowing) {
        ::KillTimer(m_hWnd, kTimerShowing);
        m_bShowing = false;
        if (NoticeShowsAgain(g_nNoticeShows, m_nShowCount)) {
            ::SetTimer(m_hWnd, kTimerNext, m_times.gapMs, nullptr);
            ::ShowWindow(m_hWnd, SW_HIDE);
        } else {
            // Ran out its showings: the same notice comes again at the next start.
            Close(L"1");
        }
    } else if (id == kTimerNext) {
        ++g_nNoticeShows;
        ::KillTimer(m_hWnd, kTimerNext);
        ::SetTimer(m_hWnd, kTimerShowing, m_times.showMs, nullptr);
        m_bShowing = true;
        // A showing while the main window is hidden counts, unseen.
        const HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
        if (owner && ::IsWindowVisible(owner)) ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    }
}

void CPopInfoDlg::OnClick() {
    const std::wstring link = m_szLinkUrl;
    Close(L"0");
    // The launcher runs elevated: only a web address goes to the shell.
    if (IsNoticeLinkOpenable(link)) ::ShellExecuteW(nullptr, L"open", link.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void CPopInfoDlg::Close(const wchar_t* enable) {
    m_bShowing = false;
    if (m_hWnd) {
        ::KillTimer(m_hWnd, kTimerShowing);
        ::KillTimer(m_hWnd, kTimerNext);
        EndDialog(IDCANCEL);
    }
    if (enable) win::Win32ProfileFile().WriteString(m_strSettingsPath, kIniSection, kPopEnableKey, enable);
}

BOOL CPopInfoDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) == STN_CLICKED && (id == IDC_POP_TITLE || id == IDC_POP_CONTENT || id == IDC_POP_MORE)) {
        OnClick();
        return TRUE;
    }
    return CDlgEx::OnCommand(wParam, lParam);
}

LRESULT CPopInfoDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_SYSCOMMAND:
        // Sent or posted alike (the skin's close button posts it): the close button dismisses the
        // notice for good, a minimise only ends this run's showings.
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            Close(L"0");
            return 0;
        }
        if ((wParam & 0xFFF0) == SC_MINIMIZE) {
            Close(nullptr);
            return 0;
        }
        break;
    default:
        break;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}

}  // namespace mrvn::extras
