/* Gradient edges of 8-bit images: magnitude and angle images, edgel lists with recovery from an
 * edge list that cannot be had, true peaks, and sparse images of the edgels' magnitudes.
 *
 * The detection itself is the edge library's (ci_id/platform/csedge.h, which says what the
 * parameters, magnitudes, angles and positions mean). Every call returns a status; an unbound
 * source gives CID_STATUS_IMAGE_NOT_BOUND, a source or bound output whose pixels are not 8-bit
 * CID_STATUS_INVALID_IMAGE, and statuses of the edge and image libraries are passed on. Windows
 * too small for the operators are no error: they give empty outputs and no edgels. Null pointers
 * are preconditions. */
#ifndef CI_ID_EDGE_H
#define CI_ID_EDGE_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csedge.h"

CI_ID_EXTERN_C_BEGIN

/* The first three fields of the edge library's parameter record: smoothing sigma, low and high
 * threshold. A detection starts from the library's defaults and sets these three (as 32-bit
 * floats, those beyond the range of float saturated). */
typedef struct cip_edgeParams {
    double sigma;
    double lowThreshold;
    double highThreshold;
} cip_edgeParams;

/* The edge library's defaults (csEdgeParamsDefault). */
CI_ID_API int32_t cip_edgeParams_init(cip_edgeParams* params);

/* Gradient magnitude and angle images of the source window less one pixel on every side, cut to
 * the windows of bound outputs (image coordinates); the source is read through that rectangle
 * grown by one pixel. Bound outputs receive the pixels in place; unbound ones become new images
 * of the rectangle at its position. Both outputs then carry the source's client transforms.
 * magnitude and angle must be distinct records. */
CI_ID_API int32_t cip_edge_detectMagAng(const cimg_imageConst* source, const cip_edgeParams* params,
                                        cimg_image* magnitude, cimg_image* angle);

/* The edgels of the source window, handed over into edges (csEdgeListAssign), which need not have
 * any room. The list is made with room for max(width * height, 64) edgels; when that much memory
 * cannot be had, the window is detected in 4 horizontal strips into a list of half that room, or
 * else in 8 strips into a quarter; neighbouring strips overlap by 4 rows, the first is the
 * tallest. CID_STATUS_EDGE_LIST_FULL when even that fails: when the list runs out of room, a strip
 * leaves less room than the next may need, or the window is too low for its strips (the first
 * must have 4 rows or more). */
CI_ID_API int32_t cip_edge_detectEdges(const cimg_imageConst* source, const cip_edgeParams* params,
                                       csEdgeList* edges);

/* One detection of the source window into the caller's lists, set up as the caller left them. */
CI_ID_API int32_t cip_edge_detectEdgesChains(const cimg_imageConst* source,
                                             const cip_edgeParams* params, csEdgeList* edges,
                                             csEdgeChainList* chains);

/* True peaks of the source window, cut to the destination's window when that is bound (an empty
 * overlap: nothing done, 0): a peak is a pixel whose gradient magnitude is at least
 * peakThreshold and is a maximum across the edge; the destination holds its magnitude there and 0
 * elsewhere, and *count is the number of peaks. An unbound destination becomes a new image of
 * the processed rectangle at its position. The destination takes the source's client
 * transforms; it may share pixels with the source.
 *
 * Two implementations, which the optimisation-inhibit hook chooses between (L"cip_truepeak8"):
 * - the main one takes the edge library's edgels (sigma 1, low threshold peakThreshold, high 1);
 * - the portable one takes the unsmoothed Sobel gradient (magnitude Sobel / 4, computed by shifts
 *   and adds to within about 1 %), quantises its direction to eighths of a turn and keeps pixels
 *   that exceed the neighbour ahead and are at least the one behind, neighbours whose direction
 *   points 3 to 5 eighths away counting as 0.
 * Both find peaks on the window less two pixels on every side, put a peak in the pixel where it
 * is found and break ties between equal neighbours across an edge towards the one further along
 * the gradient, so on a sharp step along a row or column they mark the same pixels. Their
 * magnitudes differ: the main one's are smoothed (about two thirds of the portable one's on a
 * sharp step, the same on a ramp). */
CI_ID_API int32_t cip_truepeak8(const cimg_imageConst* source, cimg_image* destination,
                                uint8_t peakThreshold, int32_t* count);

/* destination = a new image of the source window, at its position, with the source's client
 * transforms, 0 except at the edgels of the window (sigma 1, threshold magnitudeThreshold),
 * which hold their magnitudes: at the edgel's pixel and, in the first form, at the pixel to its
 * right too (when that lies in the window). The destination changes only on success. */
CI_ID_API int32_t cf_GetTrueEdgePeakFromEdgelets(const cimg_imageConst* source,
                                                 cimg_image* destination,
                                                 uint8_t magnitudeThreshold);
CI_ID_API int32_t cf_GetTrueEdgePeakFromEdgelets_noPadding(const cimg_imageConst* source,
                                                           cimg_image* destination,
                                                           uint8_t magnitudeThreshold);

CI_ID_EXTERN_C_END

#endif
