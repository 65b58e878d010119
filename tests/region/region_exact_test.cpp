// Whole-pixel rectangles from the floating one, and the failure of the far corner in spawning.
#include <gtest/gtest.h>

#include "ci_id/fixedregion.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/region.h"

namespace {

cid_region quad(cmath_vect po, cmath_vect px, cmath_vect py, cmath_vect popp) {
    cid_region r;
    EXPECT_EQ(cid_region_initPoPxPyPopp(&r, &po, &px, &py, &popp), 0);
    return r;
}

TEST(RegionExact, WholePixelRectangleFromTheFloatingOne) {
    struct row {
        double left, right;
        int32_t x, width;
    } rows[] = {
        {0.2, 3.7, 0, 4},
        // -1.05 + (7.0 + 1.05) is 7.000000000000001: the width reaches one pixel further.
        {-1.05, 7.0, -2, 10},
    };
    for (const row& r : rows) {
        const cid_region region =
            quad({r.left, 1.0}, {r.right, 1.0}, {r.left, 3.0}, {r.right, 3.0});
        cstd_rect32 rect;
        ASSERT_EQ(cid_region_getEncloseImageRect(&region, nullptr, &rect), 0);
        EXPECT_EQ(rect.x, r.x);
        EXPECT_EQ(rect.width, r.width);
        EXPECT_EQ(rect.y, 1);
        EXPECT_EQ(rect.height, 2);
    }
}

TEST(RegionExact, SpawningReturnsTheFailureOfTheFarCorner) {
    // region's side Po-Px is weighted farther from ref's first x side than Py-Popp from its second,
    // so Py moves onto ref's first x side; the far corner would lie on region's second y side,
    // which runs parallel to that line.
    const cid_region region = quad({0, 0}, {30, 0}, {0, 8}, {26, 4});
    const cid_region ref = quad({-100, -200}, {-80, -220}, {-110, -180}, {-90, -200});
    cid_region out;
    int32_t spawned = 1;
    EXPECT_EQ(cid_spawnRegionInYDireciton(&region, &ref, 0.0, 0.0, &out, &spawned),
              CMATH_STATUS_PARALLEL_LINES);
    EXPECT_EQ(spawned, 0);
}

}  // namespace
