// Whole-image Data Matrix search (cid_findDataMatrix: scan lines every 8 rows) on rendered
// scenes of 640 x 480, 1280 x 1024 and 2592 x 1944 pixels, with one symbol and with none, and on
// the Data Matrix images of the sample corpus (real encodings, which the peers can decode). When
// zxing-cpp or libdmtx are installed, the same images go through them in the same run (zxing-cpp
// decodes; libdmtx only finds the symbol's region, its quickest useful step). The "found" counter
// is the number of symbols found per image (on the corpus, summed over its images; there
// items_per_second counts images).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "ci_id/platform/csys_runtime.h"
#include "ci_id/search.h"
#include "common/image_io.h"
#include "common/truth.h"
#include "dm_scenes.h"
#include "view.h"

#ifdef CI_ID_BENCH_WITH_ZXING
#include <ZXing/ReadBarcode.h>
#endif
#ifdef CI_ID_BENCH_WITH_DMTX
#include <dmtx.h>
#endif

namespace {

using namespace cid_test;
using cid_tools::readImage;
using cid_tools::readTruth;
using cid_tools::truthEntry;

// The Data Matrix images of the sample corpus.
const std::vector<greyImage>& corpus() {
    static std::vector<greyImage> images = [] {
        std::vector<greyImage> out;
        const std::string dir = std::string(CI_ID_BENCH_DATA_DIR) + "/samples";
        for (const truthEntry& e : readTruth(dir + "/truth.json")) {
            if (e.kind == "datamatrix" && e.name.rfind("none", 0) != 0) {
                out.push_back(readImage(dir + "/" + e.name + ".png"));
            }
        }
        return out;
    }();
    return images;
}

// The rendered scene a benchmark's arguments name: width, height, symbol or none, noise sigma.
const greyImage& sceneOf(const benchmark::State& state) {
    return dmSceneOf(int(state.range(0)), int(state.range(1)), state.range(2) != 0,
                     int(state.range(3)));
}

// How many Data Matrix symbols cid_findDataMatrix finds (a caller array of no room counts them).
size_t findDataMatrices(const cimg_imageConst* image, bool allowSkew) {
    cid_searchOptions options;
    cid_searchOptions_init(&options);
    options.allowSkew = allowSkew;
    int32_t count = 0;
    if (cid_findDataMatrix(image, &options, nullptr, 0, &count) < 0) std::abort();
    return static_cast<size_t>(count);
}

void ciIdCorpus(benchmark::State& state) {
    size_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (const greyImage& image : corpus()) {
            windowedImage view(image);
            found += findDataMatrices(view.get(), true);
        }
    }
    state.counters["found"] = static_cast<double>(found);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * corpus().size()));
}
BENCHMARK(ciIdCorpus)->Unit(benchmark::kMillisecond);

void ciId(benchmark::State& state) {
    const greyImage& image = sceneOf(state);
    windowedImage view(image);
    size_t found = 0;
    for (auto _ : state) found = findDataMatrices(view.get(), false);
    state.counters["found"] = static_cast<double>(found);
}

// The share of the hard scenes (dm_scenes.h) where a symbol is found whose centre lies inside the
// true one, and the symbols found elsewhere. The scenes' symbols carry no real encoding, so the
// decoding peers have nothing to compare here.
void ciIdHardScenes(benchmark::State& state) {
    dmHardScenes();  // rendered before the clock starts
    size_t found = 0, wrong = 0;
    for (auto _ : state) {
        found = wrong = 0;
        for (const dmHardScene& scene : dmHardScenes()) {
            windowedImage view(scene.image);
            cid_searchOptions options;
            cid_searchOptions_init(&options);
            options.allowSkew = 1;
            cid_symbol symbols[4];
            int32_t count = 0;
            if (cid_findDataMatrix(view.get(), &options, symbols, 4, &count) < 0) std::abort();
            bool hit = false;
            for (int32_t k = 0; k < std::min(count, 4); ++k) {
                cmath_vect centre{0, 0};
                for (const cmath_vect& c : symbols[k].corners) {
                    centre = {centre.x + c.x / 4, centre.y + c.y / 4};
                }
                double margin = 0;
                const bool inside = insideConvexQuad(scene.corners.data(), centre, &margin);
                hit = hit || inside;
                wrong += !inside;
            }
            found += hit;
        }
    }
    state.counters["found_rate"] = double(found) / double(dmHardScenes().size());
    state.counters["false"] = double(wrong);
    state.SetItemsProcessed(int64_t(state.iterations() * dmHardScenes().size()));
}
BENCHMARK(ciIdHardScenes)->Unit(benchmark::kMillisecond);

