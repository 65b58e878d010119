// Noise level and binomial smoothing of a searched window, and the seeds the noise explains.
#include "ci_id/priv/ci_idut/search/search_denoise.h"

#include <algorithm>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ci_id/platform/csys_runtime.h"
#include "ci_id/platform/cx_vector.h"
#include "ci_id/priv/ci_idut/locate/dm_finder.h"
#include "ci_id/priv/ci_idut/pixel/image.h"

namespace cidut {

namespace {

// Rows sampled for the noise level: enough for a stable median on any window.
constexpr int32_t kNoiseRows = 48;

// |a - 2b + c| of Gaussian noise of deviation s has the median 0.6745 * sqrt(6) s.
constexpr double kMedianPerSigma = 1.6522;

#if defined(__SSE2__)
// The binomial sums and means below, eight pixels at a time up to the last whole eight, which the
// portable loops finish; 16-bit lanes hold them exactly (at most 1020 and 4080).
int32_t horizontalSumsSse2(const unsigned char* row, int32_t last, uint16_t* sums) {
    const __m128i zero = _mm_setzero_si128();
    auto widened = [&](const unsigned char* p) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    };
    int32_t x = 1;
    for (; x + 8 <= last; x += 8) {
        const __m128i middle = widened(row + x);
        const __m128i sum = _mm_add_epi16(_mm_add_epi16(widened(row + x - 1), widened(row + x + 1)),
                                          _mm_add_epi16(middle, middle));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + x), sum);
    }
    return x;
}

int32_t verticalMeansSse2(const uint16_t* above, const uint16_t* middle, const uint16_t* below,
                          int32_t width, unsigned char* target) {
    auto load = [](const uint16_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    const __m128i rounding = _mm_set1_epi16(8);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m128i m = load(middle + x);
        const __m128i total = _mm_add_epi16(_mm_add_epi16(load(above + x), load(below + x)),
                                            _mm_add_epi16(_mm_add_epi16(m, m), rounding));
        const __m128i mean = _mm_srli_epi16(total, 4);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(target + x), _mm_packus_epi16(mean, mean));
    }
    return x;
}
#endif

// [1 2 1] along row y (clamped to the window), the window's edge pixels repeated.
void horizontalSums(const cimg_windowConst& w, int32_t y, [[maybe_unused]] bool vector,
                    uint16_t* sums) {
    const unsigned char* row = w.pixels + std::clamp(y, 0, w.height - 1) * w.pitch;
    const int32_t last = w.width - 1;
    sums[0] = uint16_t(3 * row[0] + row[std::min(1, last)]);
    int32_t x = 1;
#if defined(__SSE2__)
    if (vector) x = horizontalSumsSse2(row, last, sums);
#endif
    for (; x < last; ++x) sums[x] = uint16_t(row[x - 1] + 2 * row[x] + row[x + 1]);
    if (last > 0) sums[last] = uint16_t(row[last - 1] + 3 * row[last]);
}

// (above + 2 middle + below + 8) / 16 for x in [0, width).
void verticalMeans(const uint16_t* above, const uint16_t* middle, const uint16_t* below,
                   int32_t width, [[maybe_unused]] bool vector, unsigned char* target) {
    int32_t x = 0;
#if defined(__SSE2__)
    if (vector) x = verticalMeansSse2(above, middle, below, width, target);
#endif
    for (; x < width; ++x) target[x] = uint8_t((above[x] + 2 * middle[x] + below[x] + 8) >> 4);
}

}  // namespace

double noiseLevelOf(const cimg_windowConst& w) {
    if (w.width < 3 || w.height < 1) return 0;
    int64_t histogram[1024] = {};
    int64_t total = 0;
    const int32_t stride = std::max(1, w.height / kNoiseRows);
    for (int32_t y = 0; y < w.height; y += stride) {
        const unsigned char* row = w.pixels + y * w.pitch;
        for (int32_t x = 1; x + 1 < w.width; ++x) {
            ++histogram[std::abs(row[x - 1] - 2 * row[x] + row[x + 1])];
        }
        total += w.width - 2;
    }
    int64_t passed = 0;
    int32_t median = 0;
    while (median < 1023 && (passed += histogram[median]) <= total / 2) ++median;
    return median / kMedianPerSigma;
}

int32_t smoothedCopy(const cimg_windowConst& w, cimg_image* copy) {
    int32_t status = cimg_image_construct(copy, CIMG_DEPTH_8U, w.width, w.height);
    if (status >= 0) status = cimg_image_setImageOffset(copy, w.xOffset, w.yOffset);
    cimg_window out;
    if (status >= 0) status = window8(copy, &out);
    // Three rows of horizontal [1 2 1] sums, each at most 1020.
    cxVector<uint16_t> sums;
    if (status >= 0) status = sums.resize(size_t(w.width) * 3, 0);
    if (status < 0) {
        cimg_image_destruct(copy);
        return status;
    }
    const bool vector = !cprt_isOptimizationInhibited(L"cidut_smoothedCopy");
    uint16_t* ring[3] = {sums.begin(), sums.begin() + w.width, sums.begin() + 2 * w.width};
    horizontalSums(w, -1, vector, ring[0]);
    horizontalSums(w, 0, vector, ring[1]);
    for (int32_t y = 0; y < w.height; ++y) {
        horizontalSums(w, y + 1, vector, ring[2]);
        verticalMeans(ring[0], ring[1], ring[2], w.width, vector, out.pixels + y * out.pitch);
        std::rotate(ring, ring + 1, ring + 3);
    }
    return 0;
}

