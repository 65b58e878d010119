// Fourier transforms and the classifier, with FFTW's single-precision transforms of the same
// sizes in the same run when FFTW was found; each transform then also reports its time over
// FFTW's (counter x_fftw), both timed alternately in the same benchmark so that the machine's load
// weighs on both alike.
#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <functional>
#include <random>
#include <vector>

#include "ci_id/classifier.h"
#include "ci_id/fft.h"
#include "ci_id/platform/csys_runtime.h"

#ifdef CI_ID_BENCH_WITH_FFTW
#include <fftw3.h>
#endif

namespace {

std::vector<uint8_t> randomPixels(int count) {
    std::mt19937 rng(5);
    std::vector<uint8_t> pixels(count);
    for (auto& p : pixels) p = uint8_t(rng());
    return pixels;
}

#ifdef CI_ID_BENCH_WITH_FFTW
// FFTW's complex single-precision 2-D transform of n x n bytes, planned once with FFTW_MEASURE;
// each run includes loading the bytes, as the library's transforms do.
class fftwPeer {
public:
    explicit fftwPeer(int n) : n(n), pixels(randomPixels(n * n)) {
        data = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * n * n));
        plan = fftwf_plan_dft_2d(n, n, data, data, FFTW_FORWARD, FFTW_MEASURE);
    }
    ~fftwPeer() {
        fftwf_destroy_plan(plan);
        fftwf_free(data);
    }
    fftwPeer(const fftwPeer&) = delete;
    fftwPeer& operator=(const fftwPeer&) = delete;
    void run() {
        for (int i = 0; i < n * n; ++i) {
            data[i][0] = pixels[i];
            data[i][1] = 0.0f;
        }
        fftwf_execute(plan);
        benchmark::DoNotOptimize(data);
    }

private:
    int n;
    std::vector<uint8_t> pixels;
    fftwf_complex* data = nullptr;
    fftwf_plan plan = nullptr;
};

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// The library's time over FFTW's for size n: rounds of one call each, alternately, summed.
void reportRatioToFftw(benchmark::State& state, int n, const std::function<void()>& ours) {
    fftwPeer peer(n);
    double oursSeconds = 0.0, peerSeconds = 0.0;
    for (int round = 0; round < 200; ++round) {
        const double t0 = threadSeconds();
        ours();
        const double t1 = threadSeconds();
        peer.run();
        peerSeconds += threadSeconds() - t1;
        oursSeconds += t1 - t0;
    }
    state.counters["x_fftw"] = oursSeconds / peerSeconds;
}
#else
void reportRatioToFftw(benchmark::State&, int, const std::function<void()>&) {}
#endif

void Fixed2DFFT_128(benchmark::State& state) {
    auto pixels = randomPixels(128 * 128);
    std::vector<cf_fixedComplex32> spectrum(pixels.size());
    auto transform = [&] {
        cf2DFFT_32x32_fixed(1, 0, pixels.data(), spectrum.data(), 128, 128, 0, 0);
        benchmark::DoNotOptimize(spectrum.data());
    };
    for (auto _ : state) transform();
    reportRatioToFftw(state, 128, transform);
}

void Classifier_Window(benchmark::State& state) {
    auto pixels = randomPixels(128 * 128);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) pixels[y * 128 + x] = (x / 4 + y / 4) % 2 ? 30 : 220;
    }
    cimg_imageConst image;
    cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, 128, 128, 128, pixels.data());
    cid_symbolClassifierParams params;
    cid_symbolClassifierParams_init(&params);
    ClassScore scores[4];
    for (auto _ : state) {
        cid_symbolClassifier_runWindow8(&image, &params, scores);
        benchmark::DoNotOptimize(scores);
    }
    cimg_imageConst_destruct(&image);
}

void PelFFT_256(benchmark::State& state) {
    auto pixels = randomPixels(256 * 256);
    cimg_imageConst image;
    cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, 256, 256, 256, pixels.data());
    cimg_image out;
    cimg_image_constructUnbound(&out);
    auto transform = [&] {
        cfPelFFT(&image, &out, 0, 0);
        benchmark::DoNotOptimize(out.asConst.pixels);
    };
    for (auto _ : state) transform();
    reportRatioToFftw(state, 256, transform);
    cimg_image_destruct(&out);
    cimg_imageConst_destruct(&image);
}

BENCHMARK(Fixed2DFFT_128)->Unit(benchmark::kMicrosecond);
BENCHMARK(Classifier_Window)->Unit(benchmark::kMicrosecond);
BENCHMARK(PelFFT_256)->Unit(benchmark::kMicrosecond);

#ifdef CI_ID_BENCH_WITH_FFTW
void FftwFloat2D(benchmark::State& state, int n) {
    fftwPeer peer(n);
    for (auto _ : state) peer.run();
}
void Fftw2DFloat_128(benchmark::State& state) { FftwFloat2D(state, 128); }
void Fftw2DFloat_256(benchmark::State& state) { FftwFloat2D(state, 256); }
BENCHMARK(Fftw2DFloat_128)->Unit(benchmark::kMicrosecond);
BENCHMARK(Fftw2DFloat_256)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

BENCHMARK_MAIN();
