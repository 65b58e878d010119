// Images of random grey levels, optionally as a window inside a larger padded image with a
// row pitch wider than the rows and an image offset, so that a test can require identical
// results from a plain image and from a window with everything around it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ci_id/platform/cimg.h"

namespace cid_test {

struct noiseLayout {
    int32_t padding = 0;     // pixels of other noise on every side of the window
    int32_t pitchSlack = 0;  // bytes after each padded row
    int32_t xOffset = 0;     // image coordinates of the padded image's top-left pixel
    int32_t yOffset = 0;
};

// Window-relative grey levels, row by row.
struct greyWindow {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;

    uint8_t at(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    bool operator==(const greyWindow& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};

// Random grey levels below levels (few levels give many ties), from seed.
greyWindow randomGreyWindow(int32_t width, int32_t height, uint32_t seed, int levels = 256);

// An 8-bit image whose window holds content; the pixels belong to the object.
class windowedImage {
public:
    windowedImage(const greyWindow& content, const noiseLayout& layout, uint32_t seed = 7);
    ~windowedImage();
    windowedImage(const windowedImage&) = delete;
    windowedImage& operator=(const windowedImage&) = delete;

    cimg_image image;
    // The padded image's pixels, to check that nothing outside the window changed.
    std::vector<uint8_t> storage;
};

// The window of any bound 8-bit image.
greyWindow readWindow(const cimg_imageConst& image);

}  // namespace cid_test
