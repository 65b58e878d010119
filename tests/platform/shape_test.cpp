// Platform geometry for regions: line intersections, matrices, the centre-based form of affine
// rectangles and their measurements.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "ci_id/platform/cmath_line.h"
#include "ci_id/platform/cmath_shape.h"
#include "ci_id/platform/cmath_xform.h"
#include "ci_id/platform/csys_status.h"
#include "test_support.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();

double distanceToLine(const cmath_shapeLine& line, const cmath_vect& p) {
    double k = line.dir.x * (p.y - line.point.y) - line.dir.y * (p.x - line.point.x);
    return std::fabs(k) / std::hypot(line.dir.x, line.dir.y);
}

TEST(ShapeLine, IntersectionLiesOnBothLinesWhateverTheDirectionLengths) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-500, 500), angle(-M_PI, M_PI), exponent(-6, 6);
    for (int i = 0; i < 2000; ++i) {
        double a = angle(rng), b = angle(rng);
        if (std::fabs(std::sin(a - b)) < 0.05) continue;
        cmath_shapeLine la{{std::cos(a), std::sin(a)}, {u(rng), u(rng)}};
        cmath_shapeLine lb{{std::cos(b), std::sin(b)}, {u(rng), u(rng)}};
        cmath_vect p{0, 0};
        ASSERT_EQ(cmath_shapeLine_intersection(&la, &lb, &p), 0);
        EXPECT_LT(distanceToLine(la, p), 1e-9);
        EXPECT_LT(distanceToLine(lb, p), 1e-9);
        // Rescaled directions describe the same lines.
        double fa = std::pow(10.0, exponent(rng)), fb = -std::pow(10.0, exponent(rng));
        cmath_shapeLine sa{{fa * la.dir.x, fa * la.dir.y}, la.point};
        cmath_shapeLine sb{{fb * lb.dir.x, fb * lb.dir.y}, lb.point};
        cmath_vect q{0, 0};
        ASSERT_EQ(cmath_shapeLine_intersection(&sa, &sb, &q), 0);
        EXPECT_NEAR(q.x, p.x, 1e-7);
        EXPECT_NEAR(q.y, p.y, 1e-7);
    }
}

TEST(ShapeLine, NoSingleFiniteCrossingIsReportedAsParallel) {
    cmath_shapeLine horizontal{{2, 0}, {0, 0}};
    const cmath_shapeLine bad[] = {
        {{-5, 0}, {0, 3}},         // parallel
        {{4, 1e-13}, {0, 3}},      // parallel within 1e-12 of the direction lengths
        {{0, 0}, {1, 1}},          // no direction
        {{NAN, 1}, {1, 1}},        // not finite
        {{1, 1}, {kInf, 0}},       // a point at infinity
        {{1, 1e-10}, {0, 1e300}},  // crossing beyond the range of double
    };
    for (const cmath_shapeLine& other : bad) {
        cmath_vect out{7, 7};
        EXPECT_EQ(cmath_shapeLine_intersection(&horizontal, &other, &out),
                  CMATH_STATUS_PARALLEL_LINES);
        EXPECT_EQ(out.x, 7);
        EXPECT_EQ(out.y, 7);
    }
    EXPECT_EQ(CMATH_STATUS_PARALLEL_LINES, (int32_t)0x80000928u);
}

TEST(ShapeLine, PointAlongMeasuresUnitsOfLength) {
    cmath_shapeLine line{{3, 4}, {1, 1}};
    cmath_vect p;
    ASSERT_EQ(cmath_shapeLine_pointAlong(&line, 10, &p), 0);
    EXPECT_DOUBLE_EQ(p.x, 7);
    EXPECT_DOUBLE_EQ(p.y, 9);
    ASSERT_EQ(cmath_shapeLine_pointAlong(&line, -5, &p), 0);
    EXPECT_DOUBLE_EQ(p.x, -2);
    cmath_shapeLine flat{{0, 0}, {1, 1}};
    p = cmath_vect{7, 7};
    EXPECT_EQ(cmath_shapeLine_pointAlong(&flat, 1, &p), CMATH_STATUS_ZERO_VECTOR);
    EXPECT_EQ(p.x, 7);
    EXPECT_PRECONDITION(cmath_shapeLine_pointAlong(nullptr, 1, &p));
    EXPECT_PRECONDITION(cmath_shapeLine_intersection(&line, nullptr, &p));
}

