#include "gamewnd/win/placement.h"

#include <cwchar>

#include "gamewnd/tab_strip.h"

namespace mrvn::gamewnd {

namespace {

Placement DecidePlacement() {
    wchar_t forced[16] = {};
    if (::GetEnvironmentVariableW(L"MRVN_PLACEMENT", forced, 16) > 0) {
        if (std::wcscmp(forced, L"child") == 0) return Placement::Child;
        if (std::wcscmp(forced, L"overlay") == 0) return Placement::Overlay;
    }
    return RunningUnderWine() ? Placement::Overlay : Placement::Child;
}

// The page area in the coordinates MoveWindow takes for this strategy.
RECT PageAreaFor(HWND mainWnd, Placement placement) {
    RECT client{};
    ::GetClientRect(mainWnd, &client);
    const SkinRect a = PageArea({client.right - client.left, client.bottom - client.top});
    RECT r{a.left, a.top, a.right, a.bottom};
    if (placement == Placement::Overlay) ::MapWindowPoints(mainWnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Just above the main window: over it, but under what stands over it (its message boxes).
void Raise(HWND frame, HWND mainWnd) {
    HWND above = ::GetWindow(mainWnd, GW_HWNDPREV);
    if (above == frame) return;
    if (!above || (::GetWindowLongPtrW(above, GWL_EXSTYLE) & WS_EX_TOPMOST)) above = HWND_TOP;
    ::SetWindowPos(frame, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

}  // namespace

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

Placement CurrentPlacement() {
    static const Placement placement = DecidePlacement();
    return placement;
}

void AttachFrame(HWND frame, HWND mainWnd) {
    if (!::IsWindow(frame) || !::IsWindow(mainWnd)) return;
    if (CurrentPlacement() == Placement::Child) {
        // A child in style too, so that it takes client coordinates and clips with its parent.
        const LONG_PTR style = ::GetWindowLongPtrW(frame, GWL_STYLE);
        ::SetWindowLongPtrW(frame, GWL_STYLE, (style & ~LONG_PTR(WS_POPUP)) | WS_CHILD);
        ::SetParent(frame, mainWnd);
    } else {
        // Owned, not topmost: it must not stand over other programs' windows.
        ::SetWindowPos(frame, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ::SetWindowLongPtrW(frame, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(mainWnd));
    }
}

void DetachFrame(HWND frame) {
    if (!::IsWindow(frame)) return;
    // An overlay's owner cannot be changed from another process; hidden, it is out of the way.
    if (CurrentPlacement() == Placement::Child) ::SetParent(frame, nullptr);
    ::ShowWindow(frame, SW_HIDE);
}

void PlaceFrame(HWND frame, HWND mainWnd, bool repaint) {
    if (!::IsWindow(frame) || !::IsWindow(mainWnd)) return;
    const Placement placement = CurrentPlacement();
    const RECT r = PageAreaFor(mainWnd, placement);
    ::MoveWindow(frame, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint);
    if (placement == Placement::Overlay) Raise(frame, mainWnd);
}

void ShowFrame(HWND frame, HWND mainWnd) {
    if (!::IsWindow(frame)) return;
    PlaceFrame(frame, mainWnd, false);
    ::ShowWindow(frame, SW_SHOW);
    if (CurrentPlacement() == Placement::Overlay) Raise(frame, mainWnd);
}

void HideFrame(HWND frame) {
    if (::IsWindow(frame)) ::ShowWindow(frame, SW_HIDE);
}

void FollowMainWindow(HWND frame, HWND mainWnd, const WINDOWPOS& pos) {
    if (CurrentPlacement() != Placement::Overlay || !::IsWindow(frame) || !::IsWindowVisible(frame)) return;
    if (!(pos.flags & SWP_NOMOVE) || !(pos.flags & SWP_NOSIZE)) {
        PlaceFrame(frame, mainWnd, true);
    } else if (!(pos.flags & SWP_NOZORDER)) {
        Raise(frame, mainWnd);
    }
}

void FollowMainVisibility(HWND frame, HWND mainWnd, bool mainShown) {
    if (CurrentPlacement() != Placement::Overlay || !::IsWindow(frame)) return;
    if (mainShown) {
        ShowFrame(frame, mainWnd);
    } else {
        HideFrame(frame);
    }
}

}  // namespace mrvn::gamewnd
