#include "framework/winapp.h"

#include "framework/pump.h"

namespace mrvn::fw {

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Current() { return g_app; }

int CWinApp::Run() {
    int code = 0;
    while (PumpMessage(&code)) {
    }
    exitCode_ = code;
    return ExitInstance();
}

int CWinApp::Main(HINSTANCE instance) {
    instance_ = instance;
    if (InitInstance()) return Run();
    return ExitInstance();
}

}  // namespace mrvn::fw
