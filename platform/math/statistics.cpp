// Running double statistics by Welford's update.
#include <cmath>

#include "ci_id/platform/cmath_statistics.h"
#include "ci_id/platform/csys_assert.h"

extern "C" {

int32_t cmath_statistics_init(cmath_statistics* stats) {
    CSTD_ASSERT(stats);
    stats->count = 0;
    stats->mean = 0.0;
    stats->sumSqDev = 0.0;
    return 0;
}

int32_t cmath_statistics_add(cmath_statistics* stats, double value) {
    CSTD_ASSERT(stats);
    ++stats->count;
    const double delta = value - stats->mean;
    stats->mean += delta / static_cast<double>(stats->count);
    stats->sumSqDev += delta * (value - stats->mean);
    return 0;
}

int32_t cmath_statistics_getN(const cmath_statistics* stats, int64_t* count) {
    CSTD_ASSERT(stats && count);
    *count = stats->count;
    return 0;
}

int32_t cmath_statistics_getMean(const cmath_statistics* stats, double* mean) {
    CSTD_ASSERT(stats && mean);
    if (stats->count == 0) return CMATH_STATUS_NO_SAMPLES;
    *mean = stats->mean;
    return 0;
}

int32_t cmath_statistics_getStdDev(const cmath_statistics* stats, double* deviation) {
    CSTD_ASSERT(stats && deviation);
    if (stats->count == 0) return CMATH_STATUS_NO_SAMPLES;
    *deviation =
        stats->count > 1 ? std::sqrt(stats->sumSqDev / static_cast<double>(stats->count - 1)) : 0.0;
    return 0;
}
}
