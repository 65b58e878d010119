// k-means against its listed cases and the best two-cluster split by brute force; box averaging
// against direct sums; the sharpness of sharp, blurred and flat regions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "ci_id/cluster.h"
#include "ci_id/threshold.h"
#include "threshold_images.h"

namespace {

using thr_test::greyImage;
using labels = std::vector<int32_t>;

struct clustered {
    labels fixed, dbl;
    int32_t count = 0, doubleCount = 0, converged = 0, doubleConverged = 0;
};

// Both forms on the same values; the double form's distance is scaled as the fixed form scales it.
clustered clusterBoth(ClusterParams p, const std::vector<int32_t>& v) {
    const int32_t n = int32_t(v.size());
    clustered c{labels(v.size()), labels(v.size())};
    cmath_statisticsFixed fixedStats[4];
    cmath_statistics doubleStats[4];
    const std::vector<double> dv(v.begin(), v.end());
    cidut_clusterKMeans_fixed(&p, v.data(), n, c.fixed.data(), fixedStats, 4, &c.count,
                              &c.converged);
    p.mergeDistance = p.mergeDistance < 0 ? -1 : std::ldexp(p.mergeDistance, p.shift);
    cidut_clusterKMeans(&p, dv.data(), n, c.dbl.data(), doubleStats, 4, &c.doubleCount,
                        &c.doubleConverged);
    return c;
}

TEST(KMeans, ListedCasesInBothForms) {
    const std::vector<int32_t> listed = {10, 11, 12, 50, 51, 52};
    const struct {
        ClusterParams p;
        std::vector<int32_t> values;
        labels expected;
    } cases[] = {
        {{0, -1, -1, 8}, listed, {0, 0, 0, 1, 1, 1}},
        {{0, -1, 0.5, 8}, listed, {0, 0, 0, 0, 0, 0}},  // 0.5 * 256 = 128 reaches the distance 40
        {{0, -1, 0.1, 8}, listed, {0, 0, 0, 1, 1, 1}},  // 26 does not
        {{0, -1, -1, 8}, {1, 50, 51, 52, 53}, {1, 0, 0, 0, 0}},  // the larger cluster first
        {{3, -1, -1, 8}, {7}, {0}},                              // one value, one cluster
        // 60 apart, deviations of 10: within 7 deviations (fixed point scales them differently).
        {{0, 7, -1, 8}, {0, 2560, 5120, 15360, 17920, 20480}, {0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const clustered r = clusterBoth(c.p, c.values);
        EXPECT_TRUE(r.fixed == c.expected && r.dbl == c.expected) << &c - cases;
        EXPECT_EQ(r.count, *std::max_element(c.expected.begin(), c.expected.end()) + 1);
        EXPECT_TRUE(r.doubleCount == r.count && r.converged == 1 && r.doubleConverged == 1);
    }
}

TEST(KMeans, TwoClustersAreTheBestSplitOfTheSortedValues) {
    // Groups far apart for their spread, so that the best split is the only settled one.
    std::mt19937 rng(21);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<int32_t> v(2 + rng() % 11);
        for (size_t i = 0; i < v.size(); ++i) v[i] = int32_t(rng() % 150 + (i % 2) * 850) * 256;
        std::shuffle(v.begin(), v.end(), rng);
        std::vector<double> s(v.begin(), v.end());
        std::sort(s.begin(), s.end());
        double best = 1e300, cut = 0;
        for (size_t k = 1; k < s.size(); ++k) {
            const double m0 = std::accumulate(s.begin(), s.begin() + long(k), 0.0) / double(k);
            const double m1 =
                std::accumulate(s.begin() + long(k), s.end(), 0.0) / double(s.size() - k);
            double cost = 0;
            for (size_t i = 0; i < s.size(); ++i) cost += std::pow(s[i] - (i < k ? m0 : m1), 2);
            if (cost < best) best = cost, cut = s[k];
        }
        const clustered r = clusterBoth(ClusterParams{0, -1, -1, 8}, v);
        const int32_t lower = r.fixed[size_t(std::min_element(v.begin(), v.end()) - v.begin())];
        for (size_t i = 0; i < v.size(); ++i) {
            EXPECT_EQ(r.fixed[i] == lower, v[i] < cut) << trial;
            EXPECT_EQ(r.dbl[i], r.fixed[i]) << trial;
        }
    }
}

TEST(SpatialAverage, RoundedBoxMeansWithTheLastColumnAndRowRepeated) {
    std::mt19937 rng(3);
    for (int trial = 0; trial < 30; ++trial) {
        const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 30);
        const int bw = trial ? 1 + int(rng() % w) : w, bh = trial ? 1 + int(rng() % h) : h;
        greyImage g = cid_test::randomGreyImage(w, h, uint32_t(trial)), out(w, h, 0, w + 3);
        cid_spatialAverage(g.pixels.data(), w, h, g.pitch, bw, bh, out.pixels.data(), out.pitch);
        const greyImage expected = thr_test::made(w, h, [&](int x, int y) {
            int sum = 0, x0 = std::min(x, w - bw), y0 = std::min(y, h - bh);
            thr_test::eachIn(g, x0, y0, x0 + bw - 1, y0 + bh - 1, [&](int p) { sum += p; });
            return (sum + bw * bh / 2) / (bw * bh);
        });
        EXPECT_TRUE(out == expected) << trial;
    }
}

TEST(Sharpness, ASharpStepOutranksABlurredOneAndAFlatRegionHasNone) {
    greyImage sharp = thr_test::made(40, 30, [](int x, int) { return (x / 10) % 2 ? 200 : 40; });
    greyImage flat = thr_test::made(40, 30, [](int x, int) { return 100 + x % 2; }),
              blurred = sharp;
    cid_spatialAverage(sharp.pixels.data(), 40, 30, 40, 5, 1, blurred.pixels.data(), 40);
    double s[3];
    for (int i = 0; i < 3; ++i) {
        const cid_test::windowedImage image(i == 0 ? sharp : i == 1 ? blurred : flat);
        ASSERT_EQ(cidut_getImageSharpnessFromSymbolRegion_(image.get(), 0, &s[i]), 0);
    }
    EXPECT_TRUE(s[0] > 0.5 && s[0] <= 1.0 && s[1] > 0 && s[1] < 0.8 * s[0] && s[2] == 0);
}

}  // namespace
