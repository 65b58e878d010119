/* Grey profiles along a line and the edges in them, for reading one-dimensional symbols.
 *
 * Points are in image coordinates; pixel i covers [i, i + 1) and its centre is i + 0.5. The image
 * is given as its window (cimg_windowConst_init) of 8-bit pixels. A line from p0 to p1 is cut into
 * n equal steps of |p1 - p0| / n pixels (the spacing); cidut_linePixels samples the middle of each
 * step, cidut_linePixels1 its start.
 *
 * Sampling runs in 16.16 fixed point: both points are moved to window coordinates of pixel
 * centres, clipped to the area whose 2 x 2 neighbourhoods lie in the window, and stepped by
 * (p1 - p0) / n truncated to 1/65536 pixel. A sample is the bilinear value with 8-bit weights that
 * sum to 255, so a uniform grey g reads as floor(g * 65025 / 65536): 255 reads as 253, 200 as
 * 198. Samples cut off by the clipping repeat the first or last sample inside.
 *
 * Edges are returned in caller arrays of at least maxEdges entries: strengths (the central
 * difference of the profile, positive where it goes from dark to light in the direction p0 -> p1)
 * and positions in 1/256 pixel along the line.
 *
 * Statuses: CID_STATUS_OUTSIDE_WINDOW when the line misses the window, nothing is left after
 * clipping, or a sample would need a pixel outside it (a line grazing the border at a slant
 * shallower than the step's resolution); CID_STATUS_OUT_OF_RANGE for a sample count below 1 or
 * above 64 times the line's pixel count (at least 1): finer steps lose the line's direction to
 * the truncation; for maxEdges below 1; for a spacing so large that positions leave 32 bits.
 * Allocation failures are passed on. Null pointers and shifted coordinates outside
 * [-65536, 65536) pixels are preconditions.
 *
 * Mended: the 16.16 set-up works in 64 bits, so lines beyond +-32767 pixels do not overflow; the
 * clipped index range is kept within [0, n) and both end samples are checked against the window,
 * where a reading outside it used to be an assertion; the mean sums in 64 bits, so long profiles
 * do not wrap; counts, maxEdges and spacings that would index or shift out of range get a status.
 */
#ifndef CI_ID_ONED_H
#define CI_ID_ONED_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cmath_vect.h"

CI_ID_EXTERN_C_BEGIN

/* *count = |p1 - p0| rounded to the nearest integer (halves away from zero). */
CI_ID_API int32_t cidut_getPixelCount(const cmath_vect* p0, const cmath_vect* p1, int32_t* count);

/* n bilinear samples at p0 + (k + 1/2) (p1 - p0) / n, their mean and the spacing. */
CI_ID_API int32_t cidut_linePixels(const cimg_windowConst* window, const cmath_vect* p0,
                                   const cmath_vect* p1, uint8_t* samples, int32_t n, uint8_t* mean,
                                   double* spacing);
/* The same at p0 + k (p1 - p0) / n, without the spacing. */
CI_ID_API int32_t cidut_linePixels1(const cimg_windowConst* window, const cmath_vect* p0,
                                    const cmath_vect* p1, uint8_t* samples, int32_t n,
                                    uint8_t* mean);
/* For lines with few pixels per module: the positions of cidut_linePixels, each read as the pixel
 * at the top left of its bilinear neighbourhood, without interpolation; no mean. */
CI_ID_API int32_t cidut_linePixels_LowPPM(const cimg_windowConst* window, const cmath_vect* p0,
                                          const cmath_vect* p1, uint8_t* samples, int32_t n,
                                          double* spacing);
/* How much the grey level varies along the line: the sum of |difference| of bilinear samples
 * two steps apart, from p0 + k0 (p1 - p0) / n (k0 the first index inside the window) while the
 * index stays below half the end of the range inside. */
CI_ID_API int32_t cidut_linePixels2D(const cimg_windowConst* window, const cmath_vect* p0,
                                     const cmath_vect* p1, int32_t n, uint32_t* sum);

/* Edges of both polarities in a profile of n samples taken at the given spacing (pixels), in
 * profile order, with positions measured from p0 (sample k's centre lies (k + 1/2) spacings from
 * it). The gradient is d[i] = s[i + 2] - s[i]; a local maximum above the upper bound or minimum
 * below the lower one is an edge, placed at the vertex of the parabola through it and its two
 * neighbours. Bounds: -threshold and threshold, or with adaptive != 0 a third of the strongest
 * falling and rising gradient; nothing is found when no gradient reaches the threshold. With
 * adaptive != 0 an edge less than 2 pixels after the previous one merges with it (the stronger
 * stays). Fewer than 5 samples give no edges. *count is 0 and strengths[0] 0 before any work. */
CI_ID_API int32_t cidut_lineEdgeLoc(const uint8_t* samples, int32_t n, int32_t maxEdges,
                                    int32_t threshold, int32_t adaptive, double spacing,
                                    int32_t* strengths, int32_t* positions, int32_t* count);
/* Edges of one polarity (rising != 0: dark to light only, else light to dark only), found from
 * the far end backwards, so in descending position. The gradient is s[i + 1] - s[i - 1] (one-sided
 * at the ends) and positions are measured from the centre of sample 0. Adaptive bounds are a
 * third of the strongest gradient of each polarity but at least 1 in magnitude; adaptive merging
 * joins an edge less than 2 pixels before the previous one. */
CI_ID_API int32_t cidut_lineEdgeLoc2D(const uint8_t* samples, int32_t n, int32_t maxEdges,
                                      int32_t threshold, int32_t adaptive, int32_t rising,
                                      double spacing, int32_t* strengths, int32_t* positions,
                                      int32_t* count);

/* One sample per pixel of the line (cidut_getPixelCount), sampled by cidut_linePixels and
 * searched by cidut_lineEdgeLoc. */
CI_ID_API int32_t cidut_caliperLite(const cimg_windowConst* window, const cmath_vect* p0,
                                    const cmath_vect* p1, int32_t maxEdges, int32_t threshold,
                                    int32_t adaptive, int32_t* strengths, int32_t* positions,
                                    int32_t* count);

CI_ID_EXTERN_C_END

#endif
