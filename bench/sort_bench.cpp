// The library's sorts against std::sort on the same data in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "ci_id/sort.h"

namespace {

constexpr size_t kCount = 1000000;

template <typename T>
std::vector<T> makeInput(bool sorted) {
    std::vector<T> values(kCount);
    std::mt19937_64 rng(42);
    for (auto& v : values) {
        if constexpr (std::is_floating_point_v<T>) {
            v = std::uniform_real_distribution<T>(-1e9, 1e9)(rng);
        } else {
            v = static_cast<T>(rng());
        }
    }
    if (sorted) std::sort(values.begin(), values.end());
    return values;
}

template <typename T, typename Sort>
void runSort(benchmark::State& state, bool sorted, Sort sort) {
    const std::vector<T> input = makeInput<T>(sorted);
    std::vector<T> work(input.size());
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(input.begin(), input.end(), work.begin());
        state.ResumeTiming();
        sort(work.data(), work.data() + work.size());
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
}

template <typename T>
void stdSort(T* begin, T* end) {
    std::sort(begin, end);
}

void Int32Random_csys(benchmark::State& s) { runSort<int32_t>(s, false, csys_int32_qsort); }
void Int32Random_std(benchmark::State& s) { runSort<int32_t>(s, false, stdSort<int32_t>); }
void Int32Sorted_csys(benchmark::State& s) { runSort<int32_t>(s, true, csys_int32_qsort); }
void Int32Sorted_std(benchmark::State& s) { runSort<int32_t>(s, true, stdSort<int32_t>); }
void DoubleRandom_csys(benchmark::State& s) { runSort<double>(s, false, csys_double_qsort); }
void DoubleRandom_std(benchmark::State& s) { runSort<double>(s, false, stdSort<double>); }
void DoubleSorted_csys(benchmark::State& s) { runSort<double>(s, true, csys_double_qsort); }
void DoubleSorted_std(benchmark::State& s) { runSort<double>(s, true, stdSort<double>); }

BENCHMARK(Int32Random_csys)->Unit(benchmark::kMillisecond);
BENCHMARK(Int32Random_std)->Unit(benchmark::kMillisecond);
BENCHMARK(Int32Sorted_csys)->Unit(benchmark::kMillisecond);
BENCHMARK(Int32Sorted_std)->Unit(benchmark::kMillisecond);
BENCHMARK(DoubleRandom_csys)->Unit(benchmark::kMillisecond);
BENCHMARK(DoubleRandom_std)->Unit(benchmark::kMillisecond);
BENCHMARK(DoubleSorted_csys)->Unit(benchmark::kMillisecond);
BENCHMARK(DoubleSorted_std)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
