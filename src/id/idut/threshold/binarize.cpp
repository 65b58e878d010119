// Binarization entry: parameter defaults, output preparation, the statistics region of the
// global and tiled methods, and the two global methods.
#include "ci_id/priv/ci_idut/threshold/binarize.h"
#include "ci_id/platform/cip_affine.h"
#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/cip_pelarith.h"
#include "ci_id/platform/cip_thresh.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/priv/ci_idut/pixel/image.h"
#include "ci_id/status.h"

namespace {

using cidut::binarizeJob;

// An unbound image becomes a new one over the source window; a bound one must match it.
int32_t prepareResult(cimg_image* image, const cimg_imageConst* source,
                      const cimg_windowConst& window, bool* madeNew) {
    int32_t bound = 0;
    cimg_image_getIsBound(image, &bound);
    *madeNew = !bound;
    int32_t status = 0;
    if (!bound) {
        status = cimg_image_assignNew(image, CIMG_DEPTH_8U, window.width, window.height);
        if (status >= 0) status = cimg_image_setImageOffset(image, window.xOffset, window.yOffset);
    } else {
        cimg_windowConst own;
        status = cimg_windowConst_init(&own, &image->asConst);
        if (status < 0) return status;
        if (own.depth != CIMG_DEPTH_8U || own.width != window.width ||
            own.height != window.height) {
            return CID_STATUS_INVALID_IMAGE;
        }
    }
    if (status >= 0) status = cimg_image_copyXforms(image, source);
    return status;
}

// The statistics image of methods 0 to 3 by regionMode; *has = false for the whole source.
int32_t buildReference(const binarizeJob& job, cimg_image* reference, bool* has) {
    const cidut_binarizeParams& p = *job.params;
    *has = p.regionMode != CIDUT_BINARIZE_REGION_IMAGE;
    switch (p.regionMode) {
        case CIDUT_BINARIZE_REGION_IMAGE:
            return 0;
        case CIDUT_BINARIZE_REGION_WINDOW: {
            CSTD_ASSERT(p.window.width != 0 && p.window.height != 0);
            const int64_t x = int64_t{job.window.xOffset} + p.window.x;
            const int64_t y = int64_t{job.window.yOffset} + p.window.y;
            if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) {
                return CID_STATUS_OUT_OF_RANGE;
            }
            int32_t status = cimg_imageConst_assign(&reference->asConst, job.source);
            if (status < 0) return status;
            return cimg_image_window(reference, int32_t(x), int32_t(y), p.window.width,
                                     p.window.height);
        }
        case CIDUT_BINARIZE_REGION_RECT:
            return cip_affine8(job.source, &p.rect, reference);
        default:
            CSTD_ASSERT(!"regionMode is 0, 1 or 2");
            return CID_STATUS_INVALID_VALUE;
    }
}

int32_t globalThreshold(int32_t method, const cimg_imageConst* statistics, int32_t* threshold) {
    if (method == CIDUT_BINARIZE_GLOBAL_MIDRANGE) {
        uint8_t low = 0, high = 0;
        int32_t status = cip_pelUnaryMinMax8(statistics, &low, &high);
        if (status < 0) return status;
        CSTD_ASSERT(low <= high);
        *threshold = (low + high) >> 1;
        return 0;
    }
    cip_threshParams params;
    cip_threshParams_init(&params);
    cip_threshResult result;
    int32_t status = cip_threshComputeWGVThresholdFromImage(statistics, &params, &result);
    if (status >= 0) *threshold = result.threshold;
    return status;
}

int32_t binarizeWithStatistics(const binarizeJob& job) {
    csys::cleanupScope<1> scope;
    cimg_image reference;
    cimg_image_constructUnbound(&reference);
    scope.scratch<cimg_image_destruct>(&reference);
    bool has = false;
    int32_t status = buildReference(job, &reference, &has);
    if (status < 0) return scope.close(status);
    const cimg_imageConst* statistics = has ? &reference.asConst : nullptr;
    const int32_t method = job.params->method;
    if (method >= CIDUT_BINARIZE_TILED_MIDRANGE) {
        return scope.close(cidut::binarizeTiled(job, statistics));
    }
    int32_t threshold = 0;
    status = globalThreshold(method, statistics ? statistics : job.source, &threshold);
    if (status < 0) return scope.close(status);
    uint8_t table[256];
    cidut::binaryTable(threshold, table);
    return scope.close(cip_pelMap8(job.source, job.target, table));
}

