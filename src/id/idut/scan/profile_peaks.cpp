// Edge peaks of a ready profile of 32-bit samples.
#include <cstdint>
#include <cstring>

#include "ci_id/edgescan.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/scan/peak_rule.h"
#include "ci_id/status.h"

namespace {

// Samples come from a caller's buffer of unknown alignment.
int64_t sampleAt(const unsigned char* samples, int32_t i) {
    int32_t value;
    std::memcpy(&value, samples + 4 * intptr_t{i}, sizeof value);
    return value;
}

}  // namespace

extern "C" {

int32_t cidc_runEdgeScanPeakDetection(const cimg_windowConst* countSource,
                                      const cimg_windowConst* samples,
                                      const cidc_edgeScanParams* params,
                                      cstd_vector_cidc_peakIDFixedX_4* peaks) {
    CSTD_ASSERT(countSource && samples && params && peaks);
    const int32_t n = countSource->width;
    if (n < 0) return CID_STATUS_OUT_OF_RANGE;
    if (samples->depth != CIMG_DEPTH_32S) return CID_STATUS_INVALID_IMAGE;
    if (n > 0 && (samples->width < n || samples->height < 1 || !samples->pixels)) {
        return CID_STATUS_INVALID_IMAGE;
    }
    if (n < 3) return 0;
    const unsigned char* s = samples->pixels;
    auto difference = [s](int32_t i) { return sampleAt(s, i + 1) - sampleAt(s, i - 1); };
    cidc_peakDetectState state;
    int32_t status = cidc_peakDetectState_init(&state, peaks, 0, n - 2);
    if (status < 0) return status;
    auto tracker = cidut::peakTracker<int64_t>::of(state);
    tracker.value = difference(1);
    const int64_t threshold = params->contrastThreshold;
    for (int32_t i = 2; i <= n - 2; ++i) {
        tracker.feed(
            difference(i), threshold, 0, [](int64_t v) { return cidut::clampTo<int32_t>(v); },
            [s, i] {
                const int64_t mean = (sampleAt(s, i - 2) + sampleAt(s, i)) / 2;
                return static_cast<uint8_t>(static_cast<uint64_t>(mean) & 0xFFu);
            });
    }
    tracker.storeInto(&state);
    return cidc_peakDetectState_finish(&state, peaks);
}
}
