// The edge scan's vector code against its portable loops (the optimisation switch turned on for
// cidc_runEdgeScan): the same peaks for every loop, on random images and windows.
#include <gtest/gtest.h>

#include <cwchar>
#include <random>
#include <tuple>
#include <vector>

#include "ci_id/edgescan.h"
#include "ci_id/platform/csys_runtime.h"
#include "view.h"

namespace {

int switchAsked = 0;

int32_t inhibitEdgeScan(const wchar_t* kernel) {
    switchAsked += std::wcscmp(kernel, L"cidc_runEdgeScan") == 0;
    return std::wcscmp(kernel, L"cidc_runEdgeScan") == 0;
}

// Every field the scan sets, of every peak it gives.
auto scanPeaks(const cimg_imageConst* image, const cidc_windowROI& roi, const cidc_scanShape& shape,
               cidc_gradientDir16 g, int32_t t, bool portable) {
    cprt_isOptimizationInhibitedFP = portable ? inhibitEdgeScan : nullptr;
    cstd_vector_cidc_peakIDFixedX_4 v;
    cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&v);
    const cidc_edgeScanParams params{t};
    cidc_scanLineSeg clipped;
    EXPECT_EQ(cidc_runEdgeScan(image, &roi, &params, &shape, &g, &v, &clipped), 0);
    cprt_isOptimizationInhibitedFP = nullptr;
    int32_t size = 0;
    cidc_peakIDFixedX_4* p = nullptr;
    cstd_vector_cidc_peakIDFixedX_4_getSize32(&v, &size);
    cstd_vector_cidc_peakIDFixedX_4_getBegin(&v, &p);
    std::vector<std::tuple<int64_t, int32_t, int32_t, int32_t, uint8_t>> out;
    for (int32_t i = 0; i < size; ++i) {
        out.emplace_back(p[i].position, p[i].strength, p[i].id1, p[i].id2, p[i].midLevel);
    }
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
    return out;
}

// Odd sizes, long enough for several blocks of samples along rows, columns and slants; plateaus
// (few grey levels) or none; padded windows with offsets; gradients whose sums fit 16 bits or not.
TEST(EdgeScanVector, SamePeaksAsThePortableLoops) {
    const cidc_gradientDir16 gradients[] = {{0, 1}, {1, 0}, {3, -5}, {-7, 0}, {0, -20000}, {1, 1}};
    const int32_t sizes[][2] = {{601, 23}, {19, 587}, {263, 271}};
    std::mt19937 rng(77);
    size_t peaks = 0;
    for (int trial = 0; trial < 240; ++trial) {
        const int32_t w = sizes[trial % 3][0], h = sizes[trial % 3][1],
                      levels = trial % 4 ? 1 + trial % 4 : 256;
        cid_test::greyImage content = cid_test::randomGreyImage(w, h, trial, levels);
        for (uint8_t& p : content.pixels) p = uint8_t(p * (255 / (levels - 1)));
        const cid_test::windowedImage view(
            content, trial % 2 ? cid_test::padding{5, 2, 3, 4, 7} : cid_test::padding{});
        const cidc_windowRect rect = cid_test::roiWindowOf(view.get());
        cidc_windowROI roi;
        cidc_windowROI_initCorner(&roi, &rect, 1 + trial % 3, 1 + trial % 2);
        // Rows, columns and slants in turn.
        const cidc_point64_4 a{int64_t(rng() % (16 * w)), int64_t(rng() % (16 * h))};
        cidc_point64_4 b{int64_t(rng() % (16 * w)), int64_t(rng() % (16 * h))};
        if (trial % 3 != 2) (trial % 3 ? b.x : b.y) = trial % 3 ? a.x : a.y;
        cidc_scanLineSeg seg;
        if (a.x == b.x && a.y == b.y) continue;
        ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &a, &b, nullptr), 0);
        const cidc_scanShape shape{&seg, &seg.line, nullptr};
        const cidc_gradientDir16 g = gradients[trial / 3 % 6];
        const int32_t t = int32_t(rng() % 120);
        const auto vector = scanPeaks(view.get(), roi, shape, g, t, false);
        ASSERT_EQ(vector, scanPeaks(view.get(), roi, shape, g, t, true)) << trial;
        peaks += vector.size();
    }
    EXPECT_GT(switchAsked, 200);
    EXPECT_GT(peaks, 8000u);
}

}  // namespace
