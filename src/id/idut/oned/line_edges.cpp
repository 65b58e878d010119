// Edges in grey profiles at sub-sample precision, and the caliper that samples a line and
// searches it in one call.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "ci_id/oned.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/status.h"

namespace {

// Two edges closer than this (1/256 pixel) merge under the adaptive rule.
constexpr int32_t kMergeDistance = 512;

// The edges found so far in the caller's arrays.
struct edgeSink {
    int32_t* strengths;
    int32_t* positions;
    int32_t count;
    int32_t capacity;

    bool full() const { return count >= capacity; }

    // With merging, an edge less than kMergeDistance from the previous one in the scan direction
    // (+1 forwards, -1 backwards) joins it, and the stronger of the two takes the earlier slot.
    void keep(int32_t strength, int32_t position, bool merge, int32_t direction) {
        strengths[count] = strength;
        positions[count] = position;
        ++count;
        if (!merge || count < 2) return;
        const int32_t previous = count - 2;
        if ((int64_t{position} - positions[previous]) * direction >= kMergeDistance) return;
        if (std::abs(strength) > std::abs(strengths[previous])) {
            strengths[previous] = strength;
            positions[previous] = position;
        }
        --count;
    }
};

// Sub-sample offset, in 1/256 sample, of the vertex of the parabola through (-1, a), (0, c),
// (1, b). The callers' extremum tests keep the denominator away from 0.
int32_t vertexOffset(int32_t a, int32_t c, int32_t b) {
    return (256 * (a - b)) / (2 * (a + b) - 4 * c);
}

// Checks what both locators share, clears the outputs and gives the position scale: the spacing
// in 1/256 pixel, rounded half away from zero. Positions reach (256 n + 1024) times the scale,
// which must stay within 32 bits.
int32_t startEdges(int32_t n, int32_t maxEdges, double spacing, int32_t* strengths,
                   int32_t* positions, int32_t* count, int32_t* scale) {
    CSTD_ASSERT(strengths && positions && count);
    *count = 0;
    if (maxEdges < 1) return CID_STATUS_OUT_OF_RANGE;
    strengths[0] = 0;
    const double q = spacing * 256.0;
    if (!(std::fabs(q) * (256.0 * std::max(n, 0) + 1024.0) < 2147483520.0)) {
        return CID_STATUS_OUT_OF_RANGE;
    }
    *scale = static_cast<int32_t>(q >= 0 ? q + 0.5 : q - 0.4999999999);
    return 0;
}

int32_t positionOf(int64_t offset, int32_t scale) {
    return static_cast<int32_t>((offset * scale + 128) >> 8);
}

struct bounds {
    int32_t low;
    int32_t high;
};

// The fixed bounds -threshold and threshold; the most negative threshold has no 32-bit negation.
bounds fixedBounds(int32_t threshold) {
    return bounds{threshold == INT32_MIN ? INT32_MAX : -threshold, threshold};
}

// Gradient extremes at or beyond the threshold; false when neither polarity reaches it.
bool reachesThreshold(int32_t low, int32_t high, int32_t threshold) {
    return low <= -int64_t{threshold} || high >= threshold;
}

// The work array of n gradients into block, which the caller's scope releases.
int32_t allocateGradient(csys::cleanupScope<1>& scope, int32_t n, void** block) {
    const int32_t status =
        csys_memory_alloc_internal(sizeof(int32_t) * static_cast<size_t>(n), block);
    if (status >= 0) scope.scratch<csys_memory_free_internal>(block);
    return status;
}

}  // namespace

