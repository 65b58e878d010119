// Histogram statistics against direct computations, caching, and large counts.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "ci_id/histostats.h"
#include "ci_id/platform/csys_status.h"
#include "test_support.h"

namespace {

cxVector<uint32_t> histogramOf(const std::vector<uint32_t>& counts) {
    cxVector<uint32_t> h;
    for (uint32_t c : counts) EXPECT_EQ(h.pushBack(c), 0);
    return h;
}

void initWith(cxHistoStats* stats, const std::vector<uint32_t>& counts) {
    cxVector<uint32_t> h = histogramOf(counts);
    ASSERT_EQ(stats->init(h, true), 0);
}

// Percentile q by its definition: the first bin whose cumulative count exceeds q percent of all,
// and for 100 the last non-empty bin; 0 without samples.
int32_t directPercentile(const std::vector<uint32_t>& counts, int q) {
    unsigned __int128 total = 0;
    for (uint32_t c : counts) total += c;
    if (total == 0) return 0;
    if (q == 100) {
        for (size_t i = counts.size(); i-- > 0;) {
            if (counts[i]) return static_cast<int32_t>(i);
        }
    }
    unsigned __int128 cumulative = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
        cumulative += counts[i];
        if (counts[i] && cumulative * 100 > total * static_cast<unsigned>(q))
            return static_cast<int32_t>(i);
    }
    return -1;
}

TEST(HistoStats, SmallHistogramExactValues) {
    cxHistoStats s;
    initWith(&s, {0, 2, 0, 2});
    EXPECT_EQ(s.nSamp(), 4u);
    EXPECT_EQ(s.mean(), 2.0);
    EXPECT_DOUBLE_EQ(s.var(), 4.0 / 3.0);
    EXPECT_DOUBLE_EQ(s.sDev(), std::sqrt(4.0 / 3.0));
    EXPECT_EQ(s.mode(), 1);
    EXPECT_EQ(s.median(), 3);
    EXPECT_EQ(s.inverseCum(49), 1);
    EXPECT_EQ(s.histMin(), 1);
    EXPECT_EQ(s.min(), 1);
    EXPECT_EQ(s.histMax(), 3);
    EXPECT_EQ(s.max(), 3);
    EXPECT_EQ(s.inverseCum(-20), 1);
    EXPECT_EQ(s.inverseCum(500), 3);
    EXPECT_TRUE(s.isValid());
    EXPECT_EQ(s.histogram().size(), 4u);
    s.repInvariant();
}

TEST(HistoStats, EmptyAndAllZeroHistograms) {
    cxHistoStats s;
    EXPECT_FALSE(s.isValid());
    EXPECT_EQ(s.nSamp(), 0u);
    EXPECT_EQ(s.mean(), 0.0);
    EXPECT_EQ(s.median(), 0);
    EXPECT_PRECONDITION(s.mode());
    initWith(&s, std::vector<uint32_t>(10, 0));
    EXPECT_EQ(s.mean(), 0.0);
    EXPECT_EQ(s.var(), 0.0);
    EXPECT_EQ(s.sDev(), 0.0);
    EXPECT_EQ(s.mode(), 0);
    for (int q = 0; q <= 100; ++q) EXPECT_EQ(s.inverseCum(q), 0);
    initWith(&s, {0, 0, 5});  // one sample value: no spread
    EXPECT_EQ(s.mean(), 2.0);
    EXPECT_EQ(s.var(), 0.0);
    s.repInvariant();
}

