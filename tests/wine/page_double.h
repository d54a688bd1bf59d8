// The page-process double's side of the conversation with a test: its window class and what it
// answers. Shared by tests/wine/page_double.cpp and the main window tests.
#pragma once
#include <windows.h>

namespace mrvn::wt {

// A hidden top-level window of this class stands for each double; its title is "page <pid>".
inline constexpr wchar_t kDoubleClass[] = L"MrvnPageDouble";
inline constexpr wchar_t kDoubleFrameClass[] = L"MrvnPageDoubleFrame";

// WM_COPYDATA to the control window, dwData:
inline constexpr ULONG_PTR kDoubleLogin = 1;        // lpData the label; answers the main window's answer
inline constexpr ULONG_PTR kDoubleLoginAnon = 2;    // the same with wParam 0 (the sender unnamed)
inline constexpr ULONG_PTR kDoubleLabelOnly = 3;    // only the label: the page never gets its frame
// Posted to the control window:
inline constexpr UINT kDoubleCancel = WM_APP + 2;   // the login is cancelled: SC_CLOSE 6825, then the end
inline constexpr UINT kDoubleDie = WM_APP + 3;      // the process ends at once, as in a crash
// Sent to the control window; wParam one of the questions below.
inline constexpr UINT kDoubleQuery = WM_APP + 1;
enum DoubleQuestion : WPARAM {
    kAskFrame = 0,
    kAskMuteCount,
    kAskLastMute,
    kAskReloadCount,
    kAskF5Count,
    kAskCtrlDCount,
    kAskPriorityClass,
    kAskForwardedKeys,
    kAskColour,
    kAskMutedCount,    // WM_SET_MUTE messages that said "sound off"
    kAskLastF5LParam,  // the lParam of the last F5
    kAskKeyDownCount,  // key-downs (plain and system) that reached the frame
};

}  // namespace mrvn::wt
