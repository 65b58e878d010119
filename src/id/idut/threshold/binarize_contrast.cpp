// Local-contrast binarization (method 4). At 1/f resolution, R is dilated and eroded over 3 x 3
// (MAX, MIN); a pixel whose 9 x 9 neighbourhood spans at least the contrast threshold takes the
// threshold big minimum + c / 2, c being the contrast just below it (three pixels of the next
// row) when that alone reaches the threshold, else the neighbourhood's; other pixels take the
// global within-group-variance threshold of R. The thresholds are expanded back to full size.
#include <algorithm>
#include <cmath>

#include "ci_id/platform/cip_filter.h"
#include "ci_id/platform/cip_gmorph.h"
#include "ci_id/platform/cip_hist.h"
#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/cip_pelarith.h"
#include "ci_id/platform/cip_thresh.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/priv/ci_idut/threshold/binarize.h"

namespace {

using cidut::binarizeJob;

constexpr int32_t kReach = 4;  // the neighbourhood is 2 kReach + 1 pixels on a side

struct lowest {
    static uint8_t of(uint8_t a, uint8_t b) { return a < b ? a : b; }
};
struct highest {
    static uint8_t of(uint8_t a, uint8_t b) { return a > b ? a : b; }
};

// out[x] = the extremum of in over x - reach .. x + reach, cut to the row.
template <typename Op>
void rowExtremum(const uint8_t* in, uint8_t* out, int32_t n, int32_t reach) {
    for (int32_t x = 0; x < n; ++x) {
        const int32_t last = std::min(n - 1, x + reach);
        uint8_t v = in[std::max(0, x - reach)];
        for (int32_t i = std::max(0, x - reach) + 1; i <= last; ++i) v = Op::of(v, in[i]);
        out[x] = v;
    }
}

// out[x] = the extremum of the rows first .. last of plane (rows of n bytes) at x.
template <typename Op>
void columnExtremum(const uint8_t* plane, int32_t n, int32_t first, int32_t last, uint8_t* out) {
    std::copy(plane + intptr_t{first} * n, plane + intptr_t{first} * n + n, out);
    for (int32_t r = first + 1; r <= last; ++r) {
        const uint8_t* row = plane + intptr_t{r} * n;
        for (int32_t x = 0; x < n; ++x) out[x] = Op::of(out[x], row[x]);
    }
}

struct contrastPlanes {
    cimg_window reduced;  // R, rewritten as the contrast image K
    cimg_windowConst maximum;
    cimg_windowConst minimum;
    cimg_window thresholds;  // Q
    uint8_t* scratch;        // 2 planes and 4 rows of R's width
};

void localThresholds(const contrastPlanes& p, int32_t floor, uint8_t global) {
    const int32_t w = p.reduced.width, h = p.reduced.height;
    uint8_t* spreadMin = p.scratch;
    uint8_t* spreadMax = spreadMin + intptr_t{w} * h;
    uint8_t* bigMin = spreadMax + intptr_t{w} * h;
    uint8_t* bigMax = bigMin + w;
    uint8_t* belowMin = bigMax + w;
    uint8_t* belowMax = belowMin + w;
    for (int32_t y = 0; y < h; ++y) {
        rowExtremum<lowest>(p.minimum.pixels + y * p.minimum.pitch, spreadMin + intptr_t{y} * w, w,
                            kReach);
        rowExtremum<highest>(p.maximum.pixels + y * p.maximum.pitch, spreadMax + intptr_t{y} * w, w,
                             kReach);
    }
    for (int32_t y = 0; y < h; ++y) {
        const int32_t first = std::max(0, y - kReach), last = std::min(h - 1, y + kReach);
        columnExtremum<lowest>(spreadMin, w, first, last, bigMin);
        columnExtremum<highest>(spreadMax, w, first, last, bigMax);
        const int32_t below = std::min(h - 1, y + 1);
        rowExtremum<lowest>(p.minimum.pixels + below * p.minimum.pitch, belowMin, w, 1);
        rowExtremum<highest>(p.maximum.pixels + below * p.maximum.pitch, belowMax, w, 1);
        const uint8_t* maxRow = p.maximum.pixels + y * p.maximum.pitch;
        const uint8_t* minRow = p.minimum.pixels + y * p.minimum.pitch;
        uint8_t* contrast = p.reduced.pixels + y * p.reduced.pitch;
        uint8_t* threshold = p.thresholds.pixels + y * p.thresholds.pitch;
        for (int32_t x = 0; x < w; ++x) {
            contrast[x] = uint8_t(maxRow[x] - minRow[x]);
            const int32_t big = bigMax[x] - bigMin[x];
            if (big < floor) {
                threshold[x] = global;
                continue;
            }
            const int32_t small = belowMax[x] - belowMin[x];
            threshold[x] = uint8_t(bigMin[x] + (small >= floor ? small : big) / 2);
            contrast[x] = uint8_t(big);
        }
    }
}

// The least whole contrast that reaches threshold, in 0 .. 256 (256: none does).
int32_t contrastFloor(double threshold) {
    if (!(threshold <= 255.0)) return 256;
    return threshold <= 0.0 ? 0 : static_cast<int32_t>(std::ceil(threshold));
}

int32_t reduce(const binarizeJob& job, int32_t factor, cimg_image* reduced) {
    if (factor < 2) return cip_pelCopy8(job.source, reduced);
    cip_gaussParams params;
    cip_gaussParams_init(&params);
    params.smoothX = params.smoothY = params.sampleX = params.sampleY = factor;
    return cip_gauss_smooth8_8(job.source, reduced, &params);
}

// R's global threshold G, and its grey dilation and erosion.
int32_t extremaAndFallback(const cimg_image& reduced, cimg_image* maximum, cimg_image* minimum,
                           uint8_t* global) {
    cip_gmorphElementArray element;
    int32_t status = cip_gmorphElementArray_constructType(&element, CIP_GMORPH_SQUARE, 1);
    if (status >= 0) status = cip_gmorphDilate8(&reduced.asConst, &element, maximum);
    if (status >= 0) status = cip_gmorphErode8(&reduced.asConst, &element, minimum);
    uint32_t histogram[256];
    if (status >= 0) status = cip_pelHistogram8(&reduced.asConst, histogram);
    cip_threshParams params;
    cip_threshParams_init(&params);
    cip_threshResult result;
    if (status >= 0) {
        status =
            cip_threshComputeWGVThresholdFromHistogram(histogram, 255, 1, 255, &params, &result);
    }
    if (status >= 0) *global = static_cast<uint8_t>(result.threshold);
    return status;
}

// small, expanded by factor and aligned with the source window, mapped through table into out.
int32_t expandAndMap(const binarizeJob& job, const cimg_image& small, int32_t factor,
                     const uint8_t* table, bool subtractFromSource, cimg_image* out) {
    csys::cleanupScope<2> scope;
    cimg_image full, difference;
    cimg_image_constructUnbound(&full);
    cimg_image_constructUnbound(&difference);
    scope.scratch<cimg_image_destruct>(&full);
    scope.scratch<cimg_image_destruct>(&difference);
    int32_t status = factor < 2 ? cimg_image_assign(&full, &small)
                                : cip_pelExpand8(&small.asConst, &full, factor, factor);
    const cimg_windowConst& w = job.window;
    if (status >= 0) status = cimg_image_setImageOffset(&full, w.xOffset, w.yOffset);
    if (status >= 0) status = cimg_image_window(&full, w.xOffset, w.yOffset, w.width, w.height);
    const cimg_image* mapped = &full;
    if (status >= 0 && subtractFromSource) {
        status = cip_pelSub8(job.source, &full.asConst, CIP_PEL_SUB_CLAMP, &difference);
        mapped = &difference;
    }
    if (status >= 0) status = cip_pelMap8(&mapped->asConst, out, table);
    return scope.close(status);
}

}  // namespace

