// 160-bit unsigned arithmetic on five 32-bit limbs, carries and borrows through 64-bit
// intermediates. Division by a 32-bit divisor runs limb by limb from the top with a 64-bit
// running remainder, so every divisor up to 2^32 - 1 is exact.
#include <cstring>

#include "ci_id/bigint.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/status.h"

namespace {

constexpr int kLimbs = CMATH_BIGINT_LIMBS;
constexpr uint32_t kBits = 32 * kLimbs;
// The most decimal digits of a 32-bit limb division step: 10^9 < 2^32.
constexpr uint32_t kDecimalChunk = 1000000000u;
constexpr int kDecimalChunkDigits = 9;
// 2^160 - 1 has 49 decimal digits.
constexpr int kMaxDecimalDigits = 49;

// Quotient in place; returns the remainder.
uint32_t divideInPlace(cmath_bigInt* x, uint32_t d) {
    uint64_t remainder = 0;
    for (int i = kLimbs - 1; i >= 0; --i) {
        uint64_t current = (remainder << 32) | x->limbs[i];
        x->limbs[i] = static_cast<uint32_t>(current / d);
        remainder = current % d;
    }
    return static_cast<uint32_t>(remainder);
}

bool isZero(const cmath_bigInt& x) {
    for (uint32_t limb : x.limbs) {
        if (limb != 0) return false;
    }
    return true;
}

// -1, 0, 1 as x <, ==, > y.
int compare(const cmath_bigInt& x, const cmath_bigInt& y) {
    for (int i = kLimbs - 1; i >= 0; --i) {
        if (x.limbs[i] != y.limbs[i]) return x.limbs[i] < y.limbs[i] ? -1 : 1;
    }
    return 0;
}

// Digits of x into the end of digits[kMaxDecimalDigits], most significant first; returns the
// index of the first digit.
int renderDecimal(cmath_bigInt x, char* digits) {
    int first = kMaxDecimalDigits;
    do {
        uint32_t chunk = divideInPlace(&x, kDecimalChunk);
        bool last = isZero(x);
        // Inner chunks keep their leading zeros; the top one stops at its last non-zero digit.
        for (int k = 0; k < kDecimalChunkDigits && (!last || chunk != 0 || k == 0); ++k) {
            digits[--first] = static_cast<char>('0' + chunk % 10);
            chunk /= 10;
        }
        if (last) break;
    } while (true);
    return first;
}

}  // namespace

