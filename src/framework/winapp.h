// The application object: the least of an application framework that the launcher uses.
#pragma once
#include <windows.h>

namespace mrvn::fw {

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // FALSE ends the process without a message loop; ExitInstance runs either way.
    virtual BOOL InitInstance() { return TRUE; }
    // The message loop of the process, through the one pump, until WM_QUIT.
    virtual int Run();
    virtual int ExitInstance() { return m_nExitCode; }
    // The first look at every message of every loop of the process; TRUE swallows it.
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

    HINSTANCE Instance() const { return m_hInstance; }
    HWND m_pMainWnd = nullptr;

    static CWinApp* Current();
    // wWinMain's body: InitInstance, then Run when it succeeded, then ExitInstance.
    int Main(HINSTANCE instance);

protected:
    int m_nExitCode = 0;

private:
    HINSTANCE m_hInstance = nullptr;
};

}  // namespace mrvn::fw
