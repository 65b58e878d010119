// The optimised separable pass of the grey morphology: running extrema over 64 lines at once
// (van Herk / Gil-Werman: a prefix and a suffix extremum per block of one window, so three
// operations per sample whatever the window), each step an element-wise operation on 64 bytes.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace cidut {

constexpr int32_t kMorphLanes = 64;

struct morphPlane {
    uint8_t* pixels;
    intptr_t pitch;
};

// Bytes of working memory morphLanesPass needs for a window of width x height with the given
// kernel: at most 4 * kMorphLanes * (longest side + kernel).
size_t morphLanesScratchBytes(int32_t width, int32_t height, int32_t kernelWidth,
                              int32_t kernelHeight);

// The same pass as the portable one (rows with kernelWidth when above 1, then columns with
// kernelHeight when above 1; output may be input), for the maximum when maximum is true, else
// the minimum. scratch holds morphLanesScratchBytes bytes.
void morphLanesPass(morphPlane input, morphPlane output, int32_t width, int32_t height,
                    int32_t kernelWidth, int32_t kernelHeight, bool maximum, uint8_t* scratch);

}  // namespace cidut
