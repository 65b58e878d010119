// The edge scan's vector code against its portable loops (the optimisation switch turned on for
// cidc_runEdgeScan): the same peaks and segments for every loop, on random images and windows.
#include <gtest/gtest.h>

#include <cwchar>
#include <random>
#include <tuple>
#include <vector>

#include "ci_id/edgescan.h"
#include "ci_id/platform/csys_runtime.h"
#include "view.h"

namespace {

bool switchAsked = false;

int32_t inhibitEdgeScan(const wchar_t* kernel) {
    const bool ours = std::wcscmp(kernel, L"cidc_runEdgeScan") == 0;
    switchAsked |= ours;
    return ours;
}

using peakFields = std::tuple<int64_t, int32_t, int32_t, int32_t, uint8_t>;

std::vector<peakFields> scanPeaks(const cimg_imageConst* image, const cidc_windowROI& roi,
                                  const cidc_scanLineSeg& seg, cidc_gradientDir16 g, int32_t t,
                                  bool portable, cidc_scanLineSeg* clipped) {
    cprt_isOptimizationInhibitedFP = portable ? inhibitEdgeScan : nullptr;
    cstd_vector_cidc_peakIDFixedX_4 v;
    cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&v);
    const cidc_edgeScanParams params{t};
    const cidc_scanShape shape{&seg, &seg.line, nullptr};
    EXPECT_EQ(cidc_runEdgeScan(image, &roi, &params, &shape, &g, &v, clipped), 0);
    cprt_isOptimizationInhibitedFP = nullptr;
    int32_t size = 0;
    cidc_peakIDFixedX_4* p = nullptr;
    cstd_vector_cidc_peakIDFixedX_4_getSize32(&v, &size);
    cstd_vector_cidc_peakIDFixedX_4_getBegin(&v, &p);
    std::vector<peakFields> out;
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
    int64_t peaks = 0;
    for (int trial = 0; trial < 240; ++trial) {
        const auto& size = sizes[trial % 3];
        const int levels = trial % 4 == 0 ? 256 : 2 + trial % 3;
        cid_test::greyImage content = cid_test::randomGreyImage(size[0], size[1], trial, levels);
        for (uint8_t& p : content.pixels) p = uint8_t(p * (255 / (levels - 1)));
        const cid_test::windowedImage view(
            content, trial % 2 ? cid_test::padding{5, 2, 3, 4, 7} : cid_test::padding{});
        const cidc_windowRect w = cid_test::roiWindowOf(view.get());
        cidc_windowROI roi;
        cidc_windowROI_initCorner(&roi, &w, 1 + trial % 3, 1 + trial % 2);
        auto point = [&] {
            return cidc_point64_4{int64_t(rng() % (16 * size[0])), int64_t(rng() % (16 * size[1]))};
        };
        const cidc_point64_4 a = point();
        cidc_point64_4 b = point();
        if (trial % 3 != 2) (trial % 3 ? b.x : b.y) = trial % 3 ? a.x : a.y;
        cidc_scanLineSeg seg, vectorSeg, portableSeg;
        if (a.x == b.x && a.y == b.y) continue;
        ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &a, &b, nullptr), 0);
        const cidc_gradientDir16 g = gradients[trial / 3 % 6];
        const int32_t t = int32_t(rng() % 120);
        const auto vector = scanPeaks(view.get(), roi, seg, g, t, false, &vectorSeg);
        switchAsked = false;
        ASSERT_EQ(vector, scanPeaks(view.get(), roi, seg, g, t, true, &portableSeg)) << trial;
        EXPECT_EQ(switchAsked, !portableSeg.degenerate);
        peaks += int64_t(vector.size());
    }
    EXPECT_GT(peaks, 8000);
}

}  // namespace
