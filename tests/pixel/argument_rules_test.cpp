// What the pixel operations make of unusual arguments: kernel sides below 1, an unknown
// morphology type, and an arithmetic mode that only an overlap reads.
#include <gtest/gtest.h>

#include "ci_id/morph.h"
#include "ci_id/pelops.h"
#include "view.h"

namespace {

using cid_test::greyImage;

// The window of what op writes into a new unbound destination.
template <typename Op>
greyImage resultOf(Op op) {
    cimg_image out;
    cimg_image_constructUnbound(&out);
    EXPECT_EQ(op(&out), 0);
    greyImage result = cid_test::readWindow(out.asConst);
    cimg_image_destruct(&out);
    return result;
}

TEST(PixelArgumentRules, MorphologyKernelSidesBelowOneCountAsOne) {
    const greyImage source = cid_test::randomGreyImage(17, 11, 5);
    cid_test::windowedImage image(source, {});
    auto morph = [&](uint32_t type, int32_t kw, int32_t kh) {
        return resultOf([&](cimg_image* out) {
            return cidut_morph2d_run(&image.image.asConst, out, type, kw, kh);
        });
    };
    // A side below 1 filters nothing along its axis, as a side of 1; both below 2 copy.
    EXPECT_EQ(morph(CIDUT_MORPH_DILATE, 0, 3), morph(CIDUT_MORPH_DILATE, 1, 3));
    EXPECT_EQ(morph(CIDUT_MORPH_OPEN, 5, -3), morph(CIDUT_MORPH_OPEN, 5, 1));
    EXPECT_EQ(morph(CIDUT_MORPH_ERODE, 0, -2), source);
    // An unknown type runs no pass: the destination receives the new zero image of the window.
    EXPECT_EQ(morph(7, 3, 3), (greyImage{17, 11, std::vector<uint8_t>(17 * 11, 0)}));
    EXPECT_FALSE(morph(CIDUT_MORPH_DILATE, 1, 3) == source);
}

TEST(PixelArgumentRules, ArithmeticModeIsReadOnlyInsideAnOverlap) {
    cid_test::windowedImage a(cid_test::randomGreyImage(6, 5, 1), {});
    cid_test::windowedImage b(cid_test::randomGreyImage(6, 5, 2), {0, 0, 0, 0, 0, 40, 0});  // x 40 .. 45
    for (const auto op : {cidut_ip_pelAdd8, cidut_ip_pelSub8}) {
        EXPECT_EQ(resultOf([&](cimg_image* out) {
                      return op(&a.image.asConst, &b.image.asConst, out, 1);
                  }),
                  cid_test::readWindow(a.image.asConst));
    }
}

}  // namespace
