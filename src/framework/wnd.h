// The least window framework the launcher's windows need. Its conventions:
//
// - Binding. A CWnd object is bound to at most one window, and a window to at most one object. The
//   binding lives in a table of the thread that made the window, so FromHandle answers only for
//   windows of this thread: a window of another process or thread is never bound, and a handle of
//   one is only ever held as a plain HWND (an owner, a target of messages).
// - Two ways in. Windows of the program's own classes (RegisterWndClass) are bound before their first
//   message, so WM_NCCREATE and WM_CREATE reach the object; windows of system classes (controls,
//   dialogs) are subclassed once they exist. Attach/Detach only hold a handle: no routing, no binding.
// - Who destroys. The code that creates a window destroys it; a parent's destruction takes its
//   children. WM_NCDESTROY unbinds the object and then calls PostNcDestroy, the last call the object
//   gets for that window. An object that dies before its window lets go of it first (the window then
//   runs on without it); a CDialog or CFrameWnd then also destroys its window.
// - Dispatch. One virtual WindowProc per class. Each case unpacks its message and calls one named
//   handler (OnSize, OnNcHitTest, ...); what a class does not handle goes to its base's WindowProc and
//   at the end to Default(). No exception leaves a window procedure.
// - One pump (pump.h) serves CWinApp::Run and every modal loop.
#pragma once
#include <windows.h>

#include <string>

namespace mrvn::fw {

HINSTANCE ResourceInstance();

// Registers a class of this program whose windows are bound before their first message. Returns
// the class name's atom (0 on failure); registering the same name again is harmless.
ATOM RegisterWndClass(const wchar_t* name, UINT style = CS_DBLCLKS, HBRUSH background = nullptr,
                      HICON icon = nullptr, HCURSOR cursor = nullptr);

// The dialog class of the system (#32770), for the keyboard handling of the pump.
bool IsDialogWindow(HWND hwnd);

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object bound to `hwnd`, or null: always null for a window of another process or thread.
    static CWnd* FromHandle(HWND hwnd);

    // Holds `hwnd` without routing its messages or binding it (FromHandle does not find it).
    // FALSE when this object holds a window already.
    BOOL Attach(HWND hwnd);
    // Lets go of the held window without touching it.
    HWND Detach();

    // Binds this object to an existing window of a system class and routes its messages here.
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(int id, CWnd* parent);
    HWND UnsubclassWindow();

    // Creates a window: one of our own classes is bound before its first message, a system class
    // is subclassed once it exists. PreCreateWindow may change the structure or refuse.
    BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, const RECT& rc,
                  HWND parent, int id, void* param = nullptr);
    BOOL DestroyWindow();

    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called by the pump for every message of which this window is the target or an ancestor of
    // the target; TRUE takes the message.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // An embedded control (a browser) whose PreTranslateMessage is its own accelerator handling:
    // the pump offers it a message only after the windows that host it, as the classic framework does.
    virtual bool FiltersAfterHosts() const { return false; }
    // Owner-drawn controls get their parent's WM_DRAWITEM here.
    virtual void DrawItem(DRAWITEMSTRUCT*) {}

    // The window procedure this object replaced (or DefWindowProc) for the current message.
    LRESULT Default();
    LRESULT DefWindowProcW(UINT msg, WPARAM wParam, LPARAM lParam);

    // Small conveniences over the handle.
    std::wstring GetWindowText() const;
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL ModifyStyle(DWORD remove, DWORD add) const;
    BOOL ModifyStyleEx(DWORD remove, DWORD add) const;
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)); }
    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

protected:
    // Before CreateWindowEx: class, styles, position may change here; FALSE refuses the creation.
    virtual BOOL PreCreateWindow(CREATESTRUCTW&) { return TRUE; }
    // WM_CREATE of a window of our own class: 0 goes on, -1 refuses the window.
    virtual int OnCreate(CREATESTRUCTW*) { return int(Default()); }
    virtual void PreSubclassWindow() {}
    // WM_COMMAND from a control or menu; TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // The last call for a window: it is already unbound.
    virtual void PostNcDestroy() {}

    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    // Removes the binding of this object from the thread's table and lets go of the handle.
    void Unbind();

    WNDPROC m_oldProc = nullptr;

private:
    friend ATOM RegisterWndClass(const wchar_t*, UINT, HBRUSH, HICON, HCURSOR);
    void Bind(HWND hwnd);
    struct Current {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    Current m_current{};
    bool m_bound = false;  // in the thread's table (not only holding the handle)
};

}  // namespace mrvn::fw
