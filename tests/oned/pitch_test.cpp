// Pitch and grid: the listed cases, pitches of jittered positions with gaps and outliers against
// the true pitch, and grid indices against a brute-force search of the densest phase window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "ci_id/pitch.h"
#include "ci_id/status.h"

namespace {

struct scaledPitch {
    int32_t pitch = 0, span = 0, inliers = 0, origin = 0;
    int32_t run(const std::vector<int32_t>& x, int32_t guess, int32_t low, int32_t tol) {
        return cidut_cg1dComputeScaledPitch(int32_t(x.size()), x.data(), guess, low, 1100, tol,
                                            &span, &inliers, 32, &origin, &pitch);
    }
};

// Positions (1/256 pixel) of features at a pitch within 8 % of the guess 2560, each moved by up to
// 1 % of a pitch, a fifth of them missing, and outliers anywhere at the given rate; sorted or
// shuffled.
std::vector<int32_t> jittered(double pitch, double outliers, bool sorted, std::mt19937& rng) {
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<int32_t> x;
    const double start = 1000 + 5000 * unit(rng);
    for (int i = 0; i < 80; ++i) {
        if (unit(rng) < 0.2) continue;
        x.push_back(int32_t(std::lround(start + pitch * (i + 0.02 * (unit(rng) - 0.5)))));
        if (unit(rng) < outliers) x.push_back(int32_t(start + 80 * pitch * unit(rng)));
    }
    sorted ? std::sort(x.begin(), x.end()) : std::shuffle(x.begin(), x.end(), rng);
    return x;
}

// Regular positions keep their pitch, with no residual and every point but the first, which is
// the origin, an inlier; a low scale of 1000 would make the run length divide by zero. On jittered
// positions: the phase slope is a whole number of 1/256 pitch per index, so a round may leave 0.4
// %. The estimate takes an outlier into its run's means before leaving it out, and is dragged along
// (up to 1 %); the scaled search ends with one run over everything, which outliers barely move,
// though its narrow window now and then loses a fit to one.
TEST(Pitch, ListedRegularAndJitteredPositions) {
    const std::vector<int32_t> regular{537, 637, 737, 837, 937, 1037, 1137, 1237, 1337, 1437};
    int32_t pitch = 0, r = -1;
    ASSERT_EQ(cidut_estimatePitch(regular.data(), 10, 1, 10, 100, 120, 80, &pitch, &r), 0);
    EXPECT_EQ(pitch, 100);
    EXPECT_EQ(r, 0);  // the residual
    scaledPitch s;
    ASSERT_EQ(s.run(regular, 102, 900, 10), 0);
    EXPECT_EQ(s.pitch, 100);
    EXPECT_EQ(s.inliers, 9);
    EXPECT_EQ(s.origin, 537 / 102);
    EXPECT_EQ(s.run(regular, 100, 1000, 10), CID_STATUS_INVALID_VALUE);
    std::mt19937 rng(77);
    int scaledWithinHalfAPercent = 0;
    for (int trial = 0; trial < 300; ++trial) {
        const double truth = 2560 * std::uniform_real_distribution<double>(0.92, 1.08)(rng);
        const bool outliers = trial % 3 != 0, sorted = trial % 2 == 0;
        std::vector<int32_t> x = jittered(truth, outliers ? 0.0125 : 0.0, sorted, rng);
        const int32_t n = int32_t(x.size());
        ASSERT_EQ(cidut_estimatePitch(x.data(), n, sorted, 256, 2560, 2816, 2304, &pitch, &r), 0);
        EXPECT_NEAR(pitch, truth, (outliers ? 0.01 : 0.005) * truth) << trial;
        std::sort(x.begin(), x.end());
        if (trial % 2) std::reverse(x.begin(), x.end());
        ASSERT_EQ(s.run(x, 2560, 900, 64), 0);
        EXPECT_NEAR(s.pitch, truth, 0.01 * truth) << trial;
        scaledWithinHalfAPercent += std::fabs(s.pitch - truth) < 0.005 * truth;
    }
    EXPECT_GE(scaledWithinHalfAPercent, 294);
}

// The listed wrapped window; then a cluster of phases within half the window, and positions whose
// phases keep 1.5 windows above it and one below: the window holding the most phases, found by
// trying every phase as its first, holds exactly the cluster. Its members get indices from 0 whose
// differences are their distances in pitches; the others -1.
TEST(OnGrid, IndicesAgreeWithListedCaseAndBruteForceDensestWindow) {
    const int32_t listed[5] = {5, 105, 240, 298, 350};
    int32_t work[30], indices[30], origin = 0, flag = -1;
    ASSERT_EQ(cidut_cg1dOnGrid(5, listed, work, 100, 20, indices, &origin, &flag), 0);
    EXPECT_EQ(std::vector<int32_t>(indices, indices + 5), (std::vector<int32_t>{0, 1, -1, 3, -1}));
    EXPECT_EQ(origin, (98 + 105 - 20) / 2);
    // Phases 0, 5, 30 and 32: two windows of two, the closer pair wins.
    const int32_t tie[4] = {0, 105, 230, 332};
    ASSERT_EQ(cidut_cg1dOnGrid(4, tie, work, 100, 10, indices, &origin, &flag), 0);
    EXPECT_EQ(std::vector<int32_t>(indices, indices + 4), (std::vector<int32_t>{-1, -1, 0, 1}));
    std::mt19937 rng(79);
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t pitch = 50 + int32_t(rng() % 200), window = pitch / 5;
        const int32_t phase = int32_t(rng() % pitch), apart = pitch - 5 * window / 2;
        std::vector<int32_t> x, phases;
        for (int i = 0; i < 30; ++i) {
            const int32_t o = rng() % 3 ? rng() % (window / 2) : 3 * window / 2 + rng() % apart;
            x.push_back(pitch * int32_t(rng() % 400) + (phase + o) % pitch);
            phases.push_back(x.back() % pitch);
        }
        std::vector<bool> members;
        for (size_t most = 0, a = 0; a < x.size(); ++a) {
            std::vector<bool> in;
            for (int32_t p : phases) in.push_back((p - phases[a] + pitch) % pitch < window);
            const size_t count = std::count(in.begin(), in.end(), true);
            if (count > most) members = in, most = count;
        }
        ASSERT_EQ(cidut_cg1dOnGrid(30, x.data(), work, pitch, window, indices, &origin, &flag), 0);
        const size_t anchor = std::find(members.begin(), members.end(), true) - members.begin();
        for (size_t i = 0; i < x.size(); ++i) {
            ASSERT_EQ(indices[i] >= 0, bool(members[i])) << trial << " " << i;
            if (indices[i] < 0) continue;
            EXPECT_EQ(indices[i] - indices[anchor], std::lround(double(x[i] - x[anchor]) / pitch));
        }
        EXPECT_NE(std::find(indices, indices + 30, 0), indices + 30);  // indices start at 0
    }
}

}  // namespace
