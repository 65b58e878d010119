#include "image_record.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "scene_random.h"

namespace cid_test {

namespace {

void require(int32_t status, const char* what) {
    if (status < 0)
        throw std::runtime_error(std::string(what) + " failed with status " +
                                 std::to_string(status));
}

greyImage padImage(const greyImage& image, const padding& pad) {
    if (pad.left < 0 || pad.top < 0 || pad.right < 0 || pad.bottom < 0 || pad.rowSlack < 0 ||
        pad.fill > 255) {
        throw std::invalid_argument("bad padding");
    }
    const int32_t width = pad.left + image.width + pad.right;
    const int32_t height = pad.top + image.height + pad.bottom;
    greyImage padded(width, height, 0, width + pad.rowSlack);
    sceneRandom random(pad.seed);
    for (uint8_t& pixel : padded.pixels) {
        pixel = static_cast<uint8_t>(pad.fill >= 0 ? pad.fill : random.bits() >> 24);
    }
    for (int32_t y = 0; y < image.height; ++y) {
        std::copy(image.row(y), image.row(y) + image.width, padded.row(y + pad.top) + pad.left);
    }
    return padded;
}

}  // namespace

imageView::imageView(const greyImage& image) {
    require(cimg_imageConst_constructWrap(&record_, CIMG_DEPTH_8U, image.width, image.height,
                                          image.pitch, image.pixels.data()),
            "cimg_imageConst_constructWrap");
}

imageView::~imageView() { cimg_imageConst_destruct(&record_); }

paddedView::paddedView(const greyImage& image, const padding& pad, bool keepCoordinates)
    : padded_(padImage(image, pad)) {
    if (!keepCoordinates) {
        require(cimg_imageConst_constructWrap(&record_, CIMG_DEPTH_8U, padded_.width,
                                              padded_.height, padded_.pitch, padded_.pixels.data()),
                "cimg_imageConst_constructWrap");
        const int32_t status =
            cimg_imageConst_window(&record_, pad.left, pad.top, image.width, image.height);
        if (status < 0) cimg_imageConst_destruct(&record_);
        require(status, "cimg_imageConst_window");
        return;
    }
    // The library has no wrap with an offset, so the record gets pixels of its own.
    const cstd_rect32 rect{-pad.left, -pad.top, padded_.width, padded_.height};
    require(cimg_imageConst_constructRect(&record_, CIMG_DEPTH_8U, &rect),
            "cimg_imageConst_constructRect");
    for (int32_t y = 0; y < padded_.height; ++y) {
        std::copy(padded_.row(y), padded_.row(y) + padded_.width,
                  record_.pixels + y * record_.pitch);
    }
    const int32_t status = cimg_imageConst_window(&record_, 0, 0, image.width, image.height);
    if (status < 0) cimg_imageConst_destruct(&record_);
    require(status, "cimg_imageConst_window");
}

paddedView::~paddedView() { cimg_imageConst_destruct(&record_); }

}  // namespace cid_test
