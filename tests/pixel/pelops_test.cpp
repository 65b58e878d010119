// Pixel arithmetic, mapping, grey range, transposition and expansion against per-pixel
// references, on windows with image offsets and rows wider than the windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "ci_id/pelops.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/status.h"
#include "test_support.h"
#include "view.h"

namespace {

using cid_test::greyImage;
using cid_test::padding;
using cid_test::readWindow;
using cid_test::windowedImage;

struct heldImage {
    cimg_image image;
    heldImage() { cimg_image_constructUnbound(&image); }
    ~heldImage() { cimg_image_destruct(&image); }
};

const cmath_xformLinear kSkew{{{{1.5, 0.25}, {-0.5, 2.0}}}, {7.0, -3.0}};

void expectSameRect(const cstd_rect32& a, const cstd_rect32& b) {
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
}

void expectTransform(const cimg_imageConst& image, const cmath_xformLinear& xform) {
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            EXPECT_DOUBLE_EQ(image.imageFromClient.matrix.element[r][c],
                             xform.matrix.element[r][c]);
        }
    }
    EXPECT_DOUBLE_EQ(image.imageFromClient.trans.x, xform.trans.x);
    EXPECT_DOUBLE_EQ(image.imageFromClient.trans.y, xform.trans.y);
}

// a over its window, combined with b wherever b's window covers the same image pixel.
template <typename Combine>
greyImage arithmeticReference(const windowedImage& a, const windowedImage& b, Combine combine) {
    greyImage ga = readWindow(a.image.asConst);
    greyImage gb = readWindow(b.image.asConst);
    const cstd_rect32 ra = a.image.asConst.window;
    const cstd_rect32 rb = b.image.asConst.window;
    for (int y = 0; y < ra.height; ++y) {
        for (int x = 0; x < ra.width; ++x) {
            int bx = ra.x + x - rb.x, by = ra.y + y - rb.y;
            if (bx < 0 || by < 0 || bx >= rb.width || by >= rb.height) continue;
            ga.pixels[size_t(y * ra.width + x)] = combine(ga.at(x, y), gb.at(bx, by));
        }
    }
    return ga;
}

uint8_t addRef(int a, int b) { return static_cast<uint8_t>(std::min(a + b, 255)); }
uint8_t subRef(int a, int b) { return static_cast<uint8_t>(std::max(a - b, 0)); }

TEST(PelArithmetic, OverlapsOfWindowsMatchAPerPixelReference) {
    int trial = 0;
    for (int bx : {-20, -3, 0, 4, 11}) {
        for (int by : {-2, 0, 5, 9}) {
            ++trial;
            windowedImage a(cid_test::randomGreyImage(11, 7, 100 + trial),
                            padding{3, 3, 3, 3, 5, 10, 20});
            windowedImage b(cid_test::randomGreyImage(9, 8, 200 + trial),
                            padding{2, 2, 2, 2, 1, 10 + bx, 20 + by});
            ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&a.image, &kSkew), 0);
            heldImage sum, difference;
            ASSERT_EQ(cidut_ip_pelAdd8(&a.image.asConst, &b.image.asConst, &sum.image, 0), 0);
            ASSERT_EQ(cidut_ip_pelSub8(&a.image.asConst, &b.image.asConst, &difference.image, 0),
                      0);
            EXPECT_EQ(readWindow(sum.image.asConst), arithmeticReference(a, b, addRef))
                << bx << "," << by;
            EXPECT_EQ(readWindow(difference.image.asConst), arithmeticReference(a, b, subRef))
                << bx << "," << by;
            expectSameRect(sum.image.asConst.window, a.image.asConst.window);
            expectSameRect(difference.image.asConst.window, a.image.asConst.window);
            expectTransform(sum.image.asConst, kSkew);
        }
    }
}

TEST(PelArithmetic, SaturatesBothWays) {
    windowedImage a(greyImage(3, 2, std::vector<uint8_t>(6, 200)), padding{});
    windowedImage b(greyImage(3, 2, std::vector<uint8_t>(6, 100)), padding{1, 1, 1, 1, 0, -1, -1});
    heldImage out;
    ASSERT_EQ(cidut_ip_pelAdd8(&a.image.asConst, &b.image.asConst, &out.image, 0), 0);
    EXPECT_EQ(readWindow(out.image.asConst).pixels, std::vector<uint8_t>(6, 255));
    ASSERT_EQ(cidut_ip_pelSub8(&a.image.asConst, &b.image.asConst, &out.image, 0), 0);
    EXPECT_EQ(readWindow(out.image.asConst).pixels, std::vector<uint8_t>(6, 100));
    ASSERT_EQ(cidut_ip_pelSub8(&b.image.asConst, &a.image.asConst, &out.image, 0), 0);
    EXPECT_EQ(readWindow(out.image.asConst).pixels, std::vector<uint8_t>(6, 0));
}

