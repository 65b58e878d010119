// Fixed-point directions, scan lines, segments, rays and their typed vectors.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "ci_id/platform/cmath_fixed.h"
#include "ci_id/scan.h"
#include "test_support.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Distance (sixteenths) of p from the line through foot with direction dir.
double offLine(const cidc_scanLine& line, double px, double py) {
    const double dx = line.dir.x, dy = line.dir.y;
    return std::fabs((px - line.foot.x) * dy - (py - line.foot.y) * dx) / std::hypot(dx, dy);
}

TEST(UnitDir16, AxisAndZeroVectors) {
    cidc_unitDir16 d;
    ASSERT_EQ(cidc_unitDir16_initVect(&d, 0, 0), 0);
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, -65536);
    cidc_unitDir16_initVect(&d, 3, 0);
    EXPECT_EQ(d.x, 65536);
    EXPECT_EQ(d.y, 0);
    cidc_unitDir16_initVect(&d, -5, 0);
    EXPECT_EQ(d.x, -65536);
    cidc_unitDir16_initVect(&d, 0, 7);
    EXPECT_EQ(d.y, 65536);
    cidc_unitDir16_initVect(&d, 1, 1);
    EXPECT_EQ(d.x, d.y);
    EXPECT_NEAR(d.x, 46341, 1);
}

TEST(UnitDir16, RandomVectorsKeepTheirDirection) {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int32_t> c(INT32_MIN / 2, INT32_MAX / 2);
    for (int i = 0; i < 100000; ++i) {
        const int32_t dx = i % 2 ? c(rng) : c(rng) % 50;
        const int32_t dy = i % 3 ? c(rng) : c(rng) % 50;
        cidc_unitDir16 d;
        ASSERT_EQ(cidc_unitDir16_initVect(&d, dx, dy), 0);
        ASSERT_LE(std::abs(d.x), 65536);
        ASSERT_LE(std::abs(d.y), 65536);
        if (dx == 0 && dy == 0) continue;
        const double length = std::hypot(double(dx), double(dy));
        // Scaling to 15 bits, the integer length and truncation cost at most a few 2^-14.
        EXPECT_NEAR(d.x / 65536.0, dx / length, 3e-4);
        EXPECT_NEAR(d.y / 65536.0, dy / length, 3e-4);
        EXPECT_NEAR(std::hypot(double(d.x), double(d.y)) / 65536.0, 1.0, 2e-4);
    }
}

TEST(FixedMath, SqrtAndBinaryAngles) {
    std::mt19937 rng(2);
    for (uint64_t v : {0ull, 1ull, 2ull, 3ull, 4ull, 65535ull, 65536ull, 4294967295ull}) {
        const uint64_t r = cmath_sqrt32(static_cast<uint32_t>(v));
        EXPECT_LE(r * r, v);
        EXPECT_GT((r + 1) * (r + 1), v);
    }
    for (int i = 0; i < 100000; ++i) {
        const uint32_t v = static_cast<uint32_t>(rng());
        const uint64_t r = cmath_sqrt32(v);
        ASSERT_LE(r * r, v);
        ASSERT_GT((r + 1) * (r + 1), v);
    }
    for (uint32_t a = 0; a < 65536; a += 7) {
        const auto angle = static_cast<uint16_t>(a);
        EXPECT_NEAR(cmath_cos16FixedPoint(&angle, 16), 65536 * std::cos(kTwoPi * a / 65536), 0.5);
        EXPECT_NEAR(cmath_sin16FixedPoint(&angle, 16), 65536 * std::sin(kTwoPi * a / 65536), 0.5);
    }
    const uint16_t quarter = 16384;
    EXPECT_EQ(cmath_cos16FixedPoint(&quarter, 16), 0);
    EXPECT_EQ(cmath_sin16FixedPoint(&quarter, 16), 65536);
    EXPECT_EQ(cmath_sin16FixedPoint(&quarter, 30), 1 << 30);
}

