// The PDF417 code over GF(929) (ISO/IEC 15438): codewords are numbers 0 .. 928 and 3 generates
// the multiplicative group of 928 elements. The tables are computed once, at compile time, and
// every code object gets its own copy.
#include <cstring>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/priv/ci_idut/ecc/rs_field.h"
#include "ci_id/reedsolomon.h"
#include "ci_id/status.h"

namespace cid_rs {

namespace {

constexpr int32_t kGenerator = 3;

constexpr gf929Tables buildGf929Tables() {
    gf929Tables tables{};
    int32_t power = 1;
    for (int32_t i = 0; i < kGf929Order; ++i) {
        tables.exp[i] = power;
        tables.log[power] = i;
        power = power * kGenerator % kGf929Modulus;
    }
    tables.inv[0] = -1;
    for (int32_t x = 1; x < kGf929Modulus; ++x) {
        tables.inv[x] = tables.exp[(kGf929Order - tables.log[x]) % kGf929Order];
    }
    return tables;
}

constexpr gf929WideTables buildGf929WideTables(const gf929Tables& tables) {
    gf929WideTables wide{};
    for (int32_t i = 0; i < 2 * kGf929Order; ++i) wide.exp[i] = tables.exp[i % kGf929Order];
    for (int32_t x = 1; x < kGf929Modulus; ++x) wide.log[x] = tables.log[x];
    wide.log[0] = 2 * kGf929Order;
    return wide;
}

}  // namespace

constexpr gf929Tables kGf929 = buildGf929Tables();
constexpr gf929WideTables kGf929Wide = buildGf929WideTables(kGf929);

}  // namespace cid_rs

namespace {

int32_t allocCopy(const int32_t* source, int32_t count, int32_t** target) {
    void* block = nullptr;
    int32_t status =
        csys_memory_allocArray_internal(static_cast<size_t>(count), sizeof(int32_t), &block);
    *target = static_cast<int32_t*>(block);
    if (status >= 0 && source)
        std::memcpy(block, source, sizeof(int32_t) * static_cast<size_t>(count));
    return status;
}

}  // namespace

extern "C" {

int32_t cid2d_PDF417RScode_construct(cid2d_PDF417RScode* code, int32_t numEccWords) {
    CSTD_ASSERT(code);
    std::memset(code, 0, sizeof *code);
    // Codewords hold at most 928 symbols, one of which must be data.
    if (numEccWords < 0 || numEccWords > cid_rs::kGf929Order - 1) {
        return CID_STATUS_INVALID_PARAMETER;
    }
    csys::cleanupScope<1> scope;
    scope.output<cid2d_PDF417RScode_destruct>(code);
    code->symbolBits = 1;
    code->fieldSize = cid_rs::kGf929Modulus;
    code->numEccWords = numEccWords;
    code->fieldPolynomial = 0;
    code->fieldKind = cid_rs::kGf929Modulus;
    const int32_t one = 1;
    const auto& tables = cid_rs::kGf929;
    int32_t status = allocCopy(tables.exp, cid_rs::kGf929TableSize, &code->expTable);
    if (status >= 0) status = allocCopy(tables.log, cid_rs::kGf929TableSize, &code->logTable);
    if (status >= 0) status = allocCopy(tables.inv, cid_rs::kGf929TableSize, &code->invTable);
    if (status >= 0) status = allocCopy(&one, 1, &code->generatorPoly);
    if (status >= 0) status = allocCopy(nullptr, numEccWords, &code->errorPositions);
    return scope.close(status);
}

int32_t cid2d_PDF417RScode_destruct(cid2d_PDF417RScode* code) {
    return cid2d_ReedSolomonCode_destruct(code);
}

}  // extern "C"
