// Platform pixel operations: the memory overlap of windows against a byte-by-byte check, and
// copies between overlapping windows of one padded image.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/csys_status.h"
#include "view.h"

namespace {

TEST(Pel, OverlapOfWindowsAgreesWithTheirBytes) {
    std::vector<uint8_t> memory(4096);
    std::mt19937 rng(11);
    int overlapping = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        cimg_imageConst views[2];
        std::set<const uint8_t*> bytes;
        bool shared = false;
        for (int k = 0; k < 2; ++k) {  // rows of width bytes, pitch apart
            const int32_t depth = k == 0 && trial % 3 == 0 ? 4 : 1, width = depth * int(rng() % 13);
            const int32_t height = int32_t(rng() % 10), pitch = width + int32_t(rng() % 21);
            const uint8_t* first = memory.data() + rng() % 301;
            ASSERT_EQ(cimg_imageConst_constructWrap(&views[k], depth, width / depth, height, pitch,
                                                    first),
                      0);
            for (int32_t i = 0; i < height * width; ++i) {
                if (k == 0) bytes.insert(first + i / width * pitch + i % width);
                shared = shared || (k == 1 && bytes.count(first + i / width * pitch + i % width));
            }
        }
        const int32_t expected = shared ? CIP_STATUS_MEMORY_OVERLAP : 0;
        EXPECT_EQ(cip_pelfunc_checkMemoryOverlap(&views[0], &views[1]), expected) << trial;
        EXPECT_EQ(cip_pelfunc_checkMemoryOverlap(&views[1], &views[0]), expected) << trial;
        overlapping += shared;
        for (cimg_imageConst& v : views) cimg_imageConst_destruct(&v);
    }
    EXPECT_TRUE(overlapping > 300 && overlapping < 2700) << overlapping;
}

TEST(Pel, CopiesBetweenOverlappingWindowsAsIfReadFirst) {
    for (int shift = 0; shift < 15; ++shift) {
        cid_test::windowedImage image(cid_test::randomGreyImage(16, 12, uint32_t(shift)),
                                      {2, 2, 2, 2, 3, -7, 5});
        cimg_image to;
        cimg_image_constructCopy(&to, &image.image);
        ASSERT_EQ(cimg_image_window(&image.image, -1, 11, 8, 6), 0);
        ASSERT_EQ(cimg_image_window(&to, -3 + shift % 5, 10 + shift / 5, 8, 6), 0);
        const cid_test::greyImage expected = cid_test::readWindow(*image.get());
        ASSERT_EQ(cip_pelCopyWindow8(image.get(), &to), 0);
        EXPECT_EQ(cid_test::readWindow(to.asConst), expected) << shift;
        cimg_image_destruct(&to);
    }
}

}  // namespace
