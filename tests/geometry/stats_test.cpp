// Statistics: of histograms against direct computation on random histograms, exact values and
// percentile boundaries; of fixed-point running sums, exact values and refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "ci_id/fixpt.h"
#include "ci_id/histostats.h"
#include "ci_id/status.h"

namespace {

void init(cxHistoStats* stats, const std::vector<uint32_t>& counts) {
    cxVector<uint32_t> h;
    for (uint32_t c : counts) ASSERT_EQ(h.pushBack(c), 0);
    ASSERT_EQ(stats->init(h, true), 0);
}

// The first bin whose cumulative count exceeds q percent of all, the last non-empty bin for 100,
// 0 without samples; in 128 bits.
int32_t directPercentile(const std::vector<uint32_t>& counts, int q) {
    unsigned __int128 total = 0, cumulative = 0;
    int32_t last = 0;
    for (size_t i = 0; i < counts.size(); ++i)
        total += counts[i], last = counts[i] ? int32_t(i) : last;
    for (size_t i = 0; q < 100 && i < counts.size(); ++i) {
        cumulative += counts[i];
        if (counts[i] && cumulative * 100 > total * unsigned(q)) return int32_t(i);
    }
    return last;
}

TEST(HistoStats, RandomHistogramsAgreeWithDirectComputation) {
    std::mt19937 rng(41);
    for (int trial = 0; trial < 400; ++trial) {
        // Small counts make exact percentile boundaries common; large ones sum beyond 32 bits.
        const uint32_t range = trial % 3 == 0 ? 4 : (trial % 3 == 1 ? 1000 : 4000000000u);
        std::vector<uint32_t> counts(1 + rng() % 300);
        for (uint32_t& c : counts) c = rng() % 3 == 0 ? 0 : rng() % range;
        long double n = 0, sum = 0, squares = 0;
        for (size_t i = 0; i < counts.size(); ++i)
            n += counts[i], sum += i * (long double)counts[i];
        const long double mean = n > 0 ? sum / n : 0;
        for (size_t i = 0; i < counts.size(); ++i) squares += (i - mean) * (i - mean) * counts[i];
        const double var = n > 1 ? double(squares / (n - 1)) : 0;
        cxHistoStats s;
        init(&s, counts);
        EXPECT_EQ(s.nSamp(), uint64_t(n));
        EXPECT_NEAR(s.mean(), double(mean), 1e-12 * (1 + double(mean)));
        EXPECT_NEAR(s.sDev(), std::sqrt(var), 1e-9 * (1 + std::sqrt(var)));
        EXPECT_EQ(s.mode(), std::max_element(counts.begin(), counts.end()) - counts.begin());
        for (int q = 0; q <= 100; ++q) ASSERT_EQ(s.inverseCum(q), directPercentile(counts, q)) << q;
    }
}

TEST(HistoStats, ExactValuesAndPercentileBoundaries) {
    cxHistoStats s;
    init(&s, {0, 2, 0, 2});
    EXPECT_TRUE(s.nSamp() == 4 && s.mean() == 2 && s.mode() == 1 && s.median() == 3);
    EXPECT_DOUBLE_EQ(s.var(), 4.0 / 3.0);  // divided by n - 1
    EXPECT_TRUE(s.min() == 1 && s.max() == 3 && s.inverseCum(-20) == 1 && s.inverseCum(500) == 3);
    init(&s, {1, 1, 1, 1});  // 25 percent of four samples is exactly one
    EXPECT_TRUE(s.inverseCum(24) == 0 && s.inverseCum(25) == 1 && s.inverseCum(75) == 3);
    init(&s, std::vector<uint32_t>(10, 0));
    EXPECT_TRUE(s.mean() == 0 && s.var() == 0 && s.mode() == 0 && s.inverseCum(100) == 0);
}

TEST(StatisticsFixed, ExactValuesAndRefusals) {
    // shift, samples, then mean, variance (in v^2 / 2^shift, divided by n - 1) and deviation.
    const struct {
        int32_t shift;
        std::vector<int32_t> samples;
        int32_t mean, var, sd;
    } rows[] = {{4, {0, 16, 32}, 16, 16, 4},
                {4, {6, 6}, 6, 0, 0},  // squares rounded up one by one: clamped at 0
                {3, {-40, 8, 100, 4}, 18, 432, 20},
                {5, {-7, 0}, -3, 1, 1}};
    for (const auto& row : rows) {
        cmath_statisticsFixed s;
        int32_t mean = -1, var = -1, sd = -1;
        ASSERT_EQ(cmath_statisticsFixed_init(&s, row.shift), 0);
        EXPECT_EQ(cmath_statisticsFixed_getMean(&s, &mean), CID_STATUS_STATS_EMPTY);
        for (int32_t v : row.samples) ASSERT_EQ(cmath_statisticsFixed_add(&s, v), 0);
        EXPECT_EQ(cmath_statisticsFixed_getMean(&s, &mean) +
                      cmath_statisticsFixed_getVariance(&s, &var) +
                      cmath_statisticsFixed_getStdDev(&s, &sd),
                  0);
        EXPECT_TRUE(mean == row.mean && var == row.var && sd == row.sd) << mean << " " << var;
    }
    cmath_statisticsFixed s;
    EXPECT_EQ(cmath_statisticsFixed_init(&s, 2), CID_STATUS_STATS_NOT_INITIALISED);
    EXPECT_EQ(cmath_statisticsFixed_add(&s, 1), CID_STATUS_STATS_NOT_INITIALISED);
    ASSERT_EQ(cmath_statisticsFixed_init(&s, 3), 0);
    int added = 0;
    while (cmath_statisticsFixed_add(&s, 46341) == 0) ++added;
    EXPECT_EQ(added, 7);  // each square adds about 2^28 to the 32-bit field
    const cmath_statisticsFixed before = s;
    EXPECT_EQ(cmath_statisticsFixed_add(&s, 46341), CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(std::memcmp(&s, &before, sizeof s), 0);
}

}  // namespace
