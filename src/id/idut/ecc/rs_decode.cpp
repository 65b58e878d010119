// Decoding steps shared by the GF(2^m), PDF417 and CC-A decoders. Syndromes, the root search
// and the error values all evaluate a polynomial at many points; one kernel does it for a batch
// of points side by side, so that the table look-ups of independent Horner chains overlap
// instead of waiting on each other.
#include <algorithm>

#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/ecc/rs_decode.h"

namespace cid_rs {

constexpr size_t kWorkspaceArrays = 9;

int32_t workspace_construct(workspace* ws, int32_t nroots, int32_t fcr, int32_t order) {
    const size_t stride = static_cast<size_t>(nroots) + 1;
    void* block = nullptr;
    int32_t status =
        csys_memory_allocArray_internal(stride * kWorkspaceArrays, sizeof(int32_t), &block);
    if (status < 0) return status;
    ws->block = static_cast<int32_t*>(block);
    int32_t** arrays[kWorkspaceArrays] = {
        &ws->syndromes,     &ws->rootLogs, &ws->lambda,          &ws->b, &ws->t, &ws->omega,
        &ws->rootExponents, &ws->values,   &ws->erasureExponents};
    for (size_t i = 0; i < kWorkspaceArrays; ++i) {
        *arrays[i] = ws->block + i * stride;
    }
    for (int32_t k = 0; k < nroots; ++k) ws->rootLogs[k] = reduceExponent(fcr + k, order);
    return status;
}

int32_t workspace_destruct(workspace* ws) {
    void* block = ws->block;
    ws->block = nullptr;
    return csys_memory_free_internal(&block);
}

namespace {

// Sixteen chains hide the latency of the two dependent look-ups per Horner step; the
// accumulators stay in registers and the exponents are re-read from the stack.
constexpr int32_t kLanes = 16;

// out[l] = p(alpha^pointLogs[l]) for every lane, p having count coefficients read highest order
// first at highest, highest + stride, ...
template <class Field>
void evaluateBatch(const Field& field, const int32_t* highest, ptrdiff_t stride, int32_t count,
                   const int32_t (&pointLogs)[kLanes], int32_t (&out)[kLanes]) {
    int32_t v[kLanes] = {};
    for (int32_t j = 0; j < count; ++j) {
        const int32_t c = highest[j * stride];
#pragma GCC unroll 16
        for (int32_t l = 0; l < kLanes; ++l) v[l] = field.add(field.mulPow(v[l], pointLogs[l]), c);
    }
    std::copy(v, v + kLanes, out);
}

// Exponents of the next batch: exponent(first + l) for the lanes up to last, the lanes beyond
// repeating it; returns how many lanes are real.
template <class Exponent>
int32_t batchPoints(int32_t first, int32_t last, Exponent exponent, int32_t (&pointLogs)[kLanes]) {
    for (int32_t l = 0; l < kLanes; ++l) pointLogs[l] = exponent(std::min(first + l, last));
    return std::min(kLanes, last - first + 1);
}

}  // namespace

template <class Field>
int32_t computeSyndromes(const Field& field, const codewordView& view, int32_t nroots,
                         const workspace& ws, bool* anyNonZero) {
    const int32_t* highest = view.ascending ? view.symbols + (view.count - 1) : view.symbols;
    const ptrdiff_t stride = view.ascending ? -1 : 1;
    auto rootLog = [&](int32_t k) { return ws.rootLogs[k]; };
    for (int32_t k = 0; k < nroots; k += kLanes) {
        int32_t status = csys_attention_check();
        if (status < 0) return status;
        int32_t points[kLanes];
        int32_t values[kLanes];
        const int32_t lanes = batchPoints(k, nroots - 1, rootLog, points);
        evaluateBatch(field, highest, stride, view.count, points, values);
        for (int32_t l = 0; l < lanes; ++l) {
            int32_t v = values[l];
            for (int32_t shift = 0; shift < view.lowestExponent; ++shift) {
                v = field.mulPow(v, points[l]);
            }
            ws.syndromes[k + l] = v;
        }
    }
    *anyNonZero =
        std::any_of(ws.syndromes, ws.syndromes + nroots, [](int32_t v) { return v != 0; });
    return 0;
}

namespace {

// lambda *= (1 - X x) for X = alpha^p; degree grows by one.
template <class Field>
void multiplyByErasure(const Field& field, int32_t* lambda, int32_t degree, int32_t p) {
    int32_t x = field.power(p);
    for (int32_t j = degree + 1; j >= 1; --j) {
        lambda[j] = field.sub(lambda[j], field.mul(x, lambda[j - 1]));
    }
}

int32_t trimmedDegree(const int32_t* poly, int32_t degree) {
    while (degree > 0 && poly[degree] == 0) --degree;
    return degree;
}

}  // namespace

template <class Field>
int32_t berlekampMassey(const Field& field, int32_t nroots, int32_t numErasures,
                        const workspace& ws, int32_t* length, int32_t* degree) {
    int32_t* lambda = ws.lambda;
    int32_t* b = ws.b;
    int32_t* t = ws.t;
    const int32_t* s = ws.syndromes;
    std::fill(lambda, lambda + nroots + 1, 0);
    lambda[0] = 1;
    for (int32_t i = 0; i < numErasures; ++i) {
        multiplyByErasure(field, lambda, i, ws.erasureExponents[i]);
    }
    // Tracked degrees never exceed r at step r (deg B <= r - 1 before its shift), so every
    // polynomial fits in nroots + 1 coefficients.
    int32_t degLambda = numErasures;
    int32_t degB = numErasures;
    std::copy(lambda, lambda + nroots + 1, b);
    int32_t L = numErasures;
    for (int32_t r = numErasures + 1; r <= nroots; ++r) {
        int32_t status = csys_attention_check();
        if (status < 0) return status;
        int32_t discrepancy = 0;
        for (int32_t i = 0, last = std::min(degLambda, r - 1); i <= last; ++i) {
            discrepancy = field.add(discrepancy, field.mul(lambda[i], s[r - 1 - i]));
        }
        if (discrepancy != 0) {
            // T = Lambda - D x B
            int32_t degT = std::max(degLambda, degB + 1);
            t[0] = lambda[0];
            for (int32_t i = 1; i <= degT; ++i) {
                int32_t shifted = i - 1 <= degB ? field.mul(discrepancy, b[i - 1]) : 0;
                t[i] = field.sub(i <= degLambda ? lambda[i] : 0, shifted);
            }
            if (2 * L <= r + numErasures - 1) {
                L = r + numErasures - L;
                int32_t inverse = field.div(1, discrepancy);
                for (int32_t i = 0; i <= degLambda; ++i) b[i] = field.mul(lambda[i], inverse);
                if (degB > degLambda) std::fill(b + degLambda + 1, b + degB + 1, 0);
                degB = degLambda;
                std::copy(t, t + degT + 1, lambda);
                degLambda = trimmedDegree(lambda, degT);
                continue;
            }
            std::copy(t, t + degT + 1, lambda);
            degLambda = trimmedDegree(lambda, degT);
        }
        // B = x B
        std::copy_backward(b, b + degB + 1, b + degB + 2);
        b[0] = 0;
        ++degB;
    }
    *degree = degLambda;
    *length = degLambda == L ? L : -1;
    return 0;
}

template <class Field>
int32_t findRoots(const Field& field, const workspace& ws, int32_t degree, int32_t minExponent,
                  int32_t maxExponent, int32_t* found) {
    auto inverse = [&](int32_t p) { return reduceExponent(-static_cast<int64_t>(p), field.order); };
    int32_t count = 0;
    for (int32_t p = minExponent; p <= maxExponent && count < degree; p += kLanes) {
        if ((p - minExponent) % kPollInterval == 0) {
            int32_t status = csys_attention_check();
            if (status < 0) return status;
        }
        int32_t points[kLanes];
        int32_t values[kLanes];
        const int32_t lanes = batchPoints(p, maxExponent, inverse, points);
        evaluateBatch(field, ws.lambda + degree, -1, degree + 1, points, values);
        for (int32_t l = 0; l < lanes && count < degree; ++l) {
            if (values[l] == 0) ws.rootExponents[count++] = p + l;
        }
    }
    *found = count;
    return 0;
}

template <class Field>
bool computeErrorValues(const Field& field, int32_t nroots, int32_t fcr, const workspace& ws,
                        int32_t degree, int32_t numRoots) {
    const int32_t order = field.order;
    // Omega = S Lambda mod x^nroots; when the locator is right its degree is below Lambda's, and
    // when it is not the callers' syndrome check rejects the result.
    const int32_t omegaCount = std::min(degree, nroots);
    for (int32_t k = 0; k < omegaCount; ++k) {
        int32_t v = 0;
        for (int32_t i = 0; i <= std::min(k, degree); ++i) {
            v = field.add(v, field.mul(ws.lambda[i], ws.syndromes[k - i]));
        }
        ws.omega[k] = v;
    }
    // The formal derivative: i Lambda[i] at x^(i-1).
    int32_t* derivative = ws.t;
    for (int32_t i = 1; i <= degree; ++i) {
        derivative[i - 1] = field.mul(field.fromInt(i), ws.lambda[i]);
    }
    auto inverse = [&](int32_t j) {
        return reduceExponent(-static_cast<int64_t>(ws.rootExponents[j]), order);
    };
    for (int32_t j = 0; j < numRoots; j += kLanes) {
        int32_t points[kLanes];
        int32_t omegas[kLanes];
        int32_t slopes[kLanes];
        const int32_t lanes = batchPoints(j, numRoots - 1, inverse, points);
        evaluateBatch(field, ws.omega + omegaCount - 1, -1, omegaCount, points, omegas);
        evaluateBatch(field, derivative + degree - 1, -1, degree, points, slopes);
        for (int32_t l = 0; l < lanes; ++l) {
            if (slopes[l] == 0) return false;
            // Y = -X^(1 - fcr) Omega(X^-1) / Lambda'(X^-1)
            const int32_t p = ws.rootExponents[j + l];
            const int32_t scaled =
                field.mulPow(omegas[l], reduceExponent(static_cast<int64_t>(1 - fcr) * p, order));
            ws.values[j + l] = field.div(field.neg(scaled), slopes[l]);
        }
    }
    return true;
}

#define CID_RS_INSTANTIATE(Field)                                                                \
    template int32_t computeSyndromes<Field>(const Field&, const codewordView&, int32_t,         \
                                             const workspace&, bool*);                           \
    template int32_t berlekampMassey<Field>(const Field&, int32_t, int32_t, const workspace&,    \
                                            int32_t*, int32_t*);                                 \
    template int32_t findRoots<Field>(const Field&, const workspace&, int32_t, int32_t, int32_t, \
                                      int32_t*);                                                 \
    template bool computeErrorValues<Field>(const Field&, int32_t, int32_t, const workspace&,    \
                                            int32_t, int32_t);

CID_RS_INSTANTIATE(binaryField)
CID_RS_INSTANTIATE(primeField)

}  // namespace cid_rs
