// The pixel loops of cidc_runEdgeScan and what they share.
#pragma once

#include <algorithm>
#include <cstdint>

#include "ci_id/edgescan.h"
#include "ci_id/priv/ci_idut/scan/peak_rule.h"

namespace cidut {

using pixelPtr = const uint8_t*;

// The Sobel gradient projected onto a gradient direction. The weights and the sum are 32-bit:
// a direction with a component of 16384 or more would wrap 16-bit weights, and weights of that
// size would wrap a 16-bit sum; where neither wraps the result is the same. The sum's magnitude
// stays below 4 * 65536 * 255 < 2^30, as the peak rule needs.
struct edgeKernel {
    int32_t w1, w2, w3, w4;  // below-left - above-right, below - above, below-right - above-left,
                             // right - left
    intptr_t pitch;

    int32_t at(pixelPtr p) const {
        const intptr_t s = pitch;
        return w1 * (p[s - 1] - p[-s + 1]) + w2 * (p[s] - p[-s]) + w3 * (p[s + 1] - p[-s - 1]) +
               w4 * (p[1] - p[-1]);
    }
};

// The weights of (gx, gy): along an axis taken as they are (gx = 0: gy, 2 gy, gy, 0; gy = 0:
// -gx, 0, gx, 2 gx), otherwise scaled by 64 / (2 max + min) of the magnitudes.
edgeKernel edgeKernelFor(const cidc_gradientDir16& gradient, intptr_t pitch);

// What every loop of one scan shares: the contrast threshold, the position offset (the scan
// coordinate u of the start pixel's centre) and the peak vector.
struct scanSetup {
    int64_t threshold;
    int64_t offset;
    cstd_vector_cidc_peakIDFixedX_4* peaks;
};

// Grows the peak vector for a scan of `samples` samples whose first is `first`.
int32_t startScan(const scanSetup& s, int32_t first, int64_t samples, cidc_peakDetectState* state,
                  loopTracker* t);

// A threshold clamped to +-2^29. A threshold scaled as the loops need (8 T, T / 4) would wrap
// 16 bits for large T; clamped, it decides exactly as the unclamped one does, since no sample
// comes near 2^29, and sums of a threshold and a sample stay inside 32 bits.
inline int32_t loopThreshold(int64_t threshold) {
    return static_cast<int32_t>(
        std::min<int64_t>(std::max<int64_t>(threshold, -(1 << 29)), 1 << 29));
}

inline uint8_t meanOf(int32_t a, int32_t b) { return static_cast<uint8_t>((a + b) >> 1); }

// The loops make their samples a block at a time, in one tight loop, and feed the block to the
// peak rule in another, tagging each sample with its index. A peak's plateau holds at most 6
// samples, so the samples it is completed from lie at most 7 before the one that reveals it: the
// buffer keeps that many of the block before, and the block's peaks are completed from it as
// soon as it is fed. Each sample comes with a level, the grey value whose mean over samples k and
// k - 2 is the mid level of a peak revealed by sample k.
struct sampleBlock {
    static constexpr int32_t kHistory = 8;
    static constexpr int32_t kSize = 256;
    int32_t sample[kHistory + kSize] = {};
    uint8_t level[kHistory + kSize] = {};
};

// Runs a scan of `samples` >= 2 samples. fill(sample, level, n) writes the next n samples and
// their levels, from sample 0 on; strengthOf(v) gives a peak's strength from its plateau value v.
template <typename Fill, typename Strength>
int32_t runBlocks(const scanSetup& s, int32_t threshold, int64_t samples, Fill fill,
                  Strength strengthOf) {
    sampleBlock b;
    constexpr int32_t h = sampleBlock::kHistory;
    fill(b.sample + h - 1, b.level + h - 1, 1);
    cidc_peakDetectState state;
    loopTracker t;
    int32_t status = startScan(s, b.sample[h - 1], samples, &state, &t);
    if (status < 0) return status;
    for (int64_t first = 1; first < samples;) {
        const auto n = static_cast<int32_t>(std::min<int64_t>(sampleBlock::kSize, samples - first));
        fill(b.sample + h, b.level + h, n);
        cidc_peakIDFixedX_4* const found = t.next;
        for (int32_t i = 0; i < n; ++i) t.feed(b.sample[h + i], threshold, first + i);
        // Buffer slot of sample k: k - base.
        const int64_t base = first - h;
        t.settleAll(
            found, s.offset, [](int64_t tag) { return static_cast<int32_t>(tag); },
            [&](int32_t k) { return b.sample[k - base]; },
            [&](cidc_peakIDFixedX_4* peak, int32_t k, int32_t v) {
                peak->strength = strengthOf(v);
                peak->midLevel = meanOf(b.level[k - base], b.level[k - 2 - base]);
            });
        std::copy(b.sample + n, b.sample + n + h, b.sample);
        std::copy(b.level + n, b.level + n + h, b.level);
        first += n;
    }
    t.storeInto(&state);
    return cidc_peakDetectState_finish(&state, s.peaks);
}

// Axis-parallel scan with the gradient along it: smoothed differences of column sums, from the
// pixel at start over count >= 1 steps of `along` bytes; `across` reaches the neighbouring row or
// column.
int32_t runSmoothedDifference(pixelPtr start, intptr_t along, intptr_t across, int32_t count,
                              const scanSetup& s);

// Axis-parallel scan with any other gradient direction: the kernel at every pixel.
int32_t runKernelAxis(pixelPtr start, intptr_t along, intptr_t across, int32_t count,
                      const edgeKernel& k, const scanSetup& s);

// Oblique scan of a clipped segment: a Bresenham walk between its end pixels; windowPixels is
// the window's top-left pixel.
int32_t runKernelOblique(const cidc_scanLineSeg& seg, pixelPtr windowPixels,
                         const cidc_windowROI& roi, const edgeKernel& k, const scanSetup& s);

}  // namespace cidut
