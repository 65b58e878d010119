// The scaled pitch search: phase regression over runs that grow as the pitch settles.
#include <algorithm>
#include <cstddef>

#include "ci_id/pitch.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/priv/ci_idut/oned/phase_fit.h"
#include "ci_id/status.h"

namespace {

using cidut::phaseFit;
using cidut::phasePair;
using cidut::wideInt;

// What the caller gets back.
struct scaledResult {
    int32_t* pitch;
    int32_t* span;
    int32_t* inliers;
    int32_t* origin;
};

// The state of the search between rounds.
struct scaledSearch {
    const int32_t* positions;
    int32_t n;
    int32_t initialPitch;
    int32_t tolerance;
    int32_t inlierWindow;
    wideInt lowest;  // the pitch bounds
    wideInt highest;
    int64_t maxSpan;    // the positions' extent in pitches
    int64_t direction;  // the sign of last - first position
    int64_t runLength;  // K
    int64_t window;     // w
};

// Merged points within half the window of the fitted line.
int32_t countInliers(const phasePair* pairs, const phaseFit& fit, int32_t window) {
    int32_t inliers = 0;
    for (int32_t i = 0; i < fit.pairCount; ++i) {
        if (2 * cidut::magnitude(fit.line.offsetOf(pairs[i])) < window) ++inliers;
    }
    return inliers;
}

// Rounds until one is not accepted, barely moves the pitch, or already ran one run over
// everything; each accepted round is written to the result.
void searchRounds(scaledSearch s, phasePair* pairs, const scaledResult& out) {
    int32_t trial = s.initialPitch;
    int64_t lastSpan = 0;
    while (trial >= s.window) {
        const cidut::phaseSearch search{s.positions, s.n,
                                        s.runLength, s.direction * (trial / 2),
                                        trial,       ((s.window / 2) * 256) / trial};
        phaseFit fit;
        if (!cidut::fitPhases(search, pairs, &fit)) return;
        const wideInt next = cidut::correctedPitch(trial, fit);
        const int64_t m = fit.kept.span;
        if (next < s.lowest || next > s.highest || m <= lastSpan) return;
        *out.pitch = static_cast<int32_t>(next);
        *out.span = cidut::clamp32(m);
        *out.inliers = countInliers(pairs, fit, s.inlierWindow);
        *out.origin = cidut::clamp32((fit.origin + fit.line.a) / s.initialPitch);
        if (cidut::magnitude(next - trial) < 2 || s.runLength > s.maxSpan) return;
        // A longer span fixes the pitch better: narrower window, longer runs.
        const int64_t tolerance = s.tolerance;
        s.window = std::min<int64_t>(s.window, (2 * tolerance) / m + 2 * tolerance);
        s.runLength = std::max<int64_t>(s.runLength, (499 * m * trial) / (tolerance * 1000));
        lastSpan = m;
        trial = static_cast<int32_t>(next);
    }
}

}  // namespace

extern "C" {

int32_t cidut_cg1dComputeScaledPitch(int32_t n, const int32_t* positions, int32_t initialPitch,
                                     int32_t lowScale, int32_t highScale, int32_t tolerance,
                                     int32_t* span, int32_t* inliers, int32_t inlierWindow,
                                     int32_t* origin, int32_t* pitch) {
    CSTD_ASSERT(positions && span && inliers && origin && pitch && n >= 2 && initialPitch >= 1);
    CSTD_ASSERT(lowScale >= 501 && lowScale <= highScale && highScale >= 1001 && highScale <= 1999);
    CSTD_ASSERT(tolerance >= 1 && tolerance < initialPitch / 2);
    if (lowScale >= 1000) return CID_STATUS_INVALID_VALUE;
    const int64_t runLength = std::min(499 / (1000 - lowScale), 499 / (highScale - 1000));
    CSTD_ASSERT(runLength >= 2);
    const int64_t first = positions[0];
    const int64_t last = positions[n - 1];
    const scaledSearch search{
        positions,
        n,
        initialPitch,
        tolerance,
        inlierWindow,
        wideInt{initialPitch} * lowScale / 1000,
        wideInt{initialPitch} * highScale / 1000,
        (last > first ? last - first : first - last) / initialPitch,
        (last > first) - (last < first),
        runLength,
        int64_t{initialPitch} * (highScale - lowScale) / 1000 + 2 * int64_t{tolerance}};
    *pitch = initialPitch;
    *span = 0;
    *inliers = 0;
    *origin = static_cast<int32_t>(first / initialPitch);
    csys::cleanupScope<1> scope;
    void* pairs = nullptr;
    const int32_t status =
        csys_memory_alloc_internal(sizeof(phasePair) * static_cast<size_t>(n), &pairs);
    if (status < 0) return scope.close(status);
    scope.scratch<csys_memory_free_internal>(&pairs);
    searchRounds(search, static_cast<phasePair*>(pairs),
                 scaledResult{pitch, span, inliers, origin});
    return scope.close(0);
}

}  // extern "C"
