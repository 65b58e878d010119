// The optimised transforms against their portable kernels, bit for bit, on seeded random input:
// the fixed-point forward transform with margins and centring, the radix-2 double transform on
// padded windows.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "ci_id/fft.h"
#include "ci_id/platform/csys_runtime.h"
#include "reference_dft.h"
#include "view.h"

namespace {

// Runs call with the optimised kernels inhibited, then restores the absent hook.
template <typename Call>
auto portably(Call call) {
    cprt_isOptimizationInhibitedFP = [](const wchar_t* name) -> int32_t {
        return !std::wcscmp(name, L"cidut_fftFixedLanes") || !std::wcscmp(name, L"cf2DFFT") ||
               !std::wcscmp(name, L"cf1DRealFFT");
    };
    auto result = call();
    cprt_isOptimizationInhibitedFP = nullptr;
    return result;
}

TEST(OptimisedFFT, FixedForwardEqualsThePortableKernel) {
    struct {
        int width, height, topRows, bottomRows, centre, outShift;
    } const cases[] = {{32, 32, 0, 0, 1, 0},    {64, 64, 5, 3, 1, 4},   {128, 128, 0, 0, 1, 0},
                       {256, 256, 17, 0, 0, 0}, {512, 512, 0, 0, 1, 7}, {512, 32, 2, 9, 0, 0},
                       {32, 256, 0, 100, 0, 0}, {128, 64, 31, 31, 0, 0}};
    for (const auto& c : cases) {
        const size_t count = size_t(c.width) * c.height;
        const std::vector<uint8_t> pixels =
            cid_test::randomBytes(count, uint32_t(count + c.topRows));
        auto transform = [&] {
            std::vector<cf_fixedComplex32> spectrum(count);
            EXPECT_EQ(cf2DFFT_32x32_fixed(c.centre, c.outShift, pixels.data(), spectrum.data(),
                                          c.width, c.height, c.topRows, c.bottomRows),
                      0);
            return spectrum;
        };
        const std::vector<cf_fixedComplex32> fast = transform(), portable = portably(transform);
        EXPECT_EQ(std::memcmp(fast.data(), portable.data(), count * sizeof(fast[0])), 0)
            << c.width << " x " << c.height;
    }
}

// The bytes of a double image's window, row by row.
std::vector<uint8_t> windowBytes(const cimg_image& image) {
    const cimg_windowConst w = cid_test::windowOf(&image.asConst);
    std::vector<uint8_t> bytes;
    for (int32_t y = 0; y < w.height; ++y) {
        const uint8_t* row = w.pixels + y * w.pitch;
        bytes.insert(bytes.end(), row, row + 8 * size_t(w.width));
    }
    return bytes;
}

TEST(OptimisedFFT, RadixTwoTransformsEqualThePortableKernel) {
    struct {
        int width, height, rowsOnly;
    } const cases[] = {{1, 1, 0},    {2, 8, 0},  {16, 4, 0},   {64, 32, 0}, {256, 256, 0},
                       {8, 1024, 0}, {32, 7, 1}, {128, 48, 1}, {4, 1, 1}};
    for (const auto& c : cases) {
        const cid_test::windowedImage source(
            cid_test::randomGreyImage(c.width, c.height, uint32_t(c.width * 3 + c.height)),
            {3, 2, 5, 1, 7});
        auto transform = [&] {
            cimg_image out;
            cimg_image_constructUnbound(&out);
            EXPECT_EQ(cfPelFFT(source.get(), &out, 0, c.rowsOnly), 0);
            std::vector<uint8_t> bytes = windowBytes(out);
            if (!c.rowsOnly) {  // the power spectrum into a caller's work buffer
                std::vector<double> work(2 * size_t(c.width) * c.height);
                EXPECT_EQ(
                    cidut_2dFFTPwrSpec_win8_(source.get(), work.data(), int32_t(work.size()), &out),
                    0);
                const std::vector<uint8_t> power = windowBytes(out);
                bytes.insert(bytes.end(), power.begin(), power.end());
            }
            cimg_image_destruct(&out);
            return bytes;
        };
        EXPECT_EQ(transform(), portably(transform)) << c.width << " x " << c.height;
    }
}

}  // namespace
