// Edge scans over every row, every column and 1000 oblique lines of a 2048 x 2048 image of
// random bars, in pixels per second, beside loops that only read the pixels each scan reads, in
// the same order through a running pointer (what the scan would cost without computing
// anything), and a bulk read of the same rows (the machine's streaming limit). Each scan also
// reports its speed over that of its read-only loop, measured right after it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "ci_id/edgescan.h"
#include "scene.h"
#include "view.h"

namespace {

constexpr int32_t kSize = 2048;

struct barsBench {
    cid_test::windowedImage scene{render()};
    cimg_windowConst window{};
    cidc_windowROI roi{};
    std::vector<cidc_scanLine> rows, columns, oblique;

    barsBench() {
        window = cid_test::windowOf(scene.get());
        const cidc_windowRect rect = cid_test::roiWindowOf(scene.get());
        cidc_windowROI_initCorner(&roi, &rect, 1, 1);
        const cidc_unitDir16 right{65536, 0}, down{0, 65536};
        for (int32_t i = 1; i < kSize - 1; ++i) {
            rows.push_back(line(0, 16 * i + 8, right));
            columns.push_back(line(16 * i + 8, 0, down));
        }
        std::mt19937 rng(5);
        std::uniform_real_distribution<double> unit(0, 1);
        while (oblique.size() < 1000) {
            const double angle = 2 * 3.14159265358979 * unit(rng);
            if (std::fabs(std::remainder(angle, 3.14159265358979 / 2)) < 0.02) continue;
            cidc_unitDir16 dir;
            cidc_unitDir16_initVect(&dir, static_cast<int32_t>(1e6 * std::cos(angle)),
                                    static_cast<int32_t>(1e6 * std::sin(angle)));
            oblique.push_back(line(static_cast<int64_t>(16 * kSize * unit(rng)),
                                   static_cast<int64_t>(16 * kSize * unit(rng)), dir));
        }
    }

    // Bars of 2 to 12 pixels with noise of about two grey levels.
    static cid_test::greyImage render() {
        cid_test::scene layout(kSize, kSize);
        layout.addProfile(cid_test::randomBars(0.5, 2, 12, 3));
        cid_test::imagingConditions noisy;
        noisy.noiseSigma = 2;
        noisy.noiseSeed = 4;
        return layout.render(noisy);
    }

    static cidc_scanLine line(int64_t x, int64_t y, cidc_unitDir16 dir) {
        cidc_scanLine l;
        const cidc_point64_4 p{x, y};
        cidc_scanLine_initPointDir(&l, &p, &dir);
        return l;
    }
};

const barsBench& bench() {
    static const barsBench instance;
    return instance;
}

// The clipped segments of a set of lines: their pixel end points and lengths.
std::vector<cidc_scanLineSeg> clipped(const std::vector<cidc_scanLine>& lines) {
    std::vector<cidc_scanLineSeg> out;
    for (const cidc_scanLine& l : lines) {
        cidc_scanLineSeg seg;
        cidc_scanLine_clip(&l, &bench().roi, &seg);
        if (!seg.degenerate) out.push_back(seg);
    }
    return out;
}

int64_t pixelsOf(const std::vector<cidc_scanLineSeg>& segs) {
    int64_t n = 0;
    for (const auto& s : segs) {
        n += std::max(std::abs(s.pix[1].x - s.pix[0].x), std::abs(s.pix[1].y - s.pix[0].y)) + 1;
    }
    return n;
}

// Reads what an axis-parallel scan reads: `reads` pixels around each pixel of the segments (the
// three of a column sum, or the 3 x 3 kernel), through a running pointer; gives their sum.
template <int Reads>
uint32_t walkAxis(const std::vector<cidc_scanLineSeg>& segs) {
    const barsBench& b = bench();
    const intptr_t pitch = b.window.pitch;
    uint32_t sum = 0;
    for (const cidc_scanLineSeg& s : segs) {
        const bool horizontal = s.line.dir.y == 0;
        const intptr_t along = horizontal ? 1 : pitch;
        const intptr_t across = horizontal ? pitch : 1;
        const int32_t count = horizontal ? s.pix[1].x - s.pix[0].x : s.pix[1].y - s.pix[0].y;
        const uint8_t* p = b.window.pixels + (s.pix[0].y + intptr_t{b.roi.winOriginY}) * pitch +
                           s.pix[0].x + b.roi.winOriginX;
        for (int32_t k = 0; k <= count; ++k, p += along) {
            sum += p[-across] + p[0] + p[across];
            if (Reads == 9) {
                sum += p[-across - along] + p[-along] + p[across - along];
                sum += p[-across + along] + p[along] + p[across + along];
            }
        }
    }
    return sum;
}

// Reads the 3 x 3 neighbourhood of each pixel along oblique segments (a fixed-point walk).
uint32_t walkOblique(const std::vector<cidc_scanLineSeg>& segs) {
    const barsBench& b = bench();
    const intptr_t pitch = b.window.pitch;
    uint32_t sum = 0;
    for (const cidc_scanLineSeg& s : segs) {
        const int32_t dx = s.pix[1].x - s.pix[0].x, dy = s.pix[1].y - s.pix[0].y;
        const int32_t n = std::max(std::abs(dx), std::abs(dy));
        int64_t x = (int64_t{s.pix[0].x} << 16) + 32768, y = (int64_t{s.pix[0].y} << 16) + 32768;
        const int64_t sx = n ? (int64_t{dx} << 16) / n : 0, sy = n ? (int64_t{dy} << 16) / n : 0;
        for (int32_t k = 0; k <= n; ++k, x += sx, y += sy) {
            const uint8_t* p = b.window.pixels + ((y >> 16) + b.roi.winOriginY) * pitch +
                               (x >> 16) + b.roi.winOriginX;
            sum += p[-pitch - 1] + p[-pitch] + p[-pitch + 1] + p[-1] + p[0] + p[1] + p[pitch - 1] +
                   p[pitch] + p[pitch + 1];
        }
    }
    return sum;
}

using walker = uint32_t (*)(const std::vector<cidc_scanLineSeg>&);

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Scans the lines; the counter "vs read-only" is the scan's speed over that of `readOnly` walking
// the same pixels as many times, right after (what the goal of half the read-only speed means).
void runScans(benchmark::State& state, const std::vector<cidc_scanLine>& lines,
              cidc_gradientDir16 gradient, walker readOnly) {
    const barsBench& b = bench();
    const std::vector<cidc_scanLineSeg> segs = clipped(lines);
    cstd_vector_cidc_peakIDFixedX_4 peaks;
    cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&peaks);
    // Above most of the noise, below every bar edge.
    const cidc_edgeScanParams params{200};
    int64_t found = 0;
    const auto scanStart = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (const cidc_scanLine& l : lines) {
            cidc_scanShape shape;
            cidc_scanShape_initScanLine(&shape, &l);
            cidc_scanLineSeg seg;
            cstd_vector_cidc_peakIDFixedX_4_clear(&peaks);
            if (cidc_runEdgeScan(b.scene.get(), &b.roi, &params, &shape, &gradient, &peaks, &seg) <
                0) {
                state.SkipWithError("scan failed");
                return;
            }
            int32_t size = 0;
            cstd_vector_cidc_peakIDFixedX_4_getSize32(&peaks, &size);
            found += size;
        }
    }
    const double scanSeconds = secondsSince(scanStart);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&peaks);
    const auto readStart = std::chrono::steady_clock::now();
    for (int64_t i = 0; i < state.iterations(); ++i) benchmark::DoNotOptimize(readOnly(segs));
    state.counters["vs read-only"] = secondsSince(readStart) / scanSeconds;
    state.SetItemsProcessed(state.iterations() * pixelsOf(segs));
    state.counters["peaks/scan"] =
        static_cast<double>(found) / (state.iterations() * static_cast<double>(lines.size()));
}

