// Draws every skin image from code and writes them, with the resource script that names them.
//   make_skin <res/skin dir>   writes <id>_<name>.png for each image and skin.rc
// Build: g++ -std=c++20 -O2 -o make_skin tools/skin/make_skin.cpp
//
// The look: a steel-blue caption band with white glyphs, light blue-grey borders with a dark
// outline and rounded corners, near-white bodies. Wine draws alpha as 1-bit, so every image that
// is shown over a dark or unknown background keeps alpha at 0 or 255; only images shown over
// near-white bodies (buttons, tab close boxes, progress bar) keep soft edges, which the loader
// blends over white anyway.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "../../src/skin/skin_images.h"
#include "png_writer.h"

namespace {

using pngw::Rgba;
using mrvn::SkinAlpha;
using mrvn::SkinImageInfo;

// ---- colours

constexpr Rgba kClear{0, 0, 0, 0};
constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kOutline{58, 84, 116, 255};
constexpr Rgba kFrame{178, 196, 214, 255};
constexpr Rgba kFrameInner{140, 160, 182, 255};
constexpr Rgba kBody{242, 245, 248, 255};
constexpr Rgba kMainBody{222, 229, 237, 255};
constexpr Rgba kSeparator{66, 96, 132, 255};
constexpr Rgba kGlyphDisabled{150, 168, 188, 255};
constexpr Rgba kRed{214, 72, 58, 255};
constexpr Rgba kRedDark{160, 44, 34, 255};

Rgba Mix(Rgba a, Rgba b, double t) {
    const auto m = [t](uint8_t x, uint8_t y) { return uint8_t(std::lround(x + (y - x) * t)); };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b), m(a.a, b.a)};
}
Rgba Lighter(Rgba c, double t) { return Mix(c, kWhite, t); }
Rgba Darker(Rgba c, double t) { return Mix(c, Rgba{0, 0, 0, c.a}, t); }

// The caption band, 30 rows: outline, highlight, gradient, separator. Opaque caption-band
// images paint this behind themselves so that they sit seamlessly on the band.
Rgba CaptionPixel(int y) {
    if (y <= 0) return kOutline;
    if (y >= 29) return kSeparator;
    const Rgba top{116, 152, 190, 255}, bottom{80, 114, 152, 255};
    const Rgba c = Mix(top, bottom, (y - 1) / 27.0);
    return y == 1 ? Lighter(c, 0.3) : c;
}

// ---- canvas and shapes

