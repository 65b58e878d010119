/* Two-component vectors in double precision and scalar helpers. Angles are in radians, the
 * direction of angle a being (cos a, sin a). Every function returns a status. */
#ifndef CI_ID_CMATH_VECT_H
#define CI_ID_CMATH_VECT_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"

CI_ID_EXTERN_C_BEGIN

typedef struct cmath_vect {
    double x;
    double y;
} cmath_vect;

CI_ID_API int32_t cmath_vect_init(cmath_vect* out, double x, double y);
/* out = a - b; out may alias a or b. */
CI_ID_API int32_t cmath_vect_initSubtract(cmath_vect* out, const cmath_vect* a,
                                          const cmath_vect* b);
/* out = a + b; out may alias a or b. */
CI_ID_API int32_t cmath_vect_initAdd(cmath_vect* out, const cmath_vect* a, const cmath_vect* b);
/* out = v / |v|. CMATH_STATUS_ZERO_VECTOR, out untouched, when |v| is zero or not finite. */
CI_ID_API int32_t cmath_vect_getUnit(const cmath_vect* v, cmath_vect* out);
/* atan2(v.y, v.x), in (-pi, pi]; 0 for the zero vector. */
CI_ID_API int32_t cmath_vect_getDirection(const cmath_vect* v, double* angle);
CI_ID_API int32_t cmath_vect_getLength(const cmath_vect* v, double* length);
CI_ID_API int32_t cmath_vect_getDistance(const cmath_vect* a, const cmath_vect* b,
                                         double* distance);
/* a.x * b.y - a.y * b.x. */
CI_ID_API int32_t cmath_vect_cross(const cmath_vect* a, const cmath_vect* b, double* cross);

/* Non-zero when |a - b| <= epsilon. */
CI_ID_API int32_t cmath_double_epsilonEqual(double a, double b, double epsilon);
/* Nearest integer, halves away from zero. The integer results saturate at the int32 limits;
 * NaN gives 0. */
CI_ID_API int32_t cmath_double_round(double value);
CI_ID_API int32_t cmath_double_floor(double value);
CI_ID_API int32_t cmath_double_ceil(double value);
CI_ID_API double cmath_double_min(double a, double b);
CI_ID_API double cmath_double_max(double a, double b);
CI_ID_API double cmath_double_sqr(double value);

/* angle brought into one turn, [0, 2 pi); NaN and infinities give NaN. */
CI_ID_API double cmath_radian_norm(double angle);

/* A plain point, the same layout as cmath_vect. */
typedef struct cmath_point {
    double x;
    double y;
} cmath_point;

/* An integer point or vector; the unit is the user's (1/256 pixel for fixed regions). */
typedef struct cmath_vect32 {
    int32_t x;
    int32_t y;
} cmath_vect32;

CI_ID_EXTERN_C_END

#endif
