// Rasterising rotated rectangles: against a per-pixel reference on random rectangles, in padded
// windows with image offsets and client transforms, and the value and failure rules.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "ci_id/platform/cdraw.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csys_status.h"
#include "test_support.h"
#include "view.h"

namespace {

using cid_test::greyImage;
using cid_test::padding;
using cid_test::readWindow;
using cid_test::windowedImage;

constexpr uint8_t kFrom = 1, kTo = 2;

// Parallelogram coordinates (s, t) of point p.
void coordinates(const cmath_shapeAffineRect& r, double x, double y, double* s, double* t) {
    double ux = r.px.x - r.po.x, uy = r.px.y - r.po.y, wx = r.py.x - r.po.x, wy = r.py.y - r.po.y;
    double det = ux * wy - uy * wx, dx = x - r.po.x, dy = y - r.po.y;
    *s = (dx * wy - dy * wx) / det;
    *t = (ux * dy - uy * dx) / det;
}

bool nearBorder(double v) { return std::fabs(v) < 1e-9 || std::fabs(v - 1) < 1e-9; }

// Compares painted with before per pixel: inside (by pixel centre) and holding kFrom becomes
// kTo, everything else stays. Pixels whose centres lie on the border are not judged. Returns the
// number of pixels painted.
int checkPainting(const greyImage& before, const greyImage& painted, int32_t windowX,
                  int32_t windowY, const cmath_shapeAffineRect& imageRect) {
    int count = 0;
    for (int32_t j = 0; j < before.height; ++j) {
        for (int32_t i = 0; i < before.width; ++i) {
            double s, t;
            coordinates(imageRect, windowX + i + 0.5, windowY + j + 0.5, &s, &t);
            uint8_t old = before.at(i, j), now = painted.at(i, j);
            if (nearBorder(s) || nearBorder(t)) continue;
            bool inside = s >= 0 && s <= 1 && t >= 0 && t <= 1;
            uint8_t expected = inside && old == kFrom ? kTo : old;
            EXPECT_EQ(now, expected) << "pixel " << i << ", " << j;
            if (now != old) ++count;
        }
    }
    return count;
}

cmath_shapeAffineRect randomRect(std::mt19937& rng, double cx, double cy) {
    std::uniform_real_distribution<double> u(-1, 1), angle(-M_PI, M_PI);
    double a = angle(rng), skew = 0.4 * u(rng), lx = 30 * (1.2 + u(rng)), ly = 15 * (1.2 + u(rng));
    cmath_vect x{lx * std::cos(a), lx * std::sin(a)};
    cmath_vect y{-ly * std::sin(a + skew), ly * std::cos(a + skew)};
    cmath_vect po{cx + 20 * u(rng) - (x.x + y.x) / 2, cy + 20 * u(rng) - (x.y + y.y) / 2};
    return cmath_shapeAffineRect{po, {po.x + x.x, po.y + x.y}, {po.x + y.x, po.y + y.y}};
}

TEST(RotatedRectangle, MatchesPixelCentresInPaddedWindows) {
    std::mt19937 rng(31);
    for (int i = 0; i < 60; ++i) {
        greyImage content = cid_test::randomGreyImage(90, 70, 100 + i, 3);
        padding layout{5, 5, 5, 5, 3, -40 + i, 17 - i};
        windowedImage padded(content, layout);
        std::vector<uint8_t> storageBefore = padded.storage.pixels;
        int32_t windowX = layout.originX + layout.left, windowY = layout.originY + layout.top;
        cmath_shapeAffineRect rect = randomRect(rng, windowX + 45, windowY + 35);
        ASSERT_EQ(cdraw_rasterize_rotatedRectangle_forID(&padded.image, &rect, kFrom, kTo), 0);
        greyImage painted = readWindow(padded.image.asConst);
        EXPECT_GT(checkPainting(content, painted, windowX, windowY, rect), 0);
        // Nothing outside the window changed.
        int changedOutside = 0;
        for (size_t k = 0; k < padded.storage.pixels.size(); ++k) {
            if (padded.storage.pixels[k] != storageBefore[k]) ++changedOutside;
        }
        int changedInside = 0;
        for (size_t k = 0; k < content.pixels.size(); ++k) {
            if (content.pixels[k] != painted.pixels[k]) ++changedInside;
        }
        EXPECT_EQ(changedOutside, changedInside);

        // A plain image at the same image coordinates gives the same window.
        cimg_image plain;
        ASSERT_EQ(cimg_image_construct(&plain, CIMG_DEPTH_8U, 90, 70), 0);
        ASSERT_EQ(cimg_image_setImageOffset(&plain, windowX, windowY), 0);
        cimg_window w;
        cimg_window_init(&w, &plain);
        for (int32_t y = 0; y < 70; ++y) {
            for (int32_t x = 0; x < 90; ++x) w.pixels[y * w.pitch + x] = content.at(x, y);
        }
        ASSERT_EQ(cdraw_rasterize_rotatedRectangle_forID(&plain, &rect, kFrom, kTo), 0);
        EXPECT_TRUE(readWindow(plain.asConst) == painted);
        cimg_image_destruct(&plain);
    }
}

TEST(RotatedRectangle, ClientCoordinatesAreMappedFirst) {
    std::mt19937 rng(32);
    greyImage content = cid_test::randomGreyImage(120, 100, 5, 2);
    windowedImage image(content, padding{});
    // Client units of half a pixel, origin at image (10, 20).
    cmath_xformLinear imageFromClient{{{{0.5, 0.0}, {0.0, 0.5}}}, {10, 20}};
    ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&image.image, &imageFromClient), 0);
    cmath_shapeAffineRect client = randomRect(rng, 2 * (60 - 10), 2 * (50 - 20));
    ASSERT_EQ(cdraw_rasterize_rotatedRectangle_forID(&image.image, &client, kFrom, kTo), 0);
    cmath_shapeAffineRect inImage;
    cmath_xformLinear_mapPoint(&imageFromClient, &client.po, &inImage.po);
    cmath_xformLinear_mapPoint(&imageFromClient, &client.px, &inImage.px);
    cmath_xformLinear_mapPoint(&imageFromClient, &client.py, &inImage.py);
    EXPECT_GT(checkPainting(content, readWindow(image.image.asConst), 0, 0, inImage), 0);
}

