#include "platform/win32/scoped.h"

// gdiplus.h wants min and max from the Windows headers' old macros.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

namespace mrvn::win {

bool ScopedGdiplus::Start() {
    if (token_) return true;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
    return token_ != 0;
}

void ScopedGdiplus::Stop() {
    if (token_) Gdiplus::GdiplusShutdown(token_);
    token_ = 0;
}

}  // namespace mrvn::win
