// Tracking records and seed finders, against a plain re-implementation of the gradient rule.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>
#include <vector>

#include "ci_id/platform/csys_status.h"
#include "ci_id/tracking.h"
#include "grey_image.h"
#include "test_support.h"

namespace {

using cid_test::greyImage;

struct view {
    cimg_imageConst image;
    // The pixels placed at image position (x0, y0).
    view(greyImage& g, int x0 = 0, int y0 = 0) {
        cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, g.width, g.height, g.width,
                                      g.pixels.data());
        cimg_imageConst_setImageOffset(&image, x0, y0);
    }
    ~view() { cimg_imageConst_destruct(&image); }
};

std::vector<cid2d_trackingSeed> seedsOf(const cimg_imageConst* image, std::vector<int32_t> rows,
                                        int maxSeeds, int minStrength, int sort, int pairFilter,
                                        double spacing) {
    std::vector<cid2d_trackingSeed> seeds(maxSeeds);
    int32_t count = -1;
    EXPECT_EQ(cid2d_getHorizontalTrackingSeeds(
                  image, rows.data(), static_cast<int32_t>(rows.size()), maxSeeds, minStrength,
                  sort, seeds.data(), &count, pairFilter, spacing),
              0);
    seeds.resize(count);
    return seeds;
}

// Direct statement of the rule: the gradient at every column, then its peaks.
std::vector<cid2d_trackingSeed> referenceSeeds(greyImage& g, int row, int scanLine, int threshold) {
    std::vector<cid2d_trackingSeed> out;
    if (!(0 < row && row < g.height - 3 && 2 < g.width - 3)) return out;
    auto p = [&](int x) { return static_cast<int>(g.at(x, row)); };
    std::vector<int> grad(g.width, 0);
    for (int c = 2; c < g.width - 5; ++c) {
        grad[c] = std::abs((p(c + 2) + p(c + 3) + p(c + 4)) - (p(c - 1) + p(c) + p(c + 1)));
    }
    for (int c = 2; c < g.width - 5; ++c) {
        int prev = c - 1 >= 2 ? grad[c - 1] : 0;
        int prev2 = c - 2 >= 2 ? grad[c - 2] : (c - 1 >= 2 ? 0 : 256);
        if (prev2 < prev && grad[c] <= prev && prev >= threshold) {
            int mean = (p(c - 1) + p(c) + p(c + 1) + p(c + 2)) / 4;
            out.push_back({c, row, prev, mean, scanLine, p(c) < mean ? 1 : 0, (c + 2) * 256,
                           row * 256, (c - 1) * 256, row * 256});
        }
    }
    return out;
}

bool sameSeed(const cid2d_trackingSeed& a, const cid2d_trackingSeed& b) {
    return a.x == b.x && a.y == b.y && a.strength == b.strength && a.mean == b.mean &&
           a.scanLine == b.scanLine && a.polarity == b.polarity && a.aheadX == b.aheadX &&
           a.aheadY == b.aheadY && a.behindX == b.behindX && a.behindY == b.behindY;
}

TEST(TrackingRecords, DefaultsAndResultLifecycle) {
    cid2d_trackingParams params;
    cid2d_trackingParams_init(&params);
    EXPECT_EQ(params.workBuffer, nullptr);
    EXPECT_EQ(params.minSymbolSize, 15.0);
    EXPECT_EQ(params.maxSymbolSize, 2000.0);
    EXPECT_EQ(params.scanLinesAreRows, 1);
    EXPECT_EQ(params.minSmoothing, 3.0);
    EXPECT_EQ(params.maxBoundaryPoints, INT32_MAX);
    EXPECT_EQ(params.maxCornerPasses, 2);
    cid2d_trackingResult result;
    ASSERT_EQ(cid2d_trackingResult_construct(&result), 0);
    EXPECT_EQ(result.farCornerFromShape, 1);
    EXPECT_EQ(result.track.count, 0);
    result.found = 1;
    result.cornerScore = 7;
    result.rect.po.x = 3;
    result.seed.x = 9;
    cid2d_trackingResult_reset(&result);
    EXPECT_EQ(result.found, 0);
    EXPECT_EQ(result.cornerScore, 0);
    EXPECT_EQ(result.rect.po.x, 3);
    EXPECT_EQ(result.seed.x, 9);
    EXPECT_EQ(cid2d_trackingResult_destruct(&result), 0);
    csys_typeCheck_cid2d_trackingResult(&result);
}

