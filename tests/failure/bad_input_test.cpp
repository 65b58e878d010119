// Bad input that is not one call with one outcome, as the table's rows are: two records over the
// same pixels give the result into separate memory.
#include <gtest/gtest.h>

#include <vector>

#include "ci_id/ci_id.h"
#include "test_support.h"

namespace {

cimg_imageConst wrapGrey(std::vector<uint8_t>& pixels, int32_t width, int32_t height) {
    cimg_imageConst image;
    EXPECT_EQ(
        cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, width, height, width, pixels.data()),
        0);
    return image;
}

// Two records wrapping the same memory must not corrupt the result: it equals the result into
// memory of its own.
TEST(BadInput, RecordsOverTheSamePixelsGiveTheSeparateResult) {
    std::vector<uint8_t> bytes(16 * 16), separate(16 * 16);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    cimg_imageConst source = wrapGrey(bytes, 16, 16);
    cimg_image inPlace, apart;
    ASSERT_EQ(cimg_image_constructWrap(&inPlace, CIMG_DEPTH_8U, 16, 16, 16, bytes.data()), 0);
    ASSERT_EQ(cimg_image_constructWrap(&apart, CIMG_DEPTH_8U, 16, 16, 16, separate.data()), 0);
    ASSERT_EQ(cid_txImage(&source, &apart), 0);
    ASSERT_EQ(cid_txImage(&source, &inPlace), 0);
    EXPECT_EQ(bytes, separate);

    std::vector<double> grid(8 * 8), alone(8 * 8);
    for (size_t i = 0; i < grid.size(); ++i) grid[i] = static_cast<double>(i);
    cimg_imageConst spectrum;
    cimg_image shiftedInPlace, shiftedApart;
    ASSERT_EQ(cimg_imageConst_constructWrap(&spectrum, CIMG_DEPTH_64F, 8, 8, 64, grid.data()), 0);
    ASSERT_EQ(cimg_image_constructWrap(&shiftedInPlace, CIMG_DEPTH_64F, 8, 8, 64, grid.data()), 0);
    ASSERT_EQ(cimg_image_constructWrap(&shiftedApart, CIMG_DEPTH_64F, 8, 8, 64, alone.data()), 0);
    ASSERT_EQ(cfPowerSpectrumShift(&spectrum, &shiftedApart), 0);
    ASSERT_EQ(cfPowerSpectrumShift(&spectrum, &shiftedInPlace), 0);
    EXPECT_EQ(grid, alone);
    for (cimg_image* i : {&inPlace, &apart, &shiftedInPlace, &shiftedApart}) cimg_image_destruct(i);
    cimg_imageConst_destruct(&source);
    cimg_imageConst_destruct(&spectrum);
}

}  // namespace
