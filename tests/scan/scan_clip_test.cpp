// Clipping of scan lines, segments and rays against a double-precision reference clip, for ROIs
// of images up to 32767 pixels a side.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "ci_id/scan.h"
#include "test_support.h"

namespace {

// Reference: the parameter range [t0, t1] of p + t d inside the rectangle (Liang-Barsky).
struct range {
    double t0, t1;
};

range clipReference(double px, double py, double dx, double dy, const cidc_windowROI& roi,
                    double t0, double t1) {
    auto axis = [&](double p, double d, double lo, double hi) {
        if (d == 0) {
            if (p < lo || p > hi) t1 = -std::numeric_limits<double>::infinity();
            return;
        }
        double a = (lo - p) / d;
        double b = (hi - p) / d;
        if (a > b) std::swap(a, b);
        t0 = std::max(t0, a);
        t1 = std::min(t1, b);
    };
    axis(px, dx, static_cast<double>(roi.minX16), static_cast<double>(roi.maxX16));
    axis(py, dy, static_cast<double>(roi.minY16), static_cast<double>(roi.maxY16));
    return range{t0, t1};
}

cidc_windowROI makeROI(int32_t width, int32_t height, int32_t x, int32_t y, int32_t marginX,
                       int32_t marginY, int32_t originX, int32_t originY) {
    const cidc_windowRect window{width, height, x, y};
    cidc_windowROI roi;
    EXPECT_EQ(cidc_windowROI_init(&roi, &window, marginX, marginY, originX, originY), 0);
    return roi;
}

cidc_windowROI randomROI(std::mt19937& rng) {
    std::uniform_int_distribution<int32_t> size(4, 32767);
    std::uniform_int_distribution<int32_t> offset(-2000, 2000);
    const int32_t w = rng() % 4 == 0 ? 4 + static_cast<int32_t>(rng() % 60) : size(rng);
    const int32_t h = rng() % 4 == 0 ? 4 + static_cast<int32_t>(rng() % 60) : size(rng);
    const int32_t x = offset(rng);
    const int32_t y = offset(rng);
    const int32_t mx = static_cast<int32_t>(rng() % static_cast<uint32_t>((w - 2) / 2 + 1));
    const int32_t my = static_cast<int32_t>(rng() % static_cast<uint32_t>((h - 2) / 2 + 1));
    const int32_t ox = x + static_cast<int32_t>(rng() % static_cast<uint32_t>(w));
    const int32_t oy = y + static_cast<int32_t>(rng() % static_cast<uint32_t>(h));
    return makeROI(w, h, x, y, mx, my, ox, oy);
}

// A position in sixteenths around the ROI, reaching well beyond it.
int64_t randomAround(std::mt19937& rng, int64_t lo, int64_t hi) {
    const int64_t reach = (hi - lo) / 2 + 64;
    std::uniform_int_distribution<int64_t> d(lo - reach, hi + reach);
    return d(rng);
}

cidc_unitDir16 randomDirection(std::mt19937& rng) {
    cidc_unitDir16 dir;
    switch (rng() % 6) {
        case 0:
            return cidc_unitDir16{rng() % 2 ? 65536 : -65536, 0};
        case 1:
            return cidc_unitDir16{0, rng() % 2 ? 65536 : -65536};
        default: {
            std::uniform_int_distribution<int32_t> c(-100000, 100000);
            EXPECT_EQ(cidc_unitDir16_initVect(&dir, c(rng), c(rng)), 0);
            return dir;
        }
    }
}

bool inside(const cidc_windowROI& roi, const cidc_point64_4& p) {
    return p.x >= roi.minX16 && p.x <= roi.maxX16 && p.y >= roi.minY16 && p.y <= roi.maxY16;
}

double distance(const cidc_point64_4& p, double x, double y) {
    return std::hypot(static_cast<double>(p.x) - x, static_cast<double>(p.y) - y);
}

// Distance of p from the line through (px, py) with direction (dx, dy).
double offLine(const cidc_point64_4& p, double px, double py, double dx, double dy) {
    return std::fabs((p.x - px) * dy - (p.y - py) * dx) / std::hypot(dx, dy);
}

bool sameLine(const cidc_scanLine& a, const cidc_scanLine& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Checks a clip against the reference range [t0, t1] of p + t d: degenerate exactly when the
// reference has no overlap (zero length counting as overlap when touchAllowed), end points
// within tolerance of the reference, on the line, inside the ROI and in the direction of travel.
void expectClip(const cidc_scanLineSeg& out, const cidc_windowROI& roi, double px, double py,
                double dx, double dy, range ref, bool touchAllowed, double tolerance,
                const cidc_unitDir16& dir) {
    const double length = (ref.t1 - ref.t0) * std::hypot(dx, dy);
    if (std::fabs(length) < 1e-6) return;  // a touch: either answer is within rounding
    const bool empty = touchAllowed ? length < 0 : length <= 0;
    ASSERT_EQ(out.degenerate, empty ? 1 : 0) << "reference length " << length;
    if (empty) return;
    const double ends[2] = {ref.t0, ref.t1};
    for (int i = 0; i < 2; ++i) {
        const double x = px + ends[i] * dx;
        const double y = py + ends[i] * dy;
        EXPECT_LE(distance(out.pts[i], x, y), tolerance) << "end " << i;
        EXPECT_LE(offLine(out.pts[i], px, py, dx, dy), tolerance) << "end " << i;
        EXPECT_TRUE(inside(roi, out.pts[i])) << "end " << i;
        EXPECT_EQ(out.pix[i].x, out.pts[i].x >> 4);
        EXPECT_EQ(out.pix[i].y, out.pts[i].y >> 4);
    }
    const double along = static_cast<double>(out.pts[1].x - out.pts[0].x) * dir.x +
                         static_cast<double>(out.pts[1].y - out.pts[0].y) * dir.y;
    EXPECT_GE(along, 0.0);
    EXPECT_GE(out.scanPos[1].u, out.scanPos[0].u);
}

TEST(ScanClip, RandomLinesAgreeWithReference) {
    std::mt19937 rng(11);
    int nonDegenerate = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const cidc_windowROI roi = randomROI(rng);
        const cidc_point64_4 p{randomAround(rng, roi.minX16, roi.maxX16),
                               randomAround(rng, roi.minY16, roi.maxY16)};
        const cidc_unitDir16 dir = randomDirection(rng);
        cidc_scanLine line;
        ASSERT_EQ(cidc_scanLine_initPointDir(&line, &p, &dir), 0);
        cidc_scanLineSeg out;
        ASSERT_EQ(cidc_scanLine_clip(&line, &roi, &out), 0);
        const double fx = static_cast<double>(line.foot.x);
        const double fy = static_cast<double>(line.foot.y);
        const range ref =
            clipReference(fx, fy, dir.x, dir.y, roi, -std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::infinity());
        // The cut parameters truncate: within a sixteenth.
        ASSERT_NO_FATAL_FAILURE(
            expectClip(out, roi, fx, fy, dir.x, dir.y, ref, true, 1.0 + 1e-6, dir));
        if (!out.degenerate) {
            EXPECT_TRUE(sameLine(out.line, line));
            ++nonDegenerate;
        }
    }
    EXPECT_GT(nonDegenerate, 5000);
}

TEST(ScanClip, RandomSegmentsAgreeWithReferenceBeyond2048Pixels) {
    std::mt19937 rng(12);
    int nonDegenerate = 0;
    int long_ = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const cidc_windowROI roi = randomROI(rng);
        const cidc_point64_4 p0{randomAround(rng, roi.minX16, roi.maxX16),
                                randomAround(rng, roi.minY16, roi.maxY16)};
        cidc_point64_4 p1{randomAround(rng, roi.minX16, roi.maxX16),
                          randomAround(rng, roi.minY16, roi.maxY16)};
        if (rng() % 8 == 0) p1.x = p0.x;
        if (rng() % 8 == 0) p1.y = p0.y;
        cidc_scanLineSeg seg;
        ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &p0, &p1, nullptr), 0);
        cidc_scanLineSeg out;
        ASSERT_EQ(cidc_scanLineSeg_clip(&seg, &roi, &out), 0);
        const double dx = static_cast<double>(p1.x - p0.x);
        const double dy = static_cast<double>(p1.y - p0.y);
        const range ref = clipReference(static_cast<double>(p0.x), static_cast<double>(p0.y), dx,
                                        dy, roi, 0.0, 1.0);
        if (dx == 0 && dy == 0) {
            EXPECT_EQ(out.degenerate, 1);
            continue;
        }
        // Shorter ones take 16-bit cut fractions, and segments whose direction rounds to an axis
        // keep their coordinate across it (clip_exact_test.cpp).
        const bool axisLine = seg.line.dir.x == 0 || seg.line.dir.y == 0;
        if (dx != 0 && dy != 0 && (axisLine || std::max(std::fabs(dx), std::fabs(dy)) < 32768)) {
            continue;
        }
        ASSERT_NO_FATAL_FAILURE(expectClip(out, roi, static_cast<double>(p0.x),
                                           static_cast<double>(p0.y), dx, dy, ref, false,
                                           0.5 + 1e-6, seg.line.dir));
        if (!out.degenerate) {
            EXPECT_TRUE(sameLine(out.line, seg.line));
            ++nonDegenerate;
            if (std::max(std::fabs(dx), std::fabs(dy)) * (ref.t1 - ref.t0) > 16 * 2048) ++long_;
        }
    }
    EXPECT_GT(nonDegenerate, 5000);
    EXPECT_GT(long_, 1000);
}

