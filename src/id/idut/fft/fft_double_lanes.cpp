// AVX form of the radix-2 double butterflies over whole rows: two complex values per vector, the
// product t = w * x formed as (wRe x) -/+ (wIm swapped x) by one add-subtract, which rounds
// each part exactly as the portable wRe*re - wIm*im and wRe*im + wIm*re do (no fused
// multiply-add is enabled here, so every product is rounded on its own as there).
#include "ci_id/priv/ci_idut/fft/fft_lanes.h"

#if CIDUT_FFT_HAVE_LANES
#include <immintrin.h>

#include <cstring>

#define CIDUT_AVX2 __attribute__((target("avx2")))

namespace cidut {
namespace {

struct twiddle256 {
    __m256d re;
    __m256d im;
};

CIDUT_AVX2 inline twiddle256 broadcast(const double* w) {
    return {_mm256_set1_pd(w[0]), _mm256_set1_pd(w[1])};
}

// a, b = a + w b, a - w b for two complex values in each vector.
CIDUT_AVX2 inline void butterfly(__m256d& a, __m256d& b, twiddle256 w) {
    const __m256d t =
        _mm256_addsub_pd(_mm256_mul_pd(w.re, b), _mm256_mul_pd(w.im, _mm256_permute_pd(b, 0x5)));
    b = _mm256_sub_pd(a, t);
    a = _mm256_add_pd(a, t);
}

// The same for one complex value.
CIDUT_AVX2 inline void butterfly(__m128d& a, __m128d& b, twiddle256 w) {
    const __m128d t =
        _mm_addsub_pd(_mm_mul_pd(_mm256_castpd256_pd128(w.re), b),
                      _mm_mul_pd(_mm256_castpd256_pd128(w.im), _mm_shuffle_pd(b, b, 1)));
    b = _mm_sub_pd(a, t);
    a = _mm_add_pd(a, t);
}

// Loads and stores of two complex values (256 bits) or one (128 bits).
CIDUT_AVX2 inline void load(__m256d& v, const double* p) { v = _mm256_loadu_pd(p); }
CIDUT_AVX2 inline void load(__m128d& v, const double* p) { v = _mm_loadu_pd(p); }
CIDUT_AVX2 inline void store(double* p, __m256d v) { _mm256_storeu_pd(p, v); }
CIDUT_AVX2 inline void store(double* p, __m128d v) { _mm_storeu_pd(p, v); }

// Two successive stages (half-lengths h and 2h) on the rows r, r + h, r + 2h, r + 3h, which
// exchange values with no other rows in those stages: w[0] is stage h's twiddle, w[1] and w[2]
// stage 2h's for the pairs (r, r + 2h) and (r + h, r + 3h). One pass over memory does the work
// of two, each butterfly unchanged.
// The four values are named, not an array, so that they stay in registers without unrolling.
template <typename Vector>
CIDUT_AVX2 inline void twoStages(double* const rows[4], int32_t l, const twiddle256 (&w)[3]) {
    Vector x0, x1, x2, x3;
    load(x0, rows[0] + 2 * l);
    load(x1, rows[1] + 2 * l);
    load(x2, rows[2] + 2 * l);
    load(x3, rows[3] + 2 * l);
    butterfly(x0, x1, w[0]);
    butterfly(x2, x3, w[0]);
    butterfly(x0, x2, w[1]);
    butterfly(x1, x3, w[2]);
    store(rows[0] + 2 * l, x0);
    store(rows[1] + 2 * l, x1);
    store(rows[2] + 2 * l, x2);
    store(rows[3] + 2 * l, x3);
}

// One stage's butterfly on rows a and b.
template <typename Vector>
CIDUT_AVX2 inline void stagePair(double* a, double* b, int32_t l, twiddle256 w) {
    Vector x, y;
    load(x, a + 2 * l);
    load(y, b + 2 * l);
    butterfly(x, y, w);
    store(a + 2 * l, x);
    store(b + 2 * l, y);
}

CIDUT_AVX2 void stageRows(double* a, double* b, int32_t lanes, const double* w) {
    const twiddle256 t = broadcast(w);
    int32_t l = 0;
    for (; l + 2 <= lanes; l += 2) stagePair<__m256d>(a, b, l, t);
    if (l < lanes) stagePair<__m128d>(a, b, l, t);
}

CIDUT_AVX2 void twoStageRows(double* const rows[4], int32_t lanes, const twiddle256 (&w)[3]) {
    int32_t l = 0;
    for (; l + 2 <= lanes; l += 2) twoStages<__m256d>(rows, l, w);
    if (l < lanes) twoStages<__m128d>(rows, l, w);
}

CIDUT_AVX2 void radix2Rows(double* rows, int32_t n, int32_t lanes, const double* twiddles) {
    const intptr_t rowValues = 2 * intptr_t{lanes};
    int32_t half = 1;
    for (; 4 * half <= n; half *= 4) {
        for (int32_t m = 0; m < half; ++m) {
            const twiddle256 w[3] = {broadcast(twiddles + 2 * intptr_t{half - 1 + m}),
                                     broadcast(twiddles + 2 * intptr_t{2 * half - 1 + m}),
                                     broadcast(twiddles + 2 * intptr_t{3 * half - 1 + m})};
            for (int32_t i = m; i < n; i += 4 * half) {
                double* const group[4] = {rows + i * rowValues, rows + (i + half) * rowValues,
                                          rows + (i + 2 * half) * rowValues,
                                          rows + (i + 3 * half) * rowValues};
                twoStageRows(group, lanes, w);
            }
        }
    }
    if (half < n) {  // a last single stage when log2 n is odd
        for (int32_t m = 0; m < half; ++m) {
            for (int32_t i = m; i < n; i += 2 * half) {
                stageRows(rows + i * rowValues, rows + (i + half) * rowValues, lanes,
                          twiddles + 2 * intptr_t{half - 1 + m});
            }
        }
    }
}

// Four pixels from p as doubles.
CIDUT_AVX2 inline __m256d fourPixels(const uint8_t* p) {
    int32_t four = 0;
    std::memcpy(&four, p, sizeof four);
    return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(four)));
}

