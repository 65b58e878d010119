// Masks: the region list and the painted pixels of a bound mask, through appends, removals and
// updates, against the grown rectangles of the recorded regions; the frame of its image and points
// just beyond it; region tests of bound and unbound masks in any numbering.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "ci_id/mask.h"
#include "homography.h"
#include "region_views.h"
#include "view.h"

namespace {

// The source: a 90 x 70 window inside a padded image at image offset (-20, 13), with client
// coordinates of half a pixel whose origin is image point (-30, 5).
const cmath_xformLinear kImageFromClient{{{{0.5, 0.0}, {0.0, 0.5}}}, {-30, 5}};

struct source {
    cid_test::windowedImage padded{cid_test::randomGreyImage(90, 70, 3), {6, 6, 6, 6, 3, -20, 13}};
    cid_mask mask;
    source() {
        EXPECT_EQ(cimg_image_setLinearImageFromClientXform(&padded.image, &kImageFromClient), 0);
        EXPECT_EQ(cid_mask_construct(&mask, padded.get()), 0);
    }
    ~source() { cid_mask_destruct(&mask); }
};

// An affine region of client coordinates inside the source image.
cid_region randomRegion(std::mt19937& rng) {
    std::uniform_real_distribution<double> x(60, 160), y(60, 110), side(20, 40), turn(-3, 3);
    cmath_shapeAffineRectCenter c{{x(rng), y(rng)}, side(rng), side(rng), turn(rng), 0};
    c.yRotation = c.xRotation + 0.3 * std::sin(turn(rng));  // a skew
    cid_region r;
    cid_region_initAffineRectCenter(&r, &c, nullptr);
    return r;
}

cmath_vect toImage(cmath_vect client) {
    cmath_xformLinear_mapPoint(&kImageFromClient, &client, &client);
    return client;
}

// The perimeter of a region's rectangle in image coordinates, both sides grown by growth client
// units, half at each end.
std::array<cmath_vect, 4> grown(const cid_region& r, double growth) {
    const cmath_vect po = toImage(r.Po), px = toImage(r.Px), py = toImage(r.Py);
    const cmath_vect u{px.x - po.x, px.y - po.y}, w{py.x - po.x, py.y - po.y};
    const double lu = std::hypot(u.x, u.y), lw = std::hypot(w.x, w.y), g = growth * 0.5;
    const double fu = 1 + g / lu, fw = 1 + g / lw;
    const cmath_vect s{po.x - g / 2 * (u.x / lu + w.x / lw), po.y - g / 2 * (u.y / lu + w.y / lw)};
    return {s, cmath_vect{s.x + fu * u.x, s.y + fu * u.y},
            cmath_vect{s.x + fu * u.x + fw * w.x, s.y + fu * u.y + fw * w.y},
            cmath_vect{s.x + fw * w.x, s.y + fw * w.y}};
}

using recordedRegion = std::pair<cid_region, std::array<cmath_vect, 4>>;  // and as painted

// 1 inside one of the painted rectangles, 0 outside all, -1 too near a border to judge.
int coveredBy(const std::vector<recordedRegion>& recorded, const cmath_vect& p) {
    int covered = 0;
    for (const recordedRegion& rect : recorded) {
        double margin = 0;
        covered |= cid_test::insideConvexQuad(rect.second.data(), p, &margin);
        if (margin < 1e-9) return -1;
    }
    return covered;
}

TEST(Mask, RecordsAndPaintsTheRegionsThroughEveryChange) {
    source src;
    cid_mask& m = src.mask;
    std::mt19937 rng(73);
    std::vector<recordedRegion> painted;
    for (int step = 0; step < 40; ++step) {
        const int32_t size = int32_t(painted.size()), action = size < 3 ? 0 : int32_t(rng() % 3);
        const int32_t index = action == 1 ? -1 : int32_t(rng() % std::max(size, 1));
        const size_t at = size_t(action == 0 ? size : index < 0 ? size - 1 : index);
        const cid_region r = randomRegion(rng);
        const double g = (rng() % 5) * 0.75;
        if (action == 0) painted.emplace_back();
        ASSERT_EQ(action == 0   ? cid_mask_appendRegion(&m, &r, g)
                  : action == 1 ? cid_mask_removeRegion(&m, index, 2.0)  // the growth is not read
                                : cid_mask_updateRegion(&m, index, &r, g),
                  0);
        if (action == 1) painted.erase(painted.begin() + long(at));
        if (action != 1) painted[at] = {r, grown(r, g)};
        ASSERT_EQ(m.regions.base.size, painted.size());
        const cid_region* list = reinterpret_cast<const cid_region*>(m.regions.base.begin);
        for (size_t k = 0; k < painted.size(); ++k)
            EXPECT_TRUE(cid_test::sameRegion(list[k], painted[k].first)) << k;
        // Pixels whose centres lie clearly inside or outside.
        const cimg_window& w = m.window;
        for (int32_t j = 0; j < w.height; ++j) {
            for (int32_t i = 0; i < w.width; ++i) {
                const int expected = coveredBy(painted, {w.xOffset + i + 0.5, w.yOffset + j + 0.5});
                if (expected < 0) continue;
                ASSERT_EQ(w.pixels[j * w.pitch + i], expected ? 0 : 255) << i << ", " << j;
            }
        }
    }
}

TEST(Mask, FrameEdgeOfTheImageAndRegionTestsInAnyNumbering) {
    source src;
    cid_mask unbound;
    ASSERT_EQ(cid_mask_construct(&unbound, nullptr), 0);
    const cimg_imageConst& image = src.mask.image.asConst;
    const int32_t frame[8] = {image.xOffset,  image.yOffset,  image.width,      image.height,
                              image.window.x, image.window.y, src.mask.isBound, unbound.isBound};
    const int32_t expected[8] = {-20, 13, 102, 82, -14, 19, 1, 0};
    EXPECT_TRUE(std::equal(frame, frame + 8, expected));
    // A region over all of the image and beyond: just left of, right of, above and below the
    // image the bound mask covers nothing, where the unbound one answers from the region.
    const cmath_shapeAffineRectCenter everything{{120, 100}, 300, 280, 0, 0};
    const cmath_vect shift{2, 0}, away{500, 0};
    cid_region all, moved, far, renumbered;
    cid_region_initAffineRectCenter(&all, &everything, nullptr);
    cid_region_initShift(&moved, &shift, &all);
    cid_region_initShift(&far, &away, &all);
    const cmath_vect client[5] = {{100, 90}, {19, 90}, {224.1, 90}, {100, 15}, {100, 180.1}};
    int32_t result = -1;
    for (cid_mask* m : {&src.mask, &unbound}) {
        ASSERT_EQ(cid_mask_appendRegion(m, &all, 0), 0);
        for (int k = 0; k < 5; ++k) {
            ASSERT_EQ(cid_mask_isPointUnMasked(m, &client[k], nullptr, &result), 0);
            EXPECT_EQ(result, k == 0 || m == &unbound ? 1 : 0) << k;
        }
        // The same corners numbered from any corner either way round; shifted by 2, only within
        // a tolerance of 2; by centres, the moved one lies in the region and the far one not.
        m->testCentres = 0;
        for (int turns = 0; turns < 8; ++turns) {
            cid_region_initRotatePoints(&renumbered, turns, &all);
            if (turns >= 4) cid_region_initFlipX(&renumbered, &renumbered);
            ASSERT_EQ(cid_mask_isRegionUnMasked(m, &renumbered, nullptr, 1e-9, &result), 0);
            EXPECT_EQ(result, 1) << turns;
        }
        const double tol[4] = {1.5, 2.5, 0, 0};
        for (int k = 0; k < 4; ++k) {
            m->testCentres = k >= 2;
            m->testRects = k < 2;
            ASSERT_EQ(
                cid_mask_isRegionUnMasked(m, k == 3 ? &far : &moved, nullptr, tol[k], &result), 0);
            EXPECT_EQ(result, k == 1 || k == 2 ? 1 : 0) << k;
        }
    }
    cid_mask_destruct(&unbound);
}

}  // namespace
