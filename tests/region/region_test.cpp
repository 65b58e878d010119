// Building regions: exact values, round trips of the renumberings, mapping, lines, making affine,
// changing perspective and dilating, on fixed cases and on random perspective views.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "ci_id/region.h"
#include "ci_id/status.h"
#include "region_views.h"
#include "test_support.h"

namespace {

using cid_test::homography;
using cid_test::randomRegion;
using cid_test::randomSquareView;
using cid_test::regionOfView;
using cid_test::sameRegion;

void expectPoint(const cmath_vect& p, double x, double y, double tol = 1e-12) {
    EXPECT_NEAR(p.x, x, tol);
    EXPECT_NEAR(p.y, y, tol);
}

void expectNear(const cmath_vect& p, const cmath_vect& q, double tol) {
    expectPoint(p, q.x, q.y, tol);
}

cid_region fourCorners(cmath_vect po, cmath_vect px, cmath_vect py, cmath_vect popp) {
    cid_region r;
    cid_region_initPoPxPyPopp(&r, &po, &px, &py, &popp);
    return r;
}

// Distance of p from the line through a and b.
double offLine(const cmath_vect& a, const cmath_vect& b, const cmath_vect& p) {
    double ex = b.x - a.x, ey = b.y - a.y;
    return std::fabs(ex * (p.y - a.y) - ey * (p.x - a.x)) / std::hypot(ex, ey);
}

TEST(RegionInit, DefaultAndFromThreeOrFourCorners) {
    cid_region r;
    ASSERT_EQ(cid_region_init(&r), 0);
    expectPoint(r.Popp, 1, 1, 0);
    EXPECT_EQ(r.isAffine, 1);
    for (int32_t flag : r.tightness) EXPECT_EQ(flag, 1);
    cmath_vect po{0, 0}, px{2, 0}, py{0, 1}, popp{2, 1};
    ASSERT_EQ(cid_region_initPoPxPyPopp(&r, &po, &px, &py, nullptr), 0);
    expectPoint(r.Popp, 2, 1, 0);
    EXPECT_EQ(r.isAffine, 1);
    ASSERT_EQ(cid_region_initPoPxPyPopp(&r, &po, &px, &py, &popp), 0);
    EXPECT_EQ(r.isAffine, 0);
    // The record may be built from its own corners.
    ASSERT_EQ(cid_region_initPoPxPyPopp(&r, &r.Px, &r.Po, &r.Popp, nullptr), 0);
    expectPoint(r.Po, 2, 0, 0);
    expectPoint(r.Popp, 0, 1, 0);
    EXPECT_PRECONDITION(cid_region_initPoPxPyPopp(&r, &po, nullptr, &py, nullptr));
    EXPECT_PRECONDITION(cid_region_init(nullptr));
}

TEST(RegionInit, PointArraysInFieldAndPerimeterOrder) {
    const cmath_vect square[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    cid_region r;
    ASSERT_EQ(cid_region_initVectPoints(&r, square, 1), 0);
    expectPoint(r.Py, 0, 1, 0);
    expectPoint(r.Popp, 1, 1, 0);
    EXPECT_EQ(r.isAffine, 0);
    cmath_vect back[4];
    ASSERT_EQ(cid_region_getVectPoints(&r, back, 1), 0);
    for (int i = 0; i < 4; ++i) expectPoint(back[i], square[i].x, square[i].y, 0);
    ASSERT_EQ(cid_region_initVectPoints(&r, square, 0), 0);
    expectPoint(r.Py, 1, 1, 0);
    expectPoint(r.Popp, 0, 1, 0);
    const cmath_point plain[4] = {{5, 6}, {7, 8}, {9, 10}, {11, 12}};
    ASSERT_EQ(cid_region_initPoints(&r, plain, 1), 0);
    expectPoint(r.Popp, 9, 10, 0);
    cmath_point out[4];
    ASSERT_EQ(cid_region_getPoints(&r, out, 0), 0);
    EXPECT_EQ(out[2].x, 11);
    EXPECT_EQ(out[3].x, 9);
}

TEST(RegionInit, AffineRectanglesInAllForms) {
    cmath_shapeAffineRect rect{{1, 2}, {5, 2}, {1, 4}};
    cid_region r;
    ASSERT_EQ(cid_region_initAffineRect(&r, &rect, nullptr), 0);
    expectPoint(r.Popp, 5, 4, 0);
    EXPECT_EQ(r.isAffine, 1);
    cmath_vect popp{6, 5};
    ASSERT_EQ(cid_region_initAffineRect(&r, &rect, &popp), 0);
    EXPECT_EQ(r.isAffine, 0);
    cmath_shapeAffineRect back;
    cmath_vect fourth;
    ASSERT_EQ(cid_region_getAffineRectAndPopp(&r, &back, &fourth), 0);
    expectPoint(back.px, 5, 2, 0);
    expectPoint(fourth, 6, 5, 0);
    cmath_shapeAffineRectCenter center{{3, 3}, 4, 2, 0, 0};
    ASSERT_EQ(cid_region_initAffineRectCenter(&r, &center, nullptr), 0);
    expectPoint(r.Po, 1, 2);
    expectPoint(r.Popp, 5, 4);
    // A quadrilateral's affine rectangle is that of its affine stand-in.
    cid_region quad = fourCorners({0, 0}, {4, 0}, {1, 2}, {3, 2}), affine;
    ASSERT_EQ(cid_region_getAffineRect(&quad, &back), 0);
    ASSERT_EQ(cid_region_initMakeAffine(&affine, &quad), 0);
    expectPoint(back.po, affine.Po.x, affine.Po.y, 0);
    expectPoint(back.py, affine.Py.x, affine.Py.y, 0);
}

TEST(RegionInit, LinesRoundTripAndParallelSidesFail) {
    std::mt19937 rng(41);
    for (int i = 0; i < 300; ++i) {
        cid_region r = randomRegion(rng, i % 2 == 0), back;
        cmath_shapeLine ySides[2], xSides[2];
        ASSERT_EQ(cid_region_getLines(&r, ySides, xSides), 0);
        ASSERT_EQ(cid_region_initLines(&back, ySides, xSides), 0);
        expectNear(back.Po, r.Po, 1e-9);
        expectNear(back.Px, r.Px, 1e-9);
        expectNear(back.Py, r.Py, 1e-9);
        expectNear(back.Popp, r.Popp, 1e-9);
        EXPECT_EQ(back.isAffine, 0);
    }
    cmath_shapeLine ySides[2] = {{{0, 1}, {0, 0}}, {{0, 1}, {3, 0}}};
    cmath_shapeLine xSides[2] = {{{1, 0}, {0, 0}}, {{2, 0}, {0, 5}}};
    cid_region r;
    ASSERT_EQ(cid_region_initLines(&r, ySides, xSides), 0);
    expectPoint(r.Popp, 3, 5);
    cid_region before = r;
    xSides[1] = cmath_shapeLine{{0, 7}, {0, 5}};
    EXPECT_EQ(cid_region_initLines(&r, ySides, xSides), CMATH_STATUS_PARALLEL_LINES);
    EXPECT_TRUE(sameRegion(r, before));
}

TEST(RegionRenumber, QuarterTurnsAndFlipsComeBack) {
    std::mt19937 rng(42);
    for (int i = 0; i < 500; ++i) {
        cid_region start = randomRegion(rng, i % 2 == 0), r = start, once;
        cid_region_initRotatePoints(&once, 1, &start);
        expectPoint(once.Po, start.Px.x, start.Px.y, 0);
        expectPoint(once.Px, start.Popp.x, start.Popp.y, 0);
        expectPoint(once.Py, start.Po.x, start.Po.y, 0);
        EXPECT_EQ(once.tightness[0], start.tightness[2]);
        EXPECT_EQ(once.tightness[1], start.tightness[0]);
        EXPECT_EQ(once.tightness[2], start.tightness[3]);
        EXPECT_EQ(once.tightness[3], start.tightness[1]);
        for (int k = 0; k < 4; ++k) ASSERT_EQ(cid_region_initRotatePoints(&r, 1, &r), 0);
        // Corners on a 1/64 grid keep derived fourth corners exact.
        EXPECT_TRUE(sameRegion(r, start));
        cid_region_initRotatePoints(&r, 4, &start);
        EXPECT_TRUE(sameRegion(r, start));
        cid_region_initRotatePoints(&r, -8, &start);
        EXPECT_TRUE(sameRegion(r, start));
        cid_region_initRotatePoints(&r, 3, &start);
        cid_region_initRotatePoints(&r, 5, &r);
        EXPECT_TRUE(sameRegion(r, start));
        cid_region_initFlipX(&r, &start);
        cid_region_initFlipX(&r, &r);
        EXPECT_TRUE(sameRegion(r, start));
        cid_region_initFlipY(&r, &start);
        expectPoint(r.Po, start.Py.x, start.Py.y, 0);
        cid_region_initFlipY(&r, &r);
        EXPECT_TRUE(sameRegion(r, start));
    }
    cid_region r;
    EXPECT_PRECONDITION(cid_region_initRotatePoints(&r, -1, &r));
}

TEST(RegionRenumber, FlipsKeepTheFlagsWhereTheyAre) {
    cid_region r, flipped;
    cid_region_init(&r);
    r.tightness[1] = 0;
    cid_region_initFlipX(&flipped, &r);
    EXPECT_EQ(flipped.tightness[0], 1);
    EXPECT_EQ(flipped.tightness[1], 0);
    EXPECT_EQ(flipped.tightness[2], 1);
    EXPECT_EQ(flipped.tightness[3], 1);
    expectPoint(flipped.Po, 1, 0, 0);
    expectPoint(flipped.Py, 1, 1, 0);
    EXPECT_EQ(flipped.isAffine, 1);
}

TEST(RegionMap, AffineMapsCarryCentreLengthsAndAngles) {
    std::mt19937 rng(43);
    std::uniform_real_distribution<double> u(-2, 2);
    for (int i = 0; i < 300; ++i) {
        cid_region r = randomRegion(rng, true), mapped;
        cmath_xformLinear xform{{{{u(rng), u(rng)}, {u(rng), u(rng)}}},
                                {100 * u(rng), 100 * u(rng)}};
        ASSERT_EQ(cid_region_initMap(&mapped, &xform, &r), 0);
        EXPECT_EQ(mapped.isAffine, 1);
        cmath_vect c, mc, expected;
        cid_region_getCenter(&r, &c);
        cid_region_getCenter(&mapped, &mc);
        cmath_xformLinear_mapPoint(&xform, &c, &expected);
        expectNear(mc, expected, 1e-9);
        cmath_vect v;
        cid_region_getXVect(&r, 1, &v);
        const auto& m = xform.matrix.element;
        cmath_vect mv{m[0][0] * v.x + m[0][1] * v.y, m[1][0] * v.x + m[1][1] * v.y};
        double length = 0, angle = 0;
        cid_region_getAvXLength(&mapped, &length);
        EXPECT_NEAR(length, std::hypot(mv.x, mv.y), 1e-9);
        cid_region_getAvXAngle(&mapped, &angle);
        EXPECT_NEAR(angle, std::atan2(mv.y, mv.x), 1e-9);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(mapped.tightness[k], r.tightness[k]);
        ASSERT_EQ(cid_region_initMap(&r, &xform, &r), 0);
        EXPECT_TRUE(sameRegion(r, mapped));
    }
}

TEST(RegionMap, PerspectiveMapsAndShifts) {
    cid_region r;
    cid_region_init(&r);
    cmath_xformPerspective view{{{2, 0, 1}, {0, 2, 0}, {0.5, 0, 1}}};
    cid_region mapped;
    ASSERT_EQ(cid_region_initMapPersp(&mapped, &view, &r), 0);
    EXPECT_EQ(mapped.isAffine, 0);
    expectPoint(mapped.Px, 2, 0);
    expectPoint(mapped.Popp, 2, 4.0 / 3);
    // A corner sent to infinity leaves the destination as it was.
    cmath_xformPerspective away{{{1, 0, 0}, {0, 1, 0}, {-1, 0, 1}}};
    cid_region before = mapped;
    EXPECT_EQ(cid_region_initMapPersp(&mapped, &away, &r), CMATH_STATUS_POINT_AT_INFINITY);
    EXPECT_TRUE(sameRegion(mapped, before));
    cmath_vect shift{-3, 0.5};
    ASSERT_EQ(cid_region_initShift(&r, &shift, &r), 0);
    expectPoint(r.Po, -3, 0.5, 0);
    expectPoint(r.Popp, -2, 1.5, 0);
    EXPECT_EQ(r.isAffine, 1);
}

TEST(RegionMakeAffine, ExactCasesAndPerspectiveViews) {
    std::mt19937 seed(44);
    cid_region r = randomRegion(seed, true), out;
    ASSERT_EQ(cid_region_initMakeAffine(&out, &r), 0);
    EXPECT_TRUE(sameRegion(out, r));
    cid_region rect = fourCorners({0, 0}, {4, 0}, {0, 2}, {4, 2});
    rect.tightness[2] = 0;
    ASSERT_EQ(cid_region_initMakeAffine(&out, &rect), 0);
    expectPoint(out.Po, 0, 0);
    expectPoint(out.Px, 4, 0);
    expectPoint(out.Py, 0, 2);
    expectPoint(out.Popp, 4, 2);
    EXPECT_EQ(out.isAffine, 1);
    EXPECT_EQ(out.tightness[2], 0);
    // Of a view: the parallelogram spanned by the images of the mid-lines around the centre.
    std::mt19937 rng(45);
    for (int i = 0; i < 200; ++i) {
        homography view = randomSquareView(rng, 80, 0.7);
        cid_region quad = regionOfView(view);
        ASSERT_EQ(cid_region_initMakeAffine(&out, &quad), 0);
        cmath_vect c = view.planeToImage({0.5, 0.5});
        cmath_vect xs0 = view.planeToImage({0, 0.5}), ys0 = view.planeToImage({0.5, 0}),
                   ys1 = view.planeToImage({0.5, 1});
        expectPoint(out.Po, xs0.x + ys0.x - c.x, xs0.y + ys0.y - c.y, 1e-8);
        expectPoint(out.Py, xs0.x + ys1.x - c.x, xs0.y + ys1.y - c.y, 1e-8);
    }
}

// The point where the lines through a0-a1 and b0-b1 meet, in homogeneous form (w 0 at infinity).
void meeting(const cmath_vect& a0, const cmath_vect& a1, const cmath_vect& b0, const cmath_vect& b1,
             double out[3]) {
    double la[3] = {a0.y - a1.y, a1.x - a0.x, a0.x * a1.y - a1.x * a0.y};
    double lb[3] = {b0.y - b1.y, b1.x - b0.x, b0.x * b1.y - b1.x * b0.y};
    out[0] = la[1] * lb[2] - la[2] * lb[1];
    out[1] = la[2] * lb[0] - la[0] * lb[2];
    out[2] = la[0] * lb[1] - la[1] * lb[0];
    double n = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
    for (int k = 0; k < 3; ++k) out[k] /= n;
    if (out[2] < 0 || (out[2] == 0 && out[0] < 0)) {
        for (int k = 0; k < 3; ++k) out[k] = -out[k];
    }
}

void expectSameVanishingPoints(const cid_region& a, const cid_region& b, double tol) {
    double va[3], vb[3];
    meeting(a.Po, a.Px, a.Py, a.Popp, va);
    meeting(b.Po, b.Px, b.Py, b.Popp, vb);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(va[k], vb[k], tol) << "x sides";
    meeting(a.Po, a.Py, a.Px, a.Popp, va);
    meeting(b.Po, b.Py, b.Px, b.Popp, vb);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(va[k], vb[k], tol) << "y sides";
}

TEST(RegionDilate, ExactCasesOfTheUnitSquare) {
    cid_region square, out;
    cid_region_init(&square);
    cmath_vect scale{2, 2}, grow{1, 0};
    ASSERT_EQ(cid_region_initDilate(&out, &scale, nullptr, &square), 0);
    expectPoint(out.Po, -0.5, -0.5);
    expectPoint(out.Px, 1.5, -0.5);
    expectPoint(out.Py, -0.5, 1.5);
    ASSERT_EQ(cid_region_initDilate(&out, nullptr, &grow, &square), 0);
    expectPoint(out.Po, -1, 0);
    expectPoint(out.Px, 2, 0);
    expectPoint(out.Py, -1, 1);
    // Along x at the end only; then along y at the start only, centred on the x segment.
    double one = 1.0, three = 3.0;
    ASSERT_EQ(cid_region_initDilateDim(&out, 1, 0, 1, nullptr, &one, &square), 0);
    expectPoint(out.Po, 0, 0);
    expectPoint(out.Px, 2, 0);
    expectPoint(out.Py, 0, 1);
    ASSERT_EQ(cid_region_initDilateDim(&out, 0, 1, 0, &three, nullptr, &square), 0);
    expectPoint(out.Po, 0, -0.5);
    expectPoint(out.Py, 0, 1.5);
    EXPECT_EQ(out.isAffine, 1);
}

TEST(RegionDilate, PerspectiveViewsKeepTheirVanishingPoints) {
    std::mt19937 rng(46);
    for (int i = 0; i < 200; ++i) {
        cid_region quad = regionOfView(randomSquareView(rng, 60, 0.7)), out;
        cmath_vect scale{1.3, 0.8}, grow{2, -1};
        ASSERT_EQ(cid_region_initDilate(&out, &scale, &grow, &quad), 0);
        EXPECT_EQ(out.isAffine, 0);
        expectSameVanishingPoints(quad, out, 1e-6);
        // The new y sides pass through the ends of the x centre segment, each moved out by 0.15
        // of its length and 2 pixels.
        cmath_vect before[2];
        cid_region_getXCenterSegment(&quad, before);
        double l0 = std::hypot(before[1].x - before[0].x, before[1].y - before[0].y);
        double e = 0.15 * l0 + 2;
        cmath_vect dir{(before[1].x - before[0].x) / l0, (before[1].y - before[0].y) / l0};
        cmath_vect end0{before[0].x - e * dir.x, before[0].y - e * dir.y};
        cmath_vect end1{before[1].x + e * dir.x, before[1].y + e * dir.y};
        EXPECT_LT(offLine(out.Po, out.Py, end0), 1e-8);
        EXPECT_LT(offLine(out.Px, out.Popp, end1), 1e-8);
        // One end only: the side at the other end stays on its line.
        double g = 3;
        ASSERT_EQ(cid_region_initDilateDim(&out, 1, 1, 0, nullptr, &g, &quad), 0);
        EXPECT_LT(offLine(quad.Px, quad.Popp, out.Px), 1e-8);
        EXPECT_LT(offLine(quad.Px, quad.Popp, out.Popp), 1e-8);
        expectSameVanishingPoints(quad, out, 1e-6);
    }
}

TEST(RegionDilate, SegmentsWithoutLengthCannotGrowByADistance) {
    cmath_vect p{3, 3};
    cid_region point, out;
    cid_region_initPoPxPyPopp(&point, &p, &p, &p, &p);
    cid_region before;
    cid_region_init(&before);
    out = before;
    cmath_vect grow{1, 1}, none{0, 0}, scale{2, 2};
    EXPECT_EQ(cid_region_initDilate(&out, nullptr, &grow, &point), CID_STATUS_INVALID_GEOMETRY);
    EXPECT_TRUE(sameRegion(out, before));
    double one = 1;
    EXPECT_EQ(cid_region_initDilateDim(&out, 0, 1, 1, nullptr, &one, &point),
              CID_STATUS_INVALID_GEOMETRY);
    point.tightness[0] = point.tightness[1] = point.tightness[2] = point.tightness[3] = 0;
    EXPECT_EQ(cid_region_initDilateX(&out, 1, 1, &point), CID_STATUS_INVALID_GEOMETRY);
    EXPECT_TRUE(sameRegion(out, before));
    // No distance to grow by, or relative growth only: nothing to fail.
    EXPECT_EQ(cid_region_initDilate(&out, &scale, &none, &point), 0);
    expectPoint(out.Popp, 3, 3);
}

TEST(RegionDilate, DilateXDirectPathAndCollapse) {
    cid_region quad = fourCorners({0, 0}, {4, 0}, {1, 2}, {3, 2}), out;
    for (int32_t& flag : quad.tightness) flag = 0;
    ASSERT_EQ(cid_region_initDilateX(&out, 0, 0, &quad), 0);
    EXPECT_TRUE(sameRegion(out, quad));
    ASSERT_EQ(cid_region_initDilateX(&out, 2, 1, &quad), 0);
    // Mid-points of the y sides at x 0.5 and 3.5: v = (3, 0); shift = 1 + 1.5.
    expectPoint(out.Po, -2.5, 0);
    expectPoint(out.Popp, 5.5, 2);
    quad.tightness[3] = 1;
    ASSERT_EQ(cid_region_initDilateX(&out, 0, 0, &quad), 0);
    expectNear(out.Po, out.Px, 1e-12);
    expectNear(out.Py, out.Popp, 1e-12);
}

TEST(RegionChangePersp, AffineReferenceCopiesAndPerspectiveOneIsTaken) {
    std::mt19937 rng(47);
    cid_region affineRef = randomRegion(rng, true), out;
    cid_region src = regionOfView(randomSquareView(rng, 50, 0.6));
    ASSERT_EQ(cid_region_initChangePersp(&out, &src, &affineRef, 1, 1), 0);
    EXPECT_TRUE(sameRegion(out, src));
    for (int i = 0; i < 200; ++i) {
        homography refView = randomSquareView(rng, 70, 0.7);
        cid_region ref = regionOfView(refView);
        // A source near the reference: its centre segments cross inside it.
        cid_region square = randomRegion(rng, true);
        cmath_vect shift{ref.Po.x - square.Po.x + 10, ref.Po.y - square.Po.y + 10};
        cid_region_initShift(&square, &shift, &square);
        ASSERT_EQ(cid_region_initChangePersp(&out, &square, &ref, 1, 1), 0);
        EXPECT_EQ(out.isAffine, 0);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(out.tightness[k], square.tightness[k]);
        expectSameVanishingPoints(ref, out, 1e-6);
        // With useX only, the x sides are the source's own.
        ASSERT_EQ(cid_region_initChangePersp(&out, &square, &ref, 1, 0), 0);
        EXPECT_LT(offLine(square.Po, square.Px, out.Po), 1e-7);
        EXPECT_LT(offLine(square.Py, square.Popp, out.Popp), 1e-7);
    }
}

TEST(RegionVector, NewElementsAreDefaultRegions) {
    cstd_vector_cid_region v;
    ASSERT_EQ(cstd_vector_cid_region_constructEmpty(&v), 0);
    ASSERT_EQ(cstd_vector_cid_region_resize(&v, 5), 0);
    cid_region* begin = nullptr;
    int32_t size = 0;
    ASSERT_EQ(cstd_vector_cid_region_getBeginSize(&v, &begin, &size), 0);
    ASSERT_EQ(size, 5);
    cid_region expected;
    cid_region_init(&expected);
    for (int i = 0; i < size; ++i) EXPECT_TRUE(sameRegion(begin[i], expected));
    cstd_vector_cid_region_destruct(&v);
}

TEST(RegionBadCorners, NeverCrashOrHang) {
    const double bad[] = {NAN, INFINITY, -INFINITY, 1e308};
    for (double b : bad) {
        cid_region r = fourCorners({0, 0}, {b, 1}, {0, 1}, {1, b}), out;
        cmath_vect scale{2, 2}, grow{1, 1};
        cid_region_initMakeAffine(&out, &r);
        cid_region_initDilate(&out, &scale, &grow, &r);
        cid_region_initDilateX(&out, 1.5, 1, &r);
        cid_region_initChangePersp(&out, &r, &r, 1, 1);
        for (int k = 0; k < 4; ++k) cid_region_initRotatePoints(&out, k, &r);
        cmath_shapeAffineRect rect;
        cid_region_getAffineRect(&r, &rect);
    }
}

}  // namespace