extern "C" {

int32_t cidut_lineEdgeLoc(const uint8_t* samples, int32_t n, int32_t maxEdges, int32_t threshold,
                          int32_t adaptive, double spacing, int32_t* strengths, int32_t* positions,
                          int32_t* count) {
    int32_t scale = 0;
    int32_t status = startEdges(n, maxEdges, spacing, strengths, positions, count, &scale);
    if (status < 0 || n < 5) return status;
    CSTD_ASSERT(samples);
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    status = allocateGradient(scope, n, &block);
    if (status < 0) return scope.close(status);
    auto* d = static_cast<int32_t*>(block);
    int32_t low = 0;
    int32_t high = 0;
    for (int32_t i = 0; i < n - 2; ++i) {
        d[i] = samples[i + 2] - samples[i];
        if (d[i] < low) {
            low = d[i];
        } else if (d[i] > high) {
            high = d[i];
        }
    }
    if (!reachesThreshold(low, high, threshold)) return scope.close(0);
    // Adaptive bounds: a third of the strongest edge of each polarity.
    const bounds limit = adaptive ? bounds{low / 3, high / 3} : fixedBounds(threshold);
    edgeSink sink{strengths, positions, 0, maxEdges};
    for (int32_t i = 0; i < n - 4 && !sink.full(); ++i) {
        const int32_t a = d[i];
        const int32_t c = d[i + 1];
        const int32_t b = d[i + 2];
        const bool rising = c > limit.high && a <= c && b < c;
        const bool falling = c < limit.low && c <= a && c < b;
        if (!rising && !falling) continue;
        // d[i + 1] is centred on sample i + 2, whose centre lies 2.5 spacings from p0.
        const int64_t offset = 256 * int64_t{i} + 640 + vertexOffset(a, c, b);
        sink.keep(c, positionOf(offset, scale), adaptive != 0, 1);
    }
    *count = sink.count;
    return scope.close(0);
}

int32_t cidut_lineEdgeLoc2D(const uint8_t* samples, int32_t n, int32_t maxEdges, int32_t threshold,
                            int32_t adaptive, int32_t rising, double spacing, int32_t* strengths,
                            int32_t* positions, int32_t* count) {
    int32_t scale = 0;
    int32_t status = startEdges(n, maxEdges, spacing, strengths, positions, count, &scale);
    if (status < 0 || n < 5) return status;
    CSTD_ASSERT(samples);
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    status = allocateGradient(scope, n, &block);
    if (status < 0) return scope.close(status);
    auto* g = static_cast<int32_t*>(block);
    g[0] = samples[1] - samples[0];
    g[n - 1] = samples[n - 1] - samples[n - 2];
    int32_t low = 0;
    int32_t high = 0;
    for (int32_t i = 1; i < n - 1; ++i) {
        g[i] = samples[i + 1] - samples[i - 1];
        if (g[i] < low) {
            low = g[i];
        } else if (g[i] > high) {
            high = g[i];
        }
    }
    if (!reachesThreshold(low, high, threshold)) return scope.close(0);
    const bounds limit = adaptive ? bounds{low < -2 ? low / 3 : -1, high >= 3 ? high / 3 : 1}
                                  : fixedBounds(threshold);
    edgeSink sink{strengths, positions, 0, maxEdges};
    for (int32_t i = n - 2; i >= 1 && !sink.full(); --i) {
        const int32_t a = g[i - 1];
        const int32_t c = g[i];
        const int32_t b = g[i + 1];
        const bool edge =
            rising ? (c > limit.high && c >= a && c > b) : (c < limit.low && c <= a && c < b);
        if (!edge) continue;
        const int64_t offset = 256 * int64_t{i} + vertexOffset(a, c, b);
        sink.keep(c, positionOf(offset, scale), adaptive != 0, -1);
    }
    *count = sink.count;
    return scope.close(0);
}

int32_t cidut_caliperLite(const cimg_windowConst* window, const cmath_vect* p0,
                          const cmath_vect* p1, int32_t maxEdges, int32_t threshold,
                          int32_t adaptive, int32_t* strengths, int32_t* positions,
                          int32_t* count) {
    CSTD_ASSERT(window && p0 && p1 && positions && count);
    int32_t n = 0;
    int32_t status = cidut_getPixelCount(p0, p1, &n);
    if (status < 0) return status;
    csys::cleanupScope<1> scope;
    void* samples = nullptr;
    status = csys_memory_alloc_internal(static_cast<size_t>(n), &samples);
    if (status < 0) return scope.close(status);
    scope.scratch<csys_memory_free_internal>(&samples);
    uint8_t mean = 0;
    double spacing = 0.0;
    auto* profile = static_cast<uint8_t*>(samples);
    status = cidut_linePixels(window, p0, p1, profile, n, &mean, &spacing);
    if (status >= 0) {
        status = cidut_lineEdgeLoc(profile, n, maxEdges, threshold, adaptive, spacing, strengths,
                                   positions, count);
    }
    return scope.close(status);
}

}  // extern "C"