struct Canvas {
    int w, h;
    std::vector<Rgba> px;
    Canvas(int width, int height, Rgba fill = kClear) : w(width), h(height), px(size_t(width) * height, fill) {}
    Rgba& At(int x, int y) { return px[size_t(y) * w + x]; }
    bool In(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
};

// Source-over with coverage; over a clear pixel the colour is taken and coverage becomes alpha.
void Blend(Canvas& c, int x, int y, Rgba src, double cover) {
    if (!c.In(x, y) || cover <= 0) return;
    Rgba& d = c.At(x, y);
    const double a = cover * src.a / 255.0;
    if (d.a == 0) {
        d = src;
        d.a = uint8_t(std::lround(a * 255));
        return;
    }
    const double da = d.a / 255.0, oa = a + da * (1 - a);
    const auto ch = [&](uint8_t s, uint8_t t) { return uint8_t(std::lround((s * a + t * da * (1 - a)) / oa)); };
    d = {ch(src.r, d.r), ch(src.g, d.g), ch(src.b, d.b), uint8_t(std::lround(oa * 255))};
}

using Inside = std::function<bool(double x, double y)>;
using Paint = std::function<Rgba(int x, int y)>;

// 4 x 4 samples per pixel give clean edges.
void Fill(Canvas& c, const Inside& inside, const Paint& paint, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
    if (x1 < 0) x1 = c.w;
    if (y1 < 0) y1 = c.h;
    for (int y = std::max(0, y0); y < std::min(c.h, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(c.w, x1); ++x) {
            int n = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) n += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
            if (n) Blend(c, x, y, paint(x, y), n / 16.0);
        }
}
void Fill(Canvas& c, const Inside& inside, Rgba colour) {
    Fill(c, inside, [colour](int, int) { return colour; });
}

Inside RoundRect(double l, double t, double r, double b, double radius) {
    return [=](double x, double y) {
        if (x < l || x > r || y < t || y > b) return false;
        const double cx = std::clamp(x, l + radius, r - radius), cy = std::clamp(y, t + radius, b - radius);
        return std::hypot(x - cx, y - cy) <= radius;
    };
}
// Rounded at the top only; the bottom runs straight to b.
Inside TopRoundRect(double l, double t, double r, double b, double radius) {
    return [=](double x, double y) {
        if (x < l || x > r || y < t || y > b) return false;
        if (y > t + radius) return true;
        const double cx = std::clamp(x, l + radius, r - radius);
        return std::hypot(x - cx, y - (t + radius)) <= radius;
    };
}
Inside Ring(Inside outer, Inside inner) {
    return [=](double x, double y) { return outer(x, y) && !inner(x, y); };
}
Inside Segment(double x0, double y0, double x1, double y1, double width) {
    return [=](double x, double y) {
        const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
        const double t = len2 > 0 ? std::clamp(((x - x0) * dx + (y - y0) * dy) / len2, 0.0, 1.0) : 0;
        return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= width / 2;
    };
}
Inside Disc(double cx, double cy, double r) {
    return [=](double x, double y) { return std::hypot(x - cx, y - cy) <= r; };
}
Inside Box(double l, double t, double r, double b) {
    return [=](double x, double y) { return x >= l && x < r && y >= t && y < b; };
}
Inside Union(std::vector<Inside> parts) {
    return [=](double x, double y) {
        for (const auto& p : parts)
            if (p(x, y)) return true;
        return false;
    };
}
Inside Shifted(Inside s, double dx, double dy) {
    return [=](double x, double y) { return s(x - dx, y - dy); };
}

Paint Vertical(Rgba top, Rgba bottom, double y0, double y1) {
    return [=](int, int y) { return Mix(top, bottom, std::clamp((y + 0.5 - y0) / (y1 - y0), 0.0, 1.0)); };
}

// ---- bitmap glyphs: '#' is ink

Inside Bitmap(const std::vector<std::string>& rows, double x0, double y0, double scale = 1) {
    return [=](double x, double y) {
        const int gx = int(std::floor((x - x0) / scale)), gy = int(std::floor((y - y0) / scale));
        if (gy < 0 || gy >= int(rows.size()) || gx < 0 || gx >= int(rows[gy].size())) return false;
        return rows[gy][gx] == '#';
    };
}

const std::vector<std::string> kGuan = {  // 关
    "...#....#...", "....#..#....", ".##########.", ".....#......", ".....#......", "############",
    ".....#......", "....#.#.....", "...#...#....", "..#.....#...", ".#.......##.", "#..........#"};
const std::vector<std::string> kBi = {  // 闭
    ".#..........", "..#.#######.", "...........#", "#.....#....#", "#.#######..#", "#....##....#",
    "#...#.#....#", "#..#..#....#", "#.#...#....#", "#.....#....#", "#...###....#", "#.........##"};
const std::vector<std::string> kDa = {  // 大
    ".....##.....", ".....##.....", ".....##.....", "############", ".....##.....", ".....##.....",
    "....#..#....", "....#..#....", "...#....#...", "..#......#..", ".#........#.", "#..........#"};
const std::vector<std::string> kTing = {  // 厅
    "############", "#...........", "#...........", "#..########.", "#......#....", "#......#....",
    "#......#....", "#......#....", "#......#....", "#......#....", "#....#.#....", "#.....##...."};

const std::map<char, std::vector<std::string>> kLetters = {
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
};

Inside Word(const std::string& text, double x0, double y0, double scale) {
    std::vector<Inside> parts;
    for (size_t i = 0; i < text.size(); ++i) parts.push_back(Bitmap(kLetters.at(text[i]), x0 + i * 6 * scale, y0, scale));
    return Union(parts);
}

// ---- strips

enum State { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

// Draws `frames` frames side by side, each by `draw(frame canvas, index)`.
Canvas Strip(int frameW, int h, int frames, const std::function<void(Canvas&, int)>& draw) {
    Canvas strip(frameW * frames, h);
    for (int i = 0; i < frames; ++i) {
        Canvas f(frameW, h);
        draw(f, i);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < frameW; ++x) strip.At(i * frameW + x, y) = f.At(x, y);
    }
    return strip;
}

// Opaque caption-band button: the band behind it, a soft plate for hover and press, the glyph.
void CaptionButton(Canvas& f, int state, int top, const Inside& glyph, bool lit = false) {
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) f.At(x, y) = CaptionPixel(y + top);
    const Inside plate = RoundRect(1.5, 2.5, f.w - 1.5, f.h - 2.5, 3);
    if (state == Hover) Fill(f, plate, [&](int, int y) { return Lighter(CaptionPixel(y + top), 0.22); });
    if (state == Pressed) Fill(f, plate, [&](int, int y) { return Darker(CaptionPixel(y + top), 0.25); });
    if (lit && state == Normal) Fill(f, plate, [&](int, int y) { return Lighter(CaptionPixel(y + top), 0.1); });
    const double shift = state == Pressed ? 1 : 0;
    Fill(f, Shifted(glyph, shift, shift), state == Disabled ? kGlyphDisabled : kWhite);
}

