// Bad input that once slipped through: positions beyond the scan limit, huge shrinks, erasing
// from an empty vector, images beyond the tracker's fixed-point range, two records over the same
// pixels, and regions too large for a mask.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ci_id/ci_id.h"
#include "test_support.h"

namespace {

cimg_imageConst wrapGrey(std::vector<uint8_t>& pixels, int32_t width, int32_t height) {
    cimg_imageConst image;
    EXPECT_EQ(cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, width, height, width,
                                            pixels.data()),
              0);
    return image;
}

TEST(BadInput, ScanPositionsBeyondTheLimitArePreconditions) {
    const cidc_unitDir16 dir{65536, 0};
    cidc_scanLine line;
    const cidc_point64_4 atLimit{int64_t{1} << 35, -(int64_t{1} << 35)};
    EXPECT_EQ(cidc_scanLine_initPointDir(&line, &atLimit, &dir), 0);
    const cidc_point64_4 beyond{int64_t{1} << 38, -(int64_t{1} << 38)};
    EXPECT_PRECONDITION(cidc_scanLine_initPointDir(&line, &beyond, &dir));
}

TEST(BadInput, AShrinkLargerThanTheRoiIsAPreconditionNotAnOverflow) {
    std::vector<uint8_t> pixels(64 * 64);
    cimg_imageConst image = wrapGrey(pixels, 64, 64);
    const cidc_windowRect w{64, 64, 0, 0};
    cidc_windowROI roi, shrunk;
    cidc_windowROI_initCenter(&roi, &w, 2, 2);
    const int64_t fits = roi.spanX16 / 2, huge = INT64_MAX - 3;
    EXPECT_EQ(cidc_windowROI_initCopyShrink(&shrunk, &roi, &fits, &fits), 0);
    EXPECT_PRECONDITION(cidc_windowROI_initCopyShrink(&shrunk, &roi, &huge, &fits));
    cimg_imageConst_destruct(&image);
}

TEST(BadInput, ErasingNothingFromAnEmptyVector) {
    cstd_vector_cid_region regions;
    ASSERT_EQ(cstd_vector_cid_region_constructEmpty(&regions), 0);
    EXPECT_EQ(cstd_vector_cid_region_erase(&regions, nullptr, 0), 0);
    cstd_vector_cid_region_destruct(&regions);
}

// An image whose window reaches 2^23 pixels in image coordinates would give wrapped 24.8 points
// with status 0.
TEST(BadInput, ImagesBeyondTheTrackersCoordinatesGiveAStatus) {
    std::vector<uint8_t> pixels(64 * 64, 200);
    for (int y = 20; y < 44; ++y) std::memset(&pixels[y * 64 + 20], 10, 24);
    cimg_imageConst image = wrapGrey(pixels, 64, 64);
    // The window's right edge reaches 2^23; its start points can still be written.
    const int32_t left = (1 << 23) - 64;
    ASSERT_EQ(cimg_imageConst_setImageOffset(&image, left, 0), 0);
    cbt_runParams run;
    cbt_runParams_init(&run);
    run.start1X = (left + 30) * 256;
    run.start2X = (left + 10) * 256;
    run.start1Y = run.start2Y = 30 * 256;
    run.threshold = 100;
    run.polarity = 1;
    cbt_result track;
    ASSERT_EQ(cbt_result_construct(&track, 0), 0);
    EXPECT_EQ(cbt_boundaryTrack(&image, &run, &track), CSYS_STATUS_SIZE_OUT_OF_RANGE);
    cbt_result_destruct(&track);
    cid2d_trackingSeed seeds[8];
    int32_t count = -1;
    const int32_t rows[] = {30};
    EXPECT_EQ(cid2d_getHorizontalTrackingSeeds(&image, rows, 1, 8, 10, 0, seeds, &count, 0, 0.0),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(count, 0);
    cimg_imageConst_destruct(&image);
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

// Corners so large that the region's area overflows would paint nothing in a bound mask while an
// unbound one finds points in the region: both refuse the region.
TEST(BadInput, RegionsTooLargeForAMaskAreRefusedByBothKinds) {
    std::vector<uint8_t> pixels(32 * 32);
    cimg_imageConst image = wrapGrey(pixels, 32, 32);
    cid_region huge;
    const cmath_vect po{-1e200, -1e200}, px{1e200, -1e200}, py{-1e200, 1e200};
    ASSERT_EQ(cid_region_initPoPxPyPopp(&huge, &po, &px, &py, nullptr), 0);
    const cimg_imageConst* sources[] = {nullptr, &image};
    for (const cimg_imageConst* source : sources) {
        cid_mask mask;
        ASSERT_EQ(cid_mask_construct(&mask, source), 0);
        EXPECT_EQ(cid_mask_appendRegion(&mask, &huge, 0.0), CID_STATUS_INVALID_GEOMETRY);
        EXPECT_EQ(mask.regions.base.size, 0u);
        const cmath_vect centre{16, 16};
        int32_t covered = -1;
        EXPECT_EQ(cid_mask_isPointUnMasked(&mask, &centre, nullptr, &covered), 0);
        EXPECT_EQ(covered, 0);
        cid_mask_destruct(&mask);
    }
    cimg_imageConst_destruct(&image);
}

}  // namespace