TEST(ScanClip, RandomRaysAgreeWithReference) {
    std::mt19937 rng(13);
    int fromOrigin = 0, whole = 0, away = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const cidc_windowROI roi = randomROI(rng);
        const cidc_point64_4 origin{randomAround(rng, roi.minX16, roi.maxX16),
                                    randomAround(rng, roi.minY16, roi.maxY16)};
        const cidc_unitDir16 dir = randomDirection(rng);
        cidc_scanRay ray;
        ASSERT_EQ(cidc_scanRay_initPointDir(&ray, &origin, &dir, nullptr), 0);
        cidc_scanLineSeg out;
        ASSERT_EQ(cidc_scanRay_clip(&ray, &roi, &out), 0);
        // The ray's own line, cut at the origin's projection onto it.
        const double fx = static_cast<double>(ray.line.foot.x);
        const double fy = static_cast<double>(ray.line.foot.y);
        const double dd = double(dir.x) * dir.x + double(dir.y) * dir.y;
        const double tOrigin = ((origin.x - fx) * dir.x + (origin.y - fy) * dir.y) / dd;
        const range chord =
            clipReference(fx, fy, dir.x, dir.y, roi, -std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::infinity());
        // A piece from inside starts at the origin itself, off the ray's line by the foot's
        // rounding and by the direction's length error times the distance.
        const double offLine =
            2.5 + 2 * std::fabs(double(ray.line.dist)) * std::fabs(1 - std::sqrt(dd) / 65536);
        // Within that of either end of the chord rounding decides where the origin is, and within
        // a pixel of the end the piece may be the end's pixel alone.
        const double slack = (2 * offLine + 24) / std::sqrt(dd);
        if (chord.t1 >= chord.t0 &&
            (std::fabs(tOrigin - chord.t0) < slack || std::fabs(tOrigin - chord.t1) < slack)) {
            continue;
        }
        // An origin outside the ROI, also beyond it, keeps the whole chord.
        const range ref = tOrigin > chord.t1 ? chord : range{std::max(chord.t0, tOrigin), chord.t1};
        ASSERT_NO_FATAL_FAILURE(
            expectClip(out, roi, fx, fy, dir.x, dir.y, ref, true, offLine, dir));
        if (chord.t1 < chord.t0) continue;
        if (tOrigin > chord.t1)
            ++away;
        else if (tOrigin < chord.t0)
            ++whole;
        else
            ++fromOrigin;
    }
    EXPECT_GT(fromOrigin, 1000);
    EXPECT_GT(whole, 1000);
    EXPECT_GT(away, 1000);
}

