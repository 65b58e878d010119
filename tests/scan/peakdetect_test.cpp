// The incremental peak detector against a brute-force statement of its rule, and the contrast
// statistics.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "ci_id/peak.h"
#include "ci_id/platform/csys_status.h"
#include "test_support.h"

namespace {

using peakVector = cstd_vector_cidc_peakIDFixedX_4;

struct sample {
    int16_t value;
    uint8_t a, b;
};

struct detectParams {
    int32_t threshold = 0;
    int32_t offset = 0;
    uint32_t left = 0, right = 0;
};

// The rule stated on whole plateaus: a maximal run x[i..j] of equal samples, entered by a change
// and left by a change of the opposite sign, at most 6 long and beyond the threshold.
std::vector<cidc_peakIDFixedX_4> bruteForce(int32_t initial, const std::vector<sample>& feed,
                                            const detectParams& p) {
    std::vector<int64_t> x{initial};
    for (const sample& s : feed) x.push_back(s.value);
    std::vector<cidc_peakIDFixedX_4> peaks;
    const size_t n = x.size();
    for (size_t i = 1; i < n; ++i) {
        if (x[i] == x[i - 1]) continue;
        size_t j = i;
        while (j + 1 < n && x[j + 1] == x[i]) ++j;
        if (j + 1 >= n) break;
        const int64_t in = x[i] - x[i - 1];
        const int64_t out = x[j + 1] - x[j];
        const int64_t v = x[i];
        const bool beyond = out > 0 ? v < -int64_t{p.threshold} : v > p.threshold;
        if ((in > 0) != (out > 0) && beyond && j - i + 1 <= 6) {
            const int64_t before = x[i - 1], after = x[j + 1];
            const int64_t den = 2 * (before - 2 * v + after);
            const int64_t f = den ? 16 * (before - after) / den : 0;
            cidc_peakIDFixedX_4 peak{};
            peak.position = 8 * static_cast<int64_t>(i + j) + f + p.offset;
            const uint32_t shifted = static_cast<uint32_t>(v) << (p.left % 32);
            peak.strength = static_cast<int32_t>(shifted) >> (p.right % 32);
            peak.midLevel = static_cast<uint8_t>((feed[j].a + feed[j].b) >> 1);
            peaks.push_back(peak);
        }
        i = j;
    }
    return peaks;
}

std::vector<cidc_peakIDFixedX_4> contents(peakVector* v) {
    cidc_peakIDFixedX_4* begin = nullptr;
    int32_t size = 0;
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_getBeginSize32(v, &begin, &size), 0);
    return std::vector<cidc_peakIDFixedX_4>(begin, begin + size);
}

std::vector<cidc_peakIDFixedX_4> detect(int32_t initial, const std::vector<sample>& feed,
                                        const detectParams& p) {
    peakVector v;
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&v), 0);
    cidc_peakDetectState st;
    EXPECT_EQ(cidc_peakDetectState_init(&st, &v, initial, static_cast<int32_t>(feed.size())), 0);
    for (const sample& s : feed) {
        cidc_peakDetectState_detect(&st, s.a, s.b, s.value, p.threshold, p.offset, p.left, p.right);
    }
    EXPECT_EQ(cidc_peakDetectState_finish(&st, &v), 0);
    std::vector<cidc_peakIDFixedX_4> out = contents(&v);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
    return out;
}

std::vector<sample> profile(std::initializer_list<int16_t> values) {
    std::vector<sample> out;
    for (int16_t v : values) out.push_back(sample{v, 0, 0});
    return out;
}

void expectSamePeaks(const std::vector<cidc_peakIDFixedX_4>& got,
                     const std::vector<cidc_peakIDFixedX_4>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < got.size(); ++k) {
        EXPECT_EQ(got[k].position, want[k].position) << "peak " << k;
        EXPECT_EQ(got[k].strength, want[k].strength) << "peak " << k;
        EXPECT_EQ(got[k].midLevel, want[k].midLevel) << "peak " << k;
        EXPECT_EQ(got[k].id1, 0);
        EXPECT_EQ(got[k].id2, 0);
        const unsigned char zero[16] = {};
        EXPECT_EQ(std::memcmp(got[k].userData, zero, sizeof zero), 0);
    }
}

