// Bar measurement: each falling edge of a scan is tracked, and the longest straight side of its
// closed contour is kept as a bar edge.
#include "ci_id/priv/ci_idut/locate/bars.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/priv/ci_idut/locate/dm_finder.h"
#include "ci_id/priv/ci_idut/locate/tracker_limits.h"
#include "ci_id/priv/ci_idut/pixel/image.h"
#include "ci_id/status.h"

namespace cidut {

namespace {

// The tracker settings of the finders' drivers, except that holes are traced too: a falling edge
// enters a dark bar, which is a hole in the light ground around it, and that hole's boundary is
// the bar's outline.
int32_t barRunParams(cbt_runParams* run) {
    int32_t status = cbt_runParams_init(run);
    if (status < 0) return status;
    run->darkIs8Connected = 1;
    run->outerOnly = 0;
    run->stopAtBorder = 0;
    run->maxPoints = kBarContourPoints;
    return 0;
}

// The longest straight run of the traced contour, found as the Data Matrix finder finds its
// sides; false when there is none.
bool longestSide(const cbt_result& track, const cimg_windowConst& imageWindow, int32_t minRun,
                 const contourWorkArea& area, contourPoint* start, contourPoint* end) {
    const int32_t count = std::min(track.count, kBarContourPoints);
    copyContour(track, count, imageWindow, area.contour);
    int32_t n = 0, largestCurvature = 0, runs = 0;
    halve(area.contour, count, &n);
    smooth(area.smoothed, area.contour, n, 3);
    curvature(area.curvature, area.smoothed, n, 6, &largestCurvature);
    straightRuns(area.segments, area.curvature, area.smoothed, 0, n, minRun, 64, kSegmentCapacity,
                 &runs);
    if (runs < 1) return false;
    sortSegments(area.segments, runs);
    const segment& side = area.segments[0];
    *start = area.contour[side.start];
    *end = area.contour[(side.end - 1 + n) % n];
    return true;
}

int32_t slopeOf(const contourPoint& start, const contourPoint& end) {
    const int64_t dx = int64_t{end.second} - start.second;
    if (dx == 0) return INT32_MAX;
    const int64_t slope = (int64_t{end.first} - start.first) * 1000 / dx;
    return static_cast<int32_t>(std::clamp<int64_t>(slope, -INT32_MAX, INT32_MAX));
}

}  // namespace

int32_t openBarScratch(barScratch* scratch) {
    int32_t status = csys_memory_alloc_internal(kBarWorkBytes, &scratch->work);
    if (status < 0) return status;
    status = cbt_result_construct(&scratch->track, kBarContourPoints);
    if (status < 0) csys_memory_free_internal(&scratch->work);
    return status;
}

int32_t closeBarScratch(barScratch* scratch) {
    int32_t status = cbt_result_destruct(&scratch->track);
    int32_t freed = csys_memory_free_internal(&scratch->work);
    return status < 0 ? status : freed;
}

int32_t measureBars(const cimg_imageConst* image, const cimg_windowConst& imageWindow,
                    const cimg_windowConst& seedWindow, const cid2d_trackingSeed* seeds,
                    int32_t seedCount, int32_t minRun, barScratch* scratch, barEdges* out) {
    CSTD_ASSERT(seedCount <= kBarSeeds);
    *out = barEdges{};
    cbt_runParams run;
    int32_t status = barRunParams(&run);
    if (status < 0) return status;
    const contourWorkArea area = workAreaOf(static_cast<unsigned char*>(scratch->work));
    for (int32_t k = 0; k < seedCount; ++k) {
        const cid2d_trackingSeed& seed = seeds[k];
        if (seed.polarity != 0) continue;
        run.polarity = seed.polarity;
        run.threshold = seed.mean;
        run.start1X = seed.aheadX + seedWindow.xOffset * 256;
        run.start1Y = seed.aheadY + seedWindow.yOffset * 256;
        run.start2X = seed.behindX + seedWindow.xOffset * 256;
        run.start2Y = seed.behindY + seedWindow.yOffset * 256;
        status = cbt_boundaryTrack(image, &run, &scratch->track);
        // A seed whose start points straddle no boundary has no blob: the seed walks report
        // such edges where a scan begins on a falling gradient, and where the column gradient,
        // a difference of single pixels, rings on thin bars. The others still count.
        if (status == CBT_STATUS_NO_CONTOUR) continue;
        if (status < 0) return status;
        ++out->tracked;
        if (!(scratch->track.flags & CBT_FLAG_CLOSED)) continue;
        if (scratch->track.count == 0) return CID_STATUS_EMPTY_CONTOUR;
        contourPoint start, end;
        if (!longestSide(scratch->track, imageWindow, minRun, area, &start, &end)) continue;
        out->slopes[out->count] = slopeOf(start, end);
        out->ends[out->count][0] = start;
        out->ends[out->count][1] = end;
        ++out->count;
    }
    return 0;
}

bool medianBarSlope(const barEdges& edges, int32_t* median) {
    if (edges.count <= 2 || edges.count <= 2 * edges.tracked / 3) return false;
    int32_t sorted[kBarSeeds];
    std::copy(edges.slopes, edges.slopes + edges.count, sorted);
    std::sort(sorted, sorted + edges.count);
    *median = sorted[edges.count / 2];
    return true;
}

double slopeAngle(int32_t slope) { return std::atan2(slope * 0.001, 1.0); }

cimg_windowConst clippedWindow(const cimg_windowConst& window, int64_t x, int64_t y, int64_t width,
                               int64_t height) {
    const int64_t x0 = std::max<int64_t>(x, window.xOffset);
    const int64_t y0 = std::max<int64_t>(y, window.yOffset);
    const int64_t x1 = std::min<int64_t>(x + width, int64_t{window.xOffset} + window.width);
    const int64_t y1 = std::min<int64_t>(y + height, int64_t{window.yOffset} + window.height);
    cimg_windowConst part = window;
    if (x1 <= x0 || y1 <= y0) {
        part.width = part.height = 0;
        return part;
    }
    part.pixels += (y0 - window.yOffset) * window.pitch + (x0 - window.xOffset);
    part.xOffset = static_cast<int32_t>(x0);
    part.yOffset = static_cast<int32_t>(y0);
    part.width = static_cast<int32_t>(x1 - x0);
    part.height = static_cast<int32_t>(y1 - y0);
    return part;
}

int32_t trackableWindow(const cimg_imageConst* image, cimg_windowConst* window) {
    int32_t status = window8(image, window);
    if (status < 0) return status;
    return fitsTrackerCoordinates(*window) ? 0 : CSYS_STATUS_SIZE_OUT_OF_RANGE;
}

}  // namespace cidut
