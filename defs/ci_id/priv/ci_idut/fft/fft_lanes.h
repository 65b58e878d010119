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

// Where forward32Lanes puts the value of frequency k in lane l: row (k + rowShift) mod n, lane
// (l + laneShift) mod lanes (a multiple of 4), both parts shifted right arithmetically by shift.
struct placement {
    int32_t rowShift;
    int32_t laneShift;
    int shift;
};

// forward32 on each of lanes sequences of length 2^log2n (lanes a power of two, at least 4); work
// is n rows of lanes values and is overwritten, out receives n rows of lanes values placed as
// where says.
void forward32Lanes(cf_fixedComplex32* work, cf_fixedComplex32* out, int log2n, int32_t lanes,
                    placement where);

// The complex values (p * scale, 0) of a width x height block of pixels (sides multiples of 4,
// p * scale below 2^31), transposed: out holds width rows of height values.
void loadTransposed32(const uint8_t* pixels, int32_t width, int32_t height, int32_t scale,
                      cf_fixedComplex32* out);
// out (cols rows of rows values) = in (rows x cols, sides multiples of 4) transposed, both parts
// shifted right arithmetically by shift.
void transposeShifted32(const cf_fixedComplex32* in, int32_t rows, int32_t cols, int shift,
                        cf_fixedComplex32* out);

}  // namespace fftfixed

// The radix-2 stages of the double transform, in place, on n rows of lanes interleaved complex
// values whose rows are already in bit-reversed order (any lanes >= 1). twiddles holds, for the
// stage of half-length h = 1, 2, ... n/2, the twiddles of butterfly columns m < h as complex
// values at h - 1 + m.
void radix2Lanes(double* rows, int32_t n, int32_t lanes, const double* twiddles);

// work row reversedColumns[c], value r = (pixel (r, c), 0) for width x height pixels at the
// given pitch; work holds width rows of height complex values.
void loadTransposedLanes(const uint8_t* pixels, intptr_t pitch, int32_t width, int32_t height,
                         const int32_t* reversedColumns, double* work);
// out row reversedRows[r], value u = work row u, value r: work holds width rows of height complex
// values, out height rows of width.
void transposeBackLanes(const double* work, int32_t width, int32_t height,
                        const int32_t* reversedRows, double* out);

}  // namespace cidut
#endif
