// Perspective checks: the distance rules of the fourth corner, the mapping of random views onto
// their measured corners, mapping affine rectangles, and the convexity and corner validity codes.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "ci_id/perspective.h"
#include "ci_id/status.h"
#include "homography.h"
#include "test_support.h"

namespace {

using cid_test::homography;
using cid_test::randomSquareView;

TEST(PerspectiveChecks, MappingRequiredBeyondTwoPixels) {
    cmath_shapeAffineRectPoints rect{{0, 0}, {10, 0}, {0, 10}};
    int32_t required = -1;
    cmath_vect popp{10, 10};
    ASSERT_EQ(cidut_isPerspectiveMappingRequired(&rect, &popp, &required), 0);
    EXPECT_EQ(required, 0);
    popp = cmath_vect{12, 10};
    cidut_isPerspectiveMappingRequired(&rect, &popp, &required);
    EXPECT_EQ(required, 0);
    popp = cmath_vect{10, 12.01};
    cidut_isPerspectiveMappingRequired(&rect, &popp, &required);
    EXPECT_EQ(required, 1);
    required = -1;
    ASSERT_EQ(cidut_isPerspectiveMappingRequired(&rect, nullptr, &required), 0);
    EXPECT_EQ(required, 0);

    int32_t severe = -1;
    popp = cmath_vect{13, 14};
    ASSERT_EQ(cidut_isPerspectiveSevere(&rect, &popp, 5.0, &severe), 0);
    EXPECT_EQ(severe, 0);
    ASSERT_EQ(cidut_isPerspectiveSevere(&rect, &popp, 4.99, &severe), 0);
    EXPECT_EQ(severe, 1);
    EXPECT_PRECONDITION(cidut_isPerspectiveSevere(&rect, nullptr, 1, &severe));
    EXPECT_PRECONDITION(cidut_isPerspectiveMappingRequired(nullptr, &popp, &required));
}

TEST(PerspectiveMapping, MapsTheParallelogramOntoTheMeasuredCorners) {
    std::mt19937 rng(81);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 0; i < 300; ++i) {
        homography view = randomSquareView(rng, 40 + 2 * i, i % 7 == 0 ? 0.0 : 0.8);
        cmath_shapeAffineRectPoints rect{view.planeToImage({0, 0}), view.planeToImage({1, 0}),
                                         view.planeToImage({0, 1})};
        cmath_vect popp = view.planeToImage({1, 1}), affine;
        cmath_shapeAffineRectPoints_getPopp(&rect, &affine);
        cmath_xformPerspective forward, inverse;
        ASSERT_EQ(cidut_perspectiveMapping_construct(&rect, &popp, &forward, &inverse), 0);
        const cmath_vect from[4] = {rect.Po, rect.Px, rect.Py, affine};
        const cmath_vect to[4] = {rect.Po, rect.Px, rect.Py, popp};
        for (int k = 0; k < 4; ++k) {
            cmath_vect p;
            ASSERT_EQ(cmath_xformPerspective_mapPoint(&forward, &from[k], &p), 0);
            EXPECT_NEAR(p.x, to[k].x, 1e-9);
            EXPECT_NEAR(p.y, to[k].y, 1e-9);
        }
        // Inverse after forward is the identity, anywhere near the symbol.
        cmath_vect q = view.planeToImage({unit(rng), unit(rng)}), there, back;
        ASSERT_EQ(cmath_xformPerspective_mapPoint(&forward, &q, &there), 0);
        ASSERT_EQ(cmath_xformPerspective_mapPoint(&inverse, &there, &back), 0);
        EXPECT_NEAR(back.x, q.x, 1e-9);
        EXPECT_NEAR(back.y, q.y, 1e-9);
        cmath_xformPerspective_destruct(&forward);
        cmath_xformPerspective_destruct(&inverse);
    }
}

TEST(PerspectiveMapping, CornersThatFixNoTransformFail) {
    cmath_shapeAffineRectPoints rect{{0, 0}, {10, 0}, {0, 10}};
    cmath_vect onALine{20, 0};  // Po, Px and popp in a row
    cmath_xformPerspective forward, inverse;
    cmath_xformPerspective_construct(&forward);
    forward.element[0][1] = 3;
    EXPECT_EQ(cidut_perspectiveMapping_construct(&rect, &onALine, &forward, &inverse),
              CMATH_STATUS_SINGULAR);
    EXPECT_EQ(forward.element[0][1], 3);
    EXPECT_PRECONDITION(cidut_perspectiveMapping_construct(&rect, &onALine, nullptr, &inverse));
}

