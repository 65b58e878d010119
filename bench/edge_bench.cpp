// Edge detection on a rendered 1280 x 1024 scene (anti-aliased discs and bars on a lit ground,
// with noise), in pixels per second: the edgel list, the magnitude and angle images and both true
// peak kernels, and, when OpenCV's imgproc is installed, cv::Canny after the same Gaussian
// smoothing, with thresholds on the same scale (OpenCV's Sobel magnitude is 4 times ours).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "ci_id/edge.h"
#include "ci_id/platform/csys_runtime.h"

#ifdef CI_ID_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 1024;

// 60 discs and 40 bars whose overlaps alternate between dark and light, anti-aliased by 4 x 4
// samples a pixel, on ground lit from the left, with a little noise.
class scene {
public:
    scene() {
        std::mt19937 rng(7);
        std::vector<uint8_t> parity(size_t(kWidth) * kHeight * 16);
        for (int shape = 0; shape < 100; ++shape) {
            const double cx = rng() % kWidth, cy = rng() % kHeight;
            const double rx = shape < 60 ? 8.0 + rng() % 60 : 2.0 + rng() % 12;
            const double ry = shape < 60 ? rx : 90.0;
            flip(parity, cx, cy, rx, ry, shape < 60);
        }
        cimg_image_construct(&image, CIMG_DEPTH_8U, kWidth, kHeight);
        for (int32_t y = 0; y < kHeight; ++y) {
            unsigned char* row = image.asConst.pixels + y * image.asConst.pitch;
            for (int32_t x = 0; x < kWidth; ++x) {
                int covered = 0;
                for (int s = 0; s < 16; ++s) {
                    covered += parity[(size_t(y) * 4 + s / 4) * kWidth * 4 + size_t(x) * 4 + s % 4];
                }
                const double light = 60 + 40.0 * x / kWidth + 120 * covered / 16.0;
                row[x] = static_cast<unsigned char>(std::lround(light + int(rng() % 7) - 3));
            }
        }
    }
    ~scene() { cimg_image_destruct(&image); }

    cimg_image image;

private:
    // Flips the samples inside a disc (or an axis-aligned bar) of half sizes rx, ry.
    static void flip(std::vector<uint8_t>& parity, double cx, double cy, double rx, double ry,
                     bool disc) {
        const int x0 = std::max(0, int((cx - rx) * 4)),
                  x1 = std::min(kWidth * 4, int((cx + rx) * 4) + 1);
        const int y0 = std::max(0, int((cy - ry) * 4)),
                  y1 = std::min(kHeight * 4, int((cy + ry) * 4) + 1);
        for (int sy = y0; sy < y1; ++sy) {
            for (int sx = x0; sx < x1; ++sx) {
                const double dx = (sx + 0.5) / 4 - cx, dy = (sy + 0.5) / 4 - cy;
                const bool in =
                    disc ? dx * dx + dy * dy < rx * rx : std::fabs(dx) < rx && std::fabs(dy) < ry;
                parity[size_t(sy) * kWidth * 4 + size_t(sx)] ^= uint8_t(in);
            }
        }
    }
};

scene& sharedScene() {
    static scene s;
    return s;
}

void countPixels(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}

// The entry points' default thresholds: 10 and 20 in 8-bit magnitudes, with sigma 1.
void DetectEdges_ci_id(benchmark::State& state) {
    scene& s = sharedScene();
    cip_edgeParams params;
    cip_edgeParams_init(&params);
    csEdgeList* edges = nullptr;
    csEdgeListNew(0, &edges);
    for (auto _ : state) {
        if (cip_edge_detectEdges(&s.image.asConst, &params, edges) != 0) {
            state.SkipWithError("cip_edge_detectEdges failed");
            break;
        }
    }
    state.counters["edgels"] = double(csEdgeListLen(edges));
    csEdgeListDelete(&edges);
    countPixels(state);
}

void MagnitudeAngle_ci_id(benchmark::State& state) {
    scene& s = sharedScene();
    const cip_edgeParams params{1.0, 0.0, 0.0};
    cimg_image magnitude, angle;
    cimg_image_constructUnbound(&magnitude);
    cimg_image_constructUnbound(&angle);
    for (auto _ : state) {
        if (cip_edge_detectMagAng(&s.image.asConst, &params, &magnitude, &angle) != 0) {
            state.SkipWithError("cip_edge_detectMagAng failed");
            break;
        }
    }
    cimg_image_destruct(&magnitude);
    cimg_image_destruct(&angle);
    countPixels(state);
}

int32_t portableOnly(const wchar_t*) { return 1; }

// range(0): 1 for the portable kernel.
void TruePeak_ci_id(benchmark::State& state) {
    scene& s = sharedScene();
    cprt_optimizationInhibitedFunction previous = cprt_isOptimizationInhibitedFP;
    if (state.range(0) == 1) cprt_isOptimizationInhibitedFP = &portableOnly;
    cimg_image peaks;
    cimg_image_construct(&peaks, CIMG_DEPTH_8U, kWidth, kHeight);
    int32_t count = 0;
    for (auto _ : state) {
        if (cip_truepeak8(&s.image.asConst, &peaks, 10, &count) != 0) {
            state.SkipWithError("cip_truepeak8 failed");
            break;
        }
    }
    cprt_isOptimizationInhibitedFP = previous;
    state.counters["peaks"] = count;
    cimg_image_destruct(&peaks);
    countPixels(state);
}

#ifdef CI_ID_BENCH_OPENCV
// One thread, as the library's detection has.
void Canny_OpenCV(benchmark::State& state) {
    cv::setNumThreads(1);
    scene& s = sharedScene();
    const cv::Mat source(kHeight, kWidth, CV_8UC1, s.image.asConst.pixels,
                         size_t(s.image.asConst.pitch));
    cv::Mat smoothed, edges;
    for (auto _ : state) {
        cv::GaussianBlur(source, smoothed, cv::Size(5, 5), 1.0);
        cv::Canny(smoothed, edges, 4 * 10, 4 * 20, 3, true);
        benchmark::DoNotOptimize(edges.data);
    }
    state.counters["edgels"] = cv::countNonZero(edges);
    countPixels(state);
}
BENCHMARK(Canny_OpenCV)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK(DetectEdges_ci_id)->Unit(benchmark::kMillisecond);
BENCHMARK(MagnitudeAngle_ci_id)->Unit(benchmark::kMillisecond);
BENCHMARK(TruePeak_ci_id)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
