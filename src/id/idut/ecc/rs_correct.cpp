// The errors-and-erasures decoder of the GF(2^m) and PDF417 codes. Symbol decoders act on its
// answer without further checks, so a success is reported only for a codeword whose syndromes
// are all zero after correction, found by a locator that is consistent (degree equal to its
// length, as many distinct roots inside the codeword as its degree) and within the code's
// correction radius. Anything else is a failed decode, never a guess.
#include <algorithm>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/ecc/rs_decode.h"
#include "ci_id/reedsolomon.h"
#include "ci_id/status.h"

namespace {

constexpr int32_t kBinaryMultiplier = 2;
constexpr int32_t kMaxSymbolBits = 16;

// How a code record decodes.
struct codeShape {
    bool prime;
    int32_t maxLength;  // longest codeword
    int32_t maxSymbol;  // largest field element
};

// False for records that no constructor of this library makes.
bool describeCode(const cid2d_ReedSolomonCode& code, codeShape* shape) {
    const int32_t nroots = code.numEccWords;
    if (code.fieldKind == cid_rs::kGf929Modulus && code.fieldSize == cid_rs::kGf929Modulus) {
        if (nroots < 0 || nroots > cid_rs::kGf929Order - 1) return false;
        *shape = codeShape{true, cid_rs::kGf929Order, cid_rs::kGf929Modulus - 1};
        return true;
    }
    if (code.fieldKind != kBinaryMultiplier || code.symbolBits < 2 ||
        code.symbolBits > kMaxSymbolBits) {
        return false;
    }
    const int32_t n = (int32_t{1} << code.symbolBits) - 1;
    if (code.fieldSize != n || nroots < 1 || nroots > n - 1) return false;
    *shape = codeShape{false, n, n};
    return true;
}

// QR generators have the root alpha^0 = 1, Data Matrix generators do not; g(1) is the sum of the
// coefficients.
int32_t firstRootOf(const cid2d_ReedSolomonCode& code) {
    int32_t sum = 0;
    for (int32_t i = 0; i <= code.numEccWords; ++i) sum ^= code.generatorPoly[i];
    return sum == 0 ? 0 : 1;
}

// The roots in the order the search over field values meets them, which is the order of
// errorPositions: in GF(2^m) every value x is tried from 0 up, so the roots come by the value of
// alpha^-p; in GF(929) the trial points 3^-p come by the exponent p itself, as found.
void orderAsFound(const cid_rs::binaryField& field, int32_t* exponents, int32_t count) {
    auto value = [&field](int32_t p) {
        return field.power(cid_rs::reduceExponent(-int64_t{p}, field.order));
    };
    std::sort(exponents, exponents + count,
              [&value](int32_t a, int32_t b) { return value(a) < value(b); });
}
void orderAsFound(const cid_rs::primeField&, int32_t*, int32_t) {}

template <class Field>
int32_t decode(const Field& field, cid2d_ReedSolomonCode* code, int32_t firstRoot,
               const cid_rs::codewordView& view, int32_t* result) {
    const int32_t nroots = code->numEccWords;
    csys::cleanupScope<1> scope;
    cid_rs::workspace ws{};
    int32_t status = cid_rs::workspace_construct(&ws, nroots, firstRoot, field.order);
    if (status < 0) return scope.close(status);
    scope.scratch<cid_rs::workspace_destruct>(&ws);

    int32_t numErasures = 0;
    for (int32_t index = 0; index < view.count; ++index) {
        if (view.symbols[index] >= 0) continue;
        view.symbols[index] = 0;
        code->errorPositions[numErasures] = index;
        ws.erasureExponents[numErasures] = view.exponentOf(index);
        ++numErasures;
    }
    status = csys_attention_check();
    if (status < 0) return scope.close(status);
    bool dirty = false;
    status = cid_rs::computeSyndromes(field, view, nroots, ws, &dirty);
    if (status < 0) return scope.close(status);
    if (!dirty) {
        *result = numErasures;
        return scope.close(status);
    }
    *result = -1;

    int32_t length = 0;
    int32_t degree = 0;
    status = cid_rs::berlekampMassey(field, nroots, numErasures, ws, &length, &degree);
    if (status < 0) return scope.close(status);
    const int32_t numErrors = degree - numErasures;
    if (length < 0 || 2 * numErrors + numErasures > nroots) return scope.close(status);
    int32_t found = 0;
    status = cid_rs::findRoots(field, ws, degree, 0, view.count - 1, &found);
    if (status < 0) return scope.close(status);
    if (found != degree) return scope.close(status);
    orderAsFound(field, ws.rootExponents, found);
    if (!cid_rs::computeErrorValues(field, nroots, firstRoot, ws, degree, found)) {
        return scope.close(status);
    }
    for (int32_t j = 0; j < found; ++j) {
        int32_t index = view.indexOf(ws.rootExponents[j]);
        code->errorPositions[j] = index;
        view.symbols[index] = field.sub(view.symbols[index], ws.values[j]);
    }
    status = cid_rs::computeSyndromes(field, view, nroots, ws, &dirty);
    if (status < 0 || dirty) return scope.close(status);
    *result = degree;
    return scope.close(status);
}

// Decodes with wide tables built from the code's own tables, which are checked on the way so
// that no look-up can leave its table.
int32_t decodeBinary(cid2d_ReedSolomonCode* code, int32_t* codeword, int32_t length,
                     int32_t* result) {
    const int32_t n = code->fieldSize;
    const size_t expSize = static_cast<size_t>(cid_rs::wideExpSize(n));
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    int32_t status = csys_memory_allocArray_internal(
        expSize + static_cast<size_t>(cid_rs::wideLogSize(n)), sizeof(int32_t), &block);
    if (status < 0) return scope.close(status);
    scope.scratch<csys_memory_free_internal>(&block);
    int32_t* exp = static_cast<int32_t*>(block);
    int32_t* log = exp + expSize;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t power = code->expTable[i];
        if (power < 1 || power > n) return scope.close(CID_STATUS_INVALID_PARAMETER);
        exp[i] = exp[i + n] = power;
    }
    log[0] = 2 * n;
    for (int32_t a = 1; a <= n; ++a) {
        const int32_t exponent = code->logTable[a];
        if (exponent < 0 || exponent > n) return scope.close(CID_STATUS_INVALID_PARAMETER);
        log[a] = exponent == n ? 0 : exponent;
    }
    const cid_rs::binaryField field{{exp, log, n}};
    status = decode(field, code, firstRootOf(*code),
                    cid_rs::codewordView{codeword, length, true, 0}, result);
    return scope.close(status);
}

