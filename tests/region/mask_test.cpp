// Masks: construction on bound, unbound and missing images (with image offsets and windows that do
// not start at the origin), painting against the grown rectangles, point and region tests against
// the region list, overlapping regions, indices and allocation failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "ci_id/mask.h"
#include "ci_id/platform/csys_status.h"
#include "test_support.h"
#include "view.h"

namespace {

using cid_test::greyImage;
using cid_test::padding;
using cid_test::windowedImage;

// The source: a 90 x 70 window inside a padded image at image offset (-20, 13), with client
// coordinates of half a pixel whose origin is image point (-30, 5).
const padding kLayout{6, 6, 6, 6, 3, -20, 13};
const cmath_xformLinear kImageFromClient{{{{0.5, 0.0}, {0.0, 0.5}}}, {-30, 5}};

struct source {
    windowedImage padded{cid_test::randomGreyImage(90, 70, 3), kLayout};
    source() {
        EXPECT_EQ(cimg_image_setLinearImageFromClientXform(&padded.image, &kImageFromClient), 0);
    }
    const cimg_imageConst* image() const { return &padded.image.asConst; }
};

std::vector<uint8_t> maskPixels(const cid_mask& m) {
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < m.window.height; ++y) {
        for (int32_t x = 0; x < m.window.width; ++x)
            out.push_back(m.window.pixels[y * m.window.pitch + x]);
    }
    return out;
}

int32_t regionCount(const cid_mask& m) {
    int32_t size = -1;
    cstd_vector_cid_region_getSize(&m.regions, &size);
    return size;
}

// An affine region of client coordinates inside the source image (client x from 20 to 200, y
// from 16 to 156).
cid_region randomRegion(std::mt19937& rng, double minSide = 8) {
    std::uniform_real_distribution<double> x(40, 180), y(40, 130), side(minSide, 50),
        angle(-M_PI, M_PI);
    cmath_shapeAffineRectCenter c{{x(rng), y(rng)}, side(rng), side(rng), angle(rng), 0};
    c.yRotation = c.xRotation + 0.3 * std::sin(angle(rng));
    cid_region r;
    cid_region_initAffineRectCenter(&r, &c, nullptr);
    return r;
}

cmath_vect toImage(const cmath_vect& client) {
    cmath_vect p;
    cmath_xformLinear_mapPoint(&kImageFromClient, &client, &p);
    return p;
}

// Signed distances (positive inside) of p from the four side lines of a parallelogram.
double insideDistance(const cmath_shapeAffineRect& r, const cmath_vect& p) {
    cmath_vect popp{r.px.x + r.py.x - r.po.x, r.px.y + r.py.y - r.po.y};
    const cmath_vect corners[4] = {r.po, r.px, popp, r.py};
    double orientation =
        (r.px.x - r.po.x) * (r.py.y - r.po.y) - (r.px.y - r.po.y) * (r.py.x - r.po.x);
    double nearest = INFINITY;
    for (int i = 0; i < 4; ++i) {
        const cmath_vect& a = corners[i];
        const cmath_vect& b = corners[(i + 1) % 4];
        double k = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
        nearest = std::fmin(nearest, (orientation > 0 ? k : -k) / std::hypot(b.x - a.x, b.y - a.y));
    }
    return nearest;
}

// The rectangle a region of client coordinates should be painted as, in image coordinates.
cmath_shapeAffineRect grownInImage(const cid_region& r, double growth) {
    cmath_vect po = toImage(r.Po), px = toImage(r.Px), py = toImage(r.Py);
    cmath_vect u{px.x - po.x, px.y - po.y}, w{py.x - po.x, py.y - po.y};
    double lu = std::hypot(u.x, u.y), lw = std::hypot(w.x, w.y), g = growth * 0.5;
    cmath_vect start{po.x - g / 2 * (u.x / lu + w.x / lw), po.y - g / 2 * (u.y / lu + w.y / lw)};
    double fu = (lu + g) / lu, fw = (lw + g) / lw;
    return cmath_shapeAffineRect{
        start, {start.x + fu * u.x, start.y + fu * u.y}, {start.x + fw * w.x, start.y + fw * w.y}};
}

