// The edge-scan runner: clipping, the guard on the ROI's margin, and the choice of pixel loop.
#include <cstdint>
#include <cstdlib>

#include "ci_id/edgescan.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/scan/edge_loops.h"
#include "ci_id/status.h"

namespace {

// The loops read one pixel around every pixel of the ROI's inner rectangle (and one beyond the
// ends of axis-parallel scans, which lie in that rectangle too).
bool marginFits(const cidc_windowROI& roi, const cimg_windowConst& w) {
    if (roi.minX16 > roi.maxX16 || roi.minY16 > roi.maxY16) return false;
    const int64_t left = (roi.minX16 >> 4) + roi.winOriginX;
    const int64_t right = (roi.maxX16 >> 4) + roi.winOriginX;
    const int64_t top = (roi.minY16 >> 4) + roi.winOriginY;
    const int64_t bottom = (roi.maxY16 >> 4) + roi.winOriginY;
    return left >= 1 && top >= 1 && right <= int64_t{w.width} - 2 &&
           bottom <= int64_t{w.height} - 2;
}

}  // namespace

extern "C" {

int32_t cidc_runEdgeScan(const cimg_imageConst* image, const cidc_windowROI* roi,
                         const cidc_edgeScanParams* params, const cidc_scanShape* shape,
                         const cidc_gradientDir16* gradient, cstd_vector_cidc_peakIDFixedX_4* peaks,
                         cidc_scanLineSeg* segment) {
    CSTD_ASSERT(image && roi && params && shape && gradient && peaks && segment);
    cimg_windowConst w;
    int32_t status = cimg_windowConst_init(&w, image);
    if (status < 0) return status;
    if (w.depth != CIMG_DEPTH_8U) return CID_STATUS_INVALID_IMAGE;
    if (!marginFits(*roi, w)) return CID_STATUS_INVALID_PARAMETER;
    cidc_scanLineSeg seg;
    status = cidc_scanShape_clip(shape, roi, &seg);
    if (status < 0) return status;
    *segment = seg;
    if (seg.degenerate) return 0;
    const cidut::scanSetup setup{params->contrastThreshold, seg.scanPos[0].u, peaks,
                                 !cprt_isOptimizationInhibited(L"cidc_runEdgeScan")};
    const cidut::edgeKernel k = cidut::edgeKernelFor(*gradient, w.pitch);
    const bool horizontal = seg.line.dir.y == 0;
    if (!horizontal && seg.line.dir.x != 0) {
        return cidut::runKernelOblique(seg, w.pixels, *roi, k, setup);
    }
    const intptr_t column = intptr_t{seg.pix[0].x} + roi->winOriginX;
    const intptr_t row = intptr_t{seg.pix[0].y} + roi->winOriginY;
    const cidut::pixelPtr start = w.pixels + row * w.pitch + column;
    const int64_t from = horizontal ? seg.pix[0].x : seg.pix[0].y;
    const int64_t to = horizontal ? seg.pix[1].x : seg.pix[1].y;
    if (from == to) return 0;
    const intptr_t unit = horizontal ? 1 : w.pitch;
    const intptr_t along = to > from ? unit : -unit;
    const intptr_t across = horizontal ? w.pitch : 1;
    const auto count = static_cast<int32_t>(std::abs(to - from));
    const bool gradientAlong = horizontal ? gradient->y == 0 : gradient->x == 0;
    if (gradientAlong) return cidut::runSmoothedDifference(start, along, across, count, setup);
    return cidut::runKernelAxis(start, along, across, count, k, setup);
}
}
