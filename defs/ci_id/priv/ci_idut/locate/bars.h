// Bar measurement shared by the barcode candidate tests and the whole-image barcode search: the
// blobs at the falling edges of a scan are tracked, and the longest straight side of each is a
// bar edge.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ci_id/platform/cbt.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/priv/ci_idut/locate/contour.h"
#include "ci_id/tracking.h"

namespace cidut {

constexpr int32_t kBarSeeds = 20;
// A bar's contour is traced to at most this many points; longer ones do not close.
constexpr int32_t kBarContourPoints = 100;
constexpr size_t kBarWorkBytes = 262080;

// The work memory of one measurement, from the library allocator.
struct barScratch {
    void* work = nullptr;  // the contour work area, kBarWorkBytes
    cbt_result track{};    // room for kBarContourPoints
};
// On failure nothing is left to close.
int32_t openBarScratch(barScratch* scratch);
int32_t closeBarScratch(barScratch* scratch);

struct barEdges {
    int32_t tracked = 0;  // seeds whose boundary was tracked
    int32_t count = 0;    // blobs that gave a straight side
    // 1000 dy / dx of each side (INT32_MAX for an upright one), and its two end points on the
    // halved contour (sixteenths of a pixel, pixel-centre coordinates).
    int32_t slopes[kBarSeeds] = {};
    contourPoint ends[kBarSeeds][2] = {};
};

// Tracks the blob of every seed of polarity 0 (window-relative to seedWindow) on the whole image
// and keeps the slope of its longest straight run of more than minRun halved points.
int32_t measureBars(const cimg_imageConst* image, const cimg_windowConst& imageWindow,
                    const cimg_windowConst& seedWindow, const cid2d_trackingSeed* seeds,
                    int32_t seedCount, int32_t minRun, barScratch* scratch, barEdges* out);

// The median slope, when more than two blobs gave one and they are more than two thirds of
// those tracked.
bool medianBarSlope(const barEdges& edges, int32_t* median);

// Radians of a slope, in (-pi / 2, pi / 2].
double slopeAngle(int32_t slope);

// The part of window inside the rectangle (x, y, width, height) of image coordinates, as a window
// of the same pixels; empty when they do not meet.
cimg_windowConst clippedWindow(const cimg_windowConst& window, int64_t x, int64_t y, int64_t width,
                               int64_t height);

// The window of an image the tracker and the seed finders can work on.
int32_t trackableWindow(const cimg_imageConst* image, cimg_windowConst* window);

}  // namespace cidut
