// Element-wise division of 32-bit values by one divisor into bytes. The optimised kernel
// multiplies by the divisor's 64-bit reciprocal c = ceil(2^64 / d): the high word of x c is
// floor(x / d) for every 32-bit x and d > 1 (Lemire, Kaser and Kurz, "Faster remainder by
// direct computation", 2019).
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/status.h"
#include "ci_id/threshold.h"

namespace {

void dividePortable(const uint32_t* source, int32_t count, uint32_t divisor, uint8_t* destination) {
    for (int32_t i = 0; i < count; ++i) destination[i] = static_cast<uint8_t>(source[i] / divisor);
}

int32_t divideOptimised(const uint32_t* source, int32_t count, uint32_t divisor,
                        uint8_t* destination) {
    if (divisor == 1) {
        for (int32_t i = 0; i < count; ++i) destination[i] = static_cast<uint8_t>(source[i]);
        return 0;
    }
    const uint64_t reciprocal = UINT64_MAX / divisor + 1;
    for (int32_t i = 0; i < count; ++i) {
        const unsigned __int128 product = static_cast<unsigned __int128>(reciprocal) * source[i];
        destination[i] = static_cast<uint8_t>(product >> 64);
    }
    return 0;
}

}  // namespace

extern "C" int32_t cidut_divideBufferByConstant32_8(const uint32_t* source, int32_t count,
                                                    uint32_t divisor, uint8_t* destination) {
    CSTD_ASSERT(source && destination);
    if (divisor == 0) return CID_STATUS_DIVISION_BY_ZERO;
    int32_t status = CID_STATUS_NOT_AVAILABLE;
    if (!cprt_isOptimizationInhibited(L"cidut_divideBufferByConstant32_8")) {
        status = divideOptimised(source, count, divisor, destination);
    }
    if (CID_STATUS_IS_NOT_AVAILABLE(status)) {
        dividePortable(source, count, divisor, destination);
        status = 0;
    }
    return status;
}
