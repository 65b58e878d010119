// Regions of interest and the single-step walker.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "ci_id/scan.h"
#include "test_support.h"

namespace {

cidc_windowRect windowOf(int32_t width, int32_t height, int32_t x, int32_t y) {
    return cidc_windowRect{width, height, x, y};
}

TEST(WindowROI, InnerSizeAndCentres) {
    const cidc_windowRect w = windowOf(10, 6, 100, 200);
    cidc_windowROI roi;
    ASSERT_EQ(cidc_windowROI_initCorner(&roi, &w, 4, 2), 0);
    EXPECT_EQ(roi.width, 2);
    EXPECT_EQ(roi.height, 2);
    EXPECT_EQ(roi.x0, 4);
    EXPECT_EQ(roi.x1, 6);
    EXPECT_EQ(roi.originX, 100);
    EXPECT_EQ(roi.winOriginX, 0);
    EXPECT_EQ(roi.minX16, 72);
    EXPECT_EQ(roi.maxX16, 88);
    EXPECT_EQ(roi.spanX16, 16);
    EXPECT_EQ(roi.halfSpanX16, 8);
    EXPECT_EQ(roi.marginX16, 64);
    EXPECT_EQ(roi.marginY16, 32);
    EXPECT_PRECONDITION(cidc_windowROI_initCorner(&roi, &w, 5, 2));
    EXPECT_PRECONDITION(cidc_windowROI_initCorner(&roi, &w, 4, 3));

    ASSERT_EQ(cidc_windowROI_initCorner(&roi, &w, 0, 0), 0);
    EXPECT_EQ(roi.minX16, 8);
    EXPECT_EQ(roi.maxX16, 16 * 10 - 8);
    EXPECT_EQ(roi.maxY16, 16 * 6 - 8);
}

TEST(WindowROI, OriginsShareOrMoveTheFrame) {
    const cidc_windowRect w = windowOf(11, 7, -3, 5);
    cidc_windowROI centre, other, same, nul;
    ASSERT_EQ(cidc_windowROI_initCenter(&centre, &w, 1, 1), 0);
    EXPECT_EQ(centre.originX, 5 - 3);
    EXPECT_EQ(centre.originY, 3 + 5);
    EXPECT_EQ(centre.winOriginX, 5);
    EXPECT_EQ(centre.x0, 1 - 5);
    EXPECT_EQ(centre.x1, 1 - 5 + 9);
    ASSERT_EQ(cidc_windowROI_init(&other, &w, 2, 1, 40, -7), 0);
    EXPECT_EQ(other.winOriginX, 43);
    EXPECT_EQ(other.y0, 1 + 12);
    const cidc_windowRect bigger = windowOf(30, 20, -10, 0);
    ASSERT_EQ(cidc_windowROI_initSameOrigin(&same, &bigger, &other, 3, 3), 0);
    EXPECT_EQ(same.originX, 40);
    EXPECT_EQ(same.originY, -7);
    EXPECT_EQ(same.winOriginX, 50);
    ASSERT_EQ(cidc_windowROI_initNULL(&nul), 0);
    const cidc_windowROI zero{};
    EXPECT_EQ(std::memcmp(&nul, &zero, sizeof zero), 0);
}

TEST(WindowROI, CopyShrink) {
    const cidc_windowRect w = windowOf(40, 30, 0, 0);
    cidc_windowROI roi, copy;
    ASSERT_EQ(cidc_windowROI_initCorner(&roi, &w, 2, 1), 0);
    const int64_t small = 32, smallY = 16;
    ASSERT_EQ(cidc_windowROI_initCopyShrink(&copy, &roi, &small, &smallY), 0);
    EXPECT_EQ(std::memcmp(&copy, &roi, sizeof roi), 0);

    const int64_t shrinkX = 40, shrinkY = 20;
    ASSERT_EQ(cidc_windowROI_initCopyShrink(&copy, &roi, &shrinkX, &shrinkY), 0);
    EXPECT_EQ(copy.minX16, roi.minX16 + 40);
    EXPECT_EQ(copy.maxX16, roi.maxX16 - 40);
    EXPECT_EQ(copy.spanX16, roi.spanX16 - 80);
    EXPECT_EQ(copy.halfSpanX16, roi.halfSpanX16 - 40);
    EXPECT_EQ(copy.marginX16, 40);
    EXPECT_EQ(copy.x0, copy.minX16 >> 4);
    EXPECT_EQ(copy.x1, ((copy.maxX16 - 1) >> 4) + 1);
    EXPECT_EQ(copy.width, copy.x1 - copy.x0);
    EXPECT_EQ(copy.minY16, roi.minY16 + 20);
    EXPECT_EQ(copy.marginY16, 20);
    EXPECT_EQ(copy.originX, roi.originX);
    const int64_t tooMuch = 16 * 40;
    EXPECT_PRECONDITION(cidc_windowROI_initCopyShrink(&copy, &roi, &tooMuch, &shrinkY));
}

TEST(BresWalk, StepsAndCarries) {
    cidc_point32 pixel{5, 5}, fraction{0, 0};
    const cidc_unitDir16 right{65536, 0};
    ASSERT_EQ(cidc_bresWalk(&pixel, &fraction, &right), 0);
    EXPECT_EQ(pixel.x, 6);
    EXPECT_EQ(pixel.y, 5);
    EXPECT_EQ(fraction.y, 0);
    const cidc_unitDir16 diagonal{46341, 46341};
    pixel = cidc_point32{0, 0};
    fraction = cidc_point32{0, 0};
    cidc_bresWalk(&pixel, &fraction, &diagonal);
    EXPECT_EQ(pixel.y, 1);
    EXPECT_EQ(pixel.x, 1);
    EXPECT_EQ(fraction.x, 1);
    // Many diagonal steps move one minor pixel per step; the fraction drifts up by one a step.
    for (int k = 0; k < 70000; ++k) cidc_bresWalk(&pixel, &fraction, &diagonal);
    EXPECT_EQ(pixel.x, 70001);
    EXPECT_EQ(pixel.y, 70001);
    EXPECT_EQ(fraction.x, 70001);
    const cidc_unitDir16 zero{0, 0};
    EXPECT_PRECONDITION(cidc_bresWalk(&pixel, &fraction, &zero));
}

// The walker visits the pixels of a reference DDA that adds the exact slope minor / |major| to
// the minor coordinate. The walker's 16-bit slope divides by |major| >> 2 and truncates, so it
// may differ from the exact one by |slope| 4 / |major| + 2^-16 a step; where the exact value lies
// within that accumulated rounding of a pixel border the two may differ, nowhere else.
TEST(BresWalk, RandomDirectionsFollowAReferenceDDA) {
    std::mt19937 rng(31);
    std::uniform_int_distribution<int32_t> c(-100000, 100000);
    int compared = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        cidc_unitDir16 dir;
        cidc_unitDir16_initVect(&dir, c(rng), c(rng));
        const bool yMajor = std::abs(dir.x) <= std::abs(dir.y);
        const int32_t major = yMajor ? dir.y : dir.x;
        const int32_t minor = yMajor ? dir.x : dir.y;
        const double slope = double(minor) / std::abs(major);
        const double rounding = std::fabs(slope) * 4 / std::abs(major) + 1.0 / 65536;
        const int32_t start = static_cast<int32_t>(rng() % 65536);
        cidc_point32 pixel{0, 0};
        cidc_point32 fraction{yMajor ? start : 0, yMajor ? 0 : start};
        for (int k = 1; k <= 1000; ++k) {
            ASSERT_EQ(cidc_bresWalk(&pixel, &fraction, &dir), 0);
            const double exact = start / 65536.0 + k * slope;
            const int32_t majorPixel = yMajor ? pixel.y : pixel.x;
            const int32_t minorPixel = yMajor ? pixel.x : pixel.y;
            ASSERT_EQ(majorPixel, major > 0 ? k : -k);
            const double border = std::round(exact);
            if (std::fabs(exact - border) <= k * rounding) continue;
            ASSERT_EQ(minorPixel, static_cast<int32_t>(std::floor(exact)))
                << "trial " << trial << " step " << k;
            ++compared;
        }
    }
    EXPECT_GT(compared, 2000000);
}

}  // namespace
