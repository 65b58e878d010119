// The whole-image searches on the photographs and scans of tests/data/realimages: each image
// searched for its folder's kind (cid_findDataMatrix or cid_findPdf417 through cid_findSymbols).
// When zxing-cpp is installed it reads the same images in the same run. Counters: "found", the
// symbols found over the corpus, and "median_ms", the median time per image of the last pass;
// items_per_second counts images.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ci_id/search.h"
#include "common/image_io.h"
#include "view.h"

#ifdef CI_ID_BENCH_WITH_ZXING
#include <ZXing/ReadBarcode.h>
#endif

namespace {

using cid_test::windowedImage;
using cid_tools::greyImage;

struct corpusImage {
    greyImage image;
    bool pdf417;
};

const std::vector<corpusImage>& corpus() {
    static const std::vector<corpusImage> images = [] {
        std::vector<corpusImage> out;
        const std::filesystem::path root = std::string(CI_ID_BENCH_DATA_DIR) + "/realimages";
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (entry.path().extension() == ".png") files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            const bool pdf417 = file.parent_path().filename().string().rfind("pdf417", 0) == 0;
            out.push_back({cid_tools::readImage(file.string()), pdf417});
        }
        return out;
    }();
    return images;
}

// Runs find over the corpus once per iteration; find returns the symbols it found in an image.
template <typename Find>
void timeCorpus(benchmark::State& state, Find find) {
    std::vector<double> ms(corpus().size());
    size_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (size_t k = 0; k < corpus().size(); ++k) {
            const auto start = std::chrono::steady_clock::now();
            found += find(corpus()[k]);
            ms[k] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                              start)
                        .count();
        }
    }
    std::nth_element(ms.begin(), ms.begin() + ms.size() / 2, ms.end());
    state.counters["found"] = static_cast<double>(found);
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * corpus().size()));
}

void ciId(benchmark::State& state) {
    std::vector<std::unique_ptr<windowedImage>> views;
    for (const corpusImage& c : corpus()) views.push_back(std::make_unique<windowedImage>(c.image));
    size_t next = 0;
    timeCorpus(state, [&](const corpusImage& c) {
        cid_searchOptions options;
        cid_searchOptions_init(&options);
        options.types = c.pdf417 ? CID_SYMBOL_PDF417 : CID_SYMBOL_DATAMATRIX;
        int32_t count = 0;
        if (cid_findSymbols(views[next++ % views.size()]->get(), &options, nullptr, 0, &count) < 0) {
            std::abort();
        }
        return static_cast<size_t>(count);
    });
}
BENCHMARK(ciId)->Unit(benchmark::kMillisecond);

#ifdef CI_ID_BENCH_WITH_ZXING
void zxingCpp(benchmark::State& state) {
    timeCorpus(state, [](const corpusImage& c) {
        const greyImage& image = c.image;
        ZXing::ImageView view(image.pixels.data(), image.width, image.height,
                              ZXing::ImageFormat::Lum, static_cast<int>(image.pitch));
        ZXing::DecodeHints hints;
        hints.setFormats(c.pdf417 ? ZXing::BarcodeFormat::PDF417 : ZXing::BarcodeFormat::DataMatrix);
        return ZXing::ReadBarcodes(view, hints).size();
    });
}
BENCHMARK(zxingCpp)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