int32_t runMethod(const binarizeJob& job) {
    switch (job.params->method) {
        case CIDUT_BINARIZE_LOCAL_CONTRAST:
            return cidut::binarizeLocalContrast(job);
        case CIDUT_BINARIZE_LOCAL_MEAN:
            return cidut::binarizeLocalMean(job);
        default:
            return binarizeWithStatistics(job);
    }
}

bool knownMethod(int32_t method) {
    return method >= CIDUT_BINARIZE_GLOBAL_MIDRANGE && method <= CIDUT_BINARIZE_LOCAL_MEAN;
}

}  // namespace

namespace cidut {

void binaryTable(int32_t firstWhite, uint8_t table[256]) {
    for (int32_t v = 0; v < 256; ++v) table[v] = v >= firstWhite ? 255 : 0;
}

}  // namespace cidut

extern "C" {

int32_t cidut_binarizeParams_construct(cidut_binarizeParams* params) {
    CSTD_ASSERT(params);
    *params = cidut_binarizeParams{};
    params->method = CIDUT_BINARIZE_TILED_DARK;
    params->regionMode = CIDUT_BINARIZE_REGION_IMAGE;
    params->minContrast = 65;
    params->tilesX = 20;
    params->tilesY = 10;
    params->tilesAcross = 10.0;
    params->contrastThreshold = 20.0;
    params->reductionFactor = 2;
    params->meanOffset = 10;
    params->meanWindow = 15;
    return cmath_shapeAffineRect_initNull(&params->rect);
}

int32_t cidut_binarizeParams_destruct(cidut_binarizeParams* params) {
    CSTD_ASSERT(params);
    return 0;
}

int32_t cidut_binarizeImage(cimg_image* output, const void* unusedA, const void* unusedB,
                            cimg_image* contrastMask, const cimg_imageConst* source,
                            const cidut_binarizeParams* params) {
    (void)unusedA;
    (void)unusedB;
    CSTD_ASSERT(output && source && params);
    binarizeJob job{source, {}, params, output, nullptr};
    int32_t status = cidut::window8(source, &job.window);
    if (status < 0) return status;
    if (job.window.width < 1 || job.window.height < 1) return CID_STATUS_OUT_OF_RANGE;
    if (!knownMethod(params->method)) return CID_STATUS_INVALID_VALUE;
    csys::cleanupScope<3> scope;
    bool madeNew = false;
    status = prepareResult(output, source, job.window, &madeNew);
    if (madeNew) scope.output<cimg_image_setUnbound>(output);
    if (status < 0) return scope.close(status);
    const bool masked = contrastMask && params->method == CIDUT_BINARIZE_LOCAL_CONTRAST;
    if (masked) {
        job.contrastMask = contrastMask;
        status = prepareResult(contrastMask, source, job.window, &madeNew);
        if (madeNew) scope.output<cimg_image_setUnbound>(contrastMask);
        if (status < 0) return scope.close(status);
    }
    // A result that would overwrite source pixels still to be read goes through an image of
    // its own.
    cimg_image staging;
    cimg_image_constructUnbound(&staging);
    scope.scratch<cimg_image_destruct>(&staging);
    const bool staged = cip_pelfunc_checkMemoryOverlap(source, &output->asConst) != 0;
    if (staged) {
        const cstd_rect32 rect = cidut::rectOf(job.window);
        status = cimg_image_constructRect(&staging, CIMG_DEPTH_8U, &rect);
        if (status < 0) return scope.close(status);
        job.target = &staging;
    }
    status = runMethod(job);
    if (status >= 0 && staged) status = cip_pelCopyWindow8(&staging.asConst, output);
    return scope.close(status);
}
}
