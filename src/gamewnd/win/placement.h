// Where a page frame of another process stands inside the main window. Every move, show, hide and
// re-parenting of a page or hall frame goes through here, from the main window and from the page.
//
// Two strategies, chosen once per process:
// - child: the frame becomes a child of the main window (SetParent), in client coordinates, and
//   hides with its parent. The default on Windows.
// - overlay: the frame stays a top-level window owned by the main window, kept over the page area
//   in screen coordinates and raised above the main window on every placement and whenever the
//   main window's z-order changes. Wine never draws a child window of another process, so this is
//   the default there; owner/owned order across processes is not reliable, hence the raising.
// The environment variable MRVN_PLACEMENT ("child" or "overlay") forces one; only tests set it.
#pragma once
#include <windows.h>

namespace mrvn::gamewnd {

enum class Placement { Child, Overlay };

// The strategy of this process (decided at the first call).
Placement CurrentPlacement();
// Running under Wine (ntdll exports wine_get_version).
bool RunningUnderWine();

// The page side, once its frame exists: joins the frame to the main window.
void AttachFrame(HWND frame, HWND mainWnd);
// Lets the frame go before it is closed (a closed tab, the end of the main window).
void DetachFrame(HWND frame);

// Moves the frame onto the main window's page area (and, as overlay, above the main window).
void PlaceFrame(HWND frame, HWND mainWnd, bool repaint);
// Places and shows it.
void ShowFrame(HWND frame, HWND mainWnd);
void HideFrame(HWND frame);

// The main window moved, resized or changed its z-order: the overlay follows.
void FollowMainWindow(HWND frame, HWND mainWnd, const WINDOWPOS& pos);
// The main window was hidden or minimised (false) or came back (true): an overlay is not hidden
// with its owner by the system, so it goes and comes here.
void FollowMainVisibility(HWND frame, HWND mainWnd, bool mainShown);

}  // namespace mrvn::gamewnd