Inside Cross(double cx, double cy, double arm, double width) {
    return Union({Segment(cx - arm, cy - arm, cx + arm, cy + arm, width),
                  Segment(cx - arm, cy + arm, cx + arm, cy - arm, width)});
}

// ---- the images

// Dialog and main-window backgrounds: caption 30, border 4, radius-4 corners that fit inside the
// 4-pixel corner pieces so that stretching never smears a curve.
Canvas FrameBackground(int w, int h, Rgba body) {
    Canvas c(w, h);
    const int B = 4, C = 30;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgba p;
            if (y < C) p = CaptionPixel(y);
            else if (y == h - B || x == B - 1 || x == w - B) p = kFrameInner;
            else if (y > h - B || x < B || x >= w - B) p = kFrame;
            else p = body;
            if (x == 0 || x == w - 1 || y == h - 1) p = kOutline;
            c.At(x, y) = p;
        }
    // Round the four corners: clear outside radius 4, outline along the curve.
    const double r = 4;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double cx = std::clamp(px, r, w - r), cy = std::clamp(py, r, h - r);
            const double d = std::hypot(px - cx, py - cy);
            if (d > r) c.At(x, y) = kClear;
            else if (d > r - 1.2 && (cx != px && cy != py)) c.At(x, y) = kOutline;
        }
    return c;
}

Canvas CloseStrip() {  // 132: 4 x 33 x 28, over the caption band
    return Strip(33, 28, 4, [](Canvas& f, int s) {
        const Inside plate = RoundRect(1, 2, 31, 26, 3);
        if (s == Hover) Fill(f, plate, Vertical(Lighter(kRed, 0.15), kRed, 2, 26));
        if (s == Pressed) Fill(f, plate, kRedDark);
        const double d = s == Pressed ? 0.5 : 0;
        Fill(f, Cross(16 + d, 14 + d, 4.5, 1.8), s == Disabled ? kGlyphDisabled : kWhite);
    });
}

Canvas PushButtonStrip() {  // 133: 4 x 57 x 23, over light bodies
    return Strip(57, 23, 4, [](Canvas& f, int s) {
        const Rgba border[] = {{120, 146, 176, 255}, {60, 120, 200, 255}, {48, 92, 156, 255}, {184, 192, 202, 255}};
        const Rgba top[] = {{254, 255, 255, 255}, {244, 250, 255, 255}, {192, 212, 236, 255}, {238, 240, 243, 255}};
        const Rgba bottom[] = {{218, 228, 240, 255}, {198, 222, 248, 255}, {220, 232, 246, 255}, {232, 235, 239, 255}};
        Fill(f, RoundRect(0.5, 0.5, 56.5, 22.5, 3.5), border[s]);
        Fill(f, RoundRect(1.5, 1.5, 55.5, 21.5, 2.5), Vertical(top[s], bottom[s], 1.5, 21.5));
        if (s == Normal || s == Hover) Fill(f, Box(3, 2, 54, 3), Lighter(top[s], 0.6));
    });
}

