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
    } const cases[] = {{32, 32, 0, 0, 1, 0},  {64, 64, 5, 3, 1, 4},  {128, 128, 0, 0, 1, 0},
                       {256, 256, 17, 0, 0, 0}, {512, 512, 0, 0, 1, 7}, {512, 32, 2, 9, 0, 0},
                       {32, 256, 0, 100, 0, 0}, {128, 64, 31, 31, 0, 0}};
    for (const auto& c : cases) {
        const size_t count = size_t(c.width) * c.height;
        const std::vector<uint8_t> pixels = cid_test::randomBytes(count, uint32_t(count + c.topRows));
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

}  // namespace
