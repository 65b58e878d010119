// Checked source and destination windows of the functions that read images and write result
// images: bound, of the expected depth, and with rows aligned for that depth.
#include "ci_id/priv/ci_idut/pixel/image_window.h"

#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/status.h"

namespace cidut {

namespace {

bool alignedRows(const unsigned char* pixels, intptr_t pitch, int32_t depth) {
    return pitch % depth == 0 && reinterpret_cast<uintptr_t>(pixels) % uintptr_t(depth) == 0;
}

}  // namespace

int32_t sourceWindow(const cimg_imageConst* image, int32_t depth, cimg_windowConst* window) {
    CSTD_ASSERT(image && window);
    int32_t status = cimg_windowConst_init(window, image);
    if (status < 0) return status;
    if (window->depth != depth || !alignedRows(window->pixels, window->pitch, depth)) {
        return CID_STATUS_INVALID_IMAGE;
    }
    return 0;
}

int32_t prepareOutput(cimg_image* destination, int32_t depth, int32_t width, int32_t height,
                      cimg_image* fresh, cimg_window* window) {
    CSTD_ASSERT(destination && fresh && window);
    if (destination->asConst.buffer) {
        int32_t status = cimg_window_init(window, destination);
        if (status < 0) return status;
        if (window->depth != depth || window->width < width || window->height < height ||
            !alignedRows(window->pixels, window->pitch, depth)) {
            return CID_STATUS_INVALID_IMAGE;
        }
        return 0;
    }
    int32_t status = cimg_image_assignNew(fresh, depth, width, height);
    if (status < 0) return status;
    return cimg_window_init(window, fresh);
}

int32_t finishOutput(cimg_image* destination, cimg_image* fresh) {
    if (!fresh->asConst.buffer) return 0;
    return cimg_image_assign(destination, fresh);
}

bool sharePixels(const cimg_imageConst* a, const cimg_imageConst* b) {
    // The windows' bytes, not the buffer records: two records may wrap the same caller memory.
    return cip_pelfunc_checkMemoryOverlap(a, b) == CIP_STATUS_MEMORY_OVERLAP;
}

}  // namespace cidut
