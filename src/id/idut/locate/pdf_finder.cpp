// PDF417 from a seed: track, check size and aspect, cut the contour into straight runs, and fit a
// quadrilateral to four runs or a parallelogram to the contour's hull.
#include <algorithm>
#include <cstdlib>

#include "ci_id/pdf417.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/locate/dm_finder.h"
#include "ci_id/priv/ci_idut/locate/hole_memory.h"
#include "ci_id/priv/ci_idut/locate/pdf_finder.h"
#include "ci_id/priv/ci_idut/locate/pdf_shape.h"
#include "ci_id/status.h"

namespace {

using namespace cidut;

// A contour that touches the window's edge may still be closed round the symbol; one whose ends
// lie apart ran along the edge and is cut off there.
bool endsMeet(const cbt_result& track, int32_t count) {
    contourPoint a = fromTrackerPoint(track.points[0]);
    contourPoint b = fromTrackerPoint(track.points[count - 1]);
    return std::llabs(int64_t{a.first} - b.first) + std::llabs(int64_t{a.second} - b.second) <= 24;
}

// Size and aspect of the halved contour; q, the smoothing length, when they pass.
bool sizeAccepted(const contourPoint* contour, int32_t n, const cid2d_trackingParams& p,
                  const cimg_windowConst& window, int32_t* smoothing) {
    int32_t extentSecond = 0, extentFirst = 0, extentMax = 0;
    extents(contour, n, &extentSecond, &extentFirst, &extentMax);
    auto inRange = [&](int32_t e) { return e >= p.minSymbolSize && e <= p.maxSymbolSize; };
    if (!inRange(extentMax) || !inRange(extentFirst) || !inRange(extentSecond)) return false;
    if (extentSecond >= window.width - 1 || extentFirst >= window.height - 1) return false;
    if (extentFirst > 3 * extentSecond || extentSecond > 3 * extentFirst) return false;
    int32_t q = (4 * std::min(extentFirst, extentSecond) + 21) / 42;
    q = std::max(q, static_cast<int32_t>(p.minSmoothing));
    *smoothing = std::min(q, 25);
    return true;
}

// Straight runs of the smoothed contour, extracted again with a lower threshold when a gently
// curved contour gave too few.
int32_t runsOf(const contourWorkArea& area, int32_t n, int32_t q, int32_t* count) {
    int32_t largest = 0;
    curvature(area.curvature, area.smoothed, n, 2 * q, &largest);
    if (largest < 32) return *count = 0;
    const int32_t threshold = q >= 3 ? 16 * std::min((3 * q + 1) >> 1, 7) + 12 : 60;
    straightRuns(area.segments, area.curvature, area.smoothed, 1, n, q < 5 ? q : q - 1, threshold,
                 kSegmentCapacity, count);
    if (q > 2 && *count < 3 && largest < 2 * threshold - 20) {
        straightRuns(area.segments, area.curvature, area.smoothed, 1, n, q < 4 ? q : q - 1,
                     std::max(largest / 2, 48), kSegmentCapacity, count);
    }
    return *count;
}

// The quadrilateral of exactly four runs, else (with patternMode) the parallelogram of the hull.
int32_t fitShape(const contourWorkArea& area, int32_t n, int32_t runs, int32_t patternMode,
                 cornerFinding* shape) {
    shape->found = 0;
    if (runs < 3 || runs > 8) return 0;
    if (runs == 4) {
        quadrilateralOfRuns(area.smoothed, area.segments, n, shape);
        if (shape->found || patternMode == 0) return 0;
    }
    sortSegments(area.segments, runs);
    return parallelogramOfHull(area.contour, area.smoothed, n, area.segments, runs,
                               area.segments + runs + 1, kSegmentCapacity - runs - 1, shape);
}

}  // namespace

namespace cidut {

int32_t findPdpFromSeed(const cimg_imageConst* image, const cid2d_trackingParams* params,
                        const cid2d_trackingSeed* seed, const cbt_runParams* runParams,
                        cimg_image* marker, int32_t patternMode, const cid_mask* mask,
                        const cmath_xformLinear* maskArgument, holeMemory* holes,
                        cid2d_trackingResult* result) {
    CSTD_ASSERT(image && params && seed && runParams && marker && result);
    CSTD_ASSERT(params->workBuffer && params->workBufferSize >= CID2D_WORK_BUFFER_MIN);
    cimg_windowConst window;
    markerGrid grid;
    unsigned char* seedCell = nullptr;
    int32_t status =
        openSeed(image, *seed, marker, mask, maskArgument, result, &window, &grid, &seedCell);
    if (status < 0 || !seedCell) return status;

    cbt_runParams run = seedRunParams(*runParams, *seed, window, params->maxBoundaryPoints);
    ++result->trackCalls;
    status = trackRememberingHoles(holes, image, run, &result->track);
    if (status >= 0 || status == CBT_STATUS_NO_CONTOUR) {
        int32_t attention = csys_attention_check();
        if (attention < 0) return attention;
    }
    if (status == CBT_STATUS_NO_CONTOUR) return 0;
    if (status < 0) return status;
    *seedCell = 1;
    const cbt_result& track = result->track;
    if (!(track.flags & CBT_FLAG_CLOSED)) return 0;
    if (track.count == 0) return CID_STATUS_EMPTY_CONTOUR;
    const int32_t count = std::min(track.count, kMaxTrackedPoints);
    if (count >= 1000 && (status = csys_attention_check()) < 0) return status;

    contourWorkArea area = workAreaOf(params->workBuffer);
    copyContour(track, count, window, area.contour);
    for (int32_t i = 0; i < count; ++i) {
        if (unsigned char* cell = grid.ofTrackerPoint(track.points[i])) *cell = 1;
    }
    if (3 * static_cast<double>(count) < 8 * params->minSymbolSize ||
        (track.flags & CBT_FLAG_UNUSABLE) ||
        (!params->allowAtBorder && (track.flags & CBT_FLAG_TOUCHES_BORDER) &&
         !endsMeet(track, count))) {
        return 0;
    }

    int32_t n = 0, q = 0, runs = 0;
    halve(area.contour, count, &n);
    if (!sizeAccepted(area.contour, n, *params, window, &q)) return 0;
    smooth(area.smoothed, area.contour, n, q);
    if (runsOf(area, n, q, &runs) == 0) return 0;

    cornerFinding shape{};
    status = fitShape(area, n, runs, patternMode, &shape);
    if (status >= 0 && shape.found) {
        storeCorner(shape, *seed, result);
        status = confirmFound(image, *params, mask, maskArgument, result);
        if (status >= 0) result->quality = 1000;
    }
    if (status < 0) return status;
    result->scanLineIndex = params->firstScanLine;
    return 0;
}

}  // namespace cidut

extern "C" int32_t cf_BndFindPDPSymbolFromSeed(const cimg_imageConst* image,
                                               const cid2d_trackingParams* params,
                                               const cid2d_trackingSeed* seed,
                                               const cbt_runParams* runParams, cimg_image* marker,
                                               int32_t patternMode, const cid_mask* mask,
                                               int32_t ignored,
                                               const cmath_xformLinear* maskArgument,
                                               cid2d_trackingResult* result) {
    (void)ignored;
    return cidut::findPdpFromSeed(image, params, seed, runParams, marker, patternMode, mask,
                                  maskArgument, nullptr, result);
}
