#include "framework/pump.h"

#include "framework/winapp.h"
#include "framework/wnd.h"

namespace mrvn::fw {

namespace {

BOOL WalkPreTranslateTree(MSG* msg) {
    for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
        if (CWnd* w = CWnd::FromHandle(h); w && w->PreTranslateMessage(msg)) return TRUE;
        if (!(::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) break;  // owners are not ancestors
    }
    return FALSE;
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
