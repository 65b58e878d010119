// Radix-2 FFTs in double precision of 8-bit windows. The twiddle of each stage advances by a
// recurrence seeded from the constant tables below, so no trigonometry runs per element.
#include <cmath>
#include <utility>

#include "ci_id/fft.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/pixel/image_window.h"
#include "ci_id/status.h"

namespace {

// sin(pi / 2^k) and cos(pi / 2^k), k = 0 .. 9, to six significant digits: the recurrence
// seeded from these values is what stored spectra and peers were computed with.
constexpr double kSeedSin[10] = {1.22461e-16, 1.0,       0.707107,  0.382683,  0.19509,
                                 0.0980171,   0.0490677, 0.0245412, 0.0122715, 0.00613588};
constexpr double kSeedCos[10] = {-1.0,     6.12303e-17, 0.707107, 0.92388,  0.980785,
                                 0.995185, 0.998795,    0.999699, 0.999925, 0.999981};
constexpr int32_t kLongestTransform = 1024;

bool isPowerOfTwo(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

int32_t bitReverse(int32_t i, int32_t n) {
    int32_t reversed = 0;
    for (int32_t bit = n >> 1; bit > 0; bit >>= 1, i >>= 1) reversed = (reversed << 1) | (i & 1);
    return reversed;
}

// Forward transform of n interleaved complex values in place, natural order in and out.
void fft1D(double* data, int32_t n) {
    for (int32_t i = n - 2; i >= 1; --i) {
        int32_t j = bitReverse(i, n);
        if (i > j) {
            std::swap(data[2 * i], data[2 * j]);
            std::swap(data[2 * i + 1], data[2 * j + 1]);
        }
    }
    for (int32_t half = 1, stage = 0; half < n; half <<= 1, ++stage) {
        const double stepRe = kSeedCos[stage];
        const double stepIm = -kSeedSin[stage];
        double wRe = 1.0;
        double wIm = 0.0;
        for (int32_t m = 0; m < half; ++m) {
            for (int32_t i = m; i < n; i += 2 * half) {
                double* a = data + 2 * i;
                double* b = data + 2 * (i + half);
                double tRe = wRe * b[0] - wIm * b[1];
                double tIm = wRe * b[1] + wIm * b[0];
                b[0] = a[0] - tRe;
                b[1] = a[1] - tIm;
                a[0] += tRe;
                a[1] += tIm;
            }
            double next = wRe * stepRe - wIm * stepIm;
            wIm = wRe * stepIm + wIm * stepRe;
            wRe = next;
        }
    }
}

// Transforms every row of a height x width complex array, then, unless rowsOnly, every column.
int32_t fft2D(double* data, int32_t width, int32_t height, bool rowsOnly, double* column) {
    for (int32_t r = 0; r < height; ++r) {
        int32_t status = csys_attention_check();
        if (status < 0) return status;
        fft1D(data + 2 * intptr_t{r} * width, width);
    }
    if (rowsOnly) return 0;
    for (int32_t c = 0; c < width; ++c) {
        int32_t status = csys_attention_check();
        if (status < 0) return status;
        for (int32_t r = 0; r < height; ++r) {
            column[2 * r] = data[2 * (intptr_t{r} * width + c)];
            column[2 * r + 1] = data[2 * (intptr_t{r} * width + c) + 1];
        }
        fft1D(column, height);
        for (int32_t r = 0; r < height; ++r) {
            data[2 * (intptr_t{r} * width + c)] = column[2 * r];
            data[2 * (intptr_t{r} * width + c) + 1] = column[2 * r + 1];
        }
    }
    return 0;
}

int32_t checkSizes(int32_t width, int32_t height, bool rowsOnly) {
    if (!isPowerOfTwo(width) || (!rowsOnly && !isPowerOfTwo(height))) {
        return CID_STATUS_NOT_POWER_OF_TWO;
    }
    if (width > kLongestTransform || (!rowsOnly && height > kLongestTransform)) {
        return CID_STATUS_OUT_OF_RANGE;
    }
    return 0;
}

void loadWindow(const cimg_windowConst& in, double* data) {
    for (int32_t r = 0; r < in.height; ++r) {
        const uint8_t* row = cidut::pixelRow<uint8_t>(in, r);
        double* out = data + 2 * intptr_t{r} * in.width;
        for (int32_t c = 0; c < in.width; ++c) {
            out[2 * c] = row[c];
            out[2 * c + 1] = 0.0;
        }
    }
}

double outputValue(int32_t mode, double re, double im) {
    double power = re * re + im * im;
    if (mode == 1) return std::sqrt(power);
    if (mode == 2) return power;
    return std::log(power + 1e-10);
}

// Writes count complex values per row (row stride rowValues) as outputMode asks.
void writeOutput(const double* data, int32_t rowValues, int32_t count, int32_t height, int32_t mode,
                 const cimg_window& out) {
    for (int32_t r = 0; r < height; ++r) {
        const double* in = data + 2 * intptr_t{r} * rowValues;
        double* row = cidut::pixelRow<double>(out, r);
        for (int32_t c = 0; c < count; ++c) {
            if (mode == 0) {
                row[2 * c] = in[2 * c];
                row[2 * c + 1] = in[2 * c + 1];
            } else {
                row[c] = outputValue(mode, in[2 * c], in[2 * c + 1]);
            }
        }
    }
}

// Space for the complex window and one column.
int32_t allocComplex(int32_t width, int32_t height, void** block) {
    size_t count = 0;
    int32_t status = csys_size_multiply(size_t(width), size_t(height), &count);
    if (status < 0) return status;
    return csys_memory_allocArray_internal(2 * (count + size_t(height)), sizeof(double), block);
}

}  // namespace

extern "C" {

int32_t cfPelFFT(const cimg_imageConst* source, cimg_image* destination, int32_t outputMode,
                 int32_t rowsOnly) {
    CSTD_ASSERT(source && destination);
    cimg_windowConst in;
    int32_t status = cidut::sourceWindow(source, CIMG_DEPTH_8U, &in);
    if (status < 0) return status;
    if (outputMode < 0 || outputMode > 3 || (rowsOnly != 0 && rowsOnly != 1)) {
        return CID_STATUS_INVALID_VALUE;
    }
    status = checkSizes(in.width, in.height, rowsOnly != 0);
    if (status < 0) return status;
    csys::cleanupScope<2> scope;
    void* block = nullptr;
    status = allocComplex(in.width, in.height, &block);
    if (status < 0) return status;
    scope.scratch<csys_memory_free_internal>(&block);
    double* data = static_cast<double*>(block);
    loadWindow(in, data);
    status =
        fft2D(data, in.width, in.height, rowsOnly != 0, data + 2 * intptr_t{in.width} * in.height);
    if (status < 0) return scope.close(status);
    const int32_t count = rowsOnly ? in.width / 2 : in.width;
    cimg_image fresh;
    cimg_image_constructUnbound(&fresh);
    scope.scratch<cimg_image_destruct>(&fresh);
    cimg_window out;
    status = cidut::prepareOutput(destination, CIMG_DEPTH_64F, outputMode == 0 ? 2 * count : count,
                                  in.height, &fresh, &out);
    if (status < 0) return scope.close(status);
    writeOutput(data, in.width, count, in.height, outputMode, out);
    return scope.close(cidut::finishOutput(destination, &fresh));
}

int32_t cidut_2dFFTPwrSpec_win8_(const cimg_imageConst* source, double* work, int32_t workSize,
                                 cimg_image* destination) {
    CSTD_ASSERT(source && work && destination);
    cimg_windowConst in;
    int32_t status = cidut::sourceWindow(source, CIMG_DEPTH_8U, &in);
    if (status < 0) return status;
    status = checkSizes(in.width, in.height, false);
    if (status < 0) return status;
    CSTD_ASSERT(int64_t{workSize} == 2 * int64_t{in.width} * in.height);
    cimg_image_setUnbound(destination);
    csys::cleanupScope<2> scope;
    void* column = nullptr;
    status = csys_memory_allocArray_internal(2 * size_t(in.height), sizeof(double), &column);
    if (status < 0) return status;
    scope.scratch<csys_memory_free_internal>(&column);
    loadWindow(in, work);
    status = fft2D(work, in.width, in.height, false, static_cast<double*>(column));
    if (status < 0) return scope.close(status);
    cimg_image fresh;
    cimg_image_constructUnbound(&fresh);
    scope.scratch<cimg_image_destruct>(&fresh);
    cimg_window out;
    status = cidut::prepareOutput(destination, CIMG_DEPTH_64F, in.width, in.height, &fresh, &out);
    if (status < 0) return scope.close(status);
    writeOutput(work, in.width, in.width, in.height, 2, out);
    return scope.close(cidut::finishOutput(destination, &fresh));
}
}
