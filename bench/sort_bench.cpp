// The library's sorts against std::sort on the same data in the same run: 10^6 values as one
// range, or as short ranges of 100 or 16 one after another. Each benchmark times the library;
// its counters give std::sort's time on the same input (std_ms) and the speed-up over it (x_std).
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <random>
#include <vector>

#include "ci_id/sort.h"

namespace {

constexpr size_t kCount = 1000000;

// Sorted input is sorted range by range.
template <typename T>
std::vector<T> makeInput(bool sorted, size_t length) {
    std::vector<T> values(kCount);
    std::mt19937_64 rng(42);
    for (auto& v : values) {
        if constexpr (std::is_floating_point_v<T>) {
            v = std::uniform_real_distribution<T>(-1e9, 1e9)(rng);
        } else {
            v = static_cast<T>(rng());
        }
    }
    for (size_t at = 0; sorted && at < kCount; at += length)
        std::sort(values.begin() + at, values.begin() + at + length);
    return values;
}

// The thread's processor time: the machine is shared, so wall time would count the others.
double cpuSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

template <typename T, typename Sort>
double timeSortInRanges(T* values, size_t length, Sort sort) {
    const double start = cpuSeconds();
    for (size_t at = 0; at < kCount; at += length) sort(values + at, values + at + length);
    benchmark::DoNotOptimize(values);
    return cpuSeconds() - start;
}

template <typename T>
void stdSort(T* begin, T* end) {
    std::sort(begin, end);
}

template <typename T>
void compareSorts(benchmark::State& state, bool sorted, int32_t (*librarySort)(T*, T*)) {
    const size_t length = static_cast<size_t>(state.range(0));
    const std::vector<T> input = makeInput<T>(sorted, length);
    std::vector<T> work(input.size());
    double libraryTime = 0;
    double stdTime = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(input.begin(), input.end(), work.begin());
        stdTime += timeSortInRanges(work.data(), length, stdSort<T>);
        std::copy(input.begin(), input.end(), work.begin());
        state.ResumeTiming();
        libraryTime += timeSortInRanges(work.data(), length, librarySort);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kCount));
    state.counters["std_ms"] = 1e3 * stdTime / static_cast<double>(state.iterations());
    state.counters["x_std"] = stdTime / libraryTime;
}

void Int32Random(benchmark::State& s) { compareSorts<int32_t>(s, false, csys_int32_qsort); }
void Int32Sorted(benchmark::State& s) { compareSorts<int32_t>(s, true, csys_int32_qsort); }
void DoubleRandom(benchmark::State& s) { compareSorts<double>(s, false, csys_double_qsort); }
void DoubleSorted(benchmark::State& s) { compareSorts<double>(s, true, csys_double_qsort); }

BENCHMARK(Int32Random)->Arg(kCount)->Arg(100)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(Int32Sorted)->Arg(kCount)->Arg(100)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(DoubleRandom)->Arg(kCount)->Arg(100)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(DoubleSorted)->Arg(kCount)->Arg(100)->Arg(16)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
