// Decoding speed of full-length blocks: GF(256) with 255 symbols, 62 check symbols and 31 errors
// (the correction limit), and PDF417 with 928 codewords, 512 check codewords and 256 errors.
// Baselines of the same run: the error-free block (syndromes only, the least any decoder does)
// and, when libfec is installed, its GF(256) decoder on the same blocks.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "ci_id/reedsolomon.h"
#include "rs_reference.h"

#ifdef CI_ID_BENCH_HAVE_LIBFEC
extern "C" {  // fec.h declares C functions without a C++ guard
#include <fec.h>
}
#endif

namespace {

constexpr int kVariants = 64;  // distinct error patterns, cycled through

// The machine is shared: the fastest of several repetitions is the figure that other work
// disturbs least.
double fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

void configure(benchmark::internal::Benchmark* b, int64_t errorFree, int64_t errors) {
    b->ArgName("errors")->Arg(errorFree)->Arg(errors)->Unit(benchmark::kMicrosecond);
    b->Repetitions(8)->ReportAggregatesOnly(true)->ComputeStatistics("min", fastest);
}

struct blockSet {
    std::vector<std::vector<int32_t>> received;
    std::vector<int32_t> work;
};

// Codewords in the library's order with `errors` symbols changed at random places.
blockSet corruptedBlocks(const std::vector<std::vector<int32_t>>& codewords, int errors,
                         int32_t maxSymbol, std::mt19937& rng) {
    blockSet set;
    std::uniform_int_distribution<int32_t> delta(1, maxSymbol);
    for (const auto& codeword : codewords) {
        std::vector<int32_t> received = codeword;
        for (int p : cid_test::distinctPositions(errors, static_cast<int>(codeword.size()), rng)) {
            received[p] = (received[p] + delta(rng)) % (maxSymbol + 1);
        }
        set.received.push_back(received);
    }
    set.work.resize(codewords[0].size());
    return set;
}

void runDecodes(benchmark::State& state, cid2d_ReedSolomonCode* code, blockSet& set,
                int32_t expected) {
    size_t variant = 0;
    for (auto _ : state) {
        const std::vector<int32_t>& received = set.received[variant++ % set.received.size()];
        std::copy(received.begin(), received.end(), set.work.begin());
        int32_t result = 0;
        cid2d_ReedSolomonCode_CorrectErrs(code, set.work.data(),
                                          static_cast<int32_t>(set.work.size()), &result);
        if (result != expected) state.SkipWithError("unexpected decode result");
        benchmark::DoNotOptimize(set.work.data());
    }
    state.counters["decodes/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

std::vector<std::vector<int32_t>> dataMatrixCodewords(const cid2d_ReedSolomonCode& code,
                                                      std::mt19937& rng) {
    std::vector<std::vector<int32_t>> codewords;
    const int nroots = code.numEccWords;
    for (int v = 0; v < kVariants; ++v) {
        std::vector<int32_t> message(255 - nroots);
        for (int32_t& m : message) m = std::uniform_int_distribution<int32_t>(0, 255)(rng);
        std::vector<int32_t> codeword(nroots);
        cid2d_ReedSolomonCode_GetECCWords(
            &code, message.data(), static_cast<int32_t>(message.size()), codeword.data(), nroots);
        codeword.insert(codeword.end(), message.begin(), message.end());
        codewords.push_back(codeword);
    }
    return codewords;
}

void BM_Gf256Decode(benchmark::State& state) {
    const int errors = static_cast<int>(state.range(0));
    cid2d_ReedSolomonCode code{};
    cid2d_ReedSolomonCode_construct(&code, 8, 62, 0x12D, 2);
    std::mt19937 rng(1);
    blockSet set = corruptedBlocks(dataMatrixCodewords(code, rng), errors, 255, rng);
    runDecodes(state, &code, set, errors);
    cid2d_ReedSolomonCode_destruct(&code);
}
BENCHMARK(BM_Gf256Decode)->Apply([](auto* b) { configure(b, 0, 31); });

void BM_Pdf417Decode(benchmark::State& state) {
    const int errors = static_cast<int>(state.range(0));
    constexpr int kCheck = 512;
    std::mt19937 rng(2);
    std::vector<std::vector<int32_t>> codewords;
    for (int v = 0; v < kVariants / 4; ++v) {
        std::vector<int32_t> data(928 - kCheck);
        for (int32_t& d : data) d = std::uniform_int_distribution<int32_t>(0, 928)(rng);
        std::vector<int32_t> check = cid_test::pdf417CheckWords(data, kCheck);
        data.insert(data.end(), check.begin(), check.end());
        codewords.push_back(data);
    }
    cid2d_PDF417RScode code{};
    cid2d_PDF417RScode_construct(&code, kCheck);
    blockSet set = corruptedBlocks(codewords, errors, 928, rng);
    runDecodes(state, &code, set, errors);
    cid2d_PDF417RScode_destruct(&code);
}
BENCHMARK(BM_Pdf417Decode)->Apply([](auto* b) { configure(b, 0, 256); });

#ifdef CI_ID_BENCH_HAVE_LIBFEC
// libfec keeps codewords highest order first in bytes: the same blocks, reversed.
void BM_Gf256DecodeLibfec(benchmark::State& state) {
    const int errors = static_cast<int>(state.range(0));
    cid2d_ReedSolomonCode code{};
    cid2d_ReedSolomonCode_construct(&code, 8, 62, 0x12D, 2);
    std::mt19937 rng(1);
    blockSet set = corruptedBlocks(dataMatrixCodewords(code, rng), errors, 255, rng);
    cid2d_ReedSolomonCode_destruct(&code);
    std::vector<std::vector<unsigned char>> blocks;
    for (const auto& received : set.received)
        blocks.emplace_back(received.rbegin(), received.rend());
    void* rs = init_rs_char(8, 0x12D, 1, 1, 62, 0);
    std::vector<unsigned char> work(255);
    size_t variant = 0;
    for (auto _ : state) {
        const std::vector<unsigned char>& block = blocks[variant++ % blocks.size()];
        std::copy(block.begin(), block.end(), work.begin());
        int result = decode_rs_char(rs, work.data(), nullptr, 0);
        if (result != errors) state.SkipWithError("unexpected decode result");
        benchmark::DoNotOptimize(work.data());
    }
    state.counters["decodes/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    free_rs_char(rs);
}
BENCHMARK(BM_Gf256DecodeLibfec)->Apply([](auto* b) { configure(b, 0, 31); });
#endif

}  // namespace

BENCHMARK_MAIN();
