// Fuzz target for the edge entry points: image size, row slack, window, image offset, the
// parameters and the pixels come from the input.
// Built and run as fuzz/README.md describes.
#include <cstddef>
#include <cstdint>

#include "ci_id/edge.h"
#include "ci_id/platform/csys_runtime.h"

#include "fuzz_input.h"

namespace {

using reader = cid_fuzz::input;

int32_t portableOnly(const wchar_t*) { return 1; }

// Runs every entry point on source; results are thrown away.
void exercise(const cimg_image& source, reader& in) {
    const cip_edgeParams params{in.signedBelow(24) * 0.5, double(in.signedBelow(64)),
                                double(in.signedBelow(64))};
    cimg_image a, b;
    cimg_image_constructUnbound(&a);
    cimg_image_constructUnbound(&b);
    if (in.next<uint8_t>() & 1) cimg_image_construct(&b, CIMG_DEPTH_8U, in.signedBelow(40), 30);
    cip_edge_detectMagAng(&source.asConst, &params, &a, &b);
    csEdgeList* edges = nullptr;
    csEdgeChainList* chains = nullptr;
    csEdgeListNew(in.within(0, 200), &edges);
    csEdgeChainListNew(in.within(0, 20), &chains);
    cip_edge_detectEdgesChains(&source.asConst, &params, edges, chains);
    cip_edge_detectEdges(&source.asConst, &params, edges);
    csEdgeListDelete(&edges);
    csEdgeChainListDelete(&chains);
    int32_t count = 0;
    const uint8_t threshold = in.next<uint8_t>();
    cip_truepeak8(&source.asConst, &b, threshold, &count);
    cprt_isOptimizationInhibitedFP = &portableOnly;
    cip_truepeak8(&source.asConst, &a, threshold, &count);
    cprt_isOptimizationInhibitedFP = nullptr;
    cip_truepeak8(&source.asConst, const_cast<cimg_image*>(&source), threshold, &count);
    cf_GetTrueEdgePeakFromEdgelets(&source.asConst, &a, threshold);
    cf_GetTrueEdgePeakFromEdgelets_noPadding(&source.asConst, &b, threshold);
    cimg_image_destruct(&a);
    cimg_image_destruct(&b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reader in(data, size);
    const int32_t width = in.signedBelow(48), height = in.signedBelow(48);
    const intptr_t pitch = width + in.within(0, 7);
    if (width < 0 || height < 0) return 0;
    cimg_image source;
    const size_t bytes = size_t(pitch) * size_t(height);
    static uint8_t pixels[64 * 64];
    for (size_t k = in.copyTo(pixels, bytes); k < bytes; ++k) pixels[k] = uint8_t(k * 37);
    if (cimg_image_constructWrap(&source, CIMG_DEPTH_8U, width, height, pitch, pixels) < 0)
        return 0;
    cimg_image_setImageOffset(&source, in.signedBelow(48), in.signedBelow(48));
    cimg_image_window(&source, source.asConst.xOffset + in.signedBelow(48),
                      source.asConst.yOffset + in.signedBelow(48), in.signedBelow(48),
                      in.signedBelow(48));
    exercise(source, in);
    cimg_image_destruct(&source);
    return 0;
}
