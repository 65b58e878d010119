// Pitch refinement by phase regression in at most two rounds within given pitch bounds.
#include "ci_id/pitch.h"

#include <algorithm>
#include <cstddef>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/priv/ci_idut/oned/phase_fit.h"
#include "ci_id/sort.h"

namespace {

using cidut::phaseFit;
using cidut::phasePair;
using cidut::wideInt;

struct pitchBounds {
    int32_t initial;
    int32_t lowest;
    int32_t highest;
    int32_t tolerance;
    int64_t runLength;
};

// The pitch of the smallest mean squared residual over at most two rounds, each starting from the
// last one's pitch; false when no round gave a pitch within the bounds.
bool refine(const int32_t* positions, int32_t n, const pitchBounds& bounds, phasePair* pairs,
            int32_t* best, wideInt* bestResidual) {
    int32_t trial = bounds.initial;
    bool refined = false;
    for (int32_t round = 0; round < 2; ++round) {
        const cidut::phaseSearch search{
            positions, n,     bounds.runLength,
            trial / 2, trial, (int64_t{bounds.tolerance} * 256) / trial};
        phaseFit fit;
        if (!cidut::fitPhases(search, pairs, &fit)) break;
        const wideInt next = cidut::correctedPitch(trial, fit);
        if (next < bounds.lowest || next > bounds.highest) break;
        const wideInt residual = cidut::residualOf(fit.kept, fit.line) / fit.kept.n;
        if (residual < *bestResidual) {
            *best = static_cast<int32_t>(next);
            *bestResidual = residual;
            refined = true;
        }
        if (cidut::magnitude(next - trial) < 2) break;
        trial = static_cast<int32_t>(next);
    }
    return refined;
}

}  // namespace

extern "C" {

int32_t cidut_estimatePitch(const int32_t* positions, int32_t n, int32_t sorted, int32_t tolerance,
                            int32_t initialPitch, int32_t maxPitch, int32_t minPitch,
                            int32_t* pitch, int32_t* residual) {
    CSTD_ASSERT(positions && pitch && residual && n >= 2 && initialPitch >= 1);
    CSTD_ASSERT(minPitch <= initialPitch && initialPitch <= maxPitch && minPitch < maxPitch);
    CSTD_ASSERT(maxPitch < 2 * int64_t{initialPitch} && minPitch > initialPitch / 2);
    CSTD_ASSERT(tolerance > 0 && tolerance < initialPitch / 2);
    // Over K pitches the allowed pitch error stays below half a pitch.
    const int32_t spread = std::max(initialPitch - minPitch, maxPitch - initialPitch);
    const pitchBounds bounds{initialPitch, minPitch, maxPitch, tolerance,
                             (initialPitch / 2) / spread};
    CSTD_ASSERT(bounds.runLength >= 2);
    *residual = 1024;
    // The pairs, then for unsorted input a sorted copy of the positions: the caller's array
    // stays as it is.
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    const size_t count = static_cast<size_t>(n);
    int32_t status = csys_memory_alloc_internal(
        sizeof(phasePair) * count + (sorted ? 0 : sizeof(int32_t) * count), &block);
    if (status < 0) return scope.close(status);
    scope.scratch<csys_memory_free_internal>(&block);
    auto* pairs = static_cast<phasePair*>(block);
    if (!sorted) {
        auto* copy = reinterpret_cast<int32_t*>(pairs + n);
        std::copy(positions, positions + n, copy);
        status = csys_int32_qsort(copy, copy + n);
        if (status < 0) return scope.close(status);
        positions = copy;
    }
    wideInt best = INT32_MAX;
    *pitch = initialPitch;
    if (refine(positions, n, bounds, pairs, pitch, &best)) {
        *residual = cidut::clamp32(best * 1024 / (wideInt{initialPitch} * initialPitch));
    }
    return scope.close(0);
}

}  // extern "C"
