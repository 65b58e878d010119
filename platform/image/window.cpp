// Windows, pixel addressing and client transforms of image records.
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"

namespace {

cstd_rect32 wholeImage(const cimg_imageConst& image) {
    return cstd_rect32{image.xOffset, image.yOffset, image.width, image.height};
}

bool inside(const cstd_rect32& outer, const cstd_rect32& inner) {
    return inner.width >= 0 && inner.height >= 0 && inner.x >= outer.x && inner.y >= outer.y &&
           int64_t{inner.x} + inner.width <= int64_t{outer.x} + outer.width &&
           int64_t{inner.y} + inner.height <= int64_t{outer.y} + outer.height;
}

int32_t setWindowWithin(cimg_imageConst* image, const cstd_rect32& rect,
                        const cstd_rect32& bounds) {
    if (!image->buffer) return CIMG_STATUS_NOT_BOUND;
    if (!inside(bounds, rect)) return CIMG_STATUS_OUTSIDE_IMAGE;
    image->window = rect;
    return 0;
}

unsigned char* windowPixels(const cimg_imageConst& image) {
    // An empty image may wrap no pixels at all; its (empty) windows then address none either.
    if (!image.pixels) return nullptr;
    return image.pixels + intptr_t{image.window.y - image.yOffset} * image.pitch +
           intptr_t{image.window.x - image.xOffset} * image.depth;
}

int32_t setBothXforms(cimg_imageConst* image, const cmath_xformLinear& imageFromClient) {
    cmath_xformLinear clientFromImage;
    int32_t status = cmath_xformLinear_getInverse(&imageFromClient, &clientFromImage);
    if (status < 0) return status;
    image->imageFromClient = imageFromClient;
    image->clientFromImage = clientFromImage;
    return 0;
}

}  // namespace

extern "C" {

int32_t cimg_imageConst_getWindow(const cimg_imageConst* image, cstd_rect32* window) {
    CSTD_ASSERT(image && window);
    if (!image->buffer) return CIMG_STATUS_NOT_BOUND;
    *window = image->window;
    return 0;
}

int32_t cimg_image_getWindow(const cimg_image* image, cstd_rect32* window) {
    CSTD_ASSERT(image);
    return cimg_imageConst_getWindow(&image->asConst, window);
}

int32_t cimg_imageConst_setWindowRect(cimg_imageConst* image, const cstd_rect32* window) {
    CSTD_ASSERT(image && window);
    return setWindowWithin(image, *window, wholeImage(*image));
}

int32_t cimg_image_setWindowRect(cimg_image* image, const cstd_rect32* window) {
    CSTD_ASSERT(image);
    return cimg_imageConst_setWindowRect(&image->asConst, window);
}

int32_t cimg_imageConst_window(cimg_imageConst* image, int32_t x, int32_t y, int32_t width,
                               int32_t height) {
    CSTD_ASSERT(image);
    return setWindowWithin(image, cstd_rect32{x, y, width, height}, wholeImage(*image));
}

int32_t cimg_image_window(cimg_image* image, int32_t x, int32_t y, int32_t width, int32_t height) {
    CSTD_ASSERT(image);
    return cimg_imageConst_window(&image->asConst, x, y, width, height);
}

int32_t cimg_imageConst_subWindow(cimg_imageConst* image, const cstd_rect32* rect) {
    CSTD_ASSERT(image && rect);
    int64_t x = int64_t{image->window.x} + rect->x;
    int64_t y = int64_t{image->window.y} + rect->y;
    if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) {
        return image->buffer ? CIMG_STATUS_OUTSIDE_IMAGE : CIMG_STATUS_NOT_BOUND;
    }
    cstd_rect32 absolute{static_cast<int32_t>(x), static_cast<int32_t>(y), rect->width,
                         rect->height};
    return setWindowWithin(image, absolute, image->window);
}

int32_t cimg_image_subWindow(cimg_image* image, const cstd_rect32* rect) {
    CSTD_ASSERT(image);
    return cimg_imageConst_subWindow(&image->asConst, rect);
}

int32_t cimg_imageConst_setEntire(cimg_imageConst* image) {
    CSTD_ASSERT(image);
    return setWindowWithin(image, wholeImage(*image), wholeImage(*image));
}

int32_t cimg_image_setEntire(cimg_image* image) {
    CSTD_ASSERT(image);
    return cimg_imageConst_setEntire(&image->asConst);
}

