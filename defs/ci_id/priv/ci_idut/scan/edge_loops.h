// The pixel loops of cidc_runEdgeScan and what they share.
#pragma once

#include <algorithm>
#include <cstdint>

#include "ci_id/edgescan.h"
#include "ci_id/priv/ci_idut/scan/peak_rule.h"

namespace cidut {

using pixelPtr = const uint8_t*;

// The Sobel gradient projected onto a gradient direction, in 16-bit weights whose sum of
// magnitudes never exceeds 128, so a gradient of 8-bit pixels always fits 16 bits.
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

// Weights from (gx, gy) scaled by 64 / (2 max + min) of the magnitudes, on the axes too, so
// that only the direction matters; all zero for the zero direction.
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

// Completes the scan's peaks (see loopTracker::settleAll) and trims the vector.
template <typename Index, typename Profile, typename Complete>
int32_t finishScan(const scanSetup& s, const loopTracker& t, cidc_peakDetectState* state,
                   Index revealedBy, Profile sampleAt, Complete complete) {
    t.settleAll(state->nextPeak, s.offset, revealedBy, sampleAt, complete);
    t.storeInto(state);
    return cidc_peakDetectState_finish(state, s.peaks);
}

// A threshold on 16-bit samples, clamped to +-2^20: beyond the largest sample, no clamped value
// decides differently, and sums with samples stay far inside 32 bits.
inline int32_t loopThreshold(int64_t threshold) {
    return static_cast<int32_t>(
        std::min<int64_t>(std::max<int64_t>(threshold, -(1 << 20)), 1 << 20));
}

inline uint8_t meanOf(int32_t a, int32_t b) { return static_cast<uint8_t>((a + b) >> 1); }

// Axis-parallel scan with the gradient along it: smoothed differences of column sums, from the
// pixel at start over count >= 1 steps of `along` bytes; `across` reaches the neighbouring row or
// column.
int32_t runSmoothedDifference(pixelPtr start, intptr_t along, intptr_t across, int32_t count,
                              const scanSetup& s);

// Axis-parallel scan with any other gradient direction: the kernel at every pixel.
int32_t runKernelAxis(pixelPtr start, intptr_t along, int32_t count, const edgeKernel& k,
                      const scanSetup& s);

// Oblique scan of a clipped segment; windowPixels is the window's top-left pixel.
int32_t runKernelOblique(const cidc_scanLineSeg& seg, pixelPtr windowPixels,
                         const cidc_windowROI& roi, const edgeKernel& k, const scanSetup& s);

}  // namespace cidut
