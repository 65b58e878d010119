// Within-group-variance threshold: the split of largest between-class variance, which is the
// split of smallest within-group variance since the two add up to the total.
#include "ci_id/platform/cip_hist.h"
#include "ci_id/platform/cip_thresh.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"

namespace {

struct classSums {
    double count = 0.0;
    double sum = 0.0;    // of bin * count
    double sumSq = 0.0;  // of bin^2 * count
};

classSums totals(const uint32_t* histogram, int32_t bins) {
    classSums all;
    for (int32_t b = 0; b < bins; ++b) {
        all.count += histogram[b];
        all.sum += double(b) * histogram[b];
        all.sumSq += double(b) * b * histogram[b];
    }
    return all;
}

int32_t lowestOccupied(const uint32_t* histogram) {
    int32_t b = 0;
    while (histogram[b] == 0) ++b;
    return b;
}

}  // namespace

extern "C" {

int32_t cip_threshParams_init(cip_threshParams* params) {
    CSTD_ASSERT(params);
    params->minClassFraction = 0.0;
    return 0;
}

int32_t cip_threshComputeWGVThresholdFromHistogram(const uint32_t* histogram, int32_t lastBin,
                                                   int32_t low, int32_t high,
                                                   const cip_threshParams* params,
                                                   cip_threshResult* result) {
    CSTD_ASSERT(histogram && params && result);
    if (lastBin < 0 || low < 1 || low > high || high > lastBin) {
        return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    }
    const int32_t bins = lastBin + 1;
    const classSums all = totals(histogram, bins);
    if (all.count == 0.0) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    const double minimum = params->minClassFraction * all.count;
    classSums lower;
    for (int32_t b = 0; b < low - 1; ++b) {
        lower.count += histogram[b];
        lower.sum += double(b) * histogram[b];
    }
    double best = -1.0;
    int32_t chosen = -1;
    for (int32_t t = low; t <= high; ++t) {
        lower.count += histogram[t - 1];
        lower.sum += double(t - 1) * histogram[t - 1];
        const double upperCount = all.count - lower.count;
        if (lower.count == 0.0 || upperCount == 0.0 || lower.count < minimum ||
            upperCount < minimum) {
            continue;
        }
        const double cross = lower.count * (all.sum - lower.sum) - upperCount * lower.sum;
        const double score = cross * cross / (lower.count * upperCount);
        if (score > best) {
            best = score;
            chosen = t;
        }
    }
    cip_threshResult r{0, 0, 0.0, 0.0};
    if (chosen < 0) {
        const int32_t first = lowestOccupied(histogram);
        r.threshold = first < low ? low : (first > high ? high : first);
    } else {
        const double n = all.count;
        const double totalSquares = all.sumSq - all.sum * all.sum / n;
        r.threshold = chosen;
        r.isSeparable = 1;
        r.betweenVariance = best / (n * n);
        const double within = totalSquares / n - r.betweenVariance;
        r.withinVariance = within > 0.0 ? within : 0.0;  // rounding may leave a trace below 0
    }
    *result = r;
    return 0;
}

int32_t cip_threshComputeWGVThresholdFromImage(const cimg_imageConst* image,
                                               const cip_threshParams* params,
                                               cip_threshResult* result) {
    CSTD_ASSERT(image && params && result);
    uint32_t histogram[256];
    int32_t status = cip_pelHistogram8(image, histogram);
    if (status < 0) return status;
    return cip_threshComputeWGVThresholdFromHistogram(histogram, 255, 1, 255, params, result);
}
}
