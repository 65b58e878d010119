// One-dimensional symbols: the caliper (sampling plus edge location) along 1,000 random lines of a
// 2048 x 2048 image, in samples per second, against a loop that only reads the same 2 x 2
// neighbourhoods (the memory floor of the sampling); and the teeth of a 100-edge list.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "ci_id/oned.h"
#include "ci_id/teeth.h"

namespace {

constexpr int32_t kSide = 2048;
constexpr int kLines = 1000;

// Random pixels and 1,000 random lines of 100 to 1,500 pixels inside the image.
struct scene {
    std::vector<uint8_t> pixels = std::vector<uint8_t>(size_t(kSide) * kSide);
    cimg_windowConst window{kSide, kSide, 0, 0, kSide, 1, nullptr};
    std::vector<cmath_vect> ends;
    int64_t samples = 0;
    scene() {
        std::mt19937 rng(3);
        for (auto& p : pixels) p = uint8_t(rng() % 64 + ((rng() & 0x100) ? 160 : 0));
        window.pixels = pixels.data();
        std::uniform_real_distribution<double> at(1.0, kSide - 1.0);
        while (ends.size() < 2 * kLines) {
            const cmath_vect a{at(rng), at(rng)}, b{at(rng), at(rng)};
            const double length = std::hypot(b.x - a.x, b.y - a.y);
            if (length < 100 || length > 1500) continue;
            ends.push_back(a);
            ends.push_back(b);
            samples += std::lround(length);
        }
    }
};

const scene& sharedScene() {
    static const scene s;
    return s;
}

void Caliper_ci_id(benchmark::State& state) {
    const scene& s = sharedScene();
    std::vector<int32_t> strengths(2048), positions(2048);
    int32_t count = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < s.ends.size(); i += 2) {
            if (cidut_caliperLite(&s.window, &s.ends[i], &s.ends[i + 1], 2048, 20, 1,
                                  strengths.data(), positions.data(), &count) != 0) {
                state.SkipWithError("cidut_caliperLite failed");
                return;
            }
            benchmark::DoNotOptimize(count);
        }
    }
    state.SetItemsProcessed(state.iterations() * s.samples);
}

// The same sample positions, each reading its four neighbourhood pixels and nothing else.
void Caliper_readPixelsOnly(benchmark::State& state) {
    const scene& s = sharedScene();
    for (auto _ : state) {
        uint32_t sum = 0;
        for (size_t i = 0; i < s.ends.size(); i += 2) {
            const cmath_vect a = s.ends[i], b = s.ends[i + 1];
            const long n = std::lround(std::hypot(b.x - a.x, b.y - a.y));
            const double dx = (b.x - a.x) / n, dy = (b.y - a.y) / n;
            double x = a.x - 0.5 + dx / 2, y = a.y - 0.5 + dy / 2;
            for (long k = 0; k < n; ++k, x += dx, y += dy) {
                const uint8_t* p = s.pixels.data() + intptr_t(y) * kSide + intptr_t(x);
                sum += p[0] + p[1] + p[kSide] + p[kSide + 1];
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * s.samples);
}

// 50 dark bars, 4 pixels wide at a pitch of 8, with a little jitter: 100 edges.
void EdgesToTeeth_100Edges(benchmark::State& state) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int32_t> jitter(-20, 20);
    std::vector<cidut_edge> edges;
    for (int i = 0; i < 50; ++i) {
        const int32_t centre = (8 * i - 196) * 256;
        edges.push_back({centre - 512 + jitter(rng), -20000 - 100 * jitter(rng)});
        edges.push_back({centre + 512 + jitter(rng), 20000 + 100 * jitter(rng)});
    }
    const cidut_edgeList list{100, CIDUT_EDGE_LIST_ORDERED, 0, edges.data()};
    cidut_edgePairingParams params;
    cidut_edgePairingParams_init(&params);
    params.slotCount = 50;
    params.expectedWidth = 4.0;
    params.expectedPitch = 8.0;
    const cmath_shapeAffineRect rect{{0, 0}, {400, 0}, {0, 30}};
    cidut_teethResults results;
    cidut_teethResults_construct(&results);
    for (auto _ : state) {
        if (cidut_edgesToTeeth(&params, &list, nullptr, nullptr, &rect, nullptr, &results) != 0) {
            state.SkipWithError("cidut_edgesToTeeth failed");
            break;
        }
        benchmark::DoNotOptimize(results.meanPitch);
    }
    int32_t slots = 0;
    cstd_vector_cidut_toothCand_getSize(&results.teeth, &slots);
    state.counters["slots"] = slots;
    cidut_teethResults_destruct(&results);
}

}  // namespace

BENCHMARK(Caliper_ci_id)->Unit(benchmark::kMillisecond);
BENCHMARK(Caliper_readPixelsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(EdgesToTeeth_100Edges)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
