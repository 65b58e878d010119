#include "pattern_scene.h"

#include <cmath>
#include <functional>
#include <random>

namespace cid_test {

namespace {

constexpr int kSamples = 4;

// Averages inside(x, y) over a kSamples x kSamples grid in each pixel.
std::vector<uint8_t> render(int width, int height, uint8_t dark, uint8_t light,
                            const std::function<bool(double, double)>& isDark) {
    std::vector<uint8_t> pixels(size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int darkCount = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    darkCount +=
                        isDark(x + (sx + 0.5) / kSamples - 0.5, y + (sy + 0.5) / kSamples - 0.5);
                }
            }
            double fraction = double(darkCount) / (kSamples * kSamples);
            pixels[size_t(y) * width + x] =
                uint8_t(std::lround(dark * fraction + light * (1 - fraction)));
        }
    }
    return pixels;
}

}  // namespace

std::vector<uint8_t> renderBars(int width, int height, double normalAngle, double period,
                                uint8_t dark, uint8_t light) {
    const double c = std::cos(normalAngle), s = std::sin(normalAngle);
    const double cx = width / 2.0, cy = height / 2.0;
    return render(width, height, dark, light, [=](double x, double y) {
        double along = (x - cx) * c + (y - cy) * s;
        double phase = along / period - std::floor(along / period);
        return phase < 0.5;
    });
}

std::vector<uint8_t> renderModules(int width, int height, double angle, double moduleSize,
                                   uint8_t dark, uint8_t light, uint32_t seed) {
    const int cells = 2 * int(std::ceil(std::hypot(width, height) / moduleSize)) + 2;
    std::vector<uint8_t> grid(size_t(cells) * cells);
    std::mt19937 rng(seed);
    for (auto& cell : grid) cell = uint8_t(rng() & 1);
    const double c = std::cos(angle), s = std::sin(angle);
    const double cx = width / 2.0, cy = height / 2.0;
    return render(width, height, dark, light, [=, &grid](double x, double y) {
        double u = ((x - cx) * c + (y - cy) * s) / moduleSize;
        double v = (-(x - cx) * s + (y - cy) * c) / moduleSize;
        int i = int(std::floor(u)) + cells / 2;
        int j = int(std::floor(v)) + cells / 2;
        return grid[size_t(j) * cells + i] != 0;
    });
}

}  // namespace cid_test
