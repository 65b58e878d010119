// Image records: construction, sharing, windows with offsets and padded rows, transforms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csys_status.h"
#include "test_support.h"

namespace {

struct image8 {
    cimg_image image;
    image8(int32_t width, int32_t height) {
        EXPECT_EQ(cimg_image_construct(&image, CIMG_DEPTH_8U, width, height), 0);
    }
    ~image8() { cimg_image_destruct(&image); }
};

TEST(Image, ConstructGivesZeroedPixelsAndIdentityTransforms) {
    for (int32_t depth : {CIMG_DEPTH_8U, CIMG_DEPTH_32S, CIMG_DEPTH_64F}) {
        cimg_image image;
        ASSERT_EQ(cimg_image_construct(&image, depth, 37, 5), 0);
        const cimg_imageConst& r = image.asConst;
        EXPECT_EQ(r.width, 37);
        EXPECT_EQ(r.height, 5);
        EXPECT_EQ(r.depth, depth);
        EXPECT_GE(r.pitch, 37 * depth);
        EXPECT_EQ(r.pitch % 16, 0);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 37 * depth; ++x) ASSERT_EQ(r.pixels[y * r.pitch + x], 0);
        }
        cstd_rect32 window{};
        ASSERT_EQ(cimg_image_getWindow(&image, &window), 0);
        EXPECT_EQ(window.width, 37);
        EXPECT_EQ(window.height, 5);
        cmath_xformLinear xform;
        cimg_image_getLinearImageFromClientXform(&image, &xform);
        EXPECT_EQ(xform.matrix.element[0][0], 1.0);
        EXPECT_EQ(xform.trans.x, 0.0);
        cimg_image_destruct(&image);
    }
}

TEST(Image, BadArgumentsGiveStatusesAndLeaveNothingBehind) {
    cid_test::countingAllocator counter;
    cimg_image image;
    EXPECT_EQ(cimg_image_construct(&image, 3, 10, 10), CIMG_STATUS_INVALID_IMAGE);
    EXPECT_EQ(cimg_image_construct(&image, CIMG_DEPTH_8U, -1, 10), CIMG_STATUS_INVALID_IMAGE);
    const int32_t big = std::numeric_limits<int32_t>::max();
    cstd_rect32 offEdge{big - 5, 0, 10, 10};
    EXPECT_EQ(cimg_image_constructRect(&image, CIMG_DEPTH_8U, &offEdge),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(counter.allocations(), 0);
    counter.failAfter(1);  // pixels succeed, the buffer record fails
    EXPECT_EQ(cimg_image_construct(&image, CIMG_DEPTH_8U, 8, 8), CSYS_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(counter.live(), 0);
    EXPECT_PRECONDITION(cimg_image_construct(nullptr, CIMG_DEPTH_8U, 8, 8));
}

TEST(Image, CopiesSharePixelsAndTheLastReleaseFrees) {
    cid_test::countingAllocator counter;
    cimg_image a;
    ASSERT_EQ(cimg_image_construct(&a, CIMG_DEPTH_8U, 4, 4), 0);
    cimg_image b;
    cimg_image c;
    cimg_image_constructCopy(&b, &a);
    cimg_image_constructUnbound(&c);
    cimg_image_assign(&c, &b);
    a.asConst.pixels[5] = 99;
    EXPECT_EQ(b.asConst.pixels[5], 99);
    EXPECT_EQ(c.asConst.pixels[5], 99);
    cimg_image_destruct(&a);
    cimg_image_destruct(&b);
    EXPECT_EQ(c.asConst.pixels[5],
              99);  // still alive (a sanitizer build would see a use after free)
    EXPECT_GT(counter.live(), 0);
    cimg_image_assign(&c, &c);
    cimg_image_destruct(&c);
    EXPECT_EQ(counter.live(), 0);
}

TEST(Image, AssignNewAndSetUnboundRelease) {
    cid_test::countingAllocator counter;
    cimg_image image;
    ASSERT_EQ(cimg_image_construct(&image, CIMG_DEPTH_8U, 4, 4), 0);
    ASSERT_EQ(cimg_image_assignNew(&image, CIMG_DEPTH_64F, 3, 2), 0);
    EXPECT_EQ(image.asConst.depth, CIMG_DEPTH_64F);
    EXPECT_EQ(counter.live(), 2);  // one buffer record and its pixels
    cimg_image_setUnbound(&image);
    int32_t bound = 1;
    cimg_image_getIsBound(&image, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(counter.live(), 0);
    cstd_rect32 window{};
    EXPECT_EQ(cimg_image_getWindow(&image, &window), CIMG_STATUS_NOT_BOUND);
    cimg_window w;
    EXPECT_EQ(cimg_window_init(&w, &image), CIMG_STATUS_NOT_BOUND);
    cimg_image_destruct(&image);
}

TEST(Image, WindowsWithOffsetsAndPaddedRowsAddressTheRightPixels) {
    // 13 x 9 pixels placed at image coordinates (100, 200), rows padded to 16 bytes.
    cstd_rect32 area{100, 200, 13, 9};
    cimg_image image;
    ASSERT_EQ(cimg_image_constructRect(&image, CIMG_DEPTH_8U, &area), 0);
    const cimg_imageConst& r = image.asConst;
    ASSERT_GT(r.pitch, r.width);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 13; ++x)
            r.pixels[y * r.pitch + x] = static_cast<unsigned char>(16 * y + x);
    }
    EXPECT_EQ(cimg_image_window(&image, 103, 202, 5, 4), 0);
    cimg_windowConst w;
    ASSERT_EQ(cimg_windowConst_init(&w, &image.asConst), 0);
    EXPECT_EQ(w.xOffset, 103);
    EXPECT_EQ(w.yOffset, 202);
    EXPECT_EQ(w.pitch, r.pitch);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) EXPECT_EQ(w.pixels[y * w.pitch + x], 16 * (y + 2) + (x + 3));
    }
    cstd_rect32 sub{1, 1, 2, 2};
    EXPECT_EQ(cimg_image_subWindow(&image, &sub), 0);
    cimg_window writable;
    ASSERT_EQ(cimg_window_init(&writable, &image), 0);
    EXPECT_EQ(writable.xOffset, 104);
    writable.pixels[0] = 255;
    EXPECT_EQ(r.pixels[3 * r.pitch + 4], 255);
    intptr_t offset = 0;
    EXPECT_EQ(cimg_image_pointToOffset_internal(&r, 104, 203, &offset), 0);
    EXPECT_EQ(offset, 3 * r.pitch + 4);
    EXPECT_EQ(cimg_image_pointToOffset_internal(&r, 99, 203, &offset), CIMG_STATUS_OUTSIDE_IMAGE);

    cstd_rect32 outside{110, 200, 5, 1};
    EXPECT_EQ(cimg_image_setWindowRect(&image, &outside), CIMG_STATUS_OUTSIDE_IMAGE);
    EXPECT_EQ(cimg_image_subWindow(&image, &outside), CIMG_STATUS_OUTSIDE_IMAGE);
    cstd_rect32 window{};
    cimg_image_getWindow(&image, &window);
    EXPECT_EQ(window.x, 104);  // a refused window leaves the old one
    EXPECT_EQ(cimg_image_setEntire(&image), 0);
    cimg_image_getWindow(&image, &window);
    EXPECT_EQ(window.x, 100);
    EXPECT_EQ(window.width, 13);

    // Offsets edited by hand strand the window outside the image: no pixel pointer comes back.
    image.asConst.xOffset = 0;
    EXPECT_EQ(cimg_windowConst_init(&w, &image.asConst), CIMG_STATUS_OUTSIDE_IMAGE);
    EXPECT_EQ(cimg_window_init(&writable, &image), CIMG_STATUS_OUTSIDE_IMAGE);
    image.asConst.xOffset = 100;
    EXPECT_EQ(cimg_windowConst_init(&w, &image.asConst), 0);
    cimg_image_destruct(&image);
}

