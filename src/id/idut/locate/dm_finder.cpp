// Data Matrix from a seed: track, check size and shape, fit the L, check the result against the
// window and the mask.
#include <algorithm>
#include <cmath>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/locate/dm_finder.h"
#include "ci_id/priv/ci_idut/locate/hole_memory.h"
#include "ci_id/priv/ci_idut/locate/tracker_limits.h"
#include "ci_id/region.h"
#include "ci_id/status.h"

namespace cidut {

int32_t viewImageAndMarker(const cimg_imageConst* image, cimg_image* marker,
                           cimg_windowConst* window, markerGrid* grid) {
    int32_t status = cimg_windowConst_init(window, image);
    if (status < 0) return status;
    if (window->depth != CIMG_DEPTH_8U) return CID_STATUS_INVALID_IMAGE;
    if (!fitsTrackerCoordinates(*window)) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    cimg_window cells;
    status = cimg_window_init(&cells, marker);
    if (status < 0) return status;
    if (cells.depth != CIMG_DEPTH_8U || cells.width < (window->width + 3) / 4 ||
        cells.height < (window->height + 3) / 4) {
        return CID_STATUS_INVALID_IMAGE;
    }
    *grid = markerGrid{cells.pixels, cells.pitch,     cells.width,
                       cells.height, window->xOffset, window->yOffset};
    return 0;
}

int32_t driverRunParams(const cid2d_trackingParams& params, cbt_runParams* out) {
    int32_t status = cbt_runParams_init(out);
    if (status < 0) return status;
    out->darkIs8Connected = 1;
    out->outerOnly = 1;
    out->stopAtBorder = 0;
    out->maxPoints = params.maxBoundaryPoints;
    return 0;
}

cbt_runParams seedRunParams(const cbt_runParams& base, const cid2d_trackingSeed& seed,
                            const cimg_windowConst& window, int32_t maxBoundaryPoints) {
    cbt_runParams run = base;
    run.polarity = seed.polarity;
    // Seeds are window-relative; the tracker works in image coordinates.
    run.start1X = seed.aheadX + window.xOffset * 256;
    run.start1Y = seed.aheadY + window.yOffset * 256;
    run.start2X = seed.behindX + window.xOffset * 256;
    run.start2Y = seed.behindY + window.yOffset * 256;
    run.threshold = seed.mean;
    run.maxPoints = std::min(maxBoundaryPoints, kMaxTrackedPoints);
    return run;
}

// Whether the mask covers the seed's pixel.
static int32_t seedIsMasked(const cid_mask* mask, const cmath_xformLinear* maskArgument,
                            const cid2d_trackingSeed& seed, const cimg_windowConst& window,
                            int32_t* masked) {
    *masked = 0;
    if (!mask) return 0;
    cmath_vect centre{seed.x + window.xOffset + 0.5, seed.y + window.yOffset + 0.5};
    return cid_mask_isPointUnMasked(mask, &centre, maskArgument, masked);
}

int32_t openSeed(const cimg_imageConst* image, const cid2d_trackingSeed& seed, cimg_image* marker,
                 const cid_mask* mask, const cmath_xformLinear* maskArgument,
                 cid2d_trackingResult* result, cimg_windowConst* window, markerGrid* grid,
                 unsigned char** seedCell) {
    *seedCell = nullptr;
    result->seed = seed;
    result->found = 0;
    int32_t status = viewImageAndMarker(image, marker, window, grid);
    if (status < 0) return status;
    int32_t masked = 0;
    status = seedIsMasked(mask, maskArgument, seed, *window, &masked);
    if (status < 0 || masked) return status;
    unsigned char* cell = grid->ofWindowPixel(seed.x, seed.y);
    if (cell && *cell == 0) *seedCell = cell;
    return 0;
}

void copyContour(const cbt_result& track, int32_t count, const cimg_windowConst& window,
                 contourPoint* contour) {
    for (int32_t i = 0; i < count; ++i) {
        const cbt_point& p = track.points[i];
        int32_t x = (p.x + 128) >> 8, y = (p.y + 128) >> 8;
        CSTD_ASSERT(x >= window.xOffset && x < window.xOffset + window.width &&
                    y >= window.yOffset && y < window.yOffset + window.height);
        contour[i] = fromTrackerPoint(p);
    }
}

void storeCorner(const cornerFinding& corner, const cid2d_trackingSeed& seed,
                 cid2d_trackingResult* result) {
    cmath_vect a{corner.rect.px.x - corner.rect.po.x, corner.rect.px.y - corner.rect.po.y};
    cmath_vect b{corner.rect.py.x - corner.rect.po.x, corner.rect.py.y - corner.rect.po.y};
    double cross = 0;
    cmath_vect_cross(&a, &b, &cross);
    result->rect = cross > 0 ? cmath_shapeAffineRect{corner.rect.po, corner.rect.py, corner.rect.px}
                             : corner.rect;
    result->farCorner = corner.farCorner;
    result->farCornerFromShape = corner.farCornerFromShape;
    result->cornerScore = corner.cornerScore;
    result->threshold = static_cast<uint8_t>(std::clamp(seed.mean, 0, 255));
    result->found = 1;
}

// The whole-pixel rectangle around the located symbol's four corners.
static cstd_rect32 enclosingPixels(const cid2d_trackingResult& result) {
    const cmath_shapeAffineRect& r = result.rect;
    double xs[4] = {r.po.x, r.px.x, r.py.x, result.farCorner.x};
    double ys[4] = {r.po.y, r.px.y, r.py.y, result.farCorner.y};
    int32_t x0 = cmath_double_floor(*std::min_element(xs, xs + 4));
    int32_t y0 = cmath_double_floor(*std::min_element(ys, ys + 4));
    int32_t x1 = cmath_double_ceil(*std::max_element(xs, xs + 4));
    int32_t y1 = cmath_double_ceil(*std::max_element(ys, ys + 4));
    return cstd_rect32{x0, y0, x1 - x0, y1 - y0};
}

int32_t confirmFound(const cimg_imageConst* image, const cid2d_trackingParams& params,
                     const cid_mask* mask, const cmath_xformLinear* maskArgument,
                     cid2d_trackingResult* result) {
    cid_region region;
    int32_t status = cid_region_initAffineRect(
        &region, &result->rect, result->farCornerFromShape ? nullptr : &result->farCorner);
    if (status < 0) return status;
    if (mask) {
        int32_t masked = 0;
        status = cid_mask_isRegionUnMasked(mask, &region, maskArgument, 5.0, &masked);
        if (status < 0) return status;
        if (masked) result->found = 0;
    }
    if (params.allowAtBorder) return 0;
    cstd_rect32 window;
    status = cimg_imageConst_getWindow(image, &window);
    if (status < 0) return status;
    cstd_rect32 enclosing = enclosingPixels(*result);
    int32_t inside = 0;
    status = cstd_rect32_containsRect(&window, &enclosing, &inside);
    if (status < 0) return status;
    if (!inside) result->found = 0;
    return 0;
}

}  // namespace cidut