Inside MinimizeGlyph() { return Box(9, 17, 18, 19); }
// Glyph edges sit on whole pixels so that thin strokes stay crisp.
Inside MaximizeGlyph() { return Ring(Box(8, 8, 19, 19), Box(9, 10, 18, 18)); }
Inside RestoreGlyph() {
    return Union({Ring(Box(8, 11, 16, 19), Box(9, 13, 15, 18)),
                  Ring(Box(11, 7, 19, 15), Union({Box(12, 9, 18, 14), Box(8, 11, 16, 19)}))});
}
Inside HideGlyph() {  // down into the tray
    return Union({Segment(13.5, 6, 13.5, 15, 1.8), Segment(9.5, 11.5, 13.5, 15.5, 1.8), Segment(17.5, 11.5, 13.5, 15.5, 1.8),
                  Box(7, 19, 20, 21)});
}
Inside SpeakerGlyph(double x0) {
    return Union({Box(x0, 11, x0 + 3.5, 16.5), [=](double x, double y) {
                      // cone from the box to a tall mouth
                      if (x < x0 + 3.5 || x > x0 + 8) return false;
                      const double t = (x - (x0 + 3.5)) / 4.5, half = 2.75 + t * 3.5;
                      return std::fabs(y - 13.75) <= half;
                  }});
}
Inside SoundOnGlyph() {
    const double cx = 13, cy = 13.75;
    const auto arc = [=](double r) {
        return Inside([=](double x, double y) {
            const double d = std::hypot(x - cx, y - cy), a = std::atan2(y - cy, x - cx);
            return std::fabs(d - r) <= 0.8 && std::fabs(a) < 0.85;
        });
    };
    return Union({SpeakerGlyph(5), arc(4), arc(7)});
}
Inside SoundOffGlyph() { return Union({SpeakerGlyph(5), Cross(18.5, 13.75, 2.8, 1.6)}); }
Inside MenuGlyph() {  // small triangle right of the centred text
    return [](double x, double y) { return y >= 12.5 && y <= 16 && std::fabs(x - 38.5) <= (16 - y) * 0.9 + 0.2; };
}
Inside HallGlyph(bool shown) {
    const Inside grid = Union({RoundRect(7, 8, 11.5, 12.5, 1), RoundRect(12.5, 8, 17, 12.5, 1),
                               RoundRect(7, 13.5, 11.5, 18, 1), RoundRect(12.5, 13.5, 17, 18, 1)});
    const Inside text = Union({Bitmap(kDa, 24, 8), Bitmap(kTing, 38, 8)});
    const Inside chevron = shown ? Union({Segment(60, 15.5, 64, 11.5, 1.6), Segment(64, 11.5, 68, 15.5, 1.6)})
                                 : Union({Segment(60, 11.5, 64, 15.5, 1.6), Segment(64, 15.5, 68, 11.5, 1.6)});
    return Union({grid, text, chevron});
}

Canvas TabStrip() {  // 140: 3 x 189 x 22 at y 3 of the caption band
    return Strip(189, 22, 3, [](Canvas& f, int s) {
        for (int y = 0; y < f.h; ++y)
            for (int x = 0; x < f.w; ++x) f.At(x, y) = CaptionPixel(y + 3);
        const Rgba top[] = {{190, 206, 224, 255}, {218, 231, 244, 255}, {250, 251, 253, 255}};
        const Rgba bottom[] = {{166, 186, 208, 255}, {196, 214, 233, 255}, {234, 239, 245, 255}};
        Fill(f, TopRoundRect(0, 0, 188, 23, 4), kOutline);
        Fill(f, TopRoundRect(1, 1, 187, 23, 3), Vertical(top[s], bottom[s], 1, 22));
        // A small diamond where the label's left padding is.
        const auto diamond = [](double r) {
            return Inside([r](double x, double y) { return std::fabs(x - 8.5) + std::fabs(y - 10.5) <= r; });
        };
        Fill(f, diamond(4.6), Rgba{62, 116, 186, 255});
        Fill(f, diamond(2.2), Rgba{168, 206, 246, 255});
    });
}

Canvas TabCloseStrip() {  // 141: 3 x 13 x 13, shown on the hovered tab
    return Strip(13, 13, 3, [](Canvas& f, int s) {
        if (s == 0) {
            Fill(f, Cross(6.5, 6.5, 2.6, 1.5), Rgba{104, 120, 138, 255});
            return;
        }
        Fill(f, Disc(6.5, 6.5, 5.8), s == 1 ? kRed : kRedDark);
        Fill(f, Cross(6.5, 6.5, 2.6, 1.5), kWhite);
    });
}

