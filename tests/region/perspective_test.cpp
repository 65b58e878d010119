// Perspective checks of four measured corners on random quadrilaterals: convexity against the
// crossing of the diagonals found independently, the mapping of the parallelogram onto the
// measured corners, and the corner codes.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "ci_id/perspective.h"
#include "ci_id/status.h"

namespace {

double cross(const cmath_vect& a, const cmath_vect& b) { return a.x * b.y - a.y * b.x; }
double gap(const cmath_vect& a, const cmath_vect& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Convex when the diagonals p0-p3 and p1-p2 cross at least a pixel from every corner: with the
// crossing at p0 + s (p3 - p0) = p1 + t (p2 - p1), s and t keep that far from 0 and 1.
TEST(Perspective, ConvexityAndMappingOfRandomCorners) {
    std::mt19937 rng(82);
    std::uniform_real_distribution<double> u(0, 12);
    int convex = 0, judged = 0;
    for (int i = 0; i < 4000; ++i) {
        const cmath_vect p[4] = {
            {u(rng), u(rng)}, {u(rng), u(rng)}, {u(rng), u(rng)}, {u(rng), u(rng)}};
        const cmath_vect d{p[3].x - p[0].x, p[3].y - p[0].y}, e{p[2].x - p[1].x, p[2].y - p[1].y};
        const cmath_vect f{p[1].x - p[0].x, p[1].y - p[0].y};
        const double s = cross(f, e) / cross(d, e), t = cross(f, d) / cross(d, e);
        const double ld = std::hypot(d.x, d.y), le = std::hypot(e.x, e.y);
        const double spare = std::fmin(std::fmin(s, 1 - s) * ld, std::fmin(t, 1 - t) * le) - 1;
        if (std::fabs(spare) < 1e-6 || std::fabs(cross(d, e)) < 1e-3) continue;
        int32_t result = -1;
        ASSERT_EQ(cidut_verifyConvexHull4Points(&p[0], &p[1], &p[2], &p[3], &result), 0);
        EXPECT_EQ(result, spare > 0 ? 1 : 0) << i;
        convex += result;
        ++judged;
        if (!result) continue;
        // The mapping takes the parallelogram's corners to the measured ones, and back.
        const cmath_shapeAffineRectPoints rect{p[0], p[1], p[2]};
        const cmath_vect from[4] = {
            p[0], p[1], p[2], {p[1].x + p[2].x - p[0].x, p[1].y + p[2].y - p[0].y}};
        cmath_xformPerspective forward, inverse;
        cmath_vect there, back;
        ASSERT_EQ(cidut_perspectiveMapping_construct(&rect, &p[3], &forward, &inverse), 0);
        for (int k = 0; k < 4; ++k) {
            ASSERT_EQ(cmath_xformPerspective_mapPoint(&forward, &from[k], &there), 0);
            ASSERT_EQ(cmath_xformPerspective_mapPoint(&inverse, &p[k], &back), 0);
            EXPECT_LT(gap(there, p[k]) + gap(back, from[k]), 1e-8) << i << " " << k;
        }
    }
    EXPECT_TRUE(convex > 400 && judged - convex > 400) << convex << " of " << judged;
    // Bounds of the image are whole pixels, inclusive; corner 3 bent inwards makes the corners
    // concave; a diagonal without length fails.
    const cmath_vect p0{0, 0}, p1{639, 0}, p2{0, 479}, p3{639.01, 479}, bent{200, 150};
    const cstd_rect32 image{0, 0, 640, 480};
    int32_t code = -1;
    ASSERT_EQ(cidut_verifyValidBarcodeRgnCorners(&p0, &p1, &p2, &p3, &image, &code), 0);
    EXPECT_EQ(code, CIDUT_CORNER_OUTSIDE_3);
    ASSERT_EQ(cidut_verifyValidBarcodeRgnCorners(&p0, &p1, &p2, &bent, &image, &code), 0);
    EXPECT_EQ(code, CIDUT_CORNERS_NOT_CONVEX);
    EXPECT_EQ(cidut_verifyConvexHull4Points(&p0, &p1, &p2, &p0, &code),
              CID_STATUS_DEGENERATE_SEGMENT);
}

}  // namespace