TEST(PelArithmetic, TheDestinationMayBeAnInput) {
    greyImage ga = cid_test::randomGreyImage(6, 5, 31);
    windowedImage a(ga, padding{2, 2, 2, 2});
    windowedImage b(cid_test::randomGreyImage(6, 5, 32), padding{});
    greyImage expected = arithmeticReference(a, b, addRef);
    ASSERT_EQ(cidut_ip_pelAdd8(&a.image.asConst, &b.image.asConst, &a.image, 0), 0);
    EXPECT_EQ(readWindow(a.image.asConst), expected);
    EXPECT_EQ(readWindow(b.image.asConst).width, 6);
}

TEST(PelArithmetic, BadInputLeavesTheDestinationAlone) {
    windowedImage a(cid_test::randomGreyImage(4, 4, 33), padding{});
    windowedImage b(cid_test::randomGreyImage(4, 4, 34), padding{});
    windowedImage out(cid_test::randomGreyImage(2, 2, 35), padding{});
    const greyImage before = readWindow(out.image.asConst);
    heldImage unbound;
    cimg_image wide;
    ASSERT_EQ(cimg_image_construct(&wide, CIMG_DEPTH_32S, 4, 4), 0);
    for (auto op : {cidut_ip_pelAdd8, cidut_ip_pelSub8}) {
        EXPECT_PRECONDITION(op(&a.image.asConst, &b.image.asConst, &out.image, 1));
        EXPECT_EQ(op(&unbound.image.asConst, &b.image.asConst, &out.image, 0),
                  CID_STATUS_IMAGE_NOT_BOUND);
        EXPECT_EQ(op(&a.image.asConst, &unbound.image.asConst, &out.image, 0),
                  CID_STATUS_IMAGE_NOT_BOUND);
        EXPECT_EQ(op(&a.image.asConst, &wide.asConst, &out.image, 0), CID_STATUS_INVALID_IMAGE);
        EXPECT_PRECONDITION(op(&a.image.asConst, nullptr, &out.image, 0));
        cid_test::countingAllocator counter;
        counter.failAfter(0);
        EXPECT_EQ(op(&a.image.asConst, &b.image.asConst, &out.image, 0), CSYS_STATUS_OUT_OF_MEMORY);
        EXPECT_EQ(counter.live(), 0);
    }
    EXPECT_EQ(readWindow(out.image.asConst), before);
    cimg_image_destruct(&wide);
}

TEST(PelInvertAndMap, InvertTwiceRestoresAndMapMatchesItsTable) {
    greyImage content = cid_test::randomGreyImage(10, 6, 41);
    windowedImage image(content, padding{2, 2, 2, 2, 3, -5, 8});
    const std::vector<uint8_t> storage = image.storage.pixels;
    ASSERT_EQ(cidut_ip_pelInvert8(&image.image), 0);
    greyImage inverted = readWindow(image.image.asConst);
    for (size_t i = 0; i < content.pixels.size(); ++i) {
        EXPECT_EQ(inverted.pixels[i], 255 - content.pixels[i]);
    }
    ASSERT_EQ(cidut_ip_pelInvert8(&image.image), 0);
    EXPECT_EQ(image.storage.pixels, storage);

    uint8_t negative[256], scrambled[256];
    std::mt19937 rng(42);
    for (int v = 0; v < 256; ++v) {
        negative[v] = static_cast<uint8_t>(255 - v);
        scrambled[v] = static_cast<uint8_t>(rng());
    }
    ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&image.image, &kSkew), 0);
    heldImage mapped;
    ASSERT_EQ(cip_image8_map(&mapped.image, &image.image.asConst, negative), 0);
    EXPECT_EQ(readWindow(mapped.image.asConst), inverted);
    ASSERT_EQ(cip_image8_map(&mapped.image, &image.image.asConst, scrambled), 0);
    greyImage expected = content;
    for (auto& v : expected.pixels) v = scrambled[v];
    EXPECT_EQ(readWindow(mapped.image.asConst), expected);
    expectSameRect(mapped.image.asConst.window, image.image.asConst.window);
    expectTransform(mapped.image.asConst, kSkew);
    EXPECT_EQ(image.storage.pixels, storage);  // the source is left alone

    heldImage unbound;
    EXPECT_EQ(cidut_ip_pelInvert8(&unbound.image), CID_STATUS_IMAGE_NOT_BOUND);
    EXPECT_EQ(cip_image8_map(&mapped.image, &unbound.image.asConst, negative),
              CID_STATUS_IMAGE_NOT_BOUND);
    EXPECT_EQ(readWindow(mapped.image.asConst), expected);
    EXPECT_PRECONDITION(cip_image8_map(&mapped.image, &image.image.asConst, nullptr));
}

