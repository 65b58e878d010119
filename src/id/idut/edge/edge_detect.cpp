// Edge detection entry points: parameters, magnitude and angle images, edgels with chains.
#include <algorithm>
#include <cfloat>

#include "ci_id/edge.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/priv/ci_idut/edge/edge_view.h"
#include "ci_id/priv/ci_idut/pixel/image.h"
#include "ci_id/status.h"

namespace cidut {

namespace {

// A double beyond the range of float has no float value; NaN stays NaN.
float toFloat(double value) {
    return value != value ? float(value)
                          : float(std::clamp(value, -double(FLT_MAX), double(FLT_MAX)));
}

}  // namespace

csEdgeParams edgeRecord(const cip_edgeParams& params) {
    csEdgeParams record;
    csEdgeParamsDefault(&record);
    record.sigma = toFloat(params.sigma);
    record.lowThreshold = toFloat(params.lowThreshold);
    record.highThreshold = toFloat(params.highThreshold);
    record.flags = 0;
    record.version = CSEDGE_PARAMS_VERSION;
    return record;
}

int32_t edgeView(const cimg_imageConst* image, const cstd_rect32& rect, cxImage95* view) {
    cimg_imageConst part;
    int32_t status = cimg_imageConst_constructCopy(&part, image);
    if (status < 0) return status;
    status = cimg_imageConst_setWindowRect(&part, &rect);
    if (status >= 0) status = view->init(&part);
    cimg_imageConst_destruct(&part);
    return status;
}

}  // namespace cidut

namespace {

// The outputs' rectangle: the source window less one pixel on every side, cut to the windows of
// bound outputs.
int32_t outputRect(const cimg_windowConst& in, const cimg_image* magnitude, const cimg_image* angle,
                   cstd_rect32* rect) {
    *rect = cstd_rect32{in.xOffset + 1, in.yOffset + 1, std::max(in.width - 2, 0),
                        std::max(in.height - 2, 0)};
    for (const cimg_image* output : {magnitude, angle}) {
        if (!output->asConst.buffer) continue;
        if (output->asConst.depth != CIMG_DEPTH_8U) return CID_STATUS_INVALID_IMAGE;
        const cstd_rect32 within = *rect;
        cstd_rect32_intersect(&within, &output->asConst.window, rect);
    }
    return 0;
}

// Where an output's pixels go: a bound output's own pixels over rect, or a new image of rect
// (held in fresh until it is handed over).
bool isEmpty(const cstd_rect32& rect) { return rect.width <= 0 || rect.height <= 0; }

int32_t prepareOutput(cimg_image* output, const cstd_rect32& rect, cimg_image* fresh,
                      cxImage95* view) {
    if (output->asConst.buffer) {
        return isEmpty(rect) ? 0 : cidut::edgeView(&output->asConst, rect, view);
    }
    int32_t status = cimg_image_constructRect(fresh, CIMG_DEPTH_8U, &rect);
    if (status >= 0) status = view->init(fresh);
    return status;
}

int32_t finishOutput(const cimg_imageConst* source, cimg_image* fresh, cimg_image* output) {
    int32_t status = fresh->asConst.buffer ? cimg_image_assign(output, fresh) : 0;
    if (status >= 0) status = cimg_image_copyXforms(output, source);
    return status;
}

}  // namespace

extern "C" {

int32_t cip_edgeParams_init(cip_edgeParams* params) {
    CSTD_ASSERT(params);
    csEdgeParams record;
    csEdgeParamsDefault(&record);
    *params = cip_edgeParams{record.sigma, record.lowThreshold, record.highThreshold};
    return 0;
}

int32_t cip_edge_detectMagAng(const cimg_imageConst* source, const cip_edgeParams* params,
                              cimg_image* magnitude, cimg_image* angle) {
    CSTD_ASSERT(source && params && magnitude && angle && magnitude != angle);
    cimg_windowConst in;
    int32_t status = cidut::window8(source, &in);
    cstd_rect32 rect;
    if (status >= 0) status = outputRect(in, magnitude, angle, &rect);
    if (status < 0) return status;
    csys::cleanupScope<2> scope;
    cimg_image freshMagnitude;
    cimg_image freshAngle;
    cimg_image_constructUnbound(&freshMagnitude);
    cimg_image_constructUnbound(&freshAngle);
    scope.scratch<cimg_image_destruct>(&freshMagnitude);
    scope.scratch<cimg_image_destruct>(&freshAngle);
    cxImage95 magnitudeView;
    cxImage95 angleView;
    status = prepareOutput(magnitude, rect, &freshMagnitude, &magnitudeView);
    if (status >= 0) status = prepareOutput(angle, rect, &freshAngle, &angleView);
    if (status >= 0 && !isEmpty(rect)) {
        const cstd_rect32 grown{rect.x - 1, rect.y - 1, rect.width + 2, rect.height + 2};
        cxImage95 view;
        const csEdgeParams record = cidut::edgeRecord(*params);
        status = cidut::edgeView(source, grown, &view);
        if (status >= 0) status = csEdgeDetect(view, &record, magnitudeView, angleView, 0, 0);
    }
    if (status >= 0) status = finishOutput(source, &freshMagnitude, magnitude);
    if (status >= 0) status = finishOutput(source, &freshAngle, angle);
    return scope.close(status);
}

int32_t cip_edge_detectEdgesChains(const cimg_imageConst* source, const cip_edgeParams* params,
                                   csEdgeList* edges, csEdgeChainList* chains) {
    CSTD_ASSERT(source && params && edges && chains);
    cxImage95 view;
    int32_t status = view.init(source);
    if (status < 0) return status;
    const csEdgeParams record = cidut::edgeRecord(*params);
    return csEdgeDetect(view, &record, 0, 0, edges, chains);
}

}  // extern "C"