// The 640 x 480 scene with a symbol, and beyond a clear patch round it a lattice of dark lines
// round 11 x 9 light cells: one blob with a hole in every cell, each of which a seed on its
// boundary would trace in full before the tracker could turn it away. With remember 0 the
// searches run without their memory of turned-away holes (the inhibit hook), as before it.
void ciIdLattice(benchmark::State& state) {
    greyImage image = sceneOf(state);
    paintLattice(image, 288, 264, 110, 110);
    windowedImage view(image);
    const bool remember = state.range(4) != 0;
    cprt_isOptimizationInhibitedFP = remember ? nullptr : +[](const wchar_t* name) -> int32_t {
        const std::wstring kernel = name;
        return kernel == L"cf_BndFindNextDMSymbol" || kernel == L"cid_findPdf417";
    };
    size_t found = 0;
    for (auto _ : state) {
        found = findDataMatrices(view.get(), false);
        int32_t count = 0;
        if (cid_findPdf417(view.get(), nullptr, nullptr, 0, &count) < 0) std::abort();
    }
    cprt_isOptimizationInhibitedFP = nullptr;
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(ciIdLattice)
    ->Args({640, 480, 1, 4, 1})
    ->Args({640, 480, 1, 4, 0})
    ->ArgNames({"width", "height", "symbol", "noise", "remember"})
    ->Unit(benchmark::kMillisecond);

#ifdef CI_ID_BENCH_WITH_ZXING
size_t zxingFind(const greyImage& image) {
    ZXing::ImageView view(image.pixels.data(), image.width, image.height, ZXing::ImageFormat::Lum,
                          static_cast<int>(image.pitch));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::DataMatrix);
    return ZXing::ReadBarcodes(view, hints).size();
}

void zxingCppCorpus(benchmark::State& state) {
    size_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (const greyImage& image : corpus()) found += zxingFind(image);
    }
    state.counters["found"] = static_cast<double>(found);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * corpus().size()));
}
BENCHMARK(zxingCppCorpus)->Unit(benchmark::kMillisecond);

void zxingCpp(benchmark::State& state) {
    const greyImage& image = sceneOf(state);
    size_t found = 0;
    for (auto _ : state) found = zxingFind(image);
    state.counters["found"] = static_cast<double>(found);
}
#endif

#ifdef CI_ID_BENCH_WITH_DMTX
void libdmtx(benchmark::State& state) {
    const greyImage& image = sceneOf(state);
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
    for (auto size :
         {std::make_pair(640, 480), std::make_pair(1280, 1024), std::make_pair(2592, 1944)}) {
        for (int withSymbol : {1, 0}) b->Args({size.first, size.second, withSymbol, 4});
    }
    // Camera noise up to sigma 12 must not make the search trace every noise blob.
    for (auto size : {std::make_pair(640, 480), std::make_pair(1280, 1024)}) {
        for (int noise : {8, 12}) {
            for (int withSymbol : {1, 0}) b->Args({size.first, size.second, withSymbol, noise});
        }
    }
    b->ArgNames({"width", "height", "symbol", "noise"})->Unit(benchmark::kMillisecond);
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
