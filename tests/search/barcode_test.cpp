// Barcode candidates (barcode.h) on rendered bars: the bar direction a region gives is accepted
// within 18 degrees either way round, wherever the scan window starts; the orientation near the
// middle of an image is measured, and an image without bars leaves the outputs alone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "ci_id/barcode.h"
#include "scene.h"
#include "view.h"

namespace {

using namespace cid_test;

constexpr double kDegree = M_PI / 180;

// Bars of 2-pixel modules, 2 * length pixels long and running at angle (degrees), centred on `at`
// of a 320 x 240 scene whose background is the barcode's light level.
greyImage barsScene(double angle, int bars = 20, cmath_vect at = {160, 120}, double length = 12) {
    scene layout(320, 240, 220);  // the bars run down the art's left edge
    layout.addArt(barcode1d(bars, length, 4, 11), placement{at, 2, (angle - 90) * kDegree});
    return layout.render(imagingConditions{4, 0, 0, 0.7, 2});
}

// A region 60 pixels across and 20 along its y direction, which runs at yAngle (degrees).
cid_region regionAt(cmath_vect centre, double yAngle) {
    const double xRotation = (yAngle - 90) * kDegree;
    const cmath_shapeAffineRectCenter rect{centre, 60, 20, xRotation, xRotation};
    cid_region region;
    cid_region_initAffineRectCenter(&region, &rect, nullptr);
    return region;
}

// Degrees between the line along v and the line at angle degrees.
double angleTo(cmath_vect v, double angle) {
    double d = std::fmod(std::fabs(std::atan2(v.y, v.x) - angle * kDegree), M_PI);
    return std::min(d, M_PI - d) / kDegree;
}

// Degrees from +x towards +y of the bars and of the region's y direction; accepted or not.
class BarTilt : public testing::TestWithParam<std::tuple<double, double, bool>> {};

// Accepted regions come back turned about their centre onto the bars; rejected ones as they were.
TEST_P(BarTilt, AcceptedWithinEighteenDegrees) {
    const auto [bars, yAngle, accepted] = GetParam();
    const windowedImage view(barsScene(bars));
    const cid_region region = regionAt({160, 120}, yAngle);
    int32_t isBarcode = -1;
    cid_region aligned;
    ASSERT_EQ(cid2d_getIsCandidateBarcodeLike(view.get(), &region, &isBarcode, &aligned), 0);
    EXPECT_EQ(isBarcode, accepted ? 1 : 0);
    if (!accepted) {
        EXPECT_EQ(std::memcmp(&aligned, &region, sizeof region), 0);
        return;
    }
    EXPECT_LT(angleTo({aligned.Py.x - aligned.Po.x, aligned.Py.y - aligned.Po.y}, bars), 1.5);
    cmath_vect centre;
    cid_region_getCenter(&aligned, &centre);
    EXPECT_LT(std::hypot(centre.x - 160, centre.y - 120), 1e-9);
}

// Rows cross bars within 45 degrees of upright, columns the others; the last two rows have the
// region's direction on the other side of 0 and turned round.
const std::tuple<double, double, bool> kTilts[] = {
    {90, 107, true}, {90, 109, false}, {90, 73, true},    {90, 71, false}, {60, 77, true},
    {60, 79, false}, {150, 167, true}, {150, 169, false}, {30, 13, true},  {30, 11, false},
    {0, 17, true},   {0, -19, false},  {4, -4, true},     {4, 184, true}};
INSTANTIATE_TEST_SUITE_P(Table, BarTilt, testing::ValuesIn(kTilts));

// A seed where the scan window opens on a falling gradient has no boundary to track; it must not
// decide the outcome, wherever across a wide barcode the window starts.
TEST(BarTilt, VerdictDoesNotDependOnWhereTheScanStarts) {
    const windowedImage view(barsScene(90, 40));
    for (int shift = -8; shift <= 8; ++shift) {
        const cid_region region = regionAt({160.0 + shift, 120}, 90);
        int32_t isBarcode = 0;
        cid_region aligned;
        ASSERT_EQ(cid2d_getIsCandidateBarcodeLike(view.get(), &region, &isBarcode, &aligned), 0);
        EXPECT_EQ(isBarcode, 1) << "shift " << shift;
    }
}

// The window's middle row less 25 crosses the bars (long enough for sides of more than 10 halved
// contour points); the rectangle's y side (100 long) follows them, its x side is the window's
// width, and its centre lies among the bars. The same pixels as the window of a larger image with
// other coordinates give the same rectangle moved with them, to the contour smoothing's rounding.
// A step edge is no bars: the outputs stay as they were.
TEST(FindOneBarcode, MeasuresTheBarsNearTheMiddleOnly) {
    const greyImage image = barsScene(75, 20, {160, 95}, 16);
    const windowedImage plain(image), moved(image, {9, 4, 6, 3, 5, 300, -40});
    cmath_shapeAffineRect rect[2];
    cmath_vect points[2][3];
    for (int k = 0; k < 2; ++k) {
        int32_t found = 0;
        ASSERT_EQ(cid2d_findOneBarcode(k ? moved.get() : plain.get(), &rect[k], &found), 0);
        ASSERT_EQ(found, 1);
        cmath_shapeAffineRect_getPoints(&rect[k], points[k]);
    }
    const cmath_vect po = points[0][0], x{points[0][1].x - po.x, points[0][1].y - po.y},
                     y{points[0][2].x - po.x, points[0][2].y - po.y};
    EXPECT_LT(angleTo(y, 75), 1.5);
    EXPECT_NEAR(std::hypot(y.x, y.y), 100, 1e-9);
    EXPECT_NEAR(std::hypot(x.x, x.y), 320, 1e-9);
    EXPECT_LT(std::hypot(po.x + (x.x + y.x) / 2 - 160, po.y + (x.y + y.y) / 2 - 95), 12);
    for (int k = 0; k < 3; ++k) {  // the moved window starts at (309, -36)
        EXPECT_NEAR(points[1][k].x, points[0][k].x + 309, 0.25);
        EXPECT_NEAR(points[1][k].y, points[0][k].y - 36, 0.25);
    }
    scene layout(320, 240, 200);
    layout.addProfile(stepEdge(0.3, 150, 60, 200));
    const windowedImage edge(layout.render());
    const cmath_shapeAffineRect before = rect[0];
    int32_t found = 5;
    ASSERT_EQ(cid2d_findOneBarcode(edge.get(), &rect[0], &found), 0);
    EXPECT_EQ(found, 5);
    EXPECT_EQ(std::memcmp(&rect[0], &before, sizeof before), 0);
}

}  // namespace