TEST(PelMinMax, FindsTheGreyRangeOfTheWindowOnly) {
    greyImage content = cid_test::randomGreyImage(9, 7, 51, 100);
    for (auto& v : content.pixels) v = static_cast<uint8_t>(v + 50);
    windowedImage image(content, padding{3, 3, 3, 3, 2, 4, 4});
    std::fill(image.storage.pixels.begin(), image.storage.pixels.begin() + 10,
              0);  // padding outside the range
    uint8_t low = 1, high = 1;
    ASSERT_EQ(cidut_ip_pelMinMax8(&image.image.asConst, &low, &high), 0);
    EXPECT_EQ(low, *std::min_element(content.pixels.begin(), content.pixels.end()));
    EXPECT_EQ(high, *std::max_element(content.pixels.begin(), content.pixels.end()));

    windowedImage seven(greyImage(3, 3, std::vector<uint8_t>(9, 7)), padding{1, 1, 1, 1});
    ASSERT_EQ(cidut_ip_pelMinMax8(&seven.image.asConst, &low, &high), 0);
    EXPECT_EQ(low, 7);
    EXPECT_EQ(high, 7);
    ASSERT_EQ(cimg_image_window(&seven.image, 1, 1, 0, 0), 0);
    ASSERT_EQ(cidut_ip_pelMinMax8(&seven.image.asConst, &low, &high), 0);
    EXPECT_EQ(low, 255);
    EXPECT_EQ(high, 0);
    heldImage unbound;
    low = high = 9;
    EXPECT_EQ(cidut_ip_pelMinMax8(&unbound.image.asConst, &low, &high), CID_STATUS_IMAGE_NOT_BOUND);
    EXPECT_EQ(low, 9);
    EXPECT_EQ(high, 9);
}

TEST(PelTranspose, SmallExampleAndWindowedSources) {
    windowedImage small(greyImage(3, 2, {1, 2, 3, 4, 5, 6}), padding{});
    heldImage out;
    ASSERT_EQ(cidut_ip_pelTranspose8(&small.image.asConst, &out.image), 0);
    EXPECT_EQ(readWindow(out.image.asConst), (greyImage(2, 3, {1, 4, 2, 5, 3, 6})));

    greyImage content = cid_test::randomGreyImage(8, 5, 61);
    windowedImage padded(content, padding{2, 2, 2, 2, 3, 30, 40});
    ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&padded.image, &kSkew), 0);
    ASSERT_EQ(cidut_ip_pelTranspose8(&padded.image.asConst, &out.image), 0);
    EXPECT_EQ(out.image.asConst.width, 9);    // the source image's height
    EXPECT_EQ(out.image.asConst.height, 12);  // and width
    greyImage transposed = readWindow(out.image.asConst);
    ASSERT_EQ(transposed.width, 5);
    ASSERT_EQ(transposed.height, 8);
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 8; ++c) EXPECT_EQ(transposed.at(r, c), content.at(c, r));
    }
    expectTransform(out.image.asConst, cmath_xformLinear{{{{1, 0}, {0, 1}}}, {0, 0}});
    heldImage unbound;
    EXPECT_EQ(cidut_ip_pelTranspose8(&unbound.image.asConst, &out.image),
              CID_STATUS_IMAGE_NOT_BOUND);
    EXPECT_EQ(readWindow(out.image.asConst), transposed);
}

TEST(PelExpand, SmallExample) {
    windowedImage small(greyImage(2, 1, {10, 20}), padding{});
    heldImage out;
    ASSERT_EQ(cidut_ip_pelExpand8(&small.image.asConst, &out.image, 2, 3), 0);
    EXPECT_EQ(readWindow(out.image.asConst),
              (greyImage(4, 3, {10, 10, 20, 20, 10, 10, 20, 20, 10, 10, 20, 20})));
}