TEST(PeakDetect, SymmetricPeakAndThreshold) {
    detectParams p;
    p.threshold = 5;
    auto peaks = detect(0, profile({10, 20, 10, 0}), p);
    ASSERT_EQ(peaks.size(), 1u);
    EXPECT_EQ(peaks[0].position, 32);
    EXPECT_EQ(peaks[0].strength, 20);
    p.threshold = 20;
    EXPECT_TRUE(detect(0, profile({10, 20, 10, 0}), p).empty());
    p.threshold = 19;
    EXPECT_EQ(detect(0, profile({10, 20, 10, 0}), p).size(), 1u);
    // A minimum: strength negative, its position shifted toward the lower neighbour.
    p.threshold = 5;
    peaks = detect(0, profile({-10, -30, -20, 0}), p);
    ASSERT_EQ(peaks.size(), 1u);
    EXPECT_EQ(peaks[0].strength, -30);
    EXPECT_EQ(peaks[0].position, 32 + 16 * (-10 + 20) / (2 * (-10 + 60 - 20)));
}

TEST(PeakDetect, PlateausUpToSixSamples) {
    detectParams p;
    p.threshold = 5;
    for (int length : {5, 6, 7}) {
        std::vector<sample> feed = profile({10});
        for (int k = 0; k < length; ++k) feed.push_back(sample{30, 0, 0});
        feed.push_back(sample{10, 0, 0});
        feed.push_back(sample{0, 0, 0});
        auto peaks = detect(0, feed, p);
        if (length == 7) {
            EXPECT_TRUE(peaks.empty());
            continue;
        }
        ASSERT_EQ(peaks.size(), 1u) << length;
        // Samples 2 .. length + 1; symmetric neighbours, so no sub-sample offset.
        EXPECT_EQ(peaks[0].position, 8 * (2 + length + 1)) << length;
    }
}

TEST(PeakDetect, NeedsASlopeBeforeTheReversal) {
    detectParams p;
    EXPECT_TRUE(detect(0, profile({1, 2, 3, 4, 5, 6}), p).empty());
    // The first sample after init reverses nothing: no slope has been seen yet.
    EXPECT_TRUE(detect(50, profile({0, 0, 0}), p).empty());
    EXPECT_EQ(detect(50, profile({0, 10, 0}), p).size(), 1u);
}

TEST(PeakDetect, RandomProfilesMatchTheRule) {
    std::mt19937 rng(21);
    for (int trial = 0; trial < 3000; ++trial) {
        const int length = static_cast<int>(rng() % 200);
        const bool smallAlphabet = trial % 2 == 0;
        std::vector<sample> feed(length);
        for (auto& s : feed) {
            s.value = smallAlphabet ? static_cast<int16_t>(static_cast<int>(rng() % 7) * 10 - 30)
                                    : static_cast<int16_t>(rng());
            if (rng() % 3 == 0 && &s != feed.data()) s.value = (&s - 1)->value;
            s.a = static_cast<uint8_t>(rng());
            s.b = static_cast<uint8_t>(rng());
        }
        detectParams p;
        p.threshold = static_cast<int32_t>(rng() % 60) - 10;
        if (!smallAlphabet) p.threshold *= 500;
        p.offset = static_cast<int32_t>(rng() % 100000) - 50000;
        p.left = rng() % 40;
        p.right = rng() % 40;
        const int32_t initial = static_cast<int16_t>(rng() % 60 - 30);
        ASSERT_NO_FATAL_FAILURE(
            expectSamePeaks(detect(initial, feed, p), bruteForce(initial, feed, p)))
            << "trial " << trial;
    }
}

TEST(PeakDetect, AdvanceForgetsTheSlope) {
    peakVector v;
    ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&v), 0);
    cidc_peakDetectState st;
    ASSERT_EQ(cidc_peakDetectState_init(&st, &v, 0, 10), 0);
    cidc_peakDetectState_detect(&st, 0, 0, 10, 5, 0, 0, 0);
    cidc_peakDetectState_detect(&st, 0, 0, 20, 5, 0, 0, 0);
    ASSERT_EQ(cidc_peakDetectState_advance(&st, 20, 3), 0);
    EXPECT_EQ(st.index, 5);
    EXPECT_EQ(st.lastDelta, 0);
    cidc_peakDetectState_detect(&st, 0, 0, 10, 5, 0, 0, 0);
    cidc_peakDetectState_detect(&st, 0, 0, 0, 5, 0, 0, 0);
    ASSERT_EQ(cidc_peakDetectState_finish(&st, &v), 0);
    EXPECT_TRUE(contents(&v).empty());

    // After a skip, positions count the skipped samples.
    ASSERT_EQ(cidc_peakDetectState_init(&st, &v, 0, 10), 0);
    cidc_peakDetectState_advance(&st, 0, 4);
    for (int16_t s : {10, 20, 10}) cidc_peakDetectState_detect(&st, 0, 0, s, 5, 0, 0, 0);
    ASSERT_EQ(cidc_peakDetectState_finish(&st, &v), 0);
    ASSERT_EQ(contents(&v).size(), 1u);
    EXPECT_EQ(contents(&v)[0].position, 16 * 6);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
}

