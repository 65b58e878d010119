// Edge location: the listed profile, merging and polarity; edges of rendered bar
// patterns against the true edges, and rendered Code 128 symbols read back through the caliper.
#include <gtest/gtest.h>

#include <algorithm>

#include "bar_scene.h"
#include "ci_id/oned.h"

namespace {

// Edges found by one locator. mode 0: forward, both polarities; 1 and 2: backward, falling or
// rising only.
struct edges {
    std::vector<int32_t> strength = std::vector<int32_t>(512), position = strength;
    int32_t count = 0;
    // Samples s at spacing q, adaptive a, at most cap edges.
    int32_t locate(const std::vector<uint8_t>& s, int mode, int a, double q, int32_t cap = 512) {
        const auto n = int32_t(s.size());
        int32_t *st = strength.data(), *at = position.data();
        return mode == 0
                   ? cidut_lineEdgeLoc(s.data(), n, cap, 20, a, q, st, at, &count)
                   : cidut_lineEdgeLoc2D(s.data(), n, cap, 20, a, mode - 1, q, st, at, &count);
    }
};

TEST(LineEdgeLoc, ListedStepAndMerging) {
    const std::vector<uint8_t> step{0, 0, 0, 100, 100, 100};
    // Two rising steps three samples apart: 1.5 pixels at half-pixel spacing, 3 at one pixel.
    const std::vector<uint8_t> steps{0, 0, 0, 0, 60, 60, 60, 200, 200, 200, 200, 200};
    // The same steps four samples apart: 2 pixels at half-pixel spacing, too far to merge.
    const std::vector<uint8_t> apart{0, 0, 0, 0, 60, 60, 60, 60, 200, 200, 200, 200, 200};
    edges e;
    for (int adaptive : {0, 1}) {
        // Count, position and strength: forward positions count from p0 (3.0 pixels, between
        // samples 2 and 3), backward ones from the centre of sample 0, which keep one polarity.
        const std::vector<int32_t> expected[3] = {{1, 768, 100}, {0, 0, 0}, {1, 640, 100}};
        for (int mode = 0; mode < 3; ++mode) {
            ASSERT_EQ(e.locate(step, mode, adaptive, 1.0), 0);
            EXPECT_EQ((std::vector<int32_t>{e.count, e.count ? e.position[0] : 0, e.strength[0]}),
                      expected[mode]);
            if (mode == 1) continue;
            ASSERT_EQ(e.locate(steps, mode, adaptive, 0.5), 0);
            EXPECT_EQ(e.count, adaptive ? 1 : 2);
            EXPECT_EQ(e.strength[0], adaptive ? 140 : mode ? 140 : 60);
            EXPECT_TRUE(e.locate(steps, mode, adaptive, 1.0) == 0 && e.count == 2);
            EXPECT_TRUE(e.locate(apart, mode, adaptive, 0.5) == 0 && e.count == 2);
        }
    }
}

class RenderedBars : public ::testing::TestWithParam<double> {};

// Code 128 symbols and interleaved 2 of 5-like patterns (1 and 3 modules), within 40 degrees of
// the scan, blur 0.5, noise 2. One sample per pixel from 2 pixels per module: every true edge is
// found with its polarity by both locators, adaptive (from 3 pixels per module; it merges edges
// less than 2 pixels apart) and fixed; from 3 pixels per module 90 % lie within 0.1 pixel and all
// within 0.25. Below 3 the two-sample gradient spans neighbouring edges, which pull each other by
// up to half a pixel; below 2 it cannot separate them, and the symbols are sampled twice per
// pixel. A caller's check: the Code 128 bar and space widths from one scan (by the caliper from
// 2 pixels per module), over the module size, round to the symbol's module widths.
TEST_P(RenderedBars, EdgesAndCode128Widths) {
    const double ppm = GetParam();
    std::mt19937 rng(uint32_t(ppm * 100));
    std::vector<double> errors;
    for (int trial = 0; trial < 12; ++trial) {
        std::string text;
        std::vector<int> widths;
        for (int i = 0; i < 31; ++i)
            text += char(33 + rng() % 90), widths.push_back(rng() % 3 ? 1 : 3);
        if (trial % 2) widths = oned_test::code128Widths(text.substr(0, 6));
        const oned_test::barScene sc = oned_test::renderScene(widths, ppm, rng);
        const cimg_windowConst w = oned_test::windowOf(sc.image);
        const int32_t n = int32_t(2 * sc.half) * (ppm < 2 ? 2 : 1);  // the line is 2 half long
        std::vector<uint8_t> samples(n);
        uint8_t mean = 0;
        double spacing = 0;
        ASSERT_EQ(cidut_linePixels(&w, &sc.p0, &sc.p1, samples.data(), n, &mean, &spacing), 0);
        for (int mode = 0; mode < 3 && ppm >= 2; ++mode) {
            edges e;
            ASSERT_EQ(e.locate(samples, mode, ppm >= 3 && trial >= 6, spacing), 0);
            const double origin = mode == 0 ? 0.0 : spacing / 2;
            for (size_t i = 0; i < sc.edges.size(); ++i) {
                const bool rising = i % 2 == 1;
                if (mode != 0 && rising != (mode == 2)) continue;
                double best = 1e9;
                for (int32_t j = 0; j < e.count; ++j) {
                    const double miss = std::fabs(origin + e.position[j] / 256.0 - sc.edges[i]);
                    if ((e.strength[j] > 0) == rising) best = std::min(best, miss);
                }
                EXPECT_LT(best, ppm < 3 ? 0.5 : 0.25) << "mode " << mode << " edge " << i;
                errors.push_back(best);
            }
        }
        if (trial % 2 == 0) continue;
        edges e;
        ASSERT_EQ(ppm < 2
                      ? e.locate(samples, 0, 0, spacing)
                      : cidut_caliperLite(&w, &sc.p0, &sc.p1, 512, 20, ppm >= 3 && trial % 4 == 1,
                                          e.strength.data(), e.position.data(), &e.count),
                  0);
        ASSERT_EQ(e.count, int32_t(widths.size()) + 1) << text << " at " << ppm;
        for (size_t i = 0; i < widths.size(); ++i)
            EXPECT_EQ(std::lround((e.position[i + 1] - e.position[i]) / 256.0 / ppm), widths[i]);
    }
    std::sort(errors.begin(), errors.end());
    EXPECT_LT(errors.empty() ? 0.0 : errors[errors.size() * 9 / 10], ppm < 3 ? 0.5 : 0.1);
}

INSTANTIATE_TEST_SUITE_P(PerModule, RenderedBars, ::testing::Values(1.5, 2.0, 2.5, 3.0, 4.0, 6.0));

}  // namespace
