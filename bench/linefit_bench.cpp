// Least-squares fit of 10^5 points against a plain two-pass fit in the same run, and the robust
// fit with two outliers on 50 points.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "ci_id/linefit.h"

namespace {

std::vector<cmath_vect> noisyLine(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> along(-500, 500), across(-2, 2);
    std::vector<cmath_vect> pts(n);
    for (cmath_vect& p : pts) {
        double t = along(rng), e = across(rng);
        p = cmath_vect{300 + 0.8 * t - 0.6 * e, 200 + 0.6 * t + 0.8 * e};
    }
    return pts;
}

// The textbook fit: centroid in one pass, centred covariance in a second, direction from half
// the angle of the covariance's principal axis, foot point from the centroid.
cidut_line twoPassFit(const std::vector<cmath_vect>& pts) {
    double mx = 0, my = 0;
    for (const cmath_vect& p : pts) {
        mx += p.x;
        my += p.y;
    }
    mx /= pts.size();
    my /= pts.size();
    double sxx = 0, syy = 0, sxy = 0;
    for (const cmath_vect& p : pts) {
        double dx = p.x - mx, dy = p.y - my;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
    }
    double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
    double c = std::cos(angle), s = std::sin(angle), d = -mx * s + my * c;
    if (d < 0) {
        c = -c;
        s = -s;
        d = -d;
    }
    return cidut_line{{-s * d, c * d}, {c, s}};
}

constexpr size_t kManyPoints = 100000;

void LineFitting_1e5(benchmark::State& state) {
    const std::vector<cmath_vect> pts = noisyLine(kManyPoints, 1);
    cidut_line line{};
    for (auto _ : state) {
        benchmark::DoNotOptimize(cidut_lineFitting(&line, pts.data(), kManyPoints));
        benchmark::DoNotOptimize(line);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kManyPoints));
}

void TwoPassReference_1e5(benchmark::State& state) {
    const std::vector<cmath_vect> pts = noisyLine(kManyPoints, 1);
    for (auto _ : state) {
        cidut_line line = twoPassFit(pts);
        benchmark::DoNotOptimize(line);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kManyPoints));
}

void FitterClass_1e5(benchmark::State& state) {
    const std::vector<cmath_vect> pts = noisyLine(kManyPoints, 1);
    for (auto _ : state) {
        ccCidLSLineFitter fitter;
        for (const cmath_vect& p : pts) fitter.update(cx2Vect(p));
        cidut_line line{};
        benchmark::DoNotOptimize(fitter.fit(line));
        benchmark::DoNotOptimize(line);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kManyPoints));
}

void RobustFit_k2_n50(benchmark::State& state) {
    std::vector<cmath_vect> raw = noisyLine(50, 2);
    raw[7].y += 40;
    raw[31].x -= 25;
    cxVector<cx2Vect> pts;
    for (const cmath_vect& p : raw) pts.pushBack(cx2Vect(p));
    cidut_linefit_params params{};
    cidut_linefit_params_set(&params, 2, 3.0);
    cidut_linefit_result result;
    cidut_linefit_result_init(&result);
    for (auto _ : state) {
        benchmark::DoNotOptimize(cidut_line_fit(&params, &pts, &result));
    }
    state.counters["candidates"] = 50 * 49 / 2;
}

BENCHMARK(LineFitting_1e5)->Unit(benchmark::kMicrosecond);
BENCHMARK(TwoPassReference_1e5)->Unit(benchmark::kMicrosecond);
BENCHMARK(FitterClass_1e5)->Unit(benchmark::kMicrosecond);
BENCHMARK(RobustFit_k2_n50)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
