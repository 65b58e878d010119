// What the edge entry points share: the edge library's record for a detection, its view of an
// image rectangle, and the true peak's portable kernel.
#pragma once

#include <cstdint>

#include "ci_id/edge.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csedge.h"

namespace cidut {

// The library's defaults with params' three values, no flags and the record's version.
csEdgeParams edgeRecord(const cip_edgeParams& params);

// The edge library's view of rect (image coordinates, inside image's image) of image.
int32_t edgeView(const cimg_imageConst* image, const cstd_rect32& rect, cxImage95* view);

// True peaks of the 8-bit window in into the window out of the same size, by the shift-and-add
// gradient; out is cleared first. Returns a status, with the number of peaks in *count.
int32_t truePeakPortable(const cimg_windowConst& in, const cimg_window& out, uint8_t threshold,
                         int32_t* count);

}  // namespace cidut
