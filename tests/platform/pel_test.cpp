// Platform pixel operations: memory overlap of windows, window copies, fills, and moving an
// image's coordinate frame.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/csys_status.h"
#include "test_support.h"
#include "view.h"

namespace {

using cid_test::greyImage;
using cid_test::padding;
using cid_test::readWindow;
using cid_test::windowedImage;

// A read-only view of bytes owned by the test.
struct view {
    cimg_imageConst image;
    view(const uint8_t* bytes, int32_t width, int32_t height, intptr_t pitch, int32_t depth = 1) {
        EXPECT_EQ(cimg_imageConst_constructWrap(&image, depth, width, height, pitch, bytes), 0);
    }
    ~view() { cimg_imageConst_destruct(&image); }
};

std::set<const uint8_t*> bytesOf(const cimg_imageConst& image) {
    cimg_windowConst w;
    EXPECT_EQ(cimg_windowConst_init(&w, &image), 0);
    std::set<const uint8_t*> bytes;
    for (int32_t y = 0; y < w.height; ++y) {
        for (int32_t x = 0; x < w.width * w.depth; ++x) bytes.insert(w.pixels + y * w.pitch + x);
    }
    return bytes;
}

bool sharesAByte(const cimg_imageConst& a, const cimg_imageConst& b) {
    std::set<const uint8_t*> inA = bytesOf(a);
    for (const uint8_t* p : bytesOf(b)) {
        if (inA.count(p)) return true;
    }
    return false;
}

TEST(PelOverlap, WindowsOfOneBufferWithOtherPitchesMatchAByteByByteCheck) {
    std::vector<uint8_t> memory(4096);
    std::mt19937 rng(11);
    int overlapping = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        int32_t depthA = trial % 3 == 0 ? 4 : 1;
        int32_t widthA = pick(0, 12), heightA = pick(0, 9);
        int32_t widthB = pick(0, 12), heightB = pick(0, 9);
        intptr_t pitchA = widthA * depthA + pick(0, 20);
        intptr_t pitchB = widthB + pick(0, 20);
        view a(memory.data() + pick(0, 300), widthA, heightA, pitchA, depthA);
        view b(memory.data() + pick(0, 300), widthB, heightB, pitchB);
        const bool expected = sharesAByte(a.image, b.image);
        overlapping += expected;
        int32_t want = expected ? CIP_STATUS_MEMORY_OVERLAP : 0;
        ASSERT_EQ(cip_pelfunc_checkMemoryOverlap(&a.image, &b.image), want) << "trial " << trial;
        ASSERT_EQ(cip_pelfunc_checkMemoryOverlap(&b.image, &a.image), want) << "trial " << trial;
    }
    EXPECT_GT(overlapping, 300);  // both answers were exercised
    EXPECT_LT(overlapping, 2700);
}

TEST(PelOverlap, SideBySideWindowsOfOneImageDoNotOverlap) {
    cimg_image image;
    ASSERT_EQ(cimg_image_construct(&image, CIMG_DEPTH_8U, 20, 10), 0);
    cimg_imageConst left, right;
    cimg_imageConst_constructCopy(&left, &image.asConst);
    cimg_imageConst_constructCopy(&right, &image.asConst);
    ASSERT_EQ(cimg_imageConst_window(&left, 0, 0, 10, 10), 0);
    ASSERT_EQ(cimg_imageConst_window(&right, 10, 0, 10, 10), 0);
    EXPECT_EQ(cip_pelfunc_checkMemoryOverlap(&left, &right), 0);
    ASSERT_EQ(cimg_imageConst_window(&right, 9, 9, 10, 1), 0);
    EXPECT_EQ(cip_pelfunc_checkMemoryOverlap(&left, &right), CIP_STATUS_MEMORY_OVERLAP);
    cimg_image unbound;
    cimg_image_constructUnbound(&unbound);
    EXPECT_EQ(cip_pelfunc_checkMemoryOverlap(&left, &unbound.asConst), CIMG_STATUS_NOT_BOUND);
    EXPECT_PRECONDITION(cip_pelfunc_checkMemoryOverlap(&left, nullptr));
    for (auto* r : {&left, &right}) cimg_imageConst_destruct(r);
    cimg_image_destruct(&image);
}

