/* Grey-level thresholds, dark and light classes, binarization of 8-bit images and the sharpness
 * of a symbol region.
 *
 * Histograms are arrays of 32-bit unsigned counts, one per grey level (256 for 8-bit images).
 * Every call returns a status; null pointers are preconditions.
 *
 * Sound behaviour where a division or an overflow would otherwise follow from bad input:
 * - the tiled methods give CID_STATUS_OUT_OF_RANGE for tile counts below 1 and for a rectangle
 *   whose sides give tiles of no pixel (a side shorter than tilesAcross, or tilesAcross not
 *   positive);
 * - cidut_divideBufferByConstant32_8 gives CID_STATUS_DIVISION_BY_ZERO for a divisor of 0;
 * - the local mean keeps its column and window sums in 32 bits, so every window up to
 *   CIDUT_BINARIZE_MAX_MEAN_WINDOW is exact; a larger window, one below 1 and a source smaller
 *   than the window give CID_STATUS_OUT_OF_RANGE. */
#ifndef CI_ID_THRESHOLD_H
#define CI_ID_THRESHOLD_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cmath_shape.h"
#include "ci_id/platform/cstd_rect32.h"

CI_ID_EXTERN_C_BEGIN

/* ---- Binarization ----------------------------------------------------------------------- */

/* Methods. */
#define CIDUT_BINARIZE_GLOBAL_MIDRANGE 0 /* (min + max) / 2 of the statistics image */
#define CIDUT_BINARIZE_GLOBAL_WGV 1      /* within-group-variance threshold (cip_thresh.h) */
#define CIDUT_BINARIZE_TILED_MIDRANGE 2  /* per tile, with a contrast floor */
#define CIDUT_BINARIZE_TILED_DARK 3      /* per-tile maximum against a common dark level */
#define CIDUT_BINARIZE_LOCAL_CONTRAST 4  /* reduced resolution, global fallback */
#define CIDUT_BINARIZE_LOCAL_MEAN 5      /* sliding square window */

/* Regions that supply the statistics of methods 0 to 3. */
#define CIDUT_BINARIZE_REGION_WINDOW 0
#define CIDUT_BINARIZE_REGION_RECT 1
#define CIDUT_BINARIZE_REGION_IMAGE 2

/* Largest local-mean window whose sums stay exact in 32 bits: 255 N^2 < 2^31. */
#define CIDUT_BINARIZE_MAX_MEAN_WINDOW 2901

typedef struct cidut_binarizeParams {
    cmath_shapeAffineRect rect; /* client coordinates; when not null it also sets the tiles */
    cstd_rect32 window;         /* relative to the source's window */
    int64_t reserved[2];        /* zero after construction; nothing reads them */
    int32_t method;
    int32_t regionMode;  /* methods 0 to 3 */
    uint8_t minContrast; /* method 2's floor when the whole source supplies statistics */
    int32_t tilesX;
    int32_t tilesY;
    double tilesAcross;       /* with rect: tile size = side length / tilesAcross */
    double contrastThreshold; /* method 4 */
    int32_t reductionFactor;  /* method 4; below 2 means none */
    uint8_t meanOffset;       /* method 5: white when at least the window mean less this */
    int32_t meanWindow;       /* method 5: side of the window */
} cidut_binarizeParams;

/* Defaults: null rect, empty window, method 3, whole image, minContrast 65, 20 x 10 tiles,
 * tilesAcross 10, contrastThreshold 20, reductionFactor 2, meanOffset 10, meanWindow 15. */
CI_ID_API int32_t cidut_binarizeParams_construct(cidut_binarizeParams* params);
/* Nothing to release. Always 0. */
CI_ID_API int32_t cidut_binarizeParams_destruct(cidut_binarizeParams* params);

/* Binarizes the source window into output: 255 for the pixels on the light side of their
 * threshold, 0 for the others. unusedA and unusedB are not read. contrastMask may be null; only
 * method 4 writes it (255 where the local contrast reaches contrastThreshold).
 *
 * An unbound output (and contrast mask) becomes a new 8-bit image covering the source window at
 * its image coordinates; a bound one must have an 8-bit window of the source window's size (else
 * CID_STATUS_INVALID_IMAGE) and receives the result there. Both take the source's client
 * transforms. Output and source may share pixels.
 *
 * Methods 0 to 3 take their statistics from the window (regionMode 0, params->window, whose
 * width and height must not be 0), the affine rectangle resampled (1) or the whole source window
 * (2); the whole source window is binarized in every mode. The methods:
 * - 0: threshold T = (min + max) >> 1; a pixel is white when it is at least T;
 * - 1: T from cip_threshComputeWGVThresholdFromImage; white at least T;
 * - 2: tiles (tilesX x tilesY, or from rect and tilesAcross), each with the threshold
 *   (max + min) >> 1 when max - min exceeds the floor (minContrast, or the range of the
 *   statistics region when there is one), else 0; white above the threshold;
 * - 3: tiles with the threshold (tile max + D) >> 1, D the smallest tile minimum (or the
 *   statistics region's minimum); white above the threshold;
 * - 4: local contrast at 1 / reductionFactor resolution, the within-group-variance threshold
 *   where there is no contrast; white above the threshold;
 * - 5: white when pixel * N^2 >= (sum of the N x N window) - meanOffset * N^2, the window
 *   centred on the pixel and moved inwards at the borders.
 * Tile rows are h + 1 pixels high (h = height / tilesY) from the top, the last one taking what
 * remains; columns alike.
 *
 * Statuses: CID_STATUS_IMAGE_NOT_BOUND, CID_STATUS_INVALID_IMAGE for the source;
 * CID_STATUS_OUT_OF_RANGE for an empty source window and the cases listed at the top;
 * CID_STATUS_INVALID_VALUE for an unknown method; those of the image operations. An unknown
 * regionMode is a precondition. */