namespace {

using namespace cidut;

// Size and aspect of the halved contour; q, the smoothing length, when they pass.
bool contourSizeAccepted(const contourPoint* contour, int32_t n, const cid2d_trackingParams& p,
                         const cimg_windowConst& window, int32_t* smoothing) {
    int32_t extentSecond = 0, extentFirst = 0, extentMax = 0;
    extents(contour, n, &extentSecond, &extentFirst, &extentMax);
    auto inRange = [&](int32_t e) { return e >= p.minSymbolSize && e <= p.maxSymbolSize; };
    if (!inRange(extentMax) || !inRange(extentFirst) || !inRange(extentSecond)) return false;
    if (extentSecond >= window.width - 1 || extentFirst >= window.height - 1) return false;
    if (extentFirst > 5 * extentSecond || extentSecond > 5 * extentFirst) return false;
    int32_t modules = std::max({p.expectedModules1, p.expectedModules2, 32});
    int32_t q = std::min(extentFirst, extentSecond) / modules;
    q = std::max(q, static_cast<int32_t>(p.minSmoothing));
    *smoothing = std::min(q, 25);
    return true;
}

bool strictlyInside(const cmath_vect& p, const cimg_windowConst& w) {
    return w.xOffset < p.x && p.x < w.xOffset + w.width - 1 && w.yOffset < p.y &&
           p.y < w.yOffset + w.height - 1;
}

// Whether the found L's rectangle lies within the window (unless allowed at its border), has a
// size that the parameters accept, and shows a Data Matrix finder and timing pattern.
int32_t cornerAccepted(const cornerFinding& corner, const cid2d_trackingParams& p,
                       const cimg_windowConst& window, int32_t threshold, finderReading* reading,
                       bool* accepted) {
    *accepted = false;
    const cmath_shapeAffineRect& r = corner.rect;
    if (!p.allowAtBorder) {
        for (const cmath_vect& point : {r.po, r.px, r.py, corner.farCorner}) {
            if (!strictlyInside(point, window)) return 0;
        }
    }
    double xLength = std::hypot(r.px.x - r.po.x, r.px.y - r.po.y);
    double yLength = std::hypot(r.py.x - r.po.x, r.py.y - r.po.y);
    if (std::min(xLength, yLength) < p.minSymbolSize || std::max(xLength, yLength) > p.maxSymbolSize) {
        return 0;
    }
    return looksLikeDataMatrix(window, r, threshold, p.allowSkew != 0, reading, accepted);
}

int32_t shapeHintOf(const cid2d_trackingParams& p) {
    if (p.expectedModules1 == 0) return kShapeUnknown;
    return p.expectedModules1 == p.expectedModules2 ? kShapeSquare : kShapeRectangular;
}

// Corner passes over the runs: the first as they are, later ones after merging nearly collinear
// neighbours, until an accepted L is found or merging changes nothing.
int32_t fitCorner(const contourWorkArea& area, int32_t n, int32_t runs, int32_t q,
                  const cid2d_trackingParams& p, const cimg_windowConst& window, int32_t threshold,
                  cornerFinding* corner, finderReading* reading, bool* accepted) {
    *accepted = false;
    for (int32_t pass = 0; pass < p.maxCornerPasses && runs >= 2; ++pass) {
        int32_t before = runs;
        if (pass > 0) {
            int32_t status = mergeSegments(area.segments, area.smoothed, n, runs, 4 * q, 64);
            if (status < 0) return status;
        }
        sortSegments(area.segments, runs);
        if (pass > 0) {
            trimSegments(area.segments, &runs);
            if (runs == before) break;
        }
        int32_t status = findCorner(area.contour, area.smoothed, area.segments, runs, n,
                                    p.allowSkew, p.allowStrongSkew, shapeHintOf(p), corner);
        if (status >= 0) status = csys_attention_check();
        if (status >= 0 && corner->found) {
            status = cornerAccepted(*corner, p, window, threshold, reading, accepted);
        }
        if (status < 0 || *accepted) return status;
    }
    return 0;
}

}  // namespace

