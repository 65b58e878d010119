// Scenes of the edge suite: generated images, and image records of them as the window of a larger
// image of noise.
#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "ci_id/edge.h"
#include "ci_id/status.h"
#include "grey_image.h"

using cid_test::greyImage;

// Pixel (x, y) is grey(x, y).
inline greyImage generate(int w, int h, const std::function<int(int, int)>& grey) {
    greyImage image(w, h);
    for (int p = 0; p < w * h; ++p) image.at(p % w, p / w) = uint8_t(grey(p % w, p / w));
    return image;
}

// The pixels at image coordinates (0, 0), as the window of a larger image with a margin of noise;
// client coordinates are image coordinates moved by the margin along x.
struct record {
    cimg_image image;
    explicit record(const greyImage& pixels, int margin = 3) {
        std::mt19937 rng{uint32_t(margin)};
        const greyImage all =
            generate(pixels.width + 2 * margin, pixels.height + 2 * margin, [&](int x, int y) {
                const bool in = std::min(x, y) >= margin && x - margin < pixels.width &&
                                y - margin < pixels.height;
                return in ? pixels.at(x - margin, y - margin) : int(rng() % 256);
            });
        cimg_image_construct(&image, CIMG_DEPTH_8U, all.width, all.height);
        for (int y = 0; y < all.height; ++y)
            std::copy_n(all.row(y), all.width, image.asConst.pixels + y * image.asConst.pitch);
        cimg_image_setImageOffset(&image, -margin, -margin);
        cimg_image_window(&image, 0, 0, pixels.width, pixels.height);
        cmath_xformLinear xform = image.asConst.imageFromClient;
        xform.trans.x = margin;
        cimg_image_setLinearImageFromClientXform(&image, &xform);
    }
    ~record() { cimg_image_destruct(&image); }
    const cimg_imageConst* get() const { return &image.asConst; }
};

// The window's pixels, row after row.
inline std::vector<int> windowPixels(const cimg_image& image) {
    cimg_windowConst w;
    std::vector<int> out;
    for (int p = 0; cimg_windowConst_init(&w, &image.asConst) >= 0 && p < w.width * w.height; ++p)
        out.push_back(w.pixels[p / w.width * w.pitch + p % w.width]);
    return out;
}
