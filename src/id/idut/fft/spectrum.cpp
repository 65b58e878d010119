// Rearranging and displaying double spectra: quadrant and half swaps, and scaling to 8 bits.
#include <cmath>
#include <cstring>
#include <limits>

#include "ci_id/fft.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/priv/ci_idut/pixel/image_window.h"
#include "ci_id/status.h"

namespace {

// Copies a window of doubles into block so that writing a destination that shares its pixels
// cannot change what is still to be read; in is redirected to the copy.
int32_t detachSource(cimg_windowConst* in, void** block) {
    size_t count = 0;
    int32_t status = csys_size_multiply(size_t(in->width), size_t(in->height), &count);
    if (status < 0) return status;
    status = csys_memory_allocArray_internal(count, sizeof(double), block);
    if (status < 0) return status;
    double* copy = static_cast<double*>(*block);
    for (int32_t r = 0; r < in->height; ++r) {
        std::memcpy(copy + intptr_t{r} * in->width, cidut::pixelRow<double>(*in, r),
                    sizeof(double) * size_t(in->width));
    }
    in->pixels = reinterpret_cast<const unsigned char*>(copy);
    in->pitch = intptr_t{in->width} * intptr_t{sizeof(double)};
    return 0;
}

void copyBlock(const cimg_windowConst& in, int32_t fromRow, int32_t fromCol, const cimg_window& out,
               int32_t toRow, int32_t toCol, int32_t rows, int32_t cols) {
    for (int32_t r = 0; r < rows; ++r) {
        std::memcpy(cidut::pixelRow<double>(out, toRow + r) + toCol,
                    cidut::pixelRow<double>(in, fromRow + r) + fromCol,
                    sizeof(double) * size_t(cols));
    }
}

}  // namespace

extern "C" {

int32_t cfPowerSpectrumShift(const cimg_imageConst* source, cimg_image* destination) {
    CSTD_ASSERT(source && destination);
    cimg_windowConst in;
    int32_t status = cidut::sourceWindow(source, CIMG_DEPTH_64F, &in);
    if (status < 0) return status;
    csys::cleanupScope<2> scope;
    void* copy = nullptr;
    if (cidut::sharePixels(source, &destination->asConst)) {
        status = detachSource(&in, &copy);
        if (status < 0) return status;
        scope.scratch<csys_memory_free_internal>(&copy);
    }
    cimg_image fresh;
    cimg_image_constructUnbound(&fresh);
    scope.scratch<cimg_image_destruct>(&fresh);
    cimg_window out;
    status = cidut::prepareOutput(destination, CIMG_DEPTH_64F, in.width, in.height, &fresh, &out);
    if (status < 0) return scope.close(status);
    const int32_t hw = in.width / 2;
    const int32_t hh = in.height / 2;
    copyBlock(in, 0, 0, out, hh, hw, hh, hw);
    copyBlock(in, 0, hw, out, hh, 0, hh, hw);
    copyBlock(in, hh, 0, out, 0, hw, hh, hw);
    copyBlock(in, hh, hw, out, 0, 0, hh, hw);
    return scope.close(cidut::finishOutput(destination, &fresh));
}

int32_t cfFFTShift(const cimg_imageConst* source, cimg_image* destination) {
    CSTD_ASSERT(source && destination);
    cimg_windowConst in;
    int32_t status = cidut::sourceWindow(source, CIMG_DEPTH_64F, &in);
    if (status < 0) return status;
    csys::cleanupScope<1> scope;
    cimg_image fresh;
    cimg_image_constructUnbound(&fresh);
    scope.scratch<cimg_image_destruct>(&fresh);
    const int32_t hw = in.width / 2;
    const int32_t hh = in.height / 2;
    status = cimg_image_assignNew(&fresh, CIMG_DEPTH_64F, hw, in.height);
    if (status < 0) return scope.close(status);
    cimg_window out;
    cimg_window_init(&out, &fresh);
    copyBlock(in, hh, 0, out, 0, 0, in.height - hh, hw);
    copyBlock(in, 0, 0, out, in.height - hh, 0, hh, hw);
    return scope.close(cimg_image_assign(destination, &fresh));
}

int32_t cfViewableFFT(const cimg_imageConst* source, cimg_image* destination) {
    CSTD_ASSERT(source && destination);
    cimg_windowConst in;
    int32_t status = cidut::sourceWindow(source, CIMG_DEPTH_64F, &in);
    if (status < 0) return status;
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    for (int32_t r = 0; r < in.height; ++r) {
        const double* row = cidut::pixelRow<double>(in, r);
        for (int32_t c = 0; c < in.width; ++c) {
            if (row[c] < lowest) lowest = row[c];
            if (row[c] > highest) highest = row[c];
        }
    }
    // A constant source has no range to spread: it maps to 0 like the minimum of any other.
    const double scale = highest > lowest ? 255.0 / (highest - lowest) : 0.0;
    csys::cleanupScope<1> scope;
    cimg_image fresh;
    cimg_image_constructUnbound(&fresh);
    scope.scratch<cimg_image_destruct>(&fresh);
    status = cimg_image_assignNew(&fresh, CIMG_DEPTH_8U, in.width, in.height);
    if (status < 0) return scope.close(status);
    cimg_window out;
    cimg_window_init(&out, &fresh);
    for (int32_t r = 0; r < in.height; ++r) {
        const double* row = cidut::pixelRow<double>(in, r);
        uint8_t* bytes = cidut::pixelRow<uint8_t>(out, r);
        for (int32_t c = 0; c < in.width; ++c) {
            double level = (row[c] - lowest) * scale;
            // NaN and what an infinite range leaves undefined become 0.
            bytes[c] = level >= 0.0 ? static_cast<uint8_t>(level < 255.0 ? level : 255.0) : 0;
        }
    }
    return scope.close(cimg_image_assign(destination, &fresh));
}
}
