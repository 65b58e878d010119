// Integer square roots, fixed-point sine and cosine, integer min, max and clamping.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "ci_id/platform/cmath_fixed.h"
#include "test_support.h"

namespace {

// A floor root checked by its defining inequalities, in 128 bits.
bool isFloorRoot(uint64_t value, uint64_t root) {
    unsigned __int128 r = root;
    return r * r <= value && (r + 1) * (r + 1) > value;
}

TEST(Sqrt, ExactAtTheEdgesAndOnRandomValues) {
    EXPECT_EQ(cmath_sqrt32(0), 0u);
    EXPECT_EQ(cmath_sqrt32(1), 1u);
    EXPECT_EQ(cmath_sqrt32(UINT32_MAX), 65535u);
    EXPECT_EQ(cmath_sqrt64(0), 0u);
    EXPECT_EQ(cmath_sqrt64(1), 1u);
    EXPECT_EQ(cmath_sqrt64(UINT32_MAX), 65535u);
    EXPECT_EQ(cmath_sqrt64(UINT64_MAX), 4294967295u);
    EXPECT_EQ(cmath_sqrt64(uint64_t{4294967295u} * 4294967295u), 4294967295u);
    EXPECT_EQ(cmath_sqrt64(uint64_t{4294967295u} * 4294967295u - 1), 4294967294u);
    std::mt19937_64 rng(6);
    for (int i = 0; i < 200000; ++i) {
        uint64_t v = rng() >> (rng() % 64);
        ASSERT_TRUE(isFloorRoot(v, cmath_sqrt64(v))) << v;
        uint32_t w = static_cast<uint32_t>(v);
        ASSERT_TRUE(isFloorRoot(w, cmath_sqrt32(w))) << w;
        // Perfect squares and their neighbours are where a floating root goes wrong.
        uint64_t r = rng() >> 32;
        ASSERT_EQ(cmath_sqrt64(r * r), r);
        if (r > 0) {
            ASSERT_EQ(cmath_sqrt64(r * r - 1), r - 1);
        }
    }
}

// sin(angle / 65536 turn) * 2^fracBits in long double, as a reference for the rounding.
long double trueSine(uint32_t angle, int fracBits) {
    const long double pi = 3.14159265358979323846264338327950288L;
    return std::ldexp(std::sin(static_cast<long double>(angle) * pi / 32768.0L), fracBits);
}

// The library takes the angle by reference; these take it by value for brevity.
int32_t sin16(uint32_t angle, int32_t fracBits) {
    const uint16_t a = static_cast<uint16_t>(angle);
    return cmath_sin16FixedPoint(&a, fracBits);
}
int32_t cos16(uint32_t angle, int32_t fracBits) {
    const uint16_t a = static_cast<uint16_t>(angle);
    return cmath_cos16FixedPoint(&a, fracBits);
}

TEST(SinCos16, CorrectlyRoundedOverEveryAngleAndFractionBits) {
    for (int fracBits = 0; fracBits <= 30; ++fracBits) {
        for (uint32_t angle = 0; angle < 65536; ++angle) {
            long double exact = trueSine(angle, fracBits);
            long double expected = std::round(exact);
            // No value sits near a rounding tie, so rounding the reference is the true rounding.
            ASSERT_GT(std::fabs(std::fabs(exact - std::trunc(exact)) - 0.5L), 1e-7L)
                << angle << " " << fracBits;
            ASSERT_EQ(sin16(angle, fracBits),
                      static_cast<int32_t>(expected))
                << angle << " " << fracBits;
            ASSERT_EQ(cos16(angle, fracBits),
                      sin16(angle + 16384, fracBits));
        }
    }
}

TEST(SinCos16, ExactValuesAndSymmetries) {
    EXPECT_EQ(sin16(16384, 15), 32768);
    EXPECT_EQ(sin16(32768, 15), 0);
    EXPECT_EQ(sin16(49152, 15), -32768);
    EXPECT_EQ(cos16(0, 16), 65536);
    EXPECT_EQ(cos16(32768, 30), -(1 << 30));
    EXPECT_EQ(sin16(8192, 0), 1);  // sqrt(1/2) rounds to 1
    for (uint32_t a = 1; a < 65536; ++a) {
        ASSERT_EQ(sin16(65536 - a, 20),
                  -sin16(a, 20));
    }
    EXPECT_PRECONDITION(sin16(1, 31));
    EXPECT_PRECONDITION(cos16(1, -1));
}

TEST(IntegerHelpers, MaxMinLimit) {
    EXPECT_EQ(cxfIMax(-3, 2), 2);
    EXPECT_EQ(cxfIMin(-3, 2), -3);
    EXPECT_EQ(cxfIMax(INT32_MIN, INT32_MAX), INT32_MAX);
    EXPECT_EQ(cxfILimit(5, 0, 3), 3);
    EXPECT_EQ(cxfILimit(-5, 0, 3), 0);
    EXPECT_EQ(cxfILimit(2, 0, 3), 2);
    EXPECT_PRECONDITION(cxfILimit(2, 3, 0));
}

}  // namespace
