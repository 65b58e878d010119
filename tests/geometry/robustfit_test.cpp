// Robust line fit: exact cases, planted outliers, a brute-force search written here, ties,
// failures and stop requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "ci_id/linefit.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/status.h"
#include "test_support.h"

namespace {

void fill(cxVector<cx2Vect>* v, const std::vector<cx2Vect>& pts) {
    v->clear();
    for (const cx2Vect& p : pts) ASSERT_EQ(v->pushBack(p), 0);
}

std::vector<uint32_t> outliersOf(const cidut_linefit_result& r) {
    return std::vector<uint32_t>(r.outliers.begin(), r.outliers.end());
}

// RMS distance of the kept points from their total least-squares line, by a two-pass fit in
// long double (no library code).
double referenceRms(const std::vector<cx2Vect>& pts, const std::vector<bool>& left) {
    long double mx = 0, my = 0, m = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        if (left[i]) continue;
        mx += pts[i].x();
        my += pts[i].y();
        ++m;
    }
    mx /= m;
    my /= m;
    long double sxx = 0, syy = 0, sxy = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        if (left[i]) continue;
        long double dx = pts[i].x() - mx, dy = pts[i].y() - my;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
    }
    // The smaller eigenvalue of the covariance is the least sum of squared distances.
    long double smallest = (sxx + syy) / 2 - std::sqrt((sxx - syy) * (sxx - syy) / 4 + sxy * sxy);
    return std::sqrt(static_cast<double>(std::fmax(smallest, 0.0L) / m));
}

struct bruteResult {
    std::vector<uint32_t> outliers;  // largest first
    double rms = HUGE_VAL;
};

bruteResult bruteForce(const std::vector<cx2Vect>& pts, int k) {
    bruteResult best;
    size_t n = pts.size();
    std::vector<bool> left(n, false);
    auto consider = [&](std::vector<uint32_t> set) {
        double rms = referenceRms(pts, left);
        if (rms < best.rms) best = bruteResult{set, rms};
    };
    if (k == 1) {
        for (uint32_t i = 0; i < n; ++i) {
            left[i] = true;
            consider({i});
            left[i] = false;
        }
    } else {
        for (uint32_t i = 1; i < n; ++i) {
            for (uint32_t j = 0; j < i; ++j) {
                left[i] = left[j] = true;
                consider({i, j});
                left[i] = left[j] = false;
            }
        }
    }
    return best;
}

TEST(RobustFit, ParamsAndResultInit) {
    cidut_linefit_params p{};
    EXPECT_EQ(cidut_linefit_params_set(&p, 3, 0.25), 0);
    EXPECT_EQ(p.numOutliers, 3);
    EXPECT_EQ(p.maxRmsError, 0.25);
    cidut_linefit_result r;
    r.isGood = 1;
    r.rmsError = r.elapsedMs = 4;
    r.line = cidut_line{{1, 2}, {3, 4}};
    r.params = p;
    ASSERT_EQ(r.outliers.pushBack(5), 0);
    EXPECT_EQ(cidut_linefit_result_init(&r), 0);
    EXPECT_EQ(r.isGood, 0);
    EXPECT_EQ(r.rmsError, 0);
    EXPECT_EQ(r.elapsedMs, 0);
    EXPECT_TRUE(r.outliers.empty());
    EXPECT_EQ(r.line.dir.y, 0);
    EXPECT_EQ(r.params.numOutliers, 0);
    EXPECT_EQ(r.params.maxRmsError, 0);
    EXPECT_PRECONDITION(cidut_linefit_params_set(nullptr, 1, 1));
    EXPECT_PRECONDITION(cidut_linefit_result_init(nullptr));
}

TEST(RobustFit, LeavesOutTheOddPoint) {
    cxVector<cx2Vect> pts;
    fill(&pts, {{0, 0}, {1, 0}, {2, 0}, {3, 5}});
    cidut_linefit_params p{};
    cidut_linefit_params_set(&p, 1, 1e-9);
    cidut_linefit_result r;
    cidut_linefit_result_init(&r);
    ASSERT_EQ(cidut_line_fit(&p, &pts, &r), 0);
    EXPECT_EQ(outliersOf(r), std::vector<uint32_t>{3});
    EXPECT_EQ(r.rmsError, 0.0);
    EXPECT_EQ(r.isGood, 1);
    EXPECT_EQ(r.params.numOutliers, 1);
    EXPECT_GE(r.elapsedMs, 0.0);
    EXPECT_EQ(r.line.dir.x, 1.0);
    EXPECT_EQ(r.line.pos.y, 0.0);
}

