// The 16-bit fixed-point kernels at every size against a double DFT, both directions (the 32-bit
// kernels are reached at every size through the public transforms).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ci_id/priv/ci_idut/fft/fft_fixed_kernel.h"
#include "reference_dft.h"

namespace {

namespace kernel = cidut::fftfixed;
using cid_test::complexd;

TEST(FixedFFTKernels, SixteenBitKernelsMatchTheDoubleDftInBothDirections) {
    for (int log2n = kernel::kMinLog2; log2n <= kernel::kMaxLog2; ++log2n) {
        const int n = 1 << log2n;
        const std::vector<uint8_t> bytes = cid_test::randomBytes(2 * size_t(n), uint32_t(log2n));
        std::vector<cf_fixedComplex16> in(n), out(n);
        std::vector<complexd> x(n), y(n);
        for (int sign : {-1, 1}) {
            for (int i = 0; i < n; ++i) {  // the kernels use their input as work space
                in[i] = {int16_t((bytes[2 * i] - 128) * 32),
                         int16_t((bytes[2 * i + 1] - 128) * 32)};
                // Every radix-4 stage halves.
                x[i] = complexd(in[i].re, in[i].im) * std::ldexp(1.0, -(log2n - 1) / 2);
            }
            (sign < 0 ? kernel::forward16 : kernel::inverse16)(in.data(), out.data(), log2n);
            for (int i = 0; i < n; ++i) y[i] = {double(out[i].re), double(out[i].im)};
            EXPECT_GT(cid_test::signalToNoiseDb(y, cid_test::referenceDft(x, sign)), 40.0) << n;
        }
    }
}

}  // namespace