TEST(Matrix, DeterminantAndRotationScale) {
    cmath_matrix m;
    double det = 0;
    cmath_matrix_init(&m, 2, 3, 5, 7);
    ASSERT_EQ(cmath_matrix_getDeterminant(&m, &det), 0);
    EXPECT_EQ(det, -1);
    std::mt19937 rng(2);
    std::uniform_real_distribution<double> angle(-7, 7), scale(-3, 3);
    for (int i = 0; i < 200; ++i) {
        double a = angle(rng), sx = scale(rng), sy = scale(rng);
        ASSERT_EQ(cmath_matrix_initRotationScale(&m, a, sx, sy), 0);
        cmath_matrix_getDeterminant(&m, &det);
        EXPECT_NEAR(det, sx * sy, 1e-12);
        // Columns: the scaled x axis turned by a, the scaled y axis turned by a.
        EXPECT_NEAR(m.element[0][0], sx * std::cos(a), 1e-15);
        EXPECT_NEAR(m.element[1][0], sx * std::sin(a), 1e-15);
        EXPECT_NEAR(m.element[0][1], -sy * std::sin(a), 1e-15);
        EXPECT_NEAR(m.element[1][1], sy * std::cos(a), 1e-15);
    }
}

cmath_shapeAffineRect randomRect(std::mt19937& rng) {
    std::uniform_real_distribution<double> u(-300, 300);
    return cmath_shapeAffineRect{{u(rng), u(rng)}, {u(rng), u(rng)}, {u(rng), u(rng)}};
}

void expectSameRect(const cmath_shapeAffineRect& a, const cmath_shapeAffineRect& b, double tol) {
    EXPECT_NEAR(a.po.x, b.po.x, tol);
    EXPECT_NEAR(a.po.y, b.po.y, tol);
    EXPECT_NEAR(a.px.x, b.px.x, tol);
    EXPECT_NEAR(a.px.y, b.px.y, tol);
    EXPECT_NEAR(a.py.x, b.py.x, tol);
    EXPECT_NEAR(a.py.y, b.py.y, tol);
}

TEST(AffineRectCenter, RoundTripsAndMeasures) {
    std::mt19937 rng(4);
    for (int i = 0; i < 1000; ++i) {
        cmath_shapeAffineRect rect = randomRect(rng), back;
        cmath_shapeAffineRectCenter center;
        ASSERT_EQ(cmath_shapeAffineRect_getCenter(&rect, &center), 0);
        EXPECT_NEAR(center.center.x, (rect.px.x + rect.py.x) / 2, 1e-9);
        EXPECT_NEAR(center.center.y, (rect.px.y + rect.py.y) / 2, 1e-9);
        double xLength = 0, yLength = 0;
        cmath_shapeAffineRect_getXLength(&rect, &xLength);
        cmath_shapeAffineRect_getYLength(&rect, &yLength);
        EXPECT_DOUBLE_EQ(center.xLength, xLength);
        EXPECT_DOUBLE_EQ(center.yLength, yLength);
        EXPECT_DOUBLE_EQ(xLength, std::hypot(rect.px.x - rect.po.x, rect.px.y - rect.po.y));
        EXPECT_GT(center.xRotation, -M_PI - 1e-15);
        EXPECT_LE(center.yRotation, M_PI);
        ASSERT_EQ(cmath_shapeAffineRect_initCenter(&back, &center), 0);
        expectSameRect(back, rect, 1e-9);
    }
}

TEST(AffineRectCenter, EqualRotationsGiveATrueRectangle) {
    cmath_shapeAffineRectCenter center{{10, 20}, 8, 4, M_PI / 6, M_PI / 6};
    cmath_shapeAffineRect rect;
    cmath_shapeAffineRect_initCenter(&rect, &center);
    double ux = rect.px.x - rect.po.x, uy = rect.px.y - rect.po.y;
    double wx = rect.py.x - rect.po.x, wy = rect.py.y - rect.po.y;
    EXPECT_NEAR(ux * wx + uy * wy, 0, 1e-12);
    EXPECT_NEAR(std::hypot(ux, uy), 8, 1e-12);
    EXPECT_NEAR(std::hypot(wx, wy), 4, 1e-12);
    EXPECT_NEAR(std::atan2(uy, ux), M_PI / 6, 1e-12);
    EXPECT_NEAR((rect.px.x + rect.py.x) / 2, 10, 1e-12);
    // The y side turns a quarter turn further: towards +y for a zero rotation.
    center = cmath_shapeAffineRectCenter{{0, 0}, 2, 2, 0, 0};
    cmath_shapeAffineRect_initCenter(&rect, &center);
    EXPECT_DOUBLE_EQ(rect.po.x, -1);
    EXPECT_DOUBLE_EQ(rect.po.y, -1);
    EXPECT_DOUBLE_EQ(rect.py.y, 1);
}

