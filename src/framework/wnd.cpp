#include "framework/wnd.h"

#include <vector>

#include "framework/winapp.h"

namespace mrvn::fw {

namespace {
constexpr wchar_t kObjectProp[] = L"MrvnWndObject";
// Set while WalkPreTranslate offers a message, so a dialog on the way does not walk its children again.
thread_local bool t_walking = false;
}

BOOL WalkPreTranslate(MSG* msg) {
    if (!msg || t_walking) return FALSE;
    t_walking = true;
    BOOL taken = FALSE;
    for (HWND h = msg->hwnd; h && !taken; h = ::GetParent(h)) {
        if (CWnd* w = CWnd::FromHandle(h)) taken = w->PreTranslateMessage(msg);
        if (!(::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) break;
    }
    t_walking = false;
    return taken;
}

HINSTANCE ResourceInstance() {
    if (CWinApp* app = CWinApp::Current(); app && app->Instance()) return app->Instance();
    return ::GetModuleHandleW(nullptr);
}

CWnd::~CWnd() {
    // An object may die before its window (a stack dialog after EndDialog, a member control);
    // the window then falls back to its own procedure.
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        // Only what this object put there: a plain handle holder leaves the window alone.
        if (FromHandle(m_hWnd) == this) UnsubclassWindow();
    }
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    return static_cast<CWnd*>(::GetPropW(hwnd, kObjectProp));
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd || FromHandle(hwnd)) return FALSE;
    m_hWnd = hwnd;
    ::SetPropW(hwnd, kObjectProp, this);
    PreSubclassWindow();
    m_oldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWndProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(int id, CWnd* parent) {
    if (!parent) return FALSE;
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, id));
}

HWND CWnd::UnsubclassWindow() {
    HWND h = m_hWnd;
    if (!h) return nullptr;
    if (m_oldProc) ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
    ::RemovePropW(h, kObjectProp);
    m_oldProc = nullptr;
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, const RECT& rc,
                    HWND parent, int id) {
    if (m_hWnd) return FALSE;
    HWND h = ::CreateWindowExW(exStyle, className, text ? text : L"", style, rc.left, rc.top, rc.right - rc.left,
                               rc.bottom - rc.top, parent,
                               (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr,
                               ResourceInstance(), nullptr);
    if (!h) return FALSE;
    if (!SubclassWindow(h)) {
        ::DestroyWindow(h);
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWnd* self = FromHandle(hwnd);
    if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    return self->Dispatch(msg, wParam, lParam);
}

LRESULT CWnd::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    const Current saved = m_current;
    m_current = {msg, wParam, lParam};
    LRESULT result = 0;
    // No exception may unwind through the system's window procedure.
    try {
        result = WindowProc(msg, wParam, lParam);
    } catch (...) {
        result = 0;
    }
    m_current = saved;
    if (msg == WM_NCDESTROY) {
        UnsubclassWindow();
        PostNcDestroy();
    }
    return result;
}

LRESULT CWnd::DefWindowProcW(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_oldProc) return ::CallWindowProcW(m_oldProc, m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProcW(m_current.msg, m_current.wParam, m_current.lParam); }

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (OnCommand(wParam, lParam)) return 0;
        break;
    case WM_DRAWITEM: {
        // Reflected to the owner-drawn control's own object.
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        CWnd* child = dis && dis->CtlType != ODT_MENU ? FromHandle(dis->hwndItem) : nullptr;
        if (child && child != this) {
            child->DrawItem(dis);
            return TRUE;
        }
        break;
    }
    default:
        break;
    }
    return DefWindowProcW(msg, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::OnCommand(WPARAM, LPARAM) { return FALSE; }

std::wstring CWnd::GetWindowText() const {
    const int n = ::GetWindowTextLengthW(m_hWnd);
    std::wstring s(size_t(n) + 1, L'\0');
    const int got = ::GetWindowTextW(m_hWnd, s.data(), n + 1);
    s.resize(size_t(got > 0 ? got : 0));
    return s;
}

RECT CWnd::GetClientRect() const {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

RECT CWnd::GetWindowRect() const {
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    return rc;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add) const {
    const DWORD style = DWORD(::GetWindowLongPtrW(m_hWnd, GWL_STYLE));
    const DWORD next = (style & ~remove) | add;
    if (next == style) return FALSE;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, LONG_PTR(next));
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add) const {
    const DWORD style = DWORD(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE));
    const DWORD next = (style & ~remove) | add;
    if (next == style) return FALSE;
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, LONG_PTR(next));
    return TRUE;
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (!dx || !dx->m_pDlgWnd || control.m_hWnd) return;
    control.SubclassDlgItem(id, dx->m_pDlgWnd);
}