TEST(PerspectiveMapping, AffineRectanglesMapPointByPoint) {
    cmath_xform view{{{2, 0, 1}, {0, 2, 0}, {0.5, 0, 1}}};
    cmath_shapeAffineRect in{{0, 0}, {1, 0}, {0, 1}}, out;
    ASSERT_EQ(cidut_affine_mapPerspective(&in, &view, &out), 0);
    EXPECT_DOUBLE_EQ(out.po.x, 1);
    EXPECT_DOUBLE_EQ(out.px.x, 2);
    EXPECT_DOUBLE_EQ(out.px.y, 0);
    EXPECT_DOUBLE_EQ(out.py.x, 1);
    EXPECT_DOUBLE_EQ(out.py.y, 2);
    cmath_xform away{{{1, 0, 0}, {0, 1, 0}, {-1, 0, 1}}};
    cmath_shapeAffineRect before = out;
    EXPECT_EQ(cidut_affine_mapPerspective(&in, &away, &out), CMATH_STATUS_POINT_AT_INFINITY);
    EXPECT_EQ(out.px.x, before.px.x);
}

TEST(Convexity, DiagonalsMustCrossWithAPixelToSpare) {
    cmath_vect p0{0, 0}, p1{1, 0}, p2{0, 1}, p3{1, 1};
    int32_t convex = -1;
    ASSERT_EQ(cidut_verifyConvexHull4Points(&p0, &p1, &p2, &p3, &convex), 0);
    EXPECT_EQ(convex, 0);
    cmath_vect q1{10, 0}, q2{0, 10}, q3{10, 10};
    ASSERT_EQ(cidut_verifyConvexHull4Points(&p0, &q1, &q2, &q3, &convex), 0);
    EXPECT_EQ(convex, 1);
    // Bow-tie: the diagonal lines cross outside the segments.
    cmath_vect b2{12, 10};
    ASSERT_EQ(cidut_verifyConvexHull4Points(&p0, &q1, &b2, &q2, &convex), 0);
    EXPECT_EQ(convex, 0);
    convex = -1;
    EXPECT_EQ(cidut_verifyConvexHull4Points(&p0, &q1, &q2, &p0, &convex),
              CID_STATUS_DEGENERATE_SEGMENT);
    EXPECT_EQ(convex, 0);
    // Diagonals p0-p3 and p1-p2 both horizontal.
    cmath_vect h3{10, 0}, h1{0, 5}, h2{10, 5};
    EXPECT_EQ(cidut_verifyConvexHull4Points(&p0, &h1, &h2, &h3, &convex),
              CID_STATUS_PARALLEL_LINES);
}

TEST(Convexity, RandomViewsAreConvex) {
    std::mt19937 rng(82);
    for (int i = 0; i < 300; ++i) {
        homography view = randomSquareView(rng, 30, 0.8);
        cmath_vect p0 = view.planeToImage({0, 0}), p1 = view.planeToImage({1, 0}),
                   p2 = view.planeToImage({0, 1}), p3 = view.planeToImage({1, 1});
        int32_t convex = -1;
        ASSERT_EQ(cidut_verifyConvexHull4Points(&p0, &p1, &p2, &p3, &convex), 0);
        EXPECT_EQ(convex, 1);
        ASSERT_EQ(cidut_verifyConvexHull4Points(&p0, &p1, &p3, &p2, &convex), 0);
        EXPECT_EQ(convex, 0);
    }
}

TEST(CornerValidity, OutsideBitsAndConvexity) {
    cstd_rect32 image{0, 0, 640, 480};
    // The second and fourth corners outside, then the same with the fourth moved so that the
    // diagonals no longer cross.
    cmath_vect p0{100, 100}, p1{700, 100}, p2{300, 300}, p3{650, 400}, bent{650, 120};
    int32_t code = -1;
    ASSERT_EQ(cidut_verifyValidBarcodeRgnCorners(&p0, &p1, &p2, &p3, &image, &code), 0);
    EXPECT_EQ(code, 10);
    ASSERT_EQ(cidut_verifyValidBarcodeRgnCorners(&p0, &p1, &p2, &bent, &image, &code), 0);
    EXPECT_EQ(code, 26);
    // Bounds are inclusive pixels: 639 is inside, 639.01 is not; they move with the image.
    cmath_vect q0{0, 0}, q1{639, 0}, q2{0, 479}, q3{639.01, 479};
    ASSERT_EQ(cidut_verifyValidBarcodeRgnCorners(&q0, &q1, &q2, &q3, &image, &code), 0);
    EXPECT_EQ(code, 8);
    cstd_rect32 shifted{-10, 5, 640, 480};
    ASSERT_EQ(cidut_verifyValidBarcodeRgnCorners(&q0, &q1, &q2, &q3, &shifted, &code), 0);
    EXPECT_EQ(code, 1 | 2 | 8);
    cmath_vect nan{NAN, 5};
    code = -1;
    EXPECT_LT(cidut_verifyValidBarcodeRgnCorners(&nan, &q1, &q2, &q3, &image, &code), 0);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(CIDUT_CORNERS_NOT_CONVEX, 16);
}

}  // namespace
