// Fixed-point transforms against a double-precision DFT, round trips, exact values and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cwchar>
#include <vector>

#include "ci_id/fft.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/status.h"
#include "reference_dft.h"
#include "test_support.h"

namespace {

using cid_test::complexd;

int log2Of(int n) {
    int log2n = 0;
    while ((1 << log2n) < n) ++log2n;
    return log2n;
}

int32_t scale32(int width) { return static_cast<int32_t>((1u << (31 - log2Of(width))) / 255u); }

// Radix-4 stages of one transform: each halves in the 16-bit kernels.
int radix4Stages(int n) { return (log2Of(n) - 1) / 2; }

std::vector<complexd> toComplex(const std::vector<cf_fixedComplex32>& v) {
    std::vector<complexd> out;
    for (auto& c : v) out.emplace_back(c.re, c.im);
    return out;
}

// Element [v][u] of an uncentred n-wide spectrum as stored by a centred transform.
size_t centredIndex(int v, int u, int height, int width) {
    return size_t((v + height / 2) % height) * width + (u + width / 2) % width;
}

struct size2 {
    int width, height;
};

const size2 kSizes32[] = {{32, 32},   {64, 64}, {128, 128}, {256, 256},
                          {512, 512}, {64, 32}, {32, 128}};

TEST(FixedFFT32, ForwardMatchesDoubleDftOnRandomImages) {
    uint32_t seed = 1;
    for (const size2& size : kSizes32) {
        const int w = size.width, h = size.height;
        auto pixels = cid_test::randomBytes(size_t(w) * h, seed++);
        std::vector<cf_fixedComplex32> spectrum(pixels.size());
        ASSERT_EQ(cf2DFFT_32x32_fixed(0, 0, pixels.data(), spectrum.data(), w, h, 0, 0), 0);
        std::vector<complexd> input(pixels.size());
        const double s = scale32(w);
        for (size_t i = 0; i < pixels.size(); ++i) input[i] = pixels[i] * s / h;
        auto reference = cid_test::referenceDft2D(input, h, w, -1);
        double snr = cid_test::signalToNoiseDb(toComplex(spectrum), reference);
        EXPECT_GT(snr, 60.0) << w << " x " << h;
    }
}

TEST(FixedFFT32, CentredOutputIsTheShiftedSpectrum) {
    for (int n : {32, 128}) {
        auto pixels = cid_test::randomBytes(size_t(n) * n, 7);
        std::vector<cf_fixedComplex32> plain(pixels.size()), centred(pixels.size());
        ASSERT_EQ(cf2DFFT_32x32_fixed(0, 0, pixels.data(), plain.data(), n, n, 0, 0), 0);
        for (int shift : {0, 5}) {
            ASSERT_EQ(cf2DFFT_32x32_fixed(1, shift, pixels.data(), centred.data(), n, n, 0, 0), 0);
            for (int v = 0; v < n; ++v) {
                for (int u = 0; u < n; ++u) {
                    const cf_fixedComplex32& a = plain[size_t(v) * n + u];
                    const cf_fixedComplex32& b = centred[centredIndex(v, u, n, n)];
                    ASSERT_EQ(b.re, a.re >> shift);
                    ASSERT_EQ(b.im, a.im >> shift);
                }
            }
        }
    }
}

TEST(FixedFFT32, ConstantImageHasOnlyDc) {
    std::vector<uint8_t> pixels(32 * 32, 255);
    std::vector<cf_fixedComplex32> spectrum(pixels.size());
    ASSERT_EQ(cf2DFFT_32x32_fixed(0, 0, pixels.data(), spectrum.data(), 32, 32, 0, 0), 0);
    EXPECT_EQ(spectrum[0].re, 2147483520);
    EXPECT_EQ(spectrum[0].im, 0);
    for (size_t i = 1; i < spectrum.size(); ++i) {
        ASSERT_EQ(spectrum[i].re, 0) << i;
        ASSERT_EQ(spectrum[i].im, 0) << i;
    }
    ASSERT_EQ(cf2DFFT_32x32_fixed(1, 0, pixels.data(), spectrum.data(), 32, 32, 0, 0), 0);
    EXPECT_EQ(spectrum[16 * 32 + 16].re, 2147483520);
}

TEST(FixedFFT32, MarginRowsCountAsZero) {
    const int w = 64, h = 32;
    auto pixels = cid_test::randomBytes(size_t(w) * h, 11);
    auto cleared = pixels;
    for (int r = 0; r < h; ++r) {
        if (r < 3 || r >= h - 5)
            std::fill(cleared.begin() + r * w, cleared.begin() + (r + 1) * w, 0);
    }
    std::vector<cf_fixedComplex32> a(pixels.size()), b(pixels.size());
    ASSERT_EQ(cf2DFFT_32x32_fixed(0, 0, pixels.data(), a.data(), w, h, 3, 5), 0);
    ASSERT_EQ(cf2DFFT_32x32_fixed(0, 0, cleared.data(), b.data(), w, h, 0, 0), 0);
    for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(a[i].re, b[i].re);
        ASSERT_EQ(a[i].im, b[i].im);
    }
}

