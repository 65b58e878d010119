// Lines, segments and line fits: exact values and refusals, least squares against a two-pass
// reference, the fixed-point fit as the rounded floating fit, the robust fit against a brute-force
// search, and the public headers compiled as C.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "ci_id/linefit.h"
#include "ci_id/platform/cx_exception.h"
#include "ci_id/status.h"

extern "C" int ci_id_c_header_check(void);

namespace {

// The signed distance as the headers define it: (p - pos) x dir.
double distance(const cidut_line& line, const cmath_vect& p) {
    return (p.x - line.pos.x) * line.dir.y - (p.y - line.pos.y) * line.dir.x;
}

TEST(Line, ExactValuesAndRefusals) {
    cidut_line line, other{{5, 5}, {5, 5}};
    const cmath_vect origin{0, 0}, tiny{1e-6, 0}, q{3, 5}, onAxis{2, 0};
    cmath_vect x{}, foot{}, out{42, 42};
    double d = 0;
    ASSERT_EQ(cidut_line_initAngDis(&line, M_PI / 2, 2.0), 0);
    EXPECT_TRUE(line.pos.x == -2 && line.pos.y == 0);  // the x axis crossing of a vertical line
    cidut_line_initAngPos(&line, M_PI / 2, &onAxis);
    cidut_line_initAngDis(&other, 0.0, 1.0);
    EXPECT_EQ(cidut_line_getIntersection(&line, &other, &x), 0);
    EXPECT_TRUE(std::hypot(x.x - 2, x.y - 1) < 1e-15);
    cidut_line_projectPoint(&line, &q, &foot);
    EXPECT_TRUE(std::hypot(foot.x - 2, foot.y - 5) < 1e-14);
    EXPECT_EQ(cidut_line_getDistToPoint(&other, &q, &d), 0);
    EXPECT_EQ(d, -4);  // positive on the side of (dir.y, -dir.x)
    const cidut_lineSeg up{{5, -1}, {5, 1}}, axis{{0, 0}, {1, 0}}, flat{{0, 3}, {7, 3}};
    EXPECT_EQ(cidut_lineSeg_getIntersection(&axis, &up, &x), 0);
    EXPECT_TRUE(x.x == 5 && x.y == 0);
    // Refusals: a zeroed line, or the output left alone.
    EXPECT_EQ(cidut_line_initDirPos(&other, &tiny, &origin), CID_STATUS_INVALID_GEOMETRY);
    EXPECT_TRUE(other.pos.x == 0 && other.pos.y == 0 && other.dir.x == 0 && other.dir.y == 0);
    EXPECT_EQ(cidut_line_getIntersection(&line, &line, &out), CID_STATUS_PARALLEL_LINES);
    EXPECT_EQ(cidut_lineSeg_getIntersection(&axis, &flat, &out), CID_STATUS_PARALLEL_LINES);
    EXPECT_EQ(out.x, 42);
}

TEST(Headers, CompileAsC) { EXPECT_EQ(ci_id_c_header_check(), 0); }

// ---- Fits ---------------------------------------------------------------------------------------

using points = std::vector<cmath_vect>;

cxVector<cx2Vect> toVector(const points& pts) {
    cxVector<cx2Vect> v;
    for (const cmath_vect& p : pts) EXPECT_EQ(v.pushBack(cx2Vect(p)), 0);
    return v;
}

int32_t plainFit(cidut_line* line, const points& pts) {
    return cidut_lineFitting(line, pts.data(), static_cast<int32_t>(pts.size()));
}

points noisyLine(std::mt19937& rng, int n, double offset, double across) {
    std::uniform_real_distribution<double> u(-1, 1);
    const double a = M_PI * u(rng), cx = offset * u(rng), cy = offset * u(rng);
    points pts(n);
    for (cmath_vect& p : pts) {
        const double s = 30 * u(rng), t = across * u(rng);
        p = {cx + s * std::cos(a) - t * std::sin(a), cy + s * std::sin(a) + t * std::cos(a)};
    }
    return pts;
}

// Two passes in long double: the centroid, then the centred moments, whose principal axis is the
// fitted direction and whose smaller eigenvalue the least sum of squared distances.
std::tuple<double, double, double, double> twoPass(const points& pts) {
    long double mx = 0, my = 0, sxx = 0, syy = 0, sxy = 0;
    for (const cmath_vect& p : pts) mx += p.x / pts.size(), my += p.y / pts.size();
    for (const cmath_vect& p : pts) {
        sxx += (p.x - mx) * (p.x - mx), syy += (p.y - my) * (p.y - my);
        sxy += (p.x - mx) * (p.y - my);
    }
    const long double least =
        (sxx + syy) / 2 - std::sqrt((sxx - syy) * (sxx - syy) / 4 + sxy * sxy);
    return {0.5 * std::atan2(double(2 * sxy), double(sxx - syy)), double(mx), double(my),
            std::fmax(double(least), 0.0)};
}

TEST(LineFitting, ExactLinesAndRefusals) {
    cidut_line line{};
    ASSERT_EQ(plainFit(&line, {{0, 1}, {1, 1}, {2, 1}}), 0);  // the foot point, unit direction
    EXPECT_TRUE(line.pos.x == 0 && line.pos.y == 1 && line.dir.x == 1 && line.dir.y == 0);
    ASSERT_EQ(plainFit(&line, {{1, 0}, {1, 5}}), 0);  // the centroid's distance is not negative
    EXPECT_TRUE(line.dir.x == 0 && line.dir.y == -1 && line.pos.x == 1 && line.pos.y == 0);
    // No unique direction is no fit but no error; non-finite input, or sums that overflow, is an
    // error. The class refuses both alike.
    const std::pair<points, int32_t> refusals[] = {
        {{}, 0},
        {{{3, 4}, {3, 4}}, 0},
        {{{0, 0}, {1, 0}, {0, 1}, {1, 1}}, 0},
        {{{0, 0}, {NAN, 1}, {3, 2}}, CID_STATUS_NO_LINE_FIT},
        {{{0, 0}, {2, HUGE_VAL}, {3, 2}}, CID_STATUS_NO_LINE_FIT},
        {{{0, 0}, {1e200, 1e200}, {3, 2}}, CID_STATUS_NO_LINE_FIT}};
    for (const auto& [pts, status] : refusals) {
        line = cidut_line{{7, 7}, {7, 7}};
        double err = 5;
        EXPECT_EQ(plainFit(&line, pts), status);
        EXPECT_FALSE(ccCidLSLineFitter(toVector(pts)).fitAndError(&line, &err));
        EXPECT_TRUE(line.pos.x == 7 && line.dir.y == 7 && err == 5);
        EXPECT_THROW(ccCidLSLineFitter(toVector(pts)).fit(), cxException);
    }
}

TEST(LineFitting, RandomPointsAgreeWithTheReferenceAndDirectSums) {
    std::mt19937 rng(23);
    std::uniform_real_distribution<double> u(-1, 1);
    for (double offset : {0.0, 1e3, 1e6}) {
        for (int trial = 0; trial < 200; ++trial) {
            const points pts = noisyLine(rng, 5 + trial % 40, offset, 0.5);
            const auto [angle, mx, my, leastSquares] = twoPass(pts);
            const cx2Xform T(cx2Matrix(u(rng), u(rng), u(rng), u(rng)), cx2Vect(9, 7));
            const points head(pts.begin(), pts.begin() + 2), tail(pts.begin() + 2, pts.end());
            const ccCidLSLineFitter f =
                ccCidLSLineFitter(toVector(head)) + ccCidLSLineFitter(toVector(tail));
            cidut_line lines[2], other{};
            double err = 0;
            ASSERT_EQ(plainFit(&lines[0], pts), 0);
            ASSERT_TRUE(f.fitAndError(&lines[1], &err));
            // The class sums raw moments: far out, only the plain fit keeps its precision.
            for (int i = 0; i < (offset > 1e3 ? 1 : 2); ++i) {
                const double turn = std::atan2(lines[i].dir.y, lines[i].dir.x) - angle;
                EXPECT_NEAR(std::sin(turn), 0, i ? 1e-7 : 1e-9);
                EXPECT_NEAR(distance(lines[i], {mx, my}), 0, (i ? 1e-7 : 1e-9) * (1 + offset));
            }
            if (offset > 1e3) continue;
            // The least sum of squares, and the error of another line for the points mapped
            // through T, from the sums alone.
            EXPECT_NEAR(err, leastSquares, 1e-7 * (1 + err));
            cidut_line_initAngDis(&other, M_PI * u(rng), 100 * std::fabs(u(rng)));
            long double mapped = 0;
            for (const cmath_vect& p : pts)
                mapped += std::pow(distance(other, (T * cx2Vect(p)).vect()), 2);
            EXPECT_NEAR((T * f).error(other), double(mapped), 1e-9 * double(mapped));
        }
    }
}

// The fixed-point fit in single precision is pinned bit for bit in lsfit_float_test.cpp; here the
// exact values of a short slope and a fit that has no direction.
TEST(LineFittingFixed, ExactValues) {
    cidut_fixedLine line{};
    // y = x / 3 + 1: direction (242.86, 80.95) / 256, foot point (-76.8, 230.4) / 256.
    const cidut_fixedPoint slope[2] = {{0, 256}, {768, 512}};
    ASSERT_EQ(cidut_lineFitting_Fixed(nullptr, &line, slope, 2, 8), 0);
    EXPECT_TRUE(line.dir.x == 243 && line.dir.y == 81 && line.pos.x == -77 && line.pos.y == 230);
    const cidut_fixedPoint square[4] = {{0, 0}, {16, 0}, {0, 16}, {16, 16}};
    EXPECT_EQ(cidut_lineFitting_Fixed(nullptr, &line, square, 4, 4), 0);
    EXPECT_EQ(line.pos.x, -77);  // untouched
}

// The robust fit leaving out k points: its status and the outliers it reports.
auto robustFit(const points& pts, int k, cidut_linefit_result* r) {
    const cidut_linefit_params params{k, 0.1};
    const cxVector<cx2Vect> v = toVector(pts);
    const int32_t status = cidut_line_fit(&params, &v, r);
    return std::make_pair(status, std::vector<uint32_t>(r->outliers.begin(), r->outliers.end()));
}

TEST(RobustFit, AgreesWithABruteForceSearch) {
    std::mt19937 rng(31);
    for (int trial = 0; trial < 100; ++trial) {
        const int k = 1 + trial % 2, n = 8 + trial % 17;
        points pts = noisyLine(rng, n, 100, trial % 4 ? 0.05 : 5);
        for (int i = 0; i < k; ++i) pts[rng() % n].y += 8;
        // Every way of leaving out k points, largest index first, and the best line of the rest.
        std::vector<uint32_t> best;
        double bestRms = HUGE_VAL;
        for (uint32_t i = 0; i < uint32_t(n); ++i) {
            for (uint32_t j = k == 1 ? i : 0; j < i + (k == 1); ++j) {  // j == i: i alone
                points kept;
                for (uint32_t m = 0; m < uint32_t(n); ++m)
                    if (m != i && m != j) kept.push_back(pts[m]);
                const double rms = std::sqrt(std::get<3>(twoPass(kept)) / kept.size());
                if (rms < bestRms) bestRms = rms, best = {i, j};
            }
        }
        best.resize(k);
        cidut_linefit_result r;
        cidut_linefit_result_init(&r);
        EXPECT_EQ(robustFit(pts, k, &r), std::make_pair(0, best));
        EXPECT_NEAR(r.rmsError, bestRms, 1e-9 * bestRms + 1e-12);
    }
}

TEST(RobustFit, TiesFailuresAndSkippedCandidates) {
    cidut_linefit_result r;
    cidut_linefit_result_init(&r);
    // Every candidate fits the x axis exactly: the first index set enumerated wins.
    const points axis{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}};
    for (const std::vector<uint32_t>& first : {std::vector<uint32_t>{0}, {1, 0}, {2, 1, 0}}) {
        EXPECT_EQ(robustFit(axis, int(first.size()), &r), std::make_pair(0, first));
    }
    // A non-finite point is left out; kept in, or with no direction anywhere, there is no fit.
    const points withNaN{{0, 0}, {1, 1}, {NAN, 3}, {2, 2}, {3, 3}}, same(4, {1, 1});
    EXPECT_EQ(robustFit(withNaN, 1, &r), std::make_pair(0, std::vector<uint32_t>{2}));
    EXPECT_EQ(robustFit(withNaN, 0, &r).first, CID_STATUS_ROBUST_FIT_FAILED);
    EXPECT_EQ(robustFit(same, 1, &r).first, CID_STATUS_ROBUST_FIT_FAILED);
    r.rmsError = 7;  // fewer than k + 2 points: refused with the result untouched
    EXPECT_EQ(robustFit({{0, 0}, {1, 2}, {5, 1}}, 2, &r).first, CID_STATUS_ROBUST_FIT_FAILED);
    EXPECT_EQ(r.rmsError, 7);
}

}  // namespace