TEST(ScanLine, InitAndAxisAngles) {
    cidc_scanLine line;
    ASSERT_EQ(cidc_scanLine_init(&line), 0);
    EXPECT_EQ(line.dist, 0);
    EXPECT_EQ(line.dir.x, 65536);
    EXPECT_EQ(line.major, 65536);
    EXPECT_EQ(line.step.x, 65536);
    EXPECT_EQ(line.projCoef.a, 65536);
    EXPECT_EQ(line.projCoef.b, 0);

    uint16_t angle = 0;
    int64_t dist = 32;
    ASSERT_EQ(cidc_scanLine_initDirDist(&line, &angle, &dist, nullptr), 0);
    EXPECT_EQ(line.dir.x, 65536);
    EXPECT_EQ(line.dir.y, 0);
    EXPECT_EQ(line.foot.x, 0);
    EXPECT_EQ(line.foot.y, 32);
    EXPECT_EQ(line.dist, 32);
    angle = 16384;
    ASSERT_EQ(cidc_scanLine_initDirDist(&line, &angle, &dist, nullptr), 0);
    EXPECT_EQ(line.dir.x, 0);
    EXPECT_EQ(line.dir.y, 65536);
    EXPECT_EQ(line.foot.x, -32);
    EXPECT_EQ(line.foot.y, 0);
    EXPECT_EQ(line.dist, 32);
    EXPECT_EQ(line.step.y, 65536);
    EXPECT_EQ(line.projCoef.b, -65536);
    // With an offset, the axis lines keep dist = foot . n.
    const cidc_point64_4 offset{100, -40};
    for (uint16_t a : {uint16_t{0}, uint16_t{16384}, uint16_t{32768}, uint16_t{49152}}) {
        ASSERT_EQ(cidc_scanLine_initDirDist(&line, &a, &dist, &offset), 0);
        EXPECT_EQ(line.dist, -line.foot.x * line.dir.y / 65536 + line.foot.y * line.dir.x / 65536);
    }
}

// A direction from cidc_unitDir16_initVect is up to 6.1e-5 longer than 1 (its integer length is
// rounded down), so the foot dist n, a point dist from the origin, lies up to 1.3e-4 dist off the
// point's line: a fixed-point limit, covered here by a tolerance that grows with the distance.
double lengthSlack(double sixteenths) { return std::fabs(sixteenths) * 1.3e-4; }

TEST(ScanLine, RandomLinesPassThroughTheirPoints) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int64_t> pos(-16 * 4000, 16 * 4000);
    std::uniform_int_distribution<int32_t> c(-100000, 100000);
    for (int i = 0; i < 50000; ++i) {
        const cidc_point64_4 p{pos(rng), pos(rng)};
        cidc_unitDir16 dir;
        cidc_unitDir16_initVect(&dir, c(rng), i % 10 == 0 ? 0 : c(rng));
        cidc_scanLine line;
        ASSERT_EQ(cidc_scanLine_initPointDir(&line, &p, &dir), 0);
        const double reach = std::hypot(double(p.x), double(p.y));
        EXPECT_LE(offLine(line, p.x, p.y), 2.0 + lengthSlack(reach));
        // foot is the foot of the perpendicular: along the normal, at distance dist.
        const double along = (double(line.foot.x) * dir.x + double(line.foot.y) * dir.y) / 65536;
        EXPECT_LE(std::fabs(along), 1.5);
        EXPECT_NEAR((-double(line.foot.x) * dir.y + double(line.foot.y) * dir.x) / 65536,
                    double(line.dist), 2.0 + lengthSlack(reach));
        const bool axis = dir.x == 0 || dir.y == 0;
        EXPECT_EQ(line.major, axis ? 65536 : std::max(std::abs(dir.x), std::abs(dir.y)));
        // One step moves one pixel (plus the rounding of major >> 3) along the major axis.
        const int32_t majorStep = std::max(std::abs(line.step.x), std::abs(line.step.y));
        EXPECT_GE(majorStep, 65536);
        EXPECT_LE(majorStep, 65536 * (1 + 2e-4));

        const cidc_point64_4 offset{pos(rng), pos(rng)};
        cidc_scanLine moved;
        ASSERT_EQ(cidc_scanLine_translate(&line, &offset, &moved), 0);
        EXPECT_EQ(moved.dir.x, line.dir.x);
        EXPECT_EQ(moved.step.y, line.step.y);
        const double movedReach = reach + std::hypot(double(offset.x), double(offset.y));
        EXPECT_LE(offLine(moved, double(p.x + offset.x), double(p.y + offset.y)),
                  4.0 + 2 * lengthSlack(movedReach));
    }
}