TEST(PelExpand, ReplicatesEveryPixelAndKeepsClientCoordinatesOnTheContent) {
    greyImage content = cid_test::randomGreyImage(7, 5, 71);
    windowedImage source(content, padding{3, 3, 3, 3, 4, -9, 6});
    ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&source.image, &kSkew), 0);
    for (auto factors : {std::pair{1, 1}, std::pair{3, 2}, std::pair{1, 5}, std::pair{4, 1}}) {
        const int fx = factors.first, fy = factors.second;
        heldImage out;
        ASSERT_EQ(cidut_ip_pelExpand8(&source.image.asConst, &out.image, fx, fy), 0);
        greyImage expanded = readWindow(out.image.asConst);
        ASSERT_EQ(expanded.width, 7 * fx);
        ASSERT_EQ(expanded.height, 5 * fy);
        for (int y = 0; y < expanded.height; ++y) {
            for (int x = 0; x < expanded.width; ++x) {
                ASSERT_EQ(expanded.at(x, y), content.at(x / fx, y / fy));
            }
        }
        EXPECT_EQ(out.image.asConst.window.x, source.image.asConst.window.x * fx);
        EXPECT_EQ(out.image.asConst.window.y, source.image.asConst.window.y * fy);
        // A client point names the same grey level in both images.
        std::mt19937 rng(fx * 10 + fy);
        const cstd_rect32 w = source.image.asConst.window;
        for (int i = 0; i < 200; ++i) {
            cmath_vect image{w.x + std::uniform_real_distribution<double>(0, w.width)(rng),
                             w.y + std::uniform_real_distribution<double>(0, w.height)(rng)};
            cmath_vect client, there;
            cmath_xformLinear_mapPoint(&source.image.asConst.clientFromImage, &image, &client);
            cmath_xformLinear_mapPoint(&out.image.asConst.imageFromClient, &client, &there);
            int sx = int(std::floor(image.x)) - w.x, sy = int(std::floor(image.y)) - w.y;
            int ex = int(std::floor(there.x + 1e-9)) - out.image.asConst.window.x;
            int ey = int(std::floor(there.y + 1e-9)) - out.image.asConst.window.y;
            if (ex < 0 || ey < 0 || ex >= expanded.width || ey >= expanded.height) {
                ADD_FAILURE() << "client point left the expanded window";
                continue;
            }
            EXPECT_EQ(expanded.at(ex, ey), content.at(sx, sy));
        }
    }
}

TEST(PelExpand, BadFactorsAndOverflowingSizesGiveStatuses) {
    windowedImage source(cid_test::randomGreyImage(1000, 3, 81), padding{0, 0, 0, 0, 0, 5});
    windowedImage out(cid_test::randomGreyImage(2, 2, 82), padding{});
    const greyImage before = readWindow(out.image.asConst);
    const cimg_imageConst* in = &source.image.asConst;
    EXPECT_EQ(cidut_ip_pelExpand8(in, &out.image, 0, 1), CID_STATUS_INVALID_IMAGE);
    EXPECT_EQ(cidut_ip_pelExpand8(in, &out.image, 2, -1), CID_STATUS_INVALID_IMAGE);
    cid_test::countingAllocator counter;
    EXPECT_EQ(cidut_ip_pelExpand8(in, &out.image, 3000000, 1), CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(cidut_ip_pelExpand8(in, &out.image, 1, INT32_MAX), CSYS_STATUS_SIZE_OUT_OF_RANGE);
    // The window fits, but its image coordinates times the factor do not.
    EXPECT_EQ(cidut_ip_pelExpand8(in, &out.image, 2147000, 1), CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(counter.allocations(), 0);
    counter.failAfter(0);
    EXPECT_EQ(cidut_ip_pelExpand8(in, &out.image, 2, 2), CSYS_STATUS_OUT_OF_MEMORY);
    counter.neverFail();
    heldImage unbound;
    EXPECT_EQ(cidut_ip_pelExpand8(&unbound.image.asConst, &out.image, 2, 2),
              CID_STATUS_IMAGE_NOT_BOUND);
    cimg_image wide;
    ASSERT_EQ(cimg_image_construct(&wide, CIMG_DEPTH_64F, 2, 2), 0);
    EXPECT_EQ(cidut_ip_pelExpand8(&wide.asConst, &out.image, 2, 2), CID_STATUS_INVALID_IMAGE);
    cimg_image_destruct(&wide);
    EXPECT_EQ(readWindow(out.image.asConst), before);
    EXPECT_EQ(counter.live(), 0);
}

}  // namespace
