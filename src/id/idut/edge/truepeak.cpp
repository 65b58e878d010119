// True peaks of an 8-bit window: the processed rectangle, the choice of implementation, and the
// main implementation over the edge library's edgels.
#include "ci_id/edge.h"
#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/edge/edge_view.h"
#include "ci_id/priv/ci_idut/pixel/image.h"
#include "ci_id/priv/ci_idut/pixel/image_window.h"
#include "ci_id/status.h"

namespace {

// The source window, cut to a bound destination's window.
int32_t processedRect(const cimg_windowConst& in, const cimg_image* destination,
                      cstd_rect32* rect) {
    *rect = cidut::rectOf(in);
    if (!destination->asConst.buffer) return 0;
    if (destination->asConst.depth != CIMG_DEPTH_8U) return CID_STATUS_INVALID_IMAGE;
    const cstd_rect32 within = *rect;
    return cstd_rect32_intersect(&within, &destination->asConst.window, rect);
}

// The pixels to read: the source over rect, or a copy of them when the destination shares the
// source's pixels and writing it could change what is still to be read.
int32_t prepareSource(const cimg_imageConst* source, const cimg_image* destination,
                      const cstd_rect32& rect, cimg_image* reading) {
    int32_t status = cimg_imageConst_constructCopy(&reading->asConst, source);
    if (status >= 0) status = cimg_image_setWindowRect(reading, &rect);
    if (status < 0 || !cidut::sharePixels(source, &destination->asConst)) return status;
    return cip_pelCopy8(&reading->asConst, reading);
}

// Where the peaks go: a bound destination's pixels over rect, else a new image of rect.
int32_t prepareTarget(cimg_image* destination, const cstd_rect32& rect, cimg_image* target) {
    if (!destination->asConst.buffer) return cimg_image_constructRect(target, CIMG_DEPTH_8U, &rect);
    int32_t status = cimg_image_constructCopy(target, destination);
    if (status >= 0) status = cimg_image_setWindowRect(target, &rect);
    return status;
}

int32_t truePeakMain(const cimg_imageConst* source, cimg_image* target, uint8_t threshold,
                     int32_t* count) {
    csys::cleanupScope<1> scope;
    csEdgeList* edges = nullptr;
    int32_t status = csEdgeListNew(0, &edges);
    scope.scratch<csEdgeListDelete>(&edges);
    const cip_edgeParams params{1.0, double(threshold), 1.0};
    if (status >= 0) status = cip_edge_detectEdges(source, &params, edges);
    if (status >= 0) status = cip_pelSet8(target, 0);
    for (const csEdge* e = csEdgeListFirst(edges); status >= 0 && e; e = csEdgeListNext(edges, e)) {
        intptr_t offset = 0;
        status =
            cimg_image_pointToOffset_internal(&target->asConst, csEdgePi(e), csEdgePj(e), &offset);
        if (status >= 0) target->asConst.pixels[offset] = csEdgeMag(e);
    }
    if (status >= 0) *count = static_cast<int32_t>(csEdgeListLen(edges));
    return scope.close(status);
}

int32_t truePeakPortable(const cimg_imageConst* source, cimg_image* target, uint8_t threshold,
                         int32_t* count) {
    cimg_windowConst in;
    cimg_window out;
    int32_t status = cimg_windowConst_init(&in, source);
    if (status >= 0) status = cimg_window_init(&out, target);
    if (status >= 0) status = cidut::truePeakPortable(in, out, threshold, count);
    return status;
}

}  // namespace

extern "C" {

int32_t cip_truepeak8(const cimg_imageConst* source, cimg_image* destination, uint8_t peakThreshold,
                      int32_t* count) {
    CSTD_ASSERT(source && destination && count);
    *count = 0;
    cimg_windowConst in;
    cstd_rect32 rect;
    int32_t status = cidut::window8(source, &in);
    if (status >= 0) status = processedRect(in, destination, &rect);
    if (status < 0 || rect.width <= 0 || rect.height <= 0) return status;
    csys::cleanupScope<2> scope;
    cimg_image reading;
    cimg_image target;
    cimg_image_constructUnbound(&reading);
    cimg_image_constructUnbound(&target);
    scope.scratch<cimg_image_destruct>(&reading);
    scope.scratch<cimg_image_destruct>(&target);
    status = prepareSource(source, destination, rect, &reading);
    if (status >= 0) status = prepareTarget(destination, rect, &target);
    if (status < 0) return scope.close(status);
    int32_t peaks = 0;
    status = CID_STATUS_NOT_AVAILABLE;
    if (!cprt_isOptimizationInhibited(L"cip_truepeak8")) {
        status = truePeakMain(&reading.asConst, &target, peakThreshold, &peaks);
    }
    if (CID_STATUS_IS_NOT_AVAILABLE(status)) {
        status = truePeakPortable(&reading.asConst, &target, peakThreshold, &peaks);
    }
    if (status >= 0 && !destination->asConst.buffer)
        status = cimg_image_assign(destination, &target);
    if (status >= 0) status = cimg_image_copyXforms(destination, source);
    if (status >= 0) *count = peaks;
    return scope.close(status);
}

}  // extern "C"
