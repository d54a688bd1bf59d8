// The built-in page engine on the login page, side by side: the page with a 1 x 1 tiled background
// against the same page with a plain one, taken in turn, each figure the median of RUNS:
//   - from Navigate2 to the page's first paint (the page and its image fetched, laid out, painted);
//   - one repaint of the whole 888 x 518 view.
//   page_bench RUNS WWWDIR BASEURL   (writes WWWDIR\tile.png; BASEURL serves login_plain.html,
//                                     login_tiled.html and tile.png from WWWDIR)
#include <windows.h>
#include <objidl.h>
#include <shellapi.h>
// gdiplus.h wants min and max from the Windows headers' old macros.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/frame.h"
#include "platform/win32/scoped.h"
#include "web/win/page_view.h"

namespace {

namespace gp = Gdiplus::DllExports;
using Clock = std::chrono::steady_clock;

class BenchView : public mrvn::web::CWebPageView {
public:
    int completes = 0;
    void OnGetHostInfo(DWORD* flags) override { *flags = mrvn::web::kHostFlagScrollNo | mrvn::web::kHostFlagDialog; }
    void OnNavigateComplete2(const std::wstring&) override { ++completes; }
};

bool PumpUntil(const BenchView& view, int completes) {
    const auto end = Clock::now() + std::chrono::seconds(60);
    while (view.completes < completes) {
        if (Clock::now() > end) return false;
        MSG msg;
        if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0) continue;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}

bool WriteTile(const std::wstring& path) {
    static const CLSID kPng = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    Gdiplus::GpBitmap* bmp = nullptr;
    if (gp::GdipCreateBitmapFromScan0(1, 1, 0, PixelFormat32bppARGB, nullptr, &bmp) != Gdiplus::Ok) return false;
    gp::GdipBitmapSetPixel(bmp, 0, 0, 0xFFE8EEF4);
    const bool ok = gp::GdipSaveImageToFile(bmp, path.c_str(), &kPng, nullptr) == Gdiplus::Ok;
    gp::GdipDisposeImage(bmp);
    return ok;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || argc < 4) {
        std::fprintf(stderr, "usage: page_bench RUNS WWWDIR BASEURL\n");
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[1]));
    const std::wstring www = argv[2], base = argv[3];
    _putenv("MRVN_WEB_ENGINE=builtin");
    mrvn::win::ScopedOleInit ole;
    mrvn::win::ScopedGdiplus gdiplus;
    if (!ole.Start() || !gdiplus.Start() || !WriteTile(www + L"\\tile.png")) {
        std::fprintf(stderr, "page_bench: no OLE, GDI+ or tile\n");
        return 1;
    }
    BenchView view;
    mrvn::fw::CFrameWnd frame;
    if (!frame.LoadFrame(L"page_bench", WS_POPUP | WS_VISIBLE, RECT{0, 0, 888, 518}, nullptr, &view) ||
        !view.Browser()) {
        std::fprintf(stderr, "page_bench: no view\n");
        return 1;
    }
    HWND engine = view.Browser()->Window();
    const wchar_t* pages[2] = {L"login_tiled.html", L"login_plain.html"};
    std::vector<double> firstPaint[2], repaint[2];
    for (int r = 0; r < runs; ++r) {
        for (int p = 0; p < 2; ++p) {
            const int before = view.completes;
            const auto t0 = Clock::now();
            view.Navigate2(base + L"/" + pages[p]);
            if (!PumpUntil(view, before + 1)) {
                std::fprintf(stderr, "page_bench: %ls never completed\n", pages[p]);
                return 1;
            }
            ::UpdateWindow(engine);
            firstPaint[p].push_back(Ms(Clock::now() - t0));
            std::vector<double> each;
            for (int i = 0; i < 5; ++i) {
                const auto t1 = Clock::now();
                ::RedrawWindow(engine, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                each.push_back(Ms(Clock::now() - t1));
            }
            repaint[p].push_back(Median(each));
        }
    }
    const double f0 = Median(firstPaint[0]), f1 = Median(firstPaint[1]);
    const double r0 = Median(repaint[0]), r1 = Median(repaint[1]);
    std::printf("login page fetched to first paint, median of %d: 1x1 tiled background %.1f ms, plain %.1f ms\n",
                runs, f0, f1);
    std::printf("ratio fetched to first paint tiled / plain: %.2f\n", f0 / f1);
    std::printf("repaint of the 888x518 login page, median of %d: 1x1 tiled background %.2f ms, plain %.2f ms\n",
                runs, r0, r1);
    std::printf("ratio repaint tiled / plain: %.2f\n", r0 / r1);
    frame.DestroyWindow();
    ::LocalFree(argv);
    return 0;
}