TEST(ScanClip, AxisParallelCases) {
    const cidc_windowROI roi = makeROI(20, 10, 0, 0, 0, 0, 0, 0);  // x 8..312, y 8..152
    cidc_scanLineSeg out;
    const cidc_point64_4 below{40, 200};
    const cidc_unitDir16 right{65536, 0};
    cidc_scanLine line;
    ASSERT_EQ(cidc_scanLine_initPointDir(&line, &below, &right), 0);
    ASSERT_EQ(cidc_scanLine_clip(&line, &roi, &out), 0);
    EXPECT_EQ(out.degenerate, 1);
    EXPECT_EQ(out.pts[0].x, 0);
    EXPECT_EQ(out.line.dir.x, 65536);

    const cidc_point64_4 row{40, 100};
    const cidc_unitDir16 left{-65536, 0};
    ASSERT_EQ(cidc_scanLine_initPointDir(&line, &row, &left), 0);
    ASSERT_EQ(cidc_scanLine_clip(&line, &roi, &out), 0);
    EXPECT_EQ(out.degenerate, 0);
    EXPECT_EQ(out.pts[0].x, 312);
    EXPECT_EQ(out.pts[1].x, 8);
    EXPECT_EQ(out.pix[0].x, 19);
    EXPECT_EQ(out.pix[1].x, 0);
    EXPECT_EQ(out.scanPos[1].u - out.scanPos[0].u, 16 * 19);

    // A segment whose overlap along its axis has zero length is empty.
    const cidc_point64_4 a{-100, 100};
    const cidc_point64_4 b{8, 100};
    cidc_scanLineSeg seg;
    ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &a, &b, nullptr), 0);
    ASSERT_EQ(cidc_scanLineSeg_clip(&seg, &roi, &out), 0);
    EXPECT_EQ(out.degenerate, 1);
    const cidc_point64_4 c{9, 100};
    ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &a, &c, nullptr), 0);
    ASSERT_EQ(cidc_scanLineSeg_clip(&seg, &roi, &out), 0);
    EXPECT_EQ(out.degenerate, 0);
    EXPECT_EQ(out.pts[0].x, 8);
    EXPECT_EQ(out.pts[1].x, 9);

    // A general segment wholly outside the ROI on one axis.
    const cidc_point64_4 d{20, 300};
    const cidc_point64_4 e{200, 400};
    ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &d, &e, nullptr), 0);
    ASSERT_EQ(cidc_scanLineSeg_clip(&seg, &roi, &out), 0);
    EXPECT_EQ(out.degenerate, 1);
}

