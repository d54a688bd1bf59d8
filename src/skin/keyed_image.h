// Key-colour conversion of decoded images and the corner shape of skinned windows.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "skin/skin_geometry.h"

namespace mrvn {

// A COLORREF (0x00BBGGRR) as the double word of a 32-bit DIB pixel (0x00RRGGBB, fourth byte 0).
uint32_t DibPixelOf(uint32_t colorRef);

// One colour channel of a partly transparent pixel, composed over white in integer arithmetic.
uint8_t BlendOverWhite(uint8_t channel, uint8_t alpha);

// The pixel rule of ArgbToKeyedBitmap. `argb` holds width x height 32bpp ARGB pixels (0xAARRGGBB),
// top row first, as GDI+ locks them; `dib` receives the bottom-up DIB rows with the fourth byte 0:
// alpha 255 keeps the colour, alpha 0 becomes the key colour, anything else is blended over white.
// False, with `dib` empty, for an empty image or a pixel array too short for it.
bool ArgbToKeyedPixels(const std::vector<uint32_t>& argb, int width, int height, uint32_t keyColorRef,
                       std::vector<uint32_t>& dib);

// Answers whether bitmap pixel (x, y) is the key colour; only called inside the bitmap.
using KeyPixelTest = std::function<bool(int x, int y)>;

// The pixels that MakeCornerRegion cuts out of the window rectangle (0, 0, W, H): the key pixels of
// the background's four 9 x 9 corner blocks, each mapped onto the same corner of the window.
// Sorted, without repeats, and only those inside the window (cutting outside it changes nothing).
std::vector<SkinPoint> CornerRegionHoles(int bitmapWidth, int bitmapHeight, int windowWidth, int windowHeight,
                                         const KeyPixelTest& isKey);

}  // namespace mrvn
