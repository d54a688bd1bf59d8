#include "skin/win/skin_image.h"

#include <objidl.h>
// gdiplus.h wants min and max from the Windows headers' old macros.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <cstdlib>
#include <vector>

#include "skin/dlg_frame.h"
#include "skin/keyed_image.h"

namespace mrvn::skin {

namespace gp = Gdiplus::DllExports;

namespace {

HBITMAP CreateDib32(int width, int height, void** bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;  // bottom-up
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC screen = ::GetDC(nullptr);
    HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
    ::ReleaseDC(nullptr, screen);
    return bmp;
}

Gdiplus::GpBitmap* DecodePngResource(HMODULE module, int id, IStream** streamOut) {
    *streamOut = nullptr;
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
    if (!res) return nullptr;
    HGLOBAL data = ::LoadResource(module, res);
    const DWORD size = ::SizeofResource(module, res);
    const void* bytes = data ? ::LockResource(data) : nullptr;
    if (!bytes || size == 0) return nullptr;
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream)) || !stream) return nullptr;
    ULONG written = 0;
    Gdiplus::GpBitmap* image = nullptr;
    if (SUCCEEDED(stream->Write(bytes, size, &written)) && written == size) {
        LARGE_INTEGER zero{};
        stream->Seek(zero, STREAM_SEEK_SET, nullptr);
        if (gp::GdipCreateBitmapFromStream(stream, &image) != Gdiplus::Ok) image = nullptr;
    }
    *streamOut = stream;
    return image;
}

}  // namespace

SIZE BitmapSize(HBITMAP bmp) {
    BITMAP bm{};
    if (!bmp || !::GetObjectW(bmp, sizeof(bm), &bm)) return {0, 0};
    return {bm.bmWidth, bm.bmHeight};
}

HBITMAP ArgbToKeyedBitmap(Gdiplus::GpBitmap* image, COLORREF key) {
    if (!image) return nullptr;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(image, &w);
    gp::GdipGetImageHeight(image, &h);
    if (w == 0 || h == 0) return nullptr;
    void* bits = nullptr;
    HBITMAP dib = CreateDib32(int(w), int(h), &bits);
    if (!dib) return nullptr;
    Gdiplus::GpRect rect(0, 0, int(w), int(h));
    Gdiplus::BitmapData locked{};
    if (gp::GdipBitmapLockBits(image, &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &locked) !=
            Gdiplus::Ok ||
        !locked.Scan0) {
        ::DeleteObject(dib);
        return nullptr;
    }
    std::vector<uint32_t> argb(size_t(w) * h);
    for (UINT y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const BYTE*>(locked.Scan0) +
                                                            ptrdiff_t(y) * locked.Stride);
        std::copy(row, row + w, argb.begin() + ptrdiff_t(y) * w);
    }
    gp::GdipBitmapUnlockBits(image, &locked);
    std::vector<uint32_t> out;
    if (!ArgbToKeyedPixels(argb, int(w), int(h), key, out)) {
        ::DeleteObject(dib);
        return nullptr;
    }
    std::copy(out.begin(), out.end(), static_cast<uint32_t*>(bits));
    ::GdiFlush();
    return dib;
}

HBITMAP LoadSkinImage(HMODULE module, int id) {
    if (!module) return nullptr;
    if (HBITMAP plain = ::LoadBitmapW(module, MAKEINTRESOURCEW(id))) return plain;
    IStream* stream = nullptr;
    Gdiplus::GpBitmap* image = DecodePngResource(module, id, &stream);
    HBITMAP result = nullptr;
    if (image) {
        result = ArgbToKeyedBitmap(image, kKeyColor);
        if (!result && gp::GdipCreateHBITMAPFromBitmap(image, &result, 0xFFFF00FF) != Gdiplus::Ok) result = nullptr;
        gp::GdipDisposeImage(image);
    }
    if (stream) stream->Release();
    return result;
}

