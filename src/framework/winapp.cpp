#include "framework/winapp.h"

#include "framework/wnd.h"

namespace mrvn::fw {

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Current() { return g_app; }

BOOL CWinApp::PreTranslateMessage(MSG* msg) { return WalkPreTranslate(msg); }

int CWinApp::Run() {
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        if (PreTranslateMessage(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (msg.message == WM_QUIT) exitCode_ = static_cast<int>(msg.wParam);
    return ExitInstance();
}

int CWinApp::Main(HINSTANCE instance) {
    instance_ = instance;
    if (InitInstance()) return Run();
    return ExitInstance();
}

}  // namespace mrvn::fw
