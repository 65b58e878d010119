// PDF417 start and stop patterns along a scan line: the width tests on edge lists, the seed's
// threshold from the pattern's grey levels, and the two drivers that hand matches to the finder.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ci_id/pdf417.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/locate/dm_finder.h"
#include "ci_id/priv/ci_idut/locate/pdf_finder.h"
#include "ci_id/status.h"

namespace {

using namespace cidut;

int32_t magnitude(int16_t edge) { return std::abs(static_cast<int32_t>(edge)); }

// Entries of magnitude in [low, high], increasing, alternating in sign.
int32_t checkEdges(const int16_t* edges, int32_t count, int32_t low, int32_t high,
                   int32_t outOfRange) {
    if (count < 0) return CID_STATUS_OUT_OF_RANGE;
    CSTD_ASSERT(edges || count == 0);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t m = magnitude(edges[i]);
        if (m == 0) return CID_STATUS_OUT_OF_RANGE;
        if (m < low || m > high) return outOfRange;
        if (i > 0 && (m <= magnitude(edges[i - 1]) || (edges[i] > 0) == (edges[i - 1] > 0))) {
            return CID_STATUS_INVALID_VALUE;
        }
    }
    return 0;
}

// The pixel holding an image point, window-relative; false when it is not in the window.
bool pixelOf(const cimg_windowConst& w, const cmath_vect& p, int32_t* x, int32_t* y) {
    if (!(std::isfinite(p.x) && std::isfinite(p.y))) return false;
    const double u = std::floor(p.x) - w.xOffset, v = std::floor(p.y) - w.yOffset;
    if (!(u >= 0 && v >= 0 && u < w.width && v < w.height)) return false;
    *x = static_cast<int32_t>(u);
    *y = static_cast<int32_t>(v);
    return true;
}

// Tolerance and test of five narrow elements of the start pattern (cf_BndFindMatchingPDP's
// form: the middle element may reach half the outer pairs beyond the inner pair).
int32_t startTolerance(const int32_t* w) { return std::max((w[0] + w[1] + w[3] + 4 + w[4]) >> 3, 2); }

bool startMatches(const int32_t* w, int32_t t) {
    return std::abs(w[0] - w[1]) <= t && std::abs(w[3] - w[4]) <= t &&
           std::abs(w[0] + w[1] - w[3] - w[4]) <= t && w[0] + w[1] + (w[3] + w[4]) / 2 - w[2] >= -t;
}

// Narrow, three times as wide, narrow: the middle of the stop pattern.
bool stopMatches(const int32_t* w, int32_t* t) {
    *t = std::max((w[0] + w[1] + w[2]) >> 3, 2);
    return std::abs(w[0] - w[2]) <= *t && std::abs(w[0] + w[2] + std::max(w[0], w[2]) - w[1]) <= *t;
}

// The tracking threshold of a matched pattern whose k + 1 edges lie after samples at[0 .. k]:
// midway between the grey levels of its odd elements and of the rest (its even elements and a
// margin of t + 2 samples on either side), moved towards the latter, the tracked side.
int32_t patternThreshold(const uint8_t* profile, int32_t length, const int32_t* at, int32_t k,
                         int32_t t) {
    int64_t sum[2] = {0, 0}, count[2] = {0, 0};
    auto add = [&](int32_t from, int32_t to, int side) {
        for (int32_t s = std::max(from, 0); s <= std::min(to, length - 1); ++s) {
            sum[side] += profile[s];
            ++count[side];
        }
    };
    add(at[0] - (t + 2), at[0] - 1, 0);
    for (int32_t j = 1; j <= k; ++j) add(at[j - 1] + 1, at[j] - 1, j % 2);
    add(at[k] + 1, at[k] + t + 2, 0);
    if (count[0] < 3 || count[1] < 3) {
        int32_t total = 0;
        for (int32_t s = at[0] - 1; s <= at[0] + 2; ++s) total += profile[std::clamp(s, 0, length - 1)];
        return total / 4;
    }
    const int32_t a = static_cast<int32_t>(sum[0] / count[0]);
    const int32_t b = static_cast<int32_t>(sum[1] / count[1]);
    const int32_t towardsA = a > b ? 1 : -1, gap = std::abs(a - b);
    int32_t threshold = (a + b) >> 1;
    if (count[0] + count[1] < 36) {
        if (gap > 30) threshold += 8 * towardsA;
    } else if (gap < 130) {
        threshold += (gap >> 4) * towardsA;
    }
    return threshold;
}

