// The coarse/fine image manager, aliasing for fast access, and the holders of image records.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ci_id/imagemanager.h"
#include "ci_id/status.h"
#include "view.h"

namespace {

using namespace cid_test;

bool isBound(const cimg_imageConst& image) {
    int32_t bound = 0;
    cimg_imageConst_getIsBound(&image, &bound);
    return bound != 0;
}

// Both views share the callers' pixels and windows, with identity client transforms and their
// frames at (0, 0), and the getters hand them out; the callers' records stay as they were;
// destructing unbinds the views. Aliasing shares the pixels too, and refuses an unbound source.
TEST(ImageManager, SharesNeutralViewsOfBothImages) {
    const greyImage coarseContent = randomGreyImage(8, 6, 1),
                    fineContent = randomGreyImage(9, 7, 2);
    windowedImage coarse(coarseContent, {2, 2, 2, 2, 1, 40, -10}),
        fine(fineContent, {0, 1, 0, 0, 3, 7, 7});
    const cmath_xformLinear skew{{{{1, 2}, {0, 3}}}, {9, 9}};
    ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&coarse.image, &skew), 0);
    cid2d_imageMemoryManager manager;
    ASSERT_EQ(cid2d_imageMemoryManager_construct(&manager, coarse.get(), fine.get()), 0);
    EXPECT_EQ(manager.coarse.pixels, coarse.get()->pixels);
    for (const cimg_imageConst* view : {&manager.coarse, &manager.fine}) {
        const cmath_xformLinear& x = view->imageFromClient;
        EXPECT_TRUE(x.matrix.element[0][0] == 1 && x.matrix.element[0][1] == 0 && x.trans.x == 0);
        EXPECT_TRUE(view->xOffset == 0 && view->yOffset == 0);
    }
    EXPECT_FALSE(isBound(manager.coarseWork) || isBound(manager.fineWork));
    EXPECT_TRUE(coarse.get()->xOffset == 40 && coarse.get()->imageFromClient.trans.x == 9);
    cimg_imageConst out, untouched, alias;
    for (cimg_imageConst* image : {&out, &untouched, &alias})
        cimg_imageConst_constructUnbound(image);
    ASSERT_EQ(cid2d_imageMemoryManager_getCoarseImage(&manager, &out, nullptr), 0);
    EXPECT_EQ(readWindow(out), coarseContent);
    ASSERT_EQ(cid2d_imageMemoryManager_getFineImage(&manager, &untouched, &out), 0);
    EXPECT_EQ(readWindow(out), fineContent);
    EXPECT_FALSE(isBound(untouched));
    int32_t copied = 7;
    ASSERT_EQ(cimg_imageConst_aliasToFastMem(&out, &alias, &copied), 0);
    EXPECT_TRUE(copied == 0 && alias.pixels == fine.get()->pixels);
    EXPECT_EQ(readWindow(alias), fineContent);
    copied = 7;
    EXPECT_EQ(cimg_imageConst_aliasToFastMem(&untouched, &alias, &copied), CIMG_STATUS_NOT_BOUND);
    EXPECT_TRUE(copied == 7 && readWindow(alias) == fineContent);
    for (cimg_imageConst* image : {&out, &alias}) cimg_imageConst_destruct(image);
    ASSERT_EQ(cid2d_imageMemoryManager_destruct(&manager), 0);
    EXPECT_FALSE(isBound(manager.coarse) || isBound(manager.fine));
}

// A holder built to construct leaves its record unbound, and destructs it when it dies (also while
// an exception passes); a released holder leaves it; copies hold the same record.
TEST(ImageHolders, ConstructDestructReleaseAndShare) {
    cimg_image image;
    {
        cc_ImageAutoPtr holder(&image, true);
        EXPECT_TRUE(holder.get() == &image && !isBound(image.asConst));
        ASSERT_EQ(cimg_image_assignNew(&image, CIMG_DEPTH_8U, 10, 10), 0);
    }
    EXPECT_FALSE(isBound(image.asConst));
    ASSERT_EQ(cimg_image_construct(&image, CIMG_DEPTH_8U, 3, 3), 0);
    {
        cc_ImageAutoPtr nothing(nullptr, true), released(&image, false);
        released.release();
    }
    EXPECT_TRUE(isBound(image.asConst));
    {
        cc_ImageAutoPtr first(&image, false), second(nullptr, false);
        second = first;
        EXPECT_EQ(second.get(), &image);
        first.release();
    }
    EXPECT_FALSE(isBound(image.asConst));
    cimg_imageConst view;
    ASSERT_EQ(cimg_imageConst_construct(&view, CIMG_DEPTH_8U, 4, 4), 0);
    EXPECT_THROW(
        {
            cc_ImageConstAutoPtr holder(&view, false);
            throw std::runtime_error("leaving early");
        },
        std::runtime_error);
    EXPECT_FALSE(isBound(view));
}

}  // namespace
