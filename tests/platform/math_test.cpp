// Vectors, scalar helpers, linear transforms and affine rectangles.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "ci_id/platform/cmath_shape.h"
#include "ci_id/platform/cmath_vect.h"
#include "ci_id/platform/cmath_xform.h"
#include "ci_id/platform/csys_status.h"
#include "test_support.h"

namespace {

TEST(Vect, UnitFailsOnZeroAndNonFiniteVectors) {
    cmath_vect unit{9, 9};
    cmath_vect v{3, 4};
    EXPECT_EQ(cmath_vect_getUnit(&v, &unit), 0);
    EXPECT_DOUBLE_EQ(unit.x, 0.6);
    EXPECT_DOUBLE_EQ(unit.y, 0.8);
    const double inf = std::numeric_limits<double>::infinity();
    for (cmath_vect bad : {cmath_vect{0, 0}, cmath_vect{NAN, 1}, cmath_vect{inf, 0}}) {
        cmath_vect out{9, 9};
        EXPECT_EQ(cmath_vect_getUnit(&bad, &out), CMATH_STATUS_ZERO_VECTOR);
        EXPECT_EQ(out.x, 9);
    }
    cmath_vect tiny{1e-300, 1e-300};
    EXPECT_EQ(cmath_vect_getUnit(&tiny, &unit), 0);
    EXPECT_NEAR(unit.x, std::sqrt(0.5), 1e-15);
}

TEST(Vect, DirectionLengthDistanceCross) {
    cmath_vect a{-1, 0}, b{2, 4}, sum, diff;
    double value = 0;
    cmath_vect_getDirection(&a, &value);
    EXPECT_DOUBLE_EQ(value, M_PI);
    cmath_vect_getLength(&b, &value);
    EXPECT_DOUBLE_EQ(value, std::sqrt(20.0));
    cmath_vect_getDistance(&a, &b, &value);
    EXPECT_DOUBLE_EQ(value, 5.0);
    cmath_vect_cross(&a, &b, &value);
    EXPECT_DOUBLE_EQ(value, -4.0);
    cmath_vect_initAdd(&sum, &a, &b);
    cmath_vect_initSubtract(&diff, &a, &b);
    EXPECT_EQ(sum.x, 1);
    EXPECT_EQ(diff.y, -4);
    cmath_vect_initSubtract(&a, &a, &a);  // aliasing output
    EXPECT_EQ(a.x, 0);
}

TEST(Double, RoundingSaturatesAndHandlesHalves) {
    EXPECT_EQ(cmath_double_round(2.5), 3);
    EXPECT_EQ(cmath_double_round(-2.5), -3);
    EXPECT_EQ(cmath_double_round(-2.4999), -2);
    EXPECT_EQ(cmath_double_floor(-0.5), -1);
    EXPECT_EQ(cmath_double_ceil(-0.5), 0);
    EXPECT_EQ(cmath_double_round(1e12), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(cmath_double_floor(-1e12), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(cmath_double_ceil(NAN), 0);
    EXPECT_EQ(cmath_double_epsilonEqual(1.0, 1.0 + 1e-6, 1e-5), 1);
    EXPECT_EQ(cmath_double_epsilonEqual(1.0, NAN, 1e-5), 0);
    EXPECT_EQ(cmath_double_min(2, -3), -3);
    EXPECT_EQ(cmath_double_max(2, -3), 2);
    EXPECT_EQ(cmath_double_sqr(-3), 9);
}

TEST(Radian, NormBringsAnglesIntoOneTurn) {
    EXPECT_DOUBLE_EQ(cmath_radian_norm(-M_PI / 2), 1.5 * M_PI);
    EXPECT_DOUBLE_EQ(cmath_radian_norm(5 * M_PI), M_PI);
    EXPECT_EQ(cmath_radian_norm(0.0), 0.0);
    EXPECT_EQ(cmath_radian_norm(-1e-300), 0.0);
    EXPECT_TRUE(std::isnan(cmath_radian_norm(INFINITY)));
    std::mt19937 rng(2);
    std::uniform_real_distribution<double> u(-1000, 1000);
    for (int i = 0; i < 1000; ++i) {
        double a = u(rng);
        double n = cmath_radian_norm(a);
        ASSERT_GE(n, 0.0);
        ASSERT_LT(n, 2 * M_PI);
        EXPECT_NEAR(std::remainder(a - n, 2 * M_PI), 0.0, 1e-9);
    }
}

cmath_xformLinear randomXform(std::mt19937& rng) {
    std::uniform_real_distribution<double> u(-3, 3);
    cmath_xformLinear x;
    cmath_matrix m;
    cmath_matrix_init(&m, u(rng), u(rng), u(rng), u(rng));
    cmath_vect t{u(rng) * 100, u(rng) * 100};
    cmath_xformLinear_initMatrixTrans(&x, &m, &t);
    return x;
}

TEST(XformLinear, ComposeAndInverseAgreeWithPointMapping) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-50, 50);
    for (int trial = 0; trial < 200; ++trial) {
        cmath_xformLinear a = randomXform(rng), b = randomXform(rng), ab, inverse, identity;
        cmath_xformLinear_initCompose(&ab, &a, &b);
        cmath_vect p{u(rng), u(rng)}, viaB, viaBoth, direct, back;
        cmath_xformLinear_mapPoint(&b, &p, &viaB);
        cmath_xformLinear_mapPoint(&a, &viaB, &viaBoth);
        cmath_xformLinear_mapPoint(&ab, &p, &direct);
        EXPECT_NEAR(direct.x, viaBoth.x, 1e-9 * (1 + std::fabs(viaBoth.x)));
        EXPECT_NEAR(direct.y, viaBoth.y, 1e-9 * (1 + std::fabs(viaBoth.y)));
        if (cmath_xformLinear_getInverse(&ab, &inverse) < 0) continue;
        cmath_xformLinear_initCompose(&identity, &inverse, &ab);
        cmath_xformLinear_mapPoint(&identity, &p, &back);
        EXPECT_NEAR(back.x, p.x, 1e-6);
        EXPECT_NEAR(back.y, p.y, 1e-6);
    }
    cmath_xformLinear singular{{{{1e-20, 0}, {0, 1e20}}}, {0, 0}}, out{};
    EXPECT_EQ(cmath_xformLinear_getInverse(&singular, &out), 0);  // well conditioned enough
    cmath_xformLinear flat{{{{1, 2}, {3, 6}}}, {0, 0}};
    EXPECT_EQ(cmath_xformLinear_getInverse(&flat, &out), CMATH_STATUS_SINGULAR);
}

TEST(AffineRect, WithinAgreesWithACornerTestOnRandomParallelograms) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-20, 20);
    int inside = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        cmath_shapeAffineRect r{{u(rng), u(rng)}, {u(rng), u(rng)}, {u(rng), u(rng)}};
        cmath_vect p{u(rng), u(rng)};
        // Reference: the point is inside when it is on the inner side of all four edges.
        cmath_vect popp{r.px.x + r.py.x - r.po.x, r.px.y + r.py.y - r.po.y};
        cmath_vect corners[4] = {r.po, r.px, popp, r.py};
        double side[4];
        bool nearEdge = false;
        for (int i = 0; i < 4; ++i) {
            const cmath_vect& a = corners[i];
            const cmath_vect& b = corners[(i + 1) % 4];
            double cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
            double length = std::hypot(b.x - a.x, b.y - a.y);
            side[i] = cross;
            if (std::fabs(cross) < 1e-6 * length) nearEdge = true;
        }
        if (nearEdge) continue;
        bool expected = (side[0] > 0 && side[1] > 0 && side[2] > 0 && side[3] > 0) ||
                        (side[0] < 0 && side[1] < 0 && side[2] < 0 && side[3] < 0);
        int32_t within = -1;
        ASSERT_EQ(cmath_shapeAffineRect_within(&r, &p, &within), 0);
        EXPECT_EQ(within, expected ? 1 : 0);
        inside += within;
    }
    EXPECT_GT(inside, 100);
}

TEST(AffineRect, BorderCountsAndDegenerateRectsContainNothing) {
    cmath_shapeAffineRect unit{{0, 0}, {1, 0}, {0, 1}};
    int32_t within = 0;
    cmath_vect corner{1, 1};
    cmath_shapeAffineRect_within(&unit, &corner, &within);
    EXPECT_EQ(within, 1);
    cmath_shapeAffineRect line{{0, 0}, {1, 1}, {2, 2}};
    cmath_vect onIt{1, 1};
    cmath_shapeAffineRect_within(&line, &onIt, &within);
    EXPECT_EQ(within, 0);
    cmath_vect nan{NAN, 0.5};
    cmath_shapeAffineRect_within(&unit, &nan, &within);
    EXPECT_EQ(within, 0);
}

}  // namespace
