// Integer square roots and fixed-point sine and cosine.
#include <cmath>

#include "ci_id/platform/cmath_fixed.h"
#include "ci_id/platform/csys_assert.h"

namespace {

constexpr uint32_t kQuarterTurn = 16384;
constexpr int32_t kMaxFracBits = 30;

// sin(b / 65536 turn) * 2^fracBits rounded, for b in one quarter turn [0, 16384]. The argument is
// folded into the first octant and evaluated in long double: its error is far below the
// distance of any of these values from a rounding tie, so the rounding is the true one.
int32_t quarterSine(uint32_t b, int32_t fracBits) {
    if (b == 0) return 0;
    if (b == kQuarterTurn) return int32_t{1} << fracBits;
    constexpr long double kStep = 3.14159265358979323846264338327950288L / 32768.0L;
    long double value =
        b <= kQuarterTurn / 2 ? std::sin(kStep * b) : std::cos(kStep * (kQuarterTurn - b));
    return static_cast<int32_t>(std::llround(std::ldexp(value, fracBits)));
}

int32_t sineOfBinaryAngle(uint32_t angle, int32_t fracBits) {
    CSTD_ASSERT(fracBits >= 0 && fracBits <= kMaxFracBits);
    uint32_t quadrant = angle / kQuarterTurn;
    uint32_t rest = angle % kQuarterTurn;
    // The second and fourth quadrants run the first one backwards; the lower half is negative.
    int32_t magnitude = quarterSine(quadrant & 1u ? kQuarterTurn - rest : rest, fracBits);
    return quadrant & 2u ? -magnitude : magnitude;
}

}  // namespace

extern "C" {

uint32_t cmath_sqrt64(uint64_t value) {
    // The double root is within one of the true one; the corrections make it exact, and the
    // first keeps r * r from overflowing.
    uint64_t root = static_cast<uint64_t>(std::sqrt(static_cast<double>(value)));
    if (root > UINT32_MAX) root = UINT32_MAX;
    while (root * root > value) --root;
    while (root < UINT32_MAX && (root + 1) * (root + 1) <= value) ++root;
    return static_cast<uint32_t>(root);
}

uint32_t cmath_sqrt32(uint32_t value) { return cmath_sqrt64(value); }

int32_t cmath_sin16FixedPoint(const uint16_t* angle, int32_t fracBits) {
    CSTD_ASSERT(angle);
    return sineOfBinaryAngle(*angle, fracBits);
}

int32_t cmath_cos16FixedPoint(const uint16_t* angle, int32_t fracBits) {
    CSTD_ASSERT(angle);
    return sineOfBinaryAngle((*angle + kQuarterTurn) & 0xFFFFu, fracBits);
}
}
