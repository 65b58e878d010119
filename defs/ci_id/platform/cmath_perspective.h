/* Plane perspective transforms (homographies): the point (x, y) goes to
 *   ((e00 x + e01 y + e02) / w, (e10 x + e11 y + e12) / w),  w = e20 x + e21 y + e22.
 *
 * cmath_xform is the general plane transform of the mathematics library, and perspective
 * transforms are of that kind: the two names stand for one record, so a perspective transform is
 * passed wherever a cmath_xform is asked for. The record owns no memory; construct and destruct
 * frame its life like the other transforms of the library. */
#ifndef CI_ID_CMATH_PERSPECTIVE_H
#define CI_ID_CMATH_PERSPECTIVE_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cmath_vect.h"

CI_ID_EXTERN_C_BEGIN

typedef struct cmath_xformPerspective {
    double element[3][3]; /* element[row][col] */
} cmath_xformPerspective;

typedef cmath_xformPerspective cmath_xform;

/* The identity. Always 0. */
CI_ID_API int32_t cmath_xformPerspective_construct(cmath_xformPerspective* xform);
/* The transform that takes from[i] to to[i] for i < count. Four pairs fix it exactly; more are
 * fitted in the least-squares sense (of the linearised equations, in coordinates normalised around
 * each set's centroid). Points need not be distinct as long as the pairs still fix a transform.
 * CSYS_STATUS_SIZE_OUT_OF_RANGE for count below 4; CMATH_STATUS_SINGULAR when the pairs do not fix
 * a transform (three of four points on a line, points that are not finite). xform is written only
 * on success. */
CI_ID_API int32_t cmath_xformPerspective_constructPointsAllowNonUnique(
    cmath_xformPerspective* xform, const cmath_vect* from, const cmath_vect* to, int32_t count);
/* The inverse transform; CMATH_STATUS_SINGULAR, out untouched, when there is none. out may alias
 * xform. */
CI_ID_API int32_t cmath_xformPerspective_getInverse(const cmath_xformPerspective* xform,
                                                    cmath_xformPerspective* out);
/* CMATH_STATUS_POINT_AT_INFINITY, out untouched, when w is zero or the image is not finite. out
 * may alias in. */
CI_ID_API int32_t cmath_xformPerspective_mapPoint(const cmath_xformPerspective* xform,
                                                  const cmath_vect* in, cmath_vect* out);
/* Returns the record to the identity. Always 0. */
CI_ID_API int32_t cmath_xformPerspective_destruct(cmath_xformPerspective* xform);

/* cmath_xformPerspective_mapPoint for any cmath_xform. */
CI_ID_API int32_t cmath_xform_mapPoint(const cmath_xform* xform, const cmath_vect* in,
                                       cmath_vect* out);

CI_ID_EXTERN_C_END

#endif