// The erasure walk up to the one too many: the first nroots erasures are recorded and zeroed, as
// a decode that counts them one by one leaves them, and the decode fails.
int32_t tooManyErasures(cid2d_ReedSolomonCode* code, int32_t* codeword, int32_t* result) {
    for (int32_t index = 0, recorded = 0; recorded < code->numEccWords; ++index) {
        if (codeword[index] >= 0) continue;
        code->errorPositions[recorded++] = index;
        codeword[index] = 0;
    }
    *result = -1;
    return 0;
}

}  // namespace

extern "C" int32_t cid2d_ReedSolomonCode_CorrectErrs(cid2d_ReedSolomonCode* code, int32_t* codeword,
                                                     int32_t length, int32_t* result) {
    CSTD_ASSERT(code && codeword && result);
    *result = 0;
    codeShape shape;
    if (!describeCode(*code, &shape)) return CID_STATUS_INVALID_PARAMETER;
    CSTD_ASSERT(code->expTable && code->logTable && code->generatorPoly && code->errorPositions);
    if (length < 0 || length > shape.maxLength) return CID_STATUS_OUT_OF_RANGE;
    if (length == 0) return 0;
    int32_t numErasures = 0;
    for (int32_t i = 0; i < length; ++i) {
        if (codeword[i] > shape.maxSymbol) return CID_STATUS_INVALID_VALUE;
        if (codeword[i] < 0) ++numErasures;
    }
    if (numErasures > code->numEccWords) return tooManyErasures(code, codeword, result);
    return shape.prime ? decode(cid_rs::gf929Field(), code, 1,
                                cid_rs::codewordView{codeword, length, false, 0}, result)
                       : decodeBinary(code, codeword, length, result);
}