TEST(FixedFFT32, ForwardThenInverseGivesTheScaledImage) {
    uint32_t seed = 20;
    for (const size2& size : kSizes32) {
        const int w = size.width, h = size.height;
        auto pixels = cid_test::randomBytes(size_t(w) * h, seed++);
        std::vector<cf_fixedComplex32> spectrum(pixels.size());
        std::vector<int32_t> image(pixels.size());
        const int centre = w == h ? 1 : 0;
        ASSERT_EQ(cf2DFFT_32x32_fixed(centre, 0, pixels.data(), spectrum.data(), w, h, 0, 0), 0);
        int32_t maxNegative = -1;
        ASSERT_EQ(cf2DIFFT_32x32_fixed(centre, spectrum.data(), image.data(), w, h, &maxNegative),
                  0);
        const double unit = double(scale32(w)) * w / 1024.0;  // one grey level
        double worst = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
            worst = std::max(worst, std::fabs(image[i] / unit - pixels[i]));
        }
        EXPECT_LT(worst, 0.25) << w << " x " << h;
        EXPECT_GE(maxNegative, 0);
        EXPECT_LT(maxNegative, unit * 0.25);
    }
}

TEST(FixedFFT32, InverseReportsTheMostNegativeValue) {
    const int n = 32;
    std::vector<cf_fixedComplex32> spectrum(n * n, cf_fixedComplex32{0, 0});
    spectrum[0] = {-(1 << 20), 0};  // a constant -(2^20) >> 10 = -1024 everywhere
    std::vector<int32_t> image(n * n);
    int32_t maxNegative = 0;
    ASSERT_EQ(cf2DIFFT_32x32_fixed(0, spectrum.data(), image.data(), n, n, &maxNegative), 0);
    EXPECT_EQ(image[5], -1024);
    EXPECT_EQ(maxNegative, 1024);
    spectrum.assign(n * n, cf_fixedComplex32{0, 0});
    spectrum[0] = {1 << 20, 0};
    ASSERT_EQ(cf2DIFFT_32x32_fixed(0, spectrum.data(), image.data(), n, n, &maxNegative), 0);
    EXPECT_EQ(maxNegative, 0);
    EXPECT_EQ(cf2DIFFT_32x32_fixed(0, spectrum.data(), image.data(), n, n, nullptr), 0);
}

// 16-bit values between the passes limit the precision: the row results of white noise keep only
// a few units once shifted by log2 n - 1 into the column headroom, and the larger sizes halve more
// often than their pixel scaling makes up for; at 512 the noise outweighs the signal. The floors
// lie a few dB under what the scaling reaches (41.5, 32.8, 16.8, 8.1 and -6.7 dB).
TEST(FixedFFT16, ForwardMatchesDoubleDftOnRandomImages) {
    const struct {
        int n;
        double minimumDb;
    } cases[] = {{32, 38}, {64, 30}, {128, 14}, {256, 5}, {512, -9}};
    uint32_t seed = 40;
    for (const auto& test : cases) {
        const int n = test.n;
        auto bytes = cid_test::randomBytes(size_t(n) * n, seed++);
        std::vector<uint16_t> pixels(bytes.begin(), bytes.end());
        std::vector<cf_fixedComplex16> spectrum(pixels.size());
        ASSERT_EQ(cf2DFFT_16x16_fixed(pixels.data(), spectrum.data(), n), 0);
        // Pixels times (32768 >> (log2 n - 1)) / 255; both passes halve once per radix-4 stage
        // and the row results are shifted by log2 n - 1 between them.
        const int scale = 32768 >> (log2Of(n) - 1);
        const double gain = std::ldexp(1.0, -(2 * radix4Stages(n) + log2Of(n) - 1));
        std::vector<complexd> input(pixels.size());
        for (size_t i = 0; i < pixels.size(); ++i) input[i] = (pixels[i] * scale / 255) * gain;
        auto reference = cid_test::referenceDft2D(input, n, n, -1);
        std::vector<complexd> value(pixels.size());
        for (int v = 0; v < n; ++v) {
            for (int u = 0; u < n; ++u) {
                const cf_fixedComplex16& c = spectrum[centredIndex(v, u, n, n)];
                value[size_t(v) * n + u] = complexd(c.re, c.im);
            }
        }
        EXPECT_GT(cid_test::signalToNoiseDb(value, reference), test.minimumDb) << n;
    }
    std::vector<uint16_t> white(32 * 32, 255);
    std::vector<cf_fixedComplex16> spectrum(white.size());
    ASSERT_EQ(cf2DFFT_16x16_fixed(white.data(), spectrum.data(), 32), 0);
    EXPECT_EQ(spectrum[16 * 32 + 16].re, 8192);
}

