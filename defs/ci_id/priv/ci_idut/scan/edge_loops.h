// The pixel loops of cidc_runEdgeScan and what they share.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <type_traits>

#include "ci_id/edgescan.h"
#include "ci_id/priv/ci_idut/scan/peak_rule.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

    // Whether every sum is within +-32767.
    bool isNarrow() const {
        const int64_t weights = int64_t{std::abs(w1)} + std::abs(w2) + std::abs(w3) + std::abs(w4);
        return 255 * weights <= INT16_MAX;
    }

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
// coordinate u of the start pixel's centre), the peak vector and whether the vector code may run
// (the kernel cidc_runEdgeScan, which the optimisation switch can turn off).
struct scanSetup {
    int64_t threshold;
    int64_t offset;
    cstd_vector_cidc_peakIDFixedX_4* peaks;
    bool vectorised;
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

// Samples are made and fed a block at a time, with as many of the samples before as a peak's
// completion and the vector peak rule look back (see runBlocks).
constexpr int32_t kBlockSize = 256;
constexpr int32_t kBlockHistory = 8;

#if defined(__SSE2__)
// The tracker's state before sample s[0], from the seven samples before it.
template <typename Sample>
void resumeTracker(const Sample* s, loopTracker* t) {
    t->value = s[-1];
    t->lastDelta = 0;
    t->length = 7;
    for (int32_t back = 1; back <= 6; ++back) {
        const int32_t change = s[-back] - s[-back - 1];
        if (change == 0) continue;
        t->lastDelta = change;
        t->length = back;
        return;
    }
}

// 32-bit lanes, four to a vector.
struct wideLanes {
    using type = int32_t;
    static constexpr int32_t kCount = 4;
    static __m128i load(const int32_t* s) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    }
    static __m128i sub(__m128i a, __m128i b) { return _mm_sub_epi32(a, b); }
    static __m128i wrappingSub(__m128i a, __m128i b) { return _mm_sub_epi32(a, b); }
    static __m128i add(__m128i a, __m128i b) { return _mm_add_epi32(a, b); }
    static __m128i isZero(__m128i a) { return _mm_cmpeq_epi32(a, _mm_setzero_si128()); }
    static __m128i sign(__m128i a) { return _mm_srai_epi32(a, 31); }
    static uint32_t negativeLanes(__m128i a) {
        return static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(a)));
    }
};

// 16-bit lanes, eight to a vector, for samples within +-32767: saturated differences keep their
// sign and whether they are zero, and so does a saturated sum of a sample and the threshold
// clamped to 16 bits.
struct narrowLanes {
    using type = int16_t;
    static constexpr int32_t kCount = 8;
    static __m128i load(const int16_t* s) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    }
    static __m128i sub(__m128i a, __m128i b) { return _mm_subs_epi16(a, b); }
    static __m128i wrappingSub(__m128i a, __m128i b) { return _mm_sub_epi16(a, b); }
    static __m128i add(__m128i a, __m128i b) { return _mm_adds_epi16(a, b); }
    static __m128i isZero(__m128i a) { return _mm_cmpeq_epi16(a, _mm_setzero_si128()); }
    static __m128i sign(__m128i a) { return _mm_srai_epi16(a, 15); }
    static uint32_t negativeLanes(__m128i a) {
        return static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(a, a))) & 255u;
    }
};

// The peak rule for the samples s[0 ..] of a vector, as bits, from the seven samples before
// them, without the tracker: for each the last non-zero change into the six before it gives the
// plateau's entry and length, and none means a plateau too long for a peak. isPeakNarrow lane
// by lane.
template <typename Lanes>
uint32_t peaksOf(const typename Lanes::type* s, __m128i threshold) {
    const __m128i value = Lanes::load(s - 1);
    const __m128i delta = Lanes::sub(Lanes::load(s), value);
    __m128i lastDelta = Lanes::sub(value, Lanes::load(s - 2));
    // Plateaus of more than one sample are the exception on most profiles.
    if (_mm_movemask_epi8(Lanes::isZero(lastDelta)) != 0) {
        __m128i later = Lanes::load(s - 2);
        for (int32_t back = 2; back <= 6; ++back) {
            const __m128i earlier = Lanes::load(s - 1 - back);
            const __m128i change = Lanes::sub(later, earlier);
            lastDelta = _mm_or_si128(lastDelta, _mm_and_si128(Lanes::isZero(lastDelta), change));
            later = earlier;
        }
    }
    const __m128i decreasing = Lanes::sign(delta);
    // Negative when delta is not zero: one of delta and its negation (wrapped) is.
    const __m128i changed = _mm_or_si128(delta, Lanes::wrappingSub(_mm_setzero_si128(), delta));
    // T - v or T + v; the samples are never the most negative value of their lanes.
    const __m128i beyond =
        Lanes::add(threshold, Lanes::wrappingSub(_mm_xor_si128(value, decreasing), decreasing));
    const __m128i rule =
        _mm_and_si128(_mm_and_si128(_mm_xor_si128(delta, lastDelta), changed), beyond);
    return Lanes::negativeLanes(_mm_andnot_si128(Lanes::isZero(lastDelta), rule));
}
#endif

