// Pixel arithmetic, mapping, grey range, transposition and expansion of 8-bit windows.
#include "ci_id/pelops.h"

#include <algorithm>
#include <cstring>

#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/priv/ci_idut/pixel/image.h"
#include "ci_id/status.h"

namespace {

struct saturatingAdd {
    uint8_t operator()(uint8_t a, uint8_t b) const {
        return static_cast<uint8_t>(std::min<int16_t>(int16_t{a} + b, 255));
    }
};
struct saturatingSubtract {
    uint8_t operator()(uint8_t a, uint8_t b) const {
        return static_cast<uint8_t>(std::max<int16_t>(int16_t{a} - b, 0));
    }
};

// Address of image pixel (x, y), which lies in the window.
template <typename Window>
auto pixelAt(const Window& window, int32_t x, int32_t y) {
    return window.pixels + intptr_t{y - window.yOffset} * window.pitch + (x - window.xOffset);
}

template <typename Combine>
void combineOverlap(const cimg_windowConst& a, const cimg_windowConst& b, const cimg_window& out,
                    const cstd_rect32& overlap) {
    const Combine combine;
    for (int32_t y = overlap.y; y < overlap.y + overlap.height; ++y) {
        const uint8_t* rowA = pixelAt(a, overlap.x, y);
        const uint8_t* rowB = pixelAt(b, overlap.x, y);
        uint8_t* rowOut = pixelAt(out, overlap.x, y);
        for (int32_t x = 0; x < overlap.width; ++x) rowOut[x] = combine(rowA[x], rowB[x]);
    }
}

template <typename Combine>
int32_t arithmetic(const cimg_imageConst* a, const cimg_imageConst* b, cimg_image* destination,
                   uint32_t mode) {
    CSTD_ASSERT(a && b && destination);
    cimg_windowConst wa;
    cimg_windowConst wb;
    int32_t status = cidut::window8(a, &wa);
    if (status >= 0) status = cidut::window8(b, &wb);
    if (status < 0) return status;
    const cstd_rect32 ra = cidut::rectOf(wa);
    const cstd_rect32 rb = cidut::rectOf(wb);
    cstd_rect32 overlap;
    int32_t isNull = 1;
    cstd_rect32_intersect(&ra, &rb, &overlap);
    cstd_rect32_getIsNull(&overlap, &isNull);
    csys::cleanupScope<1> scope;
    cimg_image result;
    cimg_image_constructUnbound(&result);
    scope.scratch<cimg_image_destruct>(&result);
    status = cip_pelCopy8(a, &result);
    if (status < 0) return scope.close(status);
    if (!isNull) {
        // Only a combination that runs reads the mode.
        CSTD_ASSERT(mode == 0);
        if (mode != 0) return scope.close(CID_STATUS_FAILED);
        cimg_window out;
        status = cimg_window_init(&out, &result);
        if (status < 0) return scope.close(status);
        combineOverlap<Combine>(wa, wb, out, overlap);
    }
    return scope.close(cimg_image_assign(destination, &result));
}

bool fitsInt32(int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

// The image rectangle an expansion of window covers, or CSYS_STATUS_SIZE_OUT_OF_RANGE.
int32_t expandedRect(const cimg_windowConst& window, int32_t factorX, int32_t factorY,
                     cstd_rect32* rect) {
    const int64_t x = int64_t{window.xOffset} * factorX;
    const int64_t y = int64_t{window.yOffset} * factorY;
    const int64_t width = int64_t{window.width} * factorX;
    const int64_t height = int64_t{window.height} * factorY;
    if (!fitsInt32(x) || !fitsInt32(y) || !fitsInt32(width) || !fitsInt32(height) ||
        !fitsInt32(x + width) || !fitsInt32(y + height)) {
        return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    }
    *rect = cstd_rect32{static_cast<int32_t>(x), static_cast<int32_t>(y),
                        static_cast<int32_t>(width), static_cast<int32_t>(height)};
    return 0;
}

void replicate(const cimg_windowConst& in, const cimg_window& out, int32_t factorX,
               int32_t factorY) {
    for (int32_t y = 0; y < in.height; ++y) {
        const uint8_t* row = in.pixels + y * in.pitch;
        uint8_t* first = out.pixels + intptr_t{y} * factorY * out.pitch;
        for (int32_t x = 0; x < in.width; ++x) {
            std::memset(first + intptr_t{x} * factorX, row[x], static_cast<size_t>(factorX));
        }
        for (int32_t copy = 1; copy < factorY; ++copy) {
            std::memcpy(first + copy * out.pitch, first, static_cast<size_t>(out.width));
        }
    }
}

// Client coordinates keep naming the same content: the scaling follows the source's
// image-from-client transform.
int32_t scaleTransform(const cimg_imageConst* source, int32_t factorX, int32_t factorY,
                       cimg_image* result) {
    cmath_xformLinear scaling;
    cmath_matrix matrix;
    cmath_vect none{0.0, 0.0};
    cmath_matrix_init(&matrix, factorX, 0.0, 0.0, factorY);
    cmath_xformLinear_initMatrixTrans(&scaling, &matrix, &none);
    cmath_xformLinear imageFromClient;
    int32_t status = cimg_imageConst_getLinearImageFromClientXform(source, &imageFromClient);
    if (status >= 0)
        status = cmath_xformLinear_initCompose(&imageFromClient, &scaling, &imageFromClient);
    if (status >= 0) status = cimg_image_setLinearImageFromClientXform(result, &imageFromClient);
    return status;
}

}  // namespace

extern "C" {

int32_t cidut_ip_pelAdd8(const cimg_imageConst* a, const cimg_imageConst* b,
                         cimg_image* destination, uint32_t mode) {
    return arithmetic<saturatingAdd>(a, b, destination, mode);
}

int32_t cidut_ip_pelSub8(const cimg_imageConst* a, const cimg_imageConst* b,
                         cimg_image* destination, uint32_t mode) {
    return arithmetic<saturatingSubtract>(a, b, destination, mode);
}

int32_t cidut_ip_pelInvert8(cimg_image* image) {
    CSTD_ASSERT(image);
    cimg_window window;
    int32_t status = cidut::window8(image, &window);
    if (status < 0) return status;
    for (int32_t y = 0; y < window.height; ++y) {
        uint8_t* row = window.pixels + y * window.pitch;
        for (int32_t x = 0; x < window.width; ++x) row[x] ^= 0xFF;
    }
    return 0;
}

int32_t cip_image8_map(cimg_image* destination, const cimg_imageConst* source,
                       const uint8_t* table) {
    CSTD_ASSERT(destination && source && table);
    csys::cleanupScope<1> scope;
    cimg_image result;
    cimg_image_constructUnbound(&result);
    scope.scratch<cimg_image_destruct>(&result);
    int32_t status = cip_pelCopy8(source, &result);
    cimg_window window;
    if (status >= 0) status = cimg_window_init(&window, &result);
    if (status < 0) return scope.close(status);
    for (int32_t y = 0; y < window.height; ++y) {
        uint8_t* row = window.pixels + y * window.pitch;
        for (int32_t x = 0; x < window.width; ++x) row[x] = table[row[x]];
    }
    return scope.close(cimg_image_assign(destination, &result));
}

int32_t cidut_ip_pelMinMax8(const cimg_imageConst* image, uint8_t* minimum, uint8_t* maximum) {
    CSTD_ASSERT(image && minimum && maximum);
    cimg_windowConst window;
    int32_t status = cidut::window8(image, &window);
    if (status < 0) return status;
    uint8_t low = 255;
    uint8_t high = 0;
    for (int32_t y = 0; y < window.height; ++y) {
        const uint8_t* row = window.pixels + y * window.pitch;
        for (int32_t x = 0; x < window.width; ++x) {
            low = std::min(low, row[x]);
            high = std::max(high, row[x]);
        }
    }
    *minimum = low;
    *maximum = high;
    return 0;
}

int32_t cidut_ip_pelTranspose8(const cimg_imageConst* source, cimg_image* destination) {
    CSTD_ASSERT(source && destination);
    cimg_windowConst in;
    int32_t status = cidut::window8(source, &in);
    if (status < 0) return status;
    csys::cleanupScope<1> scope;
    cimg_image result;
    status = cimg_image_construct(&result, CIMG_DEPTH_8U, source->height, source->width);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_image_destruct>(&result);
    cimg_window out;
    status = cimg_image_window(&result, 0, 0, in.height, in.width);
    if (status >= 0) status = cimg_window_init(&out, &result);
    if (status < 0) return scope.close(status);
    for (int32_t r = 0; r < in.height; ++r) {
        const uint8_t* row = in.pixels + r * in.pitch;
        for (int32_t c = 0; c < in.width; ++c) out.pixels[c * out.pitch + r] = row[c];
    }
    return scope.close(cimg_image_assign(destination, &result));
}

int32_t cidut_ip_pelExpand8(const cimg_imageConst* source, cimg_image* destination, int32_t factorX,
                            int32_t factorY) {
    CSTD_ASSERT(source && destination);
    if (factorX < 1 || factorY < 1) return CID_STATUS_INVALID_IMAGE;
    cimg_windowConst in;
    int32_t status = cidut::window8(source, &in);
    if (status < 0) return status;
    cstd_rect32 rect;
    status = expandedRect(in, factorX, factorY, &rect);
    if (status < 0) return status;
    csys::cleanupScope<1> scope;
    cimg_image result;
    status = cimg_image_constructRect(&result, CIMG_DEPTH_8U, &rect);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_image_destruct>(&result);
    cimg_window out;
    status = cimg_window_init(&out, &result);
    if (status < 0) return scope.close(status);
    replicate(in, out, factorX, factorY);
    status = scaleTransform(source, factorX, factorY, &result);
    if (status >= 0) status = cimg_image_assign(destination, &result);
    return scope.close(status);
}

}  // extern "C"
