// The grid of the tooth candidates: dominant width and strength by clustering, the grid phase,
// and the scored assignment of candidates to grid slots.
#include <algorithm>
#include <cstdlib>

#include "ci_id/priv/ci_idut/oned/teeth_cluster.h"
#include "ci_id/priv/ci_idut/oned/teeth_work.h"

namespace cidut {
namespace {

// Strengths of candidates outside the width cluster being rated.
constexpr int32_t kNotInCluster = 262144;
// The strongest edge, 255 grey levels in 1/256.
constexpr int32_t kStrongest = 255 * 256;

ClusterParams clusterParams(double mergeDistance) {
    return ClusterParams{2, -1.0, mergeDistance, 8};
}

// Work arrays of n values each.
struct gridWork {
    int32_t* values;
    int32_t* widthLabels;
    int32_t* strengthLabels;  // of the best rated pass
    int32_t* labels;
    int32_t* scratch;  // 2 n
};

struct bestPair {
    int32_t width = -1;
    int32_t strength = -1;
    int32_t rating = -1;
};

int32_t meanOf(const splitClusters& clusters, int32_t c, int32_t* mean) {
    return cmath_statisticsFixed_getMean(&clusters.stats[c], mean);
}

// Rates the strength clusters of width cluster c by size, strength and the width's closeness to
// the expected one; the best pair so far keeps its strength labels.
int32_t rateWidthCluster(const teethCall& call, const splitClusters& widths, int32_t c,
                         const gridWork& w, bestPair* best) {
    int32_t mean = 0;
    int32_t status = meanOf(widths, c, &mean);
    if (status < 0 || mean > toFixed8(0.975 * call.params.expectedPitch)) return status;
    const int32_t width = call.fixed.width;
    const int32_t closeness = 256 - ratio256(std::llabs(int64_t{mean} - width), width);
    const int32_t n = call.candidateCount;
    int64_t sum = 0;
    int32_t members = 0;
    for (int32_t i = 0; i < n; ++i) {
        const bool member = w.widthLabels[i] == c;
        w.values[i] = member ? call.candidates[i].strength : kNotInCluster;
        if (member) {
            sum += call.candidates[i].strength;
            ++members;
        }
    }
    const double meanStrength = static_cast<double>(members > 0 ? sum / members : 0) / 256.0;
    splitClusters strengths;
    status = clusterWithOneSplit(clusterParams(std::min(0.2 * meanStrength, 20.0)), w.values, n, 2,
                                 &kNotInCluster, w.labels, w.scratch, &strengths);
    if (status < 0 || !strengths.converged) return status;
    int32_t slots = call.params.slotCount * 256;
    if (call.params.everySecondSlot) slots /= 2;
    for (int32_t s = 0; s < strengths.count; ++s) {
        int32_t strength = 0;
        status = meanOf(strengths, s, &strength);
        if (status < 0) return status;
        if (strength > kStrongest) continue;
        const int32_t sizeScore = ratio256(int64_t{strengths.stats[s].count} * 256, slots);
        const int32_t rating = (sizeScore * 3) / 2 + (strength * 16) / 4080 + closeness / 2;
        if (rating > best->rating) {
            *best = bestPair{c, s, rating};
            std::copy(w.labels, w.labels + n, w.strengthLabels);
        }
    }
    return 0;
}

// Where q lies within the pitch, folded so that the far half counts from the next grid line.
int32_t foldedPhase(int64_t q, int32_t pitch) {
    const int64_t v = q % pitch;
    return static_cast<int32_t>(v > pitch / 2 && q > pitch ? pitch - v : v);
}

// Mean width, and mean relative deviation from the expected width, of the slots filled from edges.
void summariseWidths(const teethCall& call, const cidut_toothCand* slots,
                     cidut_teethResults* results) {
    int64_t widths = 0;
    int64_t deviations = 0;
    int32_t filled = 0;
    for (int32_t k = 0; k < call.params.slotCount; ++k) {
        if (slots[k].firstEdge < 0) continue;
        widths += slots[k].width;
        deviations += ratio256(slots[k].width, call.fixed.width) - 256;
        ++filled;
    }
    results->meanWidth = filled ? static_cast<int32_t>(widths / filled) : 0;
    results->widthDeviation = filled ? static_cast<int32_t>(deviations / filled) : 0;
}

// The dominant width: the mean width of the width cluster whose strength cluster rates best.
int32_t findDominantWidth(teethCall* call, const gridWork& w, bestPair* best) {
    const int32_t n = call->candidateCount;
    for (int32_t i = 0; i < n; ++i) w.values[i] = call->candidates[i].width;
    splitClusters widths;
    int32_t status = clusterWithOneSplit(clusterParams(0.1 * call->params.expectedWidth), w.values,
                                         n, 3, nullptr, w.widthLabels, w.scratch, &widths);
    if (status < 0 || !widths.converged || widths.count < 1) return status;
    for (int32_t c = 0; c < widths.count && status >= 0; ++c) {
        status = rateWidthCluster(*call, widths, c, w, best);
    }
    if (status < 0 || best->width < 0) return status;
    return meanOf(widths, best->width, &call->dominantWidth);
}

// The grid phase: the mean folded phase of the best pair's candidates, as clustered.
int32_t findPhase(teethCall* call, const gridWork& w, const bestPair& best) {
    const int32_t n = call->candidateCount;
    const int32_t pitch = call->fixed.pitch;
    const int32_t offGrid = 10 * pitch;
    for (int32_t i = 0; i < n; ++i) {
        const bool chosen = w.widthLabels[i] == best.width && w.strengthLabels[i] == best.strength;
        const int64_t q = int64_t{call->candidates[i].center} + call->fixed.origin;
        w.values[i] = chosen ? foldedPhase(q, pitch) : offGrid;
    }
    splitClusters phases;
    int32_t status = clusterWithOneSplit(clusterParams(0.1 * call->params.expectedPitch), w.values,
                                         n, 2, &offGrid, w.labels, w.scratch, &phases);
    if (status < 0 || !phases.converged || phases.count < 1) return status;
    status = meanOf(phases, 0, &call->phase);
    if (status >= 0 && call->phase > pitch) {
        call->phase = 0;
        if (phases.count > 1) status = meanOf(phases, 1, &call->phase);
    }
    return status;
}

// Scores a candidate against the grid phase and the dominant width; returns its grid index.
int64_t scoreOnGrid(const teethCall& call, cidut_toothCand* c) {
    const int32_t pitch = call.fixed.pitch;
    const int32_t width = call.dominantWidth;
    const int64_t q = int64_t{c->center} + call.fixed.origin;
    const int64_t r = q % pitch;
    const int64_t reference = r > pitch / 2 && q > pitch ? pitch - call.phase : call.phase;
    c->gridScore = ratio256(pitch - std::llabs(r - reference), pitch);
    c->widthScore = c->width <= width ? ratio256(c->width, width) : ratio256(width, c->width);
    // 205 and 384 are 0.8 and 1.5 in 1/256.
    const int32_t blend =
        (((c->strengthRatio * 205 + 128) >> 8) + ((c->widthScore * 384 + 128) >> 8)) / 2;
    c->score = (blend * c->gridScore + 128) >> 8;
    return ((q * 16) / ((pitch + 8) >> 4)) >> 8;
}

}  // namespace

int32_t findGrid(teethCall* call, int32_t* work, bool* found) {
    const int32_t n = call->candidateCount;
    const gridWork w{work, work + n, work + 2 * n, work + 3 * n, work + 4 * n};
    bestPair best;
    int32_t status = findDominantWidth(call, w, &best);
    if (status >= 0 && best.width >= 0) status = findPhase(call, w, best);
    *found = status >= 0 && call->dominantWidth >= 0 && call->phase >= 0;
    return status;
}

int32_t assignSlots(const teethCall& call, cidut_teethResults* results) {
    const cidut_edgePairingParams& params = call.params;
    cstd_vector_cidut_toothCand* teeth = &results->teeth;
    int32_t status = cstd_vector_cidut_toothCand_clear(teeth);
    if (status >= 0) status = cstd_vector_cidut_toothCand_resize(teeth, params.slotCount);
    cidut_toothCand* slots = nullptr;
    if (status >= 0) status = cstd_vector_cidut_toothCand_getBegin(teeth, &slots);
    if (status < 0) return status;
    for (int32_t k = 0; k < params.slotCount; ++k) cidut_toothCand_init(&slots[k]);
    const int32_t step = params.everySecondSlot ? 2 : 1;
    const int32_t shift = params.skipFirstSlot ? 1 : 0;
    const int32_t limit = params.slotCount - 2 * shift;
    for (int32_t i = 0; i < call.candidateCount; ++i) {
        cidut_toothCand c = call.candidates[i];
        const int64_t slot = scoreOnGrid(call, &c);
        const int64_t k = slot * step + shift;
        // Candidates before the first grid line have no slot.
        if (slot < 0 || k >= limit || (slots[k].slot != -1 && slots[k].score >= c.score)) continue;
        c.slot = static_cast<int32_t>(slot * step);
        slots[k] = c;
    }
    summariseWidths(call, slots, results);
    return 0;
}

}  // namespace cidut
