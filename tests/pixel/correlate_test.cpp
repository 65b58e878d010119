// Profile correlation: scores against a direct squared correlation coefficient, and the
// sub-sample best shift of profiles shifted by known fractions.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "ci_id/correlate.h"
#include "ci_id/status.h"
#include "test_support.h"
#include "view.h"

namespace {

// Squared correlation coefficient of the overlapping samples at every shift, from centred sums
// in long double; 0 for a negative correlation or a constant side.
template <typename T>
std::vector<double> directScores(const std::vector<T>& a, const std::vector<T>& b, int maxShift) {
    const int n = int(a.size()), m = int(b.size());
    std::vector<double> out;
    for (int s = -maxShift; s <= m - n + maxShift; ++s) {
        std::vector<long double> x, y;
        for (int j = 0; j < n; ++j) {
            if (j + s >= 0 && j + s < m) {
                x.push_back(a[size_t(j)]);
                y.push_back(b[size_t(j + s)]);
            }
        }
        long double mx = 0, my = 0;
        for (size_t i = 0; i < x.size(); ++i) mx += x[i], my += y[i];
        mx /= x.size(), my /= y.size();
        long double sxy = 0, sxx = 0, syy = 0;
        for (size_t i = 0; i < x.size(); ++i) {
            sxy += (x[i] - mx) * (y[i] - my);
            sxx += (x[i] - mx) * (x[i] - mx);
            syy += (y[i] - my) * (y[i] - my);
        }
        const bool flat = sxx <= 1e-12L * (1 + mx * mx) || syy <= 1e-12L * (1 + my * my);
        out.push_back(sxy <= 0 || flat ? 0.0 : double(sxy * sxy / (sxx * syy)));
    }
    return out;
}

template <typename T>
std::vector<T> randomProfile(int size, std::mt19937& rng, uint64_t top) {
    std::vector<T> p(size_t(size), 0);
    std::uniform_int_distribution<uint64_t> value(0, top);
    for (auto& v : p) v = static_cast<T>(value(rng));
    return p;
}

int32_t correlate(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int maxShift,
                  double* scores) {
    return cf_correlate1D_U8(a.data(), int32_t(a.size()), b.data(), int32_t(b.size()), maxShift,
                             scores);
}
int32_t correlate(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int maxShift,
                  double* scores) {
    return cf_correlate1D_U32(a.data(), int32_t(a.size()), b.data(), int32_t(b.size()), maxShift,
                              scores);
}
int32_t best(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int maxShift,
             double* shift, double* score) {
    return cf_RunCorrelate_U8(a.data(), int32_t(a.size()), b.data(), int32_t(b.size()), maxShift,
                              shift, score);
}
int32_t best(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int maxShift,
             double* shift, double* score) {
    return cidut_RunCorrelate_UInt32(a.data(), int32_t(a.size()), b.data(), int32_t(b.size()),
                                     maxShift, shift, score);
}

template <typename T>
void checkRandomProfiles(uint64_t top, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int trial = 0; trial < 60; ++trial) {
        const int n = 1 + int(rng() % 40);
        const int m = n + int(rng() % 12);
        const int maxShift = int(rng() % uint32_t(n));
        std::vector<T> b = randomProfile<T>(m, rng, top);
        // a: a noisy piece of b, so that scores span the whole range.
        std::vector<T> a(size_t(n), 0);
        const int at = int(rng() % uint32_t(m - n + 1));
        for (int j = 0; j < n; ++j) {
            a[size_t(j)] = rng() % 3 == 0 ? static_cast<T>(rng() % (top + 1)) : b[size_t(at + j)];
        }
        std::vector<double> expected = directScores(a, b, maxShift);
        std::vector<double> scores(expected.size() + 1, -7.0);
        ASSERT_EQ(correlate(a, b, maxShift, scores.data()), 0);
        for (size_t i = 0; i < expected.size(); ++i) {
            ASSERT_NEAR(scores[i], expected[i], 1e-9) << "trial " << trial << " index " << i;
        }
        EXPECT_EQ(scores.back(), -7.0);  // nothing beyond the last shift
    }
}

TEST(Correlate, ScoresMatchADirectCorrelationCoefficient) {
    checkRandomProfiles<uint8_t>(255, 1);
    checkRandomProfiles<uint8_t>(3, 2);
    checkRandomProfiles<uint32_t>(UINT32_MAX, 3);
    checkRandomProfiles<uint32_t>(1000, 4);
}

