// Running integer statistics: count, sum, scaled sum of squares, extremes.
#include "ci_id/fixpt.h"
#include "ci_id/platform/cmath_fixed.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/status.h"

namespace {

constexpr int32_t kMinShift = 3;
constexpr int32_t kMaxShift = 31;

bool fitsInt32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

bool initialised(const cmath_statisticsFixed& stats) {
    return stats.shift >= 0 && stats.shift <= kMaxShift;
}

}  // namespace

extern "C" {

int32_t cmath_statisticsFixed_clear(cmath_statisticsFixed* stats) {
    CSTD_ASSERT(stats);
    stats->count = stats->sum = stats->sumSqScaled = 0;
    stats->minValue = stats->maxValue = 0;
    return 0;
}

int32_t cmath_statisticsFixed_init(cmath_statisticsFixed* stats, int32_t shift) {
    CSTD_ASSERT(stats);
    cmath_statisticsFixed_clear(stats);
    stats->shift = stats->half = -1;
    if (shift < kMinShift || shift > kMaxShift) return CID_STATUS_STATS_NOT_INITIALISED;
    stats->shift = shift;
    stats->half = static_cast<int32_t>(int64_t{1} << (shift - 1));
    return 0;
}

int32_t cmath_statisticsFixed_add(cmath_statisticsFixed* stats, int32_t value) {
    CSTD_ASSERT(stats);
    if (!initialised(*stats)) return CID_STATUS_STATS_NOT_INITIALISED;
    // Formed in 64 bits; a sample that would take a field past 32 bits is refused, not wrapped.
    int64_t square = (int64_t{value} * value + stats->half) >> stats->shift;
    int64_t count = int64_t{stats->count} + 1;
    int64_t sum = int64_t{stats->sum} + value;
    int64_t sumSq = int64_t{stats->sumSqScaled} + square;
    if (!fitsInt32(count) || !fitsInt32(sum) || !fitsInt32(sumSq)) return CID_STATUS_OUT_OF_RANGE;
    if (stats->count == 0) {
        stats->minValue = stats->maxValue = value;
    } else {
        stats->minValue = cxfIMin(stats->minValue, value);
        stats->maxValue = cxfIMax(stats->maxValue, value);
    }
    stats->count = static_cast<int32_t>(count);
    stats->sum = static_cast<int32_t>(sum);
    stats->sumSqScaled = static_cast<int32_t>(sumSq);
    return 0;
}

int32_t cmath_statisticsFixed_getMean(const cmath_statisticsFixed* stats, int32_t* mean) {
    CSTD_ASSERT(stats && mean);
    if (stats->count == 0) return CID_STATUS_STATS_EMPTY;
    *mean = stats->sum / stats->count;
    return 0;
}

int32_t cmath_statisticsFixed_getVariance(const cmath_statisticsFixed* stats, int32_t* var) {
    CSTD_ASSERT(stats && var);
    if (stats->count == 0) return CID_STATUS_STATS_EMPTY;
    if (!initialised(*stats)) return CID_STATUS_STATS_NOT_INITIALISED;
    int64_t mean = stats->sum / stats->count;
    int64_t correction = (int64_t{stats->sum} * mean + stats->half) >> stats->shift;
    int64_t spread = stats->count > 1 ? (stats->sumSqScaled - correction) / (stats->count - 1) : 0;
    // The squares and the correction round separately, which can leave a few units below zero.
    *var = spread < 0 ? 0 : static_cast<int32_t>(spread);
    return 0;
}

int32_t cmath_statisticsFixed_getStdDev(const cmath_statisticsFixed* stats, int32_t* sd) {
    CSTD_ASSERT(stats && sd);
    int32_t var = 0;
    int32_t status = cmath_statisticsFixed_getVariance(stats, &var);
    if (status < 0) return status;
    *sd = static_cast<int32_t>(cmath_sqrt32(static_cast<uint32_t>(var)));
    return 0;
}
}
