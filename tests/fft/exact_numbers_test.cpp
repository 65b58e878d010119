// Exact numbers of the transforms: the 16-bit scaling at every size, the last bits of the 32-bit
// inverse, the inhibit hook of the fixed-point transforms, and the float FFT's twiddle seeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <numeric>
#include <vector>

#include "ci_id/fft.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/status.h"
#include "view.h"

namespace {

TEST(FixedScaling, AllWhiteDcOfThe16BitTransformBySize) {
    // Pixels times (32768 >> (log2 N - 1)) / 255, halved by every radix-4 stage of both passes
    // ((log2 N - 1) / 2 each) and shifted by log2 N - 1 between them.
    for (const auto& r :
         {std::make_pair(32, 8192), std::make_pair(64, 8192), std::make_pair(128, 2048),
          std::make_pair(256, 2048), std::make_pair(512, 512)}) {
        std::vector<uint16_t> pixels(size_t(r.first * r.first), 255);
        std::vector<cf_fixedComplex16> f(pixels.size());
        ASSERT_EQ(cf2DFFT_16x16_fixed(pixels.data(), f.data(), r.first), 0);
        EXPECT_EQ(f[size_t(r.first / 2 * r.first + r.first / 2)].re, r.second) << r.first;
        EXPECT_EQ(std::count_if(f.begin(), f.end(), [](auto v) { return v.re || v.im; }), 1);
    }
}

TEST(FixedScaling, InverseShiftsByTenAfterTheWholeTransform) {
    // A DC value X alone: every twiddled branch multiplies by cos 0 = 2147483647 / 2^31, which
    // truncates a positive value by 1. A row of length 32 so returns X twice, X - 1 twelve times
    // and X - 2 eighteen times; the columns do the same to each of those. With X = 1026 the
    // outputs X - d pass 1024 (one after the shift of 10) exactly when d <= 2:
    // 2*2 + 2*(2*12) + 2*(2*18) + 12*12 = 268 of them.
    std::vector<cf_fixedComplex32> spectrum(32 * 32, cf_fixedComplex32{0, 0});
    spectrum[0] = {1026, 0};
    std::vector<int32_t> image(32 * 32, -7);
    ASSERT_EQ(cf2DIFFT_32x32_fixed(0, spectrum.data(), image.data(), 32, 32, nullptr), 0);
    EXPECT_EQ(std::accumulate(image.begin(), image.end(), 0), 268);
    EXPECT_EQ(*std::max_element(image.begin(), image.end()), 1);
    EXPECT_EQ(*std::min_element(image.begin(), image.end()), 0);
}

TEST(FixedScaling, InhibitedTransformsAreNotAvailable) {
    // One block of 32 x 32 values serves every buffer of the five calls.
    std::vector<cf_fixedComplex32> a(32 * 32, {9, 9}), b(32 * 32, {9, 9});
    auto* bytes = reinterpret_cast<uint8_t*>(a.data());
    auto* words = reinterpret_cast<uint16_t*>(a.data());
    const cprt_optimizationInhibitedFunction previous = cprt_isOptimizationInhibitedFP;
    cprt_isOptimizationInhibitedFP = [](const wchar_t* name) -> int32_t {
        return std::wcsstr(name, L"_fixed") != nullptr;
    };
    const int32_t statuses[] = {
        cf2DFFT_32x32_fixed(0, 0, bytes, b.data(), 32, 32, 0, 0),
        cf2DIFFT_32x32_fixed(0, b.data(), reinterpret_cast<int32_t*>(a.data()), 32, 32, nullptr),
        cf2DFFT_16x16_fixed(words, reinterpret_cast<cf_fixedComplex16*>(b.data()), 32),
        cf2DIFFT_16x16_fixed(reinterpret_cast<cf_fixedComplex16*>(b.data()), words, 32),
        cf1DFFT_32x32_fixed(bytes, 32, reinterpret_cast<uint32_t*>(b.data()), 32)};
    cprt_isOptimizationInhibitedFP = previous;
    for (const int32_t status : statuses) EXPECT_EQ(status, CID_STATUS_NOT_AVAILABLE);
    EXPECT_EQ(cf1DFFT_32x32_fixed(bytes, 32, reinterpret_cast<uint32_t*>(b.data()), 32), 0);
}

TEST(TwiddleSeed, QuarterTurnCarriesTheSixDigitCosine) {
    // x = (0, 1, 0, 0): after the bit reversal the second stage's twiddle for X[1] is
    // 1 * (cos(pi/2) - i sin(pi/2)) from the seeds, 6.12303e-17 - i, and X[1] is that twiddle.
    cid_test::greyImage row(4, 1, 0);
    row.at(1, 0) = 1;
    cid_test::windowedImage view(row);
    cimg_image out;
    cimg_image_constructUnbound(&out);
    ASSERT_EQ(cfPelFFT(view.get(), &out, 0, 1), 0);
    const double* x = reinterpret_cast<const double*>(out.asConst.pixels);
    EXPECT_EQ(std::vector<double>(x, x + 4), (std::vector<double>{1.0, 0.0, 6.12303e-17, -1.0}));
    cimg_image_destruct(&out);
}

}  // namespace
