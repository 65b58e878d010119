// Tracking parameters and results.
#include <climits>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/tracking.h"

extern "C" {

int32_t cid2d_trackingParams_init(cid2d_trackingParams* params) {
    CSTD_ASSERT(params);
    *params = cid2d_trackingParams{};
    params->minSymbolSize = 15.0;
    params->maxSymbolSize = 2000.0;
    params->scanLinesAreRows = 1;
    params->minSmoothing = 3.0;
    params->maxBoundaryPoints = INT32_MAX;
    params->maxCornerPasses = 2;
    return 0;
}

int32_t cid2d_trackingResult_construct(cid2d_trackingResult* result) {
    CSTD_ASSERT(result);
    int32_t status = cmath_shapeAffineRect_init(&result->rect);
    if (status < 0) return status;
    status = cmath_vect_init(&result->farCorner, 0.0, 0.0);
    if (status < 0) return status;
    result->farCornerFromShape = 1;
    result->found = 0;
    status = cbt_result_construct(&result->track, 0);
    if (status < 0) return status;
    result->scanLineIndex = 0;
    result->cornerScore = 0;
    result->quality = 0;
    result->threshold = 0;
    result->seed = cid2d_trackingSeed{};
    return 0;
}

int32_t cid2d_trackingResult_reset(cid2d_trackingResult* result) {
    CSTD_ASSERT(result);
    result->found = 0;
    result->cornerScore = 0;
    return 0;
}

int32_t cid2d_trackingResult_destruct(cid2d_trackingResult* result) {
    CSTD_ASSERT(result);
    result->found = 0;
    return cbt_result_destruct(&result->track);
}
}

CSYS_TYPECHECK_DEFINE(cid2d_trackingResult)
