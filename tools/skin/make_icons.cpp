// Draws the program's two icons from code and writes them as .ico files (32-bit BMP entries).
//   make_icons <out-dir>   writes mrvn.ico (resource 128) and quarn.ico (resource 155)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgba {
    uint8_t r, g, b, a;
};

using Painter = Rgba (*)(double x, double y);  // x, y in [0, 1)

double RoundedBoxCoverage(double x, double y, double radius) {
    const double cx = std::min(std::max(x, radius), 1 - radius);
    const double cy = std::min(std::max(y, radius), 1 - radius);
    const double d = std::hypot(x - cx, y - cy);
    return d <= radius ? 1.0 : 0.0;
}

// Game icon: a blue-grey tile with a white "M" of three strokes.
Rgba GameIcon(double x, double y) {
    if (RoundedBoxCoverage(x, y, 0.22) == 0) return {0, 0, 0, 0};
    Rgba c{uint8_t(70 + 60 * y), uint8_t(110 + 50 * y), uint8_t(170 + 40 * y), 255};
    const double stroke = 0.09;
    const bool leftBar = x > 0.2 && x < 0.2 + stroke * 1.2 && y > 0.25 && y < 0.78;
    const bool rightBar = x > 0.8 - stroke * 1.2 && x < 0.8 && y > 0.25 && y < 0.78;
    const double mid = std::fabs(x - 0.5);
    const bool vee = y > 0.25 && y < 0.62 && std::fabs((0.62 - y) * 0.85 - mid) < stroke * 0.7 && mid < 0.3;
    if (leftBar || rightBar || vee) c = {250, 250, 255, 255};
    return c;
}

// Platform icon: an orange disc with a white ring and tail ("Q").
Rgba PlatformIcon(double x, double y) {
    const double d = std::hypot(x - 0.5, y - 0.5);
    if (d > 0.48) return {0, 0, 0, 0};
    Rgba c{235, 130, 40, 255};
    const bool ring = d > 0.2 && d < 0.31;
    const bool tail = x > 0.55 && x < 0.78 && std::fabs((x - 0.55) - (y - 0.58)) < 0.06;
    if (ring || tail) c = {255, 255, 255, 255};
    return c;
}

void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

std::vector<uint8_t> IconImage(Painter paint, int size) {
    std::vector<uint8_t> img;
    Put32(img, 40);
    Put32(img, size);
    Put32(img, size * 2);  // colour plus mask
    Put16(img, 1);
    Put16(img, 32);
    Put32(img, 0);
    Put32(img, 0);
    Put32(img, 0);
    Put32(img, 0);
    Put32(img, 0);
    Put32(img, 0);
    std::vector<uint8_t> mask;
    const int maskStride = ((size + 31) / 32) * 4;
    mask.assign(size_t(maskStride) * size, 0);
    for (int row = size - 1; row >= 0; --row) {  // bottom-up
        for (int col = 0; col < size; ++col) {
            // 4x4 supersampling keeps the small size from looking ragged.
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    Rgba p = paint((col + (sx + 0.5) / 4) / size, (row + (sy + 0.5) / 4) / size);
                    r += p.r * p.a;
                    g += p.g * p.a;
                    b += p.b * p.a;
                    a += p.a;
                }
            Rgba out{0, 0, 0, uint8_t(a / 16)};
            if (a > 0) out = {uint8_t(r / a), uint8_t(g / a), uint8_t(b / a), uint8_t(a / 16)};
            img.push_back(out.b);
            img.push_back(out.g);
            img.push_back(out.r);
            img.push_back(out.a);
            if (out.a < 128) mask[size_t(size - 1 - row) * maskStride + col / 8] |= uint8_t(0x80 >> (col % 8));
        }
    }
    img.insert(img.end(), mask.begin(), mask.end());
    return img;
}

bool WriteIcon(const std::string& path, Painter paint) {
    const int sizes[] = {32, 16, 48};
    std::vector<std::vector<uint8_t>> images;
    for (int s : sizes) images.push_back(IconImage(paint, s));
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, uint16_t(images.size()));
    uint32_t offset = 6 + 16 * uint32_t(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(uint8_t(sizes[i]));
        out.push_back(uint8_t(sizes[i]));
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, uint32_t(images[i].size()));
        Put32(out, offset);
        offset += uint32_t(images[i].size());
    }
    for (auto& img : images) out.insert(out.end(), img.begin(), img.end());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons <out-dir>\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (!WriteIcon(dir + "/mrvn.ico", GameIcon) || !WriteIcon(dir + "/quarn.ico", PlatformIcon)) {
        std::fprintf(stderr, "make_icons: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
