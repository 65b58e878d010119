// Eight threads at once on searches, Reed-Solomon decodes in both fields, transforms, the
// classifier, thresholds and the ID edge tables, the lazily built tables still cold when they
// start: every thread's results must equal those of one thread alone.
#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ci_id/classifier.h"
#include "ci_id/edgeid.h"
#include "ci_id/fft.h"
#include "ci_id/reedsolomon.h"
#include "ci_id/search.h"
#include "ci_id/threshold.h"
#include "ci_id/vector8.h"
#include "common/image_io.h"
#include "rs_reference.h"

namespace {

using cid_tools::greyImage;

// Results as bytes, compared whole; each value is added on its own, so no padding is read.
struct record {
    std::string bytes;
    template <typename T>
    void add(const T& value) {
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void addWindow(const cimg_imageConst& image) {
        add(image.width);
        add(image.height);
        for (int32_t y = 0; y < image.height; ++y) {
            const auto* row = reinterpret_cast<const char*>(image.pixels + y * image.pitch);
            bytes.append(row, size_t(image.width) * size_t(image.depth));
        }
    }
};

struct inputs {
    greyImage dataMatrix = cid_tools::readImage(CI_ID_TEST_DATA_DIR "/samples/datamatrix_000.png");
    greyImage pdf417 = cid_tools::readImage(CI_ID_TEST_DATA_DIR "/samples/pdf417_002.png");
};

// A view of the image, windowed to (x, y, width, height) when width is not 0.
cimg_imageConst viewOf(const greyImage& image, int32_t x = 0, int32_t y = 0, int32_t width = 0,
                       int32_t height = 0) {
    cimg_imageConst view;
    cimg_imageConst_constructWrap(&view, CIMG_DEPTH_8U, image.width, image.height, image.pitch,
                                  image.pixels.data());
    if (width) cimg_imageConst_window(&view, x, y, width, height);
    return view;
}

void search(const greyImage& image, record& out) {
    cimg_imageConst view = viewOf(image);
    cid_symbol symbols[8];
    int32_t count = 0;
    out.add(cid_findSymbols(&view, nullptr, symbols, 8, &count));
    EXPECT_GT(count, 0);
    for (int32_t k = 0; k < count; ++k) {
        out.add(symbols[k].type);
        for (const cmath_vect& c : symbols[k].corners) out.add(c);
    }
    cimg_imageConst_destruct(&view);
}

std::string searches(const inputs& in) {
    record out;
    search(in.dataMatrix, out);
    search(in.pdf417, out);
    return out.bytes;
}

// A codeword with errors and erasures within the radius, decoded; the decode must restore it.
void decode(cid2d_ReedSolomonCode* code, std::vector<int32_t> sent, int errors, int erasures,
            int32_t fieldSize, std::mt19937& rng, record& out) {
    std::vector<int32_t> received = sent;
    const std::vector<int> places =
        cid_test::distinctPositions(errors + erasures, int(sent.size()), rng);
    for (int k = 0; k < errors + erasures; ++k) {
        int32_t& symbol = received[size_t(places[size_t(k)])];
        symbol = k < errors ? int32_t((symbol + 1 + rng() % (fieldSize - 1)) % fieldSize) : -1;
    }
    int32_t result = 0;
    out.add(cid2d_ReedSolomonCode_CorrectErrs(code, received.data(), int32_t(received.size()),
                                              &result));
    EXPECT_EQ(result, errors + erasures);
    EXPECT_EQ(received, sent);
    out.bytes.append(reinterpret_cast<const char*>(code->errorPositions), size_t(result) * 4);
}

std::string reedSolomon(const inputs&) {
    record out;
    std::mt19937 rng(20);
    cid2d_ReedSolomonCode binary, prime;
    EXPECT_EQ(cid2d_ReedSolomonCode_construct(&binary, 8, 20, 0x12D, 2), 0);
    EXPECT_EQ(cid2d_PDF417RScode_construct(&prime, 16), 0);
    for (int round = 0; round < 8; ++round) {
        std::vector<int32_t> message(100), ecc(20);
        for (int32_t& m : message) m = int32_t(rng() % 256);
        cid2d_ReedSolomonCode_GetECCWords(&binary, message.data(), 100, ecc.data(), 20);
        ecc.insert(ecc.end(), message.begin(), message.end());
        decode(&binary, ecc, round % 7, 6, 256, rng, out);
        std::vector<int32_t> data(60);
        for (int32_t& d : data) d = int32_t(rng() % 929);
        const std::vector<int32_t> check = cid_test::pdf417CheckWords(data, 16);
        data.insert(data.end(), check.begin(), check.end());
        decode(&prime, data, round % 6, 4, 929, rng, out);
    }
    cid2d_ReedSolomonCode_destruct(&binary);
    cid2d_PDF417RScode_destruct(&prime);
    return out.bytes;
}

// The floating-point and fixed-point transforms and the classifier's spectrum.
std::string transforms(const inputs& in) {
    record out;
    cimg_imageConst window = viewOf(in.dataMatrix, 256, 160, 128, 128);
    cimg_image spectrum;
    cimg_image_constructUnbound(&spectrum);
    out.add(cfPelFFT(&window, &spectrum, 2, 0));
    out.addWindow(spectrum.asConst);
    uint32_t power[64] = {};
    out.add(cf1DFFT_32x32_fixed(window.pixels, 64, power, 64));
    out.add(power);
    cid_symbolClassifierParams params;
    cid_symbolClassifierParams_init(&params);
    ClassScore scores[4];
    out.add(cid_symbolClassifier_runWindow8(&window, &params, scores));
    for (const ClassScore& s : scores) {
        out.add(s.score);
        out.add(s.period);
    }
    cimg_image_destruct(&spectrum);
    cimg_imageConst_destruct(&window);
    return out.bytes;
}

std::string thresholds(const inputs& in) {
    record out;
    cimg_imageConst window = viewOf(in.dataMatrix, 200, 120, 240, 240);
    cid_thresholdResult result;
    cid_thresholdResult_init(&result);
    out.add(cid_threshold(&window, &result));
    out.add(result.threshold);
    out.add(result.quality);
    cidut_binarizeParams params;
    cidut_binarizeParams_construct(&params);
    cimg_image binary;
    cimg_image_constructUnbound(&binary);
    out.add(cidut_binarizeImage(&binary, nullptr, nullptr, nullptr, &window, &params));
    out.addWindow(binary.asConst);
    cimg_image_destruct(&binary);
    cimg_imageConst_destruct(&window);
    return out.bytes;
}

// Both process-wide base tables, built on first use, and an ID table of the caller's.
std::string edgeTables(const inputs& in) {
    record out;
    cimg_imageConst window = viewOf(in.dataMatrix, 200, 120, 240, 240);
    for (int32_t variant : {0, 1}) {
        cimg_image magnitude, direction;
        cimg_image_constructUnbound(&magnitude);
        cimg_image_constructUnbound(&direction);
        out.add(cfEdgeDetectIDMagAng(&window, &magnitude, &direction, variant, 30, 0));
        out.addWindow(magnitude.asConst);
        out.addWindow(direction.asConst);
        cimg_image_destruct(&magnitude);
        cimg_image_destruct(&direction);
    }
    cstd_vector8 table;
    cstd_vector_8_constructEmpty(&table);
    out.add(cf_EdgeDetectIDTableInit(&table, 40));
    uint8_t* entries = nullptr;
    cstd_vector_8_getBegin(&table, &entries);
    if (entries) out.bytes.append(reinterpret_cast<const char*>(entries), CF_EDGE_ID_TABLE_SIZE);
    cstd_vector_8_destruct(&table);
    cimg_imageConst_destruct(&window);
    return out.bytes;
}

using workload = std::string (*)(const inputs&);
const workload kWorkloads[] = {edgeTables, searches, reedSolomon, transforms, thresholds};
constexpr size_t kCount = std::size(kWorkloads);

TEST(Concurrency, EightThreadsGiveTheResultsOfOne) {
    const inputs in;
    constexpr int kThreads = 8;
    std::vector<std::vector<std::string>> results(kThreads, std::vector<std::string>(kCount));
    std::atomic<int> waiting{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        // Half the threads start on the edge tables together, so that their first use is shared;
        // the others start each on another workload.
        threads.emplace_back([&, t] {
            --waiting;
            while (waiting.load() > 0) std::this_thread::yield();
            for (size_t k = 0; k < kCount; ++k) {
                const size_t w = (k + (t % 2 ? size_t(t) : 0)) % kCount;
                results[size_t(t)][w] = kWorkloads[w](in);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (size_t w = 0; w < kCount; ++w) {
        const std::string alone = kWorkloads[w](in);
        for (int t = 0; t < kThreads; ++t)
            EXPECT_TRUE(results[size_t(t)][w] == alone) << "workload " << w << ", thread " << t;
    }
}

}  // namespace
