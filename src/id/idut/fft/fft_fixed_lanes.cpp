// AVX2 form of the 32-bit forward kernel over four sequences per vector. A vector holds four
// complex values (re, im as 32-bit lanes); the Q31 products come from the signed 32 x 32 -> 64
// multiply of the even lanes, and since only bits 31 .. 62 of a product survive the cast back to
// 32 bits, a logical shift by 31 keeps exactly what the arithmetic shift of the portable kernel
// keeps. Additions wrap in 32 bits as there.
#include "ci_id/priv/ci_idut/fft/fft_lanes.h"

#if CIDUT_FFT_HAVE_LANES
#include <immintrin.h>

#include "ci_id/priv/ci_idut/fft/fft_fixed_kernel.h"

#define CIDUT_AVX2 __attribute__((target("avx2")))

namespace cidut {
namespace fftfixed {
namespace {

// Odd 32-bit lanes (imaginary parts) from b, even ones (real parts) from a.
CIDUT_AVX2 inline __m256i realOfImagOf(__m256i a, __m256i b) {
    return _mm256_blend_epi32(a, b, 0xAA);
}

// a - i b and a + i b: b's parts swapped, then added to one part and subtracted from the other.
CIDUT_AVX2 inline __m256i subI(__m256i a, __m256i b) {
    const __m256i swapped = _mm256_shuffle_epi32(b, 0xB1);
    return realOfImagOf(_mm256_add_epi32(a, swapped), _mm256_sub_epi32(a, swapped));
}
CIDUT_AVX2 inline __m256i addI(__m256i a, __m256i b) {
    const __m256i swapped = _mm256_shuffle_epi32(b, 0xB1);
    return realOfImagOf(_mm256_sub_epi32(a, swapped), _mm256_add_epi32(a, swapped));
}

// Low 32 bits of (value * twiddle) >> 31 for the even lanes' values, in the even lanes.
CIDUT_AVX2 inline __m256i mulQ31(__m256i value, __m256i twiddle) {
    return _mm256_srli_epi64(_mm256_mul_epi32(value, twiddle), 31);
}

// v * (cos - i sin) with the portable kernel's four products.
CIDUT_AVX2 inline __m256i rotate(__m256i v, __m256i sin, __m256i cos) {
    const __m256i imag = _mm256_srli_epi64(v, 32);
    const __m256i re = _mm256_add_epi32(mulQ31(v, cos), mulQ31(imag, sin));
    const __m256i im = _mm256_sub_epi32(mulQ31(imag, cos), mulQ31(v, sin));
    return realOfImagOf(re, _mm256_slli_epi64(im, 32));
}

CIDUT_AVX2 inline __m256i load(const cf_fixedComplex32* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
CIDUT_AVX2 inline void store(cf_fixedComplex32* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// One radix-4 butterfly row set: rows j, j + quarter, j + 2 quarter, j + 3 quarter of a group.
CIDUT_AVX2 void butterflyRows(cf_fixedComplex32* row0, intptr_t quarterStride, int32_t lanes,
                              const int32_t* w) {
    const __m256i sin1 = _mm256_set1_epi32(w[0]), cos1 = _mm256_set1_epi32(w[1]);
    const __m256i sin2 = _mm256_set1_epi32(w[2]), cos2 = _mm256_set1_epi32(w[3]);
    const __m256i sin3 = _mm256_set1_epi32(w[4]), cos3 = _mm256_set1_epi32(w[5]);
    cf_fixedComplex32* row1 = row0 + quarterStride;
    cf_fixedComplex32* row2 = row1 + quarterStride;
    cf_fixedComplex32* row3 = row2 + quarterStride;
    for (int32_t l = 0; l < lanes; l += 4) {
        const __m256i x0 = load(row0 + l), x1 = load(row1 + l);
        const __m256i x2 = load(row2 + l), x3 = load(row3 + l);
        const __m256i sum02 = _mm256_add_epi32(x0, x2), sum13 = _mm256_add_epi32(x1, x3);
        const __m256i diff02 = _mm256_sub_epi32(x0, x2), diff13 = _mm256_sub_epi32(x1, x3);
        store(row0 + l, _mm256_add_epi32(sum02, sum13));
        store(row1 + l, rotate(subI(diff02, diff13), sin1, cos1));
        store(row2 + l, rotate(_mm256_sub_epi32(sum02, sum13), sin2, cos2));
        store(row3 + l, rotate(addI(diff02, diff13), sin3, cos3));
    }
}

// Base-4 digit reversal of group over digits places.
int32_t reverseBase4(int32_t group, int digits) {
    int32_t reversed = 0;
    for (int d = 0; d < digits; ++d) {
        reversed = (reversed << 2) | (group & 3);
        group >>= 2;
    }
    return reversed;
}

CIDUT_AVX2 void finalRadix2(const cf_fixedComplex32* work, cf_fixedComplex32* out, int log2n,
                            int32_t lanes) {
    const int32_t n = int32_t{1} << log2n;
    const intptr_t half = intptr_t{n / 2} * lanes;
    for (int32_t group = 0; group < n / 2; ++group) {
        const cf_fixedComplex32* x0 = work + intptr_t{2 * group} * lanes;
        const cf_fixedComplex32* x1 = x0 + lanes;
        cf_fixedComplex32* y = out + intptr_t{reverseBase4(group, (log2n - 1) / 2)} * lanes;
        for (int32_t l = 0; l < lanes; l += 4) {
            const __m256i a = load(x0 + l), b = load(x1 + l);
            store(y + l, _mm256_add_epi32(a, b));
            store(y + half + l, _mm256_sub_epi32(a, b));
        }
    }
}

CIDUT_AVX2 void finalRadix4(const cf_fixedComplex32* work, cf_fixedComplex32* out, int log2n,
                            int32_t lanes) {
    const int32_t n = int32_t{1} << log2n;
    const intptr_t quarter = intptr_t{n / 4} * lanes;
    for (int32_t group = 0; group < n / 4; ++group) {
        const cf_fixedComplex32* x0 = work + intptr_t{4 * group} * lanes;
        cf_fixedComplex32* y = out + intptr_t{reverseBase4(group, (log2n - 2) / 2)} * lanes;
        for (int32_t l = 0; l < lanes; l += 4) {
            const __m256i a0 = load(x0 + l), a1 = load(x0 + lanes + l);
            const __m256i a2 = load(x0 + 2 * lanes + l), a3 = load(x0 + 3 * lanes + l);
            const __m256i sum02 = _mm256_add_epi32(a0, a2), sum13 = _mm256_add_epi32(a1, a3);
            const __m256i diff02 = _mm256_sub_epi32(a0, a2), diff13 = _mm256_sub_epi32(a1, a3);
            store(y + l, _mm256_add_epi32(sum02, sum13));
            store(y + quarter + l, subI(diff02, diff13));
            store(y + 2 * quarter + l, _mm256_sub_epi32(sum02, sum13));
            store(y + 3 * quarter + l, addI(diff02, diff13));
        }
    }
}

}  // namespace

void forward32Lanes(cf_fixedComplex32* work, cf_fixedComplex32* out, int log2n, int32_t lanes) {
    const int32_t n = int32_t{1} << log2n;
    const int32_t finalSize = (log2n & 1) ? 2 : 4;
    const int32_t* table = twiddles32(log2n);
    for (int32_t length = n; length > finalSize; length >>= 2) {
        const int32_t quarter = length / 4;
        for (int32_t start = 0; start < n; start += length) {
            for (int32_t j = 0; j < quarter; ++j) {
                butterflyRows(work + intptr_t{start + j} * lanes, intptr_t{quarter} * lanes, lanes,
                              table + 6 * j);
            }
        }
        table += 6 * quarter;
    }
    if (log2n & 1) {
        finalRadix2(work, out, log2n, lanes);
    } else {
        finalRadix4(work, out, log2n, lanes);
    }
}

}  // namespace fftfixed
}  // namespace cidut
#endif
