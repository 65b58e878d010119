// Field arithmetic shared by the Reed-Solomon decoders, and the constant GF(929) tables of
// PDF417. Both fields are cyclic: every non-zero element is a power of a generator alpha (2 in
// GF(2^m), 3 in GF(929)), so the decoders work with exponents modulo the group order and look
// the powers up. Operands are always field elements; callers validate symbols first.
#pragma once

#include <cstdint>

namespace cid_rs {

constexpr int32_t kGf929Modulus = 929;
constexpr int32_t kGf929Order = 928;
constexpr int32_t kGf929TableSize = 930;

// Tables of 930 entries (indices 0 .. 929): exp[i] = 3^i for i < 928 and 0 above; log[x] for
// x in 1 .. 928 and 0 for 0 and 929; inv[x] = x^-1 for x in 1 .. 928, inv[0] = -1, inv[929] = 0.
struct gf929Tables {
    int32_t exp[kGf929TableSize];
    int32_t log[kGf929TableSize];
    int32_t inv[kGf929TableSize];
};
extern const gf929Tables kGf929;

// GF(2^m) through the code's own tables: exp has order + 1 entries (exp[order] = 1), log[0] and
// log[1] hold order.
struct binaryField {
    const int32_t* exp;
    const int32_t* log;
    int32_t order;  // 2^m - 1

    int32_t add(int32_t a, int32_t b) const { return a ^ b; }
    int32_t sub(int32_t a, int32_t b) const { return a ^ b; }
    int32_t neg(int32_t a) const { return a; }
    // The integer k as a field element: k times 1.
    int32_t fromInt(int64_t k) const { return static_cast<int32_t>(k & 1); }
    // alpha^e for e in 0 .. order - 1.
    int32_t power(int32_t e) const { return exp[e]; }
    // Exponent of a non-zero element, in 0 .. order - 1.
    int32_t logOf(int32_t a) const {
        int32_t l = log[a];
        return l == order ? 0 : l;
    }
    // a * alpha^e for e in 0 .. order - 1. Branch-free: log[0] is in range, the select drops it.
    int32_t mulPow(int32_t a, int32_t e) const {
        int32_t s = log[a] + e;
        s -= s >= order ? order : 0;
        int32_t v = exp[s];
        return a != 0 ? v : 0;
    }
    int32_t mul(int32_t a, int32_t b) const { return b != 0 ? mulPow(a, logOf(b)) : 0; }
    // b must be non-zero.
    int32_t div(int32_t a, int32_t b) const {
        int32_t lb = logOf(b);
        return mulPow(a, lb == 0 ? 0 : order - lb);
    }
};

// GF(929) through the tables above.
struct primeField {
    const int32_t* exp;
    const int32_t* log;
    int32_t order;  // 928

    int32_t add(int32_t a, int32_t b) const {
        int32_t s = a + b;
        return s >= kGf929Modulus ? s - kGf929Modulus : s;
    }
    int32_t sub(int32_t a, int32_t b) const { return a >= b ? a - b : a - b + kGf929Modulus; }
    int32_t neg(int32_t a) const { return a == 0 ? 0 : kGf929Modulus - a; }
    int32_t fromInt(int64_t k) const { return static_cast<int32_t>(k % kGf929Modulus); }
    int32_t power(int32_t e) const { return exp[e]; }
    int32_t logOf(int32_t a) const { return log[a]; }
    int32_t mulPow(int32_t a, int32_t e) const { return a * exp[e] % kGf929Modulus; }
    int32_t mul(int32_t a, int32_t b) const { return a * b % kGf929Modulus; }
    int32_t div(int32_t a, int32_t b) const {
        int32_t lb = log[b];
        return mulPow(a, lb == 0 ? 0 : kGf929Order - lb);
    }
};

// e modulo order, for any non-negative or negative e.
inline int32_t reduceExponent(int64_t e, int32_t order) {
    int64_t r = e % order;
    return static_cast<int32_t>(r < 0 ? r + order : r);
}

}  // namespace cid_rs
