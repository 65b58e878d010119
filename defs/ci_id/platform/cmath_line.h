/* Infinite lines of the shape library: a direction of any non-zero length, then a point on the
 * line. */
#ifndef CI_ID_CMATH_LINE_H
#define CI_ID_CMATH_LINE_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cmath_vect.h"

CI_ID_EXTERN_C_BEGIN

typedef struct cmath_shapeLine {
    cmath_vect dir;
    cmath_vect point;
} cmath_shapeLine;

/* The point where a and b cross. CMATH_STATUS_PARALLEL_LINES, out untouched, when they do not
 * cross in one finite point: |a.dir x b.dir| at most 1e-12 |a.dir| |b.dir| (parallel lines, or a
 * zero direction), a value that is not finite, or a crossing beyond the range of double. */
CI_ID_API int32_t cmath_shapeLine_intersection(const cmath_shapeLine* a, const cmath_shapeLine* b,
                                               cmath_vect* out);
/* The point at the signed distance from line->point along the direction. CMATH_STATUS_ZERO_VECTOR,
 * out untouched, when the direction cannot be normalised. */
CI_ID_API int32_t cmath_shapeLine_pointAlong(const cmath_shapeLine* line, double distance,
                                             cmath_vect* out);

CI_ID_EXTERN_C_END

#endif
