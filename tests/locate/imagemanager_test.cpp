// The coarse/fine image manager, aliasing for fast access, and the image holders.
#include <gtest/gtest.h>

#include <stdexcept>
#include <type_traits>

#include "ci_id/imagemanager.h"
#include "ci_id/status.h"
#include "test_support.h"
#include "view.h"

namespace {

using cid_test::greyImage;
using cid_test::padding;
using cid_test::readWindow;
using cid_test::windowedImage;

const cmath_xformLinear kSkew{{{{1, 2}, {0, 3}}}, {9, 9}};

bool isBound(const cimg_imageConst& image) {
    int32_t bound = 0;
    cimg_imageConst_getIsBound(&image, &bound);
    return bound != 0;
}

bool isIdentity(const cmath_xformLinear& x) {
    return x.matrix.element[0][0] == 1 && x.matrix.element[0][1] == 0 &&
           x.matrix.element[1][0] == 0 && x.matrix.element[1][1] == 1 && x.trans.x == 0 &&
           x.trans.y == 0;
}

TEST(ImageManager, KeepsNeutralViewsOfBothImages) {
    greyImage coarseContent = cid_test::randomGreyImage(8, 6, 1);
    greyImage fineContent = cid_test::randomGreyImage(16, 12, 2);
    windowedImage coarse(coarseContent, padding{2, 2, 2, 2, 1, 40, -10});
    windowedImage fine(fineContent, padding{0, 0, 0, 0, 3, 7, 7});
    ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&coarse.image, &kSkew), 0);
    cid2d_imageMemoryManager manager;
    ASSERT_EQ(
        cid2d_imageMemoryManager_construct(&manager, &coarse.image.asConst, &fine.image.asConst),
        0);
    EXPECT_EQ(manager.coarse.pixels, coarse.image.asConst.pixels);  // shared, not copied
    EXPECT_EQ(manager.coarse.xOffset, 0);
    EXPECT_EQ(manager.coarse.yOffset, 0);
    EXPECT_EQ(manager.coarse.window.x, 2);
    EXPECT_EQ(manager.fine.window.x, 0);
    EXPECT_EQ(readWindow(manager.coarse), coarseContent);
    EXPECT_EQ(readWindow(manager.fine), fineContent);
    EXPECT_TRUE(isIdentity(manager.coarse.imageFromClient));
    EXPECT_TRUE(isIdentity(manager.coarse.clientFromImage));
    EXPECT_TRUE(isIdentity(manager.fine.imageFromClient));
    EXPECT_FALSE(isBound(manager.coarseWork));
    EXPECT_FALSE(isBound(manager.fineWork));
    EXPECT_EQ(manager.coarseState, 0);
    EXPECT_EQ(manager.fineState, 0);
    EXPECT_EQ(manager.spare, 0);
    // The caller's records are left as they were.
    EXPECT_EQ(coarse.image.asConst.xOffset, 40);
    EXPECT_EQ(coarse.image.asConst.imageFromClient.trans.x, 9);

    cimg_imageConst out;
    cimg_imageConst_constructUnbound(&out);
    ASSERT_EQ(cid2d_imageMemoryManager_getCoarseImage(&manager, &out, nullptr), 0);
    EXPECT_EQ(readWindow(out), coarseContent);
    cimg_imageConst untouched;
    cimg_imageConst_constructUnbound(&untouched);
    ASSERT_EQ(cid2d_imageMemoryManager_getFineImage(&manager, &untouched, &out), 0);
    EXPECT_EQ(readWindow(out), fineContent);
    EXPECT_FALSE(isBound(untouched));
    cimg_imageConst_destruct(&out);

    ASSERT_EQ(cid2d_imageMemoryManager_destruct(&manager), 0);
    EXPECT_FALSE(isBound(manager.coarse));
    EXPECT_FALSE(isBound(manager.fine));
    csys_typeCheck_cid2d_imageMemoryManager(&manager);
    EXPECT_PRECONDITION(cid2d_imageMemoryManager_getCoarseImage(&manager, nullptr, &out));
}