TEST(Mask, WithoutOrOnAnUnboundImageTheMaskIsUnbound) {
    cid_mask m;
    ASSERT_EQ(cid_mask_construct(&m, nullptr), 0);
    EXPECT_EQ(m.isBound, 0);
    EXPECT_EQ(m.testCentres, 1);
    EXPECT_EQ(m.testRects, 1);
    EXPECT_EQ(m.backgroundValue, 255);
    EXPECT_EQ(m.regionValue, 0);
    int32_t bound = 1;
    cimg_image_getIsBound(&m.image, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(regionCount(m), 0);
    ASSERT_EQ(cid_mask_destruct(&m), 0);

    cimg_imageConst unbound;
    cimg_imageConst_constructUnbound(&unbound);
    ASSERT_EQ(cid_mask_construct(&m, &unbound), 0);
    EXPECT_EQ(m.isBound, 0);
    cid_region r;
    cid_region_init(&r);
    ASSERT_EQ(cid_mask_appendRegion(&m, &r, 5), 0);
    cmath_vect inside{0.25, 0.75}, outside{1.5, 0.5};
    int32_t masked = -1;
    ASSERT_EQ(cid_mask_isPointUnMasked(&m, &inside, nullptr, &masked), 0);
    EXPECT_EQ(masked, 1);
    ASSERT_EQ(cid_mask_isPointUnMasked(&m, &outside, nullptr, &masked), 0);
    EXPECT_EQ(masked, 0);
    cid_mask_destruct(&m);
    cimg_imageConst_destruct(&unbound);
}

TEST(Mask, BoundMaskTakesTheSourcesFrame) {
    source src;
    cid_mask m;
    ASSERT_EQ(cid_mask_construct(&m, src.image()), 0);
    EXPECT_EQ(m.isBound, 1);
    const cimg_imageConst& image = m.image.asConst;
    EXPECT_EQ(image.xOffset, -20);
    EXPECT_EQ(image.yOffset, 13);
    EXPECT_EQ(image.width, 102);
    EXPECT_EQ(image.height, 82);
    EXPECT_EQ(image.window.x, -14);
    EXPECT_EQ(image.window.y, 19);
    EXPECT_EQ(image.window.width, 90);
    EXPECT_EQ(m.window.xOffset, -20);
    EXPECT_EQ(m.window.yOffset, 13);
    EXPECT_EQ(m.window.width, 102);
    EXPECT_EQ(m.window.height, 82);
    EXPECT_EQ(image.imageFromClient.trans.x, -30);
    EXPECT_EQ(image.imageFromClient.matrix.element[0][0], 0.5);
    std::vector<uint8_t> pixels = maskPixels(m);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 255), 102 * 82);
    ASSERT_EQ(cid_mask_destruct(&m), 0);
    EXPECT_EQ(m.isBound, 0);
}

TEST(Mask, PaintedPixelsFollowTheGrownRectangle) {
    source src;
    std::mt19937 rng(71);
    std::uniform_real_distribution<double> growth(0, 6);
    for (int i = 0; i < 40; ++i) {
        cid_mask m;
        ASSERT_EQ(cid_mask_construct(&m, src.image()), 0);
        cid_region r = randomRegion(rng);
        double g = growth(rng);
        ASSERT_EQ(cid_mask_appendRegion(&m, &r, g), 0);
        cmath_shapeAffineRect expected = grownInImage(r, g);
        int painted = 0;
        for (int32_t y = 0; y < m.window.height; ++y) {
            for (int32_t x = 0; x < m.window.width; ++x) {
                cmath_vect centre{m.window.xOffset + x + 0.5, m.window.yOffset + y + 0.5};
                double d = insideDistance(expected, centre);
                uint8_t v = m.window.pixels[y * m.window.pitch + x];
                if (std::fabs(d) > 1e-9) {
                    EXPECT_EQ(v, d > 0 ? 0 : 255) << x << ", " << y;
                }
                painted += v == 0;
            }
        }
        EXPECT_GT(painted, 0);
        cid_mask_destruct(&m);
    }
}

