// cidut_edgesToTeeth: an edge list through candidates, grid and slots to the teeth of a symbol.
#include <algorithm>
#include <cstddef>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/oned/teeth_work.h"
#include "ci_id/status.h"

namespace {

using cidut::teethCall;

// More candidates than this per bin means no regular pattern stands out.
constexpr double kMostCandidatesPerBin = 2.7;
// Clustering works on six arrays of one value per candidate.
constexpr size_t kWorkArrays = 6;

int32_t scanLineOf(const cmath_shapeAffineRect* rect, teethCall* call) {
    cmath_shapeAffineRectCenter centre;
    const int32_t status = cmath_shapeAffineRect_getCenter(rect, &centre);
    if (status < 0) return status;
    if (!(centre.xLength > 0 && centre.xLength < cidut::kLongestLength)) {
        return CID_STATUS_INVALID_GEOMETRY;
    }
    call->imageLine = cidut::centreLineOf(centre);
    call->imageLength = centre.xLength;
    return 0;
}

// One block of count values of the given size into *block, which the scope releases.
int32_t allocate(csys::cleanupScope<2>& scope, size_t count, size_t bytesPerValue, void** block) {
    size_t bytes = 0;
    int32_t status = csys_size_multiply(count, bytesPerValue, &bytes);
    if (status >= 0) status = csys_memory_alloc_internal(bytes, block);
    if (status >= 0) scope.scratch<csys_memory_free_internal>(block);
    return status;
}

// Candidates, their bins and the clustering arrays, in block.
int32_t collect(csys::cleanupScope<2>& scope, int32_t count, teethCall* call, void** block,
                int32_t** work) {
    const size_t perCandidate = sizeof(cidut_toothCand) + sizeof(int32_t) * (1 + kWorkArrays);
    const int32_t status = allocate(scope, static_cast<size_t>(count), perCandidate, block);
    if (status < 0) return status;
    call->candidates = static_cast<cidut_toothCand*>(*block);
    auto* bins = reinterpret_cast<int32_t*>(call->candidates + count);
    *work = bins + count;
    cidut::collectCandidates(call, bins);
    return 0;
}

}  // namespace

extern "C" {

int32_t cidut_edgesToTeeth(const cidut_edgePairingParams* params, const cidut_edgeList* edges,
                           const cmath_xform* forward, const cmath_xform* inverse,
                           const cmath_shapeAffineRect* rect, const cmath_xformLinear* linear,
                           cidut_teethResults* results) {
    CSTD_ASSERT(params && edges && rect && results);
    cidut::resetTeethValues(results);
    int32_t status = cstd_vector_cidut_toothCand_clear(&results->teeth);
    if (status < 0 || edges->count < 5) return status;
    CSTD_ASSERT(edges->edges);
    teethCall call{};
    call.params = *params;
    call.list = edges;
    call.dominantWidth = -1;
    call.phase = -1;
    status = scanLineOf(rect, &call);
    if (status < 0) return status;
    if (!(edges->flags & CIDUT_EDGE_LIST_ORDERED)) return CID_STATUS_INVALID_VALUE;
    csys::cleanupScope<2> scope;
    void* positions = nullptr;
    status = allocate(scope, static_cast<size_t>(edges->count), sizeof(int32_t), &positions);
    if (status < 0) return scope.close(status);
    call.positions = static_cast<int32_t*>(positions);
    status = cidut::prepareTeethCall(&call, forward && inverse ? forward : nullptr, *rect);
    int32_t count = 0;
    if (status >= 0) status = cidut::countCandidates(call, &count);
    if (status >= 0) status = csys_attention_check();
    if (status < 0) return scope.close(status);
    if (count == 0 || count > kMostCandidatesPerBin * std::max(call.fixed.bins, 1)) {
        return scope.close(0);
    }
    void* candidates = nullptr;
    int32_t* work = nullptr;
    bool found = false;
    status = collect(scope, count, &call, &candidates, &work);
    if (status >= 0) status = cidut::findGrid(&call, work, &found);
    if (status >= 0 && call.dominantWidth >= 0) results->dominantWidth = call.dominantWidth;
    if (status >= 0 && found) results->gridShift = call.phase;
    if (status >= 0) status = csys_attention_check();
    if (status < 0 || !found) return scope.close(status);
    bool kept = false;
    status = cidut::assignSlots(call, results);
    if (status >= 0) status = csys_attention_check();
    if (status >= 0) status = cidut::completeSlots(call, inverse, linear, results, &kept);
    if (status >= 0) status = csys_attention_check();
    if (status >= 0 && kept) results->expectedWidth = call.fixed.width;
    return scope.close(status);
}

}  // extern "C"