TEST(RobustFit, NoOutliersFitsEveryPoint) {
    cxVector<cx2Vect> pts;
    fill(&pts, {{0, 1}, {2, 2}, {4, 3}, {6, 4}});
    cidut_linefit_params p{};
    cidut_linefit_params_set(&p, 0, 0.5);
    cidut_linefit_result r;
    cidut_linefit_result_init(&r);
    ASSERT_EQ(r.outliers.pushBack(9), 0);
    ASSERT_EQ(cidut_line_fit(&p, &pts, &r), 0);
    EXPECT_TRUE(r.outliers.empty());
    EXPECT_NEAR(r.rmsError, 0.0, 1e-14);
    EXPECT_EQ(r.isGood, 1);
    // Not good when the error reaches the bound.
    fill(&pts, {{0, 0}, {1, 1}, {2, 0}, {3, 1}});
    cidut_linefit_params_set(&p, 0, 0.1);
    ASSERT_EQ(cidut_line_fit(&p, &pts, &r), 0);
    EXPECT_GT(r.rmsError, 0.1);
    EXPECT_EQ(r.isGood, 0);
}

TEST(RobustFit, TooFewPointsLeaveTheResultUntouched) {
    cxVector<cx2Vect> pts;
    fill(&pts, {{0, 0}, {1, 2}, {5, 1}});
    cidut_linefit_params p{};
    cidut_linefit_params_set(&p, 2, 1.0);
    cidut_linefit_result r;
    cidut_linefit_result_init(&r);
    r.rmsError = 7;
    EXPECT_EQ(cidut_line_fit(&p, &pts, &r), CID_STATUS_ROBUST_FIT_FAILED);
    EXPECT_EQ(r.rmsError, 7);
    // One outlier of three: each pair fits exactly.
    cidut_linefit_params_set(&p, 1, 1.0);
    ASSERT_EQ(cidut_line_fit(&p, &pts, &r), 0);
    EXPECT_LT(r.rmsError, 1e-12);
    EXPECT_EQ(r.outliers.size(), 1u);
}

TEST(RobustFit, TiesKeepTheFirstIndexSet) {
    // Every candidate fits the x axis exactly: the first one enumerated wins.
    cxVector<cx2Vect> pts;
    fill(&pts, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}});
    cidut_linefit_params p{};
    cidut_linefit_result r;
    cidut_linefit_result_init(&r);
    cidut_linefit_params_set(&p, 1, 1.0);
    ASSERT_EQ(cidut_line_fit(&p, &pts, &r), 0);
    EXPECT_EQ(outliersOf(r), std::vector<uint32_t>{0});
    cidut_linefit_params_set(&p, 2, 1.0);
    ASSERT_EQ(cidut_line_fit(&p, &pts, &r), 0);
    EXPECT_EQ(outliersOf(r), (std::vector<uint32_t>{1, 0}));
    cidut_linefit_params_set(&p, 3, 1.0);
    ASSERT_EQ(cidut_line_fit(&p, &pts, &r), 0);
    EXPECT_EQ(outliersOf(r), (std::vector<uint32_t>{2, 1, 0}));
}

TEST(RobustFit, FindsPlantedOutliersAndAgreesWithBruteForce) {
    std::mt19937 rng(31);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int trial = 0; trial < 60; ++trial) {
        int k = 1 + trial % 2;
        int n = 8 + trial % 17;
        double a = M_PI * u(rng);
        cx2Vect dir(std::cos(a), std::sin(a)), normal(-std::sin(a), std::cos(a));
        cx2Vect centre(100 * u(rng), 100 * u(rng));
        std::vector<cx2Vect> pts;
        for (int i = 0; i < n; ++i)
            pts.push_back(centre + dir * (30 * u(rng)) + normal * (0.05 * u(rng)));
        std::vector<uint32_t> planted;
        while (static_cast<int>(planted.size()) < k) {
            uint32_t i = rng() % n;
            if (std::find(planted.begin(), planted.end(), i) != planted.end()) continue;
            planted.push_back(i);
            pts[i] = pts[i] + normal * ((u(rng) < 0 ? -1 : 1) * (3 + 5 * std::fabs(u(rng))));
        }
        std::sort(planted.rbegin(), planted.rend());
        cxVector<cx2Vect> v;
        fill(&v, pts);
        cidut_linefit_params p{};
        cidut_linefit_params_set(&p, k, 0.1);
        cidut_linefit_result r;
        cidut_linefit_result_init(&r);
        ASSERT_EQ(cidut_line_fit(&p, &v, &r), 0);
        EXPECT_EQ(outliersOf(r), planted);
        EXPECT_EQ(r.isGood, 1);
        bruteResult brute = bruteForce(pts, k);
        EXPECT_EQ(outliersOf(r), brute.outliers);
        EXPECT_NEAR(r.rmsError, brute.rms, 1e-9 * brute.rms + 1e-12);
    }
}