int32_t toFixed(double v) { return static_cast<int32_t>(std::lround(v * 256)); }

// ---- cf_BndFindMatchingPDP ----

struct lineInput {
    const int16_t* edges;
    int32_t count;
    int32_t length;
    const cmath_vect* positions;
    const uint8_t* profile;
};

// Tracker start point of an edge's sample: window-relative pixel-centre coordinates.
void startPointOf(const cimg_windowConst& w, const cmath_vect& p, int32_t* x, int32_t* y) {
    *x = toFixed(p.x - 0.5 - w.xOffset);
    *y = toFixed(p.y - 0.5 - w.yOffset);
}

// The seed of the match whose first edge is entry i.
bool matchSeed(const lineInput& in, const cimg_windowConst& window, const cid2d_trackingParams& p,
               int32_t i, bool stop, cid2d_trackingSeed* seed) {
    const int32_t k = stop ? 3 : 5;
    int32_t at[6], w[5];
    for (int32_t j = 0; j <= k; ++j) at[j] = magnitude(in.edges[i + j]);
    for (int32_t j = 0; j < k; ++j) w[j] = at[j + 1] - at[j];
    if (at[k] - at[0] > p.maxSymbolSize) return false;
    int32_t t = 0;
    if (stop ? !stopMatches(w, &t) : !startMatches(w, t = startTolerance(w))) return false;
    *seed = cid2d_trackingSeed{};
    pixelOf(window, in.positions[at[0]], &seed->x, &seed->y);
    seed->mean = patternThreshold(in.profile, in.length, at, k, t);
    seed->scanLine = p.firstScanLine;
    seed->polarity = in.edges[i] > 0 ? 1 : 0;
    startPointOf(window, in.positions[at[2]], &seed->aheadX, &seed->aheadY);
    if (i > 0) {
        startPointOf(window, in.positions[magnitude(in.edges[i - 1])], &seed->behindX,
                     &seed->behindY);
    } else {
        startPointOf(window, in.positions[at[0]], &seed->behindX, &seed->behindY);
    }
    return true;
}

int32_t checkLine(const lineInput& in, const cimg_windowConst& window) {
    if (in.length < 0 || in.length > 32768 || in.count > in.length) return CID_STATUS_OUT_OF_RANGE;
    int32_t status = checkEdges(in.edges, in.count, 1, in.length - 1, CID_STATUS_OUT_OF_RANGE);
    if (status < 0) return status;
    CSTD_ASSERT(in.count == 0 || (in.positions && in.profile));
    for (int32_t i = 0; i < in.count; ++i) {
        int32_t x = 0, y = 0;
        if (!pixelOf(window, in.positions[magnitude(in.edges[i])], &x, &y)) {
            return CID_STATUS_OUTSIDE_WINDOW;
        }
    }
    return 0;
}

// ---- cf_BndFindNextPDP ----

// The first entry from `from` on with the given polarity within 8 columns of `column`; -1 if none.
int32_t partnerOf(const int16_t* list, int32_t count, int32_t from, int32_t column, bool rising) {
    for (int32_t j = std::max(from, 0); j < count; ++j) {
        const int32_t m = magnitude(list[j]);
        if (m > column + 8) return -1;
        if (m >= column - 8 && (list[j] > 0) == rising) return j;
    }
    return -1;
}