extern "C" {

int32_t cmath_bigInt_init(cmath_bigInt* x, uint32_t value) {
    CSTD_ASSERT(x);
    std::memset(x, 0, sizeof *x);
    x->limbs[0] = value;
    return 0;
}

int32_t cmath_bigInt_bigIntBase(const cmath_bigInt* x, uint32_t* out) {
    CSTD_ASSERT(x && out);
    *out = x->limbs[0];
    return 0;
}

int32_t cmath_bigInt_assign(cmath_bigInt* x, const cmath_bigInt* y) {
    CSTD_ASSERT(x && y);
    std::memmove(x, y, sizeof *x);
    return 0;
}

int32_t cmath_bigInt_isEqual(const cmath_bigInt* x, const cmath_bigInt* y, int32_t* flag) {
    CSTD_ASSERT(x && y && flag);
    *flag = std::memcmp(x, y, sizeof *x) == 0 ? 1 : 0;
    return 0;
}

int32_t cmath_bigInt_isZero(const cmath_bigInt* x, int32_t* flag) {
    CSTD_ASSERT(x && flag);
    *flag = isZero(*x) ? 1 : 0;
    return 0;
}

int32_t cmath_bigInt_shiftRight(cmath_bigInt* x, uint32_t n) {
    CSTD_ASSERT(x);
    cmath_bigInt r{};
    if (n < kBits) {
        const uint32_t words = n / 32;
        const uint32_t bits = n % 32;
        for (uint32_t i = 0; i + words < kLimbs; ++i) {
            uint64_t pair = x->limbs[i + words];
            if (i + words + 1 < kLimbs) pair |= uint64_t{x->limbs[i + words + 1]} << 32;
            r.limbs[i] = static_cast<uint32_t>(pair >> bits);
        }
    }
    *x = r;
    return 0;
}

int32_t cmath_bigInt_shiftLeft(cmath_bigInt* x, uint32_t n) {
    CSTD_ASSERT(x);
    cmath_bigInt r{};
    if (n < kBits) {
        const uint32_t words = n / 32;
        const uint32_t bits = n % 32;
        for (uint32_t i = words; i < kLimbs; ++i) {
            uint64_t pair = uint64_t{x->limbs[i - words]} << 32;
            if (i > words) pair |= x->limbs[i - words - 1];
            r.limbs[i] = static_cast<uint32_t>((pair << bits) >> 32);
        }
    }
    *x = r;
    return 0;
}

int32_t cmath_bigInt_addBase(cmath_bigInt* x, uint32_t d) {
    CSTD_ASSERT(x);
    uint64_t carry = d;
    for (uint32_t& limb : x->limbs) {
        carry += limb;
        limb = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    return 0;
}

int32_t cmath_bigInt_add(cmath_bigInt* x, const cmath_bigInt* y) {
    CSTD_ASSERT(x && y);
    uint64_t carry = 0;
    for (int i = 0; i < kLimbs; ++i) {
        carry += uint64_t{x->limbs[i]} + y->limbs[i];
        x->limbs[i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    return 0;
}

int32_t cmath_bigInt_sub(cmath_bigInt* x, const cmath_bigInt* y) {
    CSTD_ASSERT(x && y);
    uint64_t borrow = 0;
    for (int i = 0; i < kLimbs; ++i) {
        uint64_t difference = uint64_t{x->limbs[i]} - y->limbs[i] - borrow;
        x->limbs[i] = static_cast<uint32_t>(difference);
        borrow = (difference >> 32) & 1;
    }
    return 0;
}

int32_t cmath_bigInt_multBase(cmath_bigInt* x, uint32_t m) {
    CSTD_ASSERT(x);
    uint64_t carry = 0;
    for (uint32_t& limb : x->limbs) {
        carry += uint64_t{limb} * m;
        limb = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    return 0;
}

int32_t cmath_bigInt_mul(const cmath_bigInt* x, const cmath_bigInt* y, cmath_bigInt* z) {
    CSTD_ASSERT(x && y && z);
    cmath_bigInt product{};
    for (int i = 0; i < kLimbs; ++i) {
        uint64_t carry = 0;
        for (int j = 0; i + j < kLimbs; ++j) {
            carry += uint64_t{x->limbs[i]} * y->limbs[j] + product.limbs[i + j];
            product.limbs[i + j] = static_cast<uint32_t>(carry);
            carry >>= 32;
        }
    }
    *z = product;
    return 0;
}

int32_t cmath_bigInt_divideBase(const cmath_bigInt* x, cmath_bigInt* q, uint32_t* r, uint32_t d) {
    CSTD_ASSERT(x && q && r);
    if (d == 0) return CID_STATUS_DIVISION_BY_ZERO;
    cmath_bigInt quotient = *x;
    *r = divideInPlace(&quotient, d);
    *q = quotient;
    return 0;
}

int32_t cmath_bigInt_inc(cmath_bigInt* x) { return cmath_bigInt_addBase(x, 1); }

int32_t cmath_bigInt_neg(cmath_bigInt* x) {
    CSTD_ASSERT(x);
    for (uint32_t& limb : x->limbs) limb = ~limb;
    return cmath_bigInt_addBase(x, 1);
}

int32_t cmath_bigInt_lessThan(const cmath_bigInt* x, const cmath_bigInt* y, int32_t* flag) {
    CSTD_ASSERT(x && y && flag);
    *flag = compare(*x, *y) < 0 ? 1 : 0;
    return 0;
}

int32_t cmath_bigInt_greaterThan(const cmath_bigInt* x, const cmath_bigInt* y, int32_t* flag) {
    CSTD_ASSERT(x && y && flag);
    *flag = compare(*x, *y) > 0 ? 1 : 0;
    return 0;
}

int32_t cmath_bigInt_bigInt2Buf(const cmath_bigInt* x, int32_t size, char* buffer) {
    CSTD_ASSERT(x && buffer);
    char digits[kMaxDecimalDigits];
    const int first = renderDecimal(*x, digits);
    const int count = kMaxDecimalDigits - first;
    if (size < 1) return CID_STATUS_OUT_OF_RANGE;
    if (size < count + 1) {
        buffer[0] = '\0';
        return CID_STATUS_OUT_OF_RANGE;
    }
    std::memcpy(buffer, digits + first, static_cast<size_t>(count));
    buffer[count] = '\0';
    return 0;
}

int32_t cmath_bigInt_bigInt2Base256(const cmath_bigInt* x, int32_t n, uint8_t* out) {
    CSTD_ASSERT(x && out);
    if (n < 0) return CID_STATUS_OUT_OF_RANGE;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t byteIndex = n - 1 - i;
        uint8_t byte = 0;
        if (byteIndex < 4 * kLimbs) {
            byte = static_cast<uint8_t>(x->limbs[byteIndex / 4] >> (8 * (byteIndex % 4)));
        }
        out[i] = byte;
    }
    return 0;
}

}  // extern "C"
