// Binarization: the six methods on rendered symbols under uneven light, into new, bound and
// shared outputs; the local mean and the tiles against direct references.
#include <gtest/gtest.h>

#include <algorithm>

#include "ci_id/threshold.h"
#include "threshold_images.h"

namespace {

using cid_test::windowedImage;
using thr_test::greyImage;
using thr_test::output;
using params = cidut_binarizeParams;

// A checkerboard of 6-pixel modules, dark ones of reflectance 0.35, lit from lo at the left to hi
// at the right, with a little noise: every window of the local methods meets both kinds.
greyImage litSymbol(int lo, int hi, uint32_t seed) {
    std::mt19937 rng(seed);
    return thr_test::made(240, 120, [&](int x, int y) {
        const double light = (lo + (hi - lo) * x / 239.0) * ((x / 6 + y / 6) % 2 ? 0.35 : 1.0);
        return std::clamp(int(light) + int(rng() % 5) - 2, 0, 255);
    });
}

// The fraction of the pixels inside their module (not on its rim) that come out wrong.
double moduleErrors(const greyImage& out) {
    int wrong = 0, seen = 0;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            if (x % 6 != 0 && x % 6 != 5 && y % 6 != 0 && y % 6 != 5)
                wrong += out.at(x, y) != ((x / 6 + y / 6) % 2 ? 0 : 255), ++seen;
    return double(wrong) / seen;
}

params paramsFor(
    int32_t method, void (*change)(params&) = [](params&) {}) {
    params p;
    cidut_binarizeParams_construct(&p);
    p.method = method;
    change(p);
    return p;
}

// The result in a new output.
greyImage binarized(const cimg_imageConst* source, const params& p) {
    output result;
    EXPECT_EQ(cidut_binarizeImage(&result.image, 0, 0, nullptr, source, &p), 0) << p.method;
    return result.pixels();
}

void floor30(params& p) { p.minContrast = 30; }
void windowAll(params& p) { p.regionMode = 0, p.window = {0, 0, 240, 120}; }
void rectAll(params& p) { p.regionMode = 1, p.rect = {{0, 0}, {240, 0}, {0, 120}}; }

TEST(Binarize, EveryMethodSeparatesModulesUnderMildLightAndOnlyLocalOnesUnderStrongLight) {
    for (bool strong : {false, true}) {
        const windowedImage source(strong ? litSymbol(60, 250, 2) : litSymbol(150, 220, 1));
        for (int32_t method = 0; method <= 5; ++method) {
            // The darkest tiles of the strong scene span 39 levels, below the default floor.
            const double errors = moduleErrors(binarized(source.get(), paramsFor(method, floor30)));
            // Under strong light no global threshold fits both ends.
            EXPECT_TRUE(strong && method <= 1 ? errors > 0.1 : errors < 0.005) << method << strong;
            if (method > 1) continue;
            // A statistics window or rectangle over all of the source changes nothing.
            EXPECT_EQ(moduleErrors(binarized(source.get(), paramsFor(method, windowAll))), errors);
            EXPECT_EQ(moduleErrors(binarized(source.get(), paramsFor(method, rectAll))), errors);
        }
    }
}

TEST(Binarize, BoundAndSharedOutputsAgreeOnlyMethod4MasksAndSmallScenesComeOutExactly) {
    const cid_test::padding pad{10, 5, 30, 5, 0, 0, 0};  // the window at image (10, 5)
    const windowedImage source(litSymbol(60, 250, 3), pad);
    for (int32_t method = 0; method <= 5; ++method) {
        params p = paramsFor(method);
        const greyImage fresh = binarized(source.get(), p);
        windowedImage bound(greyImage(240, 120), pad), inPlace(litSymbol(60, 250, 3), pad);
        output mask;
        ASSERT_EQ(cidut_binarizeImage(&bound.image, 0, 0, &mask.image, source.get(), &p), 0);
        ASSERT_EQ(cidut_binarizeImage(&inPlace.image, 0, 0, nullptr, inPlace.get(), &p), 0);
        EXPECT_TRUE(cid_test::readWindow(*bound.get()) == fresh) << method;
        EXPECT_TRUE(cid_test::readWindow(*inPlace.get()) == fresh) << method;
        // Only method 4 writes the mask, and the whole symbol has contrast.
        EXPECT_TRUE(method == 4 ? mask.pixels() == greyImage(240, 120, 255) : !mask.bound());
    }
    // Method 4 at full resolution: a dot of 80 whose contrast just below it (120) reaches the
    // threshold takes bigMin + 120 / 2 = 60, not 0 + 200 / 2 (from a dark pixel 5 away).
    greyImage dots(21, 21, 200);
    dots.at(6, 11) = 0, dots.at(11, 11) = dots.at(11, 12) = 80;
    const params full = paramsFor(4, [](params& p) { p.reductionFactor = 1; });
    EXPECT_EQ(binarized(windowedImage(dots).get(), full).at(11, 11), 255);
    const windowedImage flat(greyImage(9, 7, 77));
    EXPECT_TRUE(binarized(flat.get(), paramsFor(0)) == greyImage(9, 7, 255));  // T = 77
}

TEST(Binarize, LocalMeanEqualsTheWindowSumBordersIncludedAndWindowsAbove128Rows) {
    std::mt19937 rng(9);
    params p = paramsFor(CIDUT_BINARIZE_LOCAL_MEAN);
    for (int trial = 0; trial < 40; ++trial) {
        const int n = 1 + int(rng() % 24), offset = int(rng() % 40);
        const int w = n + int(rng() % 40), h = n + int(rng() % 30);
        const greyImage g = cid_test::randomGreyImage(w, h, uint32_t(trial));
        const greyImage expected = thr_test::made(w, h, [&](int x, int y) {
            const int x0 = std::clamp(x - n / 2, 0, w - n), y0 = std::clamp(y - n / 2, 0, h - n);
            int64_t sum = 0;
            thr_test::eachIn(g, x0, y0, x0 + n - 1, y0 + n - 1, [&](int v) { sum += v; });
            return int64_t{g.at(x, y)} * n * n >= sum - int64_t{offset} * n * n ? 255 : 0;
        });
        p.meanWindow = n, p.meanOffset = uint8_t(offset);
        const windowedImage source(g, {5, 3, 4, 2, 3, -7, 11});
        EXPECT_TRUE(binarized(source.get(), p) == expected) << n << ": " << w << " x " << h;
    }
    // 140 rows of 250 would wrap 16-bit column sums and hide the dark dot.
    greyImage dot(141, 141, 250), expected(141, 141, 255);
    dot.at(70, 70) = expected.at(70, 70) = 0;
    p.meanWindow = 140, p.meanOffset = 10;
    EXPECT_TRUE(binarized(windowedImage(dot).get(), p) == expected);
}

TEST(Binarize, TilesAreCutFromTheTopLeftWithTheRemainderLast) {
    // Height 100 in 10 tile rows: nine of 11 rows and one of 1; width 37 in 3: 13, 13, 11.
    const int ys[] = {0, 11, 22, 33, 44, 55, 66, 77, 88, 99, 100}, xs[] = {0, 13, 26, 37};
    for (int32_t method : {2, 3}) {
        greyImage g = cid_test::randomGreyImage(37, 100, uint32_t(method), 120);
        for (int y = 0; y < 11; ++y)  // a tile of range 30, not above the floor of method 2
            for (int x = 13; x < 26; ++x) g.at(x, y) = uint8_t(y % 3 * 15);
        const int dark = *std::min_element(g.pixels.begin(), g.pixels.end());
        const greyImage expected = thr_test::made(37, 100, [&](int x, int y) {
            const int r = int(std::upper_bound(ys, ys + 11, y) - ys) - 1;
            const int c = int(std::upper_bound(xs, xs + 4, x) - xs) - 1;
            int low = 255, high = 0;
            thr_test::eachIn(g, xs[c], ys[r], xs[c + 1] - 1, ys[r + 1] - 1,
                             [&](int v) { low = std::min(low, v), high = std::max(high, v); });
            const int mid = high - low > 30 ? (high + low) >> 1 : 0;
            return g.at(x, y) > (method == 3 ? (high + dark) >> 1 : mid) ? 255 : 0;
        });
        const windowedImage source(g);
        params p = paramsFor(method);
        p.tilesX = 3, p.tilesY = 10, p.minContrast = 30;
        EXPECT_TRUE(binarized(source.get(), p) == expected) << method;
    }
}

}  // namespace
