// Error correction of the CC-A component of composite symbols (ISO/IEC 24723): the GF(929) code
// of PDF417, with codeword i standing for x^(count - i), so the lowest power present is x^1.
// Two check codewords are held back for detection: e errors and f erasures are corrected only
// when 2e + f <= numEccWords - 2. A correction is applied only after the corrected codewords
// have passed the syndrome check, so a refusal leaves them untouched.
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/priv/ci_idut/ecc/rs_decode.h"
#include "ci_id/reedsolomon.h"
#include "ci_id/status.h"

namespace {

constexpr int32_t kMaxEccWords = 512;
constexpr int32_t kDetectionReserve = 2;

int32_t validate(const int32_t* codewords, int32_t count, int32_t numEccWords, int32_t numErasures,
                 const int32_t* erasures) {
    if (count < 1 || count > cid_rs::kGf929Order || numEccWords < 0 || numEccWords > kMaxEccWords ||
        numErasures < 0) {
        return CID_STATUS_OUT_OF_RANGE;
    }
    for (int32_t i = 0; i < count; ++i) {
        if (codewords[i] < 0 || codewords[i] >= cid_rs::kGf929Modulus) {
            return CID_STATUS_INVALID_VALUE;
        }
    }
    for (int32_t i = 0; i < numErasures; ++i) {
        if (erasures[i] < 1 || erasures[i] > count) return CID_STATUS_INVALID_VALUE;
    }
    return 0;
}

// Finds and checks the corrections; *corrected tells whether the codewords are now consistent.
int32_t correct(const cid_rs::codewordView& view, int32_t numEccWords, int32_t numErasures,
                const int32_t* erasures, int32_t* numErrors, int32_t* corrected) {
    const cid_rs::primeField field = cid_rs::gf929Field();
    csys::cleanupScope<1> scope;
    cid_rs::workspace ws{};
    int32_t status = cid_rs::workspace_construct(&ws, numEccWords, 1, field.order);
    if (status < 0) return scope.close(status);
    scope.scratch<cid_rs::workspace_destruct>(&ws);

    bool dirty = false;
    status = cid_rs::computeSyndromes(field, view, numEccWords, ws, &dirty);
    if (status < 0) return scope.close(status);
    for (int32_t i = 0; i < numErasures; ++i) {
        ws.erasureExponents[i] = cid_rs::reduceExponent(erasures[i], field.order);
    }
    int32_t length = 0;
    int32_t degree = 0;
    status = cid_rs::berlekampMassey(field, numEccWords, numErasures, ws, &length, &degree);
    if (status < 0) return scope.close(status);
    *numErrors = length;
    if (length < 0 || 2 * length - numErasures > numEccWords - kDetectionReserve) {
        return scope.close(status);
    }
    if (length == 0) {
        *corrected = 1;
        return scope.close(status);
    }
    int32_t found = 0;
    status = cid_rs::findRoots(field, ws, degree, 1, view.count, &found);
    if (status < 0 || found != degree) return scope.close(status);
    if (!cid_rs::computeErrorValues(field, numEccWords, 1, ws, degree, found)) {
        return scope.close(status);
    }
    // Apply, check, and undo on failure; the received values are kept in ws.values.
    for (int32_t j = 0; j < found; ++j) {
        int32_t& symbol = view.symbols[view.indexOf(ws.rootExponents[j])];
        int32_t received = symbol;
        symbol = field.sub(received, ws.values[j]);
        ws.values[j] = received;
    }
    status = cid_rs::computeSyndromes(field, view, numEccWords, ws, &dirty);
    if (status < 0 || dirty) {
        for (int32_t j = 0; j < found; ++j) {
            view.symbols[view.indexOf(ws.rootExponents[j])] = ws.values[j];
        }
        return scope.close(status);
    }
    *corrected = 1;
    return scope.close(status);
}

}  // namespace

extern "C" int32_t cid_RSSCCA_RSCorrectErrors_(int32_t* codewords, int32_t count,
                                               int32_t numEccWords, int32_t numErasures,
                                               const int32_t* erasures, int32_t* numErrors,
                                               int32_t* corrected) {
    CSTD_ASSERT(codewords && numErrors && corrected && (erasures || numErasures <= 0));
    *corrected = 0;
    *numErrors = -1;
    int32_t status = validate(codewords, count, numEccWords, numErasures, erasures);
    if (status < 0) return status;
    // More erasures than check codewords leave nothing to build a locator from.
    if (numErasures > numEccWords) return status;
    cid_rs::codewordView view{codewords, count, false, 1};
    return correct(view, numEccWords, numErasures, erasures, numErrors, corrected);
}