TEST(AffineRectCenter, ZeroSideTakesTheOtherSidesRotation) {
    cmath_shapeAffineRect flat{{0, 0}, {0, 0}, {0, 3}};
    cmath_shapeAffineRectCenter center;
    cmath_shapeAffineRect_getCenter(&flat, &center);
    EXPECT_EQ(center.xLength, 0);
    EXPECT_NEAR(center.xRotation, center.yRotation, 1e-15);
    // Grown, it becomes a square standing on the y side.
    center.xLength = 3;
    cmath_shapeAffineRect grown;
    cmath_shapeAffineRect_initCenter(&grown, &center);
    EXPECT_NEAR(grown.px.x - grown.po.x, 3, 1e-12);
    EXPECT_NEAR(grown.px.y - grown.po.y, 0, 1e-12);
    cmath_shapeAffineRect point;
    cmath_shapeAffineRect_initNull(&point);
    cmath_shapeAffineRect_getCenter(&point, &center);
    EXPECT_EQ(center.xRotation, 0);
    EXPECT_EQ(center.yRotation, 0);
}

TEST(AffineRect, DegeneracyAndEnclosingPixels) {
    int32_t degenerate = 7;
    cmath_shapeAffineRect good{{0, 0}, {4, 1}, {-1, 3}};
    ASSERT_EQ(cmath_shapeAffineRect_getIsDegenerate(&good, &degenerate), 0);
    EXPECT_EQ(degenerate, 0);
    const cmath_shapeAffineRect bad[] = {{{0, 0}, {4, 1}, {8, 2}},
                                         {{0, 0}, {0, 0}, {1, 1}},
                                         {{0, 0}, {4, 1}, {NAN, 2}},
                                         {{0, 0}, {kInf, 1}, {0, 2}}};
    for (const cmath_shapeAffineRect& rect : bad) {
        cmath_shapeAffineRect_getIsDegenerate(&rect, &degenerate);
        EXPECT_EQ(degenerate, 1);
    }
    cmath_shapeAffineRect_initNull(&good);
    cmath_shapeAffineRect_getIsDegenerate(&good, &degenerate);
    EXPECT_EQ(degenerate, 1);

    cstd_rect32 pixels{9, 9, 9, 9};
    cmath_shapeAffineRect span{{0.2, -1.5}, {3.7, -1.5}, {0.2, 2.0}};
    ASSERT_EQ(cmath_shapeAffineRect_getEncloseImageRect(&span, &pixels), 0);
    EXPECT_EQ(pixels.x, 0);
    EXPECT_EQ(pixels.width, 4);
    EXPECT_EQ(pixels.y, -2);
    EXPECT_EQ(pixels.height, 4);
    // The fourth corner counts too.
    cmath_shapeAffineRect skew{{0, 0}, {2, 1}, {2, -1}};
    cmath_shapeAffineRect_getEncloseImageRect(&skew, &pixels);
    EXPECT_EQ(pixels.width, 4);
    const cmath_shapeAffineRect unfit[] = {{{0, 0}, {NAN, 0}, {0, 1}},
                                           {{-2e9, 0}, {2e9, 0}, {0, 1}},
                                           {{2147483647.5, 0}, {2147483647.5, 1}, {2147483647, 0}}};
    for (const cmath_shapeAffineRect& rect : unfit) {
        pixels = cstd_rect32{9, 9, 9, 9};
        EXPECT_EQ(cmath_shapeAffineRect_getEncloseImageRect(&rect, &pixels),
                  CSYS_STATUS_SIZE_OUT_OF_RANGE);
        EXPECT_EQ(pixels.x, 9);
    }
}

TEST(AffineRectPoints, FourthCorner) {
    cmath_shapeAffineRectPoints pts{{1, 2}, {5, 3}, {0, 7}};
    cmath_vect popp;
    ASSERT_EQ(cmath_shapeAffineRectPoints_getPopp(&pts, &popp), 0);
    EXPECT_EQ(popp.x, 4);
    EXPECT_EQ(popp.y, 8);
    EXPECT_PRECONDITION(cmath_shapeAffineRectPoints_getPopp(&pts, nullptr));
}

}  // namespace
