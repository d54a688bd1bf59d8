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
    virtual int Run();
    virtual int ExitInstance() { return exitCode_; }
    // Gives a window the first look at each message of the loop; TRUE swallows it.
    // The default offers it to the window objects on the way to the target (tooltips, dialogs).
    virtual BOOL PreTranslateMessage(MSG* msg);

    HINSTANCE Instance() const { return instance_; }
    HWND m_pMainWnd = nullptr;

    static CWinApp* Current();
    // wWinMain's body: InitInstance, then Run when it succeeded, then ExitInstance.
    int Main(HINSTANCE instance);

protected:
    int exitCode_ = 0;

private:
    HINSTANCE instance_ = nullptr;
};

}  // namespace mrvn::fw
