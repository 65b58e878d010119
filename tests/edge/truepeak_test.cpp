// True peaks (the portable kernel against its arithmetic written out here, the main kernel
// against the portable one) and edge-peak images.
#include <gtest/gtest.h>

#include "ci_id/platform/csys_runtime.h"
#include "edge_scene.h"

namespace {

constexpr uint8_t kAngles[128] = {
    32,  32,  34,  32,  44,  41,  36,  39,  63,  61,  56,  59,  46,  49,  54,  51,  32,  32,  30,
    32,  20,  23,  28,  25,  1,   3,   8,   5,   18,  15,  10,  13,  96,  96,  94,  96,  84,  87,
    92,  89,  65,  67,  72,  69,  82,  79,  74,  77,  96,  96,  98,  96,  108, 105, 100, 103, 127,
    125, 120, 123, 110, 113, 118, 115, 224, 224, 222, 224, 212, 215, 220, 217, 193, 195, 200, 197,
    210, 207, 202, 205, 224, 224, 226, 224, 236, 233, 228, 231, 255, 253, 248, 251, 238, 241, 246,
    243, 160, 160, 162, 160, 172, 169, 164, 167, 191, 189, 184, 187, 174, 177, 182, 179, 160, 160,
    158, 160, 148, 151, 156, 153, 129, 131, 136, 133, 146, 143, 138, 141};

// Gradient by the [1 2 1] sums and differences times 32, four shift-and-add rotations to the
// magnitude byte and the angle code, scattered directions where the magnitude is 0; then a peak
// where the magnitude is at least the threshold, above the neighbour ahead in its eighth of a
// turn and not below the one behind, neighbours turned 3 to 5 eighths away counting as 0.
std::vector<int> portableArithmetic(const greyImage& p, int threshold) {
    const int w = p.width, h = p.height;
    std::vector<int> mag(w * h), dir(w * h);
    unsigned seed = 1;
    for (int at = w + 1; at < w * (h - 1) - 1; ++at) {
        const int x = at % w, y = at / w;
        if (x == 0 || x == w - 1) continue;
        auto sum = [&](int c) { return p.at(c, y - 1) + 2 * p.at(c, y) + p.at(c, y + 1); };
        auto diff = [&](int c) { return p.at(c, y + 1) - p.at(c, y - 1); };
        const int gx = (sum(x + 1) - sum(x - 1)) * 32,
                  gy = (diff(x - 1) + 2 * diff(x) + diff(x + 1)) * 32;
        int code = 1 + (gy < 0) * 4 + (gx < 0) * 2, big = std::abs(gx), small = std::abs(gy);
        if (big < small) code &= ~1, std::swap(big, small);
        for (int k = 1; k <= 4; ++k) {
            const int t = small - (big >> k);
            code = code * 2 + (t < 0);
            if (k < 4) big += small >> k, small = std::abs(t);
        }
        const unsigned v = unsigned(big * 440) << 6;
        mag[at] = v > 0x3FFFFFFFu ? 255 : int(v >> 22);
        if (mag[at] == 0) seed = (seed * 13821) & 32767;
        dir[at] = mag[at] ? kAngles[code] : int(seed >> 7);
    }
    const int ahead[8] = {1, w + 1, w, w - 1, -1, -w - 1, -w, -w + 1};
    auto sector = [&](int at) { return ((dir[at] + 16) >> 5) & 7; };
    std::vector<int> out(w * h);
    for (int at = 2 * w + 2; at < w * (h - 2) - 2; ++at) {
        if (at % w < 2 || at % w >= w - 2) continue;
        const int m = mag[at], s = sector(at), a = at + ahead[s], b = at - ahead[s];
        auto turned = [&](int n) {
            return ((sector(n) - s) & 7) >= 3 && ((sector(n) - s) & 7) <= 5;
        };
        if (m < threshold || !(m > mag[a] || mag[b] <= m)) continue;
        if ((turned(a) ? 0 : mag[a]) < m && (turned(b) ? 0 : mag[b]) <= m) out[at] = m;
    }
    return out;
}

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

// Sizes odd and even down to 1 x 1, as windows inside noise.
TEST(TruePeakPortable, FollowsItsArithmetic) {
    std::mt19937 rng(3);
    for (const auto& [w, h] :
         {std::pair{1, 1}, {2, 7}, {3, 3}, {5, 4}, {6, 6}, {33, 17}, {31, 65}, {64, 48}}) {
        // Noise, and flat ground where gradients vanish.
        const greyImage image =
            generate(w, h, [&](int x, int y) { return x + y < w ? int(rng() % 256) : 80; });
        for (int threshold : {0, 40}) {
            record source(image, threshold / 8);
            EXPECT_EQ(truePeaks(source.get(), threshold, true),
                      portableArithmetic(image, threshold))
                << w << "x" << h;
        }
    }
}

// Both kernels put a step's peak on the pixel further along the gradient, 2 pixels or more from
// the border; only the magnitudes differ (smoothed or not). A destination sharing the source's
// pixels gets the same peaks. A flat image has no peaks.
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
