// Pieces every skinned window shares: rectangle conversion, the hover tracker, and the buffered
// paint (memory DC, the parent's skin under a child, one blit).
#pragma once
#include <windows.h>

#include "framework/controls.h"
#include "platform/win32/scoped.h"
#include "skin/skin_geometry.h"
#include "skin/win/skin_image.h"

namespace mrvn::skin {

inline RECT ToRect(const SkinRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
inline SkinRect ToSkin(const RECT& r) { return SkinRect{r.left, r.top, r.right, r.bottom}; }

enum class HoverChange { None, Entered, Left };

// Mouse-over state of a control: TrackMouseEvent with a 10 ms hover time on the first move, hover
// on WM_MOUSEHOVER, off on WM_MOUSELEAVE. What changed, so that the control repaints and updates
// its tip; messages other than those three change nothing.
HoverChange TrackHover(HWND hwnd, UINT msg, BOOL& tracking, BOOL& hover);

// Draws a w x h window into a memory DC, first with the parent's skin under it when asked, and
// copies the result to `target` in one blit. False when no memory DC could be made.
template <typename DrawFn>
bool PaintBuffered(HDC target, HWND self, int w, int h, bool parentBackground, DrawFn draw) {
    fw::CMemDC mem(target, w, h);
    if (!mem) return false;
    if (parentBackground) {
        win::ScopedSaveDc saved(mem.Dc());
        PaintParentBackground(self, mem.Dc());
    }
    draw(mem.Dc());
    ::BitBlt(target, 0, 0, w, h, mem.Dc(), 0, 0, SRCCOPY);
    return true;
}

}  // namespace mrvn::skin
