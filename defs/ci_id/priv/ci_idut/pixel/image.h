// Image helpers shared by the library's sources: the windows of 8-bit images, and the image
// holder classes (declared with the public image manager, where callers find them too).
#pragma once

#include "ci_id/imagemanager.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csys_status.h"

namespace cidut {

// The window of an 8-bit image: CIMG_STATUS_NOT_BOUND when the image is unbound,
// CIMG_STATUS_INVALID_IMAGE when its pixels are not 8-bit.
inline int32_t window8(const cimg_imageConst* image, cimg_windowConst* window) {
    int32_t status = cimg_windowConst_init(window, image);
    if (status < 0) return status;
    return window->depth == CIMG_DEPTH_8U ? 0 : CIMG_STATUS_INVALID_IMAGE;
}

inline int32_t window8(cimg_image* image, cimg_window* window) {
    int32_t status = cimg_window_init(window, image);
    if (status < 0) return status;
    return window->depth == CIMG_DEPTH_8U ? 0 : CIMG_STATUS_INVALID_IMAGE;
}

inline cstd_rect32 rectOf(const cimg_windowConst& window) {
    return cstd_rect32{window.xOffset, window.yOffset, window.width, window.height};
}

}  // namespace cidut