TEST(RobustFit, AgreesWithBruteForceOnPlainNoise) {
    std::mt19937 rng(32);
    std::uniform_real_distribution<double> u(-10, 10);
    for (int trial = 0; trial < 40; ++trial) {
        int k = 1 + trial % 2;
        std::vector<cx2Vect> pts;
        for (int i = 0; i < 12; ++i) pts.push_back(cx2Vect(u(rng), 0.3 * u(rng) + 0.2 * i));
        cxVector<cx2Vect> v;
        fill(&v, pts);
        cidut_linefit_params p{};
        cidut_linefit_params_set(&p, k, 1.0);
        cidut_linefit_result r;
        cidut_linefit_result_init(&r);
        ASSERT_EQ(cidut_line_fit(&p, &v, &r), 0);
        bruteResult brute = bruteForce(pts, k);
        EXPECT_EQ(outliersOf(r), brute.outliers);
        EXPECT_NEAR(r.rmsError, brute.rms, 1e-9 * brute.rms);
    }
}

TEST(RobustFit, NonFiniteAndDegenerateCandidatesAreSkipped) {
    cxVector<cx2Vect> pts;
    fill(&pts, {{0, 0}, {1, 1}, {NAN, 3}, {2, 2}, {3, 3}});
    cidut_linefit_params p{};
    cidut_linefit_params_set(&p, 1, 1.0);
    cidut_linefit_result r;
    cidut_linefit_result_init(&r);
    ASSERT_EQ(cidut_line_fit(&p, &pts, &r), 0);
    EXPECT_EQ(outliersOf(r), std::vector<uint32_t>{2});
    cidut_linefit_params_set(&p, 0, 1.0);
    EXPECT_EQ(cidut_line_fit(&p, &pts, &r), CID_STATUS_ROBUST_FIT_FAILED);
    // Every candidate of equal points has no direction.
    fill(&pts, {{1, 1}, {1, 1}, {1, 1}, {1, 1}});
    cidut_linefit_params_set(&p, 1, 1.0);
    EXPECT_EQ(cidut_line_fit(&p, &pts, &r), CID_STATUS_ROBUST_FIT_FAILED);
}

TEST(RobustFit, StopRequestsAllocationFailuresAndPreconditions) {
    cxVector<cx2Vect> pts;
    fill(&pts, {{0, 0}, {1, 0}, {2, 0}, {3, 5}, {4, 1}});
    cidut_linefit_params p{};
    cidut_linefit_params_set(&p, 2, 1.0);
    cidut_linefit_result r;
    cidut_linefit_result_init(&r);
    csys_attentionToken token;
    csys_attention_initToken(&token);
    csys_attentionToken* previous = csys_attention_bindToken(&token);
    csys_attention_requestStop(&token);
    EXPECT_EQ(cidut_line_fit(&p, &pts, &r), CSYS_STATUS_STOP_REQUESTED);
    csys_attention_bindToken(previous);
    {
        cid_test::countingAllocator allocator;
        allocator.failAfter(0);
        EXPECT_EQ(cidut_line_fit(&p, &pts, &r), CSYS_STATUS_OUT_OF_MEMORY);
        allocator.failAfter(1);  // the index set, but not the copy of the best one
        EXPECT_EQ(cidut_line_fit(&p, &pts, &r), CSYS_STATUS_OUT_OF_MEMORY);
        allocator.neverFail();
        EXPECT_EQ(cidut_line_fit(&p, &pts, &r), 0);
    }
    EXPECT_EQ(outliersOf(r), (std::vector<uint32_t>{4, 3}));
    EXPECT_PRECONDITION(cidut_line_fit(nullptr, &pts, &r));
    EXPECT_PRECONDITION(cidut_line_fit(&p, nullptr, &r));
    EXPECT_PRECONDITION(cidut_line_fit(&p, &pts, nullptr));
    cidut_linefit_params_set(&p, -1, 1.0);
    EXPECT_PRECONDITION(cidut_line_fit(&p, &pts, &r));
}

}  // namespace
