// The incremental peak detector and the contrast statistics of a run of peaks.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "ci_id/peak.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/priv/ci_idut/scan/peak_rule.h"

extern "C" {

int32_t cidc_peakDetectState_init(cidc_peakDetectState* state,
                                  cstd_vector_cidc_peakIDFixedX_4* peaks, int32_t initialValue,
                                  int32_t maxNewPeaks) {
    CSTD_ASSERT(state && peaks && maxNewPeaks >= 0);
    int32_t count = 0;
    int32_t status = cstd_vector_cidc_peakIDFixedX_4_getSize32(peaks, &count);
    if (status < 0) return status;
    const int64_t capacity = int64_t{count} + maxNewPeaks;
    if (capacity > std::numeric_limits<int32_t>::max()) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    // The new slots are written whole when a peak is recorded, so they need no zero fill: that
    // keeps a scan's cost proportional to the pixels it reads, not to its worst-case peak count.
    status = cstd_vector_cidc_peakIDFixedX_4_resizeUninit(peaks, capacity);
    if (status < 0) return status;
    cidc_peakIDFixedX_4* begin = nullptr;
    status = cstd_vector_cidc_peakIDFixedX_4_getBegin(peaks, &begin);
    if (status < 0) return status;
    *state = cidc_peakDetectState{initialValue, 0, 0, 0, -1, count, static_cast<int32_t>(capacity),
                                  begin + count};
    return 0;
}

int32_t cidc_peakDetectState_detect(cidc_peakDetectState* state, uint8_t levelA, uint8_t levelB,
                                    int16_t sample, int32_t threshold, int32_t positionOffset,
                                    uint32_t leftShift, uint32_t rightShift) {
    CSTD_ASSERT(state);
    auto tracker = cidut::peakTracker<int64_t>::of(*state);
    tracker.feed(
        sample, threshold, positionOffset,
        [=](int64_t v) { return cidut::shiftStrength(v, leftShift, rightShift); },
        [=] { return static_cast<uint8_t>((levelA + levelB) >> 1); });
    tracker.storeInto(state);
    return 0;
}

int32_t cidc_peakDetectState_advance(cidc_peakDetectState* state, int16_t sample, uint32_t skip) {
    CSTD_ASSERT(state);
    state->lastDelta = 0;
    state->prevValue = 0;
    state->lastChangeIndex = -1;
    state->value = sample;
    state->index = static_cast<int32_t>(static_cast<uint32_t>(state->index) + skip);
    return 0;
}

int32_t cidc_peakDetectState_finish(cidc_peakDetectState* state,
                                    cstd_vector_cidc_peakIDFixedX_4* peaks) {
    CSTD_ASSERT(state && peaks);
    return cstd_vector_cidc_peakIDFixedX_4_resize(peaks, state->peakCount);
}

int32_t cidc_peakIDFixedX_4_getContrastStats(const cidc_peakIDFixedX_4* first,
                                             const cidc_peakIDFixedX_4* end, int32_t includeAll,
                                             int32_t* minimum, int32_t* mean) {
    CSTD_ASSERT(minimum && mean && (first == end || (first && end && first < end)));
    *minimum = 0;
    *mean = 0;
    int64_t sum = 0;
    int64_t count = 0;
    int64_t smallest = std::numeric_limits<int32_t>::max();
    int64_t largest = 0;
    for (const cidc_peakIDFixedX_4* peak = first; peak != end; ++peak) {
        if (!includeAll && peak->id1 == 0 && peak->id2 == 0) continue;
        const int64_t contrast =
            std::min<int64_t>(peak->strength < 0 ? -int64_t{peak->strength} : peak->strength,
                              std::numeric_limits<int32_t>::max());
        sum += contrast;
        ++count;
        smallest = std::min(smallest, contrast);
        largest = std::max(largest, contrast);
    }
    if (count == 0) return 0;
    if (count > 6) {
        sum -= smallest + largest;
        count -= 2;
    }
    *minimum = static_cast<int32_t>(smallest);
    *mean = static_cast<int32_t>(sum / count);
    return 0;
}
}
