// Source and destination windows for the functions that read images and write result images.
#pragma once

#include <cstdint>

#include "ci_id/platform/cimg.h"

namespace cidut {

// The window of a bound source of the given depth: CID_STATUS_IMAGE_NOT_BOUND when unbound,
// CID_STATUS_INVALID_IMAGE for another depth or, for wider pixels, rows not aligned to them.
int32_t sourceWindow(const cimg_imageConst* image, int32_t depth, cimg_windowConst* window);

// Where a result of width x height pixels of depth goes. A bound destination must have that
// depth and a window at least that large (else CID_STATUS_INVALID_IMAGE); its window is used.
// An unbound one gets a new image, built in fresh (which the caller constructs unbound and
// releases) and assigned to the destination by finishOutput.
int32_t prepareOutput(cimg_image* destination, int32_t depth, int32_t width, int32_t height,
                      cimg_image* fresh, cimg_window* window);
int32_t finishOutput(cimg_image* destination, cimg_image* fresh);

// True when the windows of the two (bound) records share bytes, so that writing one may change
// the other.
bool sharePixels(const cimg_imageConst* a, const cimg_imageConst* b);

template <typename T>
inline T* pixelRow(const cimg_window& window, int32_t y) {
    return reinterpret_cast<T*>(window.pixels + intptr_t{y} * window.pitch);
}
template <typename T>
inline const T* pixelRow(const cimg_windowConst& window, int32_t y) {
    return reinterpret_cast<const T*>(window.pixels + intptr_t{y} * window.pitch);
}

}  // namespace cidut
