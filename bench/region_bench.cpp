// Regions and masks: point containment and mask point tests per query, and painting one
// 200 x 100 rotated region into a 2048 x 2048 mask against memset of the same pixel count in the
// same run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "ci_id/mask.h"
#include "ci_id/platform/cdraw.h"
#include "ci_id/region.h"

namespace {

constexpr int32_t kMaskSide = 2048;
constexpr size_t kQueries = 4096;

std::vector<cmath_vect> randomPoints(double low, double high, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(low, high);
    std::vector<cmath_vect> pts(kQueries);
    for (cmath_vect& p : pts) p = cmath_vect{u(rng), u(rng)};
    return pts;
}

cid_region quadrilateral() {
    const cmath_vect corners[4] = {{100, 120}, {420, 80}, {460, 390}, {90, 300}};
    cid_region r;
    cid_region_initVectPoints(&r, corners, 1);
    return r;
}

void runWithin(benchmark::State& state, const cid_region& r) {
    const std::vector<cmath_vect> pts = randomPoints(0, 512, 1);
    size_t i = 0;
    int32_t inside = 0;
    for (auto _ : state) {
        cid_region_within(&r, &pts[i], &inside);
        benchmark::DoNotOptimize(inside);
        i = (i + 1) % kQueries;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void RegionWithin_Quadrilateral(benchmark::State& state) { runWithin(state, quadrilateral()); }

void RegionWithin_Parallelogram(benchmark::State& state) {
    cid_region r = quadrilateral();
    cid_region_initMakeAffine(&r, &r);
    runWithin(state, r);
}

// Ten 200 x 100 regions spread over the mask, rotated by different angles.
void appendRegions(cid_mask* m) {
    for (int k = 0; k < 10; ++k) {
        cmath_shapeAffineRectCenter c{
            {200.0 + 160 * k, 200.0 + 150 * k}, 200, 100, 0.3 * k, 0.3 * k};
        cid_region r;
        cid_region_initAffineRectCenter(&r, &c, nullptr);
        cid_mask_appendRegion(m, &r, 2.0);
    }
}

void runMaskPoints(benchmark::State& state, bool bound) {
    cimg_image source;
    cimg_image_construct(&source, CIMG_DEPTH_8U, kMaskSide, kMaskSide);
    cid_mask m;
    cid_mask_construct(&m, bound ? &source.asConst : nullptr);
    appendRegions(&m);
    const std::vector<cmath_vect> pts = randomPoints(0, kMaskSide, 2);
    size_t i = 0;
    int32_t masked = 0;
    for (auto _ : state) {
        cid_mask_isPointUnMasked(&m, &pts[i], nullptr, &masked);
        benchmark::DoNotOptimize(masked);
        i = (i + 1) % kQueries;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    cid_mask_destruct(&m);
    cimg_image_destruct(&source);
}

void MaskPoint_Bound(benchmark::State& state) { runMaskPoints(state, true); }
void MaskPoint_Unbound10Regions(benchmark::State& state) { runMaskPoints(state, false); }

// One 200 x 100 rectangle turned by 30 degrees in the middle of the image; painting it back and
// forth keeps every iteration a full paint.
void PaintRotated200x100(benchmark::State& state) {
    cimg_image image;
    cimg_image_construct(&image, CIMG_DEPTH_8U, kMaskSide, kMaskSide);
    cmath_shapeAffineRectCenter c{{1024, 1024}, 200, 100, M_PI / 6, M_PI / 6};
    cmath_shapeAffineRect rect;
    cmath_shapeAffineRect_initCenter(&rect, &c);
    uint8_t from = 0, to = 255;
    for (auto _ : state) {
        cdraw_rasterize_rotatedRectangle_forID(&image, &rect, from, to);
        std::swap(from, to);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 200 * 100);
    cimg_image_destruct(&image);
}

// The same pixel count filled with memset: 100 rows of 200 pixels in the same image.
void MemsetRows200x100(benchmark::State& state) {
    std::vector<uint8_t> image(size_t(kMaskSide) * kMaskSide);
    int value = 0;
    for (auto _ : state) {
        for (size_t row = 974; row < 1074; ++row) {
            std::memset(image.data() + row * kMaskSide + 924, value, 200);
        }
        value ^= 255;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 200 * 100);
}

// Recording and forgetting one region in a bound mask that already holds ten: two paints, one
// of them repainting the regions it touched.
void MaskAppendRemove(benchmark::State& state) {
    cimg_image source;
    cimg_image_construct(&source, CIMG_DEPTH_8U, kMaskSide, kMaskSide);
    cid_mask m;
    cid_mask_construct(&m, &source.asConst);
    appendRegions(&m);
    cmath_shapeAffineRectCenter c{{1024, 1024}, 200, 100, M_PI / 6, M_PI / 6};
    cid_region r;
    cid_region_initAffineRectCenter(&r, &c, nullptr);
    for (auto _ : state) {
        cid_mask_appendRegion(&m, &r, 0.0);
        cid_mask_removeRegion(&m, -1, 0.0);
    }
    cid_mask_destruct(&m);
    cimg_image_destruct(&source);
}

BENCHMARK(RegionWithin_Quadrilateral);
BENCHMARK(RegionWithin_Parallelogram);
BENCHMARK(MaskPoint_Bound);
BENCHMARK(MaskPoint_Unbound10Regions);
BENCHMARK(PaintRotated200x100)->Unit(benchmark::kMicrosecond);
BENCHMARK(MemsetRows200x100)->Unit(benchmark::kMicrosecond);
BENCHMARK(MaskAppendRemove)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
