// Copying, filling and overlap tests of 8-bit image windows.
#include <cstring>

#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_status.h"

namespace {

int32_t window8(const cimg_imageConst* image, cimg_windowConst* window) {
    int32_t status = cimg_windowConst_init(window, image);
    if (status < 0) return status;
    return window->depth == CIMG_DEPTH_8U ? 0 : CIMG_STATUS_INVALID_IMAGE;
}

int32_t window8(cimg_image* image, cimg_window* window) {
    int32_t status = cimg_window_init(window, image);
    if (status < 0) return status;
    return window->depth == CIMG_DEPTH_8U ? 0 : CIMG_STATUS_INVALID_IMAGE;
}

void copyRows(const unsigned char* source, intptr_t sourcePitch, unsigned char* destination,
              intptr_t destinationPitch, int32_t width, int32_t height) {
    // Windows of an empty image may have no pixels at all, and memcpy must not see null.
    if (width <= 0) return;
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(destination + y * destinationPitch, source + y * sourcePitch,
                    static_cast<size_t>(width));
    }
}

// The bytes one window covers: rows of rowBytes bytes, pitch apart, from first.
struct byteRows {
    intptr_t first;
    intptr_t pitch;
    intptr_t rowBytes;
    int32_t rows;

    bool empty() const { return rowBytes <= 0 || rows <= 0; }
    intptr_t end() const { return first + (rows - 1) * pitch + rowBytes; }
};

byteRows rowsOf(const cimg_windowConst& w) {
    return byteRows{reinterpret_cast<intptr_t>(w.pixels), w.pitch, intptr_t{w.width} * w.depth,
                    w.height};
}

intptr_t floorDiv(intptr_t a, intptr_t b) {
    intptr_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// Whether the interval [start, start + length) meets any row of rows (whose pitch is positive).
bool meetsAnyRow(const byteRows& rows, intptr_t start, intptr_t length) {
    // Row k meets the interval when first + k * pitch < start + length and
    // first + k * pitch + rowBytes > start.
    intptr_t lastK = floorDiv(start + length - rows.first - 1, rows.pitch);
    intptr_t firstK = floorDiv(start - rows.rowBytes - rows.first, rows.pitch) + 1;
    if (firstK < 0) firstK = 0;
    if (lastK > rows.rows - 1) lastK = rows.rows - 1;
    return firstK <= lastK;
}

bool overlaps(const byteRows& a, const byteRows& b) {
    if (a.empty() || b.empty()) return false;
    if (a.end() <= b.first || b.end() <= a.first) return false;
    // Walk the rows of the image with fewer rows and look each one up in the other.
    const byteRows& walked = a.rows <= b.rows ? a : b;
    const byteRows& other = a.rows <= b.rows ? b : a;
    if (other.pitch <= 0) return true;  // no row structure to exploit: the spans meet
    for (int32_t j = 0; j < walked.rows; ++j) {
        if (meetsAnyRow(other, walked.first + j * walked.pitch, walked.rowBytes)) return true;
    }
    return false;
}

}  // namespace

extern "C" {

int32_t cip_pelfunc_checkMemoryOverlap(const cimg_imageConst* a, const cimg_imageConst* b) {
    CSTD_ASSERT(a && b);
    cimg_windowConst wa;
    cimg_windowConst wb;
    int32_t status = cimg_windowConst_init(&wa, a);
    if (status < 0) return status;
    status = cimg_windowConst_init(&wb, b);
    if (status < 0) return status;
    return overlaps(rowsOf(wa), rowsOf(wb)) ? CIP_STATUS_MEMORY_OVERLAP : 0;
}

int32_t cip_pelCopyWindow8(const cimg_imageConst* source, cimg_image* destination) {
    CSTD_ASSERT(source && destination);
    cimg_windowConst from;
    cimg_window to;
    int32_t status = window8(source, &from);
    if (status < 0) return status;
    status = window8(destination, &to);
    if (status < 0) return status;
    if (from.width != to.width || from.height != to.height) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    if (cip_pelfunc_checkMemoryOverlap(source, &destination->asConst) == 0) {
        copyRows(from.pixels, from.pitch, to.pixels, to.pitch, from.width, from.height);
        return 0;
    }
    // Shared pixels: read everything before writing anything.
    csys::cleanupScope<1> scope;
    void* staging = nullptr;
    status = csys_memory_allocArray_internal(static_cast<size_t>(from.width),
                                             static_cast<size_t>(from.height), &staging);
    if (status < 0) return scope.close(status);
    scope.scratch<csys_memory_free_internal>(&staging);
    auto* rows = static_cast<unsigned char*>(staging);
    copyRows(from.pixels, from.pitch, rows, from.width, from.width, from.height);
    copyRows(rows, from.width, to.pixels, to.pitch, from.width, from.height);
    return scope.close(0);
}

int32_t cip_pelCopy8(const cimg_imageConst* source, cimg_image* destination) {
    CSTD_ASSERT(source && destination);
    cimg_windowConst from;
    int32_t status = window8(source, &from);
    if (status < 0) return status;
    csys::cleanupScope<1> scope;
    cimg_image copy;
    cstd_rect32 rect{from.xOffset, from.yOffset, from.width, from.height};
    status = cimg_image_constructRect(&copy, CIMG_DEPTH_8U, &rect);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_image_destruct>(&copy);
    copyRows(from.pixels, from.pitch, copy.asConst.pixels, copy.asConst.pitch, from.width,
             from.height);
    status = cimg_image_copyXforms(&copy, source);
    if (status >= 0) status = cimg_image_assign(destination, &copy);
    return scope.close(status);
}

int32_t cip_pelSet8(cimg_image* image, uint8_t value) {
    CSTD_ASSERT(image);
    cimg_window window;
    int32_t status = window8(image, &window);
    if (status < 0) return status;
    for (int32_t y = 0; y < window.height && window.width > 0; ++y) {
        std::memset(window.pixels + y * window.pitch, value, static_cast<size_t>(window.width));
    }
    return 0;
}
}