TEST(RotatedRectangle, PaintingBackUndoesAndOtherValuesStay) {
    greyImage content{40, 40, std::vector<uint8_t>(1600, 255)};
    for (int k = 0; k < 40; ++k) content.pixels[size_t(k * 41)] = 7;  // a diagonal of 7s
    windowedImage image(content, padding{2, 2, 2, 2, 1});
    cmath_shapeAffineRect rect{{5.3, 30.1}, {25.7, 8.4}, {15.2, 39.9}};
    ASSERT_EQ(cdraw_rasterize_rotatedRectangle_forID(&image.image, &rect, 255, 0), 0);
    greyImage painted = readWindow(image.image.asConst);
    int zeros = 0;
    for (size_t k = 0; k < painted.pixels.size(); ++k) {
        if (content.pixels[k] == 7) {
            EXPECT_EQ(painted.pixels[k], 7);
        }
        zeros += painted.pixels[k] == 0;
    }
    // Area of the parallelogram, give or take its border pixels.
    double area = std::fabs((25.7 - 5.3) * (39.9 - 30.1) - (8.4 - 30.1) * (15.2 - 5.3));
    EXPECT_NEAR(zeros, area, 60);
    ASSERT_EQ(cdraw_rasterize_rotatedRectangle_forID(&image.image, &rect, 0, 255), 0);
    EXPECT_TRUE(readWindow(image.image.asConst) == content);
}

TEST(RotatedRectangle, ShapesWithoutAreaPaintNothing) {
    greyImage content{30, 30, std::vector<uint8_t>(900, kFrom)};
    windowedImage image(content, padding{});
    const cmath_shapeAffineRect nothing[] = {
        {{5, 5}, {20, 20}, {10, 10}},                // collinear
        {{5, 5}, {25, 5}, {25, 5 + 1e-300}},         // a sliver far below a pixel
        {{5, 5}, {5 + 1e-300, 5}, {5, 5 + 1e-300}},  // too small to divide by
        {{5, 5}, {5, 5}, {5, 5}},                    // a point
        {{5, 5}, {NAN, 20}, {5, 20}},                // not finite
        {{5, 5}, {20, 5}, {5, INFINITY}},
        {{-100, -100}, {-50, -100}, {-100, -50}},  // outside the window
    };
    for (const cmath_shapeAffineRect& rect : nothing) {
        EXPECT_EQ(cdraw_rasterize_rotatedRectangle_forID(&image.image, &rect, kFrom, kTo), 0);
        EXPECT_TRUE(readWindow(image.image.asConst) == content);
    }
    // Bigger than the image: the window is filled and nothing else.
    cmath_shapeAffineRect huge{{-1e6, -1e6}, {1e6, -1e6}, {-1e6, 1e6}};
    ASSERT_EQ(cdraw_rasterize_rotatedRectangle_forID(&image.image, &huge, kFrom, kTo), 0);
    greyImage all = readWindow(image.image.asConst);
    for (uint8_t v : all.pixels) EXPECT_EQ(v, kTo);
}

TEST(RotatedRectangle, RejectsUnboundAndDeepImages) {
    cmath_shapeAffineRect rect{{0, 0}, {4, 0}, {0, 4}};
    cimg_image image;
    cimg_image_constructUnbound(&image);
    EXPECT_EQ(cdraw_rasterize_rotatedRectangle_forID(&image, &rect, 0, 1), CIMG_STATUS_NOT_BOUND);
    ASSERT_EQ(cimg_image_assignNew(&image, CIMG_DEPTH_32S, 8, 8), 0);
    EXPECT_EQ(cdraw_rasterize_rotatedRectangle_forID(&image, &rect, 0, 1),
              CIMG_STATUS_INVALID_IMAGE);
    EXPECT_PRECONDITION(cdraw_rasterize_rotatedRectangle_forID(&image, nullptr, 0, 1));
    cimg_image_destruct(&image);
}

}  // namespace
