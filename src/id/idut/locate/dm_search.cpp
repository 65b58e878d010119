// Data Matrix search drivers: walk scan lines for seeds and hand each unvisited one to a
// finder; and the edge-following check of cf_DcdFindDMSymbolFromSeed.
#include <algorithm>
#include <cstdlib>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/locate/dm_finder.h"
#include "ci_id/priv/ci_idut/locate/hole_memory.h"
#include "ci_id/priv/ci_idut/locate/seeds.h"
#include "ci_id/status.h"

namespace {

using namespace cidut;

// Hands one seed to the finder the driver runs.
using seedFinder = int32_t (*)(const cimg_imageConst*, const cid2d_trackingParams*,
                               const cid2d_trackingSeed*, const cbt_runParams*, cimg_image*,
                               const cid_mask*, const cmath_xformLinear*, holeMemory*,
                               cid2d_trackingResult*);

// The adaptive tracker's threshold follows the grey level, so its holes are no fixed sets of
// edges to remember: the memory stays empty.
int32_t adaptiveFinder(const cimg_imageConst* image, const cid2d_trackingParams* params,
                       const cid2d_trackingSeed* seed, const cbt_runParams* run, cimg_image* marker,
                       const cid_mask* mask, const cmath_xformLinear* maskArgument, holeMemory*,
                       cid2d_trackingResult* result) {
    return cf_BndFindDMSymbolFromSeed_Adaptive(image, params, seed, run, marker, mask, maskArgument,
                                               0, result);
}

struct searchContext {
    const cimg_imageConst* image;
    const cid2d_trackingParams* params;
    const cid_mask* mask;
    const cmath_xformLinear* maskArgument;
    cimg_image* marker;
    cid2d_trackingResult* result;
    cimg_windowConst window;
    markerGrid grid;
    cbt_runParams run;
    seedFinder finder;
    holeMemory* holes;
    bool adaptiveSkips;  // the adaptive walk also skips columns next to marked contour cells
};

// Whether the adaptive walk may pass over column i of row y: a contour marked close by on the
// left (value above 2) or on the right (value 1 or 2) says this edge was tracked already.
bool skipColumn(const searchContext& c, int i, int y) {
    if (!c.adaptiveSkips) return false;
    if (i > 0 && (i & 3) == 0) {
        const unsigned char* left = c.grid.ofWindowPixel(i - 1, y);
        if (left && *left > 2) return true;
    }
    if ((i & 3) == 3 && i < c.window.width - 1 - 5) {
        const unsigned char* right = c.grid.ofWindowPixel(i + 1, y);
        if (right && (*right == 1 || *right == 2)) return true;
    }
    return false;
}

int32_t walkRow(searchContext& c, int32_t line, int32_t threshold) {
    int y = c.params->scanLines[line] - c.window.yOffset;
    if (y < 3 || y > c.window.height - 1) return 0;
    const unsigned char* row = c.window.pixels + y * c.window.pitch;
    int32_t status = 0;
    walkRowPeaks(row, 3, c.window.width - 1 - 4, threshold, 256, [&](int i, int strength) {
        const unsigned char* cell = c.grid.ofWindowPixel(i, y);
        if (!cell || *cell || skipColumn(c, i, y)) return true;
        cid2d_trackingSeed seed = horizontalSeed(row, i, y, strength, line);
        status = c.finder(c.image, c.params, &seed, &c.run, c.marker, c.mask, c.maskArgument,
                          c.holes, c.result);
        return status >= 0 && !c.result->found;
    });
    return status;
}

int32_t walkColumn(searchContext& c, int32_t line) {
    int x = c.params->scanLines[line] - c.window.xOffset;
    if (x < 3 || x > c.window.width - 1) return 0;
    const unsigned char* top = c.window.pixels + x;
    const intptr_t pitch = c.window.pitch;
    auto p = [&](int j) { return static_cast<int>(top[j * pitch]); };
    int prev2 = 256, prev = 0;
    for (int j = 3; j < c.window.height - 1 - 4; ++j) {
        int g = std::abs(p(j + 3) - p(j));
        bool peak = prev2 < prev && g <= prev && prev >= 15;
        int strength = prev;
        prev2 = prev;
        prev = g;
        const unsigned char* cell = c.grid.ofWindowPixel(x, j);
        if (!peak || !cell || *cell) continue;
        int mean = (p(j - 1) + p(j) + p(j + 1) + p(j + 2)) >> 2;
        cid2d_trackingSeed seed{x,        j,
                                strength, mean,
                                line,     p(j) < mean ? 1 : 0,
                                x * 256,  (j + 2) * 256,
                                x * 256,  (j - 1) * 256};
        int32_t status = c.finder(c.image, c.params, &seed, &c.run, c.marker, c.mask,
                                  c.maskArgument, c.holes, c.result);
        if (status < 0) return status;
        if (c.result->found) return 0;
    }
    return 0;
}

int32_t search(const cimg_imageConst* image, const cid2d_trackingParams* params,
               const cid_mask* mask, const cmath_xformLinear* maskArgument, int32_t lowThreshold,
               cimg_image* marker, cid2d_trackingResult* result, seedFinder finder,
               bool adaptiveSkips) {
    CSTD_ASSERT(image && params && marker && result);
    CSTD_ASSERT(params->scanLines || params->scanLineCount <= 0);
    searchContext c{image, params, mask,   maskArgument, marker,  result,
                    {},    {},     {},     finder,       nullptr, adaptiveSkips};
    int32_t status = viewImageAndMarker(image, marker, &c.window, &c.grid);
    if (status < 0) return status;
    holeMemory holes(c.window);
    if (!cprt_isOptimizationInhibited(L"cf_BndFindNextDMSymbol")) c.holes = &holes;
    if ((status = driverRunParams(*params, &c.run)) < 0) return status;
    cid2d_trackingResult_reset(result);
    const int32_t threshold = lowThreshold ? 33 : 45;
    int32_t line = std::max(params->firstScanLine, 0);
    for (; line < params->scanLineCount; ++line) {
        if ((status = csys_attention_check()) < 0) return status;
        status = params->scanLinesAreRows ? walkRow(c, line, threshold) : walkColumn(c, line);
        if (status < 0) return status;
        if (result->found) break;
    }
    result->scanLineIndex = result->found ? line : std::max(params->scanLineCount, 0);
    return 0;
}

// ---- Edge following before tracking ----

struct edgeWalk {
    const cimg_windowConst& window;  // image coordinates: columns x0 .. x0 + width - 1
    int polarity, mean, strength;
};

// Looks for the seed's edge on one image row near column c; 1 and the record when found.
bool edgeOnRow(const edgeWalk& w, int row, int c, cid2d_trackingSeed* record) {
    const int x0 = w.window.xOffset, y0 = w.window.yOffset;
    const unsigned char* pixels = w.window.pixels + (row - y0) * w.window.pitch - x0;
    auto p = [&](int x) { return static_cast<int>(pixels[x]); };
    for (int k = 0; k <= 12; ++k) {
        int x = c + ((k & 1) ? -(k + 1) / 2 : k / 2);
        if (x - 2 < x0 || x + 3 > x0 + w.window.width - 1) continue;
        int a = p(x + 1) + p(x + 2), b = p(x - 1) + p(x);
        int g = (p(x + 1) + p(x + 2) + p(x + 3)) - (p(x - 2) + p(x - 1) + p(x));
        bool edge = w.polarity == 0
                        ? a < 2 * w.mean && 2 * w.mean < b && g < std::min(-w.strength / 2, -45)
                        : a > 2 * w.mean && 2 * w.mean > b && g > std::max(w.strength / 2, 45);
        if (!edge) continue;
        *record =
            cid2d_trackingSeed{x,          row,           g,         (a + b) >> 2,  0,
                               w.polarity, (x + 1) * 256, row * 256, (x - 1) * 256, row * 256};
        return true;
    }
    return false;
}

// Follows the edge 4 rows at a time from the seed's row in one direction, appending accepted
// edges to the list; returns the steps taken.
int followEdge(const edgeWalk& w, int seedRow, int direction, int maxSteps,
               cid2d_trackingSeed* list, int* count) {
    int column = list[*count - 1].x;
    int misses = 0, steps = 0;
    for (int s = 1; s < maxSteps; ++s) {
        int row = seedRow + direction * 4 * s;
        if (row < w.window.yOffset || row > w.window.yOffset + w.window.height - 1) break;
        steps = s;
        cid2d_trackingSeed record;
        bool accepted = edgeOnRow(w, row, column, &record);
        if (accepted && *count >= 2) {
            const cid2d_trackingSeed& r1 = list[*count - 1];
            const cid2d_trackingSeed& r2 = list[*count - 2];
            int64_t turn =
                int64_t{r1.y - r2.y} * (record.x - r1.x) - int64_t{r1.x - r2.x} * (row - r1.y);
            accepted = turn < 4;
        }
        if (!accepted) {
            if (++misses == 2) break;
            continue;
        }
        list[(*count)++] = record;
        column = record.x;
    }
    return steps;
}

}  // namespace

