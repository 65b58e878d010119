// Grid indices for a known pitch from the densest window of phases on the phase circle.
#include <algorithm>
#include <cstdint>

#include "ci_id/pitch.h"
#include "ci_id/platform/csys_assert.h"

namespace {

// Sorts order[0..n) by phase, ascending (Shell sort, gaps 1, 4, 13, 40, ...).
void sortByPhase(const int32_t* phase, int32_t* order, int32_t n) {
    for (int32_t i = 0; i < n; ++i) order[i] = i;
    int32_t gap = 1;
    while (gap < n / 3) gap = 3 * gap + 1;
    for (; gap >= 1; gap /= 3) {
        for (int32_t i = gap; i < n; ++i) {
            const int32_t moving = order[i];
            int32_t j = i;
            for (; j >= gap && phase[order[j - gap]] > phase[moving]; j -= gap) {
                order[j] = order[j - gap];
            }
            order[j] = moving;
        }
    }
}

// A window of sorted phases: members [start, start + count), taken modulo n (past the end the
// phases count one pitch more).
struct phaseWindow {
    int32_t start = 0;
    int32_t count = 0;
    int64_t spread = 0;

    bool betterThan(const phaseWindow& other) const {
        return count > other.count || (count == other.count && spread < other.spread);
    }
};

// The densest window of width `width`: the most members, then the smallest spread, then the
// first found. Windows that wrap past the pitch are tried once a start's window reaches the end
// of the sorted phases.
phaseWindow densestWindow(const int32_t* phase, const int32_t* order, int32_t n, int32_t pitch,
                          int32_t width) {
    phaseWindow best;
    int32_t start = 0;
    int32_t end = 0;
    for (; start < n; ++start) {
        while (end < n && phase[order[end]] - phase[order[start]] < width) ++end;
        if (end == n) break;
        const phaseWindow w{start, end - start, phase[order[end - 1]] - phase[order[start]]};
        if (w.betterThan(best)) best = w;
    }
    int32_t wrapped = 0;
    for (; start < n; ++start) {
        while (wrapped < start &&
               int64_t{phase[order[wrapped]]} + pitch - phase[order[start]] < width) {
            ++wrapped;
        }
        const int64_t lastPhase =
            wrapped > 0 ? int64_t{phase[order[wrapped - 1]]} + pitch : phase[order[n - 1]];
        const phaseWindow w{start, n - start + wrapped, lastPhase - phase[order[start]]};
        if (w.betterThan(best)) best = w;
    }
    return best;
}

// The grid cell of x for origin c: truncating division after a negative difference is lowered by
// a pitch.
int64_t gridIndex(int32_t x, int64_t c, int32_t pitch) {
    int64_t difference = x - c;
    if (difference < 0) difference -= pitch;
    return difference / pitch;
}

}  // namespace

extern "C" {

int32_t cidut_cg1dOnGrid(int32_t n, const int32_t* positions, int32_t* work, int32_t pitch,
                         int32_t window, int32_t* indices, int32_t* origin, int32_t* flag) {
    CSTD_ASSERT(positions && work && indices && origin && flag);
    CSTD_ASSERT(n >= 2 && pitch > 0 && window > 0 && window <= pitch);
    for (int32_t i = 0; i < n; ++i) {
        const int32_t r = positions[i] % pitch;
        work[i] = r < 0 ? -r : r;
    }
    sortByPhase(work, indices, n);
    const phaseWindow best = densestWindow(work, indices, n, pitch, window);
    const int32_t lastMember = best.start + best.count - 1;
    const int64_t firstPhase = work[indices[best.start]];
    const int64_t lastPhase =
        lastMember < n ? work[indices[lastMember]] : int64_t{work[indices[lastMember - n]]} + pitch;
    const int64_t c = (firstPhase + lastPhase - window) / 2;
    // The phases are spent: work now marks the members.
    int64_t lowest = INT64_MAX;
    for (int32_t i = 0; i < n; ++i) work[i] = 0;
    for (int32_t m = best.start; m <= lastMember; ++m) {
        const int32_t i = indices[m < n ? m : m - n];
        work[i] = 1;
        lowest = std::min(lowest, gridIndex(positions[i], c, pitch));
    }
    for (int32_t i = 0; i < n; ++i) {
        const int64_t k = gridIndex(positions[i], c, pitch) - lowest;
        indices[i] = work[i] ? static_cast<int32_t>(std::min<int64_t>(k, INT32_MAX)) : -1;
    }
    *origin = static_cast<int32_t>(c);
    *flag = 0;
    return 0;
}

}  // extern "C"