namespace cidut {

int32_t findDataMatrixFromSeed(const cimg_imageConst* image, const cid2d_trackingParams* params,
                               const cid2d_trackingSeed* seed, const cbt_runParams* runParams,
                               cimg_image* marker, const cid_mask* mask,
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
    status = trackRememberingHoles(holes, image, run, &result->track);
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
    if (count < 4 * params->minSymbolSize || (track.flags & CBT_FLAG_UNUSABLE) ||
        (!params->allowAtBorder && (track.flags & CBT_FLAG_TOUCHES_BORDER))) {
        return 0;
    }

    int32_t n = 0, q = 0, largestCurvature = 0, runs = 0;
    halve(area.contour, count, &n);
    if (!contourSizeAccepted(area.contour, n, *params, window, &q)) return 0;
    smooth(area.smoothed, area.contour, n, q);
    curvature(area.curvature, area.smoothed, n, 2 * q, &largestCurvature);
    if (largestCurvature < 32) return 0;
    straightRuns(area.segments, area.curvature, area.smoothed, 0, n, q, 64, kSegmentCapacity,
                 &runs);
    CSTD_ASSERT(runs < kSegmentCapacity);

    cornerFinding corner{};
    finderReading reading{};
    bool accepted = false;
    status = fitCorner(area, n, runs, q, *params, window, seed->mean, &corner, &reading, &accepted);
    if (status >= 0 && accepted) {
        status = refineCorner(window, reading, params->allowSkew != 0, &corner);
        if (status >= 0) storeCorner(corner, *seed, result);
        if (status >= 0) status = confirmFound(image, *params, mask, maskArgument, result);
        if (status >= 0) result->quality = 1000;
    }
    if (status < 0) return status;
    // Set whether or not the corner passes found an L: only the earlier rejections leave it.
    result->scanLineIndex = params->firstScanLine;
    return 0;
}

}  // namespace cidut

extern "C" int32_t cf_BndFindDMSymbolFromSeed(const cimg_imageConst* image,
                                              const cid2d_trackingParams* params,
                                              const cid2d_trackingSeed* seed,
                                              const cbt_runParams* runParams, cimg_image* marker,
                                              const cid_mask* mask, int32_t ignored,
                                              const cmath_xformLinear* maskArgument,
                                              cid2d_trackingResult* result) {
    (void)ignored;
    return cidut::findDataMatrixFromSeed(image, params, seed, runParams, marker, mask,
                                         maskArgument, nullptr, result);
}
