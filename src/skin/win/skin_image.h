// Skin images as GDI bitmaps, the corner shape of skinned windows, the see-through paint of child
// controls, and DrawText measuring for the portable layout rules.
#pragma once
#include <windows.h>

#include <string>

#include "platform/text_measurer.h"

namespace Gdiplus {
class GpBitmap;
}

namespace mrvn::skin {

inline constexpr COLORREF kKeyColor = RGB(255, 0, 255);

// The decoders below need GDI+, which the application starts once for the process.

// Image resource `id` of `module` (a bitmap resource as it is, else the "PNG" resource with its
// alpha folded into the key colour and white); null when there is none. The caller owns the result.
HBITMAP LoadSkinImage(HMODULE module, int id);

// The "PNG" resource `id` of `module` as a 32-bit top-down DIB section with premultiplied alpha,
// as UpdateLayeredWindow takes it; null when there is none. The caller owns the result.
HBITMAP LoadPremultipliedImage(HMODULE module, int id, SIZE& size);

// A 32-bit bottom-up DIB section of a decoded ARGB image under the key-colour rule; null on failure.
HBITMAP ArgbToKeyedBitmap(Gdiplus::GpBitmap* image, COLORREF key);

// Any image file GDI+ decodes, drawn over white at its own size; width and height 0 on failure.
HBITMAP LoadImageFileOnWhite(const std::wstring& path, int& width, int& height);

// The window rectangle less the key pixels of the background's four 9 x 9 corner blocks.
HRGN MakeCornerRegion(HBITMAP background, int width, int height);

// Has the parent paint, into `memDc`, the part of its skin under `child`.
void PaintParentBackground(HWND child, HDC memDc);

// Width and height of a bitmap (0, 0 for null).
SIZE BitmapSize(HBITMAP bmp);

// DrawText in calculate mode on `dc` with whatever font is selected there.
class GdiTextMeasurer : public TextMeasurer {
public:
    explicit GdiTextMeasurer(HDC dc, UINT extraFlags = 0) : dc_(dc), flags_(extraFlags) {}
    TextExtent Measure(const std::wstring& text) override;

private:
    HDC dc_;
    UINT flags_;
};

}  // namespace mrvn::skin
