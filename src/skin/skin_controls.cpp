#include "skin/skin_controls.h"

#include <algorithm>
#include <cstdint>

namespace mrvn {

namespace {

constexpr uint32_t kDtWordBreak = 0x10;
constexpr uint32_t kDtCenterWordVCenter = 0x15;  // DT_WORDBREAK | DT_VCENTER | DT_CENTER
constexpr uint32_t kDtRightWord = 0x12;          // DT_WORDBREAK | DT_RIGHT
constexpr uint32_t kDtEndEllipsis = 0x8000;
constexpr uint32_t kDtPathEllipsisSingle = 0x4020;  // DT_PATH_ELLIPSIS | DT_SINGLELINE
constexpr uint32_t kDtVCenterSingle = 0x24;         // DT_VCENTER | DT_SINGLELINE

constexpr int kImageGap = 6;  // between the image and the text
constexpr int kProbeChars = 11;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

SkinSize StripFrameSize(const SkinSize& strip, int frames) {
    if (frames <= 0) return {};
    return {strip.width / frames, strip.height};
}

SkinRect StripFrameRect(const SkinSize& strip, int index, int frames) {
    const SkinSize f = StripFrameSize(strip, frames);
    return RectXywh(index * f.width, 0, f.width, f.height);
}

ButtonFrame ChooseButtonFrame(const ButtonDrawState& state, bool& pressedLatch) {
    if (state.disabled) return FrameDisabled;
    if (state.selected || pressedLatch) {
        pressedLatch = true;
        return FramePressed;
    }
    return state.hover ? FrameHover : FrameNormal;
}

uint32_t StaticTextFlags(uint32_t style) {
    uint32_t flags = kDtWordBreak;
    const uint32_t type = style & kSsTypeMask;
    if (type == kSsCenter)
        flags = kDtCenterWordVCenter;
    else if (type == kSsRight)
        flags = kDtRightWord;
    // The ellipsis styles share one two-bit field; word ellipsis (both bits) adds nothing here.
    const uint32_t ellipsis = style & kSsEllipsisMask;
    if (ellipsis == kSsEndEllipsis) flags |= kDtEndEllipsis;
    if (ellipsis == kSsPathEllipsis) flags |= kDtPathEllipsisSingle;
    if (style & kSsCenterImage) flags |= kDtVCenterSingle;
    return flags;
}

FontSpec ApplyFontOverrides(FontSpec base, const StaticFontOverrides& o) {
    if (o.fontHeight != 0) base.height = o.fontHeight;
    if (o.fontWeight != -1) base.weight = o.fontWeight;
    if (o.fontWidth != 0) base.width = o.fontWidth;
    if (o.underline) base.underline = true;
    return base;
}

SkinPoint StaticImagePosition(int controlHeight, int imageHeight) { return {3, (controlHeight - imageHeight) / 2}; }

uint32_t StaticTextColor(uint32_t textColor, uint32_t hoverColor, bool hoverColorOn, bool hover) {
    return hoverColorOn && hover ? hoverColor : textColor;
}

std::wstring StaticWidthProbe() {
    std::wstring probe = L"测试用汉字来获取宽度";
    probe.push_back(L'\0');
    return probe;
}

StaticTextLayout LayoutStaticText(const std::wstring& text, const SkinRect& client, int imageWidth, int lineSpacing,
                                  TextMeasurer& measurer) {
    StaticTextLayout layout;
    SkinRect r = client;
    if (imageWidth > 0) r.left += imageWidth + kImageGap;
    const TextExtent probe = measurer.Measure(StaticWidthProbe());
    const int ph = probe.height;
    layout.lineHeight = ph;
    r.bottom = r.top + ph;
    if (r.Width() < probe.width / kProbeChars) return layout;
    layout.drawn = true;

    std::wstring line;
    const auto endLine = [&] {
        layout.lines.push_back({line, r});
        r.top += ph + lineSpacing;
        r.bottom += ph + lineSpacing;
        line.clear();
    };
    size_t i = 0;
    while (i < text.size()) {
        const wchar_t c = text[i];
        if (c == L'\r') {
            ++i;
            continue;
        }
        if (c == L'\n') {
            endLine();
            ++i;
            continue;
        }
        const size_t len = IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]) ? 2 : 1;
        std::wstring candidate = line + text.substr(i, len);
        // An empty line takes the character even when it is too wide, or the walk would never end.
        if (!line.empty() && measurer.Measure(candidate).width > r.Width()) {
            endLine();
            continue;  // the same character starts the next line
        }
        line = std::move(candidate);
        i += len;
    }
    layout.lines.push_back({line, r});
    const int count = int(layout.lines.size());
    layout.neededHeight = ph + (count - 1) * (ph + lineSpacing);
    return layout;
}

int GrownStaticHeight(int currentHeight, const StaticTextLayout& layout) {
    if (!layout.drawn) return currentHeight;
    return std::max(currentHeight, layout.neededHeight);
}

SkinRect ProgressBarRect(const SkinSize& track, const SkinSize& bar) {
    const int left = (track.width - bar.width) / 2;
    const int top = (track.height - bar.height) / 2;
    return {left, top, left + bar.width, top + bar.height};
}

std::vector<BarColumns> ProgressBarColumns(const SkinRect& bar, int lower, int upper, int pos) {
    std::vector<BarColumns> out;
    // A range may span every int (PBM_SETRANGE32): differences are taken in 64 bits, and the
    // length is clamped before it becomes an int again.
    const int64_t range = int64_t{upper} - lower;
    const int full = bar.Width();
    if (range <= 0 || full <= 0) return out;
    const int filled = int(std::clamp(double(full) / double(range) * double(int64_t{pos} - lower), 0.0, double(full)));
    const int half = filled / 2;
    const int rest = filled - half;
    if (half > 0) out.push_back({RectXywh(bar.left, bar.top, half, bar.Height()), 0});
    if (rest > 0) out.push_back({RectXywh(bar.left + half, bar.top, rest, bar.Height()), full - rest});
    return out;
}

}  // namespace mrvn