TEST(Correlate, LongProfilesDoNotOverflowTheSums) {
    std::mt19937 rng(5);
    const int n = 200000;
    std::vector<uint8_t> b8 = randomProfile<uint8_t>(n + 2, rng, 255);
    std::vector<uint8_t> a8(b8.begin() + 1, b8.begin() + 1 + n);
    for (size_t i = 0; i < a8.size(); i += 3) a8[i] = uint8_t(255 - a8[i]);
    std::vector<double> scores(5);
    ASSERT_EQ(correlate(a8, b8, 1, scores.data()), 0);
    std::vector<double> expected = directScores(a8, b8, 1);
    for (size_t i = 0; i < 5; ++i) EXPECT_NEAR(scores[i], expected[i], 1e-9);
    EXPECT_GT(scores[2], 0.05);

    std::vector<uint32_t> b32 = randomProfile<uint32_t>(n + 2, rng, UINT32_MAX);
    std::vector<uint32_t> a32(b32.begin() + 1, b32.begin() + 1 + n);
    for (size_t i = 0; i < a32.size(); i += 3) a32[i] = UINT32_MAX - a32[i];
    ASSERT_EQ(correlate(a32, b32, 1, scores.data()), 0);
    expected = directScores(a32, b32, 1);
    for (size_t i = 0; i < 5; ++i) EXPECT_NEAR(scores[i], expected[i], 1e-9);
}

TEST(Correlate, SmallCases) {
    const std::vector<uint8_t> p{10, 50, 20, 90, 30};
    std::vector<uint8_t> negative;
    for (uint8_t v : p) negative.push_back(uint8_t(255 - v));
    double score = -1;
    ASSERT_EQ(correlate(p, p, 0, &score), 0);
    EXPECT_EQ(score, 1.0);
    ASSERT_EQ(correlate(p, negative, 0, &score), 0);
    EXPECT_EQ(score, 0.0);
    const std::vector<uint8_t> flat(5, 77);
    ASSERT_EQ(correlate(flat, p, 0, &score), 0);
    EXPECT_EQ(score, 0.0);
    // n = 4, m = 6, maxShift 1: shifts -1 .. 3.
    std::vector<double> five(6, -1.0);
    const std::vector<uint8_t> a4{1, 9, 3, 7}, b6{5, 1, 9, 3, 7, 2};
    ASSERT_EQ(correlate(a4, b6, 1, five.data()), 0);
    EXPECT_EQ(five[2], 1.0);  // shift 1 lines a up with b[1..4]
    EXPECT_EQ(five[5], -1.0);
}

TEST(Correlate, BadArgumentsGiveStatusesAndWriteNothing) {
    const std::vector<uint8_t> p{1, 2, 3, 4};
    std::vector<double> scores(16, -1.0);
    EXPECT_EQ(cf_correlate1D_U8(nullptr, 4, p.data(), 4, 0, scores.data()),
              CID_STATUS_NULL_ARGUMENT);
    EXPECT_EQ(cf_correlate1D_U8(p.data(), 4, nullptr, 4, 0, scores.data()),
              CID_STATUS_NULL_ARGUMENT);
    EXPECT_EQ(cf_correlate1D_U8(p.data(), 4, p.data(), 4, 0, nullptr), CID_STATUS_NULL_ARGUMENT);
    const uint32_t q[4] = {1, 2, 3, 4};
    EXPECT_EQ(cf_correlate1D_U32(q, 4, nullptr, 4, 0, scores.data()), CID_STATUS_NULL_ARGUMENT);
    for (auto sizes : {std::tuple{0, 4, 0}, std::tuple{4, 0, 0}, std::tuple{4, 4, -1},
                       std::tuple{4, 3, 0}, std::tuple{4, 4, 4}, std::tuple{3, 4, 5}}) {
        auto [n, m, shift] = sizes;
        EXPECT_EQ(cf_correlate1D_U8(p.data(), n, p.data(), m, shift, scores.data()),
                  CID_STATUS_OUT_OF_RANGE);
        EXPECT_EQ(cf_correlate1D_U32(q, n, q, m, shift, scores.data()), CID_STATUS_OUT_OF_RANGE);
    }
    EXPECT_EQ(scores, std::vector<double>(16, -1.0));
}

// A smooth profile: a few slow sinusoids around mid grey.
struct smoothProfile {
    double amplitude[4], frequency[4], phase[4];
    explicit smoothProfile(std::mt19937& rng) {
        std::uniform_real_distribution<double> u(0, 1);
        for (int i = 0; i < 4; ++i) {
            amplitude[i] = 10 + 20 * u(rng);
            frequency[i] = 0.05 + 0.45 * u(rng);
            phase[i] = 6.28 * u(rng);
        }
    }
    double operator()(double x) const {
        double v = 128;
        for (int i = 0; i < 4; ++i) v += amplitude[i] * std::sin(frequency[i] * x + phase[i]);
        return v;
    }
};

template <typename T>
void checkFractionalShifts(double scale, uint32_t seed) {
    std::mt19937 rng(seed);
    const int n = 64, m = 96, maxShift = 3;
    for (int trial = 0; trial < 200; ++trial) {
        smoothProfile g(rng);
        const int whole = int(rng() % uint32_t(m - n + 1));
        const double shift = whole + std::uniform_real_distribution<double>(-0.5, 0.5)(rng);
        std::vector<T> a(n), b(m);
        for (int i = 0; i < m; ++i) b[size_t(i)] = static_cast<T>(std::lround(scale * g(i)));
        for (int j = 0; j < n; ++j)
            a[size_t(j)] = static_cast<T>(std::lround(scale * g(j + shift)));
        double found = -100, score = -1;
        ASSERT_EQ(best(a, b, maxShift, &found, &score), 0);
        ASSERT_NEAR(found, shift, 0.1) << "trial " << trial;
        EXPECT_GT(score, 0.9);
    }
}

