#include "skin/dlg_frame.h"

#include <algorithm>
#include <cstdlib>

namespace mrvn {

namespace {

constexpr int kTopResizeBand = 3;  // fixed, whatever the border width

struct PlanBuilder {
    int bw, bh;
    std::vector<BlitOp> ops;

    void Copy(int dx, int dy, int w, int h, int sx, int sy) {
        // Only what lies inside the image can be copied; trim the destination alike.
        const int l = std::max(sx, 0), t = std::max(sy, 0);
        const int r = std::min(sx + w, bw), b = std::min(sy + h, bh);
        if (r <= l || b <= t) return;
        ops.push_back({BlitKind::Copy, RectXywh(dx + l - sx, dy + t - sy, r - l, b - t), {l, t, r, b}});
    }
    void Stretch(int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) {
        if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
        ops.push_back({BlitKind::Stretch, RectXywh(dx, dy, dw, dh), RectXywh(sx, sy, sw, sh)});
    }
};

}  // namespace

const wchar_t* MaximizeTip(bool maximized) { return maximized ? L"还原" : L"最大化"; }

uint32_t FramelessStyle(uint32_t style) { return (style & ~0x00C00080u) | 0x00020000u; }
uint32_t FramelessExStyle(uint32_t exStyle) { return exStyle & ~0x101u; }

SkinPoint ParentPaintOffset(const SkinRect& child, const SkinRect& parent) {
    return {child.left - parent.left, child.top - parent.top};
}

std::vector<BlitOp> BackgroundBlitPlan(int bw, int bh, int W, int H, int B, int C, bool stretchSkin) {
    PlanBuilder p{bw, bh, {}};
    if (stretchSkin && C < 0) {
        p.Copy(0, 0, B, B, 0, 0);
        p.Copy(W - B, 0, B, B, bw - B, 0);
        p.Stretch(B, 0, W - 2 * B, B, B, 0, bw - 2 * B, B);
        p.Stretch(0, B, B, H - 2 * B, 0, B, B, bh - 2 * B);
        p.Stretch(W - B, B, B, H - 2 * B, bw - B, B, B, bh - 2 * B);
        p.Stretch(B, B, W - 2 * B, H - 2 * B, B, B, bw - 2 * B, bh - 2 * B);
    } else if (stretchSkin) {
        p.Copy(0, 0, B, C, 0, 0);
        p.Stretch(B, 0, W - 2 * B, C, B, 0, bw - 2 * B, C);
        p.Copy(W - B, 0, B, C, bw - B, 0);
        p.Stretch(0, C, B, H - C - B, 0, C, B, bh - C - B);
        p.Stretch(W - B, C, B, H - C - B, bw - B, C, B, bh - C - B);
        p.Stretch(B, C, W - 2 * B, H - C - B, B, C, bw - 2 * B, bh - C - B);
    } else {
        p.Copy(0, 0, W, H, 0, 0);
        if (C < 0) {
            p.Copy(W - B, 0, B, B, bw - B, 0);
            p.Stretch(W - B, B, B, H - 2 * B, bw - B, B, B, bh - 2 * B);
        } else {
            p.Copy(W - B, 0, B, C, bw - B, 0);
            p.Stretch(W - B, C, B, H - C - B, bw - B, C, B, bh - C - B);
        }
    }
    p.Copy(0, H - B, B, B, 0, bh - B);
    p.Stretch(B, H - B, W - 2 * B, B, B, bh - B, bw - 2 * B, B);
    p.Copy(W - B, H - B, B, B, bw - B, bh - B);
    return p.ops;
}

FrameHit FrameHitTest(const DlgFrameStyle& style, bool maximized, int x, int y, int W, int H) {
    if (maximized) return HitDefault;  // no dragging or sizing while maximized
    const int B = style.border;
    const int C = style.captionHeight;
    const bool inCaption = C == -1 || (y >= 0 && y < C);
    if (!style.resizable) return inCaption ? HitCaption : HitDefault;
    const bool topBand = y >= 0 && y < B;
    const bool bottomBand = y >= H - B && y < H;
    if (x >= 0 && x < B) return topBand ? HitTopLeft : bottomBand ? HitBottomLeft : HitLeft;
    if (x >= W - B && x < W) return topBand ? HitTopRight : bottomBand ? HitBottomRight : HitRight;
    if (y >= 0 && y < kTopResizeBand) return HitTop;
    if (y >= kTopResizeBand && y < C) return HitCaption;
    if (C == -1) return HitCaption;  // so the bottom band drags too
    if (bottomBand) return HitBottom;
    return HitDefault;
}

unsigned SizeCommandForHit(int hit) {
    if (hit < HitLeft || hit > HitBottomRight) return 0;
    return 0xF000u + unsigned(hit - 9);
}

bool NcDoubleClickToggles(const DlgFrameStyle& style, int hit) { return hit == HitCaption && style.resizable; }

bool ClientDoubleClickToggles(const DlgFrameStyle& style, bool maximized, int y) {
    const int C = style.captionHeight;
    return maximized && (C == -1 || (y >= 0 && y < C));
}

SkinPoint IconPosition(const DlgFrameStyle& style) {
    const int C = style.captionHeight;
    return {style.border, C == -1 ? 6 : (C - 15) / 2};
}

SkinPoint TitlePosition(const DlgFrameStyle& style, bool hasIcon, int fontHeight) {
    const int x = style.border + 5 + (hasIcon ? 16 : 0);
    const int t = style.captionHeight + 1 - std::abs(fontHeight);
    const int half = t / 2;  // C++ division truncates toward zero, as the rule wants
    return {x, half < 0 ? 4 : half - 2};
}

SkinRect TitleRepaintRect(const DlgFrameStyle& style, bool hasIcon, int fontHeight, int textHeight,
                          int clientWidth) {
    const SkinPoint at = TitlePosition(style, hasIcon, fontHeight);
    return {at.x, at.y, clientWidth, at.y + textHeight};
}

SkinRect InitialRestoreRect(const SkinRect& work) {
    const int dx = work.Width() / 8;
    const int dy = work.Height() / 8;
    return {dx, dy, work.right - dx, work.bottom - dy};
}

SkinRect MaximizedRect(const SkinRect& work, int maxWidth, int maxHeight) {
    SkinRect r = work;
    if (r.Width() > maxWidth) {
        const int d = (r.Width() - maxWidth) / 2;
        r.left += d;
        r.right -= d;
    }
    if (r.Height() > maxHeight) {
        const int d = (r.Height() - maxHeight) / 2;
        r.top += d;
        r.bottom -= d;
    }
    return r;
}

SkinRect ImageButtonRect(const SkinSize& strip, int rightX, int top) {
    return {rightX - strip.width / 4, top, rightX, top + strip.height};
}

CaptionButtons PlaceCaptionButtons(const DlgFrameStyle& style, int layoutRight, const CaptionStrips& strips) {
    CaptionButtons out;
    int x = layoutRight - style.btnRightMargin;
    const auto place = [&](const SkinSize& strip, std::optional<SkinRect>& slot) {
        if (strip.width <= 0) return;
        slot = ImageButtonRect(strip, x, style.btnTop);
        x = slot->left - style.btnSpacing;
    };
    place(strips.close, out.close);
    place(strips.maximize, out.maximize);
    place(strips.minimize, out.minimize);
    return out;
}

CaptionButtons RelayoutCaptionButtons(const DlgFrameStyle& style, int clientWidth, const CaptionButtons& current) {
    CaptionButtons out = current;
    int x = clientWidth - style.btnRightMargin;
    for (std::optional<SkinRect>* slot : {&out.close, &out.maximize, &out.minimize}) {
        if (!*slot) continue;
        const SkinRect r = **slot;
        x -= r.Width();
        *slot = RectXywh(x, r.top, r.Width(), r.Height());
    }
    return out;
}

}  // namespace mrvn
