/* Polar resampling of 8-bit images. */
#ifndef CI_ID_CIP_POLAR_H
#define CI_ID_CIP_POLAR_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

/* Unwraps the ring innerRadius <= r < outerRadius around (centreX, centreY) of the 8-bit source
 * window into a new 8-bit image assigned to destination. Coordinates are window-relative with
 * pixel (x, y) centred on the integers (x, y); angles are in radians, angle a pointing along
 * (cos a, sin a) (towards +y for positive a).
 *
 * Row k samples the radius outerRadius - 1 - k, so the image has outerRadius - innerRadius rows,
 * the outermost radius first. Column j samples the angle startAngle + j * (endAngle - startAngle)
 * / columns, where columns = ceil(|endAngle - startAngle| * outerRadius): the samples along the
 * outer edge are at most one pixel apart, and endAngle itself is not sampled. Each sample is the
 * bilinear interpolation of the four nearest pixels, rounded; pixels outside the window count as
 * 0. Radii with 0 <= innerRadius < outerRadius and a non-empty angle span are required, else
 * CSYS_STATUS_SIZE_OUT_OF_RANGE; an unbound source gives CIMG_STATUS_NOT_BOUND and another depth
 * CIMG_STATUS_INVALID_IMAGE. destination is left as it was on failure. */
CI_ID_API int32_t cip_polarUnwrapImage8(const cimg_imageConst* source, double centreX,
                                        double centreY, double startAngle, double endAngle,
                                        int32_t innerRadius, int32_t outerRadius,
                                        cimg_image* destination);

CI_ID_EXTERN_C_END

#endif
