#include "gamewnd/tab_strip.h"

#include <algorithm>
#include <vector>

namespace mrvn {

namespace {

constexpr int kPageInset = 4;
constexpr int kMinimumBase = 483;
constexpr int kMinimumHeight = 260;

bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

SkinRect TabRect(int index) {
    const int left = kStripLeft + kTabWidth * index;
    return {left, kTabTop, left + kTabWidth, kTabBottom};
}

SkinRect TabCloseRect(int index) {
    const int right = kStripLeft + kTabWidth * (index + 1);
    return {right - kCloseBoxSize, kTabTop, right, kTabTop + kCloseBoxSize};
}

SkinRect TabLabelRect(int index) {
    const int left = kStripLeft + kTabWidth * index + kLabelInset;
    return {left, 8, left + kLabelWidth, 22};
}

SkinRect StripRect(int tabs) { return {kStripLeft, kTabTop, kStripLeft + kTabWidth * std::max(tabs, 0), kTabBottom}; }

StripHit HitTestStrip(SkinPoint p, int tabs) {
    if (!(p.x > kStripLeft && p.x < kStripLeft + kTabWidth * tabs && p.y >= kTabTop && p.y < kTabBottom)) return {};
    const int tab = (p.x - kStripLeft) / kTabWidth;
    const SkinRect box = TabCloseRect(tab);
    return {tab, p.x >= box.left && p.x < box.right && p.y < kCloseHitBottom};
}

std::wstring CutTabLabel(const std::wstring& label, TextMeasurer& measurer) {
    if (measurer.Measure(label).width <= kLabelWidth) return label;
    std::vector<size_t> cuts;  // prefix lengths that keep surrogate pairs whole
    for (size_t i = 1; i < label.size(); ++i) {
        if (!IsLowSurrogate(label[i])) cuts.push_back(i);
    }
    // Widths grow with the prefix, so the longest prefix that fits is found by halving.
    const auto end = std::partition_point(cuts.begin(), cuts.end(), [&](size_t n) {
        return measurer.Measure(label.substr(0, n)).width <= kLabelWidth;
    });
    return end == cuts.begin() ? std::wstring() : label.substr(0, *(end - 1));
}

TitleBarLayout LayoutTitleBar(int w) {
    return {RectXywh(w - 114, 0, 27, 27), RectXywh(w - 141, 0, 27, 27), RectXywh(w - 185, 0, 44, 28),
            RectXywh(w - 264, 0, 79, 28), RectXywh(w - 360, 7, 92, 16)};
}

TitleBarWidth::Change TitleBarWidth::OnSize(int clientWidth, bool controlsExist, int osMajorVersion) {
    Change change;
    if (clientWidth != previous_ && controlsExist) {
        change.relayout = true;
        change.repaintCorner = osMajorVersion < 6 && clientWidth < previous_;
    }
    previous_ = clientWidth;
    return change;
}

SkinRect CornerRepaintRect(const SkinRect& window) {
    return {window.right - 4, window.top, window.right, window.top + 4};
}

SkinRect PageArea(SkinSize client) {
    const int width = std::max(client.width - 2 * kPageInset, 0);
    const int height = std::max(client.height - kCaptionHeight - kPageInset, 0);
    return RectXywh(kPageInset, kCaptionHeight, width, height);
}

SkinSize MinimumWindowSize(int pages) {
    if (pages <= 0) return {};
    return {kMinimumBase + kTabWidth * pages, kMinimumHeight};
}

SizeClamp ClampWindowSize(int cx, int cy, int pages) {
    const SkinSize min = MinimumWindowSize(pages);
    if (cx >= min.width && cy >= min.height) return {false, cx, cy};
    return {true, std::max(cx, min.width), std::max(cy, min.height)};
}

}  // namespace mrvn
