// Grey dilation and erosion with flat rectangles, on the library's separable morphology. A
// window smaller than the element is first framed with the operation's identity, so that the
// element is cut at the border there as everywhere else.
#include "ci_id/morph.h"
#include "ci_id/platform/cip_gmorph.h"
#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_status.h"

namespace {

constexpr int32_t kMaxSize = 65535;
constexpr int32_t kInvalidValue = static_cast<int32_t>(0x80000846u);

int32_t framed(const cimg_imageConst* source, const cimg_windowConst& in,
               const cip_gmorphElementArray& element, uint32_t type, cimg_image* destination) {
    const int32_t padX = (element.width - 1) / 2;
    const int32_t padY = (element.height - 1) / 2;
    const int64_t x = int64_t{in.xOffset} - padX;
    const int64_t y = int64_t{in.yOffset} - padY;
    const int64_t width = int64_t{in.width} + 2 * padX;
    const int64_t height = int64_t{in.height} + 2 * padY;
    if (x < INT32_MIN || y < INT32_MIN || width > INT32_MAX || height > INT32_MAX) {
        return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    }
    const cstd_rect32 rect{int32_t(x), int32_t(y), int32_t(width), int32_t(height)};
    csys::cleanupScope<2> scope;
    cimg_image frame;
    int32_t status = cimg_image_constructRect(&frame, CIMG_DEPTH_8U, &rect);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_image_destruct>(&frame);
    cimg_image filtered;
    cimg_image_constructUnbound(&filtered);
    scope.scratch<cimg_image_destruct>(&filtered);
    status = cip_pelSet8(&frame, type == CIDUT_MORPH_DILATE ? 0 : 255);
    if (status >= 0) status = cimg_image_copyXforms(&frame, source);
    if (status >= 0)
        status = cimg_image_window(&frame, in.xOffset, in.yOffset, in.width, in.height);
    if (status >= 0) status = cip_pelCopyWindow8(source, &frame);
    if (status >= 0) status = cimg_image_setEntire(&frame);
    if (status >= 0) {
        status = cidut_morph2d_run(&frame.asConst, &filtered, type, element.width, element.height);
    }
    if (status >= 0) {
        status = cimg_image_window(&filtered, in.xOffset, in.yOffset, in.width, in.height);
    }
    if (status >= 0) status = cip_pelCopy8(&filtered.asConst, destination);
    return scope.close(status);
}

int32_t filter(const cimg_imageConst* source, const cip_gmorphElementArray* element, uint32_t type,
               cimg_image* destination) {
    CSTD_ASSERT(source && element && destination);
    cimg_windowConst in;
    int32_t status = cimg_windowConst_init(&in, source);
    if (status < 0) return status;
    if (in.depth != CIMG_DEPTH_8U) return CIMG_STATUS_INVALID_IMAGE;
    if (element->width < 1 || element->height < 1 || element->width > 2 * kMaxSize + 1 ||
        element->height > 2 * kMaxSize + 1) {
        return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    }
    const bool small = in.width < element->width || in.height < element->height;
    if (small && in.width > 0 && in.height > 0) {
        return framed(source, in, *element, type, destination);
    }
    return cidut_morph2d_run(source, destination, type, element->width, element->height);
}

}  // namespace

extern "C" {

int32_t cip_gmorphElementArray_constructType(cip_gmorphElementArray* element, int32_t type,
                                             int32_t size) {
    CSTD_ASSERT(element);
    if (type != CIP_GMORPH_ROW && type != CIP_GMORPH_SQUARE && type != CIP_GMORPH_COLUMN) {
        return kInvalidValue;
    }
    if (size < 0 || size > kMaxSize) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    const int32_t side = 2 * size + 1;
    element->type = type;
    element->size = size;
    element->width = type == CIP_GMORPH_COLUMN ? 1 : side;
    element->height = type == CIP_GMORPH_ROW ? 1 : side;
    return 0;
}

int32_t cip_gmorphElementArray_destruct(cip_gmorphElementArray* element) {
    CSTD_ASSERT(element);
    return 0;
}

int32_t cip_gmorphDilate8(const cimg_imageConst* source, const cip_gmorphElementArray* element,
                          cimg_image* destination) {
    return filter(source, element, CIDUT_MORPH_DILATE, destination);
}

int32_t cip_gmorphErode8(const cimg_imageConst* source, const cip_gmorphElementArray* element,
                         cimg_image* destination) {
    return filter(source, element, CIDUT_MORPH_ERODE, destination);
}
}