TEST(FixedFFT16, InverseGivesThePowerOfTheDoubleInverse) {
    uint32_t seed = 60;
    for (int n : {32, 64, 128, 256, 512}) {
        // A random spectrum small enough for the 16-bit headroom.
        auto re = cid_test::randomBytes(size_t(n) * n, seed++);
        auto im = cid_test::randomBytes(size_t(n) * n, seed++);
        std::vector<cf_fixedComplex16> spectrum(re.size());
        std::vector<complexd> input(re.size());
        const double gain = std::ldexp(1.0, -2 * radix4Stages(n));
        for (size_t i = 0; i < re.size(); ++i) {
            spectrum[i] = {int16_t((re[i] - 128) * 16), int16_t((im[i] - 128) * 16)};
            input[i] = complexd(spectrum[i].re, spectrum[i].im) * gain;
        }
        std::vector<uint16_t> image(re.size());
        ASSERT_EQ(cf2DIFFT_16x16_fixed(spectrum.data(), image.data(), n), 0);
        auto reference = cid_test::referenceDft2D(input, n, n, +1);
        int exact = 0;
        for (size_t i = 0; i < image.size(); ++i) {
            int32_t a = int32_t(std::floor(reference[i].real())) >> 8;
            int32_t b = int32_t(std::floor(reference[i].imag())) >> 8;
            int32_t expected = (a * a + b * b) >> 8;
            // Rounding may move a or b by one unit across a multiple of 256.
            int32_t allowed = ((2 * (std::abs(a) + std::abs(b)) + 2) >> 8) + 1;
            ASSERT_LE(std::abs(image[i] - expected), allowed) << n << " " << i;
            exact += image[i] == expected;
        }
        EXPECT_GT(exact, int(image.size() * 9 / 10)) << n;
    }
}

TEST(FixedFFT1D, PowerSpectrumOfAPaddedRow) {
    for (int n : {32, 64, 128, 256, 512}) {
        const int count = n - 7;
        auto pixels = cid_test::randomBytes(size_t(count), uint32_t(n));
        std::vector<uint32_t> power(n, 12345);
        ASSERT_EQ(cf1DFFT_32x32_fixed(pixels.data(), count, power.data(), n), 0);
        EXPECT_EQ(power[0], 0u);
        const double s = scale32(n);
        std::vector<complexd> input(n);
        for (int i = 0; i < n; ++i) input[i] = pixels[std::min(i, count - 1)] * s;
        auto reference = cid_test::referenceDft(input, -1);
        const double unit = std::ldexp(1.0, log2Of(n) + 13);
        for (int k = 1; k < n; ++k) {
            double expected = std::norm(reference[k] / unit);
            // One unit of truncation in each part.
            double allowed = 3 * std::abs(reference[k]) / unit + 2;
            ASSERT_NEAR(power[k], expected, allowed) << n << " " << k;
        }
    }
}

