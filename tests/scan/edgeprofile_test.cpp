// Peak detection on ready profiles of 32-bit samples, and the track-state records.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <vector>

#include "ci_id/edgescan.h"
#include "ci_id/status.h"
#include "test_support.h"

namespace {

using peakVector = cstd_vector_cidc_peakIDFixedX_4;

cimg_windowConst profileWindow(std::vector<int32_t>& samples, int32_t depth = CIMG_DEPTH_32S) {
    return cimg_windowConst{static_cast<int32_t>(samples.size()),
                            1,
                            0,
                            0,
                            static_cast<intptr_t>(4 * samples.size()),
                            depth,
                            reinterpret_cast<const unsigned char*>(samples.data())};
}

struct profileResult {
    int32_t status;
    std::vector<cidc_peakIDFixedX_4> peaks;
};

profileResult detect(const cimg_windowConst& count, const cimg_windowConst& samples,
                     int32_t threshold) {
    peakVector v;
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&v), 0);
    const cidc_edgeScanParams params{threshold};
    profileResult r{cidc_runEdgeScanPeakDetection(&count, &samples, &params, &v), {}};
    cidc_peakIDFixedX_4* begin = nullptr;
    int32_t size = 0;
    cstd_vector_cidc_peakIDFixedX_4_getBeginSize32(&v, &begin, &size);
    r.peaks.assign(begin, begin + size);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
    return r;
}

// The rule on whole plateaus of the central differences g(i) = s[i + 1] - s[i - 1].
std::vector<cidc_peakIDFixedX_4> bruteForce(const std::vector<int32_t>& s, int32_t threshold) {
    std::vector<int64_t> g;
    for (size_t i = 1; i + 1 < s.size(); ++i) g.push_back(int64_t{s[i + 1]} - s[i - 1]);
    std::vector<cidc_peakIDFixedX_4> peaks;
    for (size_t a = 1; a < g.size(); ++a) {
        if (g[a] == g[a - 1]) continue;
        size_t b = a;
        while (b + 1 < g.size() && g[b + 1] == g[a]) ++b;
        if (b + 1 >= g.size()) break;
        const int64_t in = g[a] - g[a - 1], out = g[b + 1] - g[b], v = g[a];
        const bool beyond = out > 0 ? v < -int64_t{threshold} : v > threshold;
        if ((in > 0) != (out > 0) && beyond && b - a + 1 <= 6) {
            const int64_t den = 2 * (g[a - 1] - 2 * v + g[b + 1]);
            cidc_peakIDFixedX_4 peak{};
            peak.position =
                8 * static_cast<int64_t>(a + b) + (den ? 16 * (g[a - 1] - g[b + 1]) / den : 0);
            peak.strength =
                static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX));
            // g index b is the difference around sample b + 1.
            peak.midLevel = static_cast<uint8_t>((int64_t{s[b]} + s[b + 2]) / 2);
            peaks.push_back(peak);
        }
        a = b;
    }
    return peaks;
}

TEST(ProfilePeaks, CentredOnTheRise) {
    std::vector<int32_t> s{0, 0, 10, 30, 40, 40};
    const cimg_windowConst w = profileWindow(s);
    const profileResult r = detect(w, w, 5);
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.peaks.size(), 1u);
    // Sample 2.5 counted from sample 1.
    EXPECT_EQ(r.peaks[0].position, 24);
    EXPECT_EQ(r.peaks[0].strength, 30);
    EXPECT_EQ(r.peaks[0].midLevel, 25);  // (s[2] + s[4]) / 2, around the plateau's last difference
}

