/* One-dimensional barcode candidates: two quick tests built on the boundary tracker.
 *
 * Both scan a short line of the image for edges where the grey level falls (light to dark in the
 * scan's direction), track the blob boundary at each of them (at most 20; a contour may have at
 * most 100 points, so bars longer than about 45 pixels are not measured), take the longest
 * straight side of every closed contour as a bar edge and the median of those edges' slopes as the
 * bar direction. The measurement counts when more than two blobs gave an edge and they are more
 * than two thirds of those tracked.
 *
 * Coordinates are image coordinates, pixel (i, j) covering [i, i + 1) x [j, j + 1). The scanned
 * line is clipped to the image's window, and tracking never leaves the window. An unbound image
 * gives CIMG_STATUS_NOT_BOUND, one that is not 8-bit CIMG_STATUS_INVALID_IMAGE, a window beyond
 * the tracker's size limit (tracking.h) CSYS_STATUS_SIZE_OUT_OF_RANGE; running out of memory
 * CSYS_STATUS_OUT_OF_MEMORY. Null pointers are preconditions. */
#ifndef CI_ID_BARCODE_H
#define CI_ID_BARCODE_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cmath_shape.h"
#include "ci_id/region.h"

CI_ID_EXTERN_C_BEGIN

/* The orientation of a barcode near the middle of the image's window: the row 25 pixels above
 * the window's centre is scanned over the 100 pixels around the centre. When the bars are
 * measured, *rect becomes the rectangle centred on the measured bar edges whose y side (length
 * 100) runs along the bars and whose x side (the window's width) across them, and *found is set to
 * 1; otherwise neither is written (*found is not cleared). */
CI_ID_API int32_t cid2d_findOneBarcode(const cimg_imageConst* image, cmath_shapeAffineRect* rect,
                                       int32_t* found);

/* Whether the bars around the region's centre run along its y direction (from the middle of the
 * Po-Px side to the middle of the Py-Popp side), to within 18 degrees either way. The row through
 * the centre is scanned when that direction is within 45 degrees of upright (exclusive), else the
 * column, over the 100 pixels around the centre; the straight sides shorter than a quarter of the
 * y centre segment (at most 10 pixels halved) are not counted as bar edges. *isBarcode is 1 for a
 * barcode-like region and *alignedRegion the region turned about its centre so that its y
 * direction follows the measured bars; otherwise *isBarcode is 0 and *alignedRegion a copy of
 * *region. Regions are in the image's client coordinates; a region whose centre is not finite
 * gives CID_STATUS_OUT_OF_RANGE. */
CI_ID_API int32_t cid2d_getIsCandidateBarcodeLike(const cimg_imageConst* image,
                                                  const cid_region* region, int32_t* isBarcode,
                                                  cid_region* alignedRegion);

CI_ID_EXTERN_C_END

#endif