extern "C" {

int32_t cf_BndFindNextDMSymbol(const cimg_imageConst* image, const cid2d_trackingParams* params,
                               const cid_mask* mask, int32_t ignored,
                               const cmath_xformLinear* maskArgument, int32_t lowThreshold,
                               cimg_image* marker, cid2d_trackingResult* result) {
    (void)ignored;
    return search(image, params, mask, maskArgument, lowThreshold, marker, result,
                  &findDataMatrixFromSeed, false);
}

int32_t cidut_BoundaryTrackerSearchDMSymbolAdaptiveThreshold(
    const cimg_imageConst* image, const cid2d_trackingParams* params, const cid_mask* mask,
    const cmath_xformLinear* maskArgument, int32_t lowThreshold, cimg_image* marker,
    cid2d_trackingResult* result) {
    return search(image, params, mask, maskArgument, lowThreshold, marker, result, &adaptiveFinder,
                  true);
}

int32_t cf_DcdFindDMSymbolFromSeed(const cimg_imageConst* image, const cid2d_trackingParams* params,
                                   const cid2d_trackingSeed* seed, const cbt_runParams* runParams,
                                   cimg_image* marker, const cid_mask* mask, int32_t ignored,
                                   const cmath_xformLinear* maskArgument,
                                   cid2d_trackingResult* result) {
    CSTD_ASSERT(image && params && seed && runParams && marker && result);
    CSTD_ASSERT(params->workBuffer && params->workBufferSize >= CID2D_WORK_BUFFER_MIN);
    result->found = 0;
    cimg_windowConst window;
    markerGrid grid;
    int32_t status = viewImageAndMarker(image, marker, &window, &grid);
    if (status < 0) return status;
    unsigned char* seedCell = grid.ofWindowPixel(seed->x, seed->y);
    if (!seedCell) return 0;

    // The edge list lives in the work buffer; the seed, in image coordinates, opens it.
    auto* list = reinterpret_cast<cid2d_trackingSeed*>(params->workBuffer);
    list[0] = *seed;
    list[0].x += window.xOffset;
    list[0].y += window.yOffset;
    int count = 1;
    edgeWalk walk{window, seed->polarity, seed->mean, seed->strength};
    const int seedRow = list[0].y;
    int upward = followEdge(walk, seedRow, -1, 40, list, &count);
    std::reverse(list, list + count);
    followEdge(walk, seedRow, 1, 40 - upward, list, &count);
    if (count <= 5) return 0;
    *seedCell = 0;
    return cf_BndFindDMSymbolFromSeed(image, params, seed, runParams, marker, mask, ignored,
                                      maskArgument, result);
}
}
