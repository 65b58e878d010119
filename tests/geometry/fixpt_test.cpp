// Fixed-point distances, lines and containment against floating-point references, and the
// running integer statistics against their formulas in 64 bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "ci_id/fixpt.h"
#include "ci_id/status.h"
#include "test_support.h"

namespace {

double floatDistance(const cmath_vect32_4& a, const cmath_vect32_4& b) {
    return std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
}

double cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

TEST(FixPtDistance, ExactExampleAndRandomPoints) {
    cmath_vect32_4 o{0, 0}, p{48, 64};
    int32_t dist = -1;
    ASSERT_EQ(cmath_vect32_4_getDistance(&o, &p, &dist), 0);
    EXPECT_EQ(dist, 80);
    std::mt19937 rng(61);
    std::uniform_int_distribution<int32_t> u(-131000, 131000);
    for (int i = 0; i < 100000; ++i) {
        cmath_vect32_4 a{u(rng), u(rng)}, b{u(rng), u(rng)};
        ASSERT_EQ(cmath_vect32_4_getDistance(&a, &b, &dist), 0);
        // Quarter resolution: the offsets lose less than one quarter unit each and the root rounds
        // down, less than 4 * (1 + sqrt 2) sixteenths in all, well within a pixel.
        ASSERT_NEAR(dist, floatDistance(a, b), 10.0)
            << a.x << " " << a.y << " " << b.x << " " << b.y;
        ASSERT_EQ(dist % 4, 0);
    }
    // Offsets whose quarter-resolution squares sum past 32 bits.
    cmath_vect32_4 far{250000, -250000};
    ASSERT_EQ(cmath_vect32_4_getDistance(&o, &far, &dist), 0);
    EXPECT_NEAR(dist, floatDistance(o, far), 10.0);
    cmath_vect32_4 tooFar{262140, 0};
    EXPECT_PRECONDITION(cmath_vect32_4_getDistance(&o, &tooFar, &dist));
    EXPECT_PRECONDITION(cmath_vect32_4_getDistance(nullptr, &o, &dist));
}

uint16_t expectedAngle(const cmath_vect32_4& p1, const cmath_vect32_4& p2) {
    double a = std::atan2(static_cast<double>(p1.y) - p2.y, static_cast<double>(p1.x) - p2.x);
    return static_cast<uint16_t>(static_cast<int32_t>(std::round(a * 32768 / M_PI)));
}

TEST(FixPtLine, SegmentLineRunsFromP2TowardsP1InBinaryAngle) {
    cmath_shapeFixPtLine line{};
    cmath_shapeFixPtLineSeg seg{{5, 7}, {-11, 7}};
    ASSERT_EQ(cmath_shapeFixPtLineSeg_getLine(&seg, &line), 0);
    EXPECT_EQ(line.pos.x, 5);
    EXPECT_EQ(line.pos.y, 7);
    EXPECT_EQ(line.angle, 0);
    seg = cmath_shapeFixPtLineSeg{{0, 0}, {0, -16}};
    cmath_shapeFixPtLineSeg_getLine(&seg, &line);
    EXPECT_EQ(line.angle, 16384);
    seg = cmath_shapeFixPtLineSeg{{0, 0}, {16, 0}};
    cmath_shapeFixPtLineSeg_getLine(&seg, &line);
    EXPECT_EQ(line.angle, 32768);
    seg = cmath_shapeFixPtLineSeg{{0, 0}, {16, 16}};
    cmath_shapeFixPtLineSeg_getLine(&seg, &line);
    EXPECT_EQ(line.angle, 65536 - 3 * 8192);
    std::mt19937 rng(62);
    std::uniform_int_distribution<int32_t> u(-100000, 100000);
    for (int i = 0; i < 10000; ++i) {
        seg = cmath_shapeFixPtLineSeg{{u(rng), u(rng)}, {u(rng), u(rng)}};
        cmath_shapeFixPtLineSeg_getLine(&seg, &line);
        ASSERT_EQ(line.angle, expectedAngle(seg.p1, seg.p2));
    }
}

TEST(FixPtLine, DistancesFromAndAlongALine) {
    std::mt19937 rng(63);
    std::uniform_int_distribution<int32_t> pos(-1000000, 1000000), off(-65534, 65534);
    std::uniform_int_distribution<int> angle(0, 65535);
    for (int i = 0; i < 100000; ++i) {
        cmath_shapeFixPtLine line{{pos(rng), pos(rng)}, static_cast<uint16_t>(angle(rng))};
        cmath_vect32_4 p{line.pos.x + off(rng), line.pos.y + off(rng)};
        double a = line.angle * M_PI / 32768;
        double wx = p.x - line.pos.x, wy = p.y - line.pos.y;
        int32_t from = -1, along = -1;
        ASSERT_EQ(cmath_shapeFixPtLine_distanceFrom(&line, &p, &from), 0);
        ASSERT_EQ(cmath_shapeFixPtLine_distanceAlong(&line, &p, &along), 0);
        // Two products, each of a Q15 value (off by up to half a unit in 2^15, that is one
        // sixteenth over 65534) rounded down.
        ASSERT_NEAR(from, std::fabs(-std::sin(a) * wx + std::cos(a) * wy), 4.0);
        ASSERT_NEAR(along, std::fabs(std::cos(a) * wx + std::sin(a) * wy), 4.0);
    }
    cmath_shapeFixPtLine line{{0, 0}, 0};
    cmath_vect32_4 tooFar{65535, 0};
    int32_t dist = 0;
    EXPECT_PRECONDITION(cmath_shapeFixPtLine_distanceFrom(&line, &tooFar, &dist));
    EXPECT_PRECONDITION(cmath_shapeFixPtLine_distanceAlong(&line, &tooFar, &dist));
}

double floatSegmentDistance(const cmath_shapeFixPtLineSeg& s, const cmath_vect32_4& p) {
    double dx = s.p2.x - s.p1.x, dy = s.p2.y - s.p1.y;
    double t = ((p.x - s.p1.x) * dx + (p.y - s.p1.y) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (s.p1.x + t * dx), p.y - (s.p1.y + t * dy));
}

TEST(FixPtSegment, DistanceToTheNearestPointOfTheSegment) {
    cmath_shapeFixPtLineSeg seg{{0, 0}, {160, 0}};
    int32_t dist = -1;
    cmath_vect32_4 end{160, 0}, beyond{200, 30}, above{80, -48};
    ASSERT_EQ(cmath_shapeFixPtLineSeg_distanceFrom(&seg, &end, &dist), 0);
    EXPECT_EQ(dist, 0);
    ASSERT_EQ(cmath_shapeFixPtLineSeg_distanceFrom(&seg, &beyond, &dist), 0);
    EXPECT_EQ(dist, 48);  // (40, 30) at quarter resolution: (10, 7) -> 12 -> 48
    ASSERT_EQ(cmath_shapeFixPtLineSeg_distanceFrom(&seg, &above, &dist), 0);
    EXPECT_EQ(dist, 48);
    std::mt19937 rng(64);
    std::uniform_int_distribution<int32_t> u(-30000, 30000);
    for (int i = 0; i < 100000; ++i) {
        seg = cmath_shapeFixPtLineSeg{{u(rng), u(rng)}, {u(rng), u(rng)}};
        cmath_vect32_4 p{u(rng), u(rng)};
        ASSERT_EQ(cmath_shapeFixPtLineSeg_distanceFrom(&seg, &p, &dist), 0);
        ASSERT_NEAR(dist, floatSegmentDistance(seg, p), 12.0);
    }
    // Segments shorter than the quarter resolution measure from an end point.
    seg = cmath_shapeFixPtLineSeg{{100, 100}, {101, 102}};
    cmath_vect32_4 p{100, 180};
    ASSERT_EQ(cmath_shapeFixPtLineSeg_distanceFrom(&seg, &p, &dist), 0);
    EXPECT_NEAR(dist, floatSegmentDistance(seg, p), 10.0);
    seg = cmath_shapeFixPtLineSeg{{5, 5}, {5, 5}};
    dist = -1;
    EXPECT_EQ(cmath_shapeFixPtLineSeg_distanceFrom(&seg, &p, &dist), CID_STATUS_FAILED);
    EXPECT_EQ(dist, -1);
}

// Inside test and distance to the nearest side line of the parallelogram, in floating point.
bool floatWithin(const cmath_shapeFixPtAffineRectPoints& r, const cmath_vect32_4& p,
                 double* margin) {
    double ux = r.Px.x - r.Po.x, uy = r.Px.y - r.Po.y;
    double wx = r.Py.x - r.Po.x, wy = r.Py.y - r.Po.y;
    double dx = p.x - r.Po.x, dy = p.y - r.Po.y;
    double det = cross(ux, uy, wx, wy);
    double s = cross(dx, dy, wx, wy) / det, t = cross(ux, uy, dx, dy) / det;
    double xSeparation = std::fabs(det) / std::hypot(ux, uy);  // between the two x sides
    double ySeparation = std::fabs(det) / std::hypot(wx, wy);
    *margin = std::min({std::fabs(t) * xSeparation, std::fabs(1 - t) * xSeparation,
                        std::fabs(s) * ySeparation, std::fabs(1 - s) * ySeparation});
    return s >= 0 && s <= 1 && t >= 0 && t <= 1;
}

TEST(FixPtAffineRect, ContainmentAgreesWithFloatingPointAwayFromTheBorder) {
    cmath_shapeFixPtAffineRectPoints unit{};
    ASSERT_EQ(cmath_shapeFixPtAffineRectPoints_init(&unit), 0);
    EXPECT_EQ(unit.Px.x, 16);
    EXPECT_EQ(unit.Py.y, 16);
    int32_t within = -1;
    cmath_vect32_4 centre{8, 8}, outside{40, 8};
    ASSERT_EQ(cmath_shapeFixPtAffineRectPoints_getIsWithin(&unit, &centre, &within), 0);
    EXPECT_EQ(within, 1);
    ASSERT_EQ(cmath_shapeFixPtAffineRectPoints_getIsWithin(&unit, &outside, &within), 0);
    EXPECT_EQ(within, 0);
    std::mt19937 rng(65);
    std::uniform_real_distribution<double> angle(-M_PI, M_PI), side(40, 3000),
        skew(0.35, M_PI - 0.35);
    std::uniform_int_distribution<int32_t> origin(-20000, 20000);
    int tested = 0, inside = 0;
    for (int i = 0; i < 3000; ++i) {
        double a = angle(rng), b = a + (rng() % 2 ? 1 : -1) * skew(rng);
        double lx = side(rng), ly = side(rng);
        cmath_vect32_4 po{origin(rng), origin(rng)};
        cmath_shapeFixPtAffineRectPoints r{po,
                                           {po.x + static_cast<int32_t>(lx * std::cos(a)),
                                            po.y + static_cast<int32_t>(lx * std::sin(a))},
                                           {po.x + static_cast<int32_t>(ly * std::cos(b)),
                                            po.y + static_cast<int32_t>(ly * std::sin(b))}};
        int32_t minX = std::min({r.Po.x, r.Px.x, r.Py.x, r.Px.x + r.Py.x - r.Po.x}) - 80;
        int32_t maxX = std::max({r.Po.x, r.Px.x, r.Py.x, r.Px.x + r.Py.x - r.Po.x}) + 80;
        int32_t minY = std::min({r.Po.y, r.Px.y, r.Py.y, r.Px.y + r.Py.y - r.Po.y}) - 80;
        int32_t maxY = std::max({r.Po.y, r.Px.y, r.Py.y, r.Px.y + r.Py.y - r.Po.y}) + 80;
        for (int k = 0; k < 30; ++k) {
            cmath_vect32_4 p{std::uniform_int_distribution<int32_t>(minX, maxX)(rng),
                             std::uniform_int_distribution<int32_t>(minY, maxY)(rng)};
            double margin = 0;
            bool expected = floatWithin(r, p, &margin);
            ASSERT_EQ(cmath_shapeFixPtAffineRectPoints_getIsWithin(&r, &p, &within), 0);
            if (margin < 24) continue;  // a pixel and a half of the border
            ++tested;
            inside += expected;
            ASSERT_EQ(within, expected ? 1 : 0) << i << " " << k;
        }
    }
    EXPECT_GT(tested, 50000);
    EXPECT_GT(inside, 10000);
}

TEST(FixPtAffineRect, ConversionToAndFromDoubleRectangles) {
    const int32_t pts[6] = {16, -32, 1600, 8, -3, 7};
    cmath_shapeAffineRect rect;
    ASSERT_EQ(cmath_shapeAffineRect_initFixPtPoints(&rect, pts), 0);
    EXPECT_EQ(rect.po.x, 1.0);
    EXPECT_EQ(rect.po.y, -2.0);
    EXPECT_EQ(rect.py.x, -3.0 / 16);
    int32_t back[6] = {};
    ASSERT_EQ(cmath_shapeAffineRect_getFixPtPoints(&rect, back), 0);
    EXPECT_TRUE(std::equal(back, back + 6, pts));
    // Truncation towards zero, not rounding.
    rect.px = cmath_vect{-0.09, 0.09};
    rect.py = cmath_vect{1.99 / 16, -1.99 / 16};
    ASSERT_EQ(cmath_shapeAffineRect_getFixPtPoints(&rect, back), 0);
    EXPECT_EQ(back[2], -1);
    EXPECT_EQ(back[3], 1);
    EXPECT_EQ(back[4], 1);
    EXPECT_EQ(back[5], -1);
    for (double bad : {double{NAN}, 2e8, -2e8}) {
        int32_t untouched[6] = {9, 9, 9, 9, 9, 9};
        rect.py.y = bad;
        EXPECT_EQ(cmath_shapeAffineRect_getFixPtPoints(&rect, untouched), CID_STATUS_OUT_OF_RANGE);
        EXPECT_EQ(untouched[0], 9);
    }
}

// ---- Statistics ----------------------------------------------------------------------------

TEST(StatisticsFixed, ExampleAndStatuses) {
    cmath_statisticsFixed s;
    ASSERT_EQ(cmath_statisticsFixed_init(&s, 4), 0);
    EXPECT_EQ(s.half, 8);
    int32_t mean = -1, var = -1, sd = -1;
    EXPECT_EQ(cmath_statisticsFixed_getMean(&s, &mean), CID_STATUS_STATS_EMPTY);
    EXPECT_EQ(cmath_statisticsFixed_getVariance(&s, &var), CID_STATUS_STATS_EMPTY);
    ASSERT_EQ(cmath_statisticsFixed_add(&s, 4), 0);
    ASSERT_EQ(cmath_statisticsFixed_add(&s, 8), 0);
    EXPECT_EQ(s.sumSqScaled, 5);
    ASSERT_EQ(cmath_statisticsFixed_getMean(&s, &mean), 0);
    EXPECT_EQ(mean, 6);
    ASSERT_EQ(cmath_statisticsFixed_getVariance(&s, &var), 0);
    EXPECT_EQ(var, 0);
    EXPECT_EQ(s.minValue, 4);
    EXPECT_EQ(s.maxValue, 8);
    ASSERT_EQ(cmath_statisticsFixed_clear(&s), 0);
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(s.shift, 4);
    EXPECT_EQ(s.maxValue, 0);
    // Equal samples whose squares round up one by one: never a negative variance.
    cmath_statisticsFixed_add(&s, 6);
    cmath_statisticsFixed_add(&s, 6);
    ASSERT_EQ(cmath_statisticsFixed_getStdDev(&s, &sd), 0);
    EXPECT_EQ(sd, 0);
    for (int32_t bad : {2, -1, 32}) {
        EXPECT_EQ(cmath_statisticsFixed_init(&s, bad), CID_STATUS_STATS_NOT_INITIALISED);
        EXPECT_EQ(s.shift, -1);
        EXPECT_EQ(cmath_statisticsFixed_add(&s, 1), CID_STATUS_STATS_NOT_INITIALISED);
        EXPECT_EQ(s.count, 0);
    }
    s.count = 2;  // samples in a record never initialised
    EXPECT_EQ(cmath_statisticsFixed_getVariance(&s, &var), CID_STATUS_STATS_NOT_INITIALISED);
    EXPECT_EQ(cmath_statisticsFixed_getStdDev(&s, &sd), CID_STATUS_STATS_NOT_INITIALISED);
    EXPECT_PRECONDITION(cmath_statisticsFixed_add(nullptr, 1));
    EXPECT_PRECONDITION(cmath_statisticsFixed_getMean(&s, nullptr));
}

TEST(StatisticsFixed, RandomSamplesFollowTheFormulas) {
    std::mt19937 rng(66);
    for (int trial = 0; trial < 2000; ++trial) {
        int32_t shift = 3 + static_cast<int32_t>(rng() % 14);
        int n = 1 + static_cast<int>(rng() % 60);
        // Values whose scaled squares sum within 32 bits.
        int32_t limit = static_cast<int32_t>(std::sqrt(std::ldexp(1.0, 31 + shift) / n));
        int32_t range = 1 + static_cast<int32_t>(rng() % std::min(limit, 40000));
        cmath_statisticsFixed s;
        ASSERT_EQ(cmath_statisticsFixed_init(&s, shift), 0);
        int64_t sum = 0, sumSq = 0, lo = 0, hi = 0, half = int64_t{1} << (shift - 1);
        for (int i = 0; i < n; ++i) {
            int32_t v = static_cast<int32_t>(rng() % (2 * range + 1)) - range;
            ASSERT_EQ(cmath_statisticsFixed_add(&s, v), 0);
            sum += v;
            sumSq += (int64_t{v} * v + half) >> shift;
            lo = i == 0 ? v : std::min<int64_t>(lo, v);
            hi = i == 0 ? v : std::max<int64_t>(hi, v);
        }
        EXPECT_EQ(s.count, n);
        EXPECT_EQ(s.sum, sum);
        EXPECT_EQ(s.sumSqScaled, sumSq);
        EXPECT_EQ(s.minValue, lo);
        EXPECT_EQ(s.maxValue, hi);
        int32_t mean = 0, var = 0, sd = 0;
        ASSERT_EQ(cmath_statisticsFixed_getMean(&s, &mean), 0);
        EXPECT_EQ(mean, sum / n);
        ASSERT_EQ(cmath_statisticsFixed_getVariance(&s, &var), 0);
        int64_t m = sum / n;
        int64_t expected = n > 1 ? (sumSq - ((sum * m + half) >> shift)) / (n - 1) : 0;
        EXPECT_EQ(var, std::max<int64_t>(expected, 0));
        ASSERT_EQ(cmath_statisticsFixed_getStdDev(&s, &sd), 0);
        EXPECT_EQ(sd, static_cast<int32_t>(std::floor(std::sqrt(static_cast<double>(var)))));
    }
}

TEST(StatisticsFixed, SamplesBeyondThirtyTwoBitsAreRefused) {
    cmath_statisticsFixed s;
    ASSERT_EQ(cmath_statisticsFixed_init(&s, 3), 0);
    int added = 0;
    while (cmath_statisticsFixed_add(&s, 46341) == 0) ++added;
    EXPECT_EQ(added, 7);  // each square adds about 2^28
    const cmath_statisticsFixed before = s;
    EXPECT_EQ(cmath_statisticsFixed_add(&s, 46341), CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(std::memcmp(&s, &before, sizeof s), 0);
    ASSERT_EQ(cmath_statisticsFixed_init(&s, 31), 0);
    ASSERT_EQ(cmath_statisticsFixed_add(&s, INT32_MAX), 0);
    EXPECT_EQ(cmath_statisticsFixed_add(&s, 1), CID_STATUS_OUT_OF_RANGE);
    ASSERT_EQ(cmath_statisticsFixed_add(&s, -5), 0);
    EXPECT_EQ(s.sum, INT32_MAX - 5);
    EXPECT_EQ(cmath_statisticsFixed_add(&s, INT32_MIN + 1), CID_STATUS_OUT_OF_RANGE);
}

}  // namespace
