// Padded copies wrapped in library records, random images and copies of windows.
#include "view.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>

namespace cid_test {

namespace {

void require(int32_t status, const char* what) {
    if (status != 0) {
        throw std::runtime_error(std::string(what) + " failed with status " +
                                 std::to_string(status));
    }
}

greyImage padImage(const greyImage& content, const padding& pad) {
    if (pad.left < 0 || pad.top < 0 || pad.right < 0 || pad.bottom < 0 || pad.rowSlack < 0) {
        throw std::invalid_argument("negative padding");
    }
    const int32_t width = pad.left + content.width + pad.right;
    greyImage padded(width, pad.top + content.height + pad.bottom, 0, width + pad.rowSlack);
    std::mt19937 random(pad.seed);
    for (uint8_t& pixel : padded.pixels) pixel = static_cast<uint8_t>(random() >> 24);
    for (int32_t y = 0; y < content.height; ++y) {
        std::copy(content.row(y), content.row(y) + content.width,
                  padded.row(y + pad.top) + pad.left);
    }
    return padded;
}

}  // namespace

windowedImage::windowedImage(const greyImage& content, const padding& pad)
    : storage(padImage(content, pad)) {
    require(cimg_image_constructWrap(&image, CIMG_DEPTH_8U, storage.width, storage.height,
                                     storage.pitch, storage.pixels.data()),
            "cimg_image_constructWrap");
    int32_t status = cimg_image_setImageOffset(&image, pad.originX, pad.originY);
    if (status == 0) {
        status = cimg_image_window(&image, pad.originX + pad.left, pad.originY + pad.top,
                                   content.width, content.height);
    }
    if (status != 0) cimg_image_destruct(&image);
    require(status, "placing the window");
}

windowedImage::~windowedImage() { cimg_image_destruct(&image); }

greyImage randomGreyImage(int32_t width, int32_t height, uint32_t seed, int levels) {
    greyImage image(width, height);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> grey(0, levels - 1);
    for (uint8_t& pixel : image.pixels) pixel = static_cast<uint8_t>(grey(random));
    return image;
}

void paintLattice(greyImage& image, int32_t cx, int32_t cy, int32_t halfWidth, int32_t halfHeight) {
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            const bool clear = std::abs(x - cx) < halfWidth && std::abs(y - cy) < halfHeight;
            if (!clear && (x % 13 < 2 || y % 11 < 2)) image.at(x, y) = 35;
        }
    }
}

greyImage levelNoise(int32_t width, int32_t height, uint32_t seed, bool twoLevels) {
    greyImage image = randomGreyImage(width, height, seed, twoLevels ? 2 : 9);
    for (uint8_t& v : image.pixels) v = uint8_t(twoLevels ? (v ? 200 : 40) : v * 28);
    return image;
}

greyImage readWindow(const cimg_imageConst& image) {
    const cimg_windowConst window = windowOf(&image);
    if (window.depth != CIMG_DEPTH_8U || !window.pixels) {
        throw std::runtime_error("not a bound 8-bit image");
    }
    greyImage copy(window.width, window.height);
    for (int32_t y = 0; y < window.height; ++y) {
        const uint8_t* row = window.pixels + y * window.pitch;
        std::copy(row, row + window.width, copy.row(y));
    }
    return copy;
}

cimg_windowConst windowOf(const cimg_imageConst* image) {
    cimg_windowConst window{};
    require(cimg_windowConst_init(&window, image), "cimg_windowConst_init");
    return window;
}

}  // namespace cid_test
