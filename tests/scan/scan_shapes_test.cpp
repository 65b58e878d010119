// Scan shapes: fixed-point directions, lines and segments against double-precision geometry;
// clipping of lines, segments and rays against a reference clip in ROIs of images up to 32767
// pixels a side, and exact integer cuts by hand; shrunk ROIs against the pixels between their
// bounds; the step walker against a DDA.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "ci_id/scan.h"

namespace {

// Distance (sixteenths) of (px, py) from the line.
double offLine(const cidc_scanLine& line, double px, double py) {
    return std::fabs((px - line.foot.x) * line.dir.y - (py - line.foot.y) * line.dir.x) /
           std::hypot(double(line.dir.x), double(line.dir.y));
}

// Directions, lines through random points and segments between positions along them. Scaling a
// vector to 15 bits, its integer length and truncation cost a direction a few 2^-14; it is up to
// 6.1e-5 longer than 1, so a foot dist n lies up to 1.3e-4 dist off the line and the tolerances
// grow with the distance.
TEST(ScanLine, RandomLinesAndSegmentsAlongThem) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int64_t> pos(-16 * 4000, 16 * 4000);
    std::uniform_int_distribution<int32_t> c(-100000, 100000);
    for (int i = 0; i < 50000; ++i) {
        const cidc_point64_4 p{pos(rng), pos(rng)}, offset{pos(rng), pos(rng)};
        const int32_t dx = c(rng), dy = i % 10 == 0 ? 0 : c(rng);
        cidc_unitDir16 dir;
        cidc_scanLine line;
        ASSERT_EQ(cidc_unitDir16_initVect(&dir, dx, dy), 0);
        ASSERT_EQ(cidc_scanLine_initPointDir(&line, &p, &dir), 0);
        const double length = std::hypot(double(dx), double(dy));
        ASSERT_LT(std::hypot(dir.x / 65536.0 - dx / length, dir.y / 65536.0 - dy / length), 4e-4);
        const double reach = std::hypot(double(p.x), double(p.y)), slack = 2 + 1.3e-4 * reach;
        ASSERT_LE(offLine(line, p.x, p.y), slack);
        // The foot is the perpendicular's: nothing along dir, dist along the normal.
        ASSERT_LE(std::fabs(double(line.foot.x) * dir.x + double(line.foot.y) * dir.y), 98304);
        ASSERT_NEAR((double(line.foot.y) * dir.x - double(line.foot.x) * dir.y) / 65536,
                    double(line.dist), slack);
        // Segment ends lie on the line and convert back to themselves (up to the start pixel
        // centre's distance from the line, and the direction's length over the distance).
        int64_t s[2] = {std::min(offset.x, offset.y) / 4, std::max(offset.x, offset.y) / 4};
        cidc_scanLineSeg seg;
        ASSERT_EQ(cidc_scanLineSeg_initPeakPos(&seg, &line, s[0], s[1]), 0);
        for (int e = 0; e < 2; ++e) {
            const cidc_point64_4 at = seg.pts[e];
            cmath_vect image;
            ASSERT_EQ(cidc_convertPeakToImage(&s[e], &seg, 100, -50, &image), 0);
            ASSERT_LE(offLine(line, at.x, at.y), 2.0);
            ASSERT_LE(std::hypot(image.x - at.x / 16.0 - 100, image.y - at.y / 16.0 + 50),
                      0.75 + reach * 2.5e-5);
        }
    }
}