TEST(ImageManager, ReleasesEverythingItHolds) {
    cid_test::countingAllocator counter;
    {
        windowedImage coarse(cid_test::randomGreyImage(4, 4, 3), padding{});
        cimg_image fine;
        ASSERT_EQ(cimg_image_construct(&fine, CIMG_DEPTH_8U, 9, 9), 0);
        cid2d_imageMemoryManager manager;
        ASSERT_EQ(
            cid2d_imageMemoryManager_construct(&manager, &coarse.image.asConst, &fine.asConst), 0);
        cimg_image_destruct(&fine);
        EXPECT_EQ(manager.fine.width, 9);  // still alive through the manager
        EXPECT_EQ(cid2d_imageMemoryManager_destruct(&manager), 0);
    }
    EXPECT_EQ(counter.live(), 0);
    cimg_image unbound;
    cimg_image_constructUnbound(&unbound);
    cid2d_imageMemoryManager empty;
    ASSERT_EQ(cid2d_imageMemoryManager_construct(&empty, &unbound.asConst, &unbound.asConst), 0);
    EXPECT_FALSE(isBound(empty.coarse));
    EXPECT_EQ(cid2d_imageMemoryManager_destruct(&empty), 0);
}

TEST(AliasToFastMem, SharesThePixelsAndNeverCopies) {
    greyImage content = cid_test::randomGreyImage(5, 5, 4);
    windowedImage source(content, padding{1, 1, 1, 1, 1, 3, 3});
    cimg_imageConst alias;
    cimg_imageConst_constructUnbound(&alias);
    int32_t copied = 7;
    ASSERT_EQ(cimg_imageConst_aliasToFastMem(&source.image.asConst, &alias, &copied), 0);
    EXPECT_EQ(copied, 0);
    EXPECT_EQ(alias.pixels, source.image.asConst.pixels);
    EXPECT_EQ(readWindow(alias), content);
    cimg_image unbound;
    cimg_image_constructUnbound(&unbound);
    copied = 7;
    EXPECT_EQ(cimg_imageConst_aliasToFastMem(&unbound.asConst, &alias, &copied),
              CIMG_STATUS_NOT_BOUND);
    EXPECT_EQ(copied, 7);
    EXPECT_EQ(readWindow(alias), content);
    cimg_imageConst_destruct(&alias);
}

static_assert(sizeof(cc_ImageAutoPtr) == sizeof(void*), "a holder is one pointer");
static_assert(!std::is_polymorphic_v<cc_ImageConstAutoPtr>, "no virtual operations");
static_assert(!std::is_nothrow_destructible_v<cc_ImageAutoPtr>, "destruction may throw");

TEST(ImageHolders, ConstructAndDestructTheRecord) {
    cid_test::countingAllocator counter;
    cimg_image image;
    {
        cc_ImageAutoPtr holder(&image, true);
        EXPECT_EQ(holder.get(), &image);
        EXPECT_FALSE(isBound(image.asConst));
        ASSERT_EQ(cimg_image_assignNew(&image, CIMG_DEPTH_8U, 10, 10), 0);
        EXPECT_GT(counter.live(), 0);
    }
    EXPECT_EQ(counter.live(), 0);  // the holder destructed the record
    EXPECT_FALSE(isBound(image.asConst));

    cimg_imageConst view;
    ASSERT_EQ(cimg_imageConst_construct(&view, CIMG_DEPTH_8U, 4, 4), 0);
    {
        cc_ImageConstAutoPtr holder(&view, false);  // takes the record as it is
        EXPECT_TRUE(isBound(view));
    }
    EXPECT_FALSE(isBound(view));
    EXPECT_EQ(counter.live(), 0);
}

TEST(ImageHolders, NullReleaseAndSharedHolders) {
    cid_test::countingAllocator counter;
    { cc_ImageAutoPtr nothing(nullptr, true); }
    cimg_image image;
    ASSERT_EQ(cimg_image_construct(&image, CIMG_DEPTH_8U, 3, 3), 0);
    {
        cc_ImageAutoPtr holder(&image, false);
        holder.release();
        EXPECT_EQ(holder.get(), nullptr);
    }
    EXPECT_TRUE(isBound(image.asConst));
    {
        cc_ImageAutoPtr first(&image, false);
        cc_ImageAutoPtr second(nullptr, false);
        second = first;
        EXPECT_EQ(second.get(), &image);
        first.release();
    }
    EXPECT_FALSE(isBound(image.asConst));
    EXPECT_EQ(counter.live(), 0);
}

TEST(ImageHolders, UnwindingDestructsWithoutTerminating) {
    cid_test::countingAllocator counter;
    cimg_imageConst view;
    EXPECT_THROW(
        {
            cc_ImageConstAutoPtr holder(&view, true);
            ASSERT_EQ(cimg_imageConst_construct(&view, CIMG_DEPTH_8U, 8, 8), 0);
            throw std::runtime_error("leaving early");
        },
        std::runtime_error);
    EXPECT_FALSE(isBound(view));
    EXPECT_EQ(counter.live(), 0);
}

}  // namespace
