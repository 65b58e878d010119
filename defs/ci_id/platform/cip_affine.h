/* Resampling of an affine rectangle of an 8-bit image into an image of its own.
 *
 * The rectangle is given in the source's client coordinates: po, px, py (cmath_shape.h). The
 * result has W = round(|px - po|) columns and H = round(|py - po|) rows; result pixel (i, j) is
 * the source interpolated bilinearly at po + (i + 1/2) / W (px - po) + (j + 1/2) / H (py - po),
 * mapped to image coordinates, where image pixel (x, y) holds the value at (x + 1/2, y + 1/2).
 * Positions beyond the source window take its nearest border pixel. Values are rounded half up.
 * An axis-aligned rectangle with whole-pixel corners therefore copies its pixels. */
#ifndef CI_ID_CIP_AFFINE_H
#define CI_ID_CIP_AFFINE_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cmath_shape.h"

CI_ID_EXTERN_C_BEGIN

/* destination = a new image of the result at image offset (0, 0), identity client transforms.
 * CSYS_STATUS_SIZE_OUT_OF_RANGE when a side rounds to 0 pixels, is not finite or gives more
 * than 2^31 pixels in all; CIMG_STATUS_NOT_BOUND and CIMG_STATUS_INVALID_IMAGE for the source as
 * usual; the destination is then left as it was. Null pointers are preconditions. */
CI_ID_API int32_t cip_affine8(const cimg_imageConst* source, const cmath_shapeAffineRect* rect,
                              cimg_image* destination);

CI_ID_EXTERN_C_END

#endif
