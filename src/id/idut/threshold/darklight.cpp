// Dark and light classes of a histogram: their count-weighted means and deviations.
#include <cmath>

#include "ci_id/platform/cip_hist.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/threshold.h"

namespace {

struct classStats {
    double mean;
    double deviation;
};

// Bins first .. last (cut to the histogram); emptyMean when they hold no count.
classStats binClass(const uint32_t* histogram, int32_t numBins, int32_t first, int32_t last,
                    double emptyMean) {
    if (first < 0) first = 0;
    if (last > numBins - 1) last = numBins - 1;
    double count = 0.0, sum = 0.0;
    for (int32_t b = first; b <= last; ++b) {
        count += histogram[b];
        sum += double(b) * histogram[b];
    }
    if (count == 0.0) return classStats{emptyMean, 0.0};
    const double mean = sum / count;
    double squares = 0.0;
    for (int32_t b = first; b <= last; ++b) squares += (b - mean) * (b - mean) * histogram[b];
    return classStats{mean, std::sqrt(squares / count)};
}

}  // namespace

extern "C" {

int32_t cidut_getDarkLightMeanThreshold_(const uint32_t* histogram, int32_t numBins,
                                         int32_t darkThreshold, int32_t lightThreshold,
                                         double* darkMean, double* lightMean, double* darkDeviation,
                                         double* lightDeviation) {
    CSTD_ASSERT(histogram && darkMean && lightMean && darkDeviation && lightDeviation);
    CSTD_ASSERT(numBins >= 1);
    const classStats dark =
        binClass(histogram, numBins, 0, darkThreshold, double(darkThreshold / 2));
    const classStats light = binClass(histogram, numBins, lightThreshold, numBins - 1,
                                      double((int64_t{lightThreshold} + 255) / 2));
    *darkMean = dark.mean;
    *lightMean = light.mean;
    *darkDeviation = dark.deviation;
    *lightDeviation = light.deviation;
    return 0;
}

int32_t cidut_getDarkLightMeanPercent_(const uint32_t* histogram, int32_t numBins,
                                       int32_t darkPercent, int32_t lightPercent, double* darkMean,
                                       double* lightMean, double* darkDeviation,
                                       double* lightDeviation) {
    CSTD_ASSERT(histogram && numBins >= 1);
    CSTD_ASSERT(darkPercent >= 0 && darkPercent <= 100 && lightPercent >= 0 && lightPercent <= 100);
    int32_t table[101];
    int32_t status = cip_pelHistogramStat_invCum(histogram, numBins, table);
    if (status < 0) return status;
    return cidut_getDarkLightMeanThreshold_(histogram, numBins, table[darkPercent],
                                            table[100 - lightPercent], darkMean, lightMean,
                                            darkDeviation, lightDeviation);
}
}
