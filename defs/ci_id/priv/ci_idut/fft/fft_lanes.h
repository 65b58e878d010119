// Transform kernels run on many sequences at once: element k of sequence l sits at row k,
// column l of a row-major array, so every butterfly works on whole rows with one twiddle and a
// vector instruction serves several sequences. Each sequence goes through exactly the arithmetic
// of the portable one-sequence kernel, so the results are identical.
#pragma once

#include <cstdint>

#include "ci_id/fft.h"

#if defined(__x86_64__) || defined(__i386__)
#define CIDUT_FFT_HAVE_LANES 1
#else
#define CIDUT_FFT_HAVE_LANES 0
#endif

#if CIDUT_FFT_HAVE_LANES
namespace cidut {

// True when this processor runs the kernels below (AVX2).
bool fftLanesAvailable();

namespace fftfixed {

// forward32 on each of lanes sequences of length 2^log2n (lanes a multiple of 4); work is n rows
// of lanes values and is overwritten, out receives n rows of lanes values.
void forward32Lanes(cf_fixedComplex32* work, cf_fixedComplex32* out, int log2n, int32_t lanes);

}  // namespace fftfixed

// The radix-2 stages of the double transform, in place, on n rows of lanes interleaved complex
// values whose rows are already in bit-reversed order (any lanes >= 1). twiddles holds, for the
// stage of half-length h = 1, 2, ... n/2, the twiddles of butterfly columns m < h as complex
// values at h - 1 + m.
void radix2Lanes(double* rows, int32_t n, int32_t lanes, const double* twiddles);

}  // namespace cidut
#endif