Canvas AccountIcon() {  // 142: beside the "other account" link, rows 7 to 22 of the band
    Canvas c(14, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 14; ++x) c.At(x, y) = CaptionPixel(y + 7);
    Fill(c, Union({Disc(5.5, 5.5, 2.8), [](double x, double y) {
                       return y >= 9.5 && y <= 14.5 && std::hypot((x - 5.5) / 4.8, (y - 14.5) / 5.0) <= 1;
                   }}),
         kWhite);
    Fill(c, Union({Box(11, 2, 12, 7), Box(9, 4, 14, 5)}), Rgba{214, 236, 255, 255});
    return c;
}

// Notice pop-up backgrounds: a banded header, a white body, radius-6 corners.
Canvas NoticeBackground(int w, int h, int footerY, bool pictureFrame) {
    Canvas c(w, h);
    const Inside shape = RoundRect(0, 0, w, h, 6);
    Fill(c, shape, kOutline);
    Fill(c, RoundRect(1, 1, w - 1, h - 1, 5), kBody);
    Fill(c, TopRoundRect(1, 1, w - 1, 38, 5), Vertical(Rgba{116, 152, 190, 255}, Rgba{82, 116, 154, 255}, 1, 38));
    Fill(c, Box(1, 38, w - 1, 39), kSeparator);
    Fill(c, Box(6, 2, w - 6, 3), Rgba{146, 176, 206, 255});
    // A round "i" badge in the header.
    Fill(c, Ring(Disc(20, 19.5, 9), Disc(20, 19.5, 7.4)), kWhite);
    Fill(c, Union({Box(19, 17, 21, 25), Box(19, 13, 21, 15)}), kWhite);
    if (pictureFrame) {
        Fill(c, Box(13, 65, 92, 149), Rgba{190, 202, 216, 255});
        Fill(c, Box(14, 66, 91, 148), kWhite);
    }
    Fill(c, Box(12, footerY, w - 12, footerY + 1), Rgba{214, 222, 232, 255});
    return c;
}

Canvas PictureBackground() {  // 146: only the header band; the picture fills the rest
    Canvas c(160, 212);
    Fill(c, TopRoundRect(0, 0, 160, 22, 5), kOutline);
    Fill(c, TopRoundRect(1, 1, 159, 22, 4), Vertical(Rgba{116, 152, 190, 255}, Rgba{84, 118, 156, 255}, 1, 22));
    Fill(c, Union({Ring(Box(7.5, 6.5, 19.5, 16.5), Box(8.5, 7.5, 18.5, 15.5)),
                   Segment(9, 15, 12.5, 11, 1.2), Segment(12.5, 11, 15, 13.5, 1.2), Disc(16, 9.5, 1.1)}),
         kWhite);
    return c;
}

Canvas NoticeCloseStrip() {  // 144: 4 x 36 x 14 in the header
    return Strip(36, 14, 4, [](Canvas& f, int s) {
        if (s == Hover) Fill(f, RoundRect(10, 0, 26, 14, 3), kRed);
        if (s == Pressed) Fill(f, RoundRect(10, 0, 26, 14, 3), kRedDark);
        Fill(f, Cross(18, 7, 3.2, 1.6), s == Disabled ? kGlyphDisabled : kWhite);
    });
}

Canvas PictureCloseStrip() {  // 145: 4 x 54 x 22, cross and the word for close
    return Strip(54, 22, 4, [](Canvas& f, int s) {
        const Inside plate = RoundRect(1, 2, 53, 20, 3);
        if (s == Hover) Fill(f, plate, Rgba{140, 172, 206, 255});
        if (s == Pressed) Fill(f, plate, Rgba{58, 88, 124, 255});
        const Inside glyph = Union({Cross(10, 11, 3, 1.6), Bitmap(kGuan, 18, 5), Bitmap(kBi, 32, 5)});
        Fill(f, glyph, s == Disabled ? kGlyphDisabled : kWhite);
    });
}

Canvas ProgressTrack() {  // 152
    Canvas c(390, 21);
    Fill(c, RoundRect(0.5, 1, 389.5, 20, 9.5), Rgba{150, 168, 190, 255});
    Fill(c, RoundRect(1.5, 2, 388.5, 19, 8.5), Vertical(Rgba{206, 214, 225, 255}, Rgba{238, 242, 246, 255}, 2, 19));
    return c;
}

