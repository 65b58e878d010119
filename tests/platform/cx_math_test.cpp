// Mathematics classes (vectors, matrices, transforms, angles) and the cxVector container.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

#include "ci_id/platform/cmath_shape.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/platform/cx_exception.h"
#include "ci_id/platform/cx_math.h"
#include "ci_id/platform/cx_vector.h"
#include "test_support.h"

namespace {

cx2Xform randomXform(std::mt19937& rng) {
    std::uniform_real_distribution<double> u(-3, 3);
    return cx2Xform(cx2Matrix(u(rng), u(rng), u(rng), u(rng)), cx2Vect(u(rng), u(rng)));
}

TEST(CxMath, MatrixAndXformMapPointsAsTheirElementsSay) {
    cx2Matrix m(1, 2, 3, 4);
    EXPECT_EQ(m.element(0, 1), 2);
    EXPECT_EQ(m.element(1, 0), 3);
    EXPECT_EQ(m.determinant(), -2);
    EXPECT_PRECONDITION(m.element(2, 0));
    cx2Vect p = m * cx2Vect(1, 1);
    EXPECT_EQ(p, cx2Vect(3, 7));
    cx2Xform t(m, cx2Vect(10, 20));
    EXPECT_EQ(t * cx2Vect(1, 1), cx2Vect(13, 27));
    EXPECT_EQ(cx2Xform() * cx2Vect(5, -6), cx2Vect(5, -6));
    cmath_vect plain = cx2Vect(1.5, -2).vect();
    EXPECT_EQ(cx2Vect(plain), cx2Vect(1.5, -2));
}

TEST(CxMath, ComposeAndInverseAgreeWithPointMaps) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-50, 50);
    for (int i = 0; i < 500; ++i) {
        cx2Xform a = randomXform(rng), b = randomXform(rng);
        cx2Vect p(u(rng), u(rng));
        cx2Vect composed = (a * b) * p;
        cx2Vect chained = a * (b * p);
        EXPECT_NEAR(composed.x(), chained.x(), 1e-9);
        EXPECT_NEAR(composed.y(), chained.y(), 1e-9);
        if (std::fabs(a.matrix().determinant()) < 1e-3) continue;
        cx2Vect back = a.inverse() * (a * p);
        EXPECT_NEAR(back.x(), p.x(), 1e-6);
        EXPECT_NEAR(back.y(), p.y(), 1e-6);
    }
    cx2Xform singular(cx2Matrix(1, 2, 2, 4), cx2Vect(0, 0));
    try {
        singular.inverse();
        FAIL() << "no exception";
    } catch (const cxException& e) {
        EXPECT_EQ(e.code(), CMATH_STATUS_SINGULAR);
    }
}

TEST(CxMath, RadianSumsFoldIntoHalfOpenHalfTurns) {
    const cxRadian half(cxDegree(180.0));
    EXPECT_EQ(half.toDouble(), M_PI);
    EXPECT_EQ(cxRadian(cxDegree(90.0)).toDouble(), M_PI / 2);
    EXPECT_EQ(cxDegree(cxRadian(M_PI)).toDouble(), 180.0);
    EXPECT_EQ((cxRadian(0.0) + half).toDouble(), M_PI);
    EXPECT_EQ((half + half).toDouble(), 0.0);
    EXPECT_DOUBLE_EQ((cxRadian(M_PI / 2) + half).toDouble(), -M_PI / 2);
    EXPECT_DOUBLE_EQ((cxRadian(-M_PI / 2) - half).toDouble(), M_PI / 2);
    // A value held is not folded; only arithmetic folds.
    EXPECT_EQ(cxRadian(10.0).toDouble(), 10.0);
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> u(-100, 100);
    for (int i = 0; i < 2000; ++i) {
        double a = u(rng), b = u(rng);
        double sum = (cxRadian(a) + cxRadian(b)).toDouble();
        ASSERT_GT(sum, -M_PI);
        ASSERT_LE(sum, M_PI);
        EXPECT_NEAR(std::cos(sum), std::cos(a + b), 1e-12);
        EXPECT_NEAR(std::sin(sum), std::sin(a + b), 1e-12);
    }
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(std::isnan((cxRadian(inf) + half).toDouble()));
    EXPECT_TRUE(std::isnan((cxRadian(NAN) - half).toDouble()));
}