// Lines, segments and rays at random, clipped through cidc_scanShape_clip, against the parameter
// range [t0, t1] of p + t d inside the ROI's rectangle of inner pixel centres: empty exactly when
// the range is (but for touches within rounding), the ends near the range's, in the rectangle
// and in the direction of travel, the line kept.
TEST(ScanClip, RandomShapesAgreeWithTheReference) {
    std::mt19937 rng(11);
    auto any = [&](int64_t n) { return int64_t(rng() % uint64_t(n)); };
    auto side = [&] { return int32_t(4 + (any(4) ? any(32764) : any(60))); };
    int kept[3] = {};
    for (int trial = 0; trial < 60000; ++trial) {
        const int kind = trial % 3, isSeg = kind == 1;  // line, segment, ray
        const cidc_windowRect w{side(), side(), 0, 0};
        const int32_t m[4] = {int32_t(any(w.width / 2)), int32_t(any(w.height / 2)),
                              int32_t(any(w.width)), int32_t(any(w.height))};
        cidc_windowROI roi;
        ASSERT_EQ(cidc_windowROI_init(&roi, &w, m[0], m[1], m[2], m[3]), 0);
        const double lo[2] = {double(roi.minX16), double(roi.minY16)};
        const double hi[2] = {double(roi.maxX16), double(roi.maxY16)};
        auto around = [&](int k) {
            return int64_t(1.5 * lo[k] - hi[k] / 2 - 64) + any(int64_t(2 * (hi[k] - lo[k]) + 129));
        };
        const cidc_point64_4 p{around(0), around(1)};
        const cidc_point64_4 q{any(8) ? around(0) : p.x, any(8) ? around(1) : p.y};
        cidc_unitDir16 dir{0, any(2) ? 65536 : -65536};
        if (any(3) == 0) std::swap(dir.x, dir.y);
        if (any(3) != 0) cidc_unitDir16_initVect(&dir, int32_t(q.x - p.x), int32_t(q.y - p.y));
        cidc_scanLineSeg seg, out;
        cidc_scanRay ray;
        if (isSeg && p.x == q.x && p.y == q.y) continue;
        ASSERT_EQ(isSeg ? cidc_scanLineSeg_initPoints(&seg, &p, &q, nullptr) : 0, 0);
        ASSERT_EQ(cidc_scanRay_initPointDir(&ray, &p, &dir, nullptr), 0);
        const cidc_scanShape shape{isSeg ? &seg : nullptr, isSeg ? &seg.line : &ray.line,
                                   kind == 2 ? &ray : nullptr};
        ASSERT_EQ(cidc_scanShape_clip(&shape, &roi, &out), 0);
        const cidc_scanLine& line = *shape.line;
        // Segments from p to q, lines and rays through their foot along their direction.
        const double o[2] = {double(isSeg ? p.x : line.foot.x), double(isSeg ? p.y : line.foot.y)};
        const double d[2] = {double(isSeg ? q.x - p.x : line.dir.x),
                             double(isSeg ? q.y - p.y : line.dir.y)};
        double t[2] = {isSeg ? 0 : -HUGE_VAL, isSeg ? 1 : HUGE_VAL};
        for (int k = 0; k < 2; ++k) {
            if (d[k] == 0 && (o[k] < lo[k] || o[k] > hi[k])) t[1] = -HUGE_VAL;
            if (d[k] == 0) continue;
            t[0] = std::max(t[0], std::min((lo[k] - o[k]) / d[k], (hi[k] - o[k]) / d[k]));
            t[1] = std::min(t[1], std::max((lo[k] - o[k]) / d[k], (hi[k] - o[k]) / d[k]));
        }
        // Line cuts truncate within a sixteenth; long segments are cut exactly and rounded, short
        // oblique ones by 16-bit fractions that may leave an end a sixteenth or so outside.
        // Oblique segments whose direction rounds to an axis are cut along it (ClipExact).
        const bool oblique = p.x != q.x && p.y != q.y;
        if (isSeg && oblique && (line.dir.x == 0 || line.dir.y == 0)) continue;
        const bool fractions =
            isSeg && oblique && std::max(std::abs(q.x - p.x), std::abs(q.y - p.y)) < 32768;
        double tolerance = !isSeg ? 1 + 1e-6 : fractions ? 2.2 : 0.5 + 1e-6;
        // A ray from an origin inside the rectangle runs from the origin to the chord's end when
        // that lies ahead, else from the chord's start to the origin; the origin is off the ray's
        // line by the foot's rounding and by the direction's length error times the distance.
        // Within a pixel of either end of the chord the piece may be that end's pixel alone.
        if (kind == 2 && p.x >= lo[0] && p.x <= hi[0] && p.y >= lo[1] && p.y <= hi[1]) {
            const double norm = std::hypot(d[0], d[1]);
            tolerance = 2.5 + 2 * std::fabs(double(line.dist)) * std::fabs(1 - norm / 65536);
            const double at = ((p.x - o[0]) * d[0] + (p.y - o[1]) * d[1]) / (norm * norm);
            if (std::min(std::fabs(at - t[0]), std::fabs(at - t[1])) < (2 * tolerance + 24) / norm)
                continue;
            t[at < t[1] ? 0 : 1] = at;
        }
        const double length = (t[1] - t[0]) * std::hypot(d[0], d[1]), outside = fractions ? 1.5 : 0;
        if (std::fabs(length) < (fractions ? 2 : 1e-6)) continue;
        ASSERT_EQ(out.degenerate, length < 0) << "trial " << trial;
        kept[kind] += !out.degenerate;
        for (int e = 0; e < 2 && !out.degenerate; ++e) {
            const cidc_point64_4& at = out.pts[e];
            EXPECT_LE(std::hypot(at.x - o[0] - t[e] * d[0], at.y - o[1] - t[e] * d[1]), tolerance);
            EXPECT_TRUE(at.x >= lo[0] - outside && at.x <= hi[0] + outside &&
                        at.y >= lo[1] - outside && at.y <= hi[1] + outside &&
                        out.pix[e].x == at.x >> 4 && out.pix[e].y == at.y >> 4)
                << trial;
        }
        EXPECT_GE((out.pts[1].x - out.pts[0].x) * d[0] + (out.pts[1].y - out.pts[0].y) * d[1], 0.0);
        EXPECT_TRUE(out.degenerate || std::memcmp(&out.line, &line, sizeof line) == 0) << trial;
    }
    EXPECT_GT(std::min({kept[0], kept[1], kept[2]}), 10000);
}