namespace cidut {

int32_t binarizeLocalContrast(const binarizeJob& job) {
    const int32_t factor = job.params->reductionFactor;
    const int32_t floor = contrastFloor(job.params->contrastThreshold);
    csys::cleanupScope<5> scope;
    cimg_image reduced, maximum, minimum, thresholds;
    for (cimg_image* image : {&reduced, &maximum, &minimum, &thresholds}) {
        cimg_image_constructUnbound(image);
        scope.scratch<cimg_image_destruct>(image);
    }
    uint8_t global = 0;
    int32_t status = reduce(job, factor, &reduced);
    if (status >= 0) status = extremaAndFallback(reduced, &maximum, &minimum, &global);
    if (status >= 0) status = cip_pelCopy8(&reduced.asConst, &thresholds);
    contrastPlanes planes{};
    if (status >= 0) status = cimg_window_init(&planes.reduced, &reduced);
    if (status >= 0) status = cimg_windowConst_init(&planes.maximum, &maximum.asConst);
    if (status >= 0) status = cimg_windowConst_init(&planes.minimum, &minimum.asConst);
    if (status >= 0) status = cimg_window_init(&planes.thresholds, &thresholds);
    void* scratch = nullptr;
    if (status >= 0) {
        const size_t w = size_t(planes.reduced.width), h = size_t(planes.reduced.height);
        status = csys_memory_allocArray_internal(w, 2 * h + 4, &scratch);
    }
    if (status < 0) return scope.close(status);
    scope.scratch<csys_memory_free_internal>(&scratch);
    planes.scratch = static_cast<uint8_t*>(scratch);
    localThresholds(planes, floor, global);
    uint8_t table[256];
    binaryTable(1, table);
    status = expandAndMap(job, thresholds, factor, table, true, job.target);
    if (status >= 0 && job.contrastMask) {
        binaryTable(floor, table);
        status = expandAndMap(job, reduced, factor, table, false, job.contrastMask);
    }
    return scope.close(status);
}

}  // namespace cidut
