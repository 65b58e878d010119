// Fuzz target for the platform image operations: affine and polar resampling, Gaussian smoothing,
// grey morphology, row extrema, pixel copies, maps, subtraction and expansion, histograms and
// thresholds of windows. Image size, pitch, image offset, window, the parameters (NaN, huge and
// negative ones included) and the pixels come from the input. Every call must return a status
// without reading or writing outside the pixels it was given. Built as fuzz/README.md describes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ci_id/morph.h"
#include "ci_id/platform/cip_affine.h"
#include "ci_id/platform/cip_filter.h"
#include "ci_id/platform/cip_gmorph.h"
#include "ci_id/platform/cip_hist.h"
#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/cip_pelarith.h"
#include "ci_id/platform/cip_polar.h"
#include "ci_id/platform/cip_thresh.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/threshold.h"
#include "fuzz_input.h"

namespace {

using reader = cid_fuzz::input;

// Mostly small coordinates in quarter pixels; now and then NaN, an infinity or a huge value.
double coordinate(reader& in) {
    switch (in.next<uint8_t>() % 16) {
        case 0:
            return NAN;
        case 1:
            return -INFINITY;
        case 2:
            return in.signedBelow(128) * 1e9;
        default:
            return in.signedBelow(128) / 4.0;
    }
}

void resample(const cimg_imageConst& source, reader& in) {
    cimg_image out;
    cimg_image_constructUnbound(&out);
    cmath_shapeAffineRect rect;
    rect.po = cmath_vect{coordinate(in), coordinate(in)};
    rect.px = cmath_vect{coordinate(in), coordinate(in)};
    rect.py = cmath_vect{coordinate(in), coordinate(in)};
    cip_affine8(&source, &rect, &out);
    const double start = coordinate(in), end = coordinate(in);
    const int32_t inner = in.signedBelow(40);
    cip_polarUnwrapImage8(&source, coordinate(in), coordinate(in), start, end, inner,
                          inner + in.signedBelow(40), &out);
    cip_gaussParams gauss{int32_t(in.within(-1, 70)), int32_t(in.within(-1, 70)),
                          int32_t(in.within(-1, 70)), int32_t(in.within(-1, 70))};
    cip_gauss_smooth8_8(&source, &out, &gauss);
    cip_gmorphElementArray element;
    if (cip_gmorphElementArray_constructType(&element, in.signedBelow(4), in.signedBelow(50)) >=
        0) {
        cip_gmorphDilate8(&source, &element, &out);
        cip_gmorphErode8(&source, &element, &out);
    }
    cimg_image_destruct(&out);
}

// Copies, maps and differences into bound outputs of any window (the source's own pixels among
// them) and into new images.
void pixelOps(const cimg_image& source, cimg_image& other, reader& in) {
    cimg_image out;
    cimg_image_constructUnbound(&out);
    cip_pelCopy8(&source.asConst, &out);
    uint8_t table[256];
    for (int v = 0; v < 256; ++v) table[v] = uint8_t(255 - v);
    cip_pelMap8(&source.asConst, &other, table);
    cip_pelMap8(&source.asConst, const_cast<cimg_image*>(&source), table);
    cip_pelCopyWindow8(&source.asConst, &other);
    cip_pelSub8(&source.asConst, &other.asConst, in.next<uint8_t>() % 2 ? CIP_PEL_SUB_CLAMP : 1u,
                &out);
    cip_pelExpand8(&other.asConst, &out, in.signedBelow(6), in.signedBelow(6));
    cip_pelSet8(&other, in.next<uint8_t>());
    cip_pelfunc_checkMemoryOverlap(&source.asConst, &other.asConst);
    cimg_image_destruct(&out);
}

void statistics(const cimg_imageConst& source, reader& in) {
    uint8_t low = 0, high = 0;
    cip_pelUnaryMinMax8(&source, &low, &high);
    uint32_t counts[256];
    int32_t percentiles[101];
    if (cip_pelHistogram8(&source, counts) >= 0)
        cip_pelHistogramStat_invCum(counts, int32_t(in.within(1, 256)), percentiles);
    cip_threshParams params;
    cip_threshParams_init(&params);
    params.minClassFraction = in.signedBelow(128) / 64.0;
    cip_threshResult result;
    cip_threshComputeWGVThresholdFromImage(&source, &params, &result);
    double sharpness = 0;
    cidut_getImageSharpnessFromSymbolRegion_(&source, in.next<uint8_t>() & 1, &sharpness);
    // Row extrema take a bare row: source and destination exactly n samples long.
    const int32_t n = int32_t(in.within(3, 64));
    std::vector<uint8_t> row(static_cast<size_t>(n)), extrema(row.size());
    in.copyTo(row.data(), row.size());
    const int32_t kernel = int32_t(in.within(2, n - 1));
    rowExtremaMax(kernel, row.data(), extrema.data(), n, nullptr);
    rowExtremaMin(kernel, row.data(), extrema.data(), n, nullptr);
}

// An image over exactly its pixels (so that any stray read or write leaves the buffer), at some
// image offset, with some window: in gives the layout, body the pixels.
bool makeImage(reader& in, reader& body, std::vector<uint8_t>& pixels, cimg_image* image) {
    const int32_t width = int32_t(in.within(0, 40)), height = int32_t(in.within(0, 40));
    const intptr_t pitch = width + in.within(0, 3);
    pixels.resize(size_t(pitch) * size_t(height));
    body.copyTo(pixels.data(), pixels.size());
    if (cimg_image_constructWrap(image, CIMG_DEPTH_8U, width, height, pitch,
                                 pixels.empty() ? nullptr : pixels.data()) < 0) {
        return false;
    }
    cimg_image_setImageOffset(image, in.signedBelow(60), in.signedBelow(60));
    if (in.next<uint8_t>() % 2) {
        cimg_image_window(image, image->asConst.xOffset + in.signedBelow(20),
                          image->asConst.yOffset + in.signedBelow(20), in.signedBelow(48),
                          in.signedBelow(48));
    }
    return true;
}

// A caller may ask for a resampled result of up to 2^31 pixels, which the library then tries to
// allocate. Blocks beyond 64 MB are refused here, so that such requests take the out-of-memory
// path instead of running into the fuzzer's own memory limit.
const csys_allocator* const gSystemAllocator = csys_memory_setAllocator(nullptr);

void* cappedAlloc(void*, size_t bytes, size_t alignment) {
    if (bytes > (size_t{64} << 20)) return nullptr;
    return gSystemAllocator->alloc(gSystemAllocator->context, bytes, alignment);
}

void systemFree(void*, void* block) { gSystemAllocator->free(gSystemAllocator->context, block); }

const csys_allocator gCappedAllocator{cappedAlloc, systemFree, nullptr};
[[maybe_unused]] const bool gCapped = csys_memory_setAllocator(&gCappedAllocator) != nullptr;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Parameters first, so that changing a pixel does not shift them.
    const size_t head = size < 96 ? size : 96;
    reader in(data, head), body(data + head, size - head);
    std::vector<uint8_t> pixels, otherPixels;
    cimg_image source, other;
    cimg_image_constructUnbound(&source);
    cimg_image_constructUnbound(&other);
    if (makeImage(in, body, pixels, &source)) {
        resample(source.asConst, in);
        statistics(source.asConst, in);
        if (makeImage(in, body, otherPixels, &other)) pixelOps(source, other, in);
    }
    cimg_image_destruct(&source);
    cimg_image_destruct(&other);
    return 0;
}
