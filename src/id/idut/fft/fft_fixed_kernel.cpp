// Radix-4 fixed-point FFT kernels and their constant twiddle tables (built at compile time, so no
// trigonometry runs in the library).
#include "ci_id/priv/ci_idut/fft/fft_fixed_kernel.h"

#include <array>

namespace cidut {
namespace fftfixed {
namespace {

// ---- Compile-time sine and cosine of 2 pi num / den ----------------------------------------

constexpr long double kHalfPi = 1.570796326794896619231321691639751442L;

// Taylor series on [0, pi/2]: the first omitted term is below 1e-25.
constexpr long double seriesSin(long double x) {
    long double term = x;
    long double sum = x;
    for (int k = 1; k < 14; ++k) {
        term *= -x * x / ((2 * k) * (2 * k + 1));
        sum += term;
    }
    return sum;
}

constexpr long double seriesCos(long double x) {
    long double term = 1.0L;
    long double sum = 1.0L;
    for (int k = 1; k < 14; ++k) {
        term *= -x * x / ((2 * k - 1) * (2 * k));
        sum += term;
    }
    return sum;
}

// Reduced exactly to a quadrant in integers, so angles that are multiples of pi/2 come out exact.
constexpr long double sinOfTurn(int64_t num, int64_t den) {
    num %= den;
    int64_t quadrant = 4 * num / den;
    long double x = kHalfPi * static_cast<long double>(4 * num - quadrant * den) /
                    static_cast<long double>(den);
    switch (quadrant) {
        case 0:
            return seriesSin(x);
        case 1:
            return seriesCos(x);
        case 2:
            return -seriesSin(x);
        default:
            return -seriesCos(x);
    }
}

constexpr long double cosOfTurn(int64_t num, int64_t den) {
    return sinOfTurn(4 * num + den, 4 * den);
}

// Truncated toward zero; 1.0 becomes the largest positive value.
template <typename T, int FractionBits>
constexpr T toFixed(long double value) {
    constexpr long double scale = static_cast<long double>(int64_t{1} << FractionBits);
    constexpr int64_t largest = (int64_t{1} << FractionBits) - 1;
    int64_t fixed = static_cast<int64_t>(value * scale);
    return static_cast<T>(fixed > largest ? largest : fixed);
}

// The published N = 32 tables hold two entries one unit below the truncated value: cos of 3/32
// turn in Q31 and cos of 1/32 turn in Q15. Spectra are compared bit for bit against tables built
// from them, so those two angles keep their published values in every table.
constexpr int32_t publishedCosQ31(int64_t num, int64_t den) {
    return toFixed<int32_t, 31>(cosOfTurn(num, den)) - (32 * num == 3 * den ? 1 : 0);
}
constexpr int16_t publishedCosQ15(int64_t num, int64_t den) {
    return static_cast<int16_t>(toFixed<int16_t, 15>(cosOfTurn(num, den)) -
                                (32 * num == den ? 1 : 0));
}

// ---- Table layout ----------------------------------------------------------------------------

constexpr int finalStageSize(int log2n) { return (log2n & 1) ? 2 : 4; }

constexpr int32_t butterflyCount(int log2n) {
    int32_t count = 0;
    for (int length = 1 << log2n; length > finalStageSize(log2n); length >>= 2) count += length / 4;
    return count;
}

template <int Log2N>
constexpr std::array<int32_t, 6 * butterflyCount(Log2N)> makeTable32() {
    std::array<int32_t, 6 * butterflyCount(Log2N)> table{};
    int32_t next = 0;
    for (int length = 1 << Log2N; length > finalStageSize(Log2N); length >>= 2) {
        for (int j = 0; j < length / 4; ++j) {
            for (int m = 1; m <= 3; ++m) {
                table[next++] = toFixed<int32_t, 31>(sinOfTurn(j * m, length));
                table[next++] = publishedCosQ31(j * m, length);
            }
        }
    }
    return table;
}

template <int Log2N>
constexpr std::array<int16_t, 6 * butterflyCount(Log2N)> makeTable16() {
    std::array<int16_t, 6 * butterflyCount(Log2N)> table{};
    int32_t next = 0;
    for (int length = 1 << Log2N; length > finalStageSize(Log2N); length >>= 2) {
        for (int j = 0; j < length / 4; j += 2) {
            for (int m = 1; m <= 3; ++m) {
                for (int k = j; k < j + 2; ++k) {
                    table[next++] = toFixed<int16_t, 15>(sinOfTurn(k * m, length));
                    table[next++] = publishedCosQ15(k * m, length);
                }
            }
        }
    }
    return table;
}

constexpr auto kTable32_5 = makeTable32<5>();
constexpr auto kTable32_6 = makeTable32<6>();
constexpr auto kTable32_7 = makeTable32<7>();
constexpr auto kTable32_8 = makeTable32<8>();
constexpr auto kTable32_9 = makeTable32<9>();
constexpr auto kTable16_5 = makeTable16<5>();
constexpr auto kTable16_6 = makeTable16<6>();
constexpr auto kTable16_7 = makeTable16<7>();
constexpr auto kTable16_8 = makeTable16<8>();
constexpr auto kTable16_9 = makeTable16<9>();

constexpr const int32_t* kTables32[] = {kTable32_5.data(), kTable32_6.data(), kTable32_7.data(),
                                        kTable32_8.data(), kTable32_9.data()};
constexpr const int16_t* kTables16[] = {kTable16_5.data(), kTable16_6.data(), kTable16_7.data(),
                                        kTable16_8.data(), kTable16_9.data()};

// Base-4 digit reversal of group over digits places.
inline int32_t reverseBase4(int32_t group, int digits) {
    int32_t reversed = 0;
    for (int d = 0; d < digits; ++d) {
        reversed = (reversed << 2) | (group & 3);
        group >>= 2;
    }
    return reversed;
}

// ---- 32-bit arithmetic -----------------------------------------------------------------------

inline int32_t add32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t sub32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t mulQ31(int32_t value, int32_t twiddle) {
    return static_cast<int32_t>((int64_t{value} * twiddle) >> 31);
}

struct ops32 {
    using complex = cf_fixedComplex32;
    static complex add(complex a, complex b) { return {add32(a.re, b.re), add32(a.im, b.im)}; }
    static complex sub(complex a, complex b) { return {sub32(a.re, b.re), sub32(a.im, b.im)}; }
    // a - i b and a + i b.
    static complex subI(complex a, complex b) { return {add32(a.re, b.im), sub32(a.im, b.re)}; }
    static complex addI(complex a, complex b) { return {sub32(a.re, b.im), add32(a.im, b.re)}; }
    static complex halvedSum(complex a, complex b) { return add(a, b); }
    // v * (cos - i sin) forward, v * (cos + i sin) inverse.
    template <bool Inverse>
    static complex rotate(complex v, int32_t sin, int32_t cos) {
        if (Inverse) {
            return {sub32(mulQ31(v.re, cos), mulQ31(v.im, sin)),
                    add32(mulQ31(v.im, cos), mulQ31(v.re, sin))};
        }
        return {add32(mulQ31(v.re, cos), mulQ31(v.im, sin)),
                sub32(mulQ31(v.im, cos), mulQ31(v.re, sin))};
    }
    static int32_t tableIndex(int32_t j, int m) { return 6 * j + 2 * (m - 1); }
};

// ---- 64-bit arithmetic: the 32-bit butterflies without wrap-around ----------------------------

inline int64_t mulQ31Wide(int64_t value, int32_t twiddle) {
    return static_cast<int64_t>((static_cast<__int128>(value) * twiddle) >> 31);
}

struct ops64 {
    using complex = complex64;
    static complex add(complex a, complex b) { return {a.re + b.re, a.im + b.im}; }
    static complex sub(complex a, complex b) { return {a.re - b.re, a.im - b.im}; }
    static complex subI(complex a, complex b) { return {a.re + b.im, a.im - b.re}; }
    static complex addI(complex a, complex b) { return {a.re - b.im, a.im + b.re}; }
    static complex halvedSum(complex a, complex b) { return add(a, b); }
    template <bool Inverse>
    static complex rotate(complex v, int32_t sin, int32_t cos) {
        if (Inverse) {
            return {mulQ31Wide(v.re, cos) - mulQ31Wide(v.im, sin),
                    mulQ31Wide(v.im, cos) + mulQ31Wide(v.re, sin)};
        }
        return {mulQ31Wide(v.re, cos) + mulQ31Wide(v.im, sin),
                mulQ31Wide(v.im, cos) - mulQ31Wide(v.re, sin)};
    }
    static int32_t tableIndex(int32_t j, int m) { return ops32::tableIndex(j, m); }
};

// ---- 16-bit arithmetic -----------------------------------------------------------------------

inline int16_t wrap16(int32_t value) { return static_cast<int16_t>(value); }
inline int16_t mulQ15Sum(int32_t a, int32_t b) { return wrap16((a + b + 32768) >> 16); }

struct ops16 {
    using complex = cf_fixedComplex16;
    static complex add(complex a, complex b) { return {wrap16(a.re + b.re), wrap16(a.im + b.im)}; }
    static complex sub(complex a, complex b) { return {wrap16(a.re - b.re), wrap16(a.im - b.im)}; }
    static complex subI(complex a, complex b) { return {wrap16(a.re + b.im), wrap16(a.im - b.re)}; }
    static complex addI(complex a, complex b) { return {wrap16(a.re - b.im), wrap16(a.im + b.re)}; }
    static complex halvedSum(complex a, complex b) {
        return {wrap16((a.re + b.re + 1) >> 1), wrap16((a.im + b.im + 1) >> 1)};
    }
    template <bool Inverse>
    static complex rotate(complex v, int16_t sin, int16_t cos) {
        if (Inverse) return {mulQ15Sum(v.re * cos, -v.im * sin), mulQ15Sum(v.im * cos, v.re * sin)};
        return {mulQ15Sum(v.re * cos, v.im * sin), mulQ15Sum(v.im * cos, -v.re * sin)};
    }
    static int32_t tableIndex(int32_t j, int m) {
        return 12 * (j >> 1) + 4 * (m - 1) + 2 * (j & 1);
    }
};

// ---- The kernel ------------------------------------------------------------------------------

template <typename Ops, bool Inverse, typename Twiddle>
void radix4Stage(typename Ops::complex* group, int32_t quarter, const Twiddle* table) {
    using complex = typename Ops::complex;
    for (int32_t j = 0; j < quarter; ++j) {
        complex x0 = group[j];
        complex x1 = group[j + quarter];
        complex x2 = group[j + 2 * quarter];
        complex x3 = group[j + 3 * quarter];
        complex sum02 = Ops::add(x0, x2);
        complex sum13 = Ops::add(x1, x3);
        complex diff02 = Ops::sub(x0, x2);
        complex diff13 = Ops::sub(x1, x3);
        complex odd1 = Inverse ? Ops::addI(diff02, diff13) : Ops::subI(diff02, diff13);
        complex odd3 = Inverse ? Ops::subI(diff02, diff13) : Ops::addI(diff02, diff13);
        const Twiddle* w1 = table + Ops::tableIndex(j, 1);
        const Twiddle* w2 = table + Ops::tableIndex(j, 2);
        const Twiddle* w3 = table + Ops::tableIndex(j, 3);
        group[j] = Ops::halvedSum(sum02, sum13);
        group[j + quarter] = Ops::template rotate<Inverse>(odd1, w1[0], w1[1]);
        group[j + 2 * quarter] =
            Ops::template rotate<Inverse>(Ops::sub(sum02, sum13), w2[0], w2[1]);
        group[j + 3 * quarter] = Ops::template rotate<Inverse>(odd3, w3[0], w3[1]);
    }
}

template <typename Ops, bool Inverse>
void finalStage(const typename Ops::complex* work, typename Ops::complex* out, int log2n) {
    using complex = typename Ops::complex;
    const int32_t n = int32_t{1} << log2n;
    if (log2n & 1) {
        const int digits = (log2n - 1) / 2;
        for (int32_t group = 0; group < n / 2; ++group) {
            const complex* x = work + 2 * group;
            int32_t k = reverseBase4(group, digits);
            out[k] = Ops::add(x[0], x[1]);
            out[k + n / 2] = Ops::sub(x[0], x[1]);
        }
        return;
    }
    const int digits = (log2n - 2) / 2;
    for (int32_t group = 0; group < n / 4; ++group) {
        const complex* x = work + 4 * group;
        complex sum02 = Ops::add(x[0], x[2]);
        complex sum13 = Ops::add(x[1], x[3]);
        complex diff02 = Ops::sub(x[0], x[2]);
        complex diff13 = Ops::sub(x[1], x[3]);
        int32_t k = reverseBase4(group, digits);
        out[k] = Ops::add(sum02, sum13);
        out[k + n / 4] = Inverse ? Ops::addI(diff02, diff13) : Ops::subI(diff02, diff13);
        out[k + n / 2] = Ops::sub(sum02, sum13);
        out[k + 3 * n / 4] = Inverse ? Ops::subI(diff02, diff13) : Ops::addI(diff02, diff13);
    }
}

template <typename Ops, bool Inverse, typename Twiddle>
void transform(typename Ops::complex* work, typename Ops::complex* out, int log2n,
               const Twiddle* table) {
    const int32_t n = int32_t{1} << log2n;
    for (int32_t length = n; length > finalStageSize(log2n); length >>= 2) {
        const int32_t quarter = length / 4;
        for (int32_t start = 0; start < n; start += length) {
            radix4Stage<Ops, Inverse>(work + start, quarter, table);
        }
        table += 6 * quarter;
    }
    finalStage<Ops, Inverse>(work, out, log2n);
}

}  // namespace

int supportedLog2(int32_t n) {
    for (int log2n = kMinLog2; log2n <= kMaxLog2; ++log2n) {
        if (n == (int32_t{1} << log2n)) return log2n;
    }
    return -1;
}

int32_t twiddleCount(int log2n) { return 6 * butterflyCount(log2n); }
const int32_t* twiddles32(int log2n) { return kTables32[log2n - kMinLog2]; }
const int16_t* twiddles16(int log2n) { return kTables16[log2n - kMinLog2]; }

void forward32(cf_fixedComplex32* work, cf_fixedComplex32* out, int log2n) {
    transform<ops32, false>(work, out, log2n, twiddles32(log2n));
}
void inverse32(cf_fixedComplex32* work, cf_fixedComplex32* out, int log2n) {
    transform<ops32, true>(work, out, log2n, twiddles32(log2n));
}
void inverse64(complex64* work, complex64* out, int log2n) {
    transform<ops64, true>(work, out, log2n, twiddles32(log2n));
}
void forward16(cf_fixedComplex16* work, cf_fixedComplex16* out, int log2n) {
    transform<ops16, false>(work, out, log2n, twiddles16(log2n));
}
void inverse16(cf_fixedComplex16* work, cf_fixedComplex16* out, int log2n) {
    transform<ops16, true>(work, out, log2n, twiddles16(log2n));
}

}  // namespace fftfixed
}  // namespace cidut
