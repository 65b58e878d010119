// The axis-parallel pixel loops of the edge-scan runner.
#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/scan/edge_loops.h"

namespace cidut {
namespace {

// The kernel in the scan's own frame, with c(j, t) the pixel t steps across from pixel j of the
// scan: sample k = q1 (c(k+1, -1) - c(k-1, 1)) + q2 (c(k+1, 0) - c(k-1, 0)) +
// q3 (c(k+1, 1) - c(k-1, -1)) + q4 (c(k, 1) - c(k, -1)). Each of the image kernel's four
// opposite pairs is one of these, perhaps swapped, so the integer sum is the same; in this frame
// each step of the scan reads three new pixels and keeps the six before in registers.
struct scanFrameKernel {
    int32_t q[4] = {};

    static scanFrameKernel of(const edgeKernel& k, intptr_t along, intptr_t across) {
        // The first pixel of each image pair, as (row, column) offsets, with its weight.
        const int32_t dy[4] = {1, 1, 1, 0}, dx[4] = {-1, 0, 1, 1};
        const int32_t w[4] = {k.w1, k.w2, k.w3, k.w4};
        scanFrameKernel f;
        for (int32_t i = 0; i < 4; ++i) {
            const intptr_t offset = dy[i] * k.pitch + dx[i];
            for (int32_t u = -1; u <= 1; ++u) {
                for (int32_t t = -1; t <= 1; ++t) {
                    if (u * along + t * across != offset) continue;
                    // (u, t) or its opposite is (1, t') or (0, 1).
                    const bool swapped = u < 0 || (u == 0 && t < 0);
                    const int32_t across1 = swapped ? -t : t;
                    f.q[u == 0 ? 3 : across1 + 1] += swapped ? -w[i] : w[i];
                }
            }
        }
        return f;
    }
};

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
    // S(k), the column sum at pixel k, through a pointer to the first of its three pixels; sample
    // k is S(k + 1) - S(k - 1), and its level S(k) / 4.
    auto columnSum = [across](pixelPtr q) { return q[0] + 2 * q[across] + q[2 * across]; };
    pixelPtr next = start - across + along;  // the pixels of S(k + 1)
    int32_t before = columnSum(next - 2 * along);
    int32_t current = columnSum(next - along);
    auto fill = [&](int32_t* sample, uint8_t* level, int32_t n) {
        for (int32_t i = 0; i < n; ++i, next += along) {
            const int32_t after = columnSum(next);
            sample[i] = static_cast<int16_t>(after - before);
            level[i] = static_cast<uint8_t>(current >> 2);
            before = current;
            current = after;
        }
    };
    return runBlocks(s, loopThreshold(s.threshold >> 2), int64_t{count} + 1, fill,
                     [](int32_t v) { return v * 4; });
}

int32_t runKernelAxis(pixelPtr start, intptr_t along, intptr_t across, int32_t count,
                      const edgeKernel& k, const scanSetup& s) {
    const scanFrameKernel f = scanFrameKernel::of(k, along, across);
    const int32_t q1 = f.q[0], q2 = f.q[1], q3 = f.q[2], q4 = f.q[3];
    // The pixels across the scan at k - 1 (a), k (b), and a pointer to those at k + 1.
    pixelPtr next = start + along;
    int32_t aMinus = next[-2 * along - across], aMid = next[-2 * along],
            aPlus = next[-2 * along + across];
    int32_t bMinus = start[-across], bMid = start[0], bPlus = start[across];
    auto fill = [&](int32_t* sample, uint8_t* level, int32_t n) {
        for (int32_t i = 0; i < n; ++i, next += along) {
            const int32_t cMinus = next[-across], cMid = next[0], cPlus = next[across];
            sample[i] = q1 * (cMinus - aPlus) + q2 * (cMid - aMid) + q3 * (cPlus - aMinus) +
                        q4 * (bPlus - bMinus);
            level[i] = static_cast<uint8_t>(bMid);
            aMinus = bMinus, aMid = bMid, aPlus = bPlus;
            bMinus = cMinus, bMid = cMid, bPlus = cPlus;
        }
    };
    return runBlocks(s, loopThreshold(s.threshold * 8), int64_t{count} + 1, fill,
                     [](int32_t v) { return v >> 3; });
}

}  // namespace cidut
