/* Drawing into 8-bit images. */
#ifndef CI_ID_CDRAW_H
#define CI_ID_CDRAW_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cmath_shape.h"

CI_ID_EXTERN_C_BEGIN

/* Paints a rotated rectangle (any parallelogram, given as an affine rectangle in the image's
 * client coordinates) into image's window: a pixel is painted when its centre, (i + 0.5, j + 0.5)
 * for image pixel (i, j), lies in the closed parallelogram, and it then changes from `from` to
 * `to`; pixels holding any other value are left alone. So painting (background, foreground)
 * marks the area without touching pixels that already carry a third value, and painting
 * (foreground, background) undoes it. Pixels outside the window are never touched; a
 * parallelogram without area or with a point that is not finite paints nothing.
 * CIMG_STATUS_NOT_BOUND for an unbound image, CIMG_STATUS_INVALID_IMAGE when the depth is not
 * CIMG_DEPTH_8U. */
CI_ID_API int32_t cdraw_rasterize_rotatedRectangle_forID(cimg_image* image,
                                                         const cmath_shapeAffineRect* rect,
                                                         uint8_t from, uint8_t to);

CI_ID_EXTERN_C_END

#endif
