// Dilation of a 2048 x 2048 image with square kernels, in pixels per second, by the optimised and
// by the portable filter, against a brute-force 3 x 3 window maximum, a plain copy of the same
// pixels (the memory traffic floor) and, when OpenCV's imgproc is installed, cv::dilate with the
// same kernels, in one run. With OpenCV, dilation and erosion also run turn about with
// cv::dilate and cv::erode, so that a loaded machine slows both alike, and the speedup counter is
// OpenCV's time over ours.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

#include "ci_id/morph.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/csys_runtime.h"

#ifdef CI_ID_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int32_t kSide = 2048;

// The source and a destination of the same size that takes results in place.
struct scene {
    cimg_image source;
    cimg_image destination;
    scene() {
        cimg_image_construct(&source, CIMG_DEPTH_8U, kSide, kSide);
        cimg_image_construct(&destination, CIMG_DEPTH_8U, kSide, kSide);
        std::mt19937 rng(1);
        for (int32_t y = 0; y < kSide; ++y) {
            unsigned char* row = source.asConst.pixels + y * source.asConst.pitch;
            for (int32_t x = 0; x < kSide; ++x) row[x] = static_cast<unsigned char>(rng());
        }
    }
    ~scene() {
        cimg_image_destruct(&source);
        cimg_image_destruct(&destination);
    }
};

scene& sharedScene() {
    static scene s;
    return s;
}

void countPixels(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

void Dilate_ci_id(benchmark::State& state) {
    scene& s = sharedScene();
    const auto kernel = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        if (cidut_morph2d_run(&s.source.asConst, &s.destination, CIDUT_MORPH_DILATE, kernel,
                              kernel) != 0) {
            state.SkipWithError("cidut_morph2d_run failed");
            break;
        }
        benchmark::DoNotOptimize(s.destination.asConst.pixels);
    }
    countPixels(state);
}

// The same with the portable filter (the row function on rows and on gathered columns).
int32_t inhibitOptimisedFilter(const wchar_t*) { return 1; }

void Dilate_ci_id_portable(benchmark::State& state) {
    cprt_optimizationInhibitedFunction previous = cprt_isOptimizationInhibitedFP;
    cprt_isOptimizationInhibitedFP = &inhibitOptimisedFilter;
    Dilate_ci_id(state);
    cprt_isOptimizationInhibitedFP = previous;
}

// Every output pixel reads its whole 3 x 3 window (cut at the image border).
void Dilate3x3_bruteForce(benchmark::State& state) {
    scene& s = sharedScene();
    const unsigned char* in = s.source.asConst.pixels;
    unsigned char* out = s.destination.asConst.pixels;
    const intptr_t pitch = s.source.asConst.pitch;
    for (auto _ : state) {
        for (int32_t y = 0; y < kSide; ++y) {
            const int32_t y0 = std::max(y - 1, 0), y1 = std::min(y + 1, kSide - 1);
            for (int32_t x = 0; x < kSide; ++x) {
                const int32_t x0 = std::max(x - 1, 0), x1 = std::min(x + 1, kSide - 1);
                unsigned char best = 0;
                for (int32_t v = y0; v <= y1; ++v) {
                    for (int32_t u = x0; u <= x1; ++u) best = std::max(best, in[v * pitch + u]);
                }
                out[y * pitch + x] = best;
            }
        }
        benchmark::DoNotOptimize(out);
    }
    countPixels(state);
}

void Copy_sameTraffic(benchmark::State& state) {
    scene& s = sharedScene();
    for (auto _ : state) {
        cip_pelCopyWindow8(&s.source.asConst, &s.destination);
        benchmark::DoNotOptimize(s.destination.asConst.pixels);
    }
    countPixels(state);
}

BENCHMARK(Dilate_ci_id)->Arg(3)->Arg(15)->Arg(51)->Unit(benchmark::kMillisecond);
BENCHMARK(Dilate_ci_id_portable)->Arg(3)->Arg(15)->Arg(51)->Unit(benchmark::kMillisecond);
BENCHMARK(Dilate3x3_bruteForce)->Unit(benchmark::kMillisecond);
BENCHMARK(Copy_sameTraffic)->Unit(benchmark::kMillisecond);

#ifdef CI_ID_BENCH_OPENCV
// Single-threaded, as the library is.
void Dilate_opencv(benchmark::State& state) {
    cv::setNumThreads(1);
    scene& s = sharedScene();
    cv::Mat in(kSide, kSide, CV_8UC1, s.source.asConst.pixels,
               static_cast<size_t>(s.source.asConst.pitch));
    cv::Mat out(kSide, kSide, CV_8UC1);
    const auto kernel = static_cast<int>(state.range(0));
    const cv::Mat element = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(kernel, kernel));
    for (auto _ : state) {
        cv::dilate(in, out, element);
        benchmark::DoNotOptimize(out.data);
    }
    countPixels(state);
}
BENCHMARK(Dilate_opencv)->Arg(3)->Arg(15)->Arg(51)->Unit(benchmark::kMillisecond);

double secondsOf(void (*work)(scene&, const cv::Mat&, cv::Mat&, const cv::Mat&, uint32_t),
                 scene& s, const cv::Mat& in, cv::Mat& out, const cv::Mat& element,
                 uint32_t type) {
    const auto start = std::chrono::steady_clock::now();
    work(s, in, out, element, type);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void runOurs(scene& s, const cv::Mat&, cv::Mat&, const cv::Mat& element, uint32_t type) {
    cidut_morph2d_run(&s.source.asConst, &s.destination, type, element.cols, element.rows);
    benchmark::DoNotOptimize(s.destination.asConst.pixels);
}

void runOpenCV(scene&, const cv::Mat& in, cv::Mat& out, const cv::Mat& element, uint32_t type) {
    if (type == CIDUT_MORPH_DILATE) {
        cv::dilate(in, out, element);
    } else {
        cv::erode(in, out, element);
    }
    benchmark::DoNotOptimize(out.data);
}

// Arguments: the kernel side, then the type (dilation or erosion).
void TurnAbout_ci_id_opencv(benchmark::State& state) {
    cv::setNumThreads(1);
    scene& s = sharedScene();
    cv::Mat in(kSide, kSide, CV_8UC1, s.source.asConst.pixels,
               static_cast<size_t>(s.source.asConst.pitch));
    cv::Mat out(kSide, kSide, CV_8UC1);
    const auto kernel = static_cast<int>(state.range(0));
    const auto type = static_cast<uint32_t>(state.range(1));
    const cv::Mat element = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(kernel, kernel));
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        ours += secondsOf(runOurs, s, in, out, element, type);
        theirs += secondsOf(runOpenCV, s, in, out, element, type);
    }
    const double pixels = double(state.iterations()) * kSide * kSide;
    state.counters["ci_id_px_s"] = pixels / ours;
    state.counters["opencv_px_s"] = pixels / theirs;
    state.counters["speedup"] = theirs / ours;
}
BENCHMARK(TurnAbout_ci_id_opencv)
    ->ArgsProduct({{3, 15, 51}, {CIDUT_MORPH_DILATE, CIDUT_MORPH_ERODE}})
    ->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
