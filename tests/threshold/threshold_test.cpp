// Histogram thresholds (Otsu, within-group variance, percentile), histograms, dark and light
// classes, the division and the image-processing calls, against exhaustive searches, direct
// counts and direct sampling.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "ci_id/platform/cip_affine.h"
#include "ci_id/platform/cip_filter.h"
#include "ci_id/platform/cip_hist.h"
#include "ci_id/platform/cip_thresh.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/threshold.h"
#include "threshold_images.h"

namespace {

using cid_test::windowedImage;
using thr_test::greyImage;
using thr_test::output;
using hist = std::vector<uint32_t>;

// The classes below t and from t on, from their members: counts, means, squares about them.
struct split {
    long double n[2] = {0, 0}, mean[2] = {0, 0}, within = 0;
};
split splitAt(const hist& h, int t) {
    split s;
    for (int i = 0; i < int(h.size()); ++i) s.n[i >= t] += h[i], s.mean[i >= t] += h[i] * i;
    for (int c = 0; c < 2; ++c) s.mean[c] = s.n[c] > 0 ? s.mean[c] / s.n[c] : 0;
    for (int i = 0; i < int(h.size()); ++i) s.within += h[i] * std::pow(i - s.mean[i >= t], 2);
    return s;
}

TEST(HistogramThresholds, OtsuAndWithinGroupVarianceEqualExhaustiveSearches) {
    const auto wgv = cip_threshComputeWGVThresholdFromHistogram;
    std::mt19937 rng(7);
    for (int trial = 0; trial < 100; ++trial) {
        hist h(2 + rng() % 255, 0);  // sparse, at least two bins occupied
        while (std::count(h.begin(), h.end(), 0u) + 2 > long(h.size()))
            for (uint32_t& c : h) c = rng() % 3 == 0 ? rng() % 1000 : 0;
        const int last = int(h.size()) - 1, low = 1 + int(rng() % last);
        const int high = low + int(rng() % (last - low + 1));
        const cip_threshParams params{trial % 3 == 0 ? 0.25 : 0.0};
        long double between = 0, within = -1;
        int otsu = -1;
        for (int t = 1; t <= last; ++t) {
            const split s = splitAt(h, t);
            const long double b = s.n[0] * s.n[1] * std::pow(s.mean[1] - s.mean[0], 2);
            if (b > between * (1 + 1e-15L)) between = b, otsu = t;
            const long double least = std::max(params.minClassFraction * (s.n[0] + s.n[1]), 1.0L);
            const bool counts = t >= low && t <= high && s.n[0] >= least && s.n[1] >= least;
            if (counts && (within < 0 || s.within < within)) within = s.within;
        }
        const split all = splitAt(h, 0);
        cid_thresholdResult r;
        cip_threshResult w;
        ASSERT_EQ(cid_thresholdHist(h.data(), last + 1, &r), 0);
        ASSERT_EQ(wgv(h.data(), last, low, high, &params, &w), 0);
        EXPECT_EQ(r.threshold, otsu) << trial;
        EXPECT_NEAR(r.quality, double(between / (all.n[1] * all.within)), 1e-12);
        EXPECT_EQ(w.isSeparable, within >= 0 ? 1 : 0) << trial;
        EXPECT_NEAR(double(within >= 0 ? splitAt(h, w.threshold).within : -1), double(within),
                    1e-6);
    }
    hist h(256, 0);
    for (auto [first, threshold, quality] : {std::tuple{5u, 11, 1.0}, {0u, 200, 0.0}}) {
        h[10] = first, h[200] = 7;  // two levels; then one alone
        cid_thresholdResult r;
        ASSERT_EQ(cid_thresholdHist(h.data(), 256, &r), 0);
        EXPECT_TRUE(r.threshold == threshold && r.quality == quality);
    }
}

TEST(Histograms, WindowCountsPercentilesAndClassesMatchTheSortedPixels) {
    for (int width : {1, 3, 32, 33, 130}) {
        const greyImage g = cid_test::randomGreyImage(width, 39, uint32_t(width), 40 + width);
        const windowedImage image(g, {2, 1, 2, 1, 7, 5, 9});
        std::vector<uint8_t> sorted(g.pixels);
        std::sort(sorted.begin(), sorted.end());
        hist expected(256, 0), counts(256, 0), platform(256, 99);
        for (uint8_t p : sorted) expected[p] += 2;
        for (int pass = 0; pass < 2; ++pass)  // adds to the counts
            cfPelHistogramSmall(image.storage.row(1) + 2, width, 39, image.storage.pitch,
                                counts.data());
        EXPECT_EQ(counts, expected) << width;
        for (uint32_t& c : expected) c /= 2;
        ASSERT_EQ(cip_pelHistogram8(image.get(), platform.data()), 0);
        EXPECT_EQ(platform, expected) << width;
        int32_t table[101];
        ASSERT_EQ(cip_pelHistogramStat_invCum(expected.data(), 256, table), 0);
        for (size_t p = 0, n = sorted.size(); p <= 100; ++p)
            EXPECT_EQ(table[p], sorted[std::max<size_t>((p * n + 99) / 100, 1) - 1]) << p;
        double mean[2], sd[2];  // classes up to the 10 % level and from the 80 % level
        cidut_getDarkLightMeanPercent_(expected.data(), 256, 10, 20, &mean[0], &mean[1], &sd[0],
                                       &sd[1]);
        const auto begin = sorted.begin(), end = sorted.end();
        const auto dark = std::upper_bound(begin, end, table[10]);
        const auto light = std::lower_bound(begin, end, table[80]);
        EXPECT_NEAR(mean[0], std::accumulate(begin, dark, 0.0) / double(dark - begin), 1e-9);
        EXPECT_NEAR(mean[1], std::accumulate(light, end, 0.0) / double(end - light), 1e-9);
    }
    const windowedImage levels(thr_test::made(16, 16, [](int x, int y) { return 16 * y + x; }));
    cid_thresholdResult r;  // half of a uniform histogram is reached at 127
    ASSERT_EQ(cid_thresholdBasedOnPercentage(levels.get(), 0.5f, &r), 0);
    EXPECT_EQ(r.threshold, 127);
}

int32_t inhibitAll(const wchar_t*) { return 1; }

TEST(DivideBuffer, ReciprocalKernelAndPortableLoopKeepTheLowByteOfTheQuotient) {
    std::mt19937 rng(5);
    std::vector<uint32_t> values = {300, 0, 255, 256, 0xFFFFFFFFu, 0x80000000u};
    for (int i = 0; i < 2000; ++i) values.push_back(uint32_t(rng() >> (rng() % 32)));
    std::vector<uint8_t> out(values.size());
    for (auto hook : {&inhibitAll, cprt_optimizationInhibitedFunction{nullptr}}) {
        cprt_isOptimizationInhibitedFP = hook;
        for (uint32_t d : {7u, 3u, 256u, 65537u, 0xFFFFFFFFu, uint32_t(rng()), 1u}) {
            const int32_t n = int32_t(values.size());
            ASSERT_EQ(cidut_divideBufferByConstant32_8(values.data(), n, d, out.data()), 0);
            for (size_t i = 0; i < values.size(); ++i) ASSERT_EQ(out[i], uint8_t(values[i] / d));
        }
    }
}

TEST(GaussSmoothing, KeepsConstantsAndSamplesARampAtTheBlockCentres) {
    const windowedImage ramp(thr_test::made(40, 31, [](int x, int y) { return 2 * x + 3 * y + 5; }),
                             {3, 2, 1, 4, 5, 0, 0});
    const windowedImage flat(greyImage(40, 31, 93));
    for (int s = 1; s <= 4; ++s) {
        const cip_gaussParams params{2, 2, s, s};
        output smooth, flatSmooth;
        ASSERT_EQ(cip_gauss_smooth8_8(ramp.get(), &smooth.image, &params), 0);
        ASSERT_EQ(cip_gauss_smooth8_8(flat.get(), &flatSmooth.image, &params), 0);
        const greyImage out = smooth.pixels();
        // Where the kernel (3 pixels each way) stays inside: the ramp at the block centre.
        const greyImage expected =
            thr_test::made((40 + s - 1) / s, (31 + s - 1) / s, [&](int i, int j) {
                const double x = i * s + (s - 1) / 2.0, y = j * s + (s - 1) / 2.0;
                const bool inside = x >= 4 && y >= 4 && x <= 35 && y <= 26;
                return inside ? int(std::floor(2 * x + 3 * y + 5.5)) : int(out.at(i, j));
            });
        EXPECT_TRUE(out == expected && flatSmooth.pixels() == greyImage(out.width, out.height, 93))
            << s;
    }
}

TEST(AffineResampling, AxisAlignedRectanglesCopyTheirPixelsInTheirOrientation) {
    const greyImage g = cid_test::randomGreyImage(26, 18, 12);
    const windowedImage source(g, {2, 1, 2, 1, 3, 38, 59});  // window pixels from (40, 60)
    output copy, mirrored;
    cmath_shapeAffineRect rect;
    cmath_vect corners[3] = {{45, 63}, {57, 63}, {45, 71}};  // image pixels 45 .. 56, 63 .. 70
    cmath_shapeAffineRect_initPoints(&rect, corners);
    ASSERT_EQ(cip_affine8(source.get(), &rect, &copy.image), 0);
    EXPECT_TRUE(copy.pixels() ==
                thr_test::made(12, 8, [&](int x, int y) { return g.at(5 + x, 3 + y); }));
    std::swap(corners[0].x, corners[1].x), corners[2].x = 57;  // x runs leftwards
    cmath_shapeAffineRect_initPoints(&rect, corners);
    ASSERT_EQ(cip_affine8(source.get(), &rect, &mirrored.image), 0);
    EXPECT_TRUE(mirrored.pixels() ==
                thr_test::made(12, 8, [&](int x, int y) { return g.at(16 - x, 3 + y); }));
}

}  // namespace
