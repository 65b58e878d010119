// The axis-parallel pixel loops of the edge-scan runner.
#include <cstring>

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

    bool fitsShort() const {
        return std::all_of(q, q + 4, [](int32_t w) { return w >= INT16_MIN && w <= INT16_MAX; });
    }
};

#if defined(__SSE2__)
// Eight pixels from p on, widened to 16 bits.
__m128i widen8(pixelPtr p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                             _mm_setzero_si128());
}

// Eight 32-bit samples within 16 bits, stored as samples of either size.
void storeSamples(__m128i low, __m128i high, int16_t* out) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(low, high));
}

void storeSamples(__m128i low, __m128i high, int32_t* out) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), high);
}

// The smoothed differences of a forward row scan, eight at a time, from the one whose S(k + 1)
// starts at q; returns how many it made. Each sum is made once, eight at a time, into a buffer
// that the samples and levels then read shifted. Sums and differences stay within 16 bits.
int32_t smoothedRowGroups(pixelPtr q, intptr_t across, int32_t n, int16_t* sample, uint8_t* level) {
    // sums[c] = S(k - 1 + c) for the first sample k, over the n + 2 columns the samples read.
    int16_t sums[kBlockSize + 2];
    const pixelPtr first = q - 2;
    const int32_t columns = n + 2;
    int32_t c = 0;
    for (; c + 8 <= columns; c += 8) {
        const pixelPtr p = first + c;
        const __m128i mid = widen8(p + across);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + c),
                         _mm_add_epi16(_mm_add_epi16(widen8(p), widen8(p + 2 * across)),
                                       _mm_add_epi16(mid, mid)));
    }
    for (; c < columns; ++c) {
        const pixelPtr p = first + c;
        sums[c] = static_cast<int16_t>(p[0] + 2 * p[across] + p[2 * across]);
    }
    auto at = [&sums](int32_t c) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + c));
    };
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sample + i), _mm_sub_epi16(at(i + 2), at(i)));
        const __m128i centre = _mm_srli_epi16(at(i + 1), 2);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(level + i), _mm_packus_epi16(centre, centre));
    }
    for (; i < n; ++i) {
        sample[i] = static_cast<int16_t>(sums[i + 2] - sums[i]);
        level[i] = static_cast<uint8_t>(sums[i + 1] >> 2);
    }
    return n;
}

// The kernel samples of a forward row scan, eight at a time, from the one at pixel p; returns
// how many it made. With 16-bit weights, pairs of weighted differences are exact 32-bit sums.
template <typename Sample>
int32_t kernelRowGroups(pixelPtr p, intptr_t across, const scanFrameKernel& f, int32_t n,
                        Sample* sample, uint8_t* level) {
    auto pair = [](int32_t low, int32_t high) {
        return _mm_set1_epi32(static_cast<int32_t>(static_cast<uint16_t>(low) |
                                                   uint32_t{static_cast<uint16_t>(high)} << 16));
    };
    const __m128i w12 = pair(f.q[0], f.q[1]), w34 = pair(f.q[2], f.q[3]);
    auto diff = [](pixelPtr a, pixelPtr b) { return _mm_sub_epi16(widen8(a), widen8(b)); };
    int32_t i = 0;
    for (; i + 8 <= n; i += 8, p += 8) {
        const pixelPtr up = p - across, down = p + across;
        const __m128i d1 = diff(up + 1, down - 1), d2 = diff(p + 1, p - 1);
        const __m128i d3 = diff(down + 1, up - 1), d4 = diff(down, up);
        const __m128i low = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(d1, d2), w12),
                                          _mm_madd_epi16(_mm_unpacklo_epi16(d3, d4), w34));
        const __m128i high = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(d1, d2), w12),
                                           _mm_madd_epi16(_mm_unpackhi_epi16(d3, d4), w34));
        storeSamples(low, high, sample + i);
        std::memcpy(level + i, p, 8);
    }
    return i;
}
#endif

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