// In a window of 20 x 10 with its origin at the corner (pixel centres 8 .. 312 by 8 .. 152), the
// ends of the clips by hand, (0, 0) (0, 0) for an empty one. Lines through a and along b - a are
// cut by truncated quotients of the corners' cross products (rounding would give (8, 13),
// (312, 134) and (8, 123)). Segment ends move by (difference * t) >> 16 with t = trunc(over *
// 65536 / length), over the distance beyond a bound: they may stay a sixteenth outside (313, 153)
// or short of the exact cut (133 for 132.5, 150 for 149.1); an axis-parallel overlap of zero
// length is empty. Mend: from (305, 145) the first line's end lies ahead, (7, -10) . dir > 0, yet
// the origin's pixel (19, 9) comes after the end's pixel (19, 8) along the walk, so the ray's
// piece is the end's pixel. A vertical segment is tested on its line's foot, here beyond the ROI.
TEST(ClipExact, CutsByHand) {
    const cidc_windowRect window{20, 10, 0, 0};
    cidc_windowROI roi;
    ASSERT_EQ(cidc_windowROI_initCorner(&roi, &window, 0, 0), 0);
    // Kind (line, segment, ray from (305, 145), segment (48, -42) (48, 152) on the line), a, b,
    // the clip's start and end.
    const int64_t rows[][9] = {{0, 100, 50, 105, 52, 8, 12, 312, 135},
                               {0, 120, 40, 116, 43, 162, 8, 8, 124},
                               {2, 100, 50, 105, 52, 312, 135, 312, 135},
                               {1, -40, 20, 200, 170, 8, 50, 172, 153},
                               {1, 400, 100, 100, 30, 313, 80, 100, 30},
                               {1, 50, 140, 150, -20, 50, 140, 133, 8},
                               {1, 330, -5, -21, 163, 303, 8, 8, 150},
                               {1, 20, 300, 200, 400, 0, 0, 0, 0},
                               {1, -100, 100, 8, 100, 0, 0, 0, 0},
                               {1, -100, 100, 9, 100, 8, 100, 9, 100},
                               {3, 472, 0, 472, 1, 0, 0, 0, 0}};
    for (const auto& r : rows) {
        cidc_scanLineSeg seg, out;
        const cidc_point64_4 a{r[1], r[2]}, b{r[3], r[4]}, top{48, -42}, bottom{48, 152};
        ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &a, &b, nullptr), 0);
        const cidc_scanRay ray{seg.line, {305, 145}};
        ASSERT_EQ(r[0] == 3 ? cidc_scanLineSeg_initPoints(&seg, &top, &bottom, &ray.line) : 0, 0);
        const cidc_scanShape shape{r[0] % 2 ? &seg : nullptr, &seg.line,
                                   r[0] == 2 ? &ray : nullptr};
        ASSERT_EQ(cidc_scanShape_clip(&shape, &roi, &out), 0);
        const std::vector<int64_t> got{out.pts[0].x, out.pts[0].y, out.pts[1].x, out.pts[1].y};
        EXPECT_EQ(out.degenerate, r[5] == 0 && r[7] == 0);
        EXPECT_EQ(got, std::vector<int64_t>(r + 5, r + 9));
    }
}

