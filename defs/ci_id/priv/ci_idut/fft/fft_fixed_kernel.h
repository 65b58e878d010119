// One-dimensional fixed-point FFT kernels shared by the 2-D transforms, and their twiddle tables.
//
// The kernels run radix-4 decimation-in-frequency stages while the length left is above the
// final-stage size (2 when log2 n is odd, 4 when even), then one twiddle-free radix-2 or radix-4
// stage that writes to base-4 digit-reversed places, so out is the DFT in natural order. work is
// the input and is overwritten; out must not overlap it.
//
// Twiddle tables hold, per radix-4 stage (length L = n, n/4, ...) and butterfly j < L/4, sin and
// cos of 2 pi j m / L for m = 1, 2, 3, truncated. 32-bit: Q31 (1.0 stored as 2^31 - 1), six
// values per butterfly in the order sin, cos for m = 1, 2, 3. 16-bit: Q15 (1.0 as 32767),
// arranged for two butterflies at a time: sin j, cos j, sin j+1, cos j+1 for m = 1, then m = 2,
// then m = 3.
#pragma once

#include <cstdint>

#include "ci_id/fft.h"

namespace cidut {
namespace fftfixed {

// A complex value of the wide inverse transform.
struct complex64 {
    int64_t re;
    int64_t im;
};

constexpr int kMinLog2 = 5;
constexpr int kMaxLog2 = 9;

// log2 n for a supported length (32 .. 512, power of two), else -1.
int supportedLog2(int32_t n);

// Number of values of the twiddle table for n = 2^log2n (the same for both precisions).
int32_t twiddleCount(int log2n);
const int32_t* twiddles32(int log2n);
const int16_t* twiddles16(int log2n);

// Unscaled 32-bit transforms with wrap-around additions; products are Q31 shifted right by 31.
void forward32(cf_fixedComplex32* work, cf_fixedComplex32* out, int log2n);
void inverse32(cf_fixedComplex32* work, cf_fixedComplex32* out, int log2n);
// The 32-bit inverse in 64-bit values: the same results wherever the 32-bit sums do not wrap.
void inverse64(complex64* work, complex64* out, int log2n);
// 16-bit transforms whose radix-4 stages halve with rounding.
void forward16(cf_fixedComplex16* work, cf_fixedComplex16* out, int log2n);
void inverse16(cf_fixedComplex16* work, cf_fixedComplex16* out, int log2n);

}  // namespace fftfixed
}  // namespace cidut
