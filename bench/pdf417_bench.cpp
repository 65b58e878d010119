// Whole-image PDF417 search on rendered scenes of 640 x 480 and 1280 x 1024 pixels with one
// symbol (turned 25 degrees, 3 pixels per module, mild blur and noise). When zxing-cpp is
// installed, it reads the same images in the same run. The "found" counter is the number of
// symbols found per image.
#include <benchmark/benchmark.h>

#include "ci_id/search.h"
#include "scene.h"
#include "view.h"

#ifdef CI_ID_BENCH_WITH_ZXING
#include <ZXing/ReadBarcode.h>
#endif

namespace {

using namespace cid_test;

greyImage symbolScene(int32_t width, int32_t height) {
    scene layout(width, height);
    placement where;
    where.centre = {width / 2.0, height / 2.0};
    where.unit = 3;
    where.rotation = 0.44;
    layout.addArt(pdf417Like(8, 2, 3, 2, 11), where);
    imagingConditions conditions;
    conditions.blurSigma = 0.7;
    conditions.noiseSigma = 3;
    return layout.render(conditions);
}

void findPdf417(benchmark::State& state) {
    const greyImage image = symbolScene(static_cast<int32_t>(state.range(0)),
                                        static_cast<int32_t>(state.range(1)));
    windowedImage view(image);
    int32_t count = 0;
    cid_symbol symbols[4];
    for (auto _ : state) {
        cid_findPdf417(view.get(), nullptr, symbols, 4, &count);
        benchmark::DoNotOptimize(symbols);
    }
    state.counters["found"] = count;
}
BENCHMARK(findPdf417)->Args({640, 480})->Args({1280, 1024})->Unit(benchmark::kMillisecond);

#ifdef CI_ID_BENCH_WITH_ZXING
void zxingPdf417(benchmark::State& state) {
    const greyImage image = symbolScene(static_cast<int32_t>(state.range(0)),
                                        static_cast<int32_t>(state.range(1)));
    ZXing::ImageView view(image.pixels.data(), image.width, image.height, ZXing::ImageFormat::Lum,
                          static_cast<int>(image.pitch));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::PDF417);
    size_t found = 0;
    for (auto _ : state) {
        auto results = ZXing::ReadBarcodes(view, hints);
        found = results.size();
        benchmark::DoNotOptimize(results);
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(zxingPdf417)->Args({640, 480})->Args({1280, 1024})->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
