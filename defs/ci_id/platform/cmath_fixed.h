/* Integer square root and fixed-point sine and cosine of binary angles.
 *
 * A binary angle counts 65536 per turn: 16384 is a quarter turn, and angle a stands for the
 * direction (cos a, sin a) in image axes (x to the right, y downwards). */
#ifndef CI_ID_CMATH_FIXED_H
#define CI_ID_CMATH_FIXED_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"

CI_ID_EXTERN_C_BEGIN

/* floor(sqrt(value)). */
CI_ID_API uint32_t cmath_sqrt32(uint32_t value);

/* cos and sin of *angle with fracBits fraction bits (0 to 30), rounded to nearest: exact at
 * multiples of a quarter turn, so cmath_cos16FixedPoint(0, 16) is 65536. */
CI_ID_API int32_t cmath_cos16FixedPoint(const uint16_t* angle, int32_t fracBits);
CI_ID_API int32_t cmath_sin16FixedPoint(const uint16_t* angle, int32_t fracBits);

CI_ID_EXTERN_C_END

#endif