TEST(HistoStats, RandomHistogramsAgreeWithDirectComputation) {
    std::mt19937 rng(41);
    for (int trial = 0; trial < 400; ++trial) {
        size_t bins = 1 + rng() % 300;
        std::vector<uint32_t> counts(bins);
        // Small counts make exact percentile boundaries common; large ones test the sums.
        uint32_t range = trial % 3 == 0 ? 4 : (trial % 3 == 1 ? 1000 : 4000000000u);
        for (uint32_t& c : counts) c = rng() % 3 == 0 ? 0 : rng() % range;
        long double n = 0, weighted = 0;
        for (size_t i = 0; i < bins; ++i) {
            n += counts[i];
            weighted += static_cast<long double>(i) * counts[i];
        }
        long double mean = n > 0 ? weighted / n : 0, squares = 0;
        for (size_t i = 0; i < bins; ++i) squares += (i - mean) * (i - mean) * counts[i];
        long double var = n > 1 ? squares / (n - 1) : 0;
        size_t mode = 0;
        for (size_t i = 1; i < bins; ++i) {
            if (counts[i] > counts[mode]) mode = i;
        }
        cxHistoStats s;
        // Percentiles first on odd trials, so that the mode also runs from the cached table.
        if (trial % 2) {
            initWith(&s, counts);
            for (int q = 0; q <= 100; ++q)
                ASSERT_EQ(s.inverseCum(q), directPercentile(counts, q)) << q;
        } else {
            initWith(&s, counts);
        }
        EXPECT_EQ(s.nSamp(), static_cast<uint64_t>(n));
        EXPECT_NEAR(s.mean(), static_cast<double>(mean), 1e-12 * (1 + static_cast<double>(mean)));
        EXPECT_NEAR(s.var(), static_cast<double>(var), 1e-9 * (1 + static_cast<double>(var)));
        EXPECT_NEAR(s.sDev(), std::sqrt(static_cast<double>(var)),
                    1e-9 * (1 + std::sqrt(static_cast<double>(var))));
        EXPECT_EQ(s.mode(), static_cast<int32_t>(mode));
        for (int q = 0; q <= 100; ++q) ASSERT_EQ(s.inverseCum(q), directPercentile(counts, q)) << q;
        s.repInvariant();
    }
}

TEST(HistoStats, ExactPercentileBoundaries) {
    cxHistoStats s;
    // Seven samples: the shares 100 k / 7 never hit a whole percent, 25 of four samples does.
    initWith(&s, {1, 1, 1, 1});
    EXPECT_EQ(s.inverseCum(24), 0);
    EXPECT_EQ(s.inverseCum(25), 1);
    EXPECT_EQ(s.inverseCum(75), 3);
    initWith(&s, {3, 0, 4});
    EXPECT_EQ(s.inverseCum(42), 0);
    EXPECT_EQ(s.inverseCum(43), 2);
    // 100 samples in 100 bins: bin q is exactly q percent.
    initWith(&s, std::vector<uint32_t>(100, 1));
    for (int q = 0; q < 100; ++q) EXPECT_EQ(s.inverseCum(q), q);
}

TEST(HistoStats, SumsBeyondThirtyTwoBits) {
    cxHistoStats s;
    std::vector<uint32_t> counts(1001, 0);
    counts[1000] = 5000000;  // sum of values 5e9
    counts[0] = 4000000000u;
    initWith(&s, counts);
    EXPECT_EQ(s.nSamp(), 4005000000u);
    EXPECT_DOUBLE_EQ(s.mean(), 5e9 / 4005000000.0);
    counts[0] = 0;
    counts[1] = 4000000000u;
    counts[2] = 4000000000u;
    initWith(&s, counts);
    EXPECT_EQ(s.nSamp(), 8005000000u);
    EXPECT_EQ(s.median(), 2);
}

TEST(HistoStats, CachesChangeOnlyWithInit) {
    cxHistoStats s;
    cxVector<uint32_t> first = histogramOf({5, 1});
    ASSERT_EQ(s.init(first, false), 0);
    EXPECT_EQ(first.size(), 2u);  // copied, not taken
    EXPECT_EQ(s.mean(), 1.0 / 6.0);
    EXPECT_EQ(s.mode(), 0);
    EXPECT_EQ(s.median(), 0);
    first[0] = 0;  // the caller's counts are not the object's
    EXPECT_EQ(s.mean(), 1.0 / 6.0);
    EXPECT_EQ(s.mode(), 0);
    cxVector<uint32_t> second = histogramOf({0, 1, 9});
    ASSERT_EQ(s.init(second, true), 0);
    EXPECT_EQ(second.size(), 2u);  // received the previous counts
    EXPECT_EQ(second[0], 5u);
    EXPECT_EQ(s.mean(), 1.9);
    EXPECT_EQ(s.mode(), 2);
    EXPECT_EQ(s.median(), 2);
    EXPECT_EQ(s.histMin(), 1);
}

TEST(HistoStats, FailedCopyLeavesNoBins) {
    cxHistoStats s;
    initWith(&s, {1, 2, 3});
    cxVector<uint32_t> big = histogramOf(std::vector<uint32_t>(50, 1));
    cid_test::countingAllocator allocator;
    allocator.failAfter(0);
    EXPECT_EQ(s.init(big, false), CSYS_STATUS_OUT_OF_MEMORY);
    EXPECT_FALSE(s.isValid());
    EXPECT_EQ(s.nSamp(), 0u);
    EXPECT_EQ(s.mean(), 0.0);
    allocator.neverFail();
    EXPECT_EQ(s.init(big, false), 0);
    EXPECT_EQ(s.nSamp(), 50u);
}

}  // namespace
