// Magnitude and direction images from the ID edge base tables.
#include <algorithm>

#include "ci_id/edgeid.h"
#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/pixel/edge_id.h"
#include "ci_id/priv/ci_idut/pixel/image.h"
#include "ci_id/status.h"

namespace {

// The output rectangle: the source window less its last column and row, cut to the windows of
// bound outputs.
int32_t outputRect(const cimg_windowConst& in, const cimg_image* magnitude,
                   const cimg_image* direction, cstd_rect32* rect) {
    *rect =
        cstd_rect32{in.xOffset, in.yOffset, std::max(in.width - 1, 0), std::max(in.height - 1, 0)};
    for (const cimg_image* output : {magnitude, direction}) {
        int32_t bound = 0;
        cimg_image_getIsBound(output, &bound);
        if (!bound) continue;
        if (output->asConst.depth != CIMG_DEPTH_8U) return CIMG_STATUS_INVALID_IMAGE;
        const cstd_rect32 within = *rect;
        cstd_rect32_intersect(&within, &output->asConst.window, rect);
    }
    return 0;
}

int32_t shiftedTransform(const cimg_imageConst* source, int32_t mode, cmath_xformLinear* xform) {
    int32_t status = cimg_imageConst_getLinearImageFromClientXform(source, xform);
    if (status < 0 || mode == CF_EDGE_ID_MODE_SOBEL_CENTRED) return status;
    cmath_xformLinear shift;
    cmath_matrix identity;
    cmath_vect half{-0.5, -0.5};
    cmath_matrix_init(&identity, 1.0, 0.0, 0.0, 1.0);
    cmath_xformLinear_initMatrixTrans(&shift, &identity, &half);
    return cmath_xformLinear_initCompose(xform, &shift, xform);
}

struct pixelRule {
    const uint8_t* base;
    bool variant1;
    uint8_t threshold;
    bool roberts;
    // Whether the image has a row above, and a column left of, the window's first.
    bool rowAbove;
    bool columnLeft;
};

// One output row, y and the columns relative to the source window. The Sobel neighbourhood reads
// the image's pixels beyond the window's first row and column; only the image's own edge repeats
// its first row or column.
void detectRow(const cimg_windowConst& in, int32_t y, int32_t x0, int32_t width,
               const pixelRule& rule, uint8_t* magnitudes, uint8_t* directions) {
    const uint8_t* row = in.pixels + y * in.pitch;
    const uint8_t* above = y > 0 || rule.rowAbove ? row - in.pitch : row;
    const uint8_t* below = row + in.pitch;
    for (int32_t i = 0; i < width; ++i) {
        const int32_t x = x0 + i;
        const int32_t left = x > 0 || rule.columnLeft ? x - 1 : 0;
        const uint32_t key = rule.roberts ? cidut::robertsKey(row, below, x)
                                          : cidut::sobelKey(above, row, below, left, x, x + 1);
        const int32_t magnitude = cidut::magnitudeOf(rule.base[cidut::magnitudeSlot(key)]);
        const uint8_t tableDirection = rule.base[cidut::directionSlot(key)];
        magnitudes[i] = static_cast<uint8_t>(magnitude);
        directions[i] = rule.variant1 && magnitude < rule.threshold
                            ? cidut::kEdgeIdNoEdge
                            : cidut::outputDirection(tableDirection, rule.roberts);
    }
}

int32_t fillOutputs(const cimg_windowConst& in, const pixelRule& rule, cimg_image* magnitude,
                    cimg_image* direction) {
    cimg_window mag;
    cimg_window dir;
    int32_t status = cimg_window_init(&mag, magnitude);
    if (status >= 0) status = cimg_window_init(&dir, direction);
    if (status < 0) return status;
    for (int32_t y = 0; y < mag.height; ++y) {
        status = csys_attention_check();
        if (status < 0) return status;
        detectRow(in, mag.yOffset - in.yOffset + y, mag.xOffset - in.xOffset, mag.width, rule,
                  mag.pixels + y * mag.pitch, dir.pixels + y * dir.pitch);
    }
    return 0;
}

// Hands a finished image to an output: a bound output takes the pixels into its own at the same
// place (nothing, when there are none), an unbound one takes the image.
int32_t deliver(cimg_image* finished, cimg_image* output) {
    int32_t bound = 0;
    cimg_image_getIsBound(output, &bound);
    if (!bound) return cimg_image_assign(output, finished);
    int32_t empty = 0;
    cstd_rect32_getIsNull(&finished->asConst.window, &empty);
    if (empty) return 0;
    cimg_image place;
    int32_t status = cimg_image_constructCopy(&place, output);
    if (status < 0) return status;
    status = cimg_image_setWindowRect(&place, &finished->asConst.window);
    if (status >= 0) status = cip_pelCopyWindow8(&finished->asConst, &place);
    if (status >= 0) status = cimg_image_copyXforms(&place, &finished->asConst);
    if (status >= 0) status = cimg_image_assign(output, &place);
    cimg_image_destruct(&place);
    return status;
}

}  // namespace

extern "C" {

int32_t cfEdgeDetectIDMagAng(const cimg_imageConst* source, cimg_image* magnitude,
                             cimg_image* direction, int32_t variant, uint8_t threshold,
                             int32_t mode) {
    CSTD_ASSERT(source && magnitude && direction);
    CSTD_ASSERT(variant == 0 || variant == 1);
    cimg_windowConst in;
    int32_t status = cidut::window8(source, &in);
    cstd_rect32 rect;
    if (status >= 0) status = outputRect(in, magnitude, direction, &rect);
    cmath_xformLinear xform;
    if (status >= 0) status = shiftedTransform(source, mode, &xform);
    const uint8_t* base = nullptr;
    if (status >= 0) status = cidut::edgeIdBaseTable(variant, &base);
    if (status < 0) return status;
    csys::cleanupScope<2> scope;
    cimg_image mag;
    cimg_image dir;
    status = cimg_image_constructRect(&mag, CIMG_DEPTH_8U, &rect);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_image_destruct>(&mag);
    status = cimg_image_constructRect(&dir, CIMG_DEPTH_8U, &rect);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_image_destruct>(&dir);
    const pixelRule rule{base,
                         variant == 1,
                         threshold,
                         mode == CF_EDGE_ID_MODE_ROBERTS,
                         in.yOffset > source->yOffset,
                         in.xOffset > source->xOffset};
    status = fillOutputs(in, rule, &mag, &dir);
    if (status >= 0) status = cimg_image_setLinearImageFromClientXform(&mag, &xform);
    if (status >= 0) status = cimg_image_setLinearImageFromClientXform(&dir, &xform);
    if (status >= 0) status = deliver(&mag, magnitude);
    if (status >= 0) status = deliver(&dir, direction);
    return scope.close(status);
}
}
