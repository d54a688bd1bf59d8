#include "login/win/login_dlg.h"

#include "login/page_command.h"
#include "platform/win32/os_version.h"
#include "platform/win32/scoped.h"
#include "skin/win/message_box.h"

namespace mrvn::login {

using web::ElementEvent;
using web::ElementRef;

namespace {

using Handler = HRESULT (CDHtmDlgEx::*)(const ElementRef&);
constexpr auto kTag = DHtmlEventRow::Kind::Tag;
const Handler kDown = static_cast<Handler>(&CLoginDlg::OnLoginDragDown);
const Handler kUp = static_cast<Handler>(&CLoginDlg::OnLoginDragUp);
const Handler kMove = static_cast<Handler>(&CLoginDlg::OnLoginDragMove);

// Only the drag rows: the login page has no sprite buttons, and its own menu rows are not wanted.
const DHtmlEventRow kRows[] = {
    {kTag, L"body", ElementEvent::MouseDown, kDown}, {kTag, L"body", ElementEvent::MouseUp, kUp},
    {kTag, L"body", ElementEvent::MouseMove, kMove}, {kTag, L"td", ElementEvent::MouseDown, kDown},
    {kTag, L"td", ElementEvent::MouseUp, kUp},       {kTag, L"td", ElementEvent::MouseMove, kMove},
    {kTag, L"div", ElementEvent::MouseDown, kDown},  {kTag, L"div", ElementEvent::MouseUp, kUp},
    {kTag, L"div", ElementEvent::MouseMove, kMove},
};
const DHtmlEventMap kMap{nullptr, kRows, sizeof kRows / sizeof kRows[0]};

constexpr wchar_t kCaption[] = L"QuarnMorvane";

}  // namespace

bool UserAccountControlInForce() {
    if (win::OsVersion().dwMajorVersion <= 5) return false;
    win::ScopedKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\", 0,
                        KEY_READ, key.Put()) != ERROR_SUCCESS)
        return false;
    DWORD value = 0, type = 0, size = sizeof value;
    if (::RegQueryValueExW(key.Get(), L"EnableLUA", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS)
        return false;
    return size == sizeof value && (type == REG_DWORD || type == REG_BINARY) && value == 1;
}

CLoginDlg::CLoginDlg(std::wstring loginUrl, HWND mainWnd, int pageCount)
    : CDHtmDlgEx(kLoginTemplate, std::move(loginUrl)), m_hMainWnd(mainWnd), m_nPageCount(pageCount) {}

BOOL CLoginDlg::OnInitDialog() {
    // The first page's events may come inside the navigation and show the window: it must be
    // layered and keyed before that.
    const std::wstring url = std::move(m_strUrl);
    m_strUrl.clear();
    CDHtmDlgEx::OnInitDialog();
    ModifyStyleEx(0, WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(m_hWnd, kLoginColorKey, 0, LWA_COLORKEY);
    ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);
    m_strUrl = url;
    Navigate(m_strUrl);
    return FALSE;
}

BOOL CLoginDlg::PreTranslateMessage(MSG* msg) {
    // Neither closed with Escape nor reloaded with F5.
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_F5)) return TRUE;
    return CDHtmDlgEx::PreTranslateMessage(msg);
}

void CLoginDlg::OnNavigateComplete(IDispatch* disp, const std::wstring& url) {
    CDHtmDlgEx::OnNavigateComplete(disp, url);
    ShowWindow(m_hWnd, SW_SHOW);
    if (HWND view = ::FindWindowExW(m_hWnd, nullptr, nullptr, nullptr)) {
        const RECT rc = GetClientRect();
        ::MoveWindow(view, 0, 0, rc.right, rc.bottom, TRUE);
    }
}

const DHtmlEventMap* CLoginDlg::GetDHtmlEventMap() const { return &kMap; }

// --- page commands ---

void CLoginDlg::OnBeforeNavigate2(IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                                  VARIANT_BOOL* cancel) {
    const std::wstring address = web::VariantText(url);
    if (ClassifyPageCommand(address) == PageCommand::None) return;
    // Set before anything else: a command that ends the window must not let the page leave.
    *cancel = VARIANT_TRUE;
    OnPageCommand(address);
}

void CLoginDlg::OnPageCommand(const std::wstring& url) {
    switch (ClassifyPageCommand(url)) {
        case PageCommand::LoadGame: OnLoadGame(url); break;
        case PageCommand::ExitGame: EndLogin(2); break;
        case PageCommand::Minimize: OnMinimize(); break;
        case PageCommand::None:
        case PageCommand::Other: break;
    }
}

void CLoginDlg::OnLoadGame(const std::wstring& url) {
    const LoadGameArgs args = SplitLoadGame(url);
    const LoginFields fields = SplitLoginText(UnescapeLoginText(args.loginText));
    const std::wstring label = PageLabel(fields);
    // A label the main window would not read back as sent cannot be told apart from a duplicate
    // there: the login ends without asking.
    if (!PageLabelSendable(label)) {
        EndLogin(2);
        return;
    }
    COPYDATASTRUCT data{};
    data.dwData = 0;
    data.cbData = DWORD(sizeof(wchar_t) * (label.size() + 1));
    data.lpData = const_cast<wchar_t*>(label.c_str());
    const LRESULT accepted =
        ::SendMessageW(m_hMainWnd, WM_COPYDATA, reinterpret_cast<WPARAM>(m_hWnd), reinterpret_cast<LPARAM>(&data));
    if (!accepted) {
        skin::SkinMessageBox(nullptr, RefusalMessage(fields), kCaption, 0);
        EndLogin(2);
        return;
    }
    m_strGameAddress = args.gameAddress;
    EndLogin(1);
}

void CLoginDlg::OnMinimize() {
    // A login for an added tab has no window of its own to minimise: it simply ends.
    if (m_nPageCount > 0) {
        EndLogin(2);
    } else if (UserAccountControlInForce()) {
        ::ShowWindow(GetParent(), SW_MINIMIZE);
    } else {
        ::ShowWindow(m_hMainWnd, SW_MINIMIZE);
    }
}

void CLoginDlg::EndLogin(INT_PTR result) {
    if (auto* owner = dynamic_cast<fw::CDialog*>(fw::CWnd::FromHandle(GetParent()))) owner->EndDialog(result);
}

// --- dragging the background by the page ---

void CLoginDlg::SendDragToOwner(UINT msg) {
    POINT pt;
    ::GetCursorPos(&pt);
    ::ScreenToClient(m_hWnd, &pt);
    if (pt.x >= kNoDragRect.left && pt.x <= kNoDragRect.right && pt.y >= kNoDragRect.top &&
        pt.y <= kNoDragRect.bottom)
        return;
    ::SendMessageW(GetParent(), msg, HTCAPTION, MAKELPARAM(pt.x, pt.y));
}

HRESULT CLoginDlg::OnLoginDragDown(const ElementRef&) {
    SendDragToOwner(WM_NCLBUTTONDOWN);
    return S_FALSE;
}

HRESULT CLoginDlg::OnLoginDragUp(const ElementRef&) {
    SendDragToOwner(WM_NCLBUTTONUP);
    return S_FALSE;
}

HRESULT CLoginDlg::OnLoginDragMove(const ElementRef&) {
    SendDragToOwner(WM_NCMOUSEMOVE);
    return S_FALSE;
}

}  // namespace mrvn::login
