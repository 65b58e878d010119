// ID edge images of a window inside a larger image read the image's pixels around the window, so
// they equal the whole image's images at the same image coordinates.
#include <gtest/gtest.h>

#include "ci_id/edgeid.h"
#include "view.h"

namespace {

using cid_test::greyImage;

// Magnitude and direction images of the image's current window.
std::pair<greyImage, greyImage> detect(const cimg_image& image, int32_t variant, int32_t mode) {
    cimg_image m, d;
    cimg_image_constructUnbound(&m);
    cimg_image_constructUnbound(&d);
    EXPECT_EQ(cfEdgeDetectIDMagAng(&image.asConst, &m, &d, variant, 9, mode), 0);
    std::pair<greyImage, greyImage> out{cid_test::readWindow(m.asConst),
                                          cid_test::readWindow(d.asConst)};
    cimg_image_destruct(&m);
    cimg_image_destruct(&d);
    return out;
}

TEST(EdgeIdWindow, SobelWindowsReadTheImageAroundThem) {
    cid_test::windowedImage image(cid_test::randomGreyImage(24, 18, 4, 40), {});
    for (const int32_t mode : {0, CF_EDGE_ID_MODE_SOBEL_CENTRED}) {
        for (const int32_t variant : {0, 1}) {
            ASSERT_EQ(cimg_image_window(&image.image, 0, 0, 24, 18), 0);
            const auto whole = detect(image.image, variant, mode);
            // Inside the image, and against its top-left edge, where the image's own edge repeats.
            for (const cstd_rect32 r : {cstd_rect32{5, 4, 12, 9}, cstd_rect32{0, 0, 10, 8}}) {
                ASSERT_EQ(cimg_image_window(&image.image, r.x, r.y, r.width, r.height), 0);
                const auto part = detect(image.image, variant, mode);
                ASSERT_EQ(part.first.width, r.width - 1);
                for (int32_t y = 0; y < r.height - 1; ++y) {
                    for (int32_t x = 0; x < r.width - 1; ++x) {
                        EXPECT_EQ(part.first.at(x, y), whole.first.at(r.x + x, r.y + y));
                        EXPECT_EQ(part.second.at(x, y), whole.second.at(r.x + x, r.y + y));
                    }
                }
            }
        }
    }
}

}  // namespace
