// One-dimensional track states carried by callers between scans.
#include "ci_id/edgescan.h"
#include "ci_id/platform/csys_assert.h"

namespace {

cidc_trackValue unknownValue(int32_t fracBits) {
    CSTD_ASSERT(fracBits >= 0 && fracBits <= 7);
    return cidc_trackValue{0, -1, fracBits};
}

}  // namespace

extern "C" {

int32_t cidc_trackStateConstantVal1D_init(cidc_trackStateConstantVal1D* state, int32_t fracBits) {
    CSTD_ASSERT(state);
    *state = cidc_trackStateConstantVal1D{unknownValue(fracBits), 0};
    return 0;
}

int32_t cidc_trackStateConstantVal1D_initVal(cidc_trackStateConstantVal1D* state,
                                             const cidc_trackValue* value, int32_t pending) {
    CSTD_ASSERT(state && value);
    *state = cidc_trackStateConstantVal1D{*value, pending};
    return 0;
}

int32_t cidc_trackStateConstantRate1D_init(cidc_trackStateConstantRate1D* state, int32_t fracBits) {
    CSTD_ASSERT(state);
    const cidc_trackValue unknown = unknownValue(fracBits);
    *state = cidc_trackStateConstantRate1D{unknown, unknown, -1, 0};
    return 0;
}

int32_t cidc_trackStateConstantRate1D_initVal(cidc_trackStateConstantRate1D* state,
                                              const cidc_trackValue* value,
                                              const cidc_trackValue* rate, int32_t pending) {
    CSTD_ASSERT(state && value && rate && value->fracBits == rate->fracBits);
    const int32_t cross = value->variance < 0 || rate->variance < 0 ? -1 : 0;
    *state = cidc_trackStateConstantRate1D{*value, *rate, cross, pending};
    return 0;
}
}