TEST(Seeds, AgreeWithTheDirectRuleOnRandomRowsAndWindows) {
    std::mt19937 rng(4);
    for (int trial = 0; trial < 40; ++trial) {
        int w = 6 + rng() % 80, h = 5 + rng() % 10;
        greyImage g(w, h, 0);
        for (auto& v : g.pixels)
            v = static_cast<unsigned char>(rng() % 3 == 0 ? rng() % 256 : (rng() % 2) * 200);
        std::vector<int32_t> rows;
        for (int r = -1; r <= h; ++r) rows.push_back(r);
        int threshold = 20 + rng() % 200;
        std::vector<cid2d_trackingSeed> expected;
        for (size_t i = 0; i < rows.size(); ++i) {
            auto row = referenceSeeds(g, rows[i], static_cast<int>(i), threshold);
            expected.insert(expected.end(), row.begin(), row.end());
        }
        view plain(g);
        auto got = seedsOf(&plain.image, rows, 10000, threshold, 0, 0, 0.0);
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(sameSeed(got[i], expected[i]));

        // The same pixels at another image position: rows shift, seeds stay window-relative.
        view moved(g, 300, -40);
        for (auto& r : rows) r -= 40;
        auto shifted = seedsOf(&moved.image, rows, 10000, threshold, 0, 0, 0.0);
        ASSERT_EQ(shifted.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(sameSeed(shifted[i], expected[i]));
    }
}

TEST(Seeds, NarrowWindowsAndEdgeRowsGiveNothing) {
    greyImage g(6, 10, 255);
    for (int y = 0; y < 10; ++y) g.at(3, y) = 0;
    view narrow(g);
    EXPECT_TRUE(seedsOf(&narrow.image, {5}, 10, 10, 0, 0, 0).empty());
    greyImage wide(40, 10, 255);
    for (int y = 0; y < 10; ++y) {
        for (int x = 20; x < 26; ++x) wide.at(x, y) = 0;
    }
    view v(wide);
    EXPECT_EQ(seedsOf(&v.image, {5}, 10, 10, 0, 0, 0).size(), 2u);
    for (int row : {0, 7, 8, 9, -3, 12})
        EXPECT_TRUE(seedsOf(&v.image, {row}, 10, 10, 0, 0, 0).empty()) << row;
}

TEST(Seeds, PairFilterKeepsModuleTextureAndReplacesLoneEdges) {
    greyImage g(80, 6, 255);
    auto bar = [&](int from, int to) {
        for (int x = from; x < to; ++x) g.at(x, 2) = 0;
    };
    bar(10, 20);  // a wide bar: two edges of opposite polarity, 10 apart
    bar(40, 42);  // a distant narrow bar
    view v(g);
    auto unfiltered = seedsOf(&v.image, {2}, 10, 30, 0, 0, 0);
    ASSERT_EQ(unfiltered.size(), 4u);
    EXPECT_NE(unfiltered[0].polarity, unfiltered[1].polarity);
    // Spacing 5: the first two are kept (fewer than two before them); the third pairs with
    // neither, so it replaces the second; the fourth pairs with the third and is appended.
    auto filtered = seedsOf(&v.image, {2}, 10, 30, 0, 1, 5.9);
    ASSERT_EQ(filtered.size(), 3u);
    EXPECT_TRUE(sameSeed(filtered[0], unfiltered[0]));
    EXPECT_TRUE(sameSeed(filtered[1], unfiltered[2]));
    EXPECT_TRUE(sameSeed(filtered[2], unfiltered[3]));
}

TEST(Seeds, SortingAndLimits) {
    greyImage g(60, 8, 255);
    for (int y = 0; y < 8; ++y) {
        for (int x = 20; x < 30; ++x) g.at(x, y) = y == 2 ? 100 : 0;
    }
    view v(g);
    auto sorted = seedsOf(&v.image, {4, 2, 3}, 10, 10, 1, 0, 0);
    ASSERT_EQ(sorted.size(), 6u);
    for (size_t i = 1; i < sorted.size(); ++i) {
        EXPECT_TRUE(sorted[i - 1].strength > sorted[i].strength ||
                    (sorted[i - 1].strength == sorted[i].strength &&
                     sorted[i - 1].scanLine <= sorted[i].scanLine));
    }
    EXPECT_EQ(sorted[0].scanLine, 0);      // rows 4 and 3 tie; line 0 comes first
    EXPECT_EQ(sorted.back().scanLine, 1);  // the weak row
    EXPECT_EQ(seedsOf(&v.image, {4, 2, 3}, 3, 10, 0, 0, 0).size(), 3u);
}

TEST(Seeds, ThreeScanlinesKeepTheLeftmostThenTheStrongest) {
    greyImage g(120, 12, 255);
    int edges[] = {10, 30, 50, 70, 90};
    for (int y = 0; y < 12; ++y) {
        for (int k = 0; k < 5; ++k) {
            for (int x = edges[k]; x < edges[k] + 8; ++x)
                g.at(x, y) = static_cast<unsigned char>(40 * k);
        }
    }
    view v(g);
    int32_t rows[3] = {2, 5, 8};
    std::vector<cid2d_trackingSeed> seeds(40);
    int32_t count = 0;
    ASSERT_EQ(cid2d_getHorizontalTrackingSeeds_threeScanlines(&v.image, rows, 0, 40, 1, 10,
                                                              seeds.data(), &count),
              0);
    ASSERT_EQ(count, 7);
    EXPECT_EQ(seeds[0].x, 9);  // the leftmost edge of row 0
    EXPECT_EQ(seeds[0].scanLine, 0);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(seeds[i].scanLine, 1);
    EXPECT_GE(seeds[1].strength, seeds[2].strength);
    int32_t outside[3] = {2, 50, 8};
    ASSERT_EQ(cid2d_getHorizontalTrackingSeeds_threeScanlines(&v.image, outside, 0, 40, 1, 10,
                                                              seeds.data(), &count),
              0);
    EXPECT_EQ(count, 4);  // the row outside the window is skipped, not read
}

TEST(Seeds, BadArguments) {
    greyImage g(20, 20, 0);
    view v(g);
    int32_t row = 5;
    int32_t count = 77;
    cid2d_trackingSeed seed;
    EXPECT_PRECONDITION(
        cid2d_getHorizontalTrackingSeeds(&v.image, &row, 1, 0, 10, 0, &seed, &count, 0, 0));
    cimg_imageConst unbound;
    cimg_imageConst_constructUnbound(&unbound);
    EXPECT_EQ(cid2d_getHorizontalTrackingSeeds(&unbound, &row, 1, 1, 10, 0, &seed, &count, 0, 0),
              CIMG_STATUS_NOT_BOUND);
    EXPECT_EQ(count, 0);
}

}  // namespace