TEST(ScanClip, RaysFromInsideOutsideAndAway) {
    const cidc_windowROI roi = makeROI(20, 10, 0, 0, 0, 0, 0, 0);
    const cidc_unitDir16 right{65536, 0};
    cidc_scanRay ray;
    cidc_scanLineSeg out;
    const cidc_point64_4 inside{100, 40};
    ASSERT_EQ(cidc_scanRay_initPointDir(&ray, &inside, &right, nullptr), 0);
    ASSERT_EQ(cidc_scanRay_clip(&ray, &roi, &out), 0);
    EXPECT_EQ(out.pts[0].x, 100);
    EXPECT_EQ(out.pts[1].x, 312);
    const cidc_point64_4 before{-500, 40};
    ASSERT_EQ(cidc_scanRay_initPointDir(&ray, &before, &right, nullptr), 0);
    ASSERT_EQ(cidc_scanRay_clip(&ray, &roi, &out), 0);
    EXPECT_EQ(out.pts[0].x, 8);
    EXPECT_EQ(out.pts[1].x, 312);
    const cidc_point64_4 beyond{500, 40};
    ASSERT_EQ(cidc_scanRay_initPointDir(&ray, &beyond, &right, nullptr), 0);
    ASSERT_EQ(cidc_scanRay_clip(&ray, &roi, &out), 0);
    EXPECT_EQ(out.pts[0].x, 8);
    EXPECT_EQ(out.pts[1].x, 312);
}

TEST(ScanClip, ShapeDispatchesToItsRecord) {
    const cidc_windowROI roi = makeROI(20, 10, 0, 0, 0, 0, 0, 0);
    const cidc_point64_4 a{40, 40};
    const cidc_point64_4 b{100, 80};
    cidc_scanLineSeg seg;
    ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &a, &b, nullptr), 0);
    cidc_scanRay ray;
    ASSERT_EQ(cidc_scanRay_initPointDir(&ray, &a, &seg.line.dir, &seg.line), 0);
    cidc_scanShape shape;
    cidc_scanLineSeg viaShape, direct;
    ASSERT_EQ(cidc_scanShape_initScanLineSeg(&shape, &seg), 0);
    EXPECT_EQ(shape.line, &seg.line);
    ASSERT_EQ(cidc_scanShape_clip(&shape, &roi, &viaShape), 0);
    ASSERT_EQ(cidc_scanLineSeg_clip(&seg, &roi, &direct), 0);
    EXPECT_EQ(std::memcmp(&viaShape, &direct, sizeof direct), 0);
    ASSERT_EQ(cidc_scanShape_initScanRay(&shape, &ray), 0);
    ASSERT_EQ(cidc_scanShape_clip(&shape, &roi, &viaShape), 0);
    ASSERT_EQ(cidc_scanRay_clip(&ray, &roi, &direct), 0);
    EXPECT_EQ(std::memcmp(&viaShape, &direct, sizeof direct), 0);
    ASSERT_EQ(cidc_scanShape_initScanLine(&shape, &seg.line), 0);
    ASSERT_EQ(cidc_scanShape_clip(&shape, &roi, &viaShape), 0);
    ASSERT_EQ(cidc_scanLine_clip(&seg.line, &roi, &direct), 0);
    EXPECT_EQ(std::memcmp(&viaShape, &direct, sizeof direct), 0);
    // Clipping in place.
    ASSERT_EQ(cidc_scanLine_clip(&seg.line, &roi, &seg), 0);
    EXPECT_EQ(std::memcmp(&seg, &direct, sizeof direct), 0);

    const cidc_scanShape none{nullptr, nullptr, nullptr};
    EXPECT_PRECONDITION(cidc_scanShape_clip(&none, &roi, &viaShape));
}

}  // namespace
