// ID edges: every gradient pair of the base tables and of ID tables through images, and windows of
// an image, which read the image around them, against the per-pixel rule of the header.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ci_id/edgeid.h"
#include "view.h"

namespace {

using cid_test::greyImage;
using cid_test::readWindow;
constexpr int kRoberts = CF_EDGE_ID_MODE_ROBERTS;

int magnitudeOf(int a, int b) {
    return int(std::lround(std::min(2 * std::sqrt(a * a + b * b), 255.0)));
}

// The output direction in 256ths of a turn: the table's is an eighth of a turn below the
// gradient's angle, which Sobel adds back unless the table says 255.
int directionOf(int a, int b, bool variant1, int mode) {
    const double t = std::atan2(b, a) - M_PI / 4;
    const int d = int(std::lround((t < 0 ? t + 2 * M_PI : t) * 128 / M_PI)) & 255;
    if (d == 255) return variant1 ? (mode == kRoberts ? 0 : 32) : 255;
    return mode == kRoberts ? d : (d + 32) & 255;
}

// The gradient pair at (x, y) by the header's operators; neighbours above or left of the image
// repeat its first row or column.
std::pair<int, int> gradientAt(const greyImage& g, int x, int y, int mode) {
    auto p = [&](int dx, int dy) { return int(g.at(std::max(x + dx, 0), std::max(y + dy, 0))); };
    if (mode == kRoberts) return {(p(1, 0) - p(0, 1)) >> 1, (p(1, 1) - p(0, 0)) >> 1};
    return {(p(1, -1) - p(-1, -1) + 2 * (p(1, 0) - p(-1, 0)) + p(1, 1) - p(-1, 1)) >> 3,
            (p(-1, 1) - p(-1, -1) + 2 * (p(0, 1) - p(0, -1)) + p(1, 1) - p(1, -1)) >> 3};
}

// 2 x 2 blocks, one per gradient pair (a, b), which the Roberts operator finds at the block's
// top-left pixel, so that the whole image shows every entry of the base tables. Its magnitude and
// direction images, of the whole image and of windows, follow the per-pixel rule of the whole
// image at the same image coordinates: Sobel reads the image around a window, and only the
// image's own top and left edges repeat. The row detector with ID tables of several thresholds
// follows the rule too, and counts the pixels without an edge per band.
TEST(EdgeId, EveryGradientPairAndWindowsFollowThePerPixelRule) {
    greyImage blocks(514, 514);
    for (int i = 0; i < 65536; ++i) {
        const int x = 1 + 2 * (i % 256), y = 1 + 2 * (i / 256);
        const int da = std::max(x - 257, -255), db = std::max(y - 257, -255);
        blocks.at(x, y) = uint8_t(std::max(0, -db));
        blocks.at(x + 1, y) = uint8_t(std::max(0, da));
        blocks.at(x, y + 1) = uint8_t(std::max(0, -da));
        blocks.at(x + 1, y + 1) = uint8_t(std::max(0, db));
    }
    cid_test::windowedImage image(blocks, {0, 0, 0, 0, 3, -8, 20});
    const cstd_rect32 windows[] = {
        {-8, 20, 514, 514}, {-8, 20, 40, 30}, {90, 200, 41, 30}, {466, 504, 40, 30}};
    for (int mode : {0, CF_EDGE_ID_MODE_SOBEL_CENTRED, kRoberts}) {
        for (int variant : {0, 1}) {
            for (const cstd_rect32& r : windows) {
                // New outputs take the window's position and the client transform, shifted by
                // half a pixel up and left unless centred.
                cimg_image m, d;
                cimg_image_constructUnbound(&m);
                cimg_image_constructUnbound(&d);
                ASSERT_EQ(cimg_image_window(&image.image, r.x, r.y, r.width, r.height), 0);
                ASSERT_EQ(cfEdgeDetectIDMagAng(image.get(), &m, &d, variant, 12, mode), 0);
                const greyImage mag = readWindow(m.asConst), dir = readWindow(d.asConst);
                const double shift = mode == CF_EDGE_ID_MODE_SOBEL_CENTRED ? 0.0 : -0.5;
                EXPECT_TRUE(m.asConst.window.x == r.x && d.asConst.window.y == r.y &&
                            d.asConst.imageFromClient.trans.x == shift);
                cimg_image_destruct(&m);
                cimg_image_destruct(&d);
                ASSERT_TRUE(mag.width == r.width - 1 && dir.height == r.height - 1);
                for (int i = 0; i < mag.width * mag.height; ++i) {
                    const int x = i % mag.width, y = i / mag.width;
                    const auto [a, b] = gradientAt(blocks, r.x + 8 + x, r.y - 20 + y, mode);
                    const int level = magnitudeOf(a, b), angle = directionOf(a, b, variant, mode);
                    ASSERT_TRUE(mag.at(x, y) == level &&
                                dir.at(x, y) == (variant && level < 12 ? 255 : angle))
                        << mode << variant << " at " << x << "," << y;
                }
            }
        }
    }
    for (const int threshold : {0, 1, 100, 255}) {
        cstd_vector8 table;
        uint8_t* entries = nullptr;
        cstd_vector_8_constructEmpty(&table);
        ASSERT_EQ(cf_EdgeDetectIDTableInit(&table, uint8_t(threshold)), 0);
        ASSERT_EQ(cstd_vector_8_getBegin(&table, &entries), 0);
        EXPECT_EQ(entries[0], threshold);
        for (int mode : {0, kRoberts}) {
            greyImage out(512, 512, 0, 515);
            std::vector<int32_t> counts(4, 5), expected(4, 5);
            ASSERT_EQ(cf_EdgeDetectIDCount(blocks.row(1) + 1, 514, out.row(0), 512, 512, out.pitch,
                                           entries, CF_EDGE_ID_TABLE_SIZE, 0, 150, counts.data(), 0,
                                           0, mode),
                      0);
            for (int i = 0; i < 512 * 512; ++i) {
                const auto [a, b] = gradientAt(blocks, 1 + i % 512, 1 + i / 512, mode);
                const int e = magnitudeOf(a, b) < threshold ? 255 : directionOf(a, b, true, mode);
                ASSERT_EQ(out.at(i % 512, i / 512), e) << threshold << " " << mode << " at " << i;
                expected[size_t(i % 512 / 150)] += e == 255;
            }
            EXPECT_EQ(counts, expected);
        }
        cstd_vector_8_destruct(&table);
    }
}

}  // namespace
