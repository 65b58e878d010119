// Whole-image Data Matrix search (scan lines every 8 rows, a mask and a marker image) on rendered
// scenes of 640 x 480, 1280 x 1024 and 2592 x 1944 pixels, with one symbol and with none. When
// zxing-cpp or libdmtx are installed, the same images go through them in the same run (zxing-cpp
// decodes; libdmtx only finds the symbol's region, its quickest useful step).
#include <benchmark/benchmark.h>

#include <map>
#include <utility>

#include "dm_locate.h"
#include "dm_scene.h"
#include "image_record.h"

#ifdef CI_ID_BENCH_WITH_ZXING
#include <ZXing/ReadBarcode.h>
#endif
#ifdef CI_ID_BENCH_WITH_DMTX
#include <dmtx.h>
#endif

namespace {

using namespace cid_test;

// One scene per size and content, rendered once: a symbol of 24 x 24 modules of 5 pixels (scaled
// with the image) under mild blur and noise, or the same background with noise alone.
const greyImage& sceneOf(int width, int height, bool withSymbol) {
    static std::map<std::pair<int, bool>, greyImage> scenes;
    auto key = std::make_pair(width, withSymbol);
    auto found = scenes.find(key);
    if (found != scenes.end()) return found->second;
    scene layout(width, height);
    if (withSymbol) {
        placement where;
        where.centre = {width * 0.45, height * 0.55};
        where.unit = 5.0 * width / 640;
        where.rotation = 0.5;
        dmLook look;
        look.quietZone = 2;
        layout.addDataMatrix(dmSymbol(24, 24, 11), where, look);
    }
    imagingConditions conditions;
    conditions.blurSigma = 0.7;
    conditions.noiseSigma = 4;
    return scenes.emplace(key, layout.render(conditions)).first->second;
}

void ciId(benchmark::State& state) {
    const greyImage& image = sceneOf(state.range(0), state.range(1), state.range(2) != 0);
    imageView view(image);
    size_t found = 0;
    for (auto _ : state) found = locateDataMatrices(view.get()).size();
    state.counters["found"] = static_cast<double>(found);
}

#ifdef CI_ID_BENCH_WITH_ZXING
void zxingCpp(benchmark::State& state) {
    const greyImage& image = sceneOf(state.range(0), state.range(1), state.range(2) != 0);
    ZXing::ImageView view(image.pixels.data(), image.width, image.height, ZXing::ImageFormat::Lum,
                          static_cast<int>(image.pitch));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::DataMatrix);
    size_t found = 0;
    for (auto _ : state) found = ZXing::ReadBarcodes(view, hints).size();
    state.counters["found"] = static_cast<double>(found);
}
#endif

#ifdef CI_ID_BENCH_WITH_DMTX
void libdmtx(benchmark::State& state) {
    const greyImage& image = sceneOf(state.range(0), state.range(1), state.range(2) != 0);
    std::vector<unsigned char> pixels(image.pixels.begin(), image.pixels.end());
    size_t found = 0;
    for (auto _ : state) {
        DmtxImage* img = dmtxImageCreate(pixels.data(), image.width, image.height, DmtxPack8bppK);
        dmtxImageSetProp(img, DmtxPropRowPadBytes, static_cast<int>(image.pitch - image.width));
        DmtxDecode* dec = dmtxDecodeCreate(img, 1);
        dmtxDecodeSetProp(dec, DmtxPropScanGap, 8);
        DmtxTime timeout = dmtxTimeAdd(dmtxTimeNow(), 2000);
        found = 0;
        while (DmtxRegion* reg = dmtxRegionFindNext(dec, &timeout)) {
            ++found;
            dmtxRegionDestroy(&reg);
        }
        dmtxDecodeDestroy(&dec);
        dmtxImageDestroy(&img);
    }
    state.counters["found"] = static_cast<double>(found);
}
#endif

void sizes(benchmark::internal::Benchmark* b) {
    for (auto size : {std::make_pair(640, 480), std::make_pair(1280, 1024), std::make_pair(2592, 1944)}) {
        for (int withSymbol : {1, 0}) b->Args({size.first, size.second, withSymbol});
    }
    b->ArgNames({"width", "height", "symbol"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(ciId)->Apply(sizes);
#ifdef CI_ID_BENCH_WITH_ZXING
BENCHMARK(zxingCpp)->Apply(sizes);
#endif
#ifdef CI_ID_BENCH_WITH_DMTX
BENCHMARK(libdmtx)->Apply(sizes);
#endif

}  // namespace

BENCHMARK_MAIN();