Canvas ProgressBar() {  // 153: both ends rounded; the bar is drawn from both ends of this image
    Canvas c(390, 21);
    Fill(c, RoundRect(2.5, 3, 387.5, 18, 7.5), Vertical(Rgba{124, 192, 250, 255}, Rgba{40, 118, 212, 255}, 3, 18));
    Fill(c, RoundRect(6, 4, 384, 8.5, 2.2), Rgba{190, 226, 255, 150});
    return c;
}

Canvas AddAccountBackground() {  // 162: opaque, so square corners; caption 30, border 3
    Canvas c(284, 150);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            Rgba p;
            if (y < 30) p = CaptionPixel(y);
            else if (x == 2 || x == c.w - 3 || y == c.h - 3) p = kFrameInner;
            else if (x < 3 || x >= c.w - 3 || y >= c.h - 3) p = kFrame;
            else p = kBody;
            if (x == 0 || x == c.w - 1 || y == c.h - 1) p = kOutline;
            c.At(x, y) = p;
        }
    Fill(c, Box(16, 104, c.w - 16, 105), Rgba{214, 222, 232, 255});
    return c;
}

// 129: the login window's shaped background; the page lies over it, the surround is clear.
Canvas LoginBackground() {
    Canvas c(888, 518);
    const double L = 10, T = 10, R = 878, Bt = 508;
    Fill(c, RoundRect(L, T, R, Bt, 16), kOutline);
    const Inside inner = RoundRect(L + 2, T + 2, R - 2, Bt - 2, 14);
    // Sky, moon, three ridges of mountains from far to near, and a footer band.
    Fill(c, inner, Vertical(Rgba{44, 72, 112, 255}, Rgba{156, 186, 216, 255}, 70, 380));
    Fill(c, Disc(190, 160, 34), Rgba{232, 238, 246, 255});
    Fill(c, Ring(Disc(190, 160, 42), Disc(190, 160, 38)), Rgba{120, 150, 186, 255});
    for (auto [sx, sy] : std::vector<std::pair<int, int>>{{60, 110}, {320, 96}, {410, 150}, {470, 104}, {96, 200}, {280, 180}})
        Fill(c, Disc(sx + 0.5, sy + 0.5, 1.2), Rgba{226, 234, 246, 255});
    const struct {
        double base, a1, f1, a2, f2;
        Rgba colour;
    } ridges[] = {{300, 46, 83, 18, 29, {112, 142, 180, 255}},
                  {350, 38, 61, 14, 23, {84, 114, 152, 255}},
                  {405, 30, 47, 12, 17, {58, 86, 122, 255}}};
    for (const auto& rd : ridges)
        Fill(c, [&](double x, double y) {
            return inner(x, y) && y > rd.base + rd.a1 * std::sin(x / rd.f1) + rd.a2 * std::sin(x / rd.f2 + 1.3);
        }, rd.colour);
    // Header with the game's name.
    Fill(c, [&](double x, double y) { return inner(x, y) && y < 70; },
         Vertical(Rgba{116, 152, 190, 255}, Rgba{80, 114, 152, 255}, 12, 70));
    Fill(c, Box(L + 2, 70, R - 2, 72), kSeparator);
    Fill(c, Shifted(Word("MORVANE", 40, 23, 4), 2, 2), Rgba{40, 62, 92, 255});
    Fill(c, Word("MORVANE", 40, 23, 4), kWhite);
    // A card for the login form.
    Fill(c, RoundRect(560, 98, 852, 444, 10), Rgba{176, 194, 214, 255});
    Fill(c, RoundRect(561, 99, 851, 443, 9), Vertical(Rgba{248, 250, 252, 255}, Rgba{232, 238, 244, 255}, 99, 443));
    Fill(c, Box(580, 140, 832, 141), Rgba{210, 220, 232, 255});
    // Footer.
    Fill(c, [&](double x, double y) { return inner(x, y) && y >= 468; }, Rgba{40, 62, 92, 255});
    Fill(c, Box(L + 2, 468, R - 2, 469), Rgba{120, 150, 186, 255});
    return c;
}

// ---- output