// The pattern's first, and for wide patterns also its second, fifth and sixth edges, on a
// neighbouring row.
bool confirmedOn(const int16_t* list, int32_t count, const int16_t* pattern, bool wide) {
    int32_t j = partnerOf(list, count, 0, magnitude(pattern[0]), pattern[0] > 0);
    if (j < 0 || !wide) return j >= 0;
    for (int32_t e : {1, 4, 5}) {
        j = partnerOf(list, count, j, magnitude(pattern[e]), pattern[e] > 0);
        if (j < 0) return false;
    }
    return true;
}

// Along the column through the pattern, the symbol's top above the row and its bottom below it:
// the strongest steps on either side beyond 8 and of opposite signs.
bool spansRows(const cimg_windowConst& w, int32_t column, int32_t row, int32_t reach) {
    if (row - reach - 2 < 0 || row + reach + 3 > w.height - 1) return false;
    auto p = [&](int32_t y) { return static_cast<int32_t>(w.pixels[y * w.pitch + column]); };
    int32_t above = 0, below = 0;
    for (int32_t y = row - reach; y <= row + reach; ++y) {
        int32_t g = (p(y - 2) + p(y - 1) + p(y)) - (p(y + 1) + p(y + 2) + p(y + 3));
        int32_t& side = y < row ? above : below;
        if (y != row && std::abs(g) > std::abs(side)) side = g;
    }
    return std::abs(above) > 8 && std::abs(below) > 8 && (above > 0) != (below > 0);
}

bool nextMatches(const int16_t* e, const cid2d_trackingParams& p, int32_t* t) {
    int32_t w[5];
    for (int32_t j = 0; j < 5; ++j) w[j] = magnitude(e[j + 1]) - magnitude(e[j]);
    if (magnitude(e[5]) - magnitude(e[0]) > p.maxSymbolSize) return false;
    *t = startTolerance(w);
    return std::abs(w[0] - w[1]) <= *t && std::abs(w[3] - w[4]) <= *t &&
           std::abs(w[0] + w[1] - w[3] - w[4]) <= *t && w[0] + w[1] + w[3] - w[2] >= -*t &&
           w[1] + w[3] + w[4] - w[2] >= -*t;
}

}  // namespace

namespace cidut {

int32_t findMatchingPdp(const cimg_imageConst* image, const cid2d_trackingParams* params,
                        const cid_mask* mask, const cmath_xformLinear* maskArgument,
                        cimg_image* marker, int32_t patternMode, const int16_t* edges,
                        int32_t edgeCount, int32_t profileLength, int32_t stopPattern,
                        const cmath_vect* edgePositions, const uint8_t* profile,
                        holeMemory* holes, cid2d_trackingResult* result) {
    CSTD_ASSERT(image && params && marker && result);
    cimg_windowConst window;
    markerGrid grid;
    int32_t status = viewImageAndMarker(image, marker, &window, &grid);
    if (status < 0) return status;
    const lineInput in{edges, edgeCount, profileLength, edgePositions, profile};
    if ((status = checkLine(in, window)) < 0) return status;
    cbt_runParams run;
    if ((status = driverRunParams(*params, &run)) < 0) return status;
    cid2d_trackingResult_reset(result);
    const int32_t k = stopPattern ? 3 : 5;
    for (int32_t i = 0; i + k < edgeCount && !result->found; ++i) {
        int32_t x = 0, y = 0;
        pixelOf(window, edgePositions[magnitude(edges[i])], &x, &y);
        const unsigned char* cell = grid.ofWindowPixel(x, y);
        cid2d_trackingSeed seed;
        if (!cell || *cell || !matchSeed(in, window, *params, i, stopPattern != 0, &seed)) continue;
        status = findPdpFromSeed(image, params, &seed, &run, marker, patternMode, mask,
                                 maskArgument, holes, result);
        if (status < 0) return status;
    }
    return 0;
}

}  // namespace cidut