// A shrink beyond an axis's margin moves both bounds inwards by it and becomes the margin; the
// inner pixels are then those whose area meets [min, max). Other axes stay as they were.
TEST(WindowROI, RandomShrinksKeepThePixelsBetweenTheBounds) {
    std::mt19937 rng(31);
    for (int i = 0; i < 5000; ++i) {
        const cidc_windowRect w{4 + int32_t(rng() % 200), 4 + int32_t(rng() % 200), 0, 0};
        cidc_windowROI roi, want;
        ASSERT_EQ(cidc_windowROI_initCenter(&want, &w, int32_t(rng() % 2), int32_t(rng() % 2)), 0);
        const int64_t shrink[2] = {int64_t(rng() % uint64_t(want.spanX16 / 2 + 1)),
                                   int64_t(rng() % uint64_t(want.spanY16 / 2 + 1))};
        ASSERT_EQ(cidc_windowROI_initCopyShrink(&roi, &want, &shrink[0], &shrink[1]), 0);
        for (int y = 0; y < 2; ++y) {
            const int64_t s = shrink[y];
            if (s <= (y ? want.marginY16 : want.marginX16)) continue;
            (y ? want.marginY16 : want.marginX16) = s;
            (y ? want.spanY16 : want.spanX16) -= 2 * s;
            (y ? want.halfSpanY16 : want.halfSpanX16) -= s;
            const int64_t min = (y ? want.minY16 : want.minX16) += s;
            const int64_t max = (y ? want.maxY16 : want.maxX16) -= s;
            const int32_t from = (y ? want.y0 : want.x0) = y ? roi.y0 : roi.x0;
            const int32_t to = (y ? want.y1 : want.x1) = y ? roi.y1 : roi.x1;
            (y ? want.height : want.width) = to - from;
            for (int64_t c = from - 2; min < max && c < to + 2; ++c) {
                EXPECT_EQ(c >= from && c < to, 16 * c < max && 16 * c + 16 > min) << c;
            }
        }
        EXPECT_EQ(std::memcmp(&roi, &want, sizeof roi), 0) << i;
    }
}

// The walker visits the pixels of a DDA that adds the exact slope minor / |major| to the minor
// coordinate. Its 16-bit slope divides by |major| >> 2 and truncates, so it may differ from the
// exact one by |slope| 4 / |major| + 2^-16 a step (the diagonal's 65537 drifts a unit a step);
// where the exact value lies within that accumulated rounding of a pixel border the two may
// differ, nowhere else. Axes and diagonals are among the directions.
TEST(BresWalk, RandomDirectionsFollowAnExactDDA) {
    std::mt19937 rng(32);
    std::uniform_int_distribution<int32_t> c(-100000, 100000);
    for (int trial = 0; trial < 3000; ++trial) {
        cidc_unitDir16 dir;
        const int32_t a = c(rng);
        cidc_unitDir16_initVect(&dir, a, trial % 20 == 0 ? 0 : trial % 20 == 1 ? -a : c(rng));
        const bool yMajor = std::abs(dir.x) <= std::abs(dir.y);
        const int32_t major = yMajor ? dir.y : dir.x, minor = yMajor ? dir.x : dir.y;
        const double slope = double(minor) / std::abs(major);
        const double rounding = std::fabs(slope) * 4 / std::abs(major) + 1.0 / 65536;
        const int32_t start = int32_t(rng() % 65536);
        cidc_point32 pixel{0, 0}, fraction{yMajor ? start : 0, yMajor ? 0 : start};
        for (int k = 1; k <= 1000; ++k) {
            ASSERT_EQ(cidc_bresWalk(&pixel, &fraction, &dir), 0);
            const double exact = start / 65536.0 + k * slope;
            ASSERT_EQ(yMajor ? pixel.y : pixel.x, major > 0 ? k : -k);
            if (std::fabs(exact - std::round(exact)) <= k * rounding) continue;
            ASSERT_EQ(yMajor ? pixel.x : pixel.y, int32_t(std::floor(exact))) << trial << ", " << k;
        }
    }
}

}  // namespace