TEST(PelCopyWindow, CopiesBetweenWindowsWithOffsetsAndWidePitches) {
    greyImage content = cid_test::randomGreyImage(9, 6, 1);
    windowedImage source(content, padding{3, 3, 3, 3, 5, -40, 17});
    windowedImage destination(cid_test::randomGreyImage(9, 6, 2), padding{2, 2, 2, 2, 1, 8, 8, 99});
    std::vector<uint8_t> before = destination.storage.pixels;
    ASSERT_EQ(cip_pelCopyWindow8(&source.image.asConst, &destination.image), 0);
    EXPECT_EQ(readWindow(destination.image.asConst), content);
    // Nothing outside the window was written.
    const intptr_t pitch = destination.image.asConst.pitch;
    size_t changed = 0;
    for (size_t i = 0; i < before.size(); ++i)
        changed += before[i] != destination.storage.pixels[i];
    EXPECT_LE(changed, content.pixels.size());
    for (int32_t x = 0; x < 13; ++x) EXPECT_EQ(destination.storage.pixels[x], before[x]);
    EXPECT_EQ(destination.storage.pixels[size_t(9 * pitch)], before[size_t(9 * pitch)]);
}

TEST(PelCopyWindow, OverlappingWindowsCopyAsIfReadFirst) {
    for (int dx : {-2, -1, 0, 1, 2}) {
        for (int dy : {-1, 0, 1}) {
            greyImage whole = cid_test::randomGreyImage(16, 12, 3 + dx * 7 + dy);
            windowedImage image(whole, padding{});
            cimg_imageConst from;
            cimg_imageConst_constructCopy(&from, &image.image.asConst);
            cimg_image to;
            cimg_image_constructCopy(&to, &image.image);
            ASSERT_EQ(cimg_imageConst_window(&from, 4, 4, 8, 6), 0);
            ASSERT_EQ(cimg_image_window(&to, 4 + dx, 4 + dy, 8, 6), 0);
            greyImage expected = readWindow(from);
            ASSERT_EQ(cip_pelCopyWindow8(&from, &to), 0);
            EXPECT_EQ(readWindow(to.asConst), expected) << dx << "," << dy;
            cimg_imageConst_destruct(&from);
            cimg_image_destruct(&to);
        }
    }
}

