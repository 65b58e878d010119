/* Within-group-variance threshold of a grey-level histogram.
 *
 * A threshold t splits the bins into a lower class (bins below t) and an upper class (bins from t
 * on). Among the thresholds low .. high that leave both classes non-empty, the one chosen has
 * the smallest within-group variance w0 var0 + w1 var1 (class counts w, variances var about the
 * class means); ties go to the lowest threshold. Null pointers are preconditions. */
#ifndef CI_ID_CIP_THRESH_H
#define CI_ID_CIP_THRESH_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

typedef struct cip_threshParams {
    /* A split counts only when each class holds at least this fraction of the pixels. */
    double minClassFraction;
} cip_threshParams;

typedef struct cip_threshResult {
    int32_t threshold;      /* pixels at or above it form the upper class */
    int32_t isSeparable;    /* 1 when some threshold of the range counted, else 0 */
    double withinVariance;  /* (w0 var0 + w1 var1) / (w0 + w1) of the chosen split */
    double betweenVariance; /* w0 w1 (mean1 - mean0)^2 / (w0 + w1)^2 */
} cip_threshResult;

/* minClassFraction = 0: every split with two non-empty classes counts. Always 0. */
CI_ID_API int32_t cip_threshParams_init(cip_threshParams* params);

/* The histogram has lastBin + 1 bins. Without a split that counts, the result is the lowest
 * occupied bin (or low, when that is higher) with isSeparable 0 and both variances 0.
 * CSYS_STATUS_SIZE_OUT_OF_RANGE, result untouched, for an empty histogram, lastBin below 0 or a
 * range outside 1 .. lastBin (low > high included). */
CI_ID_API int32_t cip_threshComputeWGVThresholdFromHistogram(const uint32_t* histogram,
                                                             int32_t lastBin, int32_t low,
                                                             int32_t high,
                                                             const cip_threshParams* params,
                                                             cip_threshResult* result);

/* The same over the 256-bin histogram of the image's window, with the range 1 .. 255.
 * CIMG_STATUS_NOT_BOUND and CIMG_STATUS_INVALID_IMAGE as usual; an empty window is an empty
 * histogram. */
CI_ID_API int32_t cip_threshComputeWGVThresholdFromImage(const cimg_imageConst* image,
                                                         const cip_threshParams* params,
                                                         cip_threshResult* result);

CI_ID_EXTERN_C_END

#endif