TEST(Mask, AppendThenRemoveRestoresEveryPixel) {
    source src;
    std::mt19937 rng(72);
    cid_mask m;
    ASSERT_EQ(cid_mask_construct(&m, src.image()), 0);
    for (int i = 0; i < 12; ++i) {
        cid_region r = randomRegion(rng);
        ASSERT_EQ(cid_mask_appendRegion(&m, &r, 2.0), 0);
    }
    while (regionCount(m) > 0) {
        int32_t index = regionCount(m) % 3 == 0 ? -1 : static_cast<int32_t>(rng() % regionCount(m));
        ASSERT_EQ(cid_mask_removeRegion(&m, index, 2.0), 0);
    }
    std::vector<uint8_t> pixels = maskPixels(m);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 255), static_cast<long>(pixels.size()));
    cid_mask_destruct(&m);
}

// A mask built afresh from the regions of m, in their order, with the given growths.
std::vector<uint8_t> freshPixels(const cid_mask& m, const std::vector<double>& growths,
                                 const source& src) {
    cid_mask fresh;
    EXPECT_EQ(cid_mask_construct(&fresh, src.image()), 0);
    const cid_region* begin = nullptr;
    int32_t size = 0;
    cstd_vector_cid_region_getBeginSizeConst(&m.regions, &begin, &size);
    for (int32_t i = 0; i < size; ++i) {
        EXPECT_EQ(cid_mask_appendRegion(&fresh, &begin[i], growths[size_t(i)]), 0);
    }
    std::vector<uint8_t> pixels = maskPixels(fresh);
    cid_mask_destruct(&fresh);
    return pixels;
}

TEST(Mask, OverlappingRegionsStayCoveredWhenOthersGo) {
    source src;
    std::mt19937 rng(73);
    cid_mask m;
    ASSERT_EQ(cid_mask_construct(&m, src.image()), 0);
    std::vector<double> growths;
    for (int step = 0; step < 60; ++step) {
        int32_t size = regionCount(m);
        int action = size < 3 ? 0 : static_cast<int>(rng() % 3);
        double g = (rng() % 5) * 0.75;
        cid_region r = randomRegion(rng, 20);
        if (action == 0) {
            ASSERT_EQ(cid_mask_appendRegion(&m, &r, g), 0);
            growths.push_back(g);
        } else {
            int32_t index = action == 1 ? -1 : static_cast<int32_t>(rng() % size);
            size_t position = index == -1 ? size_t(size - 1) : size_t(index);
            if (step % 2 == 0) {
                ASSERT_EQ(cid_mask_removeRegion(&m, index, 0), 0);
                growths.erase(growths.begin() + long(position));
            } else {
                ASSERT_EQ(cid_mask_updateRegion(&m, index, &r, g), 0);
                growths[position] = g;
            }
        }
        ASSERT_EQ(regionCount(m), int32_t(growths.size()));
        // The painted pixels are those of the regions recorded now, whatever came before.
        ASSERT_TRUE(maskPixels(m) == freshPixels(m, growths, src)) << "step " << step;
    }
    cid_mask_destruct(&m);
}

TEST(Mask, PointTestsAgreeWithTheRegionList) {
    source src;
    std::mt19937 rng(74);
    cid_mask bound, unbound;
    ASSERT_EQ(cid_mask_construct(&bound, src.image()), 0);
    ASSERT_EQ(cid_mask_construct(&unbound, nullptr), 0);
    std::vector<cmath_shapeAffineRect> inImage;
    for (int i = 0; i < 6; ++i) {
        cid_region r = randomRegion(rng);
        ASSERT_EQ(cid_mask_appendRegion(&bound, &r, 0), 0);
        ASSERT_EQ(cid_mask_appendRegion(&unbound, &r, 0), 0);
        inImage.push_back(grownInImage(r, 0));
    }
    // Points in the caller's frame: client coordinates shifted by (7, -3).
    cmath_xformLinear callerToClient{{{{1, 0}, {0, 1}}}, {7, -3}};
    std::uniform_real_distribution<double> x(-40, 260), y(-20, 200);
    int masked = 0, compared = 0;
    for (int k = 0; k < 20000; ++k) {
        cmath_vect p{x(rng), y(rng)}, client;
        cmath_xformLinear_mapPoint(&callerToClient, &p, &client);
        cmath_vect image = toImage(client);
        cmath_vect centre{std::floor(image.x) + 0.5, std::floor(image.y) + 0.5};
        // Judged only where the point and its pixel's centre lie on the same side of every border
        // with room to spare.
        bool clear = true;
        for (const cmath_shapeAffineRect& rect : inImage) {
            double a = insideDistance(rect, image), b = insideDistance(rect, centre);
            clear = clear && std::fabs(a) > 1 && std::fabs(b) > 1 && (a > 0) == (b > 0);
        }
        if (!clear) continue;
        int32_t fromPixels = -1, fromList = -1;
        ASSERT_EQ(cid_mask_isPointUnMasked(&bound, &p, &callerToClient, &fromPixels), 0);
        ASSERT_EQ(cid_mask_isPointUnMasked(&unbound, &p, &callerToClient, &fromList), 0);
        EXPECT_EQ(fromPixels, fromList) << p.x << ", " << p.y;
        masked += fromList;
        ++compared;
    }
    EXPECT_GT(masked, 500);
    EXPECT_GT(compared, 10000);
    // Outside the mask image, and points that are not numbers.
    int32_t result = -1;
    cmath_vect far{-1000, 50}, nowhere{NAN, 50};
    cid_mask_isPointUnMasked(&bound, &far, nullptr, &result);
    EXPECT_EQ(result, 0);
    cid_mask_isPointUnMasked(&bound, &nowhere, nullptr, &result);
    EXPECT_EQ(result, 0);
    cid_mask_isPointUnMasked(&unbound, &nowhere, nullptr, &result);
    EXPECT_EQ(result, 0);
    cid_mask_isPointUnMasked(nullptr, &far, nullptr, &result);
    EXPECT_EQ(result, 0);
    cid_mask_destruct(&bound);
    cid_mask_destruct(&unbound);
}

