// Sparse images of edge peaks: the edgels' magnitudes on an otherwise black copy of the window.
#include "ci_id/edge.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/pixel/image.h"

namespace {

int32_t detectInto(const cimg_imageConst* source, uint8_t threshold, csEdgeList* edges) {
    const cip_edgeParams params{1.0, double(threshold), 0.0};
    int32_t status = csys_attention_check();
    if (status >= 0) status = cip_edge_detectEdges(source, &params, edges);
    if (status >= 0) status = csys_attention_check();
    return status;
}

// Edgels lie in the window, which the result covers at the same image coordinates.
void markEdgels(const csEdgeList* edges, const cimg_window& out, bool padded) {
    for (const csEdge* e = csEdgeListFirst(edges); e; e = csEdgeListNext(edges, e)) {
        const int32_t x = csEdgePi(e) - out.xOffset;
        uint8_t* row = out.pixels + intptr_t{csEdgePj(e) - out.yOffset} * out.pitch;
        row[x] = csEdgeMag(e);
        if (padded && x + 1 < out.width) row[x + 1] = csEdgeMag(e);
    }
}

int32_t edgePeakImage(const cimg_imageConst* source, cimg_image* destination, uint8_t threshold,
                      bool padded) {
    CSTD_ASSERT(source && destination);
    cimg_windowConst in;
    int32_t status = cidut::window8(source, &in);
    if (status < 0) return status;
    csys::cleanupScope<2> scope;
    const cstd_rect32 rect = cidut::rectOf(in);
    cimg_image result;
    status = cimg_image_constructRect(&result, CIMG_DEPTH_8U, &rect);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_image_destruct>(&result);
    csEdgeList* edges = nullptr;
    status = csEdgeListNew(0, &edges);
    scope.scratch<csEdgeListDelete>(&edges);
    if (status >= 0) status = cimg_image_copyXforms(&result, source);
    if (status >= 0) status = detectInto(source, threshold, edges);
    cimg_window out;
    if (status >= 0) status = cimg_window_init(&out, &result);
    if (status < 0) return scope.close(status);
    markEdgels(edges, out, padded);
    return scope.close(cimg_image_assign(destination, &result));
}

}  // namespace

extern "C" {

int32_t cf_GetTrueEdgePeakFromEdgelets(const cimg_imageConst* source, cimg_image* destination,
                                       uint8_t magnitudeThreshold) {
    return edgePeakImage(source, destination, magnitudeThreshold, true);
}

int32_t cf_GetTrueEdgePeakFromEdgelets_noPadding(const cimg_imageConst* source,
                                                 cimg_image* destination,
                                                 uint8_t magnitudeThreshold) {
    return edgePeakImage(source, destination, magnitudeThreshold, false);
}

}  // extern "C"
