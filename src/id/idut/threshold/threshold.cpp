// Histogram thresholds: Otsu's criterion with its separability, and the percentile.
#include "ci_id/threshold.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/pixel/image.h"
#include "ci_id/status.h"

namespace {

// Moments are kept in long double: its 64-bit mantissa holds them exactly for 256 bins of
// 32-bit counts.
struct moments {
    long double count;
    long double first;   // sum of h[i] (i - lowest)
    long double second;  // sum of h[i] (i - lowest)^2
};

// Cumulative sums from the top: s1 collects s0 once per step down, s2 collects s1.
moments momentsAbove(const uint32_t* histogram, int32_t lowest, int32_t end) {
    long double s0 = 0, s1 = 0, s2 = 0;
    for (int32_t i = end - 1; i > lowest; --i) {
        s0 += histogram[i];
        s1 += s0;
        s2 += s1;
    }
    return moments{s0 + histogram[lowest], s1, 2 * s2 - s1};
}

int32_t windowHistogram(const cimg_imageConst* image, uint32_t* counts) {
    cimg_windowConst window;
    int32_t status = cidut::window8(image, &window);
    if (status < 0) return status;
    if (window.width < 1 || window.height < 1) return CID_STATUS_OUT_OF_RANGE;
    for (int32_t v = 0; v < 256; ++v) counts[v] = 0;
    return cfPelHistogramSmall(window.pixels, window.width, window.height, window.pitch, counts);
}

}  // namespace

extern "C" {

int32_t cid_thresholdResult_init(cid_thresholdResult* result) {
    CSTD_ASSERT(result);
    *result = cid_thresholdResult{0, 0.0, 0};
    return 0;
}

int32_t cid_thresholdHist(const uint32_t* histogram, int32_t numBins, cid_thresholdResult* result) {
    CSTD_ASSERT(histogram && result && numBins >= 1);
    int32_t lowest = 0;
    while (lowest < numBins && histogram[lowest] == 0) ++lowest;
    CSTD_ASSERT(lowest < numBins);
    int32_t end = numBins;
    while (histogram[end - 1] == 0) --end;
    result->isValid = 1;
    if (end - lowest == 1) {
        result->threshold = lowest;
        result->quality = 0.0;
        return 0;
    }
    const moments all = momentsAbove(histogram, lowest, end);
    const long double total = all.second * all.count - all.first * all.first;
    long double w0 = 0, m0 = 0, best = 0;
    int32_t bestSplit = 0;
    for (int32_t k = lowest; k <= end - 2; ++k) {
        if (histogram[k] == 0) continue;
        w0 += histogram[k];
        m0 += static_cast<long double>(histogram[k]) * (k - lowest);
        const long double w1 = all.count - w0;
        const long double m1 = all.first - m0;
        const long double cross = m1 * w0 - m0 * w1;
        const long double score = cross * cross / (w0 * w1);
        if (score > best) {
            best = score;
            bestSplit = k - lowest + 1;
        }
    }
    result->threshold = lowest + bestSplit;
    result->quality = static_cast<double>(best / total);
    return 0;
}

int32_t cid_threshold(const cimg_imageConst* image, cid_thresholdResult* result) {
    CSTD_ASSERT(image && result);
    uint32_t counts[256];
    int32_t status = windowHistogram(image, counts);
    if (status < 0) return status;
    return cid_thresholdHist(counts, 256, result);
}

int32_t cid_thresholdBasedOnPercentage(const cimg_imageConst* image, float fraction,
                                       cid_thresholdResult* result) {
    CSTD_ASSERT(image && result);
    uint32_t counts[256];
    int32_t status = windowHistogram(image, counts);
    if (status < 0) return status;
    uint64_t total = 0;
    for (uint32_t c : counts) total += c;
    const float target = static_cast<float>(total) * fraction;
    uint64_t cumulative = 0;
    int32_t level = 0;
    for (; level < 256; ++level) {
        cumulative += counts[level];
        if (static_cast<float>(cumulative) >= target) break;
    }
    result->threshold = level;
    result->quality = 1.0;
    result->isValid = 1;
    return 0;
}
}