TEST(FixedFFT, UnsupportedSizesAndMargins) {
    std::vector<uint8_t> pixels(1024 * 1024, 1);
    std::vector<cf_fixedComplex32> spectrum(pixels.size());
    std::vector<int32_t> image(pixels.size());
    std::vector<uint16_t> pixels16(pixels.size(), 1);
    std::vector<cf_fixedComplex16> spectrum16(pixels.size());
    uint32_t power[1024];
    for (int bad : {0, -32, 16, 48, 1024}) {
        EXPECT_EQ(cf2DFFT_32x32_fixed(0, 0, pixels.data(), spectrum.data(), bad, 32, 0, 0),
                  CID_STATUS_NOT_AVAILABLE);
        EXPECT_EQ(cf2DFFT_32x32_fixed(0, 0, pixels.data(), spectrum.data(), 32, bad, 0, 0),
                  CID_STATUS_NOT_AVAILABLE);
        EXPECT_EQ(cf2DIFFT_32x32_fixed(0, spectrum.data(), image.data(), bad, 32, nullptr),
                  CID_STATUS_NOT_AVAILABLE);
        EXPECT_EQ(cf2DFFT_16x16_fixed(pixels16.data(), spectrum16.data(), bad),
                  CID_STATUS_NOT_AVAILABLE);
        EXPECT_EQ(cf2DIFFT_16x16_fixed(spectrum16.data(), pixels16.data(), bad),
                  CID_STATUS_NOT_AVAILABLE);
        EXPECT_EQ(cf1DFFT_32x32_fixed(pixels.data(), 10, power, bad), CID_STATUS_NOT_AVAILABLE);
    }
    EXPECT_EQ(cf2DFFT_32x32_fixed(0, 0, pixels.data(), spectrum.data(), 32, 32, 16, 0),
              CID_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(cf2DFFT_32x32_fixed(0, 0, pixels.data(), spectrum.data(), 32, 32, 0, 16),
              CID_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(cf2DFFT_32x32_fixed(0, 0, pixels.data(), spectrum.data(), 32, 32, -1, 0),
              CID_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(cf2DFFT_32x32_fixed(0, 0, pixels.data(), spectrum.data(), 32, 32, 15, 15), 0);
    EXPECT_EQ(cf1DFFT_32x32_fixed(pixels.data(), 0, power, 32), CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(cf1DFFT_32x32_fixed(pixels.data(), 33, power, 32), CID_STATUS_OUT_OF_RANGE);
    EXPECT_PRECONDITION(cf2DFFT_32x32_fixed(0, 0, nullptr, spectrum.data(), 32, 32, 0, 0));
    EXPECT_PRECONDITION(cf2DFFT_32x32_fixed(1, 0, pixels.data(), spectrum.data(), 64, 32, 0, 0));
    EXPECT_PRECONDITION(cf2DFFT_32x32_fixed(1, 32, pixels.data(), spectrum.data(), 32, 32, 0, 0));
    EXPECT_PRECONDITION(cf2DIFFT_32x32_fixed(0, nullptr, image.data(), 32, 32, nullptr));
    EXPECT_PRECONDITION(cf2DFFT_16x16_fixed(pixels16.data(), nullptr, 32));
    EXPECT_PRECONDITION(cf1DFFT_32x32_fixed(pixels.data(), 10, nullptr, 32));
}

TEST(FixedFFT, AllocationFailuresLeaveNothingBehind) {
    std::vector<uint8_t> pixels(64 * 64, 9);
    std::vector<cf_fixedComplex32> spectrum(pixels.size());
    std::vector<int32_t> image(pixels.size());
    std::vector<uint16_t> pixels16(pixels.size(), 9);
    std::vector<cf_fixedComplex16> spectrum16(pixels.size());
    uint32_t power[64];
    cid_test::countingAllocator counter;
    counter.failAfter(0);
    EXPECT_EQ(cf2DFFT_32x32_fixed(1, 0, pixels.data(), spectrum.data(), 64, 64, 0, 0),
              CSYS_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(cf2DIFFT_32x32_fixed(1, spectrum.data(), image.data(), 64, 64, nullptr),
              CSYS_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(cf2DFFT_16x16_fixed(pixels16.data(), spectrum16.data(), 64),
              CSYS_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(cf2DIFFT_16x16_fixed(spectrum16.data(), pixels16.data(), 64),
              CSYS_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(cf1DFFT_32x32_fixed(pixels.data(), 64, power, 64), CSYS_STATUS_OUT_OF_MEMORY);
    counter.neverFail();
    EXPECT_EQ(cf2DFFT_32x32_fixed(1, 0, pixels.data(), spectrum.data(), 64, 64, 0, 0), 0);
    EXPECT_EQ(counter.live(), 0);
}

}  // namespace
