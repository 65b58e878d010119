// AVX2 form of the 32-bit forward kernel over four sequences per vector. A vector holds four
// complex values (re, im as 32-bit lanes); the Q31 products come from the signed 32 x 32 -> 64
// multiply of the even lanes, and since only bits 31 .. 62 of a product survive the cast back to
// 32 bits, a logical shift by 31 keeps exactly what the arithmetic shift of the portable kernel
// keeps. Additions wrap in 32 bits as there.
#include "ci_id/priv/ci_idut/fft/fft_lanes.h"

#if CIDUT_FFT_HAVE_LANES
#include <immintrin.h>

#include <cstring>

#include "ci_id/priv/ci_idut/fft/fft_fixed_kernel.h"

#define CIDUT_AVX2 __attribute__((target("avx2")))

namespace cidut {
namespace fftfixed {
namespace {

// Odd 32-bit lanes (imaginary parts) from b, even ones (real parts) from a.
CIDUT_AVX2 inline __m256i realOfImagOf(__m256i a, __m256i b) {
    return _mm256_blend_epi32(a, b, 0xAA);
}

// b * -i, whose sum with a is a - i b and whose difference from a is a + i b: the parts swapped
// and the new imaginary part negated (wrapping as 0 - x does).
CIDUT_AVX2 inline __m256i timesMinusI(__m256i b) {
    return _mm256_sign_epi32(_mm256_shuffle_epi32(b, 0xB1),
                             _mm256_set_epi32(-1, 1, -1, 1, -1, 1, -1, 1));
}

// v * (cos - i sin) with the portable kernel's four products. A product's bits 31 .. 62 are what
// its shift right by 31 leaves in the low 32 bits, and what a shift left by 1 leaves in the
// high 32 bits: so the real part is formed in the even lanes, the imaginary one in the odd lanes.
CIDUT_AVX2 inline __m256i rotate(__m256i v, __m256i sin, __m256i cos) {
    const __m256i imag = _mm256_srli_epi64(v, 32);
    const __m256i re = _mm256_add_epi32(_mm256_srli_epi64(_mm256_mul_epi32(v, cos), 31),
                                        _mm256_srli_epi64(_mm256_mul_epi32(imag, sin), 31));
    const __m256i im = _mm256_sub_epi32(_mm256_slli_epi64(_mm256_mul_epi32(imag, cos), 1),
                                        _mm256_slli_epi64(_mm256_mul_epi32(v, sin), 1));
    return _mm256_blend_epi32(re, im, 0xAA);
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
        const __m256i turned13 = timesMinusI(diff13);
        store(row1 + l, rotate(_mm256_add_epi32(diff02, turned13), sin1, cos1));
        store(row2 + l, rotate(_mm256_sub_epi32(sum02, sum13), sin2, cos2));
        store(row3 + l, rotate(_mm256_sub_epi32(diff02, turned13), sin3, cos3));
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

// Where the final stage puts the value of row k, lane l: row (k + rowShift) mod n, lane
// (l + laneShift) mod lanes, shifted right by shift.
struct placedRows {
    cf_fixedComplex32* out;
    int32_t n;
    int32_t lanes;
    placement where;
    __m128i shift;

    cf_fixedComplex32* row(int32_t k) const {
        return out + intptr_t{(k + where.rowShift) & (n - 1)} * lanes;
    }
};

// The lane a value of lane l goes to, and its shift. Held in locals, since the stores of the
// vector type may alias anything held in memory.
struct laneMap {
    int32_t laneShift;
    int32_t lanes;
    __m128i shift;

    int32_t lane(int32_t l) const {
        return l + laneShift < lanes ? l + laneShift : l + laneShift - lanes;
    }
};

CIDUT_AVX2 inline void put(laneMap map, cf_fixedComplex32* row, int32_t lane, __m256i value) {
    store(row + lane, _mm256_sra_epi32(value, map.shift));
}

CIDUT_AVX2 void finalRadix2(const cf_fixedComplex32* work, placedRows to, int log2n) {
    const int32_t n = to.n, lanes = to.lanes;
    const laneMap map{to.where.laneShift, lanes, to.shift};
    for (int32_t group = 0; group < n / 2; ++group) {
        const cf_fixedComplex32* x0 = work + intptr_t{2 * group} * lanes;
        const cf_fixedComplex32* x1 = x0 + lanes;
        const int32_t k = reverseBase4(group, (log2n - 1) / 2);
        cf_fixedComplex32* const y0 = to.row(k);
        cf_fixedComplex32* const y1 = to.row(k + n / 2);
        for (int32_t l = 0; l < lanes; l += 4) {
            const __m256i a = load(x0 + l), b = load(x1 + l);
            const int32_t lane = map.lane(l);
            put(map, y0, lane, _mm256_add_epi32(a, b));
            put(map, y1, lane, _mm256_sub_epi32(a, b));
        }
    }
}

CIDUT_AVX2 void finalRadix4(const cf_fixedComplex32* work, placedRows to, int log2n) {
    const int32_t n = to.n, lanes = to.lanes;
    const laneMap map{to.where.laneShift, lanes, to.shift};
    for (int32_t group = 0; group < n / 4; ++group) {
        const cf_fixedComplex32* x0 = work + intptr_t{4 * group} * lanes;
        const int32_t k = reverseBase4(group, (log2n - 2) / 2);
        cf_fixedComplex32* const y0 = to.row(k);
        cf_fixedComplex32* const y1 = to.row(k + n / 4);
        cf_fixedComplex32* const y2 = to.row(k + n / 2);
        cf_fixedComplex32* const y3 = to.row(k + 3 * n / 4);
        for (int32_t l = 0; l < lanes; l += 4) {
            const __m256i a0 = load(x0 + l), a1 = load(x0 + lanes + l);
            const __m256i a2 = load(x0 + 2 * lanes + l), a3 = load(x0 + 3 * lanes + l);
            const __m256i sum02 = _mm256_add_epi32(a0, a2), sum13 = _mm256_add_epi32(a1, a3);
            const __m256i diff02 = _mm256_sub_epi32(a0, a2), diff13 = _mm256_sub_epi32(a1, a3);
            const __m256i turned13 = timesMinusI(diff13);
            const int32_t lane = map.lane(l);
            put(map, y0, lane, _mm256_add_epi32(sum02, sum13));
            put(map, y1, lane, _mm256_add_epi32(diff02, turned13));
            put(map, y2, lane, _mm256_sub_epi32(sum02, sum13));
            put(map, y3, lane, _mm256_sub_epi32(diff02, turned13));
        }
    }
}

// Rows a, b, c, d of four complex values each, as their four columns.
CIDUT_AVX2 inline void transpose4x4(__m256i (&x)[4]) {
    const __m256i ab02 = _mm256_unpacklo_epi64(x[0], x[1]),
                  ab13 = _mm256_unpackhi_epi64(x[0], x[1]);
    const __m256i cd02 = _mm256_unpacklo_epi64(x[2], x[3]),
                  cd13 = _mm256_unpackhi_epi64(x[2], x[3]);
    x[0] = _mm256_permute2x128_si256(ab02, cd02, 0x20);
    x[1] = _mm256_permute2x128_si256(ab13, cd13, 0x20);
    x[2] = _mm256_permute2x128_si256(ab02, cd02, 0x31);
    x[3] = _mm256_permute2x128_si256(ab13, cd13, 0x31);
}

CIDUT_AVX2 void loadTransposedAvx2(const uint8_t* pixels, int32_t width, int32_t height,
                                   int32_t scale, cf_fixedComplex32* out) {
    // A pixel widened to 64 bits times the scale is (p * scale, 0) as a complex value.
    const __m256i factor = _mm256_set1_epi64x(scale);
    for (int32_t r = 0; r < height; r += 4) {
        for (int32_t c = 0; c < width; c += 4) {
            __m256i x[4];
            for (int k = 0; k < 4; ++k) {
                int32_t four = 0;
                std::memcpy(&four, pixels + intptr_t{r + k} * width + c, sizeof four);
                x[k] = _mm256_mul_epu32(_mm256_cvtepu8_epi64(_mm_cvtsi32_si128(four)), factor);
            }
            transpose4x4(x);
            for (int k = 0; k < 4; ++k) store(out + intptr_t{c + k} * height + r, x[k]);
        }
    }
}

CIDUT_AVX2 void transposeShiftedAvx2(const cf_fixedComplex32* in, int32_t rows, int32_t cols,
                                     int shift, cf_fixedComplex32* out) {
    const __m128i count = _mm_cvtsi32_si128(shift);
    for (int32_t r = 0; r < rows; r += 4) {
        for (int32_t c = 0; c < cols; c += 4) {
            __m256i x[4];
            for (int k = 0; k < 4; ++k) x[k] = load(in + intptr_t{r + k} * cols + c);
            transpose4x4(x);
            for (int k = 0; k < 4; ++k) {
                store(out + intptr_t{c + k} * rows + r, _mm256_sra_epi32(x[k], count));
            }
        }
    }
}

}  // namespace

void loadTransposed32(const uint8_t* pixels, int32_t width, int32_t height, int32_t scale,
                      cf_fixedComplex32* out) {
    loadTransposedAvx2(pixels, width, height, scale, out);
}

void transposeShifted32(const cf_fixedComplex32* in, int32_t rows, int32_t cols, int shift,
                        cf_fixedComplex32* out) {
    transposeShiftedAvx2(in, rows, cols, shift, out);
}

void forward32Lanes(cf_fixedComplex32* work, cf_fixedComplex32* out, int log2n, int32_t lanes,
                    placement where) {
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
    const placedRows to{out, n, lanes, where, _mm_cvtsi32_si128(where.shift)};
    if (log2n & 1) {
        finalRadix2(work, to, log2n);
    } else {
        finalRadix4(work, to, log2n);
    }
}

}  // namespace fftfixed
}  // namespace cidut
#endif
