// Perspective transforms: the fit to point pairs against known homographies, inversion, mapping
// and the failure paths.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "ci_id/platform/cmath_perspective.h"
#include "ci_id/platform/csys_status.h"
#include "homography.h"
#include "test_support.h"

namespace {

using cid_test::homography;
using cid_test::randomSquareView;

cmath_vect mapped(const cmath_xformPerspective& xform, const cmath_vect& p) {
    cmath_vect out{NAN, NAN};
    EXPECT_EQ(cmath_xformPerspective_mapPoint(&xform, &p, &out), 0);
    return out;
}

TEST(Perspective, FourPairsGiveTheViewThatMadeThem) {
    std::mt19937 rng(21);
    std::uniform_real_distribution<double> inside(-0.5, 1.5);
    for (int i = 0; i < 500; ++i) {
        homography view = randomSquareView(rng, 20 + 400 * (i % 5), 0.6);
        const cmath_vect from[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
        cmath_vect to[4];
        for (int k = 0; k < 4; ++k) to[k] = view.planeToImage(from[k]);
        cmath_xformPerspective xform;
        ASSERT_EQ(cmath_xformPerspective_constructPointsAllowNonUnique(&xform, from, to, 4), 0);
        for (int k = 0; k < 4; ++k) {
            cmath_vect p = mapped(xform, from[k]);
            EXPECT_NEAR(p.x, to[k].x, 1e-9);
            EXPECT_NEAR(p.y, to[k].y, 1e-9);
        }
        // Four pairs fix the transform, so other points follow the view too.
        double x = inside(rng) * 0.6, y = inside(rng) * 0.6;
        cmath_vect p = mapped(xform, cmath_vect{x, y});
        cmath_vect expected = view.planeToImage({x, y});
        EXPECT_NEAR(p.x, expected.x, 1e-8);
        EXPECT_NEAR(p.y, expected.y, 1e-8);
    }
}

TEST(Perspective, InverseAfterForwardIsTheIdentity) {
    std::mt19937 rng(22);
    std::uniform_real_distribution<double> u(0, 1);
    for (int i = 0; i < 200; ++i) {
        homography view = randomSquareView(rng, 300, 0.8);
        cmath_xformPerspective xform, inverse;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) xform.element[r][c] = view.at(r, c);
        }
        ASSERT_EQ(cmath_xformPerspective_getInverse(&xform, &inverse), 0);
        cmath_vect p{u(rng), u(rng)};
        cmath_vect back = mapped(inverse, mapped(xform, p));
        EXPECT_NEAR(back.x, p.x, 1e-11);
        EXPECT_NEAR(back.y, p.y, 1e-11);
        // In place, and the generic map agrees.
        ASSERT_EQ(cmath_xformPerspective_getInverse(&inverse, &inverse), 0);
        cmath_vect again{0, 0};
        ASSERT_EQ(cmath_xform_mapPoint(&inverse, &p, &again), 0);
        cmath_vect direct = view.planeToImage(p);
        EXPECT_NEAR(again.x, direct.x, 1e-9);
        EXPECT_NEAR(again.y, direct.y, 1e-9);
    }
}

TEST(Perspective, MorePairsAreFittedAndRepeatedPointsAllowed) {
    std::mt19937 rng(23);
    std::uniform_real_distribution<double> u(0, 1);
    homography view = randomSquareView(rng, 100, 0.5);
    std::vector<cmath_vect> from, to;
    for (int k = 0; k < 12; ++k) {
        from.push_back(cmath_vect{u(rng), u(rng)});
        to.push_back(view.planeToImage(from.back()));
    }
    // Exact pairs: the least-squares fit is exact too.
    cmath_xformPerspective xform;
    ASSERT_EQ(
        cmath_xformPerspective_constructPointsAllowNonUnique(&xform, from.data(), to.data(), 12),
        0);
    for (size_t k = 0; k < from.size(); ++k) {
        cmath_vect p = mapped(xform, from[k]);
        EXPECT_NEAR(p.x, to[k].x, 1e-9);
    }
    // A repeated pair adds nothing, but does no harm while four distinct pairs remain.
    const cmath_vect repeatedFrom[5] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {1, 1}};
    cmath_vect repeatedTo[5];
    for (int k = 0; k < 5; ++k) repeatedTo[k] = view.planeToImage(repeatedFrom[k]);
    ASSERT_EQ(
        cmath_xformPerspective_constructPointsAllowNonUnique(&xform, repeatedFrom, repeatedTo, 5),
        0);
    cmath_vect p = mapped(xform, cmath_vect{0.5, 0.5});
    EXPECT_NEAR(p.x, view.planeToImage({0.5, 0.5}).x, 1e-9);
}