CIDUT_AVX2 void loadTransposedAvx2(const uint8_t* pixels, intptr_t pitch, int32_t width,
                                   int32_t height, const int32_t* reversedColumns, double* work) {
    const __m256d zero = _mm256_setzero_pd();
    const int32_t fullColumns = width & ~3;
    const int32_t pairedRows = height & ~1;
    for (int32_t r = 0; r < pairedRows; r += 2) {
        const uint8_t* row = pixels + r * pitch;
        for (int32_t c = 0; c < fullColumns; c += 4) {
            const __m256d a = fourPixels(row + c), b = fourPixels(row + pitch + c);
            // (a_k, 0, b_k, 0): the pixels of rows r and r + 1 in column c + k, as complex values.
            const __m256d aEven = _mm256_unpacklo_pd(a, zero), aOdd = _mm256_unpackhi_pd(a, zero);
            const __m256d bEven = _mm256_unpacklo_pd(b, zero), bOdd = _mm256_unpackhi_pd(b, zero);
            const __m256d columns[4] = {_mm256_permute2f128_pd(aEven, bEven, 0x20),
                                        _mm256_permute2f128_pd(aOdd, bOdd, 0x20),
                                        _mm256_permute2f128_pd(aEven, bEven, 0x31),
                                        _mm256_permute2f128_pd(aOdd, bOdd, 0x31)};
            for (int k = 0; k < 4; ++k) {
                store(work + 2 * (intptr_t{reversedColumns[c + k]} * height + r), columns[k]);
            }
        }
    }
    for (int32_t r = 0; r < height; ++r) {  // what the pairs of rows and fours of columns left
        for (int32_t c = r < pairedRows ? fullColumns : 0; c < width; ++c) {
            double* to = work + 2 * (intptr_t{reversedColumns[c]} * height + r);
            to[0] = pixels[r * pitch + c];
            to[1] = 0.0;
        }
    }
}

CIDUT_AVX2 void transposeBackAvx2(const double* work, int32_t width, int32_t height,
                                  const int32_t* reversedRows, double* out) {
    const int32_t pairedRows = height & ~1;
    for (int32_t u = 0; u + 1 < width; u += 2) {
        const double* from0 = work + 2 * intptr_t{u} * height;
        const double* from1 = from0 + 2 * intptr_t{height};
        for (int32_t r = 0; r < pairedRows; r += 2) {
            __m256d x0, x1;
            load(x0, from0 + 2 * r);
            load(x1, from1 + 2 * r);
            store(out + 2 * (intptr_t{reversedRows[r]} * width + u),
                  _mm256_permute2f128_pd(x0, x1, 0x20));
            store(out + 2 * (intptr_t{reversedRows[r + 1]} * width + u),
                  _mm256_permute2f128_pd(x0, x1, 0x31));
        }
    }
    for (int32_t r = 0; r < height; ++r) {  // what the pairs left: an odd row, or a single column
        for (int32_t u = r < pairedRows ? (width & ~1) : 0; u < width; ++u) {
            __m128d x;
            load(x, work + 2 * (intptr_t{u} * height + r));
            store(out + 2 * (intptr_t{reversedRows[r]} * width + u), x);
        }
    }
}

}  // namespace

void loadTransposedLanes(const uint8_t* pixels, intptr_t pitch, int32_t width, int32_t height,
                         const int32_t* reversedColumns, double* work) {
    loadTransposedAvx2(pixels, pitch, width, height, reversedColumns, work);
}

void transposeBackLanes(const double* work, int32_t width, int32_t height,
                        const int32_t* reversedRows, double* out) {
    transposeBackAvx2(work, width, height, reversedRows, out);
}

bool fftLanesAvailable() { return __builtin_cpu_supports("avx2"); }

void radix2Lanes(double* rows, int32_t n, int32_t lanes, const double* twiddles) {
    radix2Rows(rows, n, lanes, twiddles);
}

}  // namespace cidut
#endif
