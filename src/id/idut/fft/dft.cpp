// Direct discrete Fourier transforms of bytes and the magnitude spectra built on them. Each term
// takes its own sin and cos, so these are meant for small windows; the limited spectrum computes
// only the low frequencies it keeps.
#include <cmath>
#include <cstring>

#include "ci_id/fft.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/pixel/image_window.h"
#include "ci_id/status.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// The frequencies of one dimension that a limited spectrum keeps.
struct band {
    int32_t size;
    int32_t limit;
    bool keeps(int32_t k) const { return k < limit || k >= size - limit; }
};

void rowDft(const uint8_t* pixels, int32_t n, const band& kept, double* re, double* im) {
    const double step = kTwoPi / n;
    for (int32_t k = 0; k < n; ++k) {
        if (!kept.keeps(k)) continue;
        double sumRe = 0;
        double sumIm = 0;
        for (int32_t i = 0; i < n; ++i) {
            double angle = static_cast<double>(int64_t{k} * i) * step;
            sumRe += pixels[i] * std::cos(angle);
            sumIm -= pixels[i] * std::sin(angle);
        }
        if (re) re[k] = sumRe;
        if (im) im[k] = sumIm;
    }
}

// The 2-D transform of height x width bytes (rows stride bytes apart), rows first; sink(v, u, re,
// im) receives every value whose row and column frequencies are kept.
template <typename Sink>
int32_t directDft2D(const uint8_t* pixels, intptr_t stride, int32_t height, int32_t width,
                    const band& columns, const band& rows, Sink sink) {
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    size_t count = 0;
    int32_t status = csys_size_multiply(2 * size_t(width), size_t(height), &count);
    if (status < 0) return status;
    status = csys_memory_allocArray_internal(count, sizeof(double), &block);
    if (status < 0) return status;
    scope.scratch<csys_memory_free_internal>(&block);
    double* rowRe = static_cast<double*>(block);
    double* rowIm = rowRe + size_t(width) * size_t(height);
    for (int32_t r = 0; r < height; ++r) {
        status = csys_attention_check();
        if (status < 0) return scope.close(status);
        intptr_t offset = intptr_t{r} * width;
        rowDft(pixels + intptr_t{r} * stride, width, columns, rowRe + offset, rowIm + offset);
    }
    const double step = kTwoPi / height;
    for (int32_t u = 0; u < width; ++u) {
        if (!columns.keeps(u)) continue;
        status = csys_attention_check();
        if (status < 0) return scope.close(status);
        for (int32_t v = 0; v < height; ++v) {
            if (!rows.keeps(v)) continue;
            double sumRe = 0;
            double sumIm = 0;
            for (int32_t r = 0; r < height; ++r) {
                double angle = static_cast<double>(int64_t{v} * r) * step;
                double c = std::cos(angle);
                double s = std::sin(angle);
                double a = rowRe[intptr_t{r} * width + u];
                double b = rowIm[intptr_t{r} * width + u];
                sumRe += a * c + b * s;
                sumIm += b * c - a * s;
            }
            sink(v, u, sumRe, sumIm);
        }
    }
    return scope.close(status);
}

int32_t magnitudeSpectrum(const uint8_t* pixels, intptr_t stride, int32_t height, int32_t width,
                          const band& columns, const band& rows, double* out, intptr_t outStride) {
    return directDft2D(pixels, stride, height, width, columns, rows,
                       [out, outStride](int32_t v, int32_t u, double re, double im) {
                           out[intptr_t{v} * outStride + u] = std::sqrt(re * re + im * im);
                       });
}

// The magnitude spectrum of an 8-bit window into a double image, limited to the bands given.
int32_t windowSpectrum(const cimg_imageConst* source, int32_t columnLimit, int32_t rowLimit,
                       cimg_image* destination) {
    CSTD_ASSERT(source && destination);
    cimg_windowConst in;
    int32_t status = cidut::sourceWindow(source, CIMG_DEPTH_8U, &in);
    if (status < 0) return status;
    if (columnLimit < 0 || rowLimit < 0) return CID_STATUS_OUT_OF_RANGE;
    csys::cleanupScope<1> scope;
    cimg_image fresh;
    cimg_image_constructUnbound(&fresh);
    scope.scratch<cimg_image_destruct>(&fresh);
    cimg_window out;
    status = cidut::prepareOutput(destination, CIMG_DEPTH_64F, in.width, in.height, &fresh, &out);
    if (status < 0) return scope.close(status);
    for (int32_t v = 0; v < in.height; ++v) {
        std::memset(cidut::pixelRow<double>(out, v), 0, sizeof(double) * size_t(in.width));
    }
    status =
        magnitudeSpectrum(in.pixels, in.pitch, in.height, in.width, band{in.width, columnLimit},
                          band{in.height, rowLimit}, cidut::pixelRow<double>(out, 0),
                          out.pitch / intptr_t{sizeof(double)});
    if (status < 0) return scope.close(status);
    return scope.close(cidut::finishOutput(destination, &fresh));
}

}  // namespace

extern "C" {

int32_t cfRowDFT(const uint8_t* pixels, double* re, double* im, int32_t n) {
    CSTD_ASSERT(pixels && n >= 0);
    rowDft(pixels, n, band{n, n}, re, im);
    return 0;
}

int32_t cf2DDFT(const uint8_t* pixels, int32_t height, int32_t width, double* re, double* im) {
    CSTD_ASSERT(pixels && height >= 0 && width >= 0);
    return directDft2D(pixels, width, height, width, band{width, width}, band{height, height},
                       [re, im, width](int32_t v, int32_t u, double valueRe, double valueIm) {
                           if (re) re[intptr_t{v} * width + u] = valueRe;
                           if (im) im[intptr_t{v} * width + u] = valueIm;
                       });
}

int32_t cf2DPowerSpectrum(const uint8_t* pixels, intptr_t pixelStride, int32_t height,
                          int32_t width, double* out, intptr_t outStride) {
    CSTD_ASSERT(pixels && out && height >= 0 && width >= 0);
    return magnitudeSpectrum(pixels, pixelStride, height, width, band{width, width},
                             band{height, height}, out, outStride);
}

int32_t cfPelPowerSpectrum(const cimg_imageConst* source, cimg_image* destination) {
    return windowSpectrum(source, INT32_MAX, INT32_MAX, destination);
}

int32_t cfLimitedPelPowerSpectrum(const cimg_imageConst* source, int32_t columnLimit,
                                  int32_t rowLimit, cimg_image* destination) {
    return windowSpectrum(source, columnLimit, rowLimit, destination);
}

int32_t cfPowerSpectrum(const cimg_imageConst* source, cimg_image* destination) {
    return windowSpectrum(source, INT32_MAX, INT32_MAX, destination);
}
}