TEST(Image, WrappedCallerPixelsAreNeverFreed) {
    std::vector<unsigned char> pixels(20 * 3, 7);
    cid_test::countingAllocator counter;
    cimg_imageConst view;
    ASSERT_EQ(cimg_imageConst_constructWrap(&view, CIMG_DEPTH_8U, 15, 3, 20, pixels.data()), 0);
    cimg_windowConst w;
    cimg_windowConst_init(&w, &view);
    EXPECT_EQ(w.pixels, pixels.data());
    EXPECT_EQ(w.pitch, 20);
    cimg_imageConst_destruct(&view);
    EXPECT_EQ(counter.live(), 0);
    EXPECT_EQ(cimg_imageConst_constructWrap(&view, CIMG_DEPTH_8U, 15, 3, 14, pixels.data()),
              CIMG_STATUS_INVALID_IMAGE);
}

TEST(Image, ClientTransformsStayInverse) {
    image8 holder(10, 10);
    cmath_xformLinear imageFromClient{{{{2.0, 1.0}, {-0.5, 3.0}}}, {4.0, -2.0}};
    ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&holder.image, &imageFromClient), 0);
    cmath_xformLinear back;
    cimg_image_getLinearClientFromImageXform(&holder.image, &back);
    cmath_vect p{1.5, -7.25}, q, r;
    cmath_xformLinear_mapPoint(&imageFromClient, &p, &q);
    cmath_xformLinear_mapPoint(&back, &q, &r);
    EXPECT_NEAR(r.x, p.x, 1e-12);
    EXPECT_NEAR(r.y, p.y, 1e-12);

    cmath_xformLinear singular{{{{1.0, 2.0}, {2.0, 4.0}}}, {0.0, 0.0}};
    EXPECT_EQ(cimg_image_setLinearImageFromClientXform(&holder.image, &singular),
              CMATH_STATUS_SINGULAR);
    cmath_xformLinear kept;
    cimg_image_getLinearImageFromClientXform(&holder.image, &kept);
    EXPECT_EQ(kept.matrix.element[0][1], 1.0);

    image8 other(2, 2);
    cimg_image_copyXforms(&other.image, &holder.image.asConst);
    cimg_image_getLinearClientFromImageXform(&other.image, &kept);
    EXPECT_EQ(kept.trans.x, back.trans.x);

    cimg_image unbound;
    cimg_image_constructUnbound(&unbound);
    EXPECT_EQ(cimg_image_setLinearClientFromImageXform(&unbound, &back), 0);
    cimg_image_getLinearImageFromClientXform(&unbound, &kept);
    EXPECT_NEAR(kept.matrix.element[1][0], -0.5, 1e-12);
    cimg_image_destruct(&unbound);
}

}  // namespace
