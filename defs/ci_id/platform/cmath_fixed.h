/* Integer helpers of the mathematics library: exact integer square roots, sine and cosine of
 * binary angles in fixed point, and integer minimum, maximum and clamping. */
#ifndef CI_ID_CMATH_FIXED_H
#define CI_ID_CMATH_FIXED_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/csys_assert.h"

CI_ID_EXTERN_C_BEGIN

/* floor(sqrt(value)), below 65536. */
CI_ID_API uint32_t cmath_sqrt32(uint32_t value);
/* floor(sqrt(value)), below 2^32. */
CI_ID_API uint32_t cmath_sqrt64(uint64_t value);

/* sin and cos of a binary angle, passed by reference (65536 per turn, 16384 a quarter turn,
 * growing from +x towards +y), times 2^fracBits, rounded to the nearest integer. fracBits is
 * 0..30. The results are exact at the quarter turns and odd: sin(-a) = -sin(a), so the four
 * quadrants mirror each other. */
CI_ID_API int32_t cmath_sin16FixedPoint(const uint16_t* angle, int32_t fracBits);
CI_ID_API int32_t cmath_cos16FixedPoint(const uint16_t* angle, int32_t fracBits);

static inline int32_t cxfIMax(int32_t a, int32_t b) { return a < b ? b : a; }
static inline int32_t cxfIMin(int32_t a, int32_t b) { return b < a ? b : a; }
/* value brought into [low, high]; low <= high. */
static inline int32_t cxfILimit(int32_t value, int32_t low, int32_t high) {
    CSTD_ASSERT(low <= high);
    return value < low ? low : (value > high ? high : value);
}

CI_ID_EXTERN_C_END

#endif
