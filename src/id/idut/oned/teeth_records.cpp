// Tooth candidates, teeth results and pairing parameters: their initial values, copies and the
// typed vector of candidates.
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/priv/ci_idut/containers/typed_vector.h"
#include "ci_id/priv/ci_idut/oned/teeth_work.h"
#include "ci_id/teeth.h"

CSTD_VECTOR_DEFINE(cidut_toothCand, cidut_toothCand, nullptr)
CSYS_TYPECHECK_DEFINE(cidut_teethResults)

namespace {

constexpr int32_t kUnsetScore = -256;

}  // namespace

void cidut::resetTeethValues(cidut_teethResults* results) {
    results->dominantWidth = kUnsetScore;
    results->gridShift = kUnsetScore;
    results->meanPitch = kUnsetScore;
    results->widthDeviation = kUnsetScore;
    results->meanWidth = kUnsetScore;
    results->expectedWidth = kUnsetScore;
    results->reservedScore = kUnsetScore;
    results->reservedIndex = -1;
}

extern "C" {

int32_t cidut_toothCand_init(cidut_toothCand* tooth) {
    CSTD_ASSERT(tooth);
    *tooth = cidut_toothCand{};
    tooth->score = kUnsetScore;
    tooth->strength = kUnsetScore;
    tooth->firstEdge = -1;
    tooth->secondEdge = -1;
    tooth->slot = -1;
    tooth->gridScore = kUnsetScore;
    tooth->widthScore = kUnsetScore;
    tooth->strengthRatio = kUnsetScore;
    return 0;
}

int32_t cidut_toothCand_assign(cidut_toothCand* destination, const cidut_toothCand* source) {
    CSTD_ASSERT(destination && source);
    if (destination != source) *destination = *source;
    return 0;
}

int32_t cidut_teethResults_construct(cidut_teethResults* results) {
    CSTD_ASSERT(results);
    cidut::resetTeethValues(results);
    csys::cleanupScope<1> scope;
    int32_t status = cstd_vector_cidut_toothCand_constructEmpty(&results->teeth);
    if (status < 0) return scope.close(status);
    scope.output<cstd_vector_cidut_toothCand_destruct>(&results->teeth);
    return scope.close(cstd_vector_cidut_toothCand_reserve(&results->teeth, 5));
}

int32_t cidut_teethResults_constructCopy(cidut_teethResults* results,
                                         const cidut_teethResults* source) {
    CSTD_ASSERT(results && source);
    csys::cleanupScope<1> scope;
    int32_t status = cidut_teethResults_construct(results);
    if (status < 0) return scope.close(status);
    scope.output<cidut_teethResults_destruct>(results);
    return scope.close(cidut_teethResults_assign(results, source));
}

int32_t cidut_teethResults_assign(cidut_teethResults* destination,
                                  const cidut_teethResults* source) {
    CSTD_ASSERT(destination && source);
    if (destination == source) return 0;
    const int32_t status = cstd_vector_cidut_toothCand_assign(&destination->teeth, &source->teeth);
    if (status < 0) return status;
    destination->dominantWidth = source->dominantWidth;
    destination->gridShift = source->gridShift;
    destination->meanPitch = source->meanPitch;
    destination->widthDeviation = source->widthDeviation;
    destination->meanWidth = source->meanWidth;
    destination->expectedWidth = source->expectedWidth;
    destination->reservedScore = source->reservedScore;
    destination->reservedIndex = source->reservedIndex;
    return 0;
}

int32_t cidut_teethResults_destruct(cidut_teethResults* results) {
    CSTD_ASSERT(results);
    return cstd_vector_cidut_toothCand_destruct(&results->teeth);
}

int32_t cidut_edgePairingParams_init(cidut_edgePairingParams* params) {
    CSTD_ASSERT(params);
    *params = cidut_edgePairingParams{};
    params->darkTeeth = 1;
    params->widthRange = cidut_widthRange{0.3, 1.7};
    params->gridOrigin = -1.0;
    params->minEdgeStrength = -1.0;
    params->minStrengthRatio = 0.45;
    params->reserved = -1.0;
    params->minTeeth = 2;
    return 0;
}

}  // extern "C"