TEST(PeakDetect, AppendsToExistingPeaksAndChecksCapacity) {
    peakVector v;
    cidc_peakIDFixedX_4 old{};
    old.position = 999;
    std::memset(old.userData, 0xAB, sizeof old.userData);
    ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructFill(&v, 2, &old), 0);
    cidc_peakDetectState st;
    ASSERT_EQ(cidc_peakDetectState_init(&st, &v, 0, 3), 0);
    EXPECT_EQ(st.peakCount, 2);
    EXPECT_EQ(st.peakCapacity, 5);
    for (int16_t s : {10, 0, 10, 0}) cidc_peakDetectState_detect(&st, 0, 0, s, 5, 0, 0, 0);
    EXPECT_EQ(st.peakCount, 4);
    ASSERT_EQ(cidc_peakDetectState_finish(&st, &v), 0);
    auto all = contents(&v);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[1].position, 999);
    EXPECT_EQ(all[1].userData[15], 0xAB);
    EXPECT_EQ(all[2].position, 16);

    ASSERT_EQ(cidc_peakDetectState_init(&st, &v, 0, 1), 0);
    for (int16_t s : {10, 0, 10}) cidc_peakDetectState_detect(&st, 0, 0, s, 5, 0, 0, 0);
    EXPECT_PRECONDITION(cidc_peakDetectState_detect(&st, 0, 0, 0, 5, 0, 0, 0));
    EXPECT_PRECONDITION(cidc_peakDetectState_init(&st, &v, 0, -1));
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
}

TEST(PeakDetect, FailedGrowthLeavesThePeaks) {
    peakVector v;
    cidc_peakIDFixedX_4 old{};
    ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructFill(&v, 3, &old), 0);
    cidc_peakDetectState st;
    {
        cid_test::countingAllocator allocator;
        allocator.failAfter(0);
        EXPECT_EQ(cidc_peakDetectState_init(&st, &v, 0, 1000), CSYS_STATUS_OUT_OF_MEMORY);
    }
    EXPECT_EQ(contents(&v).size(), 3u);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
}

cidc_peakIDFixedX_4 withStrength(int32_t strength, int32_t id = 0) {
    cidc_peakIDFixedX_4 p{};
    p.strength = strength;
    p.id1 = id;
    return p;
}

TEST(ContrastStats, MinimumAndTrimmedMean) {
    int32_t minimum = -1, mean = -1;
    std::vector<cidc_peakIDFixedX_4> two{withStrength(5), withStrength(-7)};
    ASSERT_EQ(cidc_peakIDFixedX_4_getContrastStats(two.data(), two.data() + 2, 1, &minimum, &mean),
              0);
    EXPECT_EQ(minimum, 5);
    EXPECT_EQ(mean, 6);
    std::vector<cidc_peakIDFixedX_4> seven;
    for (int32_t s : {1, 2, 3, 4, 5, 6, 100}) seven.push_back(withStrength(s));
    cidc_peakIDFixedX_4_getContrastStats(seven.data(), seven.data() + 7, 1, &minimum, &mean);
    EXPECT_EQ(minimum, 1);
    EXPECT_EQ(mean, 4);
    // Only assigned peaks (either identifier set) when includeAll is 0.
    seven[6].id2 = 3;
    seven[2].id1 = 1;
    cidc_peakIDFixedX_4_getContrastStats(seven.data(), seven.data() + 7, 0, &minimum, &mean);
    EXPECT_EQ(minimum, 3);
    EXPECT_EQ(mean, 51);
    cidc_peakIDFixedX_4_getContrastStats(two.data(), two.data() + 2, 0, &minimum, &mean);
    EXPECT_EQ(minimum, 0);
    EXPECT_EQ(mean, 0);
    cidc_peakIDFixedX_4_getContrastStats(nullptr, nullptr, 1, &minimum, &mean);
    EXPECT_EQ(mean, 0);
    std::vector<cidc_peakIDFixedX_4> extreme{withStrength(INT32_MIN), withStrength(INT32_MAX)};
    cidc_peakIDFixedX_4_getContrastStats(extreme.data(), extreme.data() + 2, 1, &minimum, &mean);
    EXPECT_EQ(minimum, INT32_MAX);
    EXPECT_EQ(mean, INT32_MAX);
}

}  // namespace
