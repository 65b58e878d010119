/* Data Matrix location by boundary tracking.
 *
 * From a seed edge the boundary tracker follows the contour of the blob at the seed's grey level;
 * the contour is smoothed and cut into straight runs, and the L-corner finder fits the symbol's
 * solid finder sides. A found symbol is an affine rectangle in the result: rect.po is the corner
 * where the two solid sides meet, rect.px and rect.py the far ends of those sides (ordered so that
 * cross(px - po, py - po) <= 0), farCorner the fourth corner. Coordinates are image coordinates,
 * pixel (i, j) covering [i, i + 1) x [j, j + 1).
 *
 * Work buffer: params->workBuffer must hold CID2D_WORK_BUFFER_MIN bytes (4-byte aligned).
 *
 * Marker image: an 8-bit image the caller clears before a search and passes to every call of it.
 * Cell (i, j) (pixel (i, j) of the marker's window) covers the searched image's window pixels
 * 4i .. 4i + 3, 4j .. 4j + 3, so the marker's window needs at least ceil(width / 4) x
 * ceil(height / 4) pixels; a smaller one gives CID_STATUS_INVALID_IMAGE, an unbound one
 * CIMG_STATUS_NOT_BOUND. A non-zero cell has been tracked through already, and seeds on it are
 * skipped.
 *
 * Masks: a mask (may be null) records symbols already found; seeds and found symbols that fall on
 * it are skipped. maskArgument maps image coordinates into the frame of the mask's regions; null
 * means they are the same.
 *
 * Seeds (cid2d_trackingSeed) are window-relative, as the seed finders make them. A search that
 * finds nothing is a success with result->found 0. The size limit of tracking.h applies. */
#ifndef CI_ID_DMFINDER_H
#define CI_ID_DMFINDER_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/mask.h"
#include "ci_id/platform/cbt.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/tracking.h"

CI_ID_EXTERN_C_BEGIN

/* Tracks the seed's blob and fits a Data Matrix to it. runParams: the caller's tracker settings
 * (as the find-next drivers make them); the per-seed start points, threshold, polarity and point
 * limit are set here. The seventh argument is not read. */
CI_ID_API int32_t cf_BndFindDMSymbolFromSeed(const cimg_imageConst* image,
                                             const cid2d_trackingParams* params,
                                             const cid2d_trackingSeed* seed,
                                             const cbt_runParams* runParams, cimg_image* marker,
                                             const cid_mask* mask, int32_t ignored,
                                             const cmath_xformLinear* maskArgument,
                                             cid2d_trackingResult* result);

/* The same with the adaptive tracker (trackMode as cbt_boundaryTrack_Adaptive takes it; 0 also
 * applies the size tests of the adaptive search). It reports whether an L lies at the seed's blob
 * (result->found) and leaves its vertex and arm ends, in whole pixels, in result->track.slots
 * (vertex, vertex, end of the first arm, end of the second); it writes no rectangle. */
CI_ID_API int32_t cf_BndFindDMSymbolFromSeed_Adaptive(
    const cimg_imageConst* image, const cid2d_trackingParams* params,
    const cid2d_trackingSeed* seed, const cbt_runParams* runParams, cimg_image* marker,
    const cid_mask* mask, const cmath_xformLinear* maskArgument, int32_t trackMode,
    cid2d_trackingResult* result);

/* Follows the seed's edge up and down the image first (4 rows a step); only a seed on a long,
 * straight edge is tracked. Uses the work buffer for the edge list. */
CI_ID_API int32_t cf_DcdFindDMSymbolFromSeed(const cimg_imageConst* image,
                                             const cid2d_trackingParams* params,
                                             const cid2d_trackingSeed* seed,
                                             const cbt_runParams* runParams, cimg_image* marker,
                                             const cid_mask* mask, int32_t ignored,
                                             const cmath_xformLinear* maskArgument,
                                             cid2d_trackingResult* result);

/* Walks params->scanLines from params->firstScanLine (rows or columns, image coordinates) and
 * tracks every edge on them until a symbol is found. result->scanLineIndex tells the line on
 * which the walk stopped; to find the next symbol, set firstScanLine to it and call again with
 * the same marker. lowThreshold non-zero accepts weaker edges (33 instead of 45). The fourth
 * argument is not read. */
CI_ID_API int32_t cf_BndFindNextDMSymbol(const cimg_imageConst* image,
                                         const cid2d_trackingParams* params, const cid_mask* mask,
                                         int32_t ignored, const cmath_xformLinear* maskArgument,
                                         int32_t lowThreshold, cimg_image* marker,
                                         cid2d_trackingResult* result);

/* The same walk with the adaptive finder. */
CI_ID_API int32_t cidut_BoundaryTrackerSearchDMSymbolAdaptiveThreshold(
    const cimg_imageConst* image, const cid2d_trackingParams* params, const cid_mask* mask,
    const cmath_xformLinear* maskArgument, int32_t lowThreshold, cimg_image* marker,
    cid2d_trackingResult* result);

CI_ID_EXTERN_C_END

#endif