extern "C" {

int32_t cf_BndFindMatchingPDP(const cimg_imageConst* image, const cid2d_trackingParams* params,
                              const cid_mask* mask, int32_t ignored,
                              const cmath_xformLinear* maskArgument, cimg_image* marker,
                              int32_t patternMode, const int16_t* edges, int32_t edgeCount,
                              int32_t profileLength, int32_t stopPattern,
                              const cmath_vect* edgePositions, const uint8_t* profile,
                              cid2d_trackingResult* result) {
    (void)ignored;
    return findMatchingPdp(image, params, mask, maskArgument, marker, patternMode, edges,
                           edgeCount, profileLength, stopPattern, edgePositions, profile, nullptr,
                           result);
}

int32_t cf_BndFindNextPDP(const cimg_imageConst* image, const cid2d_trackingParams* params,
                          const cid_mask* mask, int32_t ignored,
                          const cmath_xformLinear* maskArgument, cimg_image* marker,
                          int32_t patternMode, const int16_t* edges, const int16_t* edgesA,
                          const int16_t* edgesB, int32_t edgeCount, int32_t edgeCountA,
                          int32_t edgeCountB, cid2d_trackingResult* result) {
    (void)ignored;
    CSTD_ASSERT(image && params && marker && result);
    cimg_windowConst window;
    markerGrid grid;
    int32_t status = viewImageAndMarker(image, marker, &window, &grid);
    if (status < 0) return status;
    const int32_t line = params->firstScanLine;
    if (line < 0 || line >= params->scanLineCount) return CID_STATUS_OUT_OF_RANGE;
    CSTD_ASSERT(params->scanLines);
    const int32_t x0 = window.xOffset, lastColumn = x0 + window.width - 1;
    const int32_t y = params->scanLines[line] - window.yOffset;
    if (y < 0 || y >= window.height) return CID_STATUS_OUTSIDE_WINDOW;
    for (auto [list, count] : {std::pair{edges, edgeCount}, std::pair{edgesA, edgeCountA},
                               std::pair{edgesB, edgeCountB}}) {
        status = checkEdges(list, count, x0, lastColumn, CID_STATUS_OUTSIDE_WINDOW);
        if (status < 0) return status;
    }
    cbt_runParams run;
    if ((status = driverRunParams(*params, &run)) < 0) return status;
    cid2d_trackingResult_reset(result);
    result->scanLineIndex = line;
    if (y < 3) return 0;
    const uint8_t* row = window.pixels + y * window.pitch;
    for (int32_t i = 0; i + 5 < edgeCount && magnitude(edges[i]) < lastColumn - 4; ++i) {
        const int32_t x = magnitude(edges[i]) - x0;
        const unsigned char* cell = grid.ofWindowPixel(x, y);
        int32_t t = 0;
        if (!cell || *cell || !nextMatches(edges + i, *params, &t)) continue;
        const int32_t width = magnitude(edges[i + 5]) - magnitude(edges[i]);
        const bool wide = width - (magnitude(edges[i + 3]) - magnitude(edges[i + 2])) > 31;
        if (!confirmedOn(edgesA, edgeCountA, edges + i, wide) ||
            !confirmedOn(edgesB, edgeCountB, edges + i, wide) ||
            !spansRows(window, (magnitude(edges[i + 2]) + magnitude(edges[i + 3])) / 2 - x0, y,
                       2 * (width + 1) / 3 + 5)) {
            continue;
        }
        int32_t at[6];
        for (int32_t j = 0; j < 6; ++j) at[j] = magnitude(edges[i + j]) - x0;
        cid2d_trackingSeed seed{x,        y,        0,       patternThreshold(row, window.width, at, 5, t),
                                line,     edges[i] > 0 ? 1 : 0, (x + 2) * 256, y * 256,
                                (x - 1) * 256, y * 256};
        status = cf_BndFindPDPSymbolFromSeed(image, params, &seed, &run, marker, patternMode, mask,
                                             0, maskArgument, result);
        if (status < 0) return status;
        if (result->found) break;
    }
    result->scanLineIndex = line;
    return 0;
}
}