TEST(Mask, SamePixelsOnAPlainImageAtTheSameCoordinates) {
    source src;
    cimg_image plain;
    const cstd_rect32 whole{-20, 13, 102, 82};
    ASSERT_EQ(cimg_image_constructRect(&plain, CIMG_DEPTH_8U, &whole), 0);
    ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&plain, &kImageFromClient), 0);
    cid_mask a, b;
    ASSERT_EQ(cid_mask_construct(&a, src.image()), 0);
    ASSERT_EQ(cid_mask_construct(&b, &plain.asConst), 0);
    std::mt19937 rng(75);
    for (int i = 0; i < 8; ++i) {
        cid_region r = randomRegion(rng);
        cid_mask_appendRegion(&a, &r, 1.5);
        cid_mask_appendRegion(&b, &r, 1.5);
    }
    EXPECT_TRUE(maskPixels(a) == maskPixels(b));
    cid_mask_destruct(&a);
    cid_mask_destruct(&b);
    cimg_image_destruct(&plain);
}

TEST(Mask, IndicesNameRegionsOrFail) {
    source src;
    cid_mask m;
    ASSERT_EQ(cid_mask_construct(&m, src.image()), 0);
    EXPECT_EQ(cid_mask_removeRegion(&m, -1, 0), CSYS_STATUS_SIZE_OUT_OF_RANGE);
    std::mt19937 rng(76);
    cid_region regions[3] = {randomRegion(rng), randomRegion(rng), randomRegion(rng)};
    for (const cid_region& r : regions) ASSERT_EQ(cid_mask_appendRegion(&m, &r, 0), 0);
    std::vector<uint8_t> before = maskPixels(m);
    for (int32_t bad : {3, -2, 100}) {
        EXPECT_EQ(cid_mask_removeRegion(&m, bad, 0), CSYS_STATUS_SIZE_OUT_OF_RANGE);
        EXPECT_EQ(cid_mask_updateRegion(&m, bad, &regions[0], 0), CSYS_STATUS_SIZE_OUT_OF_RANGE);
    }
    EXPECT_EQ(regionCount(m), 3);
    EXPECT_TRUE(maskPixels(m) == before);
    // -1 acts on the last region.
    ASSERT_EQ(cid_mask_updateRegion(&m, -1, &regions[0], 0), 0);
    const cid_region* last = nullptr;
    cstd_vector_cid_region_getElementConst(&m.regions, 2, &last);
    EXPECT_EQ(last->Po.x, regions[0].Po.x);
    ASSERT_EQ(cid_mask_removeRegion(&m, -1, 0), 0);
    EXPECT_EQ(regionCount(m), 2);
    cstd_vector_cid_region_getElementConst(&m.regions, 1, &last);
    EXPECT_EQ(last->Po.x, regions[1].Po.x);
    EXPECT_EQ(cid_mask_appendRegion(nullptr, &regions[0], 0), 0);
    EXPECT_PRECONDITION(cid_mask_removeRegion(nullptr, 0, 0));
    cid_mask_destruct(&m);
}