TEST(ScanLine, RandomAnglesAndDistances) {
    std::mt19937 rng(4);
    std::uniform_int_distribution<int64_t> pos(-16 * 4000, 16 * 4000);
    for (int i = 0; i < 20000; ++i) {
        const auto angle = static_cast<uint16_t>(rng());
        const int64_t dist = pos(rng);
        const cidc_point64_4 offset{pos(rng), pos(rng)};
        cidc_scanLine line;
        ASSERT_EQ(cidc_scanLine_initDirDist(&line, &angle, &dist, i % 2 ? &offset : nullptr), 0);
        const double theta = kTwoPi * angle / 65536;
        EXPECT_NEAR(line.dir.x, 65536 * std::cos(theta), 0.5);
        EXPECT_NEAR(line.dir.y, 65536 * std::sin(theta), 0.5);
        // The line is the set of points p with p . n = dist (+ offset . n).
        const double nx = -std::sin(theta), ny = std::cos(theta);
        const double expected = dist + (i % 2 ? offset.x * nx + offset.y * ny : 0.0);
        // Each shift of a product floors (a few sixteenths in all), and the rounded cosine and
        // sine make a direction up to 1.1e-5 longer or shorter than 1.
        const double tolerance = 4.0 + std::fabs(expected) * 2.5e-5;
        EXPECT_NEAR(line.foot.x * nx + line.foot.y * ny, expected, tolerance);
        EXPECT_NEAR(double(line.dist), expected, tolerance);
    }
}

TEST(ScanSegment, PeakPositionsRoundTripThroughImageCoordinates) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int64_t> pos(-16 * 2000, 16 * 2000);
    std::uniform_int_distribution<int32_t> c(-1000, 1000);
    for (int i = 0; i < 20000; ++i) {
        const cidc_point64_4 p{pos(rng), pos(rng)};
        cidc_unitDir16 dir;
        cidc_unitDir16_initVect(&dir, c(rng), i % 7 == 0 ? 0 : c(rng));
        cidc_scanLine line;
        ASSERT_EQ(cidc_scanLine_initPointDir(&line, &p, &dir), 0);
        std::uniform_int_distribution<int64_t> along(-16 * 1000, 16 * 1000);
        int64_t s0 = along(rng), s1 = along(rng);
        if (s1 < s0) std::swap(s0, s1);
        cidc_scanLineSeg seg;
        ASSERT_EQ(cidc_scanLineSeg_initPeakPos(&seg, &line, s0, s1), 0);
        EXPECT_EQ(seg.degenerate, 0);
        EXPECT_GE(seg.scanPos[1].u, seg.scanPos[0].u);
        // The end points lie on the line, and converting their positions back gives them again
        // (up to the distance of the start pixel's centre from the line, and the rounding of
        // the fixed-point direction's length over up to 2800 pixels).
        for (int e = 0; e < 2; ++e) {
            EXPECT_LE(offLine(line, seg.pts[e].x, seg.pts[e].y), 2.0);
            cmath_vect image;
            const int64_t s = e == 0 ? s0 : s1;
            ASSERT_EQ(cidc_convertPeakToImage(&s, &seg, 100, -50, &image), 0);
            const double ex = seg.pts[e].x / 16.0 + 100, ey = seg.pts[e].y / 16.0 - 50;
            const double scale = std::hypot(double(p.x), double(p.y)) / 16 * 4e-4;
            EXPECT_LE(std::hypot(image.x - ex, image.y - ey), 0.75 + scale);
        }
    }
}

