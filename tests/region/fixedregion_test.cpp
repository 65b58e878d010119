// Fixed regions, geometry summaries, their overlap test and spawning: exact values, containment
// against a brute-force test, round trips and the range limits of the integer fields.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "ci_id/fixedregion.h"
#include "ci_id/status.h"
#include "region_views.h"
#include "test_support.h"

namespace {

using cid_test::homography;
using cid_test::insideConvexQuad;
using cid_test::randomSquareView;
using cid_test::regionOfView;

bool sameFixed(const cid_fixedRegion& a, const cid_fixedRegion& b) {
    auto same = [](const cmath_vect32& p, const cmath_vect32& q) {
        return p.x == q.x && p.y == q.y;
    };
    return same(a.Po, b.Po) && same(a.Px, b.Px) && same(a.Py, b.Py) && same(a.Popp, b.Popp) &&
           a.isAffine == b.isAffine;
}

cid_region fourCorners(cmath_vect po, cmath_vect px, cmath_vect py, cmath_vect popp) {
    cid_region r;
    cid_region_initPoPxPyPopp(&r, &po, &px, &py, &popp);
    return r;
}

TEST(FixedRegion, ConversionsRoundAsSpecified) {
    cid_region unit;
    cid_region_init(&unit);
    cid_fixedRegion fixed, expected;
    cid_fixedRegion_init(&expected);
    ASSERT_EQ(cid_fixedRegion_initRegion(&fixed, &unit, 0, 0), 0);
    EXPECT_TRUE(sameFixed(fixed, expected));
    ASSERT_EQ(cid_fixedRegion_initRegion(&fixed, &unit, 0.5, 0), 0);
    EXPECT_EQ(fixed.Po.x, -128);
    EXPECT_EQ(fixed.Px.x, 128);
    cid_region r = fourCorners({-0.001, 0.5 / 256}, {-1.5 / 256, 2.5 / 256}, {1e6, -1e6}, {3, 4});
    ASSERT_EQ(cid_fixedRegion_initRegion(&fixed, &r, 0, 0), 0);
    EXPECT_EQ(fixed.Po.x, 0);
    EXPECT_EQ(fixed.Po.y, 1);
    EXPECT_EQ(fixed.Px.x, -1);  // halves of negative values round towards zero
    EXPECT_EQ(fixed.Px.y, 3);
    EXPECT_EQ(fixed.Py.x, 256000000);
    EXPECT_EQ(fixed.Py.y, -256000000);
    EXPECT_EQ(fixed.Popp.x, 768);
    EXPECT_EQ(fixed.isAffine, 0);
}

TEST(FixedRegion, ValuesBeyond32BitsAreRefused) {
    cid_fixedRegion fixed, before;
    cid_fixedRegion_init(&before);
    fixed = before;
    const cid_region bad[] = {fourCorners({0, 0}, {8388608, 0}, {0, 1}, {1, 1}),
                              fourCorners({0, 0}, {1, 0}, {0, -8388609}, {1, 1}),
                              fourCorners({0, 0}, {1, 0}, {0, 1}, {NAN, 1}),
                              fourCorners({0, INFINITY}, {1, 0}, {0, 1}, {1, 1})};
    for (const cid_region& r : bad) {
        EXPECT_EQ(cid_fixedRegion_initRegion(&fixed, &r, 0, 0), CID_STATUS_OUT_OF_RANGE);
        EXPECT_TRUE(sameFixed(fixed, before));
    }
    cid_region edge = fourCorners({0, 0}, {8388607.99, 0}, {0, -8388607.99}, {1, 1});
    EXPECT_EQ(cid_fixedRegion_initRegion(&fixed, &edge, 0, 0), 0);
    EXPECT_EQ(fixed.Px.x, 2147483645);
}

TEST(FixedRegion, RoundTripAndAffineFourthCorner) {
    std::mt19937 rng(61);
    for (int i = 0; i < 300; ++i) {
        cid_region r = regionOfView(randomSquareView(rng, 70, 0.7)), back;
        r.tightness[1] = 0;
        cid_fixedRegion fixed;
        ASSERT_EQ(cid_fixedRegion_initRegion(&fixed, &r, 100.25, -3), 0);
        ASSERT_EQ(cid_region_initFixedRegion(&back, &fixed, 100.25, -3), 0);
        EXPECT_NEAR(back.Popp.x, r.Popp.x, 0.5 / 256 + 1e-12);
        EXPECT_NEAR(back.Py.y, r.Py.y, 0.5 / 256 + 1e-12);
        EXPECT_EQ(back.isAffine, 0);
        EXPECT_EQ(back.tightness[1], 1);
    }
    cid_fixedRegion affine{{0, 0}, {512, 0}, {0, 256}, {9999, 9999}, 1};
    cid_region back;
    ASSERT_EQ(cid_region_initFixedRegion(&back, &affine, 1, 1), 0);
    EXPECT_EQ(back.Popp.x, 3);
    EXPECT_EQ(back.Popp.y, 2);
    EXPECT_EQ(back.isAffine, 1);
}

TEST(FixedRegion, BisectorsAndAveragePoint) {
    cid_fixedRegion r;
    cid_fixedRegion_init(&r);
    int32_t length = 0;
    ASSERT_EQ(cid_fixedRegion_getBisectXLength(&r, &length), 0);
    EXPECT_EQ(length, 256);
    cid_fixedRegion slanted{{0, 0}, {768, 1024}, {0, 10}, {768, 1034}, 1};
    ASSERT_EQ(cid_fixedRegion_getBisectXLength(&slanted, &length), 0);
    EXPECT_EQ(length, 1280);
    cid_fixedRegion_getBisectYLength(&slanted, &length);
    EXPECT_EQ(length, 10);
    // A quadrilateral: midpoints as sums halved by arithmetic shifts.
    cid_fixedRegion quad{{-3, 0}, {10, 1}, {0, 7}, {13, 6}, 0};
    cmath_vect32 v;
    ASSERT_EQ(cid_fixedRegion_getBisectXVect(&quad, &v), 0);
    EXPECT_EQ(v.x, (23 >> 1) - (-3 >> 1));
    EXPECT_EQ(v.y, (7 >> 1) - (7 >> 1));
    ASSERT_EQ(cid_fixedRegion_getBisectYVect(&quad, &v), 0);
    EXPECT_EQ(v.x, (13 >> 1) - (7 >> 1));
    EXPECT_EQ(v.y, (13 >> 1) - (1 >> 1));
    cid_fixedRegion_getBisectYLength(&quad, &length);
    EXPECT_EQ(length, static_cast<int32_t>(std::floor(std::hypot(v.x, v.y))));
    cmath_vect32 average;
    ASSERT_EQ(cid_fixedRegion_getAvPoint(&quad, &average), 0);
    EXPECT_EQ(average.x, 5);
    EXPECT_EQ(average.y, 3);
    cid_fixedRegion negative{{-1, -1}, {-1, -2}, {0, -2}, {0, -2}, 0};
    cid_fixedRegion_getAvPoint(&negative, &average);
    EXPECT_EQ(average.x, -1);
    EXPECT_EQ(average.y, -2);
    // Vectors and lengths beyond 32 bits.
    cid_fixedRegion wide{{INT32_MIN, 0}, {INT32_MAX, 0}, {0, 0}, {0, 0}, 1};
    v = cmath_vect32{5, 5};
    EXPECT_EQ(cid_fixedRegion_getBisectXVect(&wide, &v), CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(v.x, 5);
    EXPECT_EQ(cid_fixedRegion_getBisectXLength(&wide, &length), CID_STATUS_OUT_OF_RANGE);
    cid_fixedRegion diagonal{{0, 0}, {2000000000, 2000000000}, {0, 0}, {0, 0}, 1};
    EXPECT_EQ(cid_fixedRegion_getBisectXLength(&diagonal, &length), CID_STATUS_OUT_OF_RANGE);
    cid_fixedRegion longest{{-1, 0}, {INT32_MAX - 1, 0}, {0, 0}, {0, 0}, 1};
    ASSERT_EQ(cid_fixedRegion_getBisectXLength(&longest, &length), 0);
    EXPECT_EQ(length, INT32_MAX);
}

TEST(FixedRegion, WithinAgreesWithBruteForce) {
    cid_fixedRegion unit;
    cid_fixedRegion_init(&unit);
    int32_t within = -1;
    for (cmath_vect32 p : {cmath_vect32{128, 128}, cmath_vect32{0, 0}, cmath_vect32{256, 100}}) {
        cid_fixedRegion_getIsWithin(&unit, &p, &within);
        EXPECT_EQ(within, 1);
    }
    cmath_vect32 outside{300, 128};
    cid_fixedRegion_getIsWithin(&unit, &outside, &within);
    EXPECT_EQ(within, 0);

    std::mt19937 rng(62);
    std::uniform_real_distribution<double> spread(-1.0, 2.0);
    int inside = 0;
    for (int i = 0; i < 300; ++i) {
        homography view = randomSquareView(rng, 30, 0.8);
        cid_region r = regionOfView(view);
        cid_fixedRegion fixed;
        ASSERT_EQ(cid_fixedRegion_initRegion(&fixed, &r, 0, 0), 0);
        // The reference works on the rounded corners, in 1/256 pixel.
        const cmath_vect perimeter[4] = {{double(fixed.Po.x), double(fixed.Po.y)},
                                         {double(fixed.Px.x), double(fixed.Px.y)},
                                         {double(fixed.Popp.x), double(fixed.Popp.y)},
                                         {double(fixed.Py.x), double(fixed.Py.y)}};
        for (int k = 0; k < 60; ++k) {
            cmath_vect p = view.planeToImage({spread(rng), spread(rng)});
            cmath_vect32 q{static_cast<int32_t>(std::lround(p.x * 256)),
                           static_cast<int32_t>(std::lround(p.y * 256))};
            double margin = 0;
            bool expected =
                insideConvexQuad(perimeter, cmath_vect{double(q.x), double(q.y)}, &margin);
            if (margin < 4) continue;
            ASSERT_EQ(cid_fixedRegion_getIsWithin(&fixed, &q, &within), 0);
            EXPECT_EQ(within, expected ? 1 : 0);
            inside += expected;
        }
    }
    EXPECT_GT(inside, 1000);
    // Corners at the ends of the 32-bit range do not overflow the products.
    cid_fixedRegion huge{{INT32_MIN, INT32_MIN},
                         {INT32_MAX, INT32_MIN},
                         {INT32_MIN, INT32_MAX},
                         {INT32_MAX, INT32_MAX},
                         0};
    cmath_vect32 middle{0, 0}, corner{INT32_MAX, INT32_MAX};
    cid_fixedRegion_getIsWithin(&huge, &middle, &within);
    EXPECT_EQ(within, 1);
    cid_fixedRegion_getIsWithin(&huge, &corner, &within);
    EXPECT_EQ(within, 1);
}

TEST(FixedRegion, SampleScans) {
    cid_fixedRegion r;
    cid_fixedRegion_init(&r);
    int32_t first[4], step[4];
    ASSERT_EQ(cid_fixedRegion_sampleScans(&r, 2, first, step), 0);
    const int32_t expectedFirst[4] = {0, 64, 256, 64};
    const int32_t expectedStep[4] = {0, 128, 0, 128};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(first[i], expectedFirst[i]);
        EXPECT_EQ(step[i], expectedStep[i]);
    }
    // Truncation towards zero, on both sides.
    cid_fixedRegion slanted{{0, 0}, {100, 0}, {-7, 101}, {107, -101}, 0};
    ASSERT_EQ(cid_fixedRegion_sampleScans(&slanted, 3, first, step), 0);
    EXPECT_EQ(first[0], -1);
    EXPECT_EQ(first[1], 16);
    EXPECT_EQ(first[2], 101);
    EXPECT_EQ(first[3], -16);
    EXPECT_EQ(step[1], 32);
    EXPECT_EQ(step[3], -32);
    cid_fixedRegion tall{{0, INT32_MIN}, {0, 0}, {0, INT32_MAX}, {0, 0}, 0};
    EXPECT_EQ(cid_fixedRegion_sampleScans(&tall, 1, first, step), CID_STATUS_OUT_OF_RANGE);
    EXPECT_PRECONDITION(cid_fixedRegion_sampleScans(&r, 0, first, step));
}

TEST(RegionGeom, SummaryValues) {
    cid_region r = fourCorners({10, 20}, {30, 20}, {10, 30}, {30, 30});
    cidut_regionGeom g;
    int32_t small = -1;
    ASSERT_EQ(cidut_calculateGeom(&r, &g, &small), 0);
    EXPECT_EQ(small, 0);
    EXPECT_EQ(g.cx, 320);
    EXPECT_EQ(g.cy, 400);
    EXPECT_EQ(g.xLen, 320);
    EXPECT_EQ(g.yLen, 160);
    // +1.0 rounds to 32768, which 16 bits store as -32768; -1.0 fits exactly.
    EXPECT_EQ(g.ux, -32768);
    EXPECT_EQ(g.uy, 0);
    cid_region_initFlipX(&r, &r);
    ASSERT_EQ(cidut_calculateGeom(&r, &g, nullptr), 0);
    EXPECT_EQ(g.ux, -32768);
    cid_region thin = fourCorners({0, 0}, {0.5, 0}, {0, 10}, {0.5, 10});
    ASSERT_EQ(cidut_calculateGeom(&thin, &g, &small), 0);
    EXPECT_EQ(small, 1);
    EXPECT_EQ(g.xLen, 8);
    EXPECT_EQ(g.ux, 0);
    EXPECT_EQ(g.uy, 0);
    // A non-affine region averages its opposite sides.
    cid_region trapezoid = fourCorners({0, 0}, {4, 0}, {1, 2}, {3, 2});
    cidut_calculateGeom(&trapezoid, &g, nullptr);
    EXPECT_EQ(g.xLen, 48);
    cid_region far = fourCorners({0, 0}, {3e8, 0}, {0, 1}, {1, 1});
    g.cx = 77;
    EXPECT_EQ(cidut_calculateGeom(&far, &g, &small), CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(g.cx, 77);
}

cidut_regionGeom summaryOf(cmath_vect centre, double w, double h, double angle) {
    cmath_shapeAffineRectCenter c{centre, w, h, angle, angle};
    cid_region r;
    cid_region_initAffineRectCenter(&r, &c, nullptr);
    cidut_regionGeom g;
    cidut_calculateGeom(&r, &g, nullptr);
    return g;
}

TEST(RegionGeom, OverlapOfSquares) {
    int32_t overlapped = -1;
    cidut_regionGeom a = summaryOf({100, 100}, 20, 20, 0.3);
    ASSERT_EQ(cidut_evaluateRegionOverlapped(&a, &a, 0, &overlapped), 0);
    EXPECT_EQ(overlapped, 1);
    cidut_regionGeom farAway = summaryOf({200, 100}, 20, 20, 0.3);
    cidut_evaluateRegionOverlapped(&a, &farAway, 1000, &overlapped);
    EXPECT_EQ(overlapped, 0);
    // Side by side with a 10-pixel overlap: overlapped unless the tolerance forgives it.
    cidut_regionGeom near = summaryOf({110, 100}, 20, 20, 0);
    cidut_regionGeom b = summaryOf({100, 100}, 20, 20, 0);
    cidut_evaluateRegionOverlapped(&b, &near, 0, &overlapped);
    EXPECT_EQ(overlapped, 1);
    cidut_evaluateRegionOverlapped(&b, &near, 1u << 20, &overlapped);
    EXPECT_EQ(overlapped, 0);
    // Touching only at a distance of one width: they do not meet.
    cidut_regionGeom touching = summaryOf({121, 100}, 20, 20, 0);
    cidut_evaluateRegionOverlapped(&b, &touching, 0, &overlapped);
    EXPECT_EQ(overlapped, 0);
    cidut_regionGeom empty{};
    empty.cx = b.cx + 20;
    empty.cy = b.cy;
    EXPECT_PRECONDITION(cidut_evaluateRegionOverlapped(&b, &empty, 0, &overlapped));
}

cid_region parallelogram(cmath_vect po, cmath_vect px, cmath_vect py) {
    cid_region r;
    cid_region_initPoPxPyPopp(&r, &po, &px, &py, nullptr);
    return r;
}

TEST(Spawn, ReachesAlongYToTheReference) {
    // A reference 20 x 10 at y 40 to 50, below a 20 x 30 region.
    cid_region ref = parallelogram({0, 40}, {20, 40}, {0, 50}), out;
    cid_region tall = parallelogram({0, 0}, {20, 0}, {0, 30});
    tall.tightness[2] = 0;
    int32_t spawned = -1;
    // ref's first side is 40 from the region's first, its second 20 from the region's second:
    // the region keeps Po and Px and reaches down to ref's first side.
    ASSERT_EQ(cid_spawnRegionInYDireciton(&tall, &ref, 5, 5, &out, &spawned), 0);
    EXPECT_EQ(spawned, 1);
    EXPECT_EQ(out.Po.y, 0);
    EXPECT_EQ(out.Px.x, 20);
    EXPECT_NEAR(out.Py.x, 0, 1e-12);
    EXPECT_NEAR(out.Py.y, 40, 1e-12);
    EXPECT_EQ(out.isAffine, 1);
    EXPECT_EQ(out.tightness[2], 0);
    // Too short to count: not spawned, and the flags stay 1.
    ASSERT_EQ(cid_spawnRegionInYDireciton(&tall, &ref, 5, 100, &out, &spawned), 0);
    EXPECT_EQ(spawned, 0);
    EXPECT_EQ(out.tightness[2], 1);
    // The region numbered the other way round is flipped first: the same result.
    cid_region turned;
    cid_region_initFlipY(&turned, &tall);
    cid_region_initFlipX(&turned, &turned);
    ASSERT_EQ(cid_spawnRegionInYDireciton(&turned, &ref, 5, 5, &out, &spawned), 0);
    EXPECT_EQ(out.Po.x, 0);
    EXPECT_EQ(out.Po.y, 0);
    EXPECT_NEAR(out.Py.y, 40, 1e-12);
    // A flat region: ref's second side is the farther one, so Po and Px move onto it.
    cid_region flat = parallelogram({0, 0}, {20, 0}, {0, 5});
    ASSERT_EQ(cid_spawnRegionInYDireciton(&flat, &ref, 5, 5, &out, &spawned), 0);
    EXPECT_NEAR(out.Po.y, 50, 1e-12);
    EXPECT_NEAR(out.Px.x, 20, 1e-12);
    EXPECT_NEAR(out.Px.y, 50, 1e-12);
    EXPECT_EQ(out.Py.y, 5);
    // A reference whose x sides run along the region's y sides: no crossing.
    cid_region sideways = parallelogram({0, 40}, {0, 50}, {20, 40});
    out = flat;
    EXPECT_EQ(cid_spawnRegionInYDireciton(&flat, &sideways, 5, 5, &out, &spawned),
              CMATH_STATUS_PARALLEL_LINES);
    EXPECT_EQ(spawned, 0);
    EXPECT_EQ(out.Py.y, 5);
}

TEST(FixedRegionVector, HoldsPlainRecords) {
    cstd_vector_cid_fixedRegion v;
    ASSERT_EQ(cstd_vector_cid_fixedRegion_constructEmpty(&v), 0);
    cid_fixedRegion r;
    cid_fixedRegion_init(&r);
    r.Px.x = 99;
    ASSERT_EQ(cstd_vector_cid_fixedRegion_pushBack(&v, &r), 0);
    cid_fixedRegion* element = nullptr;
    ASSERT_EQ(cstd_vector_cid_fixedRegion_getElement(&v, 0, &element), 0);
    EXPECT_EQ(element->Px.x, 99);
    cstd_vector_cid_fixedRegion_destruct(&v);
}

}  // namespace
