// Fixed-point 2-D and 1-D transforms of 8-bit data: scaling, row and column passes, transposes
// and centring around the one-dimensional kernels.
#include <cstdint>
#include <cstring>

#include "ci_id/fft.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/fft/block_transpose.h"
#include "ci_id/priv/ci_idut/fft/fft_fixed_kernel.h"
#include "ci_id/priv/ci_idut/fft/fft_lanes.h"
#include "ci_id/status.h"

namespace {

using cidut::transposeBlocks;
namespace kernel = cidut::fftfixed;

// Uncleared: every transform writes its scratch in full before reading it.
template <typename T, int Capacity>
int32_t allocScratch(csys::cleanupScope<Capacity>& scope, void** block, size_t count, T** typed) {
    size_t bytes = 0;
    int32_t status = csys_size_multiply(count, sizeof(T), &bytes);
    if (status >= 0) status = csys_memory_allocFastMem_internal(bytes, block);
    if (status < 0) return status;
    scope.template scratch<csys_memory_free_internal>(block);
    *typed = static_cast<T*>(*block);
    return 0;
}

inline cf_fixedComplex32 shifted(cf_fixedComplex32 v, int shift) {
    return {v.re >> shift, v.im >> shift};
}
inline cf_fixedComplex16 shifted(cf_fixedComplex16 v, int shift) {
    return {static_cast<int16_t>(v.re >> shift), static_cast<int16_t>(v.im >> shift)};
}

// Frequency (0, 0) to the centre and back: the quadrant swap is its own inverse for even sides.
template <typename T>
void swapQuadrants(T* values, int32_t n) {
    const int32_t half = n / 2;
    for (int32_t r = 0; r < half; ++r) {
        T* top = values + intptr_t{r} * n;
        T* bottom = values + intptr_t{r + half} * n;
        for (int32_t c = 0; c < half; ++c) {
            T a = top[c];
            top[c] = bottom[c + half];
            bottom[c + half] = a;
            T b = top[c + half];
            top[c + half] = bottom[c];
            bottom[c] = b;
        }
    }
}

// The pixel scale that keeps a row sum of 8-bit values below 2^31.
inline int32_t pixelScale32(int log2n) { return static_cast<int32_t>((1u << (31 - log2n)) / 255u); }

#if CIDUT_FFT_HAVE_LANES
// forward32 with both passes run over whole rows, four transforms per vector: the pixels go in
// transposed, so the row transforms run down the columns of the working array; the transpose
// between the passes brings the column transforms to the same form, and they write straight
// into the spectrum, centred and shifted if asked. Every value goes through the same operations
// as in forward32, so the results are identical.
void forward32ByRows(int32_t centre, int32_t outShift, const uint8_t* pixels,
                     cf_fixedComplex32* spectrum, cf_fixedComplex32* scratch, int32_t width,
                     int32_t height, int32_t topRows, int32_t bottomRows, int log2w, int log2h) {
    const int32_t scale = pixelScale32(log2w);
    kernel::loadTransposed32(pixels, width, height, scale, scratch);
    for (int32_t c = 0; c < width; ++c) {
        cf_fixedComplex32* column = scratch + intptr_t{c} * height;
        std::memset(column, 0, sizeof(cf_fixedComplex32) * size_t(topRows));
        std::memset(column + height - bottomRows, 0,
                    sizeof(cf_fixedComplex32) * size_t(bottomRows));
    }
    kernel::forward32Lanes(scratch, spectrum, log2w, height, {0, 0, 0});
    kernel::transposeShifted32(spectrum, width, height, log2h, scratch);
    const kernel::placement where =
        centre ? kernel::placement{height / 2, width / 2, outShift} : kernel::placement{0, 0, 0};
    kernel::forward32Lanes(scratch, spectrum, log2h, width, where);
}
#endif

int32_t forward32(int32_t centre, int32_t outShift, const uint8_t* pixels,
                  cf_fixedComplex32* spectrum, int32_t width, int32_t height, int32_t topRows,
                  int32_t bottomRows, int log2w, int log2h) {
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    cf_fixedComplex32* scratch = nullptr;
    int32_t status = allocScratch(scope, &block, size_t(width) * size_t(height), &scratch);
    if (status < 0) return status;
#if CIDUT_FFT_HAVE_LANES
    if (cidut::fftLanesAvailable() && !cprt_isOptimizationInhibited(L"cidut_fftFixedLanes")) {
        forward32ByRows(centre, outShift, pixels, spectrum, scratch, width, height, topRows,
                        bottomRows, log2w, log2h);
        return scope.close(status);
    }
#endif
    const int32_t scale = pixelScale32(log2w);
    for (int32_t r = 0; r < height; ++r) {
        cf_fixedComplex32* out = scratch + intptr_t{r} * width;
        if (r < topRows || r >= height - bottomRows) {
            std::memset(out, 0, sizeof(cf_fixedComplex32) * size_t(width));
            continue;
        }
        cf_fixedComplex32* row = spectrum + intptr_t{r} * width;
        const uint8_t* in = pixels + intptr_t{r} * width;
        for (int32_t c = 0; c < width; ++c) row[c] = {in[c] * scale, 0};
        kernel::forward32(row, out, log2w);
    }
    transposeBlocks(scratch, height, width, spectrum, 0, 0,
                    [log2h](cf_fixedComplex32 v) { return shifted(v, log2h); });
    for (int32_t c = 0; c < width; ++c) {
        kernel::forward32(spectrum + intptr_t{c} * height, scratch + intptr_t{c} * height, log2h);
    }
    if (centre) {
        transposeBlocks(scratch, width, height, spectrum, height / 2, width / 2,
                        [outShift](cf_fixedComplex32 v) { return shifted(v, outShift); });
    } else {
        transposeBlocks(scratch, width, height, spectrum, 0, 0,
                        [](cf_fixedComplex32 v) { return v; });
    }
    return scope.close(status);
}

// The real part of an inverse result >> 10, held to 32 bits.
int32_t scaledReal(kernel::complex64 v) {
    const int64_t scaled = v.re >> 10;
    return static_cast<int32_t>(scaled > INT32_MAX ? INT32_MAX
                                                   : (scaled < INT32_MIN ? INT32_MIN : scaled));
}

// Runs in 64-bit values: a full-scale spectrum comes back to within 128 units of 2^31, which the
// twiddles' truncation can push past 32 bits. Wherever 32-bit sums would not wrap the results are
// the same, so the final shift of 10 keeps every low bit.
int32_t inverse32(int32_t centre, cf_fixedComplex32* spectrum, int32_t* image, int32_t width,
                  int32_t height, int32_t* maxNegative, int log2w, int log2h) {
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    kernel::complex64* wide = nullptr;
    const intptr_t count = intptr_t{width} * height;
    int32_t status = allocScratch(scope, &block, 2 * size_t(count), &wide);
    if (status < 0) return status;
    kernel::complex64* scratch = wide + count;
    if (centre) swapQuadrants(spectrum, width);
    for (intptr_t i = 0; i < count; ++i) wide[i] = {spectrum[i].re, spectrum[i].im};
    for (int32_t v = 0; v < height; ++v) {
        kernel::inverse64(wide + intptr_t{v} * width, scratch + intptr_t{v} * width, log2w);
    }
    transposeBlocks(scratch, height, width, wide, 0, 0, [](kernel::complex64 v) { return v; });
    for (int32_t c = 0; c < width; ++c) {
        kernel::inverse64(wide + intptr_t{c} * height, scratch + intptr_t{c} * height, log2h);
    }
    transposeBlocks(scratch, width, height, image, 0, 0, scaledReal);
    if (maxNegative) {
        int32_t largest = 0;
        for (intptr_t i = 0; i < count; ++i) {
            // Written so that the most negative 32-bit value reports its true magnitude too.
            if (image[i] < 0 && -int64_t{image[i]} > largest) {
                largest = static_cast<int32_t>(-int64_t{image[i]} > INT32_MAX ? INT32_MAX
                                                                              : -int64_t{image[i]});
            }
        }
        *maxNegative = largest;
    }
    return scope.close(status);
}

// 16-bit scaling: pixels times 32768 >> (log2 n - 1) over 255, and a shift of log2 n - 1 between
// the row and column passes. An all-255 block so ends at 8192 for n = 32 and 64, 2048 for 128
// and 256, and 512 for 512: every radix-4 stage halves, and the larger sizes have more stages
// than the scaling makes up for, so they keep less of the 16-bit range.
inline int32_t pixelScale16(int log2n) { return 32768 >> (log2n - 1); }
inline int interPassShift16(int log2n) { return log2n - 1; }
int32_t forward16(const uint16_t* pixels, cf_fixedComplex16* spectrum, int32_t n, int log2n) {
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    cf_fixedComplex16* scratch = nullptr;
    int32_t status = allocScratch(scope, &block, size_t(n) * size_t(n), &scratch);
    if (status < 0) return status;
    const int32_t scale = pixelScale16(log2n);
    for (int32_t r = 0; r < n; ++r) {
        cf_fixedComplex16* row = spectrum + intptr_t{r} * n;
        const uint16_t* in = pixels + intptr_t{r} * n;
        for (int32_t c = 0; c < n; ++c) row[c] = {static_cast<int16_t>(in[c] * scale / 255), 0};
        kernel::forward16(row, scratch + intptr_t{r} * n, log2n);
    }
    const int shift = interPassShift16(log2n);
    transposeBlocks(scratch, n, n, spectrum, 0, 0,
                    [shift](cf_fixedComplex16 v) { return shifted(v, shift); });
    for (int32_t c = 0; c < n; ++c) {
        kernel::forward16(spectrum + intptr_t{c} * n, scratch + intptr_t{c} * n, log2n);
    }
    transposeBlocks(scratch, n, n, spectrum, n / 2, n / 2, [](cf_fixedComplex16 v) { return v; });
    return scope.close(status);
}

int32_t inverse16(cf_fixedComplex16* spectrum, uint16_t* image, int32_t n, int log2n) {
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    cf_fixedComplex16* scratch = nullptr;
    int32_t status = allocScratch(scope, &block, size_t(n) * size_t(n), &scratch);
    if (status < 0) return status;
    for (int32_t v = 0; v < n; ++v) {
        kernel::inverse16(spectrum + intptr_t{v} * n, scratch + intptr_t{v} * n, log2n);
    }
    transposeBlocks(scratch, n, n, spectrum, 0, 0, [](cf_fixedComplex16 v) { return v; });
    for (int32_t c = 0; c < n; ++c) {
        kernel::inverse16(spectrum + intptr_t{c} * n, scratch + intptr_t{c} * n, log2n);
    }
    transposeBlocks(scratch, n, n, image, 0, 0, [](cf_fixedComplex16 v) {
        int32_t re = v.re >> 8;
        int32_t im = v.im >> 8;
        return static_cast<uint16_t>((re * re + im * im) >> 8);
    });
    return scope.close(status);
}

}  // namespace

