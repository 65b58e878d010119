// Fixed-point shapes: distances, lines and segments against floating-point references on random
// points, and containment in parallelograms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "ci_id/fixpt.h"
#include "ci_id/status.h"

namespace {

double cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

TEST(FixPt, DistancesAndAnglesAgreeWithFloatingPoint) {
    cmath_shapeFixPtLineSeg seg{{0, 0}, {48, 64}};
    int32_t dist = -1, from = -1, along = -1;
    ASSERT_EQ(cmath_vect32_4_getDistance(&seg.p1, &seg.p2, &dist), 0);
    EXPECT_EQ(dist, 80);
    std::mt19937 rng(61);
    std::uniform_int_distribution<int32_t> u(-30000, 30000), off(-65534, 65534);
    for (int i = 0; i < 100000; ++i) {
        const cmath_vect32_4 a{u(rng), u(rng)}, b{u(rng), u(rng)},
            q{a.x + off(rng), a.y + off(rng)};
        ASSERT_EQ(cmath_vect32_4_getDistance(&a, &b, &dist), 0);
        ASSERT_NEAR(dist, std::hypot(double(a.x) - b.x, double(a.y) - b.y), 10.0);
        ASSERT_EQ(dist % 4, 0);  // quarter resolution
        // The segment's line runs from p2 towards p1, its angle rounded to 65536 a turn.
        cmath_shapeFixPtLine line{};
        seg = {a, b};
        ASSERT_EQ(cmath_shapeFixPtLineSeg_getLine(&seg, &line), 0);
        const double angle = std::atan2(double(a.y) - b.y, double(a.x) - b.x);
        ASSERT_EQ(line.angle, uint16_t(int32_t(std::round(angle * 32768 / M_PI))));
        const double c = std::cos(line.angle * M_PI / 32768),
                     s = std::sin(line.angle * M_PI / 32768);
        ASSERT_EQ(cmath_shapeFixPtLine_distanceFrom(&line, &q, &from), 0);
        ASSERT_EQ(cmath_shapeFixPtLine_distanceAlong(&line, &q, &along), 0);
        ASSERT_NEAR(from, std::fabs(cross(c, s, q.x - a.x, q.y - a.y)), 4.0);
        ASSERT_NEAR(along, std::fabs(c * (q.x - a.x) + s * (q.y - a.y)), 4.0);
        // To the segment: to its line between the ends, else to the nearer end.
        const double dx = b.x - a.x, dy = b.y - a.y, dd = dx * dx + dy * dy;
        const double t = std::clamp(((q.x - a.x) * dx + (q.y - a.y) * dy) / dd, 0.0, 1.0);
        ASSERT_EQ(cmath_shapeFixPtLineSeg_distanceFrom(&seg, &q, &dist), 0);
        ASSERT_NEAR(dist, std::hypot(q.x - a.x - t * dx, q.y - a.y - t * dy), 12.0);
    }
}

TEST(FixPt, ContainmentOfPointsClearOfTheBorder) {
    // A unit square and a long parallelogram leaning at 45 degrees, in sixteenths.
    const cmath_shapeFixPtAffineRectPoints square{{0, 0}, {16, 0}, {0, 16}};
    const cmath_shapeFixPtAffineRectPoints lean{{1000, 1000}, {1800, 1800}, {1000, 1160}};
    const struct {
        const cmath_shapeFixPtAffineRectPoints* rect;
        cmath_vect32_4 p;
        int32_t within;
    } rows[] = {{&square, {8, 8}, 1},     {&square, {40, 8}, 0},    {&square, {8, -30}, 0},
                {&lean, {1400, 1480}, 1}, {&lean, {1400, 1300}, 0}, {&lean, {1900, 2000}, 0},
                {&lean, {1100, 1200}, 1}, {&lean, {1700, 1820}, 1}, {&lean, {1050, 1300}, 0}};
    for (const auto& row : rows) {
        int32_t within = -1;
        ASSERT_EQ(cmath_shapeFixPtAffineRectPoints_getIsWithin(row.rect, &row.p, &within), 0);
        EXPECT_EQ(within, row.within) << row.p.x << " " << row.p.y;
    }
}

}  // namespace