int32_t cimg_windowConst_init(cimg_windowConst* window, const cimg_imageConst* image) {
    CSTD_ASSERT(window && image);
    if (!image->buffer) return CIMG_STATUS_NOT_BOUND;
    // The record's fields are public: a window left behind by a hand-edited offset or size
    // must not turn into pixel addresses outside the buffer.
    if (!inside(wholeImage(*image), image->window)) return CIMG_STATUS_OUTSIDE_IMAGE;
    *window = cimg_windowConst{image->window.width, image->window.height, image->window.x,
                               image->window.y,     image->pitch,         image->depth,
                               windowPixels(*image)};
    return 0;
}

int32_t cimg_window_init(cimg_window* window, cimg_image* image) {
    CSTD_ASSERT(window && image);
    const cimg_imageConst& record = image->asConst;
    if (!record.buffer) return CIMG_STATUS_NOT_BOUND;
    if (!inside(wholeImage(record), record.window)) return CIMG_STATUS_OUTSIDE_IMAGE;
    *window =
        cimg_window{record.window.width, record.window.height, record.window.x,     record.window.y,
                    record.pitch,        record.depth,         windowPixels(record)};
    return 0;
}

int32_t cimg_image_pointToOffset_internal(const cimg_imageConst* image, int32_t x, int32_t y,
                                          intptr_t* offset) {
    CSTD_ASSERT(image && offset);
    if (!image->buffer) return CIMG_STATUS_NOT_BOUND;
    if (!inside(wholeImage(*image), cstd_rect32{x, y, 1, 1})) return CIMG_STATUS_OUTSIDE_IMAGE;
    *offset =
        intptr_t{y - image->yOffset} * image->pitch + intptr_t{x - image->xOffset} * image->depth;
    return 0;
}

int32_t cimg_imageConst_getLinearImageFromClientXform(const cimg_imageConst* image,
                                                      cmath_xformLinear* xform) {
    CSTD_ASSERT(image && xform);
    *xform = image->imageFromClient;
    return 0;
}

int32_t cimg_image_getLinearImageFromClientXform(const cimg_image* image,
                                                 cmath_xformLinear* xform) {
    CSTD_ASSERT(image);
    return cimg_imageConst_getLinearImageFromClientXform(&image->asConst, xform);
}

int32_t cimg_imageConst_getLinearClientFromImageXform(const cimg_imageConst* image,
                                                      cmath_xformLinear* xform) {
    CSTD_ASSERT(image && xform);
    *xform = image->clientFromImage;
    return 0;
}

int32_t cimg_image_getLinearClientFromImageXform(const cimg_image* image,
                                                 cmath_xformLinear* xform) {
    CSTD_ASSERT(image);
    return cimg_imageConst_getLinearClientFromImageXform(&image->asConst, xform);
}

int32_t cimg_imageConst_setLinearImageFromClientXform(cimg_imageConst* image,
                                                      const cmath_xformLinear* xform) {
    CSTD_ASSERT(image && xform);
    return setBothXforms(image, *xform);
}

int32_t cimg_image_setLinearImageFromClientXform(cimg_image* image,
                                                 const cmath_xformLinear* xform) {
    CSTD_ASSERT(image);
    return cimg_imageConst_setLinearImageFromClientXform(&image->asConst, xform);
}

int32_t cimg_imageConst_setLinearClientFromImageXform(cimg_imageConst* image,
                                                      const cmath_xformLinear* xform) {
    CSTD_ASSERT(image && xform);
    cmath_xformLinear imageFromClient;
    int32_t status = cmath_xformLinear_getInverse(xform, &imageFromClient);
    if (status < 0) return status;
    image->imageFromClient = imageFromClient;
    image->clientFromImage = *xform;
    return 0;
}

int32_t cimg_image_setLinearClientFromImageXform(cimg_image* image,
                                                 const cmath_xformLinear* xform) {
    CSTD_ASSERT(image);
    return cimg_imageConst_setLinearClientFromImageXform(&image->asConst, xform);
}

int32_t cimg_image_copyXforms(cimg_image* destination, const cimg_imageConst* source) {
    CSTD_ASSERT(destination && source);
    destination->asConst.imageFromClient = source->imageFromClient;
    destination->asConst.clientFromImage = source->clientFromImage;
    return 0;
}
}
