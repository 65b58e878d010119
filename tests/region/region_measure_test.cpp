// Region measurements: the exact values of the unit square and a trapezoid, centres, centre
// segments, local directions and foreshortening on random perspective views, containment against
// a brute-force test, degeneracy and the enclosing rectangles.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "ci_id/region.h"
#include "ci_id/status.h"
#include "region_views.h"
#include "test_support.h"

namespace {

using cid_test::homography;
using cid_test::insideConvexQuad;
using cid_test::randomRegion;
using cid_test::randomSquareView;
using cid_test::regionOfView;

void expectPoint(const cmath_vect& p, double x, double y, double tol = 1e-12) {
    EXPECT_NEAR(p.x, x, tol);
    EXPECT_NEAR(p.y, y, tol);
}

cid_region fourCorners(cmath_vect po, cmath_vect px, cmath_vect py, cmath_vect popp) {
    cid_region r;
    cid_region_initPoPxPyPopp(&r, &po, &px, &py, &popp);
    return r;
}

TEST(RegionMeasure, DefaultRegion) {
    cid_region r;
    cid_region_init(&r);
    cmath_vect v, c;
    double value = -1;
    int32_t flag = -1;
    cid_region_getXVect(&r, 1, &v);
    expectPoint(v, 1, 0, 0);
    cid_region_getXVect(&r, 0, &v);
    expectPoint(v, 1, 0, 0);
    cid_region_getYVect(&r, 0, &v);
    expectPoint(v, 0, 1, 0);
    cid_region_getAvXAngle(&r, &value);
    EXPECT_EQ(value, 0);
    cid_region_getAvYAngle(&r, &value);
    EXPECT_DOUBLE_EQ(value, M_PI / 2);
    cid_region_getXForshortening(&r, &value);
    EXPECT_EQ(value, 1.0);
    cid_region_getIsDegenerate(&r, &flag);
    EXPECT_EQ(flag, 0);
    cid_region_getCenter(&r, &c);
    expectPoint(c, 0.5, 0.5, 0);
}

TEST(RegionMeasure, SquareAsFourCornersAndATrapezoid) {
    cid_region square = fourCorners({0, 0}, {1, 0}, {0, 1}, {1, 1});
    cmath_vect c, xs[2], ys[2];
    double ratio = 0;
    ASSERT_EQ(cid_region_getCenterSegments(&square, &c, xs, ys), 0);
    expectPoint(c, 0.5, 0.5);
    expectPoint(xs[0], 0, 0.5);
    expectPoint(xs[1], 1, 0.5);
    cid_region_getXForshortening(&square, &ratio);
    EXPECT_DOUBLE_EQ(ratio, 1.0);

    cid_region trapezoid = fourCorners({0, 0}, {4, 0}, {1, 2}, {3, 2});
    ASSERT_EQ(cid_region_getCenter(&trapezoid, &c), 0);
    expectPoint(c, 2, 4.0 / 3);
    ASSERT_EQ(cid_region_getYCenterSegment(&trapezoid, ys), 0);
    expectPoint(ys[0], 2, 0);
    expectPoint(ys[1], 2, 2);
    cid_region_getXForshortening(&trapezoid, &ratio);
    EXPECT_DOUBLE_EQ(ratio, 1.0);
    cid_region_getYForshortening(&trapezoid, &ratio);
    EXPECT_NEAR(ratio, 0.5, 1e-12);
    double shorter = 0, longer = 0;
    ASSERT_EQ(cid_region_getXLengths(&trapezoid, &shorter, &longer), 0);
    EXPECT_EQ(shorter, 2);
    EXPECT_EQ(longer, 4);
    cid_region_initFlipY(&trapezoid, &trapezoid);
    cid_region_getXLengths(&trapezoid, &shorter, &longer);
    EXPECT_EQ(shorter, 2);
    EXPECT_EQ(longer, 4);
    double length = 0, angle = 0;
    cid_region_getXLength(&trapezoid, 1, &length);
    EXPECT_EQ(length, 2);
    cid_region_getYAngle(&trapezoid, 1, &angle);
    EXPECT_DOUBLE_EQ(angle, std::atan2(-2, -1));
}

TEST(RegionMeasure, PerspectiveViewsPutCentreAndSegmentsOnTheSquaresImage) {
    std::mt19937 rng(51);
    for (int i = 0; i < 500; ++i) {
        homography view = randomSquareView(rng, 30 + i, i % 5 == 0 ? 0.0 : 0.8);
        cid_region r = regionOfView(view);
        cmath_vect c, xs[2], ys[2];
        ASSERT_EQ(cid_region_getCenterSegments(&r, &c, xs, ys), 0);
        double tol = 1e-9 * (30 + i);
        cmath_vect mid = view.planeToImage({0.5, 0.5});
        expectPoint(c, mid.x, mid.y, tol);
        cmath_vect e = view.planeToImage({0, 0.5});
        expectPoint(xs[0], e.x, e.y, tol);
        e = view.planeToImage({1, 0.5});
        expectPoint(xs[1], e.x, e.y, tol);
        e = view.planeToImage({0.5, 0});
        expectPoint(ys[0], e.x, e.y, tol);
        e = view.planeToImage({0.5, 1});
        expectPoint(ys[1], e.x, e.y, tol);
        double ratio = 0, length = 0;
        cid_region_getXForshortening(&r, &ratio);
        double a = std::hypot(xs[0].x - mid.x, xs[0].y - mid.y);
        double b = std::hypot(xs[1].x - mid.x, xs[1].y - mid.y);
        EXPECT_NEAR(ratio, std::fmin(a, b) / std::fmax(a, b), 1e-9);
        if (view.at(2, 0) == 0) {
            EXPECT_NEAR(ratio, 1.0, 1e-12);
        } else {
            EXPECT_LT(ratio, 1.0);
        }
        cid_region_getAvXLength(&r, &length);
        EXPECT_NEAR(length, std::hypot(xs[1].x - xs[0].x, xs[1].y - xs[0].y), 1e-9);
    }
}

TEST(RegionMeasure, LocalDirectionsPointAtTheVanishingPoints) {
    std::mt19937 rng(52);
    std::uniform_real_distribution<double> unit(0.05, 0.95);
    for (int i = 0; i < 500; ++i) {
        homography view = randomSquareView(rng, 100, 0.8);
        cid_region r = regionOfView(view);
        double s = unit(rng), t = unit(rng);
        cmath_vect p = view.planeToImage({s, t});
        // Along x: the image of the square's row through p, towards growing s.
        cmath_vect ahead = view.planeToImage({s + 1e-4, t});
        double lx = std::hypot(ahead.x - p.x, ahead.y - p.y);
        cmath_vect expected{(ahead.x - p.x) / lx, (ahead.y - p.y) / lx};
        cmath_vect dir;
        double angle = 0;
        ASSERT_EQ(cid_region_getXDirAtPoint(&r, &p, &dir), 0);
        expectPoint(dir, expected.x, expected.y, 1e-6);
        ASSERT_EQ(cid_region_getXAngleAtPoint(&r, &p, &angle), 0);
        EXPECT_NEAR(std::remainder(angle - std::atan2(expected.y, expected.x), 2 * M_PI), 0, 1e-6);
        ahead = view.planeToImage({s, t + 1e-4});
        double ly = std::hypot(ahead.x - p.x, ahead.y - p.y);
        ASSERT_EQ(cid_region_getYDirAtPoint(&r, &p, &dir), 0);
        expectPoint(dir, (ahead.x - p.x) / ly, (ahead.y - p.y) / ly, 1e-6);
    }
    // Affine: the side at the origin, anywhere.
    cid_region affine;
    cid_region_init(&affine);
    cmath_vect far{100, -50}, dir;
    double angle = 1;
    cid_region_getYDirAtPoint(&affine, &far, &dir);
    expectPoint(dir, 0, 1, 0);
    cid_region_getXAngleAtPoint(&affine, &far, &angle);
    EXPECT_EQ(angle, 0);
}

TEST(RegionMeasure, ZeroVectorsGiveTheDocumentedDefaults) {
    cmath_vect p{2, 2};
    cid_region point = fourCorners(p, p, p, p);
    cmath_vect dir{9, 9};
    double angle = 9;
    ASSERT_EQ(cid_region_getAvXUnitDir(&point, &dir), 0);
    expectPoint(dir, 1, 0, 0);
    ASSERT_EQ(cid_region_getAvYUnitDir(&point, &dir), 0);
    expectPoint(dir, 0, 1, 0);
    ASSERT_EQ(cid_region_getAvXAngle(&point, &angle), 0);
    EXPECT_EQ(angle, 0);
    ASSERT_EQ(cid_region_getXDirAtPoint(&point, &p, &dir), 0);
    expectPoint(dir, 0, 0, 0);
    double ratio = 0;
    ASSERT_EQ(cid_region_getYForshortening(&point, &ratio), 0);
    EXPECT_EQ(ratio, 1.0);
    // Reversed corners give a negative-zero vector along x; its angle is still 0.
    cmath_vect z{-0.0, -0.0};
    cid_region negative;
    cid_region_initPoPxPyPopp(&negative, &z, &z, &z, nullptr);
    cid_region_getAvXAngle(&negative, &angle);
    EXPECT_EQ(angle, 0);
}

TEST(RegionMeasure, DegeneracyOfCollapsedFlatCrossedAndBrokenRegions) {
    int32_t flag = 0;
    const cid_region bad[] = {
        fourCorners({0, 0}, {0, 0}, {0, 1}, {1, 1}),       // Po = Px
        fourCorners({0, 0}, {1, 0}, {1, 1}, {0, 1}),       // bow-tie: Py and Popp exchanged
        fourCorners({0, 0}, {10, 0}, {0, 10}, {20, 0.1}),  // a corner nearly straight
        fourCorners({0, 0}, {1, 0}, {0, 1}, {NAN, 1}),
        fourCorners({0, 0}, {INFINITY, 0}, {0, 1}, {1, 1}),
    };
    for (const cid_region& r : bad) {
        ASSERT_EQ(cid_region_getIsDegenerate(&r, &flag), 0);
        EXPECT_EQ(flag, 1);
    }
    std::mt19937 rng(53);
    for (int i = 0; i < 200; ++i) {
        cid_region r = randomRegion(rng, i % 2 == 1);
        cid_region_getIsDegenerate(&r, &flag);
        EXPECT_EQ(flag, 0);
    }
    // About 3.1 degrees from straight is the limit.
    double below = std::tan(3.0 * M_PI / 180) * 10, above = std::tan(3.3 * M_PI / 180) * 10;
    cid_region kink = fourCorners({0, 0}, {10, 0}, {0, 10}, {20, below});
    cid_region_getIsDegenerate(&kink, &flag);
    EXPECT_EQ(flag, 1);
    kink.Popp.y = above;
    cid_region_getIsDegenerate(&kink, &flag);
    EXPECT_EQ(flag, 0);
}

TEST(RegionWithin, AgreesWithBruteForceAwayFromTheBorder) {
    std::mt19937 rng(54);
    std::uniform_real_distribution<double> spread(-1.0, 2.0);
    int inside = 0, outside = 0;
    for (int i = 0; i < 400; ++i) {
        bool affine = i % 2 == 0;
        homography view = randomSquareView(rng, 40, affine ? 0.0 : 0.8);
        cid_region r = regionOfView(view);
        r.isAffine = affine ? 1 : 0;
        if (affine) r.Popp = cmath_vect{r.Px.x + r.Py.x - r.Po.x, r.Px.y + r.Py.y - r.Po.y};
        const cmath_vect perimeter[4] = {r.Po, r.Px, r.Popp, r.Py};
        for (int k = 0; k < 50; ++k) {
            cmath_vect p = view.planeToImage({spread(rng), spread(rng)});
            double margin = 0;
            bool expected = insideConvexQuad(perimeter, p, &margin);
            if (margin < 1e-6) continue;
            int32_t within = -1;
            ASSERT_EQ(cid_region_within(&r, &p, &within), 0);
            EXPECT_EQ(within, expected ? 1 : 0);
            (expected ? inside : outside)++;
        }
    }
    EXPECT_GT(inside, 2000);
    EXPECT_GT(outside, 2000);
}

TEST(RegionWithin, ExactCasesAndCollapsedOrBrokenRegions) {
    cid_region square;
    cid_region_init(&square);
    int32_t within = -1;
    cmath_vect centre{0.5, 0.5}, right{2, 0.5};
    cid_region_within(&square, &centre, &within);
    EXPECT_EQ(within, 1);
    cid_region_within(&square, &right, &within);
    EXPECT_EQ(within, 0);
    cmath_vect p{3, 4};
    cid_region point = fourCorners(p, p, p, p);
    for (cmath_vect q : {p, centre, cmath_vect{3, 5}}) {
        cid_region_within(&point, &q, &within);
        EXPECT_EQ(within, 0);
    }
    cid_region broken = fourCorners({0, 0}, {1, 0}, {NAN, 1}, {1, 1});
    cid_region_within(&broken, &centre, &within);
    EXPECT_EQ(within, 0);
    cmath_vect nowhere{NAN, 0};
    cid_region_within(&square, &nowhere, &within);
    EXPECT_EQ(within, 0);
}

TEST(RegionEnclose, FloatingAndWholePixelRectangles) {
    cid_region r = fourCorners({0.2, 1}, {3.7, 1.5}, {0.5, 2}, {3, 2.5});
    cmath_rect rect;
    ASSERT_EQ(cid_region_getEncloseRect(&r, nullptr, &rect), 0);
    EXPECT_DOUBLE_EQ(rect.x, 0.2);
    EXPECT_DOUBLE_EQ(rect.width, 3.5);
    cstd_rect32 pixels;
    ASSERT_EQ(cid_region_getEncloseImageRect(&r, nullptr, &pixels), 0);
    EXPECT_EQ(pixels.x, 0);
    EXPECT_EQ(pixels.width, 4);
    EXPECT_EQ(pixels.y, 1);
    EXPECT_EQ(pixels.height, 2);
    cmath_xformLinear twice{{{{2, 0}, {0, -2}}}, {10, 0}};
    ASSERT_EQ(cid_region_getEncloseImageRect(&r, &twice, &pixels), 0);
    EXPECT_EQ(pixels.x, 10);
    EXPECT_EQ(pixels.width, 8);
    EXPECT_EQ(pixels.y, -5);
    EXPECT_EQ(pixels.height, 3);

    int32_t within = -1;
    cstd_rect32 image{0, 0, 640, 480};
    ASSERT_EQ(cid_region_isWithinImageRect(&r, nullptr, &image, &within), 0);
    EXPECT_EQ(within, 1);
    ASSERT_EQ(cid_region_isWithinImageRect(&r, &twice, &image, &within), 0);
    EXPECT_EQ(within, 0);
    // A region with no extent lies in any image, as cstd_rect32_containsRect has it.
    cid_region far = fourCorners({-50, -50}, {-50, -50}, {-50, -50}, {-50, -50});
    ASSERT_EQ(cid_region_isWithinImageRect(&far, nullptr, &image, &within), 0);
    EXPECT_EQ(within, 1);

    const cid_region unfit[] = {fourCorners({0, 0}, {NAN, 0}, {0, 1}, {1, 1}),
                                fourCorners({-3e9, 0}, {0, 0}, {0, 1}, {1, 1}),
                                fourCorners({-2e9, 0}, {2e9, 0}, {0, 1}, {1, 1})};
    for (const cid_region& u : unfit) {
        pixels = cstd_rect32{9, 9, 9, 9};
        EXPECT_EQ(cid_region_getEncloseImageRect(&u, nullptr, &pixels), CID_STATUS_OUT_OF_RANGE);
        EXPECT_EQ(pixels.x, 9);
        within = 1;
        EXPECT_EQ(cid_region_isWithinImageRect(&u, nullptr, &image, &within),
                  CID_STATUS_OUT_OF_RANGE);
        EXPECT_EQ(within, 0);
    }
}

TEST(RegionMeasure, NullPointersArePreconditions) {
    cid_region r;
    cid_region_init(&r);
    cmath_vect v;
    double d;
    int32_t flag;
    EXPECT_PRECONDITION(cid_region_getXVect(nullptr, 1, &v));
    EXPECT_PRECONDITION(cid_region_getAvYLength(&r, nullptr));
    EXPECT_PRECONDITION(cid_region_getXForshortening(&r, nullptr));
    EXPECT_PRECONDITION(cid_region_within(&r, nullptr, &flag));
    EXPECT_PRECONDITION(cid_region_getEncloseRect(&r, nullptr, nullptr));
    EXPECT_PRECONDITION(cid_region_getXLengths(&r, &d, nullptr));
}

}  // namespace
