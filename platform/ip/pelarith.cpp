// Grey range, look-up tables, subtraction and expansion of 8-bit windows; the range, the
// subtraction and the expansion are the library's pixel operations.
#include "ci_id/pelops.h"
#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/cip_pelarith.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_status.h"

namespace {

constexpr int32_t kBlock = 32;

void mapRows(const cimg_windowConst& from, const cimg_window& to, const uint8_t* table) {
    for (int32_t y = 0; y < from.height; ++y) {
        const uint8_t* in = from.pixels + y * from.pitch;
        uint8_t* out = to.pixels + y * to.pitch;
        for (int32_t x = 0; x < from.width; ++x) out[x] = table[in[x]];
    }
}

// The level from which a binarizing table (0 below it, 255 from it on) is 255, when that is 1 ..
// 255; else 0, and the table is looked up as it is.
int32_t binarizingStep(const uint8_t* table) {
    int32_t step = 0;
    while (step < 256 && table[step] == 0) ++step;
    for (int32_t v = step; v < 256; ++v) {
        if (table[v] != 255) return 0;
    }
    return step < 256 ? step : 0;
}

// out = in >= step ? 255 : 0; a compare in fixed blocks, which the compiler vectorises, where a
// table look-up takes a load per pixel.
void compareRow(const uint8_t* __restrict in, uint8_t* __restrict out, int32_t width,
                uint8_t step) {
    int32_t x = 0;
    for (; x + kBlock <= width; x += kBlock) {
        for (int32_t i = 0; i < kBlock; ++i) out[x + i] = in[x + i] >= step ? 255 : 0;
    }
    for (; x < width; ++x) out[x] = in[x] >= step ? 255 : 0;
}

// Source and destination share no pixels here.
void mapDistinct(const cimg_windowConst& from, const cimg_window& to, const uint8_t* table) {
    const int32_t step = binarizingStep(table);
    if (step == 0) {
        mapRows(from, to, table);
        return;
    }
    for (int32_t y = 0; y < from.height; ++y) {
        compareRow(from.pixels + y * from.pitch, to.pixels + y * to.pitch, from.width,
                   static_cast<uint8_t>(step));
    }
}

int32_t window8(const cimg_imageConst* image, cimg_windowConst* window) {
    int32_t status = cimg_windowConst_init(window, image);
    if (status < 0) return status;
    return window->depth == CIMG_DEPTH_8U ? 0 : CIMG_STATUS_INVALID_IMAGE;
}

}  // namespace

extern "C" {

int32_t cip_pelUnaryMinMax8(const cimg_imageConst* image, uint8_t* minimum, uint8_t* maximum) {
    return cidut_ip_pelMinMax8(image, minimum, maximum);
}

int32_t cip_pelMap8(const cimg_imageConst* source, cimg_image* destination, const uint8_t* table) {
    CSTD_ASSERT(source && destination && table);
    cimg_windowConst from;
    cimg_windowConst to;
    int32_t status = window8(source, &from);
    if (status >= 0) status = window8(&destination->asConst, &to);
    if (status < 0) return status;
    if (from.width != to.width || from.height != to.height) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    cimg_window out;
    cimg_window_init(&out, destination);
    // The same pixels map safely in place; any other sharing reads a copy first.
    if (from.pixels == to.pixels && from.pitch == to.pitch) {
        mapRows(from, out, table);
        return 0;
    }
    if (cip_pelfunc_checkMemoryOverlap(source, &destination->asConst) == 0) {
        mapDistinct(from, out, table);
        return 0;
    }
    csys::cleanupScope<1> scope;
    cimg_image copy;
    cimg_image_constructUnbound(&copy);
    scope.scratch<cimg_image_destruct>(&copy);
    status = cip_pelCopy8(source, &copy);
    if (status < 0) return scope.close(status);
    cimg_windowConst staged;
    cimg_windowConst_init(&staged, &copy.asConst);
    mapDistinct(staged, out, table);
    return scope.close(0);
}

int32_t cip_pelSub8(const cimg_imageConst* a, const cimg_imageConst* b, uint32_t mode,
                    cimg_image* destination) {
    CSTD_ASSERT(a && b && destination);
    if (mode != CIP_PEL_SUB_CLAMP) return static_cast<int32_t>(0x80000000u);
    return cidut_ip_pelSub8(a, b, destination, 0);
}

int32_t cip_pelExpand8(const cimg_imageConst* source, cimg_image* destination, int32_t factorX,
                       int32_t factorY) {
    return cidut_ip_pelExpand8(source, destination, factorX, factorY);
}
}
