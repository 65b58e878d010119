// 160-bit integers against references built on unsigned __int128: a value is hi * 2^128 + lo.
// Random operands below 2^128 and over the full 160 bits; decimal text against a conversion by
// doubling decimal strings.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ci_id/bigint.h"
#include "ci_id/status.h"
#include "test_support.h"

namespace {

using u128 = unsigned __int128;

struct wide {
    u128 lo;
    uint32_t hi;
    bool operator==(const wide& o) const { return lo == o.lo && hi == o.hi; }
};

cmath_bigInt toBig(const wide& w) {
    cmath_bigInt b;
    for (int i = 0; i < 4; ++i) b.limbs[i] = static_cast<uint32_t>(w.lo >> (32 * i));
    b.limbs[4] = w.hi;
    return b;
}

wide fromBig(const cmath_bigInt& b) {
    wide w{0, b.limbs[4]};
    for (int i = 3; i >= 0; --i) w.lo = (w.lo << 32) | b.limbs[i];
    return w;
}

::testing::AssertionResult same(const cmath_bigInt& actual, const wide& expected) {
    if (fromBig(actual) == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "160-bit values differ";
}

// Random values of random bit length, below 2^bits.
class valueSource {
public:
    explicit valueSource(uint32_t seed) : rng_(seed) {}
    wide below(int bits) {
        int length = std::uniform_int_distribution<int>(0, bits)(rng_);
        wide w{(u128(rng_()) << 64) | rng_(), static_cast<uint32_t>(rng_())};
        if (length < 128) {
            w.hi = 0;
            w.lo = length == 0 ? 0 : w.lo >> (128 - length);
        } else {
            w.hi = length == 128 ? 0 : w.hi >> (160 - length);
        }
        return w;
    }
    uint32_t upTo(uint32_t max) { return std::uniform_int_distribution<uint32_t>(0, max)(rng_); }
    uint32_t word() {
        return static_cast<uint32_t>(rng_() >> std::uniform_int_distribution<int>(0, 32)(rng_));
    }

private:
    std::mt19937_64 rng_;
};

wide add(wide a, wide b) {
    u128 lo = a.lo + b.lo;
    return wide{lo, a.hi + b.hi + (lo < a.lo ? 1u : 0u)};
}

wide sub(wide a, wide b) { return wide{a.lo - b.lo, a.hi - b.hi - (a.lo < b.lo ? 1u : 0u)}; }

// a * b modulo 2^160 from 64-bit halves.
wide mul(wide a, wide b) {
    const uint64_t a0 = static_cast<uint64_t>(a.lo), a1 = static_cast<uint64_t>(a.lo >> 64);
    const uint64_t b0 = static_cast<uint64_t>(b.lo), b1 = static_cast<uint64_t>(b.lo >> 64);
    const u128 t0 = u128(a0) * b0, t1 = u128(a0) * b1, t2 = u128(a1) * b0, t3 = u128(a1) * b1;
    const u128 mid = (t0 >> 64) + static_cast<uint64_t>(t1) + static_cast<uint64_t>(t2);
    const u128 high = t3 + (t1 >> 64) + (t2 >> 64) + (mid >> 64);
    return wide{static_cast<uint64_t>(t0) | (mid << 64), static_cast<uint32_t>(high) +
                                                             a.hi * static_cast<uint32_t>(b.lo) +
                                                             b.hi * static_cast<uint32_t>(a.lo)};
}

// Quotient and remainder by a 32-bit divisor, 64 bits at a time.
wide divide(wide a, uint32_t d, uint32_t* r) {
    u128 rest = a.hi % d;
    const uint32_t qhi = a.hi / d;
    const u128 upper = (rest << 64) | static_cast<uint64_t>(a.lo >> 64);
    const u128 q1 = upper / d;
    rest = upper % d;
    const u128 lower = (rest << 64) | static_cast<uint64_t>(a.lo);
    *r = static_cast<uint32_t>(lower % d);
    return wide{(q1 << 64) | (lower / d), qhi};
}

wide shiftRight(wide a, uint32_t n) {
    if (n >= 160) return wide{0, 0};
    if (n >= 128) return wide{a.hi >> (n - 128), 0};
    u128 lo = (a.lo >> n) | (n ? u128(a.hi) << (128 - n) : 0);
    return wide{lo, n < 32 ? a.hi >> n : 0};
}

wide shiftLeft(wide a, uint32_t n) {
    if (n >= 160) return wide{0, 0};
    if (n >= 128) return wide{0, static_cast<uint32_t>(a.lo << (n - 128))};
    u128 hi = (u128(a.hi) << n) | (n ? a.lo >> (128 - n) : 0);
    return wide{a.lo << n, static_cast<uint32_t>(hi)};
}

bool less(wide a, wide b) { return a.hi != b.hi ? a.hi < b.hi : a.lo < b.lo; }

// Decimal text by doubling a decimal string once per bit, most significant bit first.
std::string decimalByDoubling(const wide& w) {
    std::string digits = "0";
    for (int bit = 159; bit >= 0; --bit) {
        int carry = bit >= 128 ? (w.hi >> (bit - 128)) & 1 : static_cast<int>((w.lo >> bit) & 1);
        for (size_t i = digits.size(); i-- > 0;) {
            int v = (digits[i] - '0') * 2 + carry;
            digits[i] = static_cast<char>('0' + v % 10);
            carry = v / 10;
        }
        if (carry) digits.insert(digits.begin(), static_cast<char>('0' + carry));
    }
    return digits;
}

std::string decimalOf128(u128 v) {
    std::string s;
    do {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    } while (v != 0);
    return s;
}

std::string render(const cmath_bigInt& x) {
    char buffer[64];
    EXPECT_EQ(cmath_bigInt_bigInt2Buf(&x, sizeof buffer, buffer), 0);
    return buffer;
}

TEST(BigInt, ArithmeticBelow2To128) {
    valueSource source(1);
    for (int i = 0; i < 20000; ++i) {
        const wide a = source.below(128), b = source.below(128);
        const cmath_bigInt x = toBig(a), y = toBig(b);
        cmath_bigInt z = x;
        cmath_bigInt_add(&z, &y);
        ASSERT_TRUE(same(z, add(a, b)));
        z = x;
        cmath_bigInt_sub(&z, &y);
        ASSERT_TRUE(same(z, sub(a, b)));
        if (!less(a, b)) {
            ASSERT_TRUE(same(z, wide{a.lo - b.lo, 0}));
        }
        const uint32_t d = source.word();
        z = x;
        cmath_bigInt_addBase(&z, d);
        ASSERT_TRUE(same(z, add(a, wide{d, 0})));
        z = x;
        cmath_bigInt_multBase(&z, d);
        ASSERT_TRUE(same(z, mul(a, wide{d, 0})));
        // Products of 64-bit operands are exact in 128 bits.
        const cmath_bigInt x64 = toBig(wide{static_cast<uint64_t>(a.lo), 0});
        const cmath_bigInt y64 = toBig(wide{static_cast<uint64_t>(b.lo), 0});
        cmath_bigInt_mul(&x64, &y64, &z);
        ASSERT_TRUE(
            same(z, wide{u128(static_cast<uint64_t>(a.lo)) * static_cast<uint64_t>(b.lo), 0}));
        if (d != 0) {
            cmath_bigInt q;
            uint32_t r = 0;
            ASSERT_EQ(cmath_bigInt_divideBase(&x, &q, &r, d), 0);
            ASSERT_TRUE(same(q, wide{a.lo / d, 0}));
            ASSERT_EQ(r, static_cast<uint32_t>(a.lo % d));
        }
        int32_t flag = -1;
        cmath_bigInt_lessThan(&x, &y, &flag);
        ASSERT_EQ(flag, a.lo < b.lo ? 1 : 0);
        cmath_bigInt_greaterThan(&x, &y, &flag);
        ASSERT_EQ(flag, a.lo > b.lo ? 1 : 0);
        cmath_bigInt_isEqual(&x, &y, &flag);
        ASSERT_EQ(flag, a.lo == b.lo ? 1 : 0);
        ASSERT_EQ(render(x), decimalOf128(a.lo));
    }
}

TEST(BigInt, ArithmeticOver160Bits) {
    valueSource source(2);
    for (int i = 0; i < 20000; ++i) {
        const wide a = source.below(160), b = source.below(160);
        const cmath_bigInt x = toBig(a), y = toBig(b);
        cmath_bigInt z;
        cmath_bigInt_mul(&x, &y, &z);
        ASSERT_TRUE(same(z, mul(a, b)));
        z = x;
        cmath_bigInt_add(&z, &y);
        ASSERT_TRUE(same(z, add(a, b)));
        z = x;
        cmath_bigInt_sub(&z, &y);
        ASSERT_TRUE(same(z, sub(a, b)));
        z = x;
        cmath_bigInt_neg(&z);
        ASSERT_TRUE(same(z, sub(wide{0, 0}, a)));
        z = x;
        cmath_bigInt_inc(&z);
        ASSERT_TRUE(same(z, add(a, wide{1, 0})));
        const uint32_t n = source.upTo(170);
        z = x;
        cmath_bigInt_shiftRight(&z, n);
        ASSERT_TRUE(same(z, shiftRight(a, n))) << n;
        z = x;
        cmath_bigInt_shiftLeft(&z, n);
        ASSERT_TRUE(same(z, shiftLeft(a, n))) << n;
        // Divisors of all 32-bit sizes, 2^31 and above included.
        const uint32_t d = source.word() | 1u;
        uint32_t r = 0, expectedR = 0;
        ASSERT_EQ(cmath_bigInt_divideBase(&x, &z, &r, d), 0);
        ASSERT_TRUE(same(z, divide(a, d, &expectedR)));
        ASSERT_EQ(r, expectedR);
        int32_t flag = -1;
        cmath_bigInt_lessThan(&x, &y, &flag);
        ASSERT_EQ(flag, less(a, b) ? 1 : 0);
        cmath_bigInt_greaterThan(&x, &y, &flag);
        ASSERT_EQ(flag, less(b, a) ? 1 : 0);
        ASSERT_EQ(render(x), decimalByDoubling(a));
    }
}

TEST(BigInt, ResultsMayAliasOperands) {
    valueSource source(3);
    const wide a = source.below(160);
    cmath_bigInt x = toBig(a);
    cmath_bigInt_mul(&x, &x, &x);
    EXPECT_TRUE(same(x, mul(a, a)));
    uint32_t r = 0;
    x = toBig(a);
    cmath_bigInt_divideBase(&x, &x, &r, 12345);
    uint32_t expectedR = 0;
    EXPECT_TRUE(same(x, divide(a, 12345, &expectedR)));
    EXPECT_EQ(r, expectedR);
    x = toBig(a);
    cmath_bigInt_add(&x, &x);
    EXPECT_TRUE(same(x, add(a, a)));
    cmath_bigInt_assign(&x, &x);
    EXPECT_TRUE(same(x, add(a, a)));
}

TEST(BigInt, EdgeValues) {
    cmath_bigInt x;
    cmath_bigInt_init(&x, 0);
    EXPECT_EQ(render(x), "0");
    int32_t flag = -1;
    cmath_bigInt_isZero(&x, &flag);
    EXPECT_EQ(flag, 1);
    cmath_bigInt_init(&x, 1000000000u);
    EXPECT_EQ(render(x), "1000000000");
    cmath_bigInt_isZero(&x, &flag);
    EXPECT_EQ(flag, 0);
    uint32_t low = 0;
    cmath_bigInt_bigIntBase(&x, &low);
    EXPECT_EQ(low, 1000000000u);

    cmath_bigInt all;
    std::memset(&all, 0xFF, sizeof all);
    EXPECT_EQ(render(all), "1461501637330902918203684832716283019655932542975");
    cmath_bigInt_inc(&all);
    EXPECT_TRUE(same(all, wide{0, 0}));

    cmath_bigInt one;
    cmath_bigInt_init(&one, 1);
    cmath_bigInt minusOne = one;
    cmath_bigInt_neg(&minusOne);
    for (uint32_t limb : minusOne.limbs) EXPECT_EQ(limb, 0xFFFFFFFFu);
    cmath_bigInt_add(&minusOne, &one);
    EXPECT_TRUE(same(minusOne, wide{0, 0}));

    cmath_bigInt n;
    cmath_bigInt_init(&n, 900 * 900 + 5);
    cmath_bigInt q;
    uint32_t r = 0;
    EXPECT_EQ(cmath_bigInt_divideBase(&n, &q, &r, 900), 0);
    EXPECT_TRUE(same(q, wide{900, 0}));
    EXPECT_EQ(r, 5u);
    cmath_bigInt_init(&q, 77);
    r = 78;
    EXPECT_EQ(cmath_bigInt_divideBase(&n, &q, &r, 0), CID_STATUS_DIVISION_BY_ZERO);
    EXPECT_TRUE(same(q, wide{77, 0}));
    EXPECT_EQ(r, 78u);
}

TEST(BigInt, Base256Bytes) {
    cmath_bigInt x = toBig(wide{0x010203040506u, 0});
    uint8_t out[6];
    EXPECT_EQ(cmath_bigInt_bigInt2Base256(&x, 6, out), 0);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    // Beyond the 20 bytes of the value the bytes read as 0.
    x = toBig(wide{~u128(0), 0xA1B2C3D4u});
    uint8_t longer[24];
    std::memset(longer, 0x77, sizeof longer);
    EXPECT_EQ(cmath_bigInt_bigInt2Base256(&x, 23, longer), 0);
    EXPECT_EQ(longer[0], 0);
    EXPECT_EQ(longer[2], 0);
    EXPECT_EQ(longer[3], 0xA1);
    EXPECT_EQ(longer[6], 0xD4);
    EXPECT_EQ(longer[22], 0xFF);
    EXPECT_EQ(longer[23], 0x77);
    EXPECT_EQ(cmath_bigInt_bigInt2Base256(&x, -1, longer), CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(cmath_bigInt_bigInt2Base256(&x, 0, longer), 0);
}

TEST(BigInt, DecimalTextNeverPassesTheBufferSize) {
    cmath_bigInt x = toBig(wide{12345678901234567890u, 0});
    const std::string digits = "12345678901234567890";
    char buffer[32];
    for (int32_t size = 0; size <= 24; ++size) {
        std::memset(buffer, '#', sizeof buffer);
        int32_t status = cmath_bigInt_bigInt2Buf(&x, size, buffer);
        if (size >= 21) {
            EXPECT_EQ(status, 0);
            EXPECT_EQ(std::string(buffer), digits);
        } else {
            EXPECT_EQ(status, CID_STATUS_OUT_OF_RANGE);
            if (size > 0) {
                EXPECT_EQ(buffer[0], '\0');
            }
        }
        for (int i = std::max(size, 21); i < 32; ++i) EXPECT_EQ(buffer[i], '#') << size;
    }
    EXPECT_EQ(cmath_bigInt_bigInt2Buf(&x, -4, buffer), CID_STATUS_OUT_OF_RANGE);
}

TEST(BigInt, DecimalTextOnTwoThreadsAtOnce) {
    auto work = [](uint32_t seed, int* mismatches) {
        valueSource source(seed);
        for (int i = 0; i < 3000; ++i) {
            const wide a = source.below(160);
            char buffer[64];
            cmath_bigInt x = toBig(a);
            cmath_bigInt_bigInt2Buf(&x, sizeof buffer, buffer);
            if (buffer != decimalByDoubling(a)) ++*mismatches;
        }
    };
    int first = 0, second = 0;
    std::thread other(work, 10, &first);
    work(11, &second);
    other.join();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 0);
}

TEST(BigInt, NullArgumentsArePreconditions) {
    cmath_bigInt x;
    cmath_bigInt_init(&x, 5);
    int32_t flag = 0;
    uint32_t r = 0;
    char buffer[8];
    EXPECT_PRECONDITION(cmath_bigInt_init(nullptr, 1));
    EXPECT_PRECONDITION(cmath_bigInt_isEqual(&x, nullptr, &flag));
    EXPECT_PRECONDITION(cmath_bigInt_divideBase(&x, nullptr, &r, 3));
    EXPECT_PRECONDITION(cmath_bigInt_bigInt2Buf(&x, 8, nullptr));
    EXPECT_PRECONDITION(cmath_bigInt_bigInt2Buf(nullptr, 8, buffer));
    EXPECT_PRECONDITION(cmath_bigInt_mul(&x, &x, nullptr));
}

}  // namespace
