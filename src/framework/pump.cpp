#include "framework/pump.h"

#include "framework/winapp.h"
#include "framework/wnd.h"

namespace mrvn::fw {

namespace {

// An embedded control on the way (the innermost one) is passed over, and offered the message only
// after every window that hosts it declined: the hosts' key rules come before its accelerators.
BOOL WalkPreTranslateTree(MSG* msg) {
    HWND control = nullptr;
    for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
        if (CWnd* w = CWnd::FromHandle(h)) {
            if (w->FiltersAfterHosts()) {
                if (!control) control = h;
            } else if (w->PreTranslateMessage(msg)) {
                return TRUE;
            }
        }
        if (!(::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) break;  // owners are not ancestors
    }
    // A host's rule may have closed the page: the control is asked only if it is still there.
    if (!control) return FALSE;
    CWnd* w = CWnd::FromHandle(control);
    return w && w->FiltersAfterHosts() && w->PreTranslateMessage(msg);
}

BOOL DialogKeyboard(MSG* msg) {
    if (!msg->hwnd) return FALSE;
    HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
    return IsDialogWindow(root) && ::IsDialogMessageW(root, msg);
}

}  // namespace

BOOL PreTranslate(MSG* msg) {
    if (!msg) return FALSE;
    if (CWinApp* app = CWinApp::Current(); app && app->PreTranslateMessage(msg)) return TRUE;
    if (WalkPreTranslateTree(msg)) return TRUE;
    return DialogKeyboard(msg);
}

bool PumpMessage(int* quitCode) {
    MSG msg;
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
        if (quitCode) *quitCode = int(msg.wParam);
        return false;
    }
    if (got == -1) return false;
    if (!PreTranslate(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return true;
}

bool RunModalLoop(const std::function<bool()>& done) {
    while (!done()) {
        int code = 0;
        if (!PumpMessage(&code)) {
            ::PostQuitMessage(code);
            return false;
        }
    }
    return true;
}

}  // namespace mrvn::fw
