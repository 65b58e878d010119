// The classifier's exported helpers: window transposition and a table-driven 8-bit angle.
#include <cstdlib>
#include <cstring>

#include "ci_id/classifier.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/priv/ci_idut/pixel/angle_table.h"
#include "ci_id/priv/ci_idut/pixel/image_window.h"
#include "ci_id/status.h"

namespace cidut {

// Indexed by the octant code and four refinement bits.
const uint8_t kAngleTable[128] = {
    32,  32,  34,  32,  44,  41,  36,  39,  63,  61,  56,  59,  46,  49,  54,  51,  32,  32,  30,
    32,  20,  23,  28,  25,  1,   3,   8,   5,   18,  15,  10,  13,  96,  96,  94,  96,  84,  87,
    92,  89,  65,  67,  72,  69,  82,  79,  74,  77,  96,  96,  98,  96,  108, 105, 100, 103, 127,
    125, 120, 123, 110, 113, 118, 115, 224, 224, 222, 224, 212, 215, 220, 217, 193, 195, 200, 197,
    210, 207, 202, 205, 224, 224, 226, 224, 236, 233, 228, 231, 255, 253, 248, 251, 238, 241, 246,
    243, 160, 160, 162, 160, 172, 169, 164, 167, 191, 189, 184, 187, 174, 177, 182, 179, 160, 160,
    158, 160, 148, 151, 156, 153, 129, 131, 136, 133, 146, 143, 138, 141};

}  // namespace cidut

namespace {

// Copies a window so that writing a destination sharing its pixels cannot change what is read.
int32_t detach(cimg_windowConst* in, void** block) {
    size_t rowBytes = size_t(in->width) * size_t(in->depth);
    size_t bytes = 0;
    int32_t status = csys_size_multiply(rowBytes, size_t(in->height), &bytes);
    if (status < 0) return status;
    status = csys_memory_alloc_internal(bytes, block);
    if (status < 0) return status;
    auto* copy = static_cast<unsigned char*>(*block);
    for (int32_t r = 0; r < in->height; ++r) {
        std::memcpy(copy + r * rowBytes, in->pixels + intptr_t{r} * in->pitch, rowBytes);
    }
    in->pixels = copy;
    in->pitch = static_cast<intptr_t>(rowBytes);
    return 0;
}

}  // namespace

extern "C" {

int32_t cid_txImage(const cimg_imageConst* source, cimg_image* destination) {
    CSTD_ASSERT(source && destination);
    cimg_windowConst in;
    int32_t status = cimg_windowConst_init(&in, source);
    if (status < 0) return status;
    cimg_window out;
    status = cimg_window_init(&out, destination);
    if (status < 0) return status;
    if (out.depth != in.depth || out.width < in.height || out.height < in.width) {
        return CID_STATUS_INVALID_IMAGE;
    }
    csys::cleanupScope<1> scope;
    void* copy = nullptr;
    if (cidut::sharePixels(source, &destination->asConst)) {
        status = detach(&in, &copy);
        if (status < 0) return status;
        scope.scratch<csys_memory_free_internal>(&copy);
    }
    const size_t depth = size_t(in.depth);
    for (int32_t y = 0; y < in.height; ++y) {
        const unsigned char* row = in.pixels + intptr_t{y} * in.pitch;
        for (int32_t x = 0; x < in.width; ++x) {
            std::memcpy(out.pixels + intptr_t{x} * out.pitch + intptr_t{y} * in.depth,
                        row + x * depth, depth);
        }
    }
    return scope.close(status);
}

uint8_t cidut_atan2(int32_t x, int32_t y) {
    // 64-bit steps so that every 32-bit input is exact.
    int64_t ax = std::llabs(int64_t{x});
    int64_t ay = std::llabs(int64_t{y});
    int32_t code = y >= 0 ? 1 : 5;
    if (x < 0) code = y >= 0 ? 3 : 7;
    int64_t big = ax > ay ? ax : ay;
    int64_t small = ax > ay ? ay : ax;
    if (ax < ay) code &= ~1;
    int64_t s = big + (small >> 1);
    int64_t e1 = small - (big >> 1);
    code = 2 * code + (e1 < 0);
    e1 = std::llabs(e1);
    int64_t e2 = e1 - (s >> 2);
    code = 2 * code + (e2 < 0);
    e2 = std::llabs(e2);
    int64_t e3 = e2 - ((s + (e1 >> 2)) >> 3);
    code = 2 * code + (e3 < 0);
    e3 = std::llabs(e3);
    int64_t e4 = e3 - ((s + (e1 >> 2) + (e2 >> 3)) >> 4);
    code = 2 * code + (e4 < 0);
    return cidut::kAngleTable[code];
}
}