TEST(Mask, RegionTestsMatchCentresAndCornersInAnyNumbering) {
    cid_mask m;
    ASSERT_EQ(cid_mask_construct(&m, nullptr), 0);
    std::mt19937 rng(77);
    cid_region recorded = randomRegion(rng, 20);
    ASSERT_EQ(cid_mask_appendRegion(&m, &recorded, 0), 0);
    int32_t result = -1;
    m.testCentres = 0;
    for (int turns = 0; turns < 4; ++turns) {
        cid_region renumbered;
        cid_region_initRotatePoints(&renumbered, turns, &recorded);
        ASSERT_EQ(cid_mask_isRegionUnMasked(&m, &renumbered, nullptr, 1e-9, &result), 0);
        EXPECT_EQ(result, 1) << turns;
        cid_region_initFlipX(&renumbered, &renumbered);
        ASSERT_EQ(cid_mask_isRegionUnMasked(&m, &renumbered, nullptr, 1e-9, &result), 0);
        EXPECT_EQ(result, 1) << turns << " flipped";
    }
    // Shifted by 2: a match only within a tolerance of 2, carried into the recorded frame.
    cmath_vect shift{2, 0};
    cid_region moved;
    cid_region_initShift(&moved, &shift, &recorded);
    cid_mask_isRegionUnMasked(&m, &moved, nullptr, 1.5, &result);
    EXPECT_EQ(result, 0);
    cid_mask_isRegionUnMasked(&m, &moved, nullptr, 2.5, &result);
    EXPECT_EQ(result, 1);
    cmath_xformLinear halve{{{{0.5, 0}, {0, 0.5}}}, {0, 0}};
    cmath_xformLinear twice{{{{2, 0}, {0, 2}}}, {0, 0}};
    cid_region big;
    cid_region_initMap(&big, &twice, &moved);
    cid_mask_isRegionUnMasked(&m, &big, &halve, 2.5, &result);
    EXPECT_EQ(result, 0);  // 2.5 in the caller's frame is 1.25 in the recorded one
    cid_mask_isRegionUnMasked(&m, &big, &halve, 4.5, &result);
    EXPECT_EQ(result, 1);
    // Centres: a small region inside the recorded one.
    m.testCentres = 1;
    m.testRects = 0;
    cmath_vect c;
    cid_region_getCenter(&recorded, &c);
    cid_region small;
    cmath_shapeAffineRectCenter tiny{c, 2, 2, 0, 0};
    cid_region_initAffineRectCenter(&small, &tiny, nullptr);
    cid_mask_isRegionUnMasked(&m, &small, nullptr, 0, &result);
    EXPECT_EQ(result, 1);
    cmath_vect away{500, 0};
    cid_region_initShift(&small, &away, &small);
    cid_mask_isRegionUnMasked(&m, &small, nullptr, 0, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(cid_mask_isRegionUnMasked(nullptr, &small, nullptr, 0, &result), 0);
    EXPECT_EQ(result, 0);
    m.testCentres = 0;
    EXPECT_PRECONDITION(cid_mask_isRegionUnMasked(&m, &small, nullptr, 0, &result));
    cid_mask_destruct(&m);
}

TEST(Mask, AllocationFailuresLeaveNothingBehind) {
    source src;
    std::mt19937 rng(78);
    cid_region r = randomRegion(rng);
    for (long allowed = 0; allowed < 12; ++allowed) {
        cid_test::countingAllocator counter;
        counter.failAfter(allowed);
        cid_mask m;
        int32_t status = cid_mask_construct(&m, src.image());
        if (status < 0) {
            EXPECT_EQ(status, CSYS_STATUS_OUT_OF_MEMORY);
            EXPECT_EQ(counter.live(), 0);
            continue;
        }
        status = cid_mask_appendRegion(&m, &r, 1);
        if (status < 0) {
            EXPECT_EQ(regionCount(m), 0);
            std::vector<uint8_t> pixels = maskPixels(m);
            EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 255), long(pixels.size()));
        }
        cid_mask_destruct(&m);
        EXPECT_EQ(counter.live(), 0);
    }
}

}  // namespace
