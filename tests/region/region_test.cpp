// Regions in floating and fixed point: renumberings, growth, change of perspective, measurements,
// conversions and containment against random perspective views of the unit square and brute
// force; exact values of a trapezoid, degenerate regions, enclosing rectangles, fixed-point
// rounding and summaries, and spawning.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include "ci_id/fixedregion.h"
#include "ci_id/region.h"
#include "ci_id/status.h"
#include "region_views.h"

namespace {

using cid_test::randomRegion;

void expectNear(const cmath_vect& p, const cmath_vect& q, double tol = 1e-12) {
    EXPECT_LE(std::hypot(p.x - q.x, p.y - q.y), tol) << p.x << ", " << p.y;
}

void expectCorners(const cid_region& a, const cid_region& b, double tol = 0) {
    for (auto c : {&cid_region::Po, &cid_region::Px, &cid_region::Py, &cid_region::Popp}) {
        expectNear(a.*c, b.*c, tol);
    }
}

cid_region corners(cmath_vect po, cmath_vect px, cmath_vect py, cmath_vect popp) {
    cid_region r;
    cid_region_initPoPxPyPopp(&r, &po, &px, &py, &popp);
    return r;
}

// The output of a measurement that must succeed.
template <typename R, typename T>
T get(int32_t (*measure)(const R*, T*), const R& r) {
    T out{};
    EXPECT_EQ(measure(&r, &out), 0);
    return out;
}

using vec3 = std::array<double, 3>;
vec3 cross(const vec3& a, const vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
vec3 line(const cmath_vect& p, const cmath_vect& q) { return cross({p.x, p.y, 1}, {q.x, q.y, 1}); }
double norm(const vec3& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// The sine between the vanishing points of the x sides, and of the y sides, of two regions as
// homogeneous vectors: 0 when they coincide, at infinity too.
double vanishingGap(const cid_region& a, const cid_region& b) {
    auto meet = [](const cmath_vect& p, const cmath_vect& q, const cmath_vect& r,
                   const cmath_vect& s) { return cross(line(p, q), line(r, s)); };
    const vec3 ax = meet(a.Po, a.Px, a.Py, a.Popp), bx = meet(b.Po, b.Px, b.Py, b.Popp);
    const vec3 ay = meet(a.Po, a.Py, a.Px, a.Popp), by = meet(b.Po, b.Py, b.Px, b.Popp);
    return std::fmax(norm(cross(ax, bx)) / norm(ax) / norm(bx),
                     norm(cross(ay, by)) / norm(ay) / norm(by));
}

// Distance of p from the line through a and b.
double offLine(const cmath_vect& a, const cmath_vect& b, const cmath_vect& p) {
    const vec3 l = line(a, b);
    return std::fabs(l[0] * p.x + l[1] * p.y + l[2]) / std::hypot(l[0], l[1]);
}

TEST(Region, QuarterTurnsAndFlipsRenumberCornersAndFlags) {
    std::mt19937 rng(41);
    for (int i = 0; i < 300; ++i) {
        const cid_region s = randomRegion(rng, i % 2 == 0);
        const int32_t* f = s.tightness;
        cid_region r;
        // A quarter turn, then seven more; corners on a 1/64 grid keep derived ones exact.
        ASSERT_EQ(cid_region_initRotatePoints(&r, 1, &s), 0);
        expectCorners(r, corners(s.Px, s.Popp, s.Po, s.Py));
        EXPECT_TRUE(r.tightness[0] == f[2] && r.tightness[1] == f[0] && r.tightness[3] == f[1]);
        cid_region_initRotatePoints(&r, 7, &r);
        EXPECT_TRUE(cid_test::sameRegion(r, s));
        cid_region_initFlipX(&r, &s);
        cid_region_initFlipY(&r, &r);
        expectCorners(r, corners(s.Popp, s.Py, s.Px, s.Po));
        EXPECT_TRUE(std::equal(f, f + 4, r.tightness) && r.isAffine == s.isAffine);
    }
}

TEST(Region, MeasurementsAndContainmentFollowTheView) {
    std::mt19937 rng(51);
    std::uniform_real_distribution<double> spread(-0.5, 1.5);
    cid_region square, r;
    cid_region_init(&square);
    int inside = 0;
    for (int i = 0; i < 400; ++i) {
        const cid_test::homography view = cid_test::randomSquareView(rng, 30 + i, i % 5 ? 0.8 : 0);
        auto at = [&](double s, double t) { return view.planeToImage({s, t}); };
        cmath_xformPerspective persp;
        for (int k = 0; k < 9; ++k) persp.element[k / 3][k % 3] = view.at(k / 3, k % 3);
        cid_region q;
        ASSERT_EQ(cid_region_initMapPersp(&q, &persp, &square), 0);
        cmath_vect c, xs[2], ys[2];
        ASSERT_EQ(cid_region_getCenterSegments(&q, &c, xs, ys), 0);
        const cmath_vect got[5] = {c, xs[0], xs[1], ys[0], ys[1]};
        const cmath_vect want[5] = {at(.5, .5), at(0, .5), at(1, .5), at(.5, 0), at(.5, 1)};
        for (int k = 0; k < 5; ++k) expectNear(got[k], want[k], 1e-9 * (30 + i));
        const double a = std::hypot(xs[0].x - c.x, xs[0].y - c.y);
        const double b = std::hypot(xs[1].x - c.x, xs[1].y - c.y);
        EXPECT_NEAR(get(cid_region_getXForshortening, q), std::fmin(a, b) / std::fmax(a, b), 1e-9);
        // The affine stand-in is spanned by the images of the mid-lines around the centre.
        ASSERT_EQ(cid_region_initMakeAffine(&r, &q), 0);
        expectNear(r.Py, {xs[0].x + ys[1].x - c.x, xs[0].y + ys[1].y - c.y}, 1e-8);
        // Containment against the sides' cross products, away from the border: in floating
        // point, and in fixed point from an origin, there of the rounded corners' sides.
        cid_fixedRegion f;
        ASSERT_EQ(cid_fixedRegion_initRegion(&f, &q, 100.25, -3), 0);
        ASSERT_EQ(cid_region_initFixedRegion(&r, &f, 100.25, -3), 0);
        expectCorners(r, q, 0.5 / 256 * std::sqrt(2) + 1e-9);  // back within half a step
        auto plain = [](cmath_vect32 v) { return cmath_vect{v.x / 256. + 100.25, v.y / 256. - 3}; };
        const cmath_vect sides[2][4] = {{q.Po, q.Px, q.Popp, q.Py},
                                        {plain(f.Po), plain(f.Px), plain(f.Popp), plain(f.Py)}};
        for (int k = 0; k < 10; ++k) {
            const cmath_vect near = at(spread(rng), spread(rng));
            const cmath_vect32 fixed{int32_t(std::lround((near.x - 100.25) * 256)),
                                     int32_t(std::lround((near.y + 3) * 256))};
            const cmath_vect point = plain(fixed);
            double margin[2];
            const bool expected = cid_test::insideConvexQuad(sides[0], point, &margin[0]);
            const bool rounded = cid_test::insideConvexQuad(sides[1], point, &margin[1]);
            if (std::fmin(margin[0], margin[1]) < 1. / 64) continue;
            int32_t within[2] = {-1, -1};
            ASSERT_EQ(cid_region_within(&q, &point, &within[0]), 0);
            ASSERT_EQ(cid_fixedRegion_getIsWithin(&f, &fixed, &within[1]), 0);
            EXPECT_TRUE(within[0] == expected && within[1] == rounded)
                << point.x << ", " << point.y;
            inside += expected;
        }
    }
    EXPECT_TRUE(inside > 600 && inside < 2400) << inside;
}

TEST(Region, GrowingAndChangingPerspectiveKeepTheVanishingPoints) {
    cid_region square, out;
    cid_region_init(&square);
    const cmath_vect twice{2, 2}, byOne{1, 0}, scale{1.3, 0.8}, grow{2, -1};
    const double one = 1;
    ASSERT_EQ(cid_region_initDilate(&out, &twice, &byOne, &square), 0);
    expectCorners(out, corners({-1.5, -0.5}, {2.5, -0.5}, {-1.5, 1.5}, {2.5, 1.5}), 1e-12);
    std::mt19937 rng(46);
    for (int i = 0; i < 200; ++i) {
        const cid_region q = cid_test::regionOfView(cid_test::randomSquareView(rng, 60, 0.7));
        ASSERT_EQ(cid_region_initDilate(&out, &scale, &grow, &q), 0);
        EXPECT_LT(vanishingGap(q, out), 1e-6);
        // The new y sides pass through the ends of the x centre segment, each moved out by 0.15
        // of its length and 2 pixels.
        cmath_vect xs[2];
        cid_region_getXCenterSegment(&q, xs);
        const double l = std::hypot(xs[1].x - xs[0].x, xs[1].y - xs[0].y), e = (0.15 * l + 2) / l;
        const cmath_vect d{e * (xs[1].x - xs[0].x), e * (xs[1].y - xs[0].y)};
        EXPECT_LT(offLine(out.Po, out.Py, {xs[0].x - d.x, xs[0].y - d.y}), 1e-8);
        EXPECT_LT(offLine(out.Px, out.Popp, {xs[1].x + d.x, xs[1].y + d.y}), 1e-8);
        // One end only: the side at the other end stays where it was.
        ASSERT_EQ(cid_region_initDilateDim(&out, 1, 1, 0, nullptr, &one, &q), 0);
        EXPECT_LT(offLine(q.Px, q.Popp, out.Px) + offLine(q.Px, q.Popp, out.Popp), 1e-8);
        // A square near the reference takes its vanishing points.
        cid_region near = randomRegion(rng, true);
        const cmath_vect shift{q.Po.x - near.Po.x + 10, q.Po.y - near.Po.y + 10};
        cid_region_initShift(&near, &shift, &near);
        ASSERT_EQ(cid_region_initChangePersp(&out, &near, &q, 1, 1), 0);
        EXPECT_LT(vanishingGap(q, out), 1e-6);
    }
}

TEST(Region, TrapezoidDegeneracyAndEnclosingRectanglesExactly) {
    const cid_region t = corners({0, 0}, {4, 0}, {1, 2}, {3, 2});
    cmath_vect c, xs[2], ys[2];
    ASSERT_EQ(cid_region_getCenterSegments(&t, &c, xs, ys), 0);
    const cmath_vect got[5] = {c, xs[0], xs[1], ys[0], ys[1]};
    const cmath_vect want[5] = {{2, 4. / 3}, {2. / 3, 4. / 3}, {10. / 3, 4. / 3}, {2, 0}, {2, 2}};
    for (int k = 0; k < 5; ++k) expectNear(got[k], want[k]);
    EXPECT_NEAR(get(cid_region_getYForshortening, t), 0.5, 1e-12);  // halves of 4/3 and 2/3
    // Degenerate: Po = Px, a bow-tie, corners under about 3.1 degrees from straight, NaN.
    const double below = std::tan(3.0 * M_PI / 180) * 10, above = std::tan(3.3 * M_PI / 180) * 10;
    const cid_region shapes[5] = {
        corners({0, 0}, {0, 0}, {0, 1}, {1, 1}), corners({0, 0}, {1, 0}, {1, 1}, {0, 1}),
        corners({0, 0}, {10, 0}, {0, 10}, {20, below}), corners({0, 0}, {1, 0}, {0, 1}, {NAN, 1}),
        corners({0, 0}, {10, 0}, {0, 10}, {20, above})};
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(get(cid_region_getIsDegenerate, shapes[k]), k < 4 ? 1 : 0) << k;
    // Whole pixels of rectangles (left, top, right, bottom), the second seen through a transform,
    // and whether they lie in a 640 x 480 image. -1.05 + (7.0 + 1.05) is 7.000000000000001: that
    // width reaches one pixel further. No extent lies in any image, as cstd_rect32_containsRect has
    // it.
    const double box[6][4] = {{0.2, 1, 3.7, 2.5},   {0.2, 1, 3.7, 2.5}, {-1.05, 1, 7, 3},
                              {0, 0, 639.5, 479.5}, {0, 0, 640.5, 479}, {-5, -5, -5, -5}};
    const int32_t expected[6][5] = {{0, 1, 4, 2, 1},     {10, -5, 8, 3, 0},   {-2, 1, 10, 2, 0},
                                    {0, 0, 640, 480, 1}, {0, 0, 641, 479, 0}, {-5, -5, 0, 0, 1}};
    const cmath_xformLinear twice{{{{2, 0}, {0, -2}}}, {10, 0}};
    const cstd_rect32 image{0, 0, 640, 480};
    for (int k = 0; k < 6; ++k) {
        const double* b = box[k];
        const cid_region r = corners({b[0], b[1]}, {b[2], b[1]}, {b[0], b[3]}, {b[2], b[3]});
        cstd_rect32 px;
        int32_t within = -1;
        ASSERT_EQ(cid_region_getEncloseImageRect(&r, k == 1 ? &twice : nullptr, &px), 0);
        ASSERT_EQ(cid_region_isWithinImageRect(&r, k == 1 ? &twice : nullptr, &image, &within), 0);
        const int32_t result[5] = {px.x, px.y, px.width, px.height, within};
        EXPECT_TRUE(std::equal(result, result + 5, expected[k])) << k;
    }
    cstd_rect32 px{9, 9, 9, 9};
    EXPECT_EQ(cid_region_getEncloseImageRect(&shapes[3], nullptr, &px), CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(px.x, 9);
}

TEST(FixedRegion, RoundingBisectorsScansSummariesAndSpawningExactly) {
    cid_region r = corners({-0.001, 0.5 / 256}, {-1.5 / 256, 2.5 / 256}, {1e6, -1e6}, {3, 4});
    cid_fixedRegion f;
    ASSERT_EQ(cid_fixedRegion_initRegion(&f, &r, 0, 0), 0);
    // Halves round away from zero only when positive; what does not fit is refused.
    const int32_t got[8] = {f.Po.x, f.Po.y, f.Px.x, f.Px.y, f.Py.x, f.Py.y, f.Popp.x, f.Popp.y};
    const int32_t expected[8] = {0, 1, -1, 3, 256000000, -256000000, 768, 1024};
    EXPECT_TRUE(std::equal(got, got + 8, expected));
    for (const cmath_vect& bad : {cmath_vect{8388608, 0}, {0, -8388609}, {NAN, 1}}) {
        r.Px = bad;
        EXPECT_EQ(cid_fixedRegion_initRegion(&f, &r, 0, 0), CID_STATUS_OUT_OF_RANGE);
        EXPECT_EQ(f.Px.x, -1);
    }
    // Sums halved or quartered by arithmetic shifts, strips by divisions towards zero, summaries
    // in 1/16 pixel and Q15 (+1.0 stored as -32768).
    const cid_fixedRegion quad{{-3, 0}, {10, 1}, {0, 7}, {13, 6}, 0};
    const cid_fixedRegion slanted{{0, 0}, {768, 1024}, {0, 10}, {768, 1034}, 1};
    const cid_fixedRegion strips{{0, 0}, {100, 0}, {-7, 101}, {107, -101}, 0};
    const cmath_vect32 x = get(cid_fixedRegion_getBisectXVect, quad);
    const cmath_vect32 y = get(cid_fixedRegion_getBisectYVect, quad);
    const cmath_vect32 av = get(cid_fixedRegion_getAvPoint, quad);
    const int32_t yLength = get(cid_fixedRegion_getBisectYLength, quad);
    const int32_t xLength = get(cid_fixedRegion_getBisectXLength, slanted);
    int32_t s[4], d[4];
    ASSERT_EQ(cid_fixedRegion_sampleScans(&strips, 3, s, d), 0);
    r = corners({10, 20}, {30, 20}, {10, 30}, {30, 30});
    cidut_regionGeom g;
    ASSERT_EQ(cidut_calculateGeom(&r, &g, nullptr), 0);
    const int32_t values[] = {x.x,  x.y,  y.x,    y.y,    av.x, av.y, yLength, xLength,
                              s[0], s[1], s[2],   s[3],   d[0], d[1], d[2],    d[3],
                              g.cx, g.cy, g.xLen, g.yLen, g.ux, g.uy};
    const int32_t exact[] = {13,  0,  3,  6, 5,   3,   6,   1280, -1,  16,     101,
                             -16, -2, 32, 2, -32, 320, 400, 320,  160, -32768, 0};
    for (size_t k = 0; k < sizeof exact / sizeof *exact; ++k) EXPECT_EQ(values[k], exact[k]) << k;
    // A reference 20 x 10 at y 40 to 50, below a 20 x 30 region: ref's first side is 40 from the
    // region's first, its second 20 from the region's second, so Py moves onto ref's first side.
    const cid_region ref = corners({0, 40}, {20, 40}, {0, 50}, {20, 50});
    cid_region tall = corners({0, 0}, {20, 0}, {0, 30}, {20, 30}), out;
    tall.tightness[2] = 0;
    int32_t spawned = -1;
    ASSERT_EQ(cid_spawnRegionInYDireciton(&tall, &ref, 5, 5, &out, &spawned), 0);
    expectCorners(out, corners({0, 0}, {20, 0}, {0, 40}, {20, 40}), 1e-12);
    EXPECT_TRUE(spawned == 1 && out.isAffine == 1 && out.tightness[2] == 0);
    // The far corner would lie on the region's second y side, parallel to ref's first x side.
    const cid_region leaning = corners({0, 0}, {30, 0}, {0, 8}, {26, 4});
    const cid_region far = corners({-100, -200}, {-80, -220}, {-110, -180}, {-90, -200});
    EXPECT_EQ(cid_spawnRegionInYDireciton(&leaning, &far, 0, 0, &out, &spawned),
              CMATH_STATUS_PARALLEL_LINES);
    EXPECT_EQ(spawned, 0);
}

}  // namespace