template <int Reads>
void readAxis(benchmark::State& state, const std::vector<cidc_scanLine>& lines) {
    const std::vector<cidc_scanLineSeg> segs = clipped(lines);
    for (auto _ : state) benchmark::DoNotOptimize(walkAxis<Reads>(segs));
    state.SetItemsProcessed(state.iterations() * pixelsOf(segs));
}

void readOblique(benchmark::State& state) {
    const std::vector<cidc_scanLineSeg> segs = clipped(bench().oblique);
    for (auto _ : state) benchmark::DoNotOptimize(walkOblique(segs));
    state.SetItemsProcessed(state.iterations() * pixelsOf(segs));
}

// The three rows around each scanned row, summed 8 bytes at a time: the streaming read limit.
void bulkReadRows(benchmark::State& state) {
    const barsBench& b = bench();
    uint64_t sum = 0;
    for (auto _ : state) {
        for (int32_t row = 1; row < kSize - 1; ++row) {
            for (int32_t r = row - 1; r <= row + 1; ++r) {
                const uint8_t* p = b.window.pixels + r * b.window.pitch;
                for (int32_t x = 0; x < kSize; x += 8) {
                    uint64_t word;
                    std::memcpy(&word, p + x, 8);
                    sum += word;
                }
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kSize - 2} * (kSize - 2));
}

void Rows_smoothedDifference(benchmark::State& s) {
    runScans(s, bench().rows, {1, 0}, walkAxis<3>);
}
void Rows_kernel(benchmark::State& s) { runScans(s, bench().rows, {1, 1}, walkAxis<9>); }
void Rows_readOnly3(benchmark::State& s) { readAxis<3>(s, bench().rows); }
void Rows_readOnly9(benchmark::State& s) { readAxis<9>(s, bench().rows); }
void Rows_bulkRead(benchmark::State& s) { bulkReadRows(s); }
void Columns_smoothedDifference(benchmark::State& s) {
    runScans(s, bench().columns, {0, 1}, walkAxis<3>);
}
void Columns_kernel(benchmark::State& s) { runScans(s, bench().columns, {1, 1}, walkAxis<9>); }
void Columns_readOnly3(benchmark::State& s) { readAxis<3>(s, bench().columns); }
void Columns_readOnly9(benchmark::State& s) { readAxis<9>(s, bench().columns); }
void Oblique_kernel(benchmark::State& s) { runScans(s, bench().oblique, {1, 1}, walkOblique); }
void Oblique_readOnly9(benchmark::State& s) { readOblique(s); }

BENCHMARK(Rows_smoothedDifference)->Unit(benchmark::kMillisecond);
BENCHMARK(Rows_kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(Rows_readOnly3)->Unit(benchmark::kMillisecond);
BENCHMARK(Rows_readOnly9)->Unit(benchmark::kMillisecond);
BENCHMARK(Rows_bulkRead)->Unit(benchmark::kMillisecond);
BENCHMARK(Columns_smoothedDifference)->Unit(benchmark::kMillisecond);
BENCHMARK(Columns_kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(Columns_readOnly3)->Unit(benchmark::kMillisecond);
BENCHMARK(Columns_readOnly9)->Unit(benchmark::kMillisecond);
BENCHMARK(Oblique_kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(Oblique_readOnly9)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
