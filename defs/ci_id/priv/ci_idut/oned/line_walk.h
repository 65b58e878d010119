// The fixed-point walk shared by the line samplers: positions in 16.16 window coordinates of
// pixel centres, stepped from the first index that lies inside the window.
#pragma once

#include <cstdint>

#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cmath_vect.h"

namespace cidut {

struct lineWalk {
    int64_t x;  // 16.16 position of sample `first`
    int64_t y;
    int64_t dx;  // 16.16 step, (p1 - p0) / n truncated
    int64_t dy;
    int32_t first;  // samples [first, end) lie inside the window
    int32_t end;
};

// Sets up the walk of n samples from p0 to p1, each offset by half a step when halfStep is set.
// CID_STATUS_OUT_OF_RANGE for n outside [1, 64 * max(1, pixel count)]; CID_STATUS_OUTSIDE_WINDOW
// when no sample position with a whole 2 x 2 neighbourhood in the window remains.
int32_t startLineWalk(const cimg_windowConst& window, const cmath_vect& p0, const cmath_vect& p1,
                      int32_t n, bool halfStep, lineWalk* walk);

// The top-left pixel of the 2 x 2 neighbourhood at position (x, y).
inline const uint8_t* neighbourhood(const cimg_windowConst& window, int64_t x, int64_t y) {
    return window.pixels + (y >> 16) * window.pitch + (x >> 16);
}

// The bilinear value of the neighbourhood at (x, y), 8-bit weights summing to 255: a grey level
// times 65025 at most, so v >> 16 is the sample.
inline uint32_t bilinear(const cimg_windowConst& window, int64_t x, int64_t y) {
    const uint8_t* p = neighbourhood(window, x, y);
    const uint32_t fx = static_cast<uint32_t>(x & 0xFFFF) >> 8;
    const uint32_t fy = static_cast<uint32_t>(y & 0xFFFF) >> 8;
    const uint32_t top = p[0] * (255 - fx) + p[1] * fx;
    const uint32_t bottom = p[window.pitch] * (255 - fx) + p[window.pitch + 1] * fx;
    return top * (255 - fy) + bottom * fy;
}

}  // namespace cidut
