// The one message pump of the program: CWinApp::Run and every modal loop go through it, so that a
// message meets the same hands in the same order wherever it is pumped.
#pragma once
#include <windows.h>

#include <functional>

namespace mrvn::fw {

// Offers `msg`, in this order, to the application's PreTranslateMessage, to the window objects from
// the target outward to its top-level window, then to an embedded control passed on the way (its own
// accelerators come after the windows that host it), and to the keyboard handling of the dialog that
// holds the target. TRUE when one of them took it.
BOOL PreTranslate(MSG* msg);

// Waits for one message and hands it on. False on WM_QUIT (its code in `quitCode`) or on error.
bool PumpMessage(int* quitCode = nullptr);

// Pumps until `done` says so. False when WM_QUIT came first: it is posted again, so that every loop
// outside this one ends too, down to CWinApp::Run.
bool RunModalLoop(const std::function<bool()>& done);

}  // namespace mrvn::fw