namespace {

// Samples `from` to n - 1 of the smoothed differences, the first with S(k + 1) starting at q;
// returns where the next one's starts. Its own function, so that every value it works with
// stays in a register across the stores of levels, which might alias anything.
pixelPtr smoothedSamples(pixelPtr q, intptr_t along, intptr_t across, int32_t from, int32_t n,
                         int16_t* sample, uint8_t* level) {
    auto columnSum = [across](pixelPtr c) { return c[0] + 2 * c[across] + c[2 * across]; };
    int32_t s0 = columnSum(q - 2 * along), s1 = columnSum(q - along);
    for (int32_t i = from; i < n; ++i, q += along) {
        const int32_t s2 = columnSum(q);
        sample[i] = static_cast<int16_t>(s2 - s0);
        level[i] = static_cast<uint8_t>(s1 >> 2);
        s0 = s1;
        s1 = s2;
    }
    return q;
}

// Samples `from` to n - 1 of the kernel along an axis, the first at pixel p; returns the pixel
// of the next one.
template <typename Sample>
pixelPtr kernelSamples(pixelPtr p, intptr_t along, intptr_t across, const scanFrameKernel& f,
                       int32_t from, int32_t n, Sample* sample, uint8_t* level) {
    const int32_t q1 = f.q[0], q2 = f.q[1], q3 = f.q[2], q4 = f.q[3];
    // The pixels across the scan at k - 1 (a), k (b) and k + 1 (c).
    int32_t a0 = p[-along - across], a1 = p[-along], a2 = p[-along + across];
    int32_t b0 = p[-across], b1 = p[0], b2 = p[across];
    for (int32_t i = from; i < n; ++i, p += along) {
        const int32_t c0 = p[along - across], c1 = p[along], c2 = p[along + across];
        sample[i] =
            static_cast<Sample>(q1 * (c0 - a2) + q2 * (c1 - a1) + q3 * (c2 - a0) + q4 * (b2 - b0));
        level[i] = static_cast<uint8_t>(b1);
        a0 = b0, a1 = b1, a2 = b2;
        b0 = c0, b1 = c1, b2 = c2;
    }
    return p;
}

}  // namespace

int32_t runSmoothedDifference(pixelPtr start, intptr_t along, intptr_t across, int32_t count,
                              const scanSetup& s) {
    // S(k), the sum across the scan at pixel k weighted 1 2 1, through a pointer to the first of
    // its three pixels; sample k is S(k + 1) - S(k - 1), and its level S(k) / 4.
    pixelPtr next = start - across + along;  // the pixels of S(k + 1)
    auto fill = [&](int16_t* sample, uint8_t* level, int32_t n) {
        int32_t made = 0;
#if defined(__SSE2__)
        if (s.vectorised && along == 1) made = smoothedRowGroups(next, across, n, sample, level);
#endif
        next = smoothedSamples(next + made * along, along, across, made, n, sample, level);
    };
    // Differences of sums of at most 4 * 255.
    return runBlocks<int16_t>(s, loopThreshold(s.threshold >> 2), int64_t{count} + 1, fill,
                              [](int32_t v) { return v * 4; });
}

int32_t runKernelAxis(pixelPtr start, intptr_t along, intptr_t across, int32_t count,
                      const edgeKernel& k, const scanSetup& s) {
    const scanFrameKernel f = scanFrameKernel::of(k, along, across);
    pixelPtr next = start;  // pixel k
    auto fill = [&](auto* sample, uint8_t* level, int32_t n) {
        int32_t made = 0;
#if defined(__SSE2__)
        if (s.vectorised && along == 1 && f.fitsShort()) {
            made = kernelRowGroups(next, across, f, n, sample, level);
        }
#endif
        next = kernelSamples(next + made * along, along, across, f, made, n, sample, level);
    };
    const int32_t threshold = loopThreshold(s.threshold * 8);
    auto strengthOf = [](int32_t v) { return v >> 3; };
    if (k.isNarrow()) return runBlocks<int16_t>(s, threshold, int64_t{count} + 1, fill, strengthOf);
    return runBlocks<int32_t>(s, threshold, int64_t{count} + 1, fill, strengthOf);
}

}  // namespace cidut
