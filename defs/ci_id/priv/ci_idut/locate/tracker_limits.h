// The size limit of images that the boundary tracker and the seed finders accept. Their points are
// 24.8 fixed point in 32 bits, so every image coordinate and every window-relative coordinate of
// the window, one pixel beyond it included, must stay within 2^23 pixels; wider or farther images
// would give wrapped points with status 0.
#pragma once

#include <cstdint>

#include "ci_id/platform/cimg.h"

namespace cidut {

constexpr int64_t kTrackerCoordinateLimit = (int64_t{1} << 23) - 2;

inline bool fitsTrackerCoordinates(const cimg_windowConst& w) {
    const int64_t x0 = w.xOffset, y0 = w.yOffset;
    return x0 >= -kTrackerCoordinateLimit && y0 >= -kTrackerCoordinateLimit &&
           x0 + w.width <= kTrackerCoordinateLimit && y0 + w.height <= kTrackerCoordinateLimit &&
           w.width <= kTrackerCoordinateLimit && w.height <= kTrackerCoordinateLimit;
}

}  // namespace cidut
