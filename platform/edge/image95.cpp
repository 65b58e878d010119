// The legacy image record of the edge library, made from an image window.
#include "ci_id/platform/csedge.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"

namespace {

int32_t recordOf(const cimg_windowConst& window, csImage* record) {
    if (window.depth != CIMG_DEPTH_8U) return CIMG_STATUS_INVALID_IMAGE;
    *record = csImage{window.width,   window.height, window.xOffset,
                      window.yOffset, window.pitch,  const_cast<unsigned char*>(window.pixels)};
    return 0;
}

}  // namespace

cxImage95::cxImage95() : record_{0, 0, 0, 0, 0, nullptr} {}

int32_t cxImage95::init(const cimg_imageConst* image) {
    CSTD_ASSERT(image);
    cimg_windowConst window;
    int32_t status = cimg_windowConst_init(&window, image);
    if (status >= 0) status = recordOf(window, &record_);
    return status;
}

int32_t cxImage95::init(cimg_image* image) {
    CSTD_ASSERT(image);
    return init(&image->asConst);
}
