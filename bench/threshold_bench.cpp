// Thresholds and binarization of a 2592 x 1944 scene (a symbol of 6-pixel modules under light
// growing from left to right, with noise), in pixels per second: cid_threshold and the six
// binarization methods, and, when OpenCV's imgproc is installed, cv::threshold with Otsu's
// method and cv::adaptiveThreshold with the mean of a 15 x 15 window, in one run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "ci_id/platform/cimg.h"
#include "ci_id/threshold.h"

#ifdef CI_ID_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int32_t kWidth = 2592;
constexpr int32_t kHeight = 1944;

// The source and a bound output of the same size, which takes the results in place.
struct scene {
    cimg_image source;
    cimg_image output;
    scene() {
        cimg_image_construct(&source, CIMG_DEPTH_8U, kWidth, kHeight);
        cimg_image_construct(&output, CIMG_DEPTH_8U, kWidth, kHeight);
        std::mt19937 rng(1);
        for (int32_t y = 0; y < kHeight; ++y) {
            unsigned char* row = source.asConst.pixels + y * source.asConst.pitch;
            for (int32_t x = 0; x < kWidth; ++x) {
                const double light = 60.0 + 190.0 * x / kWidth;
                const double reflectance = (x / 6 + y / 6) % 2 ? 0.35 : 1.0;
                row[x] = static_cast<unsigned char>(light * reflectance * 0.98 + rng() % 5);
            }
        }
    }
    ~scene() {
        cimg_image_destruct(&source);
        cimg_image_destruct(&output);
    }
};

scene& sharedScene() {
    static scene s;
    return s;
}

void countPixels(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}

void Threshold_ci_id(benchmark::State& state) {
    scene& s = sharedScene();
    cid_thresholdResult result;
    for (auto _ : state) {
        if (cid_threshold(&s.source.asConst, &result) != 0) {
            state.SkipWithError("cid_threshold failed");
            break;
        }
        benchmark::DoNotOptimize(result.threshold);
    }
    countPixels(state);
}

// Methods 0 to 5 with their defaults (method 2 with a contrast floor the dark end reaches).
void Binarize_ci_id(benchmark::State& state) {
    scene& s = sharedScene();
    cidut_binarizeParams params;
    cidut_binarizeParams_construct(&params);
    params.method = static_cast<int32_t>(state.range(0));
    params.minContrast = 30;
    for (auto _ : state) {
        if (cidut_binarizeImage(&s.output, nullptr, nullptr, nullptr, &s.source.asConst, &params) !=
            0) {
            state.SkipWithError("cidut_binarizeImage failed");
            break;
        }
        benchmark::DoNotOptimize(s.output.asConst.pixels);
    }
    countPixels(state);
}

BENCHMARK(Threshold_ci_id)->Unit(benchmark::kMillisecond);
BENCHMARK(Binarize_ci_id)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

#ifdef CI_ID_BENCH_OPENCV
cv::Mat sourceMat() {
    scene& s = sharedScene();
    return cv::Mat(kHeight, kWidth, CV_8UC1, s.source.asConst.pixels,
                   static_cast<size_t>(s.source.asConst.pitch));
}

// Otsu's threshold, applied: compare with cid_threshold (the threshold alone) and method 1
// (a within-group-variance threshold, which is Otsu's, applied).
void Threshold_opencvOtsu(benchmark::State& state) {
    const cv::Mat source = sourceMat();
    cv::Mat destination;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            cv::threshold(source, destination, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU));
    }
    countPixels(state);
}

// The mean of the 15 x 15 window less 10, as method 5 with its defaults.
void Binarize_opencvAdaptiveMean(benchmark::State& state) {
    const cv::Mat source = sourceMat();
    cv::Mat destination;
    for (auto _ : state) {
        cv::adaptiveThreshold(source, destination, 255, cv::ADAPTIVE_THRESH_MEAN_C,
                              cv::THRESH_BINARY, 15, 10);
        benchmark::DoNotOptimize(destination.data);
    }
    countPixels(state);
}

BENCHMARK(Threshold_opencvOtsu)->Unit(benchmark::kMillisecond);
BENCHMARK(Binarize_opencvAdaptiveMean)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
