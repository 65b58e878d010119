// The fixed-point kernels' constant tables and one-dimensional transforms.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ci_id/priv/ci_idut/fft/fft_fixed_kernel.h"
#include "reference_dft.h"

namespace {

namespace kernel = cidut::fftfixed;
using cid_test::complexd;

TEST(FixedFFTTables, OpenWithTheKnownValues) {
    const int32_t expected32[] = {0,         2147483647, 0,          2147483647,
                                  0,         2147483647, 418953276,  2106220351,
                                  821806413, 1984016188, 1193077990, 1785567395};
    const int32_t* table32 = kernel::twiddles32(5);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(table32[i], expected32[i]) << i;
    const int16_t expected16[] = {0,     32767, 6392, 32137, 0,     32767,
                                  12539, 30273, 0,    32767, 18204, 27245};
    const int16_t* table16 = kernel::twiddles16(5);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(table16[i], expected16[i]) << i;
}

TEST(FixedFFTTables, EveryEntryIsTheTruncatedSineOrCosine) {
    for (int log2n = kernel::kMinLog2; log2n <= kernel::kMaxLog2; ++log2n) {
        const int32_t* table32 = kernel::twiddles32(log2n);
        const int16_t* table16 = kernel::twiddles16(log2n);
        const int finalSize = (log2n & 1) ? 2 : 4;
        int32_t next = 0;
        for (int length = 1 << log2n; length > finalSize; length >>= 2) {
            for (int j = 0; j < length / 4; ++j) {
                for (int m = 1; m <= 3; ++m) {
                    double angle = 2 * M_PI * j * m / length;
                    for (int part = 0; part < 2; ++part) {
                        double value = part == 0 ? std::sin(angle) : std::cos(angle);
                        double q31 = std::min(std::trunc(value * 2147483648.0), 2147483647.0);
                        double q15 = std::min(std::trunc(value * 32768.0), 32767.0);
                        ASSERT_NEAR(table32[next + 2 * (m - 1) + part], q31, 1.0);
                        int index16 = 12 * (j / 2) + 4 * (m - 1) + 2 * (j % 2) + part;
                        ASSERT_NEAR(table16[6 * (next / 6 - j) + index16], q15, 1.0);
                    }
                }
                next += 6;
            }
        }
        EXPECT_EQ(next, kernel::twiddleCount(log2n));
    }
}

TEST(FixedFFTKernels, MatchTheDoubleDft) {
    for (int log2n = kernel::kMinLog2; log2n <= kernel::kMaxLog2; ++log2n) {
        const int n = 1 << log2n;
        auto bytes = cid_test::randomBytes(2 * size_t(n), uint32_t(log2n));
        std::vector<cf_fixedComplex32> work32(n), out32(n);
        std::vector<cf_fixedComplex16> work16(n), out16(n);
        std::vector<complexd> input32(n), input16(n);
        const int stages = (log2n - 1) / 2;
        for (int sign : {-1, 1}) {
            for (int i = 0; i < n; ++i) {
                // Headroom: the sum of magnitudes stays below 2^31 (32-bit), inputs below 2^13.
                int32_t re = (bytes[2 * i] - 128) * (1 << (23 - log2n));
                int32_t im = (bytes[2 * i + 1] - 128) * (1 << (23 - log2n));
                work32[i] = {re, im};
                input32[i] = complexd(re, im);
                work16[i] = {int16_t((bytes[2 * i] - 128) * 32),
                             int16_t((bytes[2 * i + 1] - 128) * 32)};
                input16[i] = complexd(work16[i].re, work16[i].im) * std::ldexp(1.0, -stages);
            }
            if (sign < 0) {
                kernel::forward32(work32.data(), out32.data(), log2n);
                kernel::forward16(work16.data(), out16.data(), log2n);
            } else {
                kernel::inverse32(work32.data(), out32.data(), log2n);
                kernel::inverse16(work16.data(), out16.data(), log2n);
            }
            auto reference32 = cid_test::referenceDft(input32, sign);
            auto reference16 = cid_test::referenceDft(input16, sign);
            std::vector<complexd> value32, value16;
            for (int i = 0; i < n; ++i) {
                value32.emplace_back(out32[i].re, out32[i].im);
                value16.emplace_back(out16[i].re, out16[i].im);
            }
            EXPECT_GT(cid_test::signalToNoiseDb(value32, reference32), 100.0) << n << " " << sign;
            EXPECT_GT(cid_test::signalToNoiseDb(value16, reference16), 40.0) << n << " " << sign;
        }
    }
}

}  // namespace
