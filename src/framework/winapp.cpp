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
    m_nExitCode = code;
    return ExitInstance();
}

int CWinApp::Main(HINSTANCE instance) {
    m_hInstance = instance;
    if (InitInstance()) return Run();
    return ExitInstance();
}

}  // namespace mrvn::fw
