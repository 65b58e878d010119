// The pixel loops of cidc_runEdgeScan and what they share.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

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

#if defined(__SSE2__)
// The tracker's state before sample s[0], from the samples before it, when the change into s[-1]
// or the one before it was not zero.
inline void resumeTracker(const int32_t* s, loopTracker* t) {
    const int32_t last = s[-1] - s[-2];
    t->value = s[-1];
    t->lastDelta = last != 0 ? last : s[-2] - s[-3];
    t->length = last != 0 ? 1 : 2;
}

// The rule for the four samples from s[0] on, whose plateaus each hold one sample when none of
// the changes into the samples before them is zero: false when one is, else true with the peaks
// as bits. isPeakNarrow lane by lane, with a length of one.
inline bool decideFour(const int32_t* s, __m128i threshold, uint32_t* peaks) {
    auto load = [s](int32_t at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
    };
    const __m128i zero = _mm_setzero_si128(), value = load(-1);
    const __m128i delta = _mm_sub_epi32(load(0), value);
    const __m128i lastDelta = _mm_sub_epi32(value, load(-2));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(lastDelta, zero)) != 0) return false;
    const __m128i decreasing = _mm_srai_epi32(delta, 31);
    const __m128i changed = _mm_or_si128(delta, _mm_sub_epi32(zero, delta));
    const __m128i beyond =
        _mm_add_epi32(threshold, _mm_sub_epi32(_mm_xor_si128(value, decreasing), decreasing));
    const __m128i rule =
        _mm_and_si128(_mm_and_si128(_mm_xor_si128(delta, lastDelta), changed), beyond);
    *peaks = static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(rule)));
    return true;
}

// The same for eight samples within +-32767, in 16-bit lanes: saturated differences keep their
// sign and whether they are zero, and so does a saturated sum of the threshold, clamped to 16
// bits, and a sample.
inline bool decideEight(const int32_t* s, __m128i threshold, uint32_t* peaks) {
    auto load = [s](int32_t at) {
        return _mm_packs_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at)),
                               _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at + 4)));
    };
    const __m128i zero = _mm_setzero_si128(), value = load(-1);
    const __m128i delta = _mm_subs_epi16(load(0), value);
    const __m128i lastDelta = _mm_subs_epi16(value, load(-2));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(lastDelta, zero)) != 0) return false;
    const __m128i decreasing = _mm_srai_epi16(delta, 15);
    const __m128i changed = _mm_or_si128(delta, _mm_sub_epi16(zero, delta));
    const __m128i beyond =
        _mm_adds_epi16(threshold, _mm_sub_epi16(_mm_xor_si128(value, decreasing), decreasing));
    const __m128i rule =
        _mm_and_si128(_mm_and_si128(_mm_xor_si128(delta, lastDelta), changed), beyond);
    *peaks = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(rule, rule))) & 255u;
    return true;
}

// Feeds s[0 .. n) by groups of four (or, when Narrow, eight samples within +-32767) decided at
// once; a group with a plateau open goes to the tracker. s[-3 ..] must hold the samples before,
// real ones from the tag 2 on. The peaks are gathered as bits and tagged a word at a time.
template <bool Narrow>
void feedGroups(const int32_t* s, int32_t n, int32_t threshold, int64_t firstTag,
                loopTracker* tracker) {
    constexpr int32_t kLanes = Narrow ? 8 : 4;
    loopTracker t = *tracker;
    int32_t i = 0;
    if (firstTag < 2) {
        t.feed(s[0], threshold, firstTag);
        i = 1;
    }
    bool tracked = true;   // whether t holds the state before s[i]
    int32_t bitsFrom = i;  // the sample of bit 0
    uint64_t bits = 0;
    auto flush = [&](int32_t from) {
        for (; bits != 0; bits &= bits - 1) {
            (t.next++)->position = firstTag + bitsFrom + __builtin_ctzll(bits);
        }
        bitsFrom = from;
    };
    const __m128i limit = Narrow ? _mm_set1_epi16(static_cast<int16_t>(std::min(
                                       std::max(threshold, int32_t{INT16_MIN}), int32_t{INT16_MAX})))
                                 : _mm_set1_epi32(threshold);
    for (; i + kLanes <= n; i += kLanes) {
        if (i - bitsFrom + kLanes > 64) flush(i);
        uint32_t peaks = 0;
        if (Narrow ? decideEight(s + i, limit, &peaks) : decideFour(s + i, limit, &peaks)) {
            bits |= uint64_t{peaks} << (i - bitsFrom);
            tracked = false;
            continue;
        }
        flush(i + kLanes);
        if (!tracked) resumeTracker(s + i, &t);
        for (int32_t j = i; j < i + kLanes; ++j) t.feed(s[j], threshold, firstTag + j);
        tracked = true;
    }
    flush(i);
    if (!tracked) resumeTracker(s + i, &t);
    for (; i < n; ++i) t.feed(s[i], threshold, firstTag + i);
    *tracker = t;
}
#endif

// Feeds s[0 .. n), tagged firstTag on: through the vector code where it may run (see
// feedGroups), narrow when every sample is within +-32767.
inline void feedBlock(const int32_t* s, int32_t n, int32_t threshold, int64_t firstTag,
                      bool vectorised, bool narrow, loopTracker* t) {
#if defined(__SSE2__)
    if (vectorised) {
        if (narrow) return feedGroups<true>(s, n, threshold, firstTag, t);
        return feedGroups<false>(s, n, threshold, firstTag, t);
    }
#else
    (void)vectorised, (void)narrow;
#endif
    for (int32_t i = 0; i < n; ++i) t->feed(s[i], threshold, firstTag + i);
}

// The loops make their samples a block at a time, in one tight loop, and feed the block to the
// peak rule in another, tagging each sample with its index. A peak's plateau holds at most 6
// samples, so the samples it is completed from lie at most 7 before the one that reveals it: the
// buffer keeps that many of the block before, and the block's peaks are completed from it as
// soon as it is fed. Each sample comes with a level, the grey value whose mean over samples k and
// k - 2 is the mid level of a peak revealed by sample k.
struct sampleBlock {
    static constexpr int32_t kHistory = 8;
    static constexpr int32_t kSize = 256;
    // Only the history is set beforehand: the samples before the first are never read, and the
    // rest is filled before it is read.
    int32_t sample[kHistory + kSize];
    uint8_t level[kHistory + kSize];

    sampleBlock() {
        std::fill(sample, sample + kHistory, 0);
        std::fill(level, level + kHistory, 0);
    }
};

// Runs a scan of `samples` >= 2 samples. fill(sample, level, n) writes the next n samples and
// their levels, from sample 0 on; strengthOf(v) gives a peak's strength from its plateau value v;
// narrow tells that every sample is within +-32767.
template <typename Fill, typename Strength>
int32_t runBlocks(const scanSetup& s, int32_t threshold, int64_t samples, bool narrow, Fill fill,
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
        feedBlock(b.sample + h, n, threshold, first, s.vectorised, narrow, &t);
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