// ---- CDialog

CDialog::~CDialog() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
    if (msg != WM_INITDIALOG) return FALSE;
    // From here on the object's WindowProc sees every message; the dialog manager stays beneath it.
    auto* self = reinterpret_cast<CDialog*>(lParam);
    if (!self || !self->SubclassWindow(hwnd)) return TRUE;
    BOOL focusDefault = TRUE;
    try {
        focusDefault = self->OnInitDialog();
    } catch (...) {
        focusDefault = TRUE;
    }
    return focusDefault;
}

HWND CDialog::CreateFromTemplate(HWND parent) {
    m_nModalResult = -1;
    return ::CreateDialogParamW(ResourceInstance(), MAKEINTRESOURCEW(m_nIDTemplate), parent, &CDialog::DialogProc,
                                reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    m_nIDTemplate = templateId;
    if (parent) m_pParentWnd = parent;
    return CreateFromTemplate(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr) != nullptr;
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    // A child cannot own a modal dialog; its top-level ancestor does.
    if (owner) owner = ::GetAncestor(owner, GA_ROOT);
    m_bEndModal = false;
    m_bInModal = true;
    HWND h = CreateFromTemplate(owner);
    if (!h) {
        m_bInModal = false;
        return -1;
    }
    const bool disableOwner = owner && ::IsWindowEnabled(owner);
    if (!m_bEndModal) {
        if (disableOwner) ::EnableWindow(owner, FALSE);
        ::ShowWindow(h, SW_SHOW);
        MSG msg;
        while (!m_bEndModal) {
            const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                ::PostQuitMessage(int(msg.wParam));  // leave the quit for the outer loop
                break;
            }
            if (got == -1) break;
            if (PreTranslateMessage(&msg)) continue;
            if (m_hWnd && ::IsDialogMessageW(m_hWnd, &msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (disableOwner) ::EnableWindow(owner, TRUE);
    if (m_hWnd) {
        // Hand activation back before the window goes, as the system's dialogs do.
        if (owner) ::SetActiveWindow(owner);
        ::DestroyWindow(m_hWnd);
    }
    m_bInModal = false;
    return m_nModalResult;
}

void CDialog::EndDialog(INT_PTR result) {
    m_nModalResult = result;
    if (m_bInModal) {
        m_bEndModal = true;
        if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the loop
    } else if (m_hWnd) {
        ::DestroyWindow(m_hWnd);
    }
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::UpdateData(BOOL save) {
    CDataExchange dx(this, save);
    try {
        DoDataExchange(&dx);
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    if (!t_walking) {
        // Our own modal loop: the controls between the target and this dialog look first.
        t_walking = true;
        BOOL taken = FALSE;
        for (HWND h = msg->hwnd; h && h != m_hWnd && !taken; h = ::GetParent(h)) {
            if (CWnd* w = FromHandle(h)) taken = w->PreTranslateMessage(msg);
            if (!(::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) break;
        }
        t_walking = false;
        if (taken) return TRUE;
    }
    // A modeless dialog gets its keyboard handling here; the modal loop does its own.
    if (!m_bInModal && m_hWnd && (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd)))
        return ::IsDialogMessageW(m_hWnd, msg);
    return FALSE;
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        default:
            break;
        }
    }
    return FALSE;
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) { return CWnd::WindowProc(msg, wParam, lParam); }

// ---- controls

BOOL CButton::Create(const wchar_t* text, DWORD style, const RECT& rc, CWnd* parent, int id) {
    return CreateEx(0, L"BUTTON", text, style, rc, parent ? parent->m_hWnd : nullptr, id);
}

BOOL CStatic::Create(const wchar_t* text, DWORD style, const RECT& rc, CWnd* parent, int id) {
    return CreateEx(0, L"STATIC", text, style, rc, parent ? parent->m_hWnd : nullptr, id);
}

BOOL CProgressCtrl::Create(DWORD style, const RECT& rc, CWnd* parent, int id) {
    return CreateEx(0, PROGRESS_CLASSW, L"", style, rc, parent ? parent->m_hWnd : nullptr, id);
}

void CProgressCtrl::GetRange(int& lower, int& upper) const {
    PBRANGE r{};
    ::SendMessageW(m_hWnd, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&r));
    lower = r.iLow;
    upper = r.iHigh;
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
    DeleteImageList();
    m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
    return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList() {
    if (!m_hImageList) return FALSE;
    ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return TRUE;
}

BOOL CToolTipCtrl::Create(CWnd* owner, DWORD style) {
    if (m_hWnd || !owner) return FALSE;
    HWND h = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner->m_hWnd, nullptr,
                               ResourceInstance(), nullptr);
    if (!h) return FALSE;
    m_hWnd = h;  // not subclassed: the tooltip keeps its own procedure
    return TRUE;
}

namespace {
TTTOOLINFOW ToolInfo(CWnd* tool, UINT_PTR id, const wchar_t* text) {
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.uFlags = 0;  // messages come by RelayEvent, not by subclassing the tool
    ti.hwnd = tool->m_hWnd;
    ti.uId = id;
    ti.rect = tool->GetClientRect();
    ti.hinst = ResourceInstance();
    ti.lpszText = const_cast<wchar_t*>(text ? text : LPSTR_TEXTCALLBACKW);
    return ti;
}
}  // namespace

BOOL CToolTipCtrl::AddTool(CWnd* tool, const wchar_t* text, UINT_PTR id) {
    if (!m_hWnd || !tool) return FALSE;
    TTTOOLINFOW ti = ToolInfo(tool, id, text);
    return BOOL(::SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)));
}

void CToolTipCtrl::UpdateTipText(const std::wstring& text, CWnd* tool, UINT_PTR id) {
    if (!m_hWnd || !tool) return;
    TTTOOLINFOW ti = ToolInfo(tool, id, text.c_str());
    ::SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

std::wstring CToolTipCtrl::GetText(CWnd* tool, UINT_PTR id) const {
    if (!m_hWnd || !tool) return {};
    std::vector<wchar_t> buf(1024, L'\0');
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = tool->m_hWnd;
    ti.uId = id;
    ti.lpszText = buf.data();
    ::SendMessageW(m_hWnd, TTM_GETTEXTW, WPARAM(buf.size()), reinterpret_cast<LPARAM>(&ti));
    return buf.data();
}

CMemDC::CMemDC(HDC ref, int width, int height) {
    m_dc = ::CreateCompatibleDC(ref);
    if (!m_dc) return;
    m_bmp = ::CreateCompatibleBitmap(ref, width > 0 ? width : 1, height > 0 ? height : 1);
    if (m_bmp) m_old = ::SelectObject(m_dc, m_bmp);
}

CMemDC::~CMemDC() {
    if (m_dc && m_old) ::SelectObject(m_dc, m_old);
    if (m_bmp) ::DeleteObject(m_bmp);
    if (m_dc) ::DeleteDC(m_dc);
}

}  // namespace mrvn::fw
