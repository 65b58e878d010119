// Integer square root and fixed-point sine and cosine.
#include <cmath>

#include "ci_id/platform/cmath_fixed.h"
#include "ci_id/platform/csys_assert.h"

namespace {

// The value of a quarter-turn multiple is exact; other angles go through double precision,
// whose error is far below one unit of the 30 fraction bits asked for at most.
int32_t fixedCos(uint32_t angle, int32_t fracBits) {
    CSTD_ASSERT(fracBits >= 0 && fracBits <= 30);
    const double one = std::ldexp(1.0, fracBits);
    switch (angle & 0xFFFFu) {
        case 0:
            return static_cast<int32_t>(one);
        case 16384:
        case 49152:
            return 0;
        case 32768:
            return -static_cast<int32_t>(one);
        default:
            break;
    }
    const double turn = 6.283185307179586476925286766559;
    return static_cast<int32_t>(std::lround(std::cos(turn * (angle & 0xFFFFu) / 65536.0) * one));
}

}  // namespace

extern "C" {

uint32_t cmath_sqrt32(uint32_t value) {
    auto root = static_cast<uint32_t>(std::sqrt(static_cast<double>(value)));
    // The double root of a 32-bit value is within one of the integer root; settle it exactly.
    while (uint64_t{root} * root > value) --root;
    while (uint64_t{root + 1} * (root + 1) <= value) ++root;
    return root;
}

int32_t cmath_cos16FixedPoint(const uint16_t* angle, int32_t fracBits) {
    CSTD_ASSERT(angle);
    return fixedCos(*angle, fracBits);
}

int32_t cmath_sin16FixedPoint(const uint16_t* angle, int32_t fracBits) {
    CSTD_ASSERT(angle);
    // sin a = cos(a - quarter turn).
    return fixedCos(uint32_t{*angle} + 65536u - 16384u, fracBits);
}
}
