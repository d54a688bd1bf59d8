#include "web/scroll_rule.h"

namespace mrvn::web {

ScrollBars ChooseScrollBars(const std::wstring& bodyScroll, bool hostNoScroll, int docWidth, int docHeight,
                            int viewWidth, int viewHeight, int barSize) {
    ScrollBars bars;
    const bool always = bodyScroll == L"yes";
    const bool allowed = bodyScroll != L"no" && (always || bodyScroll == L"auto" || !hostNoScroll);
    if (!allowed) return bars;
    bars.vertical = always || docHeight > viewHeight;
    bars.horizontal = docWidth > viewWidth - (bars.vertical ? barSize : 0);
    if (!bars.vertical && bars.horizontal) bars.vertical = docHeight > viewHeight - barSize;
    return bars;
}

}  // namespace mrvn::web

namespace mrvn::web {

int WheelAccumulator::Take(int delta, int pixelsPerNotch) {
    constexpr long long kNotch = 120;
    if ((delta > 0 && rest_ < 0) || (delta < 0 && rest_ > 0)) rest_ = 0;
    rest_ += static_cast<long long>(delta) * pixelsPerNotch;
    const long long pixels = rest_ / kNotch;  // towards zero: the rest keeps the sign of the turn
    rest_ -= pixels * kNotch;
    return static_cast<int>(pixels);
}

}  // namespace mrvn::web