TEST(Perspective, PairsThatDoNotFixATransformFail) {
    cmath_xformPerspective xform;
    cmath_xformPerspective_construct(&xform);
    xform.element[0][2] = 42;
    const cmath_vect square[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    const cmath_vect collinear[4] = {{0, 0}, {1, 1}, {2, 2}, {0, 5}};
    const cmath_vect repeated[4] = {{0, 0}, {1, 0}, {1, 0}, {1, 1}};
    const cmath_vect notFinite[4] = {{0, 0}, {1, 0}, {0, NAN}, {1, 1}};
    EXPECT_EQ(cmath_xformPerspective_constructPointsAllowNonUnique(&xform, square, collinear, 4),
              CMATH_STATUS_SINGULAR);
    EXPECT_EQ(cmath_xformPerspective_constructPointsAllowNonUnique(&xform, collinear, square, 4),
              CMATH_STATUS_SINGULAR);
    EXPECT_EQ(cmath_xformPerspective_constructPointsAllowNonUnique(&xform, repeated, square, 4),
              CMATH_STATUS_SINGULAR);
    EXPECT_EQ(cmath_xformPerspective_constructPointsAllowNonUnique(&xform, square, notFinite, 4),
              CMATH_STATUS_SINGULAR);
    EXPECT_EQ(cmath_xformPerspective_constructPointsAllowNonUnique(&xform, square, square, 3),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(xform.element[0][2], 42);
    EXPECT_PRECONDITION(
        cmath_xformPerspective_constructPointsAllowNonUnique(&xform, nullptr, square, 4));
}

TEST(Perspective, SingularInverseAndPointsAtInfinity) {
    cmath_xformPerspective flat{{{1, 2, 3}, {2, 4, 6}, {0, 0, 1}}}, out;
    out.element[1][1] = 5;
    EXPECT_EQ(cmath_xformPerspective_getInverse(&flat, &out), CMATH_STATUS_SINGULAR);
    EXPECT_EQ(out.element[1][1], 5);
    // w = x - 1 vanishes on the line x = 1.
    cmath_xformPerspective view{{{1, 0, 0}, {0, 1, 0}, {1, 0, -1}}};
    cmath_vect p{1, 7}, q{3, 3};
    EXPECT_EQ(cmath_xformPerspective_mapPoint(&view, &p, &q), CMATH_STATUS_POINT_AT_INFINITY);
    EXPECT_EQ(q.x, 3);
    p = cmath_vect{3, 4};
    ASSERT_EQ(cmath_xformPerspective_mapPoint(&view, &p, &p), 0);
    EXPECT_DOUBLE_EQ(p.x, 1.5);
    EXPECT_DOUBLE_EQ(p.y, 2);
}

TEST(Perspective, ConstructAndDestructLeaveTheIdentity) {
    cmath_xformPerspective xform{{{9, 9, 9}, {9, 9, 9}, {9, 9, 9}}};
    ASSERT_EQ(cmath_xformPerspective_construct(&xform), 0);
    cmath_vect p{3.5, -2};
    cmath_vect q = mapped(xform, p);
    EXPECT_EQ(q.x, 3.5);
    EXPECT_EQ(q.y, -2);
    xform.element[0][0] = 4;
    ASSERT_EQ(cmath_xformPerspective_destruct(&xform), 0);
    EXPECT_EQ(mapped(xform, p).x, 3.5);
}

}  // namespace
