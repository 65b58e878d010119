// The 32-bit forward kernel run on many sequences at once: element k of sequence l sits at
// rows[k * lanes + l], so every butterfly works on whole rows with one twiddle, and a vector
// instruction serves four sequences. Each sequence gets exactly the arithmetic of forward32.
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
namespace fftfixed {

// True when this processor runs forward32Lanes (AVX2).
bool lanesAvailable();

// forward32 on each of lanes sequences of length 2^log2n (lanes a multiple of 4); work is n rows
// of lanes values and is overwritten, out receives n rows of lanes values. Only call it when
// lanesAvailable().
void forward32Lanes(cf_fixedComplex32* work, cf_fixedComplex32* out, int log2n, int32_t lanes);

}  // namespace fftfixed
}  // namespace cidut
#endif