TEST(PelCopyWindow, MismatchedOrUnusableWindowsChangeNothing) {
    windowedImage a(cid_test::randomGreyImage(5, 5, 4), padding{});
    windowedImage b(cid_test::randomGreyImage(5, 4, 5), padding{});
    greyImage before = readWindow(b.image.asConst);
    EXPECT_EQ(cip_pelCopyWindow8(&a.image.asConst, &b.image), CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(readWindow(b.image.asConst), before);
    cimg_image wide;
    ASSERT_EQ(cimg_image_construct(&wide, CIMG_DEPTH_32S, 5, 4), 0);
    EXPECT_EQ(cip_pelCopyWindow8(&wide.asConst, &b.image), CIMG_STATUS_INVALID_IMAGE);
    EXPECT_EQ(cip_pelCopyWindow8(&b.image.asConst, &wide), CIMG_STATUS_INVALID_IMAGE);
    cimg_image unbound;
    cimg_image_constructUnbound(&unbound);
    EXPECT_EQ(cip_pelCopyWindow8(&unbound.asConst, &b.image), CIMG_STATUS_NOT_BOUND);
    EXPECT_EQ(cip_pelCopyWindow8(&b.image.asConst, &unbound), CIMG_STATUS_NOT_BOUND);
    cimg_image_destruct(&wide);
}

TEST(PelCopy, MakesAnImageOfTheWindowAtTheSameCoordinatesWithTheTransforms) {
    greyImage content = cid_test::randomGreyImage(7, 5, 6);
    windowedImage source(content, padding{2, 2, 2, 2, 3, 100, -20});
    cmath_xformLinear xform{{{{2, 0.5}, {0, 1}}}, {3, 4}};
    ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&source.image, &xform), 0);
    cimg_image copy;
    ASSERT_EQ(cimg_image_construct(&copy, CIMG_DEPTH_8U, 3, 3), 0);
    ASSERT_EQ(cip_pelCopy8(&source.image.asConst, &copy), 0);
    EXPECT_EQ(readWindow(copy.asConst), content);
    EXPECT_EQ(copy.asConst.xOffset, 102);
    EXPECT_EQ(copy.asConst.yOffset, -18);
    EXPECT_EQ(copy.asConst.width, 7);
    EXPECT_EQ(copy.asConst.window.x, 102);
    EXPECT_EQ(copy.asConst.imageFromClient.matrix.element[0][1], 0.5);
    EXPECT_EQ(copy.asConst.imageFromClient.trans.y, 4);
    source.storage.pixels.assign(source.storage.pixels.size(), 0);  // the copy owns its pixels
    EXPECT_EQ(readWindow(copy.asConst), content);

    cimg_image unbound;
    cimg_image_constructUnbound(&unbound);
    EXPECT_EQ(cip_pelCopy8(&unbound.asConst, &copy), CIMG_STATUS_NOT_BOUND);
    EXPECT_EQ(readWindow(copy.asConst), content);
    cid_test::countingAllocator counter;
    counter.failAfter(0);
    EXPECT_EQ(cip_pelCopy8(&source.image.asConst, &copy), CSYS_STATUS_OUT_OF_MEMORY);
    counter.failAfter(1);  // pixels, then the buffer record fails
    EXPECT_EQ(cip_pelCopy8(&source.image.asConst, &copy), CSYS_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(counter.live(), 0);
    counter.neverFail();
    EXPECT_EQ(readWindow(copy.asConst), content);
    cimg_image_destruct(&copy);
}

TEST(PelSet, FillsTheWindowOnly) {
    windowedImage image(cid_test::randomGreyImage(6, 4, 8), padding{2, 2, 2, 2, 2, 5, 5});
    std::vector<uint8_t> before = image.storage.pixels;
    ASSERT_EQ(cip_pelSet8(&image.image, 77), 0);
    greyImage after = readWindow(image.image.asConst);
    for (uint8_t v : after.pixels) EXPECT_EQ(v, 77);
    size_t changed = 0;
    for (size_t i = 0; i < before.size(); ++i) changed += before[i] != image.storage.pixels[i];
    EXPECT_LE(changed, size_t(24));
    cimg_image unbound;
    cimg_image_constructUnbound(&unbound);
    EXPECT_EQ(cip_pelSet8(&unbound, 1), CIMG_STATUS_NOT_BOUND);
}

TEST(ImageOffset, TheWindowKeepsItsPixelsWhenTheFrameMoves) {
    greyImage content = cid_test::randomGreyImage(4, 3, 9);
    windowedImage image(content, padding{5, 5, 5, 5});
    ASSERT_EQ(cimg_image_setImageOffset(&image.image, -1000, 333), 0);
    EXPECT_EQ(image.image.asConst.window.x, -995);
    EXPECT_EQ(image.image.asConst.window.y, 338);
    EXPECT_EQ(readWindow(image.image.asConst), content);
    EXPECT_EQ(cimg_image_setImageOffset(&image.image, INT32_MAX - 5, 0),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(image.image.asConst.xOffset, -1000);
    cimg_image unbound;
    cimg_image_constructUnbound(&unbound);
    EXPECT_EQ(cimg_image_setImageOffset(&unbound, 3, 4), 0);
    EXPECT_EQ(unbound.asConst.xOffset, 3);
}

}  // namespace