TEST(CxVector, IsAPlainContainerOnCxObject) {
    EXPECT_TRUE((std::is_base_of<cxObject, cxVector<uint32_t>>::value));
    EXPECT_FALSE(std::is_polymorphic<cxVector<uint32_t>>::value);
    EXPECT_FALSE(std::is_copy_constructible<cxVector<uint32_t>>::value);
}

TEST(CxVector, RandomOperationsMatchStdVector) {
    std::mt19937 rng(8);
    cxVector<uint32_t> v, other;
    std::vector<uint32_t> model, otherModel;
    for (int step = 0; step < 5000; ++step) {
        uint32_t value = rng();
        switch (rng() % 6) {
            case 0:
            case 1:
                ASSERT_EQ(v.pushBack(value), 0);
                model.push_back(value);
                break;
            case 2: {
                size_t size = rng() % 40;
                ASSERT_EQ(v.resize(size, value), 0);
                model.resize(size, value);
                break;
            }
            case 3:
                ASSERT_EQ(other.assign(v), 0);
                otherModel = model;
                break;
            case 4:
                v.swap(other);
                model.swap(otherModel);
                break;
            default:
                if (rng() % 8 == 0) {
                    v.clear();
                    model.clear();
                }
        }
        ASSERT_EQ(v.size(), model.size());
        ASSERT_EQ(std::vector<uint32_t>(v.begin(), v.end()), model);
        ASSERT_EQ(std::vector<uint32_t>(other.begin(), other.end()), otherModel);
    }
    EXPECT_PRECONDITION(v[v.size()]);
}

TEST(CxVector, MovesTakeTheContents) {
    cxVector<uint32_t> a;
    ASSERT_EQ(a.resize(5, 3u), 0);
    cxVector<uint32_t> b(std::move(a));
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(b.size(), 5u);
    cxVector<uint32_t> c;
    ASSERT_EQ(c.pushBack(1), 0);
    c = std::move(b);
    EXPECT_EQ(c.size(), 5u);
    EXPECT_EQ(c[4], 3u);
    EXPECT_TRUE(b.empty());
}

TEST(CxVector, PushBackOfItsOwnElementSurvivesGrowth) {
    cxVector<uint32_t> v;
    for (uint32_t i = 0; i < 100; ++i) {
        ASSERT_EQ(v.pushBack(i == 0 ? 7u : v[0]), 0);
    }
    for (uint32_t x : v) EXPECT_EQ(x, 7u);
}

TEST(CxVector, FailedAllocationReportsAndKeepsContents) {
    cxVector<uint32_t> v, copy;
    ASSERT_EQ(v.resize(3, 9u), 0);
    cid_test::countingAllocator allocator;
    allocator.failAfter(0);
    EXPECT_EQ(v.resize(1000, 1u), CSYS_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(copy.assign(v), CSYS_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(v.size(), 3u);
    EXPECT_EQ(v[2], 9u);
    EXPECT_TRUE(copy.empty());
    EXPECT_EQ(v.resize(SIZE_MAX / 2, 1u), CSYS_STATUS_SIZE_OUT_OF_RANGE);
    allocator.neverFail();
    EXPECT_EQ(copy.assign(v), 0);
    EXPECT_EQ(copy.size(), 3u);
}

TEST(AffineRect, PointsRoundTrip) {
    cmath_vect pts[3] = {{1, 2}, {3, 4}, {-5, 6}};
    cmath_shapeAffineRect rect;
    ASSERT_EQ(cmath_shapeAffineRect_initPoints(&rect, pts), 0);
    EXPECT_EQ(rect.px.x, 3);
    cmath_vect back[3];
    ASSERT_EQ(cmath_shapeAffineRect_getPoints(&rect, back), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back[i].x, pts[i].x);
        EXPECT_EQ(back[i].y, pts[i].y);
    }
    EXPECT_PRECONDITION(cmath_shapeAffineRect_initPoints(&rect, nullptr));
}

}  // namespace
