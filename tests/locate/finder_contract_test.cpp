// What the Data Matrix finders promise beyond finding: the scan line index of a search whose
// corner passes find no symbol, no standard-library allocation under the search, and a status
// for every allocation that fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include "ci_id/ci_id.h"
#include "test_support.h"

// Counts the standard library's allocations while armed; the library must make none under its
// entry points (its memory comes from the library allocator).
static std::atomic<bool> gArmed{false};
static std::atomic<long> gStandardAllocations{0};

// GCC cannot see that these replacements pair malloc with free everywhere.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t bytes) {
    if (gArmed) ++gStandardAllocations;
    if (void* p = std::malloc(bytes ? bytes : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

constexpr int kSide = 200;

// A 12 x 12 Data Matrix-like symbol at 6 pixels per module: solid left column and bottom row,
// alternating top row and right column, random data, on a light ground.
std::vector<uint8_t> symbolImage() {
    std::vector<uint8_t> pixels(kSide * kSide, 220);
    std::mt19937 rng(5);
    for (int r = 0; r < 12; ++r) {
        for (int c = 0; c < 12; ++c) {
            bool dark = c == 0 || r == 11 ? true
                        : r == 0          ? c % 2 == 0
                        : c == 11         ? r % 2 == 1
                                          : rng() % 2 == 0;
            if (!dark) continue;
            for (int y = 0; y < 6; ++y) {
                for (int x = 0; x < 6; ++x) pixels[(60 + r * 6 + y) * kSide + 60 + c * 6 + x] = 30;
            }
        }
    }
    return pixels;
}

struct search {
    std::vector<uint32_t> work = std::vector<uint32_t>(CID2D_WORK_BUFFER_MIN / 4 + 1);
    std::vector<int32_t> rows;
    cid2d_trackingParams params;
    cimg_image marker;
    cid2d_trackingResult result;

    search() {
        cid2d_trackingParams_init(&params);
        params.workBuffer = reinterpret_cast<unsigned char*>(work.data());
        params.workBufferSize = CID2D_WORK_BUFFER_MIN;
        for (int y = 4; y < kSide; y += 8) rows.push_back(y);
        params.scanLines = rows.data();
        params.scanLineCount = static_cast<int32_t>(rows.size());
        cimg_image_construct(&marker, CIMG_DEPTH_8U, kSide / 4, kSide / 4);
        cid2d_trackingResult_construct(&result);
    }
    ~search() {
        cid2d_trackingResult_destruct(&result);
        cimg_image_destruct(&marker);
    }
    int32_t run(const cimg_imageConst* image) {
        cip_pelSet8(&marker, 0);
        return cf_BndFindNextDMSymbol(image, &params, nullptr, 0, nullptr, 0, &marker, &result);
    }
};

TEST(DataMatrixFinder, ASearchWhoseCornerPassesFindNothingReportsItsScanLine) {
    std::vector<uint8_t> pixels(kSide * kSide, 220);
    for (int y = 70; y < 130; ++y) {
        for (int x = 70; x < 130; ++x) pixels[y * kSide + x] = 30;  // a plain square: no timing
    }
    cimg_imageConst image;
    ASSERT_EQ(cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, kSide, kSide, kSide,
                                            pixels.data()),
              0);
    search s;
    cid2d_trackingSeed seeds[16];
    int32_t count = 0;
    const int32_t row[] = {100};
    ASSERT_EQ(cid2d_getHorizontalTrackingSeeds(&image, row, 1, 16, 20, 0, seeds, &count, 0, 0),
              0);
    // The seed on the square's right edge, whose dark side is the square.
    const cid2d_trackingSeed* onSquare = std::find_if(
        seeds, seeds + count, [](const cid2d_trackingSeed& seed) { return seed.polarity == 1; });
    ASSERT_NE(onSquare, seeds + count);
    cbt_runParams run;
    cbt_runParams_init(&run);
    s.params.firstScanLine = 5;
    s.result.scanLineIndex = -7;
    ASSERT_EQ(cf_BndFindDMSymbolFromSeed(&image, &s.params, onSquare, &run, &s.marker, nullptr, 0,
                                         nullptr, &s.result),
              0);
    EXPECT_EQ(s.result.found, 0);
    EXPECT_GT(s.result.track.count, 100);
    EXPECT_EQ(s.result.scanLineIndex, 5);
    cimg_imageConst_destruct(&image);
}

TEST(DataMatrixFinder, MemoryComesOnlyFromTheLibraryAllocator) {
    std::vector<uint8_t> pixels = symbolImage();
    cimg_imageConst image;
    ASSERT_EQ(cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, kSide, kSide, kSide,
                                            pixels.data()),
              0);
    search s;
    gStandardAllocations = 0;
    gArmed = true;
    const int32_t status = s.run(&image);
    gArmed = false;
    ASSERT_EQ(status, 0);
    ASSERT_EQ(s.result.found, 1);
    EXPECT_EQ(gStandardAllocations, 0);

    // Every allocation the search makes, failing in turn, ends it with a status and no leak.
    long failures = 0;
    for (long allowed = 0;; ++allowed) {
        cid_test::countingAllocator allocator;
        allocator.failAfter(allowed);
        const int32_t result = s.run(&image);
        EXPECT_EQ(allocator.live(), 0) << allowed;
        if (allocator.failures() == 0) {
            EXPECT_EQ(result, 0);
            break;
        }
        EXPECT_LT(result, 0) << allowed;
        ++failures;
    }
    EXPECT_GT(failures, 0);
    cimg_imageConst_destruct(&image);
}

}  // namespace
