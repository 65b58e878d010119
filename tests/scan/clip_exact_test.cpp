// Clipping with the scan shapes' exact integer arithmetic: truncated line cuts, 16-bit segment cut
// fractions, axis-parallel segments tested on their line, and a ray origin past its chord's end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "ci_id/scan.h"

namespace {

cidc_windowROI roiOf(int32_t width, int32_t height, int32_t margin, int32_t origin) {
    const cidc_windowRect window{width, height, 0, 0};
    cidc_windowROI roi;
    EXPECT_EQ(cidc_windowROI_init(&roi, &window, margin, margin, origin, origin), 0);
    return roi;
}

cidc_scanLine lineThrough(cidc_point64_4 p, int32_t dx, int32_t dy) {
    cidc_unitDir16 dir;
    cidc_scanLine line;
    EXPECT_EQ(cidc_unitDir16_initVect(&dir, dx, dy), 0);
    EXPECT_EQ(cidc_scanLine_initPointDir(&line, &p, &dir), 0);
    return line;
}

// The 16-bit cut fractions of one axis, t[0] <= 0 at the start and t[1] >= 0 at the end.
void cutsOf(int64_t a0, int64_t a1, int64_t lo, int64_t hi, int64_t t[2]) {
    const int64_t delta = a1 - a0;
    if (delta == 0) {
        if (a0 < lo || a0 > hi) t[0] = -65536, t[1] = 65536;
        return;
    }
    const int64_t over[2] = {delta > 0 ? lo - a0 : lo - a1, delta > 0 ? a1 - hi : a0 - hi};
    int64_t* acts[2] = {delta > 0 ? &t[0] : &t[1], delta > 0 ? &t[1] : &t[0]};
    for (int k = 0; k < 2; ++k) {
        if (over[k] <= 0) continue;
        const int64_t q = std::min(over[k], std::abs(delta)) * 65536 / (k == 0 ? -delta : delta);
        if (std::abs(q) > std::abs(*acts[k])) *acts[k] = q;
    }
}

TEST(ClipExact, LinesAndRaysCutByTruncatedQuotients) {
    // Window 20 x 10 with its origin at the corner: centres 8 .. 312 by 8 .. 152. Points by hand
    // from the corners' cross products (rounding would give (8, 13) and (312, 134), and (8, 123)).
    const cidc_windowROI roi = roiOf(20, 10, 0, 0);
    const struct {
        cidc_point64_4 through;
        int32_t dx, dy;
        cidc_point64_4 start, end;
    } rows[] = {{{100, 50}, 5, 2, {8, 12}, {312, 135}}, {{120, 40}, -4, 3, {162, 8}, {8, 124}}};
    for (const auto& r : rows) {
        const cidc_scanLine line = lineThrough(r.through, r.dx, r.dy);
        cidc_scanLineSeg out;
        ASSERT_EQ(cidc_scanLine_clip(&line, &roi, &out), 0);
        EXPECT_EQ(out.pts[0].x, r.start.x);
        EXPECT_EQ(out.pts[0].y, r.start.y);
        EXPECT_EQ(out.pts[1].x, r.end.x);
        EXPECT_EQ(out.pts[1].y, r.end.y);
    }
    // Mend: from the origin (305, 145) the first line's end lies ahead, (7, -10) . dir > 0, yet
    // the origin's pixel (19, 9) comes after the end's pixel (19, 8) along the walk, so the piece
    // is the end's pixel.
    const cidc_scanRay ray{lineThrough(rows[0].through, 5, 2), {305, 145}};
    cidc_scanLineSeg out;
    ASSERT_EQ(cidc_scanRay_clip(&ray, &roi, &out), 0);
    EXPECT_EQ(out.pts[0].x, 312);
    EXPECT_EQ(out.pts[0].y, 135);
    EXPECT_EQ(out.pts[1].y, 135);
}

TEST(ClipExact, ShortSegmentsMoveByTheirCutFractions) {
    const cidc_windowROI roi = roiOf(64, 48, 2, 30);
    std::mt19937 rng(31);
    std::uniform_int_distribution<int64_t> xs(roi.minX16 - 600, roi.maxX16 + 600);
    std::uniform_int_distribution<int64_t> ys(roi.minY16 - 600, roi.maxY16 + 600);
    int kept = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        const cidc_point64_4 a{xs(rng), ys(rng)}, b{xs(rng), ys(rng)};
        if (a.x == b.x || a.y == b.y) continue;
        cidc_scanLineSeg seg, out;
        ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &a, &b, nullptr), 0);
        int64_t t[2] = {0, 0};
        cutsOf(a.x, b.x, roi.minX16, roi.maxX16, t);
        cutsOf(a.y, b.y, roi.minY16, roi.maxY16, t);
        ASSERT_EQ(cidc_scanLineSeg_clip(&seg, &roi, &out), 0);
        ASSERT_EQ(out.degenerate != 0, t[1] - t[0] >= 65536);
        if (out.degenerate) continue;
        ++kept;
        const cidc_point64_4 ends[2] = {a, b};
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(out.pts[i].x, ends[i].x - (((b.x - a.x) * t[i]) >> 16));
            EXPECT_EQ(out.pts[i].y, ends[i].y - (((b.y - a.y) * t[i]) >> 16));
        }
    }
    EXPECT_GT(kept, 500);
    // A vertical segment is tested on its line's foot, here beyond the ROI, not on its points.
    const cidc_point64_4 a{roi.minX16 + 40, roi.minY16 - 50}, b{roi.minX16 + 40, roi.maxY16};
    const cidc_scanLine far = lineThrough({roi.maxX16 + 160, 0}, 0, 1);
    cidc_scanLineSeg seg, out;
    ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &a, &b, &far), 0);
    ASSERT_EQ(cidc_scanLineSeg_clip(&seg, &roi, &out), 0);
    EXPECT_EQ(out.degenerate, 1);
}

}  // namespace
