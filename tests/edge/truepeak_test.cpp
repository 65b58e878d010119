// True peaks (the portable kernel against the Sobel gradient computed directly, the main kernel
// against the portable one) and edge-peak images.
#include <gtest/gtest.h>

#include <set>

#include "ci_id/platform/csys_runtime.h"
#include "edge_scene.h"

namespace {

// The Sobel gradient over 4 at (x, y), capped at 255, and the eighths of a turn its direction
// may be given, its angle codes being within 13 degrees.
struct sobel {
    double m = 0;
    std::set<int> sectors;
    sobel(const greyImage& p, int x, int y) {
        auto at = [&](int dx, int dy) { return double(p.at(x + dx, y + dy)); };
        const double gx = at(1, -1) + 2 * at(1, 0) + at(1, 1) - at(-1, -1) - 2 * at(-1, 0) -
                          at(-1, 1);
        const double gy = at(-1, 1) + 2 * at(0, 1) + at(1, 1) - at(-1, -1) - 2 * at(0, -1) -
                          at(1, -1);
        m = std::min(std::hypot(gx, gy) / 4, 255.0);
        const double eighths = std::atan2(gy, gx) * 4 / M_PI;
        for (double d : {-0.3, 0.3}) sectors.insert(m < 1 ? 0 : int(std::lround(eighths + d)) & 7);
    }
};

// The window of the peak image cip_truepeak8 makes in destination (a new image when null), by the
// portable kernel or the main one; the count it gives is that of the non-zero pixels.
std::vector<int> truePeaks(const cimg_imageConst* source, int threshold, bool portable,
                           cimg_image* destination = nullptr) {
    cprt_isOptimizationInhibitedFP =
        portable ? +[](const wchar_t*) { return int32_t{1}; } : nullptr;
    cimg_image fresh;
    cimg_image_constructUnbound(&fresh);
    int32_t count = -1;
    EXPECT_EQ(cip_truepeak8(source, destination ? destination : &fresh, uint8_t(threshold), &count),
              0);
    cprt_isOptimizationInhibitedFP = nullptr;
    const std::vector<int> peaks = windowPixels(destination ? *destination : fresh);
    EXPECT_EQ(count, peaks.size() - std::count(peaks.begin(), peaks.end(), 0));
    cimg_image_destruct(&fresh);
    return peaks;
}

// Sizes odd and even down to 1 x 1, as windows inside noise on flat ground. Wherever the
// magnitudes (within 1.5 % and a level) and directions settle the rule, the portable peaks are
// the pixels 2 or more from the border whose magnitude is at least the threshold, above the
// neighbour ahead along their eighth of a turn and not below the one behind, neighbours turned 3
// to 5 eighths away counting as 0; each holds its magnitude.
TEST(TruePeakPortable, PeaksAreTheSobelMaximaAcrossTheEdge) {
    std::mt19937 rng(3);
    const int ahead[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    auto above = [](double u, double v) { return u > v * 1.015 + 1; };
    for (const auto& [w, h] :
         {std::pair{1, 1}, {2, 7}, {3, 3}, {5, 4}, {6, 6}, {33, 17}, {31, 65}, {64, 48}}) {
        const greyImage image =
            generate(w, h, [&](int x, int y) { return x + y < w ? int(rng() % 256) : 80; });
        for (int threshold : {0, 40}) {
            record source(image, threshold / 8);
            const std::vector<int> peaks = truePeaks(source.get(), threshold, true);
            int settled = 0, moving = 0;  // pixels settled, pixels of some gradient
            for (int p = 0; p < w * h; ++p) {
                const int x = p % w, y = p / w;
                const bool inner = std::min({x, y, w - 1 - x, h - 1 - y}) >= 2;
                EXPECT_TRUE(inner || peaks[p] == 0) << x << ", " << y;
                if (!inner) continue;
                const sobel g(image, x, y);
                bool peak = true, none = true;  // under every direction the codes may give
                for (int s : g.sectors) {
                    double low[2], high[2], raw[2];  // the neighbours ahead and behind
                    for (int k : {0, 1}) {
                        const sobel n(image, x + (1 - 2 * k) * ahead[s][0],
                                      y + (1 - 2 * k) * ahead[s][1]);
                        low[k] = raw[k] = high[k] = n.m;
                        for (int t : n.sectors)
                            if (((t - s) & 7) >= 3 && ((t - s) & 7) <= 5) low[k] = 0;
                        if (low[k] == 0 && n.sectors.size() == 1) high[k] = 0;
                    }
                    peak &= above(g.m, threshold) && above(g.m, high[0]) &&
                            above(g.m, high[1]) && (above(g.m, raw[0]) || above(g.m, raw[1]));
                    none &= above(threshold, g.m) || above(low[0], g.m) || above(low[1], g.m);
                }
                EXPECT_TRUE(!peak || std::fabs(peaks[p] - g.m) <= g.m * 0.015 + 1) << x << "," << y;
                EXPECT_TRUE(!none || peaks[p] == 0) << x << ", " << y;
                settled += (peak || none) && g.m >= 1;
                moving += g.m >= 1;
            }
            EXPECT_GE(settled, moving / 2) << w << "x" << h;
        }
    }
}

// Both kernels put a step's peak on the pixel further along the gradient, 2 pixels or more from
// the border; only the magnitudes differ (smoothed or not), all equal along the step. A
// destination sharing the source's pixels gets the same peaks. A flat image has no peaks.
TEST(TruePeak, MainAndPortableMarkTheSamePixelsOnSharpSteps) {
    for (int position : {5, 9, 14}) {
        for (int flip = 0; flip < 4; ++flip) {
            const greyImage step = generate(24, 20, [&](int x, int y) {
                return ((flip & 1 ? y : x) >= position) != bool(flip & 2) ? 200 : 40;
            });
            record source(step), shared(step);
            const std::vector<int> main = truePeaks(source.get(), 10, false),
                                   portable = truePeaks(source.get(), 10, true);
            EXPECT_EQ(std::count(main.begin(), main.end(), 0), 24 * 20 - (flip & 1 ? 20 : 16));
            for (size_t k = 0; k < main.size(); ++k) EXPECT_EQ(main[k] > 0, portable[k] > 0) << k;
            // A threshold equal to the step's magnitude keeps it, one above does not.
            const int top = *std::max_element(portable.begin(), portable.end());
            EXPECT_EQ(truePeaks(source.get(), top, true), portable);
            EXPECT_EQ(truePeaks(source.get(), top + 1, true), std::vector<int>(24 * 20, 0));
            EXPECT_EQ(truePeaks(shared.get(), 10, flip & 2, &shared.image),
                      flip & 2 ? portable : main);
        }
    }
    record flat(greyImage(16, 16, 77));
    EXPECT_EQ(truePeaks(flat.get(), 0, false), truePeaks(flat.get(), 0, true));
    EXPECT_EQ(truePeaks(flat.get(), 0, true), std::vector<int>(16 * 16, 0));
}

// Columns 10 and on light: the edgelets are column 10 of rows 2 .. 13, of magnitude 110, kept by
// a threshold of 110 but not 111. The result covers the window at its image coordinates, with the
// source's client transforms.
TEST(EdgePeakImage, StepIsOnePixelWideOrTwoAndFlatIsBlack) {
    record step(generate(20, 16, [](int x, int) { return x >= 10 ? 200 : 30; })),
        flat(greyImage(30, 20, 90), 4);
    cimg_image_window(&flat.image, 7, 3, 12, 9);
    cimg_image out;
    cimg_image_constructUnbound(&out);
    for (auto run : {cf_GetTrueEdgePeakFromEdgelets_noPadding, cf_GetTrueEdgePeakFromEdgelets}) {
        const bool padded = run == cf_GetTrueEdgePeakFromEdgelets;
        ASSERT_EQ(run(step.get(), &out, 110), 0);
        std::vector<int> expected(20 * 16, 0);
        for (int y = 2; y < 14; ++y) expected[y * 20 + 10] = expected[y * 20 + 10 + padded] = 110;
        EXPECT_EQ(windowPixels(out), expected);
        ASSERT_EQ(run(step.get(), &out, 111), 0);
        EXPECT_EQ(windowPixels(out), std::vector<int>(20 * 16, 0));
        ASSERT_EQ(run(flat.get(), &out, 0), 0);
        EXPECT_EQ(windowPixels(out), std::vector<int>(12 * 9, 0));
        EXPECT_TRUE(out.asConst.window.x == 7 && out.asConst.window.y == 3 &&
                    out.asConst.imageFromClient.trans.x == 4);
    }
    cimg_image_destruct(&out);
}

}  // namespace
