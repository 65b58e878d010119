// The reader tool's whole run over the sample corpus (a process per run: reading the files and
// searching every kind of symbol), the same searches on the decoded images within this process, and
// cid_findDataMatrix on the rendered scenes of bench_dmlocate, in one run. items_per_second counts
// images; the "found" counter is the number of symbols found per run or image.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ci_id/search.h"
#include "common/image_io.h"
#include "common/truth.h"
#include "dm_scenes.h"
#include "view.h"

namespace {

using namespace cid_test;

const std::string kSamples = std::string(CI_ID_BENCH_DATA_DIR) + "/samples/";

const std::vector<std::string>& corpusFiles() {
    static const std::vector<std::string> files = [] {
        std::vector<std::string> out;
        for (const cid_tools::truthEntry& e : cid_tools::readTruth(kSamples + "truth.json")) {
            out.push_back(kSamples + e.name + ".png");
        }
        return out;
    }();
    return files;
}

#ifdef CI_ID_BENCH_TOOL
void toolCorpus(benchmark::State& state) {
    std::string command = std::string(CI_ID_BENCH_TOOL) + " --skew";
    for (const std::string& file : corpusFiles()) command += " " + file;
    command += " > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("the tool failed");
    }
    state.SetItemsProcessed(int64_t(state.iterations() * corpusFiles().size()));
}
BENCHMARK(toolCorpus)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

int32_t countSymbols(const cimg_imageConst* image, bool allowSkew, int32_t types) {
    cid_searchOptions options;
    cid_searchOptions_init(&options);
    options.allowSkew = allowSkew;
    options.types = types;
    int32_t count = 0;
    if (cid_findSymbols(image, &options, nullptr, 0, &count) < 0) std::abort();
    return count;
}

void findSymbolsCorpus(benchmark::State& state) {
    static const std::vector<greyImage> images = [] {
        std::vector<greyImage> out;
        for (const std::string& file : corpusFiles()) out.push_back(cid_tools::readImage(file));
        return out;
    }();
    int32_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (const greyImage& image : images) {
            windowedImage view(image);
            found += countSymbols(view.get(), true, CID_SYMBOL_ALL);
        }
    }
    state.counters["found"] = found;
    state.SetItemsProcessed(int64_t(state.iterations() * images.size()));
}
BENCHMARK(findSymbolsCorpus)->Unit(benchmark::kMillisecond);

void findDataMatrix(benchmark::State& state) {
    windowedImage view(dmSceneOf(int(state.range(0)), int(state.range(1)), state.range(2) != 0));
    int32_t found = 0;
    for (auto _ : state) found = countSymbols(view.get(), false, CID_SYMBOL_DATAMATRIX);
    state.counters["found"] = found;
}
BENCHMARK(findDataMatrix)
    ->Args({640, 480, 1})
    ->Args({640, 480, 0})
    ->Args({1280, 1024, 1})
    ->Args({1280, 1024, 0})
    ->Args({2592, 1944, 1})
    ->Args({2592, 1944, 0})
    ->ArgNames({"width", "height", "symbol"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
