// Field arithmetic shared by the Reed-Solomon decoders, and the constant GF(929) tables of
// PDF417. Both fields are cyclic: every non-zero element is a power of a generator alpha (2 in
// GF(2^m), 3 in GF(929)), so products are sums of exponents modulo the group order.
//
// The decoders multiply through wide tables that make a product one addition and one look-up:
// exp[i] = alpha^(i mod order) for i in 0 .. 2 order - 1 and 0 for i in 2 order .. 4 order;
// log[a] in 0 .. order - 1 for a != 0 and log[0] = 2 order, so that any sum involving a zero
// operand lands in the zero region. Operands are always field elements; callers validate
// symbols first.
#pragma once

#include <cstdint>

namespace cid_rs {

constexpr int32_t kGf929Modulus = 929;
constexpr int32_t kGf929Order = 928;
constexpr int32_t kGf929TableSize = 930;

// The PDF417 tables as the code record carries them, 930 entries each (indices 0 .. 929):
// exp[i] = 3^i for i < 928 and 0 above; log[x] for x in 1 .. 928 and 0 for 0 and 929;
// inv[x] = x^-1 for x in 1 .. 928, inv[0] = -1, inv[929] = 0.
struct gf929Tables {
    int32_t exp[kGf929TableSize];
    int32_t log[kGf929TableSize];
    int32_t inv[kGf929TableSize];
};
extern const gf929Tables kGf929;

constexpr int64_t wideExpSize(int32_t order) { return 4 * int64_t{order} + 1; }
constexpr int64_t wideLogSize(int32_t order) { return int64_t{order} + 1; }

// GF(929) in wide form.
struct gf929WideTables {
    int32_t exp[wideExpSize(kGf929Order)];
    int32_t log[wideLogSize(kGf929Order)];
};
extern const gf929WideTables kGf929Wide;

struct wideField {
    const int32_t* exp;
    const int32_t* log;
    int32_t order;

    // alpha^e for e in 0 .. 2 order - 1.
    int32_t power(int32_t e) const { return exp[e]; }
    // Exponent of a non-zero element.
    int32_t logOf(int32_t a) const { return log[a]; }
    // a * alpha^e for e in 0 .. order.
    int32_t mulPow(int32_t a, int32_t e) const { return exp[log[a] + e]; }
    int32_t mul(int32_t a, int32_t b) const { return exp[log[a] + log[b]]; }
    // b must be non-zero.
    int32_t div(int32_t a, int32_t b) const { return exp[log[a] + order - log[b]]; }
};

// GF(2^m): addition is XOR.
struct binaryField : wideField {
    int32_t add(int32_t a, int32_t b) const { return a ^ b; }
    int32_t sub(int32_t a, int32_t b) const { return a ^ b; }
    int32_t neg(int32_t a) const { return a; }
    // The integer k as a field element: k times 1.
    int32_t fromInt(int64_t k) const { return static_cast<int32_t>(k & 1); }
};

// GF(929): addition modulo 929.
struct primeField : wideField {
    int32_t add(int32_t a, int32_t b) const {
        int32_t s = a + b;
        return s >= kGf929Modulus ? s - kGf929Modulus : s;
    }
    int32_t sub(int32_t a, int32_t b) const { return a >= b ? a - b : a - b + kGf929Modulus; }
    int32_t neg(int32_t a) const { return a == 0 ? 0 : kGf929Modulus - a; }
    int32_t fromInt(int64_t k) const { return static_cast<int32_t>(k % kGf929Modulus); }
};

inline primeField gf929Field() { return primeField{{kGf929Wide.exp, kGf929Wide.log, kGf929Order}}; }

// e modulo order, for any e.
inline int32_t reduceExponent(int64_t e, int32_t order) {
    int64_t r = e % order;
    return static_cast<int32_t>(r < 0 ? r + order : r);
}

}  // namespace cid_rs