Canvas Draw(int id) {
    switch (id) {
        case 129: return LoginBackground();
        case 131: return FrameBackground(30, 51, kBody);
        case 132: return CloseStrip();
        case 133: return PushButtonStrip();
        case 134: return FrameBackground(30, 51, kMainBody);
        case 135: return Strip(27, 28, 4, [](Canvas& f, int s) { CaptionButton(f, s, 0, MaximizeGlyph()); });
        case 136: return Strip(27, 28, 4, [](Canvas& f, int s) { CaptionButton(f, s, 0, MinimizeGlyph()); });
        case 137: return Strip(27, 28, 4, [](Canvas& f, int s) { CaptionButton(f, s, 0, RestoreGlyph()); });
        case 138: return Strip(27, 27, 4, [](Canvas& f, int s) { CaptionButton(f, s, 0, HideGlyph()); });
        case 139: return Strip(44, 28, 4, [](Canvas& f, int s) { CaptionButton(f, s, 0, MenuGlyph()); });
        case 140: return TabStrip();
        case 141: return TabCloseStrip();
        case 142: return AccountIcon();
        case 143: return NoticeBackground(250, 191, 163, true);
        case 144: return NoticeCloseStrip();
        case 145: return PictureCloseStrip();
        case 146: return PictureBackground();
        case 147: return NoticeBackground(250, 167, 140, false);
        case 148: return Strip(27, 27, 4, [](Canvas& f, int s) { CaptionButton(f, s, 0, SoundOffGlyph()); });
        case 149: return Strip(27, 27, 4, [](Canvas& f, int s) { CaptionButton(f, s, 0, SoundOnGlyph()); });
        case 150: return Strip(79, 28, 4, [](Canvas& f, int s) { CaptionButton(f, s, 0, HallGlyph(false)); });
        case 151: return Strip(79, 28, 4, [](Canvas& f, int s) { CaptionButton(f, s, 0, HallGlyph(true), true); });
        case 152: return ProgressTrack();
        case 153: return ProgressBar();
        case 162: return AddAccountBackground();
    }
    return Canvas(0, 0);
}

// Images shown over light bodies keep soft edges; the rest get alpha 0 or 255.
bool KeepsSoftEdges(int id) { return id == 133 || id == 141 || id == 152 || id == 153; }

bool Finish(const SkinImageInfo& info, Canvas& c, std::string& error) {
    if (c.w != info.width || c.h != info.height) {
        error = "drawn " + std::to_string(c.w) + "x" + std::to_string(c.h);
        return false;
    }
    for (Rgba& p : c.px) {
        if (info.alpha == SkinAlpha::Opaque) p.a = 255;
        else if (!KeepsSoftEdges(info.id)) p.a = p.a >= 128 ? 255 : 0;
        if (p.a == 0) p = kClear;
        // The key colour marks "not there"; a visible pixel of it would vanish.
        if (p.a > 0 && p.r == 255 && p.g == 0 && p.b == 255) p.g = 1;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_skin <res/skin dir>\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::string rc = "// Skin images, generated by tools/skin/make_skin.cpp; paths are relative to res/.\n";
    for (const SkinImageInfo& info : mrvn::kSkinImages) {
        Canvas c = Draw(info.id);
        std::string error;
        if (!Finish(info, c, error)) {
            std::fprintf(stderr, "image %d: %s\n", info.id, error.c_str());
            return 1;
        }
        const pngw::PngForm form = info.alpha == SkinAlpha::Rgba      ? pngw::PngForm::Rgba
                                   : info.alpha == SkinAlpha::Opaque ? pngw::PngForm::Rgb
                                                                     : pngw::PngForm::Palette;
        const pngw::Bytes png = pngw::EncodePng(c.px, c.w, c.h, form, &error);
        if (png.empty()) {
            std::fprintf(stderr, "image %d: %s\n", info.id, error.c_str());
            return 1;
        }
        const std::string file = std::to_string(info.id) + "_" + info.name + ".png";
        FILE* f = std::fopen((dir + "/" + file).c_str(), "wb");
        if (!f || std::fwrite(png.data(), 1, png.size(), f) != png.size()) {
            std::fprintf(stderr, "cannot write %s/%s\n", dir.c_str(), file.c_str());
            if (f) std::fclose(f);
            return 1;
        }
        std::fclose(f);
        rc += std::to_string(info.id) + " PNG \"skin/" + file + "\"\n";
    }
    FILE* f = std::fopen((dir + "/skin.rc").c_str(), "wb");
    if (!f || std::fwrite(rc.data(), 1, rc.size(), f) != rc.size()) {
        std::fprintf(stderr, "cannot write %s/skin.rc\n", dir.c_str());
        if (f) std::fclose(f);
        return 1;
    }
    std::fclose(f);
    return 0;
}