TEST(ProfilePeaks, RandomProfilesMatchTheRule) {
    std::mt19937 rng(41);
    for (int trial = 0; trial < 2000; ++trial) {
        std::vector<int32_t> s(rng() % 120);
        const bool wide = trial % 3 == 0;
        for (auto& v : s) {
            v = wide ? static_cast<int32_t>(rng()) : static_cast<int32_t>(rng() % 9) * 20;
        }
        const int32_t threshold = wide ? static_cast<int32_t>(rng()) / 4 : int32_t(rng() % 50);
        const cimg_windowConst w = profileWindow(s);
        const profileResult r = detect(w, w, threshold);
        ASSERT_EQ(r.status, 0);
        const auto want = bruteForce(s, threshold);
        ASSERT_EQ(r.peaks.size(), want.size()) << "trial " << trial;
        for (size_t k = 0; k < want.size(); ++k) {
            EXPECT_EQ(r.peaks[k].position, want[k].position);
            EXPECT_EQ(r.peaks[k].strength, want[k].strength);
            EXPECT_EQ(r.peaks[k].midLevel, want[k].midLevel);
        }
    }
}

TEST(ProfilePeaks, BadProfilesGiveStatuses) {
    std::vector<int32_t> s{0, 0, 0, 100, 100, 100};
    const cimg_windowConst w = profileWindow(s);
    cimg_windowConst count = w;
    count.width = -1;
    EXPECT_EQ(detect(count, w, 5).status, CID_STATUS_OUT_OF_RANGE);
    count.width = 7;  // more samples than the window holds
    EXPECT_EQ(detect(count, w, 5).status, CID_STATUS_INVALID_IMAGE);
    EXPECT_EQ(detect(w, profileWindow(s, CIMG_DEPTH_8U), 5).status, CID_STATUS_INVALID_IMAGE);
    cimg_windowConst noRow = w;
    noRow.height = 0;
    EXPECT_EQ(detect(w, noRow, 5).status, CID_STATUS_INVALID_IMAGE);
    count.width = 2;
    const profileResult few = detect(count, w, 5);
    EXPECT_EQ(few.status, 0);
    EXPECT_TRUE(few.peaks.empty());
    EXPECT_EQ(detect(w, w, 5).peaks.size(), 1u);
}

TEST(TrackStates, InitialisersSetEveryField) {
    cidc_trackStateConstantVal1D val;
    ASSERT_EQ(cidc_trackStateConstantVal1D_init(&val, 4), 0);
    EXPECT_EQ(val.value.estimate, 0);
    EXPECT_EQ(val.value.variance, -1);
    EXPECT_EQ(val.value.fracBits, 4);
    EXPECT_EQ(val.pending, 0);
    const cidc_trackValue known{120, 9, 3};
    ASSERT_EQ(cidc_trackStateConstantVal1D_initVal(&val, &known, 1), 0);
    EXPECT_EQ(val.value.estimate, 120);
    EXPECT_EQ(val.pending, 1);

    cidc_trackStateConstantRate1D rate;
    ASSERT_EQ(cidc_trackStateConstantRate1D_init(&rate, 2), 0);
    EXPECT_EQ(rate.rate.variance, -1);
    EXPECT_EQ(rate.rate.fracBits, 2);
    EXPECT_EQ(rate.cross, -1);
    const cidc_trackValue unknown{5, -1, 3};
    ASSERT_EQ(cidc_trackStateConstantRate1D_initVal(&rate, &known, &unknown, 0), 0);
    EXPECT_EQ(rate.cross, -1);
    ASSERT_EQ(cidc_trackStateConstantRate1D_initVal(&rate, &known, &known, 1), 0);
    EXPECT_EQ(rate.cross, 0);
    EXPECT_EQ(rate.pending, 1);
    const cidc_trackValue otherBits{5, 2, 4};
    EXPECT_PRECONDITION(cidc_trackStateConstantRate1D_initVal(&rate, &known, &otherBits, 0));
    EXPECT_PRECONDITION(cidc_trackStateConstantVal1D_init(&val, 8));
    EXPECT_PRECONDITION(cidc_trackStateConstantVal1D_init(nullptr, 0));
}

}  // namespace
