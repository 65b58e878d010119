/* Edge scans: the peaks of a signed gradient along a scan shape through an 8-bit image, and the
 * one-dimensional track states that callers carry between scans.
 *
 * cidc_runEdgeScan clips the shape to the ROI (scan.h), walks the pixels of the clipped segment
 * and appends every edge found by the rule of cidc_peakDetectState (peak.h) to the peak vector.
 * Peak positions are scan coordinates u of the segment's line, so cidc_convertPeakToImage(
 * position, segment, roi->originX, roi->originY) gives the edge in image coordinates and
 * cidc_scanLineSeg_initPeakPos builds segments between peaks. A positive strength means the grey
 * level rises along the gradient direction.
 *
 * Three pixel loops serve it:
 * - a horizontal (vertical) line with gradient y (x) component 0: smoothed differences along the
 *   scan, S(k) = P[k - across] + 2 P[k] + P[k + across], g(k) = S(k + 1) - S(k - 1), threshold
 *   T >> 2, strength 4 g, mid level the mean of S / 4 on either side of the edge. The strength is
 *   positive when the grey level rises in the direction of travel, whatever the gradient
 *   direction's sign and size;
 * - other axis-parallel scans: the 3 x 3 Sobel gradient projected onto the gradient direction
 *   (gx, gy): with weights W1 .. W4 for the pixel pairs (below-left - above-right),
 *   (below - above), (below-right - above-left) and (right - left), W = (gy, 2 gy, gy, 0) for
 *   gx = 0, (-gx, 0, gx, 2 gx) for gy = 0, and otherwise (gy' - gx', 2 gy', gx' + gy', 2 gx')
 *   with gx' = 64 gx / N, gy' = 64 gy / N (truncated), N = 2 max + min of |gx|, |gy|; threshold
 *   8 T, strength g / 8, mid level the mean grey of the pixels two steps apart around the edge.
 *   The weights along an axis are taken as given, so their size scales the strength: with
 *   (0, 1) the strength is the Sobel gradient / 8, with (0, 64) 8 times the Sobel gradient;
 * - oblique scans: the same kernel at every pixel of the Bresenham walk between the clipped
 *   segment's end pixels (one pixel along the major axis per step; x is major on ties), with the
 *   same threshold, strength and mid level. A peak's position counts walk steps from the start
 *   pixel, in sixteenths, plus the start's scan coordinate.
 * Weights, gradient sums and scaled thresholds are kept in 32 bits: a direction component of
 * 16384 or more, or a threshold beyond 4095 (the kernel loops) or 2^17 (the smoothed
 * differences), would otherwise wrap 16-bit arithmetic. Where nothing wraps the results are
 * those of 16-bit arithmetic.
 *
 * The loops read the 3 x 3 neighbourhood of every scanned pixel (and one pixel beyond both ends
 * along an axis-parallel scan), so the ROI must keep at least one pixel between its inner
 * pixels and every border of the image's window: cidc_runEdgeScan checks that before reading and
 * returns CID_STATUS_INVALID_PARAMETER when it does not hold (a ROI built with margins of 1 or
 * more on the same window always passes). */
#ifndef CI_ID_EDGESCAN_H
#define CI_ID_EDGESCAN_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/peak.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/scan.h"

CI_ID_EXTERN_C_BEGIN

/* Parameters of an edge scan. */
typedef struct cidc_edgeScanParams {
    int32_t contrastThreshold; /* T: a peak's |strength| must exceed it */
} cidc_edgeScanParams;

/* A gradient direction in image axes; only its direction matters. */
typedef struct cidc_gradientDir16 {
    int16_t x;
    int16_t y;
} cidc_gradientDir16;

/* Scans image (8-bit pixels) along shape clipped to roi and appends the peaks found; *segment
 * receives the clipped segment. All pointers are required.
 * - A shape that misses the ROI, or whose clipped segment is shorter than 3 pixels on an oblique
 *   scan (a single pixel on an axis-parallel one), adds no peak and returns 0 (the segment may
 *   be degenerate).
 * - CIMG_STATUS_NOT_BOUND for an image without pixels, CID_STATUS_INVALID_IMAGE when its pixels
 *   are not 8-bit, CID_STATUS_INVALID_PARAMETER when the ROI's margin is too small (above); these
 *   leave the peaks and *segment untouched.
 * - A failing vector operation returns its status with the peaks as they were. */
CI_ID_API int32_t cidc_runEdgeScan(const cimg_imageConst* image, const cidc_windowROI* roi,
                                   const cidc_edgeScanParams* params, const cidc_scanShape* shape,
                                   const cidc_gradientDir16* gradient,
                                   cstd_vector_cidc_peakIDFixedX_4* peaks,
                                   cidc_scanLineSeg* segment);

/* The same detection on a ready profile: n = countSource->width samples of 32 bits at
 * samples->pixels (a one-row window of depth CIMG_DEPTH_32S holding at least n values). The
 * central differences g(i) = s[i + 1] - s[i - 1], i = 1 .. n - 2, are fed with threshold T,
 * strength g (saturated to 32 bits), mid level the low 8 bits of (s[i - 1] + s[i + 1]) / 2, and
 * positions in sixteenths of a sample counted from sample 1. Fewer than 3 samples give no peak.
 * CID_STATUS_INVALID_IMAGE when samples is not 32-bit or holds fewer than n values (or no row),
 * CID_STATUS_OUT_OF_RANGE for a negative n; the peaks are then untouched. */
CI_ID_API int32_t cidc_runEdgeScanPeakDetection(const cimg_windowConst* countSource,
                                                const cimg_windowConst* samples,
                                                const cidc_edgeScanParams* params,
                                                cstd_vector_cidc_peakIDFixedX_4* peaks);

/* ---- Track states ---- */

/* A tracked value: estimate with fracBits (0 to 7) fraction bits; variance -1 while unknown. */
typedef struct cidc_trackValue {
    int32_t estimate;
    int32_t variance;
    int32_t fracBits;
} cidc_trackValue;

/* A value tracked as constant. */
typedef struct cidc_trackStateConstantVal1D {
    cidc_trackValue value;
    int32_t pending;
} cidc_trackStateConstantVal1D;

/* A value tracked as changing at a constant rate (rate has the value's fracBits); cross is -1
 * while either variance is unknown, else 0. */
typedef struct cidc_trackStateConstantRate1D {
    cidc_trackValue value;
    cidc_trackValue rate;
    int32_t cross;
    int32_t pending;
} cidc_trackStateConstantRate1D;

/* value (0, -1, fracBits), pending 0. */
CI_ID_API int32_t cidc_trackStateConstantVal1D_init(cidc_trackStateConstantVal1D* state,
                                                    int32_t fracBits);
CI_ID_API int32_t cidc_trackStateConstantVal1D_initVal(cidc_trackStateConstantVal1D* state,
                                                       const cidc_trackValue* value,
                                                       int32_t pending);
/* value and rate (0, -1, fracBits), cross -1, pending 0. */
CI_ID_API int32_t cidc_trackStateConstantRate1D_init(cidc_trackStateConstantRate1D* state,
                                                     int32_t fracBits);
/* value and rate must have the same fracBits. */
CI_ID_API int32_t cidc_trackStateConstantRate1D_initVal(cidc_trackStateConstantRate1D* state,
                                                        const cidc_trackValue* value,
                                                        const cidc_trackValue* rate,
                                                        int32_t pending);

CI_ID_EXTERN_C_END

#endif
