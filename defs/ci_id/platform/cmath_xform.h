/* 2 x 2 matrices and linear (affine) transforms p -> M p + t. */
#ifndef CI_ID_CMATH_XFORM_H
#define CI_ID_CMATH_XFORM_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cmath_vect.h"

CI_ID_EXTERN_C_BEGIN

/* element[row][col]. */
typedef struct cmath_matrix {
    double element[2][2];
} cmath_matrix;

typedef struct cmath_xformLinear {
    cmath_matrix matrix;
    cmath_vect trans;
} cmath_xformLinear;

/* The matrix (e00 e01; e10 e11). */
CI_ID_API int32_t cmath_matrix_init(cmath_matrix* m, double e00, double e01, double e10,
                                    double e11);

CI_ID_API int32_t cmath_xformLinear_initIdentity(cmath_xformLinear* xform);
CI_ID_API int32_t cmath_xformLinear_initMatrixTrans(cmath_xformLinear* xform,
                                                    const cmath_matrix* matrix,
                                                    const cmath_vect* trans);
/* out = a applied after b: out(p) = a(b(p)). out may alias a or b. */
CI_ID_API int32_t cmath_xformLinear_initCompose(cmath_xformLinear* out, const cmath_xformLinear* a,
                                                const cmath_xformLinear* b);
/* CMATH_STATUS_SINGULAR, out untouched, when the matrix has no usable inverse. */
CI_ID_API int32_t cmath_xformLinear_getInverse(const cmath_xformLinear* xform,
                                               cmath_xformLinear* out);
/* out may alias in. */
CI_ID_API int32_t cmath_xformLinear_mapPoint(const cmath_xformLinear* xform, const cmath_vect* in,
                                             cmath_vect* out);

/* *det = e00 e11 - e01 e10. */
CI_ID_API int32_t cmath_matrix_getDeterminant(const cmath_matrix* m, double* det);
/* The rotation by angle (radians) after scaling x by xScale and y by yScale:
 * (cos a, -sin a; sin a, cos a) (xScale, 0; 0, yScale). */
CI_ID_API int32_t cmath_matrix_initRotationScale(cmath_matrix* m, double angle, double xScale,
                                                 double yScale);

CI_ID_EXTERN_C_END

#endif