HBITMAP LoadPremultipliedImage(HMODULE module, int id, SIZE& size) {
    size = {0, 0};
    if (!module) return nullptr;
    IStream* stream = nullptr;
    Gdiplus::GpBitmap* image = DecodePngResource(module, id, &stream);
    HBITMAP dib = nullptr;
    UINT w = 0, h = 0;
    if (image) {
        gp::GdipGetImageWidth(image, &w);
        gp::GdipGetImageHeight(image, &h);
    }
    void* bits = nullptr;
    if (w && h) dib = CreateDib32(int(w), -int(h), &bits);
    if (dib) {
        Gdiplus::GpRect rect(0, 0, int(w), int(h));
        Gdiplus::BitmapData locked{};
        if (gp::GdipBitmapLockBits(image, &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &locked) ==
                Gdiplus::Ok &&
            locked.Scan0) {
            for (UINT y = 0; y < h; ++y) {
                const auto* row = static_cast<const BYTE*>(locked.Scan0) + ptrdiff_t(y) * locked.Stride;
                std::copy(row, row + size_t(w) * 4, static_cast<BYTE*>(bits) + size_t(y) * w * 4);
            }
            gp::GdipBitmapUnlockBits(image, &locked);
            ::GdiFlush();
            size = {LONG(w), LONG(h)};
        } else {
            ::DeleteObject(dib);
            dib = nullptr;
        }
    }
    if (image) gp::GdipDisposeImage(image);
    if (stream) stream->Release();
    return dib;
}

HBITMAP LoadImageFileOnWhite(const std::wstring& path, int& width, int& height) {
    width = height = 0;
    Gdiplus::GpImage* image = nullptr;
    if (gp::GdipLoadImageFromFile(path.c_str(), &image) != Gdiplus::Ok || !image) return nullptr;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(image, &w);
    gp::GdipGetImageHeight(image, &h);
    HBITMAP dib = nullptr;
    void* bits = nullptr;
    if (w && h) dib = CreateDib32(int(w), int(h), &bits);
    if (dib) {
        width = int(w);
        height = int(h);
        HDC screen = ::GetDC(nullptr);
        HDC mem = ::CreateCompatibleDC(screen);
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ old = ::SelectObject(mem, dib);
        RECT all{0, 0, width, height};
        ::FillRect(mem, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        Gdiplus::GpGraphics* g = nullptr;
        if (gp::GdipCreateFromHDC(mem, &g) == Gdiplus::Ok && g) {
            gp::GdipDrawImageRectI(g, image, 0, 0, width, height);
            gp::GdipDeleteGraphics(g);
        }
        ::SelectObject(mem, old);
        ::DeleteDC(mem);
    }
    gp::GdipDisposeImage(image);
    return dib;
}

HRGN MakeCornerRegion(HBITMAP background, int width, int height) {
    HRGN rgn = ::CreateRectRgn(0, 0, width, height);
    const SIZE bs = BitmapSize(background);
    if (!rgn || bs.cx == 0) return rgn;
    HDC mem = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(mem, background);
    const auto isKey = [mem](int x, int y) { return ::GetPixel(mem, x, y) == kKeyColor; };
    for (const SkinPoint& p : CornerRegionHoles(bs.cx, bs.cy, width, height, isKey)) {
        HRGN dot = ::CreateRectRgn(p.x, p.y, p.x + 1, p.y + 1);
        ::CombineRgn(rgn, rgn, dot, RGN_DIFF);
        ::DeleteObject(dot);
    }
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    return rgn;
}

void PaintParentBackground(HWND child, HDC memDc) {
    HWND parent = ::GetParent(child);
    if (!parent) return;
    RECT rc{}, rp{};
    ::GetWindowRect(child, &rc);
    ::GetWindowRect(parent, &rp);
    const SkinPoint d = ParentPaintOffset({rc.left, rc.top, rc.right, rc.bottom}, {rp.left, rp.top, rp.right, rp.bottom});
    ::SetWindowOrgEx(memDc, d.x, d.y, nullptr);
    ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memDc), 0);
    // The shifted viewport cancels the shifted window origin: logical and device coordinates agree again.
    ::SetViewportOrgEx(memDc, d.x, d.y, nullptr);
}

TextExtent GdiTextMeasurer::Measure(const std::wstring& text) {
    RECT r{0, 0, 0, 0};
    ::DrawTextW(dc_, text.c_str(), int(text.size()), &r, DT_CALCRECT | flags_);
    return {r.right - r.left, r.bottom - r.top};
}

}  // namespace mrvn::skin
