#include "noise_image.h"

#include <gtest/gtest.h>

#include <random>

namespace cid_test {

greyWindow randomGreyWindow(int32_t width, int32_t height, uint32_t seed, int levels) {
    greyWindow window{width, height, std::vector<uint8_t>(size_t(width) * size_t(height))};
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> grey(0, levels - 1);
    for (auto& v : window.pixels) v = static_cast<uint8_t>(grey(rng));
    return window;
}

windowedImage::windowedImage(const greyWindow& content, const noiseLayout& layout, uint32_t seed) {
    const int32_t fullWidth = content.width + 2 * layout.padding;
    const int32_t fullHeight = content.height + 2 * layout.padding;
    const intptr_t pitch = fullWidth + layout.pitchSlack;
    storage.resize(size_t(pitch) * size_t(fullHeight) + 1);
    std::mt19937 rng(seed);
    for (auto& v : storage) v = static_cast<uint8_t>(rng());
    for (int32_t y = 0; y < content.height; ++y) {
        for (int32_t x = 0; x < content.width; ++x) {
            storage[size_t((y + layout.padding) * pitch + x + layout.padding)] = content.at(x, y);
        }
    }
    EXPECT_EQ(cimg_image_constructWrap(&image, CIMG_DEPTH_8U, fullWidth, fullHeight, pitch,
                                       storage.data()),
              0);
    EXPECT_EQ(cimg_image_setImageOffset(&image, layout.xOffset, layout.yOffset), 0);
    EXPECT_EQ(cimg_image_window(&image, layout.xOffset + layout.padding,
                                layout.yOffset + layout.padding, content.width, content.height),
              0);
}

windowedImage::~windowedImage() { cimg_image_destruct(&image); }

greyWindow readWindow(const cimg_imageConst& image) {
    cimg_windowConst w;
    greyWindow out;
    if (cimg_windowConst_init(&w, &image) != 0 || w.depth != CIMG_DEPTH_8U) {
        ADD_FAILURE() << "not a bound 8-bit image";
        return out;
    }
    out.width = w.width;
    out.height = w.height;
    out.pixels.resize(size_t(w.width) * size_t(w.height));
    for (int32_t y = 0; y < w.height; ++y) {
        for (int32_t x = 0; x < w.width; ++x)
            out.pixels[size_t(y * w.width + x)] = w.pixels[y * w.pitch + x];
    }
    return out;
}

}  // namespace cid_test
