// Platform mathematics: integer roots and fixed-point sines against exact references, transforms
// in C and C++ against point mapping, the parallelogram test, and cxVector against std::vector.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "ci_id/platform/cmath_fixed.h"
#include "ci_id/platform/cmath_shape.h"
#include "ci_id/platform/cmath_xform.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/platform/cx_exception.h"
#include "ci_id/platform/cx_math.h"
#include "ci_id/platform/cx_vector.h"

namespace {

TEST(FixedMath, FloorRootsAndCorrectlyRoundedSines) {
    std::mt19937_64 rng(6);
    for (int i = 0; i < 200000; ++i) {
        // Random values, and squares and their neighbours, where floating roots fail.
        const uint64_t q = rng() >> 32, v = i % 3 ? rng() >> (rng() % 64) : q * q - i % 2;
        const uint64_t r = cmath_sqrt64(v);
        const uint32_t w = uint32_t(v), s = cmath_sqrt32(w);
        ASSERT_TRUE((unsigned __int128)r * r <= v && (unsigned __int128)(r + 1) * (r + 1) > v) << v;
        ASSERT_TRUE(uint64_t(s) * s <= w && (uint64_t(s) + 1) * (s + 1) > w) << w;
    }
    EXPECT_TRUE(cmath_sqrt64(UINT64_MAX) == UINT32_MAX && cmath_sqrt32(UINT32_MAX) == 65535);
    // sin(angle / 65536 turn) 2^fracBits rounded: no value lies near a tie, so rounding the long
    // double value is the true rounding.
    const long double pi = 3.14159265358979323846264338327950288L;
    for (int32_t bits = 0; bits <= 30; ++bits) {
        for (uint32_t a = 0; a < 65536; ++a) {
            const uint16_t angle = uint16_t(a), quarter = uint16_t(a + 16384);
            const int32_t rounded = int32_t(std::round(std::ldexp(std::sin(a * pi / 32768), bits)));
            ASSERT_EQ(cmath_sin16FixedPoint(&angle, bits), rounded) << a << " " << bits;
            ASSERT_EQ(cmath_cos16FixedPoint(&angle, bits), cmath_sin16FixedPoint(&quarter, bits));
        }
    }
}

double distance(const cmath_vect& a, const cmath_vect& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

TEST(Math, ComposedAndInverseTransformsAgreeWithPointMapping) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-3, 3);
    for (int i = 0; i < 500; ++i) {
        cmath_xformLinear c[2], ab, inverse;
        cx2Xform x[2];
        for (int k = 0; k < 2; ++k) {  // the same random transform in C and in C++
            const double e[6] = {u(rng), u(rng), u(rng), u(rng), u(rng), u(rng)};
            c[k] = {{{{e[0], e[1]}, {e[2], e[3]}}}, {e[4], e[5]}};
            x[k] = cx2Xform(cx2Matrix(e[0], e[1], e[2], e[3]), cx2Vect(e[4], e[5]));
        }
        const cmath_vect p{50 * u(rng), 50 * u(rng)};
        cmath_vect viaB, chained, composed, back;
        cmath_xformLinear_initCompose(&ab, &c[0], &c[1]);
        cmath_xformLinear_mapPoint(&c[1], &p, &viaB);
        cmath_xformLinear_mapPoint(&c[0], &viaB, &chained);
        cmath_xformLinear_mapPoint(&ab, &p, &composed);
        const cmath_vect viaClass = (x[0] * x[1] * cx2Vect(p)).vect();
        EXPECT_LT(distance(composed, chained) + distance(viaClass, chained), 1e-9);
        if (std::fabs(x[0].matrix().determinant()) < 1e-3) continue;
        ASSERT_EQ(cmath_xformLinear_getInverse(&c[0], &inverse), 0);
        cmath_xformLinear_mapPoint(&inverse, &chained, &back);
        EXPECT_LT(distance(back, viaB) + distance((x[0].inverse() * (x[0] * cx2Vect(p))).vect(), p),
                  1e-6);
    }
    cmath_xformLinear flat{{{{1, 2}, {3, 6}}}, {0, 0}};
    EXPECT_EQ(cmath_xformLinear_getInverse(&flat, &flat), CMATH_STATUS_SINGULAR);
    EXPECT_THROW(cx2Xform(cx2Matrix(1, 2, 2, 4), cx2Vect(0, 0)).inverse(), cxException);
}

TEST(Math, ParallelogramsContainThePointsOnTheInnerSideOfEveryEdge) {
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> u(-300, 300);
    int inside = 0;
    for (int i = 0; i < 4000; ++i) {
        const cmath_shapeAffineRect r{{u(rng), u(rng)}, {u(rng), u(rng)}, {u(rng), u(rng)}};
        const cmath_vect p{u(rng), u(rng)},
            opposite{r.px.x + r.py.x - r.po.x, r.px.y + r.py.y - r.po.y};
        const cmath_vect corners[5] = {r.po, r.px, opposite, r.py, r.po};
        // The side of each edge the point lies on; points near an edge are left out.
        int positive = 0, negative = 0;
        for (int k = 0; k < 4; ++k) {
            const cmath_vect &a = corners[k], &b = corners[k + 1];
            const double cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
            positive += cross > 1e-6 * distance(a, b), negative += cross < -1e-6 * distance(a, b);
        }
        int32_t within = -1;
        ASSERT_EQ(cmath_shapeAffineRect_within(&r, &p, &within), 0);
        EXPECT_TRUE(positive + negative < 4 || within == (positive == 4 || negative == 4));
        inside += within;
    }
    EXPECT_GT(inside, 100);
}

TEST(CxVector, RandomOperationsMatchStdVector) {
    std::mt19937 rng(8);
    cxVector<uint32_t> v, other;
    std::vector<uint32_t> model, otherModel;
    for (int step = 0; step < 5000; ++step) {
        const uint32_t value = rng(), kind = rng() % 4;
        if (kind == 0) {
            ASSERT_EQ(v.resize(value % 40, value), 0);
            model.resize(value % 40, value);
        } else if (kind == 1) {
            ASSERT_EQ(other.assign(v), 0);
            otherModel = model;
        } else {  // possibly its own element, which must survive the growth
            model.push_back(model.empty() ? value : model[value % model.size()]);
            ASSERT_EQ(v.pushBack(v.empty() ? value : v[value % v.size()]), 0);
        }
        ASSERT_EQ(std::vector<uint32_t>(v.begin(), v.end()), model);
        ASSERT_EQ(std::vector<uint32_t>(other.begin(), other.end()), otherModel);
    }
}

}  // namespace
