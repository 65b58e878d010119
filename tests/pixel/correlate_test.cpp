// Profile correlation: scores against a direct squared correlation coefficient, the sub-sample
// best shift of profiles shifted by known fractions, and the ends of the shift range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "ci_id/correlate.h"

namespace {

using bytes = std::vector<uint8_t>;

// Calls an entry point with two profiles, the largest shift and the outputs.
template <typename F, typename T, typename... Out>
int32_t run(F f, const std::vector<T>& a, const std::vector<T>& b, int maxShift, Out*... out) {
    return f(a.data(), int32_t(a.size()), b.data(), int32_t(b.size()), maxShift, out...);
}

// a is b's piece at a random place with a third of its samples inverted, so that the scores span
// the whole range; the last trial is long enough to overflow sums narrower than the contract's.
// The reference: the squared correlation coefficient from centred sums in long double, 0 for a
// negative correlation or a constant side.
template <typename T, typename F>
void checkRandomProfiles(F scores, uint64_t top, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<uint64_t> value(0, top);
    for (int trial = 0; trial <= 60; ++trial) {
        const int n = trial < 60 ? 1 + int(rng() % 40) : 200000, m = n + int(rng() % 12);
        const int maxShift = int(rng() % uint32_t(std::min(n, trial < 60 ? 40 : 3)));
        std::vector<T> a(static_cast<size_t>(n)), b(static_cast<size_t>(m));
        for (T& v : b) v = T(value(rng));
        const size_t at = rng() % uint32_t(m - n + 1);
        for (size_t j = 0; j < a.size(); ++j) a[j] = rng() % 3 ? b[at + j] : T(top - b[at + j]);
        std::vector<double> got(size_t(m - n + 2 * maxShift + 2), -7.0);
        ASSERT_EQ(run(scores, a, b, maxShift, got.data()), 0);
        EXPECT_EQ(got.back(), -7.0);  // nothing beyond the last shift
        for (int s = -maxShift; s <= m - n + maxShift; ++s) {
            long double ma = 0, mb = 0, ab = 0, aa = 0, bb = 0, c = 0;
            const int first = std::max(0, -s), last = std::min(n, m - s);
            for (int j = first; j < last; ++j) ma += a[j], mb += b[j + s], ++c;
            ma /= c, mb /= c;
            for (int j = first; j < last; ++j) {
                const long double da = a[j] - ma, db = b[j + s] - mb;
                ab += da * db, aa += da * da, bb += db * db;
            }
            const bool flat = aa <= 1e-12L * (1 + ma * ma) || bb <= 1e-12L * (1 + mb * mb);
            ASSERT_NEAR(got[size_t(s + maxShift)],
                        ab <= 0 || flat ? 0 : double(ab * ab / (aa * bb)), 1e-9);
        }
    }
}

TEST(Correlate, ScoresMatchADirectCorrelationCoefficient) {
    checkRandomProfiles<uint8_t>(cf_correlate1D_U8, 255, 1);
    checkRandomProfiles<uint8_t>(cf_correlate1D_U8, 3, 2);
    checkRandomProfiles<uint32_t>(cf_correlate1D_U32, UINT32_MAX, 3);
    checkRandomProfiles<uint32_t>(cf_correlate1D_U32, 1000, 4);
}

// Profiles of a few slow sinusoids, b sampled at whole positions and a at positions shifted by a
// random fraction: the best shift lies within a tenth of a sample of the shift.
template <typename T, typename F>
void checkFractionalShifts(F best, double scale, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0, 1);
    for (int trial = 0; trial < 200; ++trial) {
        double w[12];
        for (double& v : w) v = u(rng);
        auto g = [&](double x) {
            double v = 128;
            for (int i = 0; i < 12; i += 3)
                v += (10 + 20 * w[i]) * std::sin((0.05 + 0.45 * w[i + 1]) * x + 6.28 * w[i + 2]);
            return T(std::lround(scale * v));
        };
        const double shift = int(rng() % 33) + u(rng) - 0.5;
        std::vector<T> a(64), b(96);
        for (size_t i = 0; i < 96; ++i) b[i] = g(double(i));
        for (size_t j = 0; j < 64; ++j) a[j] = g(double(j) + shift);
        double found = -100, score = -1;
        ASSERT_EQ(run(best, a, b, 3, &found, &score), 0);
        ASSERT_TRUE(std::fabs(found - shift) < 0.1 && score > 0.9) << trial << ": " << found;
    }
}

TEST(RunCorrelate, FractionalShiftsAreFoundWithinATenthOfASample) {
    checkFractionalShifts<uint8_t>(cf_RunCorrelate_U8, 1.0, 7);
    checkFractionalShifts<uint32_t>(cidut_RunCorrelate_UInt32, 1.5e7, 8);
}

// The first of the largest scores wins; at either end of the range it gives that end's shift
// unrefined. No positive score, or a profile longer than the other, gives zeros.
TEST(RunCorrelate, EndsOfTheShiftRangeAndNothingToReport) {
    bytes b(20);
    for (size_t i = 0; i < 20; ++i) b[i] = uint8_t(i * i * 37 % 251);
    const bytes tail(b.end() - 16, b.end()), head(b.begin(), b.begin() + 16), flat(16, 3);
    const bytes inner(b.begin() + 3, b.begin() + 19), wave{0, 9, 0, 9, 0, 9, 0, 9, 0, 9, 0, 9};
    auto expectBest = [](const bytes& a, const bytes& c, int k, double shift, double score) {
        double s = 5, v = 5;
        ASSERT_EQ(run(cf_RunCorrelate_U8, a, c, k, &s, &v), 0);
        EXPECT_TRUE(s == shift && v == score) << s << " " << v;
    };
    expectBest(tail, b, 0, 4.0, 1.0);       // the last shift
    expectBest(head, inner, 3, -3.0, 1.0);  // the first
    expectBest(flat, b, 2, 0.0, 0.0);       // no positive score
    expectBest(b, tail, 0, 0.0, 0.0);       // a profile longer than the other

    expectBest(bytes(wave.begin(), wave.begin() + 8), wave, 1, 0.0, 1.0);  // equal: the first
}

}  // namespace
