// Radix-2 FFTs in double precision of 8-bit windows. The twiddle of each stage advances by a
// recurrence seeded from the constant tables below, so no trigonometry runs per element.
#include <cmath>
#include <utility>

#include "ci_id/fft.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/fft/fft_lanes.h"
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

// The twiddles of one stage in turn, by the recurrence seeded with the stage's sine and cosine.
struct stageTwiddle {
    double stepRe, stepIm;
    double re = 1.0, im = 0.0;

    explicit stageTwiddle(int32_t stage) : stepRe(kSeedCos[stage]), stepIm(-kSeedSin[stage]) {}
    void advance() {
        const double next = re * stepRe - im * stepIm;
        im = re * stepIm + im * stepRe;
        re = next;
    }
};

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
        stageTwiddle w(stage);
        for (int32_t m = 0; m < half; ++m, w.advance()) {
            for (int32_t i = m; i < n; i += 2 * half) {
                double* a = data + 2 * i;
                double* b = data + 2 * (i + half);
                double tRe = w.re * b[0] - w.im * b[1];
                double tIm = w.re * b[1] + w.im * b[0];
                b[0] = a[0] - tRe;
                b[1] = a[1] - tIm;
                a[0] += tRe;
                a[1] += tIm;
            }
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

// Room, in doubles, for fft2DByRows's transposed copy, twiddles and bit-reversal tables.
size_t byRowsScratchValues(int32_t width, int32_t height) {
    return 2 * size_t(width) * size_t(height) + 3 * (size_t(width) + size_t(height));
}

#if CIDUT_FFT_HAVE_LANES
// The twiddle of every butterfly column of every stage, by fft1D's recurrence in fft1D's order,
// at the places radix2Lanes reads them.
void stageTwiddles(int32_t n, double* table) {
    for (int32_t half = 1, stage = 0; half < n; half <<= 1, ++stage) {
        stageTwiddle w(stage);
        for (int32_t m = 0; m < half; ++m, w.advance()) {
            table[2 * (half - 1 + m)] = w.re;
            table[2 * (half - 1 + m) + 1] = w.im;
        }
    }
}

void bitReversals(int32_t n, int32_t* reversed) {
    for (int32_t i = 0; i < n; ++i) reversed[i] = bitReverse(i, n);
}

// fft2D of the window's pixels with every transform run down the rows of a transposed copy, many
// transforms per vector: the pixels go to work transposed and in bit-reversed order, the row
// transforms run, and the transpose back into data (bit-reversing the rows for the column
// transforms) lets the column transforms run the same way. Each transform sees the same values
// and operations as in fft1D, so data ends bit for bit as fft2D leaves it.
int32_t fft2DByRows(const cimg_windowConst& in, double* data, bool rowsOnly, double* scratch) {
    const int32_t width = in.width;
    const int32_t height = in.height;
    double* work = scratch;
    double* twiddles = work + 2 * intptr_t{width} * height;
    int32_t* reversedColumns =
        reinterpret_cast<int32_t*>(twiddles + 2 * (intptr_t{width} + height));
    int32_t* reversedRows = reversedColumns + width;
    int32_t status = csys_attention_check();
    if (status < 0) return status;
    bitReversals(width, reversedColumns);
    cidut::loadTransposedLanes(in.pixels, in.pitch, width, height, reversedColumns, work);
    stageTwiddles(width, twiddles);
    cidut::radix2Lanes(work, width, height, twiddles);
    status = csys_attention_check();
    if (status < 0) return status;
    if (rowsOnly) {
        for (int32_t r = 0; r < height; ++r) reversedRows[r] = r;
    } else {
        bitReversals(height, reversedRows);
    }
    cidut::transposeBackLanes(work, width, height, reversedRows, data);
    if (rowsOnly) return 0;
    stageTwiddles(height, twiddles);
    cidut::radix2Lanes(data, height, width, twiddles);
    return 0;
}
#endif

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

// Uncleared room for count doubles: every route writes its buffers in full before reading them.
int32_t allocValues(size_t count, void** block) {
    size_t bytes = 0;
    int32_t status = csys_size_multiply(count, sizeof(double), &bytes);
    if (status < 0) return status;
    return csys_memory_allocFastMem_internal(bytes, block);
}

// Whether the transforms run down the rows of transposed copies (fft2DByRows) rather than one
// by one.
bool transformsByRows(bool rowsOnly) {
#if CIDUT_FFT_HAVE_LANES
    return cidut::fftLanesAvailable() &&
           !cprt_isOptimizationInhibited(rowsOnly ? L"cf1DRealFFT" : L"cf2DFFT");
#else
    (void)rowsOnly;
    return false;
#endif
}

// Doubles of scratch that transformWindow needs beside the complex window.
size_t scratchValues(int32_t width, int32_t height, bool byRows) {
    return byRows ? byRowsScratchValues(width, height) : 2 * size_t(height);
}

// The window's transforms into data (2 W H doubles) by either route.
int32_t transformWindow(const cimg_windowConst& in, double* data, bool rowsOnly, bool byRows,
                        double* scratch) {
#if CIDUT_FFT_HAVE_LANES
    if (byRows) return fft2DByRows(in, data, rowsOnly, scratch);
#else
    (void)byRows;
#endif
    loadWindow(in, data);
    return fft2D(data, in.width, in.height, rowsOnly, scratch);
}

// Space for the complex window and the scratch of the chosen route.
int32_t allocComplex(int32_t width, int32_t height, bool byRows, void** block) {
    size_t count = 0;
    int32_t status = csys_size_multiply(size_t(width), size_t(height), &count);
    if (status < 0) return status;
    return allocValues(2 * count + scratchValues(width, height, byRows), block);
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
    const bool byRows = transformsByRows(rowsOnly != 0);
    status = allocComplex(in.width, in.height, byRows, &block);
    if (status < 0) return status;
    scope.scratch<csys_memory_free_internal>(&block);
    double* data = static_cast<double*>(block);
    status =
        transformWindow(in, data, rowsOnly != 0, byRows, data + 2 * intptr_t{in.width} * in.height);
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
    void* scratch = nullptr;
    const bool byRows = transformsByRows(false);
    status = allocValues(scratchValues(in.width, in.height, byRows), &scratch);
    if (status < 0) return status;
    scope.scratch<csys_memory_free_internal>(&scratch);
    status = transformWindow(in, work, false, byRows, static_cast<double*>(scratch));
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
