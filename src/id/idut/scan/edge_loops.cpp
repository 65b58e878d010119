// The axis-parallel pixel loops of the edge-scan runner.
#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/scan/edge_loops.h"

namespace cidut {
namespace {

// The number of steps of `along` bytes from `from` to `to`; a 32-bit division whenever the
// distance allows, as it does in every image of less than 2 GiB.
int32_t stepsBetween(pixelPtr from, pixelPtr to, intptr_t along) {
    const intptr_t bytes = to - from;
    if (bytes >= INT32_MIN && bytes <= INT32_MAX && along >= INT32_MIN && along <= INT32_MAX) {
        return static_cast<int32_t>(bytes) / static_cast<int32_t>(along);
    }
    return static_cast<int32_t>(bytes / along);
}

}  // namespace

edgeKernel edgeKernelFor(const cidc_gradientDir16& gradient, intptr_t pitch) {
    const int32_t gx = gradient.x, gy = gradient.y;
    if (gx == 0) return edgeKernel{gy, 2 * gy, gy, 0, pitch};
    if (gy == 0) return edgeKernel{-gx, 0, gx, 2 * gx, pitch};
    const int32_t a = gx < 0 ? -gx : gx;
    const int32_t b = gy < 0 ? -gy : gy;
    const int32_t n = b < a ? 2 * a + b : a + 2 * b;
    const auto x = static_cast<int16_t>(gx * 64 / n);
    const auto y = static_cast<int16_t>(gy * 64 / n);
    return edgeKernel{y - x, 2 * y, x + y, 2 * x, pitch};
}

int32_t startScan(const scanSetup& s, int32_t first, int64_t samples, cidc_peakDetectState* state,
                  loopTracker* t) {
    CSTD_ASSERT(samples <= INT32_MAX);
    int32_t status =
        cidc_peakDetectState_init(state, s.peaks, first, static_cast<int32_t>(samples));
    if (status >= 0) *t = loopTracker::of(*state);
    return status;
}

int32_t runSmoothedDifference(pixelPtr start, intptr_t along, intptr_t across, int32_t count,
                              const scanSetup& s) {
    // S(k), the column sum at pixel k, through a pointer to the first of its three pixels.
    const pixelPtr base = start - across;
    auto columnSum = [across](pixelPtr q) { return q[0] + 2 * q[across] + q[2 * across]; };
    auto sampleAt = [&](int32_t k) {
        return static_cast<int16_t>(columnSum(base + (k + 1) * along) -
                                    columnSum(base + (k - 1) * along));
    };
    cidc_peakDetectState state;
    loopTracker t;
    int32_t status = startScan(s, sampleAt(0), int64_t{count} + 1, &state, &t);
    if (status < 0) return status;
    const int32_t threshold = loopThreshold(s.threshold >> 2);
    int32_t before = columnSum(base);           // S(k - 1)
    int32_t current = columnSum(base + along);  // S(k)
    const pixelPtr end = base + (intptr_t{count} + 2) * along;
    for (pixelPtr q = base + 2 * along; q != end; q += along) {
        const int32_t after = columnSum(q);  // S(k + 1), for sample k
        t.feed(static_cast<int16_t>(after - before), threshold, reinterpret_cast<intptr_t>(q));
        before = current;
        current = after;
    }
    return finishScan(
        s, t, &state,
        [&](int64_t q) { return stepsBetween(base, reinterpret_cast<pixelPtr>(q), along) - 1; },
        sampleAt,
        [&](cidc_peakIDFixedX_4* peak, int32_t k, int32_t v) {
            peak->strength = v * 4;
            peak->midLevel =
                meanOf(columnSum(base + k * along) >> 2, columnSum(base + (k - 2) * along) >> 2);
        });
}

int32_t runKernelAxis(pixelPtr start, intptr_t along, int32_t count, const edgeKernel& k,
                      const scanSetup& s) {
    auto sampleAt = [&](int32_t i) { return k.at(start + i * along); };
    cidc_peakDetectState state;
    loopTracker t;
    int32_t status = startScan(s, sampleAt(0), int64_t{count} + 1, &state, &t);
    if (status < 0) return status;
    const int32_t threshold = loopThreshold(s.threshold * 8);
    const pixelPtr end = start + (intptr_t{count} + 1) * along;
    for (pixelPtr p = start + along; p != end; p += along) {
        t.feed(k.at(p), threshold, reinterpret_cast<intptr_t>(p));
    }
    return finishScan(
        s, t, &state,
        [&](int64_t p) { return stepsBetween(start, reinterpret_cast<pixelPtr>(p), along); },
        sampleAt,
        [&](cidc_peakIDFixedX_4* peak, int32_t i, int32_t v) {
            peak->strength = v >> 3;
            peak->midLevel = meanOf(start[i * along], start[(i - 2) * along]);
        });
}

}  // namespace cidut