CI_ID_API int32_t cidut_binarizeImage(cimg_image* output, const void* unusedA, const void* unusedB,
                                      cimg_image* contrastMask, const cimg_imageConst* source,
                                      const cidut_binarizeParams* params);

/* ---- Histogram thresholds --------------------------------------------------------------- */

typedef struct cid_thresholdResult {
    int32_t isValid;   /* 1 once a threshold has been computed */
    double quality;    /* Otsu separability 0 .. 1; 1 for the percentile; 0 for one level */
    int32_t threshold; /* pixels at or above it belong to the upper class */
} cid_thresholdResult;

/* Sets every field to 0. Always 0. */
CI_ID_API int32_t cid_thresholdResult_init(cid_thresholdResult* result);

/* Otsu's threshold of numBins counts: the split with the largest between-class variance, the
 * lowest on ties; quality = that variance over the total variance. One occupied bin gives that
 * bin with quality 0. An empty histogram and numBins below 1 are preconditions. */
CI_ID_API int32_t cid_thresholdHist(const uint32_t* histogram, int32_t numBins,
                                    cid_thresholdResult* result);

/* cid_thresholdHist of the 256-bin histogram of the image's window. CID_STATUS_IMAGE_NOT_BOUND,
 * CID_STATUS_INVALID_IMAGE; CID_STATUS_OUT_OF_RANGE for an empty window. */
CI_ID_API int32_t cid_threshold(const cimg_imageConst* image, cid_thresholdResult* result);

/* The first grey level whose cumulative count reaches fraction of the window's pixels (256 when
 * none does), quality 1. Statuses as cid_threshold. */
CI_ID_API int32_t cid_thresholdBasedOnPercentage(const cimg_imageConst* image, float fraction,
                                                 cid_thresholdResult* result);

/* Adds the grey levels of a window of width x height pixels, rows rowStride bytes apart, to the
 * 256 counts (which are not cleared). width, height and rowStride of at least 1 are
 * preconditions. */
CI_ID_API int32_t cfPelHistogramSmall(const uint8_t* pixels, int32_t width, int32_t height,
                                      intptr_t rowStride, uint32_t* counts);

/* ---- Dark and light classes ------------------------------------------------------------- */

/* The dark class is bins 0 .. darkThreshold, the light class lightThreshold .. numBins - 1 (both
 * cut to the histogram). Each mean is the count-weighted grey level, each deviation the root of
 * the weighted mean squared distance from it. An empty dark class has mean darkThreshold / 2 and
 * an empty light class (lightThreshold + 255) / 2 (integer halving), with deviation 0. numBins
 * below 1 is a precondition. Always 0. */
CI_ID_API int32_t cidut_getDarkLightMeanThreshold_(const uint32_t* histogram, int32_t numBins,
                                                   int32_t darkThreshold, int32_t lightThreshold,
                                                   double* darkMean, double* lightMean,
                                                   double* darkDeviation, double* lightDeviation);

/* The same with darkThreshold = the grey level at darkPercent percent of the pixels and
 * lightThreshold = the level at 100 - lightPercent percent (cip_pelHistogramStat_invCum).
 * Percentages outside 0 .. 100 are preconditions; an empty histogram gives
 * CSYS_STATUS_SIZE_OUT_OF_RANGE. */
CI_ID_API int32_t cidut_getDarkLightMeanPercent_(const uint32_t* histogram, int32_t numBins,
                                                 int32_t darkPercent, int32_t lightPercent,
                                                 double* darkMean, double* lightMean,
                                                 double* darkDeviation, double* lightDeviation);

/* ---- Sharpness ------------------------------------------------------------------------- */

/* min(1, E / (L - D)) when L - D > 1, else 0: D and L are the dark and light class means of the
 * image window at 10 % and 10 % (bin 0 left out when ignoreBlack is non-zero), E the light class
 * mean, also at 10 %, of its gradient magnitudes (cip_edge_detectMagAng with sigma 1, no
 * thresholds). A sharp step of contrast c gives E close to c, a blurred one less. Statuses of
 * the image and edge operations; CSYS_STATUS_SIZE_OUT_OF_RANGE when either histogram is empty
 * (a window below 3 x 3 pixels has no gradient, an all-black one with ignoreBlack no pixel). */
CI_ID_API int32_t cidut_getImageSharpnessFromSymbolRegion_(const cimg_imageConst* image,
                                                           int32_t ignoreBlack, double* sharpness);

/* ---- Element-wise division -------------------------------------------------------------- */

/* destination[i] = the low 8 bits of source[i] / divisor, i = 0 .. count - 1 (none for count
 * below 1). The reciprocal-multiply kernel runs unless the optimisation-inhibit hook forbids
 * L"cidut_divideBufferByConstant32_8"; the portable division gives the same bytes. */
CI_ID_API int32_t cidut_divideBufferByConstant32_8(const uint32_t* source, int32_t count,
                                                   uint32_t divisor, uint8_t* destination);

CI_ID_EXTERN_C_END

#endif
