// Clipping with the scan shapes' exact integer arithmetic: truncated line cuts, 16-bit segment cut
// fractions, axis-parallel segments tested on their line, and a ray origin past its chord's end.
#include <gtest/gtest.h>

#include "ci_id/scan.h"

namespace {

// Window 20 x 10 with its origin at the corner: pixel centres 8 .. 312 by 8 .. 152.
cidc_windowROI cornerROI() {
    const cidc_windowRect window{20, 10, 0, 0};
    cidc_windowROI roi;
    EXPECT_EQ(cidc_windowROI_initCorner(&roi, &window, 0, 0), 0);
    return roi;
}

cidc_scanLine lineThrough(cidc_point64_4 p, int32_t dx, int32_t dy) {
    cidc_unitDir16 dir;
    cidc_scanLine line;
    EXPECT_EQ(cidc_unitDir16_initVect(&dir, dx, dy), 0);
    EXPECT_EQ(cidc_scanLine_initPointDir(&line, &p, &dir), 0);
    return line;
}

void expectPoints(const cidc_scanLineSeg& out, cidc_point64_4 start, cidc_point64_4 end) {
    EXPECT_EQ(out.degenerate, 0);
    EXPECT_EQ(out.pts[0].x, start.x);
    EXPECT_EQ(out.pts[0].y, start.y);
    EXPECT_EQ(out.pts[1].x, end.x);
    EXPECT_EQ(out.pts[1].y, end.y);
}

TEST(ClipExact, LinesAndRaysCutByTruncatedQuotients) {
    // Points by hand from the corners' cross products; rounding would give (8, 13) and
    // (312, 134) for the first line, (8, 123) for the second.
    const cidc_windowROI roi = cornerROI();
    cidc_scanLineSeg out;
    const cidc_scanLine first = lineThrough({100, 50}, 5, 2),
                        second = lineThrough({120, 40}, -4, 3);
    ASSERT_EQ(cidc_scanLine_clip(&first, &roi, &out), 0);
    expectPoints(out, {8, 12}, {312, 135});
    ASSERT_EQ(cidc_scanLine_clip(&second, &roi, &out), 0);
    expectPoints(out, {162, 8}, {8, 124});
    // Mend: from the origin (305, 145) the first line's end lies ahead, (7, -10) . dir > 0, yet
    // the origin's pixel (19, 9) comes after the end's pixel (19, 8) along the walk, so the piece
    // is the end's pixel.
    const cidc_scanRay ray{first, {305, 145}};
    ASSERT_EQ(cidc_scanRay_clip(&ray, &roi, &out), 0);
    expectPoints(out, {312, 135}, {312, 135});
}

TEST(ClipExact, ShortSegmentsMoveByTheirCutFractions) {
    // Each end moves by (difference * t) >> 16 with t = trunc(over * 65536 / length), over the
    // distance beyond a bound: ends may stay a sixteenth outside (313, 153) or short of the
    // exact cut (133 for 132.5, 150 for 149.1).
    const cidc_windowROI roi = cornerROI();
    const struct {
        cidc_point64_4 a, b, start, end;
    } rows[] = {{{-40, 20}, {200, 170}, {8, 50}, {172, 153}},
                {{400, 100}, {100, 30}, {313, 80}, {100, 30}},
                {{50, 140}, {150, -20}, {50, 140}, {133, 8}},
                {{330, -5}, {-21, 163}, {303, 8}, {8, 150}}};
    cidc_scanLineSeg seg, out;
    for (const auto& r : rows) {
        ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &r.a, &r.b, nullptr), 0);
        ASSERT_EQ(cidc_scanLineSeg_clip(&seg, &roi, &out), 0);
        expectPoints(out, r.start, r.end);
    }
    const cidc_point64_4 below{20, 300}, further{200, 400};
    ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &below, &further, nullptr), 0);
    ASSERT_EQ(cidc_scanLineSeg_clip(&seg, &roi, &out), 0);
    EXPECT_EQ(out.degenerate, 1);
    // A vertical segment is tested on its line's foot, here beyond the ROI, not on its points.
    const cidc_point64_4 top{48, -42}, bottom{48, 152};
    const cidc_scanLine far = lineThrough({472, 0}, 0, 1);
    ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &top, &bottom, &far), 0);
    ASSERT_EQ(cidc_scanLineSeg_clip(&seg, &roi, &out), 0);
    EXPECT_EQ(out.degenerate, 1);
}

}  // namespace