TEST(RunCorrelate, FractionalShiftsAreFoundWithinATenthOfASample) {
    checkFractionalShifts<uint8_t>(1.0, 7);
    checkFractionalShifts<uint32_t>(1.5e7, 8);
}

TEST(RunCorrelate, EndsOfTheShiftRangeReportTheirOwnShifts) {
    std::mt19937 rng(9);
    std::vector<uint8_t> b = randomProfile<uint8_t>(20, rng, 255);
    std::vector<uint8_t> tail(b.end() - 16, b.end()), head(b.begin(), b.begin() + 16);
    double shift = -1, score = -1;
    ASSERT_EQ(best(tail, b, 0, &shift, &score), 0);
    EXPECT_EQ(shift, 4.0);  // the last score: shift m - n + maxShift
    EXPECT_EQ(score, 1.0);
    ASSERT_EQ(best(head, b, 0, &shift, &score), 0);
    EXPECT_EQ(shift, 0.0);
    std::vector<uint8_t> shiftedLeft(b.begin(), b.begin() + 16);
    std::vector<uint8_t> shortB(b.begin() + 3, b.begin() + 19);
    ASSERT_EQ(best(shiftedLeft, shortB, 3, &shift, &score), 0);
    EXPECT_EQ(shift, -3.0);  // the first score
}

TEST(RunCorrelate, NothingToReportAndBadSizes) {
    const std::vector<uint8_t> flat(8, 3), p{1, 2, 3, 4, 5, 6, 7, 8};
    double shift = 5, score = 5;
    ASSERT_EQ(best(flat, p, 2, &shift, &score), 0);
    EXPECT_EQ(shift, 0.0);
    EXPECT_EQ(score, 0.0);
    shift = score = 5;
    ASSERT_EQ(best(p, std::vector<uint8_t>(p.begin(), p.begin() + 5), 0, &shift, &score), 0);
    EXPECT_EQ(shift, 0.0);  // m < n: nothing to do
    EXPECT_EQ(score, 0.0);
    EXPECT_EQ(best(p, p, 8, &shift, &score), CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(best(p, p, -1, &shift, &score), CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(cf_RunCorrelate_U8(p.data(), 0, p.data(), 0, 0, &shift, &score),
              CID_STATUS_OUT_OF_RANGE);
    EXPECT_PRECONDITION(cf_RunCorrelate_U8(nullptr, 8, p.data(), 8, 0, &shift, &score));
    EXPECT_PRECONDITION(cf_RunCorrelate_U8(p.data(), 8, p.data(), 8, 0, nullptr, &score));
    cid_test::countingAllocator counter;
    counter.failAfter(0);
    EXPECT_EQ(best(p, p, 1, &shift, &score), CSYS_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(counter.live(), 0);
}

TEST(ImageCorrelate, UsesTheFirstRowOfEachWindow) {
    cid_test::greyImage first = cid_test::randomGreyImage(30, 3, 10);
    cid_test::greyImage second = cid_test::randomGreyImage(30, 4, 11);
    for (int x = 0; x < 30; ++x) second.pixels[size_t(x)] = uint8_t(first.at(x, 0) / 2 + 9);
    cid_test::windowedImage image1(first, cid_test::padding{2, 2, 2, 2, 3, 5, 5});
    cid_test::windowedImage image2(second, cid_test::padding{1, 1, 1, 1, 0, -4});
    double shift = -1, score = -1;
    ASSERT_EQ(cidut_ip_correlate8(&image1.image.asConst, &image2.image.asConst, &shift, &score), 0);
    EXPECT_EQ(shift, 0.0);
    EXPECT_NEAR(score, 1.0, 1e-3);  // a halved copy, up to rounding
    std::vector<uint8_t> row1(first.pixels.begin(), first.pixels.begin() + 30);
    std::vector<uint8_t> row2(second.pixels.begin(), second.pixels.begin() + 30);
    double direct = -1;
    ASSERT_EQ(correlate(row1, row2, 0, &direct), 0);
    EXPECT_EQ(score, direct);

    cimg_image unbound;
    cimg_image_constructUnbound(&unbound);
    EXPECT_EQ(cidut_ip_correlate8(&unbound.asConst, &image2.image.asConst, &shift, &score),
              CIMG_STATUS_NOT_BOUND);
    ASSERT_EQ(cimg_image_window(&image2.image, -3, 1, 30, 0), 0);
    EXPECT_EQ(cidut_ip_correlate8(&image1.image.asConst, &image2.image.asConst, &shift, &score),
              CID_STATUS_OUT_OF_RANGE);
}

}  // namespace
