// The smoothed and sharpened copies of the search against a direct 3 x 3 binomial filter with the
// window's edge pixels repeated, through padded windows at image offsets, with the vector rows
// and with them inhibited.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/search/search_denoise.h"
#include "view.h"

namespace {

using namespace cid_test;

uint8_t binomialAt(const greyImage& g, int x, int y) {
    int sum = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int px = std::clamp(x + dx, 0, g.width - 1),
                      py = std::clamp(y + dy, 0, g.height - 1);
            sum += (2 - std::abs(dx)) * (2 - std::abs(dy)) * g.pixels[py * g.pitch + px];
        }
    }
    return uint8_t((sum + 8) >> 4);
}

TEST(Denoise, FilteredCopiesEqualTheDirectFilterWithAndWithoutVectorRows) {
    for (bool inhibited : {false, true}) {
        cprt_isOptimizationInhibitedFP = nullptr;
        if (inhibited) {
            cprt_isOptimizationInhibitedFP = [](const wchar_t* name) {
                return int32_t(!std::wcscmp(name, L"cidut_smoothedCopy"));
            };
        }
        for (int width : {1, 2, 7, 8, 9, 10, 17, 31, 40}) {
            const int height = 1 + width % 5;
            const greyImage grey = randomGreyImage(width, height, uint32_t(width));
            const windowedImage view(grey, {3, 2, 5, 1, 7, 40, -9});
            for (bool sharpened : {false, true}) {
                cimg_image copy;
                ASSERT_EQ((sharpened ? cidut::sharpenedCopy : cidut::smoothedCopy)(
                              windowOf(view.get()), &copy),
                          0);
                const cimg_windowConst out = windowOf(&copy.asConst);
                EXPECT_EQ(out.xOffset, windowOf(view.get()).xOffset);
                for (int y = 0; y < height; ++y) {
                    for (int x = 0; x < width; ++x) {
                        const int original = grey.pixels[y * grey.pitch + x],
                                  smooth = binomialAt(grey, x, y);
                        const int expected =
                            sharpened ? std::clamp(2 * original - smooth, 0, 255) : smooth;
                        ASSERT_EQ(out.pixels[y * out.pitch + x], expected)
                            << width << " " << x << " " << y;
                    }
                }
                cimg_image_destruct(&copy);
            }
        }
    }
    cprt_isOptimizationInhibitedFP = nullptr;
}

}  // namespace