TEST(ScanSegment, DegenerateTranslateAndPreconditions) {
    cidc_scanLineSeg seg;
    ASSERT_EQ(cidc_scanLineSeg_initDegen(&seg), 0);
    EXPECT_EQ(seg.degenerate, 1);
    EXPECT_EQ(seg.line.dir.x, 65536);
    EXPECT_EQ(seg.pts[1].x, 0);

    const cidc_point64_4 a{16 * 10 + 3, 16 * 20 + 9};
    const cidc_point64_4 b{16 * 30 + 3, 16 * 25 + 9};
    ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &a, &b, nullptr), 0);
    EXPECT_EQ(seg.pix[0].x, 10);
    EXPECT_EQ(seg.pix[1].y, 25);
    const cidc_point64_4 offset{-48, 32};
    cidc_scanLineSeg moved;
    ASSERT_EQ(cidc_scanLineSeg_translate(&seg, &offset, &moved), 0);
    EXPECT_EQ(moved.pts[0].x, a.x - 48);
    EXPECT_EQ(moved.pts[1].y, b.y + 32);
    EXPECT_EQ(moved.pix[0].x, 7);
    EXPECT_EQ(moved.line.dir.x, seg.line.dir.x);

    // The end before the start along the given line.
    EXPECT_PRECONDITION(cidc_scanLineSeg_initPoints(&seg, &b, &a, &moved.line));
    const cidc_point64_4 far{int64_t{1} << 36, 0};
    EXPECT_PRECONDITION(cidc_scanLineSeg_initPoints(&seg, &a, &far, nullptr));
    EXPECT_PRECONDITION(cidc_scanLine_init(nullptr));
}

TEST(ScanRay, InitCopiesOrBuildsItsLine) {
    cidc_scanRay ray;
    ASSERT_EQ(cidc_scanRay_init(&ray), 0);
    EXPECT_EQ(ray.origin.x, 0);
    EXPECT_EQ(ray.line.dir.x, 65536);
    const cidc_point64_4 origin{160, 320};
    const cidc_unitDir16 down{0, 65536};
    ASSERT_EQ(cidc_scanRay_initPointDir(&ray, &origin, &down, nullptr), 0);
    EXPECT_EQ(ray.origin.y, 320);
    EXPECT_EQ(ray.line.foot.x, 160);
    EXPECT_EQ(ray.line.dist, -160);
    cidc_scanLine other;
    cidc_scanLine_init(&other);
    ASSERT_EQ(cidc_scanRay_initPointDir(&ray, &origin, &down, &other), 0);
    EXPECT_EQ(ray.line.dir.x, 65536);
}

TEST(ScanVectors, EveryShapeFamilyHoldsItsRecords) {
    cidc_scanLine line;
    cidc_scanLine_init(&line);
    line.dist = 7;
    cstd_vector_cidc_scanLine lines;
    ASSERT_EQ(cstd_vector_cidc_scanLine_constructEmpty(&lines), 0);
    ASSERT_EQ(cstd_vector_cidc_scanLine_pushBack(&lines, &line), 0);
    const cidc_scanLine* first = nullptr;
    ASSERT_EQ(cstd_vector_cidc_scanLine_getBeginConst(&lines, &first), 0);
    EXPECT_EQ(first->dist, 7);
    cstd_vector_cidc_scanLine_destruct(&lines);

    cstd_vector_cidc_scanLineSeg* segs = nullptr;
    ASSERT_EQ(cstd_vector_cidc_scanLineSeg_new(&segs), 0);
    ASSERT_EQ(cstd_vector_cidc_scanLineSeg_resize(segs, 3), 0);
    int32_t size = 0;
    cstd_vector_cidc_scanLineSeg_getSize(segs, &size);
    EXPECT_EQ(size, 3);
    cstd_vector_cidc_scanLineSeg_delete(&segs);
    EXPECT_EQ(segs, nullptr);

    cidc_scanRay ray;
    cidc_scanRay_init(&ray);
    cstd_vector_cidc_scanRay rays;
    ASSERT_EQ(cstd_vector_cidc_scanRay_constructFill(&rays, 4, &ray), 0);
    cstd_vector_cidc_scanRay_getSize32(&rays, &size);
    EXPECT_EQ(size, 4);
    cstd_vector_cidc_scanRay_destruct(&rays);

    cidc_scanShape shape;
    cidc_scanShape_initScanRay(&shape, &ray);
    cstd_vector_cidc_scanShape shapes;
    ASSERT_EQ(cstd_vector_cidc_scanShape_constructFromBlock(&shapes, &shape, 1), 0);
    cidc_scanShape* got = nullptr;
    ASSERT_EQ(cstd_vector_cidc_scanShape_getElement(&shapes, 0, &got), 0);
    EXPECT_EQ(got->ray, &ray);
    EXPECT_EQ(got->line, &ray.line);
    cstd_vector_cidc_scanShape_destruct(&shapes);
}

}  // namespace