// Feeds s[0 .. n), tagged firstTag on, s[-7 ..] holding the samples before: where the vector
// code may run, a vector at a time through peaksOf from the sample with the tag 7 on (before it
// there are not seven real samples), the peaks gathered as bits and tagged a word at a time;
// the tracker takes the rest.
template <typename Sample>
void feedBlock(const Sample* s, int32_t n, int32_t threshold, int64_t firstTag, bool vectorised,
               loopTracker* tracker) {
    loopTracker t = *tracker;
    int32_t i = 0;
#if defined(__SSE2__)
    using lanes = std::conditional_t<sizeof(Sample) == 2, narrowLanes, wideLanes>;
    if (vectorised) {
        for (; i < n && firstTag + i < 7; ++i) t.feed(s[i], threshold, firstTag + i);
        const int32_t vectorsFrom = i;
        const __m128i limit =
            lanes::kCount == 8 ? _mm_set1_epi16(static_cast<int16_t>(std::min(
                                     std::max(threshold, int32_t{INT16_MIN}), int32_t{INT16_MAX})))
                               : _mm_set1_epi32(threshold);
        // A word of bits at a time, as many vectors as fit.
        while (i + lanes::kCount <= n) {
            const int32_t vectors = std::min<int32_t>(64 / lanes::kCount, (n - i) / lanes::kCount);
            uint64_t bits = 0;
            for (int32_t v = 0; v < vectors; ++v) {
                bits |= uint64_t{peaksOf<lanes>(s + i + v * lanes::kCount, limit)}
                        << (v * lanes::kCount);
            }
            for (; bits != 0; bits &= bits - 1) {
                (t.next++)->position = firstTag + i + __builtin_ctzll(bits);
            }
            i += vectors * lanes::kCount;
        }
        if (i != vectorsFrom) resumeTracker(s + i, &t);
    }
#else
    (void)vectorised;
#endif
    for (; i < n; ++i) t.feed(s[i], threshold, firstTag + i);
    *tracker = t;
}

// The loops make their samples a block at a time, in one tight loop, and feed the block to the
// peak rule in another, tagging each sample with its index. A peak's plateau holds at most 6
// samples, so the samples it is completed from lie at most 7 before the one that reveals it: the
// buffer keeps that many of the block before, and the block's peaks are completed from it as
// soon as it is fed. Each sample comes with a level, the grey value whose mean over samples k and
// k - 2 is the mid level of a peak revealed by sample k. The samples are 16-bit where they all
// fit, so that the vector code takes eight at a time.
template <typename Sample>
struct sampleBlock {
    static constexpr int32_t kHistory = kBlockHistory;
    static constexpr int32_t kSize = kBlockSize;
    // Only the history is set beforehand: the samples before the first are never read, and the
    // rest is filled before it is read.
    Sample sample[kHistory + kSize];
    uint8_t level[kHistory + kSize];

    sampleBlock() {
        std::fill(sample, sample + kHistory, 0);
        std::fill(level, level + kHistory, 0);
    }
};

// Runs a scan of `samples` >= 2 samples. fill(sample, level, n) writes the next n samples and
// their levels, from sample 0 on; strengthOf(v) gives a peak's strength from its plateau value v.
template <typename Sample, typename Fill, typename Strength>
int32_t runBlocks(const scanSetup& s, int32_t threshold, int64_t samples, Fill fill,
                  Strength strengthOf) {
    sampleBlock<Sample> b;
    constexpr int32_t h = sampleBlock<Sample>::kHistory;
    fill(b.sample + h - 1, b.level + h - 1, 1);
    cidc_peakDetectState state;
    loopTracker t;
    int32_t status = startScan(s, b.sample[h - 1], samples, &state, &t);
    if (status < 0) return status;
    for (int64_t first = 1; first < samples;) {
        const auto n = static_cast<int32_t>(std::min<int64_t>(kBlockSize, samples - first));
        fill(b.sample + h, b.level + h, n);
        cidc_peakIDFixedX_4* const found = t.next;
        feedBlock(b.sample + h, n, threshold, first, s.vectorised, &t);
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