extern "C" {

int32_t cf2DFFT_32x32_fixed(int32_t centre, int32_t outShift, const uint8_t* pixels,
                            cf_fixedComplex32* spectrum, int32_t width, int32_t height,
                            int32_t topRows, int32_t bottomRows) {
    CSTD_ASSERT(pixels && spectrum);
    CSTD_ASSERT(outShift >= 0 && outShift < 32);
    CSTD_ASSERT(!centre || width == height);
    if (cprt_isOptimizationInhibited(L"cf2DFFT_32x32_fixed")) return CID_STATUS_NOT_AVAILABLE;
    const int log2w = kernel::supportedLog2(width);
    const int log2h = kernel::supportedLog2(height);
    if (log2w < 0 || log2h < 0) return CID_STATUS_NOT_AVAILABLE;
    if (topRows < 0 || 2 * int64_t{topRows} >= height || bottomRows < 0 ||
        2 * int64_t{bottomRows} >= height) {
        return CID_STATUS_INVALID_PARAMETER;
    }
    return forward32(centre, outShift, pixels, spectrum, width, height, topRows, bottomRows, log2w,
                     log2h);
}

int32_t cf2DIFFT_32x32_fixed(int32_t centre, cf_fixedComplex32* spectrum, int32_t* image,
                             int32_t width, int32_t height, int32_t* maxNegative) {
    CSTD_ASSERT(spectrum && image);
    CSTD_ASSERT(!centre || width == height);
    if (cprt_isOptimizationInhibited(L"cf2DIFFT_32x32_fixed")) return CID_STATUS_NOT_AVAILABLE;
    const int log2w = kernel::supportedLog2(width);
    const int log2h = kernel::supportedLog2(height);
    if (log2w < 0 || log2h < 0) return CID_STATUS_NOT_AVAILABLE;
    return inverse32(centre, spectrum, image, width, height, maxNegative, log2w, log2h);
}

int32_t cf2DFFT_16x16_fixed(const uint16_t* pixels, cf_fixedComplex16* spectrum, int32_t n) {
    CSTD_ASSERT(pixels && spectrum);
    if (cprt_isOptimizationInhibited(L"cf2DFFT_16x16_fixed")) return CID_STATUS_NOT_AVAILABLE;
    const int log2n = kernel::supportedLog2(n);
    if (log2n < 0) return CID_STATUS_NOT_AVAILABLE;
    return forward16(pixels, spectrum, n, log2n);
}

int32_t cf2DIFFT_16x16_fixed(cf_fixedComplex16* spectrum, uint16_t* image, int32_t n) {
    CSTD_ASSERT(spectrum && image);
    if (cprt_isOptimizationInhibited(L"cf2DIFFT_16x16_fixed")) return CID_STATUS_NOT_AVAILABLE;
    const int log2n = kernel::supportedLog2(n);
    if (log2n < 0) return CID_STATUS_NOT_AVAILABLE;
    return inverse16(spectrum, image, n, log2n);
}

int32_t cf1DFFT_32x32_fixed(const uint8_t* pixels, int32_t count, uint32_t* power, int32_t n) {
    CSTD_ASSERT(pixels && power);
    if (cprt_isOptimizationInhibited(L"cf1DFFT_32x32_fixed")) return CID_STATUS_NOT_AVAILABLE;
    const int log2n = kernel::supportedLog2(n);
    if (log2n < 0) return CID_STATUS_NOT_AVAILABLE;
    if (count < 1 || count > n) return CID_STATUS_OUT_OF_RANGE;
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    cf_fixedComplex32* work = nullptr;
    int32_t status = allocScratch(scope, &block, 2 * size_t(n), &work);
    if (status < 0) return status;
    cf_fixedComplex32* out = work + n;
    const int32_t scale = pixelScale32(log2n);
    for (int32_t i = 0; i < n; ++i) work[i] = {pixels[i < count ? i : count - 1] * scale, 0};
    kernel::forward32(work, out, log2n);
    const int shift = log2n + 13;
    power[0] = 0;
    for (int32_t k = 1; k < n; ++k) {
        int64_t a = out[k].re >> shift;
        int64_t b = out[k].im >> shift;
        int64_t sum = a * a + b * b;
        CSTD_ASSERT(sum <= (int64_t{1} << 31));
        power[k] = static_cast<uint32_t>(sum);
    }
    return scope.close(status);
}
}
