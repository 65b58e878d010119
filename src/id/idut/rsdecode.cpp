// Decoding steps shared by the GF(2^m), PDF417 and CC-A decoders. Hot loops keep independent
// terms side by side (all syndromes advance per symbol, all locator terms per trial point) so
// that table look-ups overlap instead of forming one long dependency chain.
#include <algorithm>

#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/rs_decode.h"

namespace cid_rs {

int32_t workspace_construct(workspace* ws, int32_t nroots, int32_t fcr, int32_t order) {
    const size_t stride = static_cast<size_t>(nroots) + 1;
    void* block = nullptr;
    int32_t status = csys_memory_allocArray_internal(stride * 11, sizeof(int32_t), &block);
    if (status < 0) return status;
    ws->block = static_cast<int32_t*>(block);
    int32_t** arrays[] = {&ws->syndromes,
                          &ws->rootLogs,
                          &ws->lambda,
                          &ws->b,
                          &ws->t,
                          &ws->omega,
                          &ws->termLog,
                          &ws->termStep,
                          &ws->rootExponents,
                          &ws->values,
                          &ws->erasureExponents};
    for (size_t i = 0; i < sizeof arrays / sizeof arrays[0]; ++i) {
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

template <class Field>
int32_t computeSyndromes(const Field& field, const codewordView& view, int32_t nroots,
                         const workspace& ws, bool* anyNonZero) {
    int32_t* s = ws.syndromes;
    const int32_t* roots = ws.rootLogs;
    std::fill(s, s + nroots, 0);
    // Horner from the highest power down, every syndrome at once.
    for (int32_t step = 0; step < view.count; ++step) {
        if (step % kPollInterval == 0) {
            int32_t status = csys_attention_check();
            if (status < 0) return status;
        }
        int32_t index = view.ascending ? view.count - 1 - step : step;
        int32_t symbol = view.symbols[index];
        for (int32_t k = 0; k < nroots; ++k) s[k] = field.add(field.mulPow(s[k], roots[k]), symbol);
    }
    for (int32_t shift = 0; shift < view.lowestExponent; ++shift) {
        for (int32_t k = 0; k < nroots; ++k) s[k] = field.mulPow(s[k], roots[k]);
    }
    *anyNonZero = std::any_of(s, s + nroots, [](int32_t v) { return v != 0; });
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
    const int32_t order = field.order;
    // Term k of Lambda(alpha^-p) is Lambda[k] alpha^(log Lambda[k] - k p): keep its exponent and
    // step it by -k per trial point.
    int32_t terms = 0;
    for (int32_t k = 1; k <= degree; ++k) {
        if (ws.lambda[k] == 0) continue;
        ws.termLog[terms] = reduceExponent(
            field.logOf(ws.lambda[k]) - static_cast<int64_t>(k) * minExponent, order);
        ws.termStep[terms] = reduceExponent(-static_cast<int64_t>(k), order);
        ++terms;
    }
    int32_t count = 0;
    for (int32_t p = minExponent; p <= maxExponent && count < degree; ++p) {
        if ((p - minExponent) % kPollInterval == 0) {
            int32_t status = csys_attention_check();
            if (status < 0) return status;
        }
        int32_t sum = ws.lambda[0];
        for (int32_t i = 0; i < terms; ++i) {
            int32_t e = ws.termLog[i];
            sum = field.add(sum, field.power(e));
            e += ws.termStep[i];
            ws.termLog[i] = e >= order ? e - order : e;
        }
        if (sum == 0) ws.rootExponents[count++] = p;
    }
    *found = count;
    return 0;
}

namespace {

// poly(alpha^e) by Horner, for a polynomial of degree >= 0.
template <class Field>
int32_t evaluateAtPower(const Field& field, const int32_t* poly, int32_t degree, int32_t e) {
    int32_t v = 0;
    for (int32_t i = degree; i >= 0; --i) v = field.add(field.mulPow(v, e), poly[i]);
    return v;
}

// Lambda'(alpha^e): the formal derivative, coefficient i * Lambda[i] at x^(i-1).
template <class Field>
int32_t evaluateDerivativeAtPower(const Field& field, const int32_t* lambda, int32_t degree,
                                  int32_t e) {
    int32_t v = 0;
    for (int32_t i = degree; i >= 1; --i) {
        v = field.add(field.mulPow(v, e), field.mul(field.fromInt(i), lambda[i]));
    }
    return v;
}

}  // namespace

template <class Field>
bool computeErrorValues(const Field& field, int32_t nroots, int32_t fcr, const workspace& ws,
                        int32_t degree, int32_t numRoots) {
    const int32_t order = field.order;
    // Omega = S Lambda mod x^nroots; when the locator is right its degree is below Lambda's, and
    // when it is not the caller's syndrome check rejects the result.
    const int32_t degOmega = std::min(degree, nroots) - 1;
    for (int32_t k = 0; k <= degOmega; ++k) {
        int32_t v = 0;
        for (int32_t i = 0; i <= std::min(k, degree); ++i) {
            v = field.add(v, field.mul(ws.lambda[i], ws.syndromes[k - i]));
        }
        ws.omega[k] = v;
    }
    for (int32_t j = 0; j < numRoots; ++j) {
        int32_t p = ws.rootExponents[j];
        int32_t inverseLog = reduceExponent(-static_cast<int64_t>(p), order);
        int32_t numerator =
            degOmega >= 0 ? evaluateAtPower(field, ws.omega, degOmega, inverseLog) : 0;
        numerator =
            field.mulPow(numerator, reduceExponent(static_cast<int64_t>(1 - fcr) * p, order));
        int32_t denominator = evaluateDerivativeAtPower(field, ws.lambda, degree, inverseLog);
        if (denominator == 0) return false;
        ws.values[j] = field.div(field.neg(numerator), denominator);
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
