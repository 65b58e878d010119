/* Affine rectangles: the parallelogram spanned from the corner po towards px and py,
 * {po + s (px - po) + t (py - po) : 0 <= s, t <= 1}. */
#ifndef CI_ID_CMATH_SHAPE_H
#define CI_ID_CMATH_SHAPE_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cmath_vect.h"
#include "ci_id/platform/cstd_rect32.h"

CI_ID_EXTERN_C_BEGIN

typedef struct cmath_shapeAffineRect {
    cmath_vect po;
    cmath_vect px;
    cmath_vect py;
} cmath_shapeAffineRect;

/* The unit square: po (0, 0), px (1, 0), py (0, 1). */
CI_ID_API int32_t cmath_shapeAffineRect_init(cmath_shapeAffineRect* rect);

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

/* The centre-based form of an affine rectangle: the x side is xLength (cos xRotation,
 * sin xRotation), the y side yLength (-sin yRotation, cos yRotation), so that equal rotations
 * give a true rectangle and yRotation - xRotation is the skew. Po = center - (x side + y side) / 2.
 * Lengths may be negative (the side then points the other way). */
typedef struct cmath_shapeAffineRectCenter {
    cmath_vect center;
    double xLength;
    double yLength;
    double xRotation;
    double yRotation;
} cmath_shapeAffineRectCenter;

/* The three defining points of an affine rectangle; the fourth corner is Px + Py - Po. */
typedef struct cmath_shapeAffineRectPoints {
    cmath_vect Po;
    cmath_vect Px;
    cmath_vect Py;
} cmath_shapeAffineRectPoints;

/* An axis-aligned rectangle in double: the corner of smallest x and y, then the extents. */
typedef struct cmath_rect {
    double x;
    double y;
    double width;
    double height;
} cmath_rect;

/* All three points at (0, 0). Always 0. */
CI_ID_API int32_t cmath_shapeAffineRect_initNull(cmath_shapeAffineRect* rect);
/* From the centre-based form. Always 0. */
CI_ID_API int32_t cmath_shapeAffineRect_initCenter(cmath_shapeAffineRect* rect,
                                                   const cmath_shapeAffineRectCenter* center);
/* The centre-based form, with lengths |px - po| and |py - po| (never negative) and rotations in
 * (-pi, pi]. A zero-length side takes the rotation of the other side (both 0 when both are zero),
 * so that growing its length gives a true rectangle. initCenter of the result gives the same
 * points up to rounding. Always 0. */
CI_ID_API int32_t cmath_shapeAffineRect_getCenter(const cmath_shapeAffineRect* rect,
                                                  cmath_shapeAffineRectCenter* center);
/* |px - po| and |py - po|. */
CI_ID_API int32_t cmath_shapeAffineRect_getXLength(const cmath_shapeAffineRect* rect,
                                                   double* length);
CI_ID_API int32_t cmath_shapeAffineRect_getYLength(const cmath_shapeAffineRect* rect,
                                                   double* length);
/* *isDegenerate = 1 when the parallelogram has no area: |(px - po) x (py - po)| at most 1e-12
 * times the product of the side lengths (so also for a zero-length side), or a point that is not
 * finite. */
CI_ID_API int32_t cmath_shapeAffineRect_getIsDegenerate(const cmath_shapeAffineRect* rect,
                                                        int32_t* isDegenerate);
/* The smallest rectangle of whole pixels that contains the parallelogram: x = floor(min x),
 * width = ceil(max x) - x, and the same in y. CSYS_STATUS_SIZE_OUT_OF_RANGE, out untouched, when
 * a point is not finite or the result does not fit in 32 bits. */
CI_ID_API int32_t cmath_shapeAffineRect_getEncloseImageRect(const cmath_shapeAffineRect* rect,
                                                            cstd_rect32* out);

/* *popp = Px + Py - Po. Always 0. */
CI_ID_API int32_t cmath_shapeAffineRectPoints_getPopp(const cmath_shapeAffineRectPoints* points,
                                                      cmath_vect* popp);

CI_ID_EXTERN_C_END

#endif
