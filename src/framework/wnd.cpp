#include "framework/wnd.h"

#include <unordered_map>

#include "framework/winapp.h"

namespace mrvn::fw {

namespace {
using BindingTable = std::unordered_map<HWND, CWnd*>;
// The objects bound to this thread's windows. A table of the thread, not a window property: a
// property can be read by any process, and would hand out another process's addresses.
// Made with the thread's first binding and freed with its last. Only a plain pointer is
// thread_local: mingw's runtime frees a thread's thread_local storage before it runs their
// destructors, so a table destroyed at thread exit wrote into freed heap.
thread_local BindingTable* t_objects = nullptr;
// The object whose window of our own class is being created on this thread; its first message binds it.
thread_local CWnd* t_creating = nullptr;

bool OnThisThread(HWND hwnd) { return hwnd && ::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId(); }
}  // namespace

HINSTANCE ResourceInstance() {
    if (CWinApp* app = CWinApp::Current(); app && app->Instance()) return app->Instance();
    return ::GetModuleHandleW(nullptr);
}

ATOM RegisterWndClass(const wchar_t* name, UINT style, HBRUSH background, HICON icon, HCURSOR cursor) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    // GetClassInfoEx answers with the class atom.
    if (const BOOL atom = ::GetClassInfoExW(ResourceInstance(), name, &wc)) return ATOM(atom);
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = &CWnd::StaticWndProc;
    wc.hInstance = ResourceInstance();
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = cursor ? cursor : ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return ::RegisterClassExW(&wc);
}

bool IsDialogWindow(HWND hwnd) {
    wchar_t name[16] = {};
    return hwnd && ::GetClassNameW(hwnd, name, 16) && wcscmp(name, L"#32770") == 0;
}

CWnd::~CWnd() {
    if (!m_hWnd) return;
    HWND h = m_hWnd;
    const bool ownClass = m_bound && !m_oldProc;
    Unbind();
    // Nothing else can run a window of our own class: it goes with its object.
    if (ownClass && ::IsWindow(h)) ::DestroyWindow(h);
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!hwnd || !t_objects) return nullptr;
    const auto it = t_objects->find(hwnd);
    return it == t_objects->end() ? nullptr : it->second;
}

void CWnd::Bind(HWND hwnd) {
    if (!t_objects) t_objects = new BindingTable;
    m_hWnd = hwnd;
    (*t_objects)[hwnd] = this;
    m_bound = true;
}

void CWnd::Unbind() {
    if (!m_hWnd) return;
    if (m_bound) {
        if (t_objects) {
            const auto it = t_objects->find(m_hWnd);
            if (it != t_objects->end() && it->second == this) t_objects->erase(it);
            if (t_objects->empty()) {
                delete t_objects;
                t_objects = nullptr;
            }
        }
        if (m_oldProc && ::IsWindow(m_hWnd))
            ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
    }
    m_oldProc = nullptr;
    m_bound = false;
    m_hWnd = nullptr;
}

BOOL CWnd::Attach(HWND hwnd) {
    if (m_hWnd || !hwnd) return FALSE;
    m_hWnd = hwnd;  // held only: the table knows windows whose messages reach their object
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    Unbind();
    return h;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd || FromHandle(hwnd) || !OnThisThread(hwnd)) return FALSE;
    Bind(hwnd);
    PreSubclassWindow();
    m_oldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWndProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(int id, CWnd* parent) {
    if (!parent) return FALSE;
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, id));
}

HWND CWnd::UnsubclassWindow() { return Detach(); }

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, const RECT& rc,
                    HWND parent, int id, void* param) {
    if (m_hWnd) return FALSE;
    CREATESTRUCTW cs{};
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = text ? text : L"";
    cs.style = LONG(style);
    cs.x = rc.left;
    cs.y = rc.top;
    cs.cx = rc.right - rc.left;
    cs.cy = rc.bottom - rc.top;
    cs.hwndParent = parent;
    cs.hMenu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
    cs.hInstance = ResourceInstance();
    cs.lpCreateParams = param;
    if (!PreCreateWindow(cs)) return FALSE;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    const bool ownClass = ::GetClassInfoExW(cs.hInstance, cs.lpszClass, &wc) && wc.lpfnWndProc == &CWnd::StaticWndProc;
    CWnd* const outer = t_creating;
    if (ownClass) t_creating = this;
    HWND h = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, DWORD(cs.style), cs.x, cs.y, cs.cx, cs.cy,
                               cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    t_creating = outer;
    if (!h) return FALSE;  // a refused window has been through WM_NCDESTROY and is unbound
    if (ownClass) return TRUE;
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
    if (!self && t_creating && !t_creating->m_hWnd) {
        self = t_creating;
        t_creating = nullptr;
        self->Bind(hwnd);
    }
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
        Unbind();
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
    case WM_CREATE:
        return OnCreate(reinterpret_cast<CREATESTRUCTW*>(lParam));
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

}  // namespace mrvn::fw
