// 160-bit integers against unsigned __int128 arithmetic on values that fit it, identities over the
// full 160 bits, exact edge values and the decimal text's buffer contract.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ci_id/bigint.h"
#include "ci_id/status.h"

namespace {

using u128 = unsigned __int128;

cmath_bigInt big(u128 v, uint32_t top = 0) {
    return {{uint32_t(v), uint32_t(v >> 32), uint32_t(v >> 64), uint32_t(v >> 96), top}};
}

bool same(const cmath_bigInt& a, const cmath_bigInt& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string text(const cmath_bigInt& x) {
    char buffer[64];
    EXPECT_EQ(cmath_bigInt_bigInt2Buf(&x, sizeof buffer, buffer), 0);
    return buffer;
}

std::string decimal(u128 v) {
    std::string s;
    for (; v != 0 || s.empty(); v /= 10) s.insert(s.begin(), char('0' + int(v % 10)));
    return s;
}

TEST(BigInt, AgreesWithInt128ArithmeticAndKeepsItsIdentities) {
    std::mt19937_64 rng(1);
    const auto below = [&rng](int bits) { return ((u128(rng()) << 64) | rng()) >> (128 - bits); };
    for (int i = 0; i < 20000; ++i) {
        // Below 2^127, where sums and the products taken fit in 128 bits.
        const u128 a = below(1 + int(rng() % 127)), b = below(1 + int(rng() % 127));
        const uint32_t d = uint32_t(rng() >> (rng() % 64)) | 1, n = 1 + uint32_t(rng() % 158);
        cmath_bigInt x = big(a), y = big(b), z = x, q, low;
        uint32_t r = 0;
        int32_t less = -1, greater = -1, equal = -1;
        cmath_bigInt_add(&z, &y);
        ASSERT_TRUE(same(z, big(a + b)));
        cmath_bigInt_sub(&(z = big(std::max(a, b))), &(y = big(std::min(a, b))));
        ASSERT_TRUE(same(z, big(std::max(a, b) - std::min(a, b))));
        ASSERT_EQ(cmath_bigInt_divideBase(&x, &q, &r, d), 0);
        ASSERT_TRUE(same(q, big(a / d)) && r == a % d);
        cmath_bigInt_multBase(&(z = big(a >> 32)), d);
        ASSERT_TRUE(same(z, big((a >> 32) * d)));
        cmath_bigInt_mul(&(z = big(uint64_t(a))), &(y = big(uint64_t(b))), &z);
        ASSERT_TRUE(same(z, big(u128(uint64_t(a)) * uint64_t(b))));
        cmath_bigInt_shiftRight(&(z = big(a)), n);
        ASSERT_TRUE(same(z, big(n < 128 ? a >> n : 0)));
        cmath_bigInt_lessThan(&x, &(y = big(b)), &less);
        cmath_bigInt_greaterThan(&x, &y, &greater);
        cmath_bigInt_isEqual(&x, &y, &equal);
        ASSERT_TRUE(less == (a < b) && greater == (a > b) && equal == (a == b));
        ASSERT_EQ(text(x), decimal(a));
        // Over the full 160 bits, modulo 2^160: (x - y) + y, -x + x + 1, q d + r, and the bits a
        // right shift drops are what a left shift by 160 - n keeps.
        const u128 xl = a << 1 | (rng() & 1);
        const uint32_t top = uint32_t(rng()), yTop = rng() % 2 ? top : uint32_t(rng());
        x = big(xl, top), y = big(b, yTop);
        cmath_bigInt_sub(&(z = x), &y);
        cmath_bigInt_add(&z, &y);
        ASSERT_TRUE(same(z, x));
        cmath_bigInt_neg(&z);
        cmath_bigInt_add(&z, &x);
        cmath_bigInt_inc(&z);
        ASSERT_TRUE(same(z, big(1)));
        cmath_bigInt_divideBase(&x, &q, &r, d);
        cmath_bigInt_mul(&q, &(z = big(d)), &z);
        cmath_bigInt_addBase(&z, r);
        ASSERT_TRUE(same(z, x) && r < d);
        cmath_bigInt_shiftLeft(&(low = x), 160 - n);
        cmath_bigInt_shiftRight(&low, 160 - n);
        cmath_bigInt_shiftRight(&(z = x), n);
        cmath_bigInt_shiftLeft(&z, n);
        cmath_bigInt_add(&z, &low);
        ASSERT_TRUE(same(z, x));
        cmath_bigInt_lessThan(&x, &y, &less);
        ASSERT_EQ(less, top < yTop || (top == yTop && xl < b));
    }
}

TEST(BigInt, EdgeValuesAndTheTextBuffer) {
    cmath_bigInt all, one = big(1), q = big(77);
    std::memset(&all, 0xFF, sizeof all);
    EXPECT_EQ(text(all), "1461501637330902918203684832716283019655932542975");  // 2^160 - 1
    cmath_bigInt_inc(&all);
    EXPECT_TRUE(same(all, big(0)) && text(all) == "0");
    uint32_t r = 78;
    EXPECT_EQ(cmath_bigInt_divideBase(&one, &q, &r, 0), CID_STATUS_DIVISION_BY_ZERO);
    EXPECT_TRUE(same(q, big(77)) && r == 78);
    // The low n bytes, most significant first, reading bytes beyond the 20th as 0.
    const cmath_bigInt x = big(~u128(0), 0xA1B2C3D4u);
    std::vector<uint8_t> bytes(24, 0x77);
    EXPECT_EQ(cmath_bigInt_bigInt2Base256(&x, 23, bytes.data()), 0);
    EXPECT_TRUE(bytes[2] == 0 && bytes[3] == 0xA1 && bytes[6] == 0xD4 && bytes[22] == 0xFF);
    EXPECT_EQ(bytes[23], 0x77);
    // Twenty digits need 21 bytes; a smaller buffer holds the empty string, and nothing is
    // written past its end.
    const cmath_bigInt twenty = big(12345678901234567890u);
    for (int32_t size = 1; size <= 24; ++size) {
        std::string buffer(32, '#');
        EXPECT_EQ(cmath_bigInt_bigInt2Buf(&twenty, size, &buffer[0]),
                  size >= 21 ? 0 : CID_STATUS_OUT_OF_RANGE);
        EXPECT_EQ(std::string(buffer.c_str()), size >= 21 ? "12345678901234567890" : "");
        EXPECT_EQ(buffer[std::max(size, 21)], '#');
    }
}

}  // namespace