int32_t sharpenedCopy(const cimg_windowConst& w, cimg_image* copy) {
    int32_t status = smoothedCopy(w, copy);
    if (status < 0) return status;
    cimg_window out;
    if ((status = window8(copy, &out)) < 0) {
        cimg_image_destruct(copy);
        return status;
    }
    for (int32_t y = 0; y < w.height; ++y) {
        const unsigned char* original = w.pixels + y * w.pitch;
        unsigned char* target = out.pixels + y * out.pitch;
        for (int32_t x = 0; x < w.width; ++x) {
            target[x] = uint8_t(std::clamp(2 * original[x] - target[x], 0, 255));
        }
    }
    return 0;
}

namespace {

// A seed this many deviations of its own measure above zero is no chance peak of the noise
// (about one in three million positions reaches it).
constexpr double kSeedDeviations = 5.0;

// The drivers' seed measures along one scan line: three-pixel sums across a row position (peaks
// from 45), single pixels three apart down a column (peaks from 15).
struct seedLine {
    const unsigned char* first;
    intptr_t step;
    int32_t from, to;
    bool rows;

    int32_t measure(int32_t k) const {
        auto p = [&](int32_t j) { return int32_t(first[j * step]); };
        if (rows) return std::abs(p(k + 2) + p(k + 3) + p(k + 4) - p(k - 1) - p(k) - p(k + 1));
        return std::abs(p(k + 3) - p(k));
    }
    int32_t driverThreshold() const { return rows ? 45 : 15; }
};

seedLine lineOf(const cimg_windowConst& w, int32_t line, bool rows) {
    if (rows) {
        const int32_t y = line - w.yOffset;
        if (y < 3 || y > w.height - 1) return seedLine{nullptr, 1, 0, 0, true};
        return seedLine{w.pixels + y * w.pitch, 1, 3, w.width - 1 - 4, true};
    }
    const int32_t x = line - w.xOffset;
    if (x < 3 || x > w.width - 1) return seedLine{nullptr, w.pitch, 0, 0, false};
    return seedLine{w.pixels + x, w.pitch, 3, w.height - 1 - 4, false};
}

// The measure's deviation in flat areas, from its median over every line (half-normal).
double measureDeviation(const cimg_windowConst& w, const int32_t* lines, int32_t count, bool rows) {
    int64_t histogram[1024] = {};
    int64_t total = 0;
    for (int32_t n = 0; n < count; ++n) {
        const seedLine l = lineOf(w, lines[n], rows);
        for (int32_t k = l.from; k < l.to; ++k) ++histogram[l.measure(k)];
        total += std::max(l.to - l.from, 0);
    }
    int64_t passed = 0;
    int32_t median = 0;
    while (median < 1023 && (passed += histogram[median]) <= total / 2) ++median;
    return median / 0.6745;
}

// The drivers' peak rule along l; onPeak(position, strength) for each peak, in order.
template <typename OnPeak>
void walkPeaks(const seedLine& l, OnPeak onPeak) {
    int32_t prev2 = 256, prev = 0;
    for (int32_t k = l.from; k < l.to; ++k) {
        const int32_t g = l.measure(k);
        if (prev2 < prev && g <= prev && prev >= l.driverThreshold()) onPeak(k, prev);
        prev2 = prev;
        prev = g;
    }
}

}  // namespace

int32_t markNoiseSeeds(const cimg_imageConst* image, const int32_t* lines, int32_t lineCount,
                       bool rows, cimg_image* marker) {
    cimg_windowConst w;
    markerGrid grid;
    int32_t status = viewImageAndMarker(image, marker, &w, &grid);
    if (status < 0) return status;
    const double weakest = kSeedDeviations * measureDeviation(w, lines, lineCount, rows);
    for (int32_t n = 0; n < lineCount; ++n) {
        const seedLine l = lineOf(w, lines[n], rows);
        const int32_t across = rows ? lines[n] - w.yOffset : lines[n] - w.xOffset;
        unsigned char* pending = nullptr;  // the cell of the last weak seed, unless a strong one
        unsigned char* strong = nullptr;   // the cell of the last strong seed
        walkPeaks(l, [&](int32_t k, int32_t strength) {
            unsigned char* cell =
                rows ? grid.ofWindowPixel(k, across) : grid.ofWindowPixel(across, k);
            if (!cell) return;
            if (strength >= weakest) {
                strong = cell;
                if (pending == cell) pending = nullptr;
                return;
            }
            if (pending && pending != cell && *pending == 0) *pending = 1;
            pending = cell == strong ? nullptr : cell;
        });
        if (pending && *pending == 0) *pending = 1;
    }
    return 0;
}

}  // namespace cidut
