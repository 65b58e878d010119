/* Unsigned 160-bit integers for symbol decoders that accumulate long numbers digit by digit in
 * an arbitrary base (multiply by the base, add a digit) and render them as decimal text or bytes.
 * All arithmetic is modulo 2^160; negation is two's complement. Every function returns a status,
 * 0 unless stated; null pointers are precondition violations. Results may alias operands. All
 * functions touch only their arguments and may run on any number of threads. */
#ifndef CI_ID_BIGINT_H
#define CI_ID_BIGINT_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"

CI_ID_EXTERN_C_BEGIN

#define CMATH_BIGINT_LIMBS 5

/* limbs[0] holds bits 0 .. 31. A plain value: copy it as 20 bytes. */
typedef struct cmath_bigInt {
    uint32_t limbs[CMATH_BIGINT_LIMBS];
} cmath_bigInt;

/* x = value. */
CI_ID_API int32_t cmath_bigInt_init(cmath_bigInt* x, uint32_t value);
/* *out = the low 32 bits of x. */
CI_ID_API int32_t cmath_bigInt_bigIntBase(const cmath_bigInt* x, uint32_t* out);
/* x = y. */
CI_ID_API int32_t cmath_bigInt_assign(cmath_bigInt* x, const cmath_bigInt* y);
/* *flag = 1 if x == y, else 0. */
CI_ID_API int32_t cmath_bigInt_isEqual(const cmath_bigInt* x, const cmath_bigInt* y, int32_t* flag);
CI_ID_API int32_t cmath_bigInt_isZero(const cmath_bigInt* x, int32_t* flag);
/* Logical shifts by n bits; n >= 160 gives 0. */
CI_ID_API int32_t cmath_bigInt_shiftRight(cmath_bigInt* x, uint32_t n);
CI_ID_API int32_t cmath_bigInt_shiftLeft(cmath_bigInt* x, uint32_t n);
/* x = x + d. */
CI_ID_API int32_t cmath_bigInt_addBase(cmath_bigInt* x, uint32_t d);
/* x = x + y; x = x - y. */
CI_ID_API int32_t cmath_bigInt_add(cmath_bigInt* x, const cmath_bigInt* y);
CI_ID_API int32_t cmath_bigInt_sub(cmath_bigInt* x, const cmath_bigInt* y);
/* x = x * m. */
CI_ID_API int32_t cmath_bigInt_multBase(cmath_bigInt* x, uint32_t m);
/* z = x * y. */
CI_ID_API int32_t cmath_bigInt_mul(const cmath_bigInt* x, const cmath_bigInt* y, cmath_bigInt* z);
/* q = x / d and *r = x mod d, for any divisor up to 2^32 - 1. d = 0 returns
 * CID_STATUS_DIVISION_BY_ZERO and leaves q and r untouched. */
CI_ID_API int32_t cmath_bigInt_divideBase(const cmath_bigInt* x, cmath_bigInt* q, uint32_t* r,
                                          uint32_t d);
/* x = x + 1; x = -x. */
CI_ID_API int32_t cmath_bigInt_inc(cmath_bigInt* x);
CI_ID_API int32_t cmath_bigInt_neg(cmath_bigInt* x);
/* *flag = 1 if x < y (x > y), unsigned, else 0. */
CI_ID_API int32_t cmath_bigInt_lessThan(const cmath_bigInt* x, const cmath_bigInt* y,
                                        int32_t* flag);
CI_ID_API int32_t cmath_bigInt_greaterThan(const cmath_bigInt* x, const cmath_bigInt* y,
                                           int32_t* flag);
/* Decimal text of x (up to 49 digits), NUL-terminated, at the start of buffer; nothing is
 * written beyond buffer[size - 1]. A buffer smaller than the digits and the terminator gives
 * CID_STATUS_OUT_OF_RANGE and holds the empty string (nothing at all when size < 1). */
CI_ID_API int32_t cmath_bigInt_bigInt2Buf(const cmath_bigInt* x, int32_t size, char* buffer);
/* The low n bytes of x, most significant first: out[i] = byte n-1-i of x's little-endian image,
 * reading bytes beyond the 20th as 0. n < 0 gives CID_STATUS_OUT_OF_RANGE. */
CI_ID_API int32_t cmath_bigInt_bigInt2Base256(const cmath_bigInt* x, int32_t n, uint8_t* out);

CI_ID_EXTERN_C_END

#endif
