// Moving an image's coordinate frame.
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"

namespace {

bool fits(int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

}  // namespace

extern "C" {

int32_t cimg_imageConst_setImageOffset(cimg_imageConst* image, int32_t x, int32_t y) {
    CSTD_ASSERT(image);
    int64_t windowX = int64_t{image->window.x} - image->xOffset + x;
    int64_t windowY = int64_t{image->window.y} - image->yOffset + y;
    if (!fits(windowX) || !fits(windowY) || !fits(int64_t{x} + image->width) ||
        !fits(int64_t{y} + image->height)) {
        return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    }
    image->xOffset = x;
    image->yOffset = y;
    image->window.x = static_cast<int32_t>(windowX);
    image->window.y = static_cast<int32_t>(windowY);
    return 0;
}

int32_t cimg_image_setImageOffset(cimg_image* image, int32_t x, int32_t y) {
    CSTD_ASSERT(image);
    return cimg_imageConst_setImageOffset(&image->asConst, x, y);
}
}
