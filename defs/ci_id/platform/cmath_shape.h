/* Affine rectangles: the parallelogram spanned from the corner po towards px and py,
 * {po + s (px - po) + t (py - po) : 0 <= s, t <= 1}. */
#ifndef CI_ID_CMATH_SHAPE_H
#define CI_ID_CMATH_SHAPE_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cmath_vect.h"

CI_ID_EXTERN_C_BEGIN

typedef struct cmath_shapeAffineRect {
    cmath_vect po;
    cmath_vect px;
    cmath_vect py;
} cmath_shapeAffineRect;

/* *isWithin = 1 when point lies in the parallelogram, its border included (to a relative
 * tolerance of 1e-12 of the side lengths); 0 for a degenerate parallelogram. */
CI_ID_API int32_t cmath_shapeAffineRect_within(const cmath_shapeAffineRect* rect,
                                               const cmath_vect* point, int32_t* isWithin);

/* The rectangle of the three points po, px, py (in that order). Always 0. */
CI_ID_API int32_t cmath_shapeAffineRect_initPoints(cmath_shapeAffineRect* rect,
                                                   const cmath_vect pts[3]);
/* Its three points po, px, py. Always 0. */
CI_ID_API int32_t cmath_shapeAffineRect_getPoints(const cmath_shapeAffineRect* rect,
                                                  cmath_vect pts[3]);

CI_ID_EXTERN_C_END

#endif
