/* Fourier transforms of 8-bit images.
 *
 * Fixed point (cf*_fixed). Integer FFTs for square or rectangular blocks whose sides are 32, 64,
 * 128, 256 or 512; any other side gives CID_STATUS_NOT_AVAILABLE. Buffers are contiguous rows
 * (row stride = width); spectra put the vertical frequency v in the row index and the horizontal
 * frequency u in the column index, X[v][u] = sum x[r][c] e^(-2 pi i (v r / H + u c / W)).
 *   - 32-bit: the pixels are scaled by s = floor(2^(31 - log2 W) / 255) so that a row sum stays
 *     below 2^31; the row transforms are unscaled, their results are shifted right by log2 H
 *     before the column transforms, which are unscaled too. So the spectrum is X(p * s) / H;
 *     an all-255 32 x 32 block has the DC value 2147483520. The inverse is unscaled in both
 *     directions and its real part is shifted right by 10, so forward then inverse gives
 *     (p * s * W) >> 10. Mend: the inverse runs in 64-bit values, since a full-scale spectrum
 *     comes back to within 128 units of 2^31 and the twiddles' truncation can push it past 32
 *     bits; wherever 32-bit sums would not wrap the results are the same.
 *   - 16-bit: the pixels are scaled by (32768 >> (log2 N - 1)) / 255 (integer division) and every
 *     radix-4 stage halves (rounded), in both directions; the forward transform also shifts the
 *     row results right by log2 N - 1 before the column transforms. The last radix-2 or radix-4
 *     stage of each transform is unscaled. An all-255 block so has the DC value 8192 for N = 32
 *     and 64, 2048 for 128 and 256, and 512 for 512: the larger sizes keep less of the 16-bit
 *     range, and their rounding noise weighs more (against a double-precision DFT the
 *     signal-to-noise ratio falls from about 30 dB at N = 32 towards the largest size).
 * Arithmetic wraps at 32 (16) bits: the scalings above keep every value of a transform of 8-bit
 * data in range. A caller-built spectrum fed to an inverse transform must respect the same
 * headroom. Each transform asks cprt_isOptimizationInhibitedFP with its own name first; there is
 * no fallback for these names, so an inhibited call fails with CID_STATUS_NOT_AVAILABLE. On x86
 * processors with AVX2 the 32-bit forward 2-D transform runs four row or column transforms per
 * vector, with the same integer operations and so the same results; the name
 * "cidut_fftFixedLanes" inhibits that and keeps the one-transform-at-a-time kernel.
 *
 * Floating point (cfRowDFT ... cidut_2dFFTPwrSpec_win8_). Direct DFTs (any length, one sin and
 * cos per term, meant for small windows) and radix-2 FFTs (power-of-two lengths up to 1024 per
 * transformed dimension) in double precision, unnormalised, with forward sign negative. The
 * radix-2 twiddles advance by a recurrence seeded per stage with sin and cos of pi / 2^k to six
 * significant digits, so the fast transforms agree with a direct DFT to about 1e-6 of the
 * spectrum's scale, not to double precision. On x86 processors with AVX2 the radix-2 transforms
 * run two per vector down the rows of transposed copies, each with the same operations in the
 * same order and so bit for bit the same results; the names "cf2DFFT" (2-D transforms) and
 * "cf1DRealFFT" (rowsOnly) inhibit that. Spectra are double images (CIMG_DEPTH_64F). A
 * destination image may be bound, when its window is written (it must have depth 8 and be at
 * least as large as the result), or unbound, when a new image of the result's size is made and
 * assigned to it. Sources must be bound (else CID_STATUS_IMAGE_NOT_BOUND) and of the depth
 * stated; a depth or destination that does not fit gives CID_STATUS_INVALID_IMAGE.
 *
 * Null pointers and negative sizes are precondition violations (cstd_assert_). */
#ifndef CI_ID_FFT_H
#define CI_ID_FFT_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

/* A complex value of the 32-bit transforms: real then imaginary part. */
typedef struct cf_fixedComplex32 {
    int32_t re;
    int32_t im;
} cf_fixedComplex32;

/* A complex value of the 16-bit transforms (one 32-bit word). */
typedef struct cf_fixedComplex16 {
    int16_t re;
    int16_t im;
} cf_fixedComplex16;

/* ---- Fixed point ---------------------------------------------------------------------------- */

/* Forward transform of width x height pixels into width x height complex values. The first
 * topRows and the last bottomRows rows are taken as zero; each margin must be below half the
 * height, else CID_STATUS_INVALID_PARAMETER. centre = 0 leaves frequency (0, 0) at [0][0];
 * centre != 0 (square blocks only) moves it to [H/2][W/2] and shifts every value right by
 * outShift (0 .. 31). spectrum must hold width x height values even when margins are used. */
CI_ID_API int32_t cf2DFFT_32x32_fixed(int32_t centre, int32_t outShift, const uint8_t* pixels,
                                      cf_fixedComplex32* spectrum, int32_t width, int32_t height,
                                      int32_t topRows, int32_t bottomRows);

/* Inverse transform into width x height values image[r][c] = real part >> 10. With centre != 0
 * (square blocks only) the spectrum is taken as centred. The spectrum is overwritten. When
 * maxNegative is not null it receives the magnitude of the most negative output value, or 0. */
CI_ID_API int32_t cf2DIFFT_32x32_fixed(int32_t centre, cf_fixedComplex32* spectrum, int32_t* image,
                                       int32_t width, int32_t height, int32_t* maxNegative);

/* Forward transform of n x n pixels holding 8-bit values (larger values overflow the headroom)
 * into an n x n spectrum, always centred (frequency (0, 0) at [n/2][n/2]). */
CI_ID_API int32_t cf2DFFT_16x16_fixed(const uint16_t* pixels, cf_fixedComplex16* spectrum,
                                      int32_t n);

/* Inverse transform of an uncentred n x n spectrum into the power image
 * image[r][c] = ((re >> 8)^2 + (im >> 8)^2) >> 8. The spectrum is overwritten. */
CI_ID_API int32_t cf2DIFFT_16x16_fixed(cf_fixedComplex16* spectrum, uint16_t* image, int32_t n);

/* Power spectrum of count pixels (1 <= count <= n, else CID_STATUS_OUT_OF_RANGE) padded to n with
 * the last pixel: the pixels are scaled as for cf2DFFT_32x32_fixed, and power[k] = a^2 + b^2 with
 * a, b the real and imaginary parts of X[k] shifted right by log2 n + 13. power[0] is 0. */
CI_ID_API int32_t cf1DFFT_32x32_fixed(const uint8_t* pixels, int32_t count, uint32_t* power,
                                      int32_t n);

/* ---- Floating point ------------------------------------------------------------------------- */

/* Direct DFT of n bytes; re or im may be null, when that part is not computed. */
CI_ID_API int32_t cfRowDFT(const uint8_t* pixels, double* re, double* im, int32_t n);

/* Direct 2-D DFT of height rows of width contiguous bytes into height x width values (row index
 * v, column index u); re or im may be null. */
CI_ID_API int32_t cf2DDFT(const uint8_t* pixels, int32_t height, int32_t width, double* re,
                          double* im);

/* out[v][u] = |X[v][u]| of the direct 2-D DFT. pixelStride counts bytes, outStride doubles. */
CI_ID_API int32_t cf2DPowerSpectrum(const uint8_t* pixels, intptr_t pixelStride, int32_t height,
                                    int32_t width, double* out, intptr_t outStride);

/* |X| of the 8-bit source window into the destination (window size). */
CI_ID_API int32_t cfPelPowerSpectrum(const cimg_imageConst* source, cimg_image* destination);

/* As cfPelPowerSpectrum, computing only the columns u < columnLimit and u >= width - columnLimit
 * and, in them, the frequencies v < rowLimit and v >= height - rowLimit; every other value is 0.
 * Negative limits give CID_STATUS_OUT_OF_RANGE. */
CI_ID_API int32_t cfLimitedPelPowerSpectrum(const cimg_imageConst* source, int32_t columnLimit,
                                            int32_t rowLimit, cimg_image* destination);

/* cfPelPowerSpectrum into a double image of the source window's size. */
CI_ID_API int32_t cfPowerSpectrum(const cimg_imageConst* source, cimg_image* destination);

/* Swaps the quadrants of a double image (top-left with bottom-right, top-right with bottom-left)
 * so that frequency (0, 0) moves to the centre. With an odd side the last row or column of the
 * destination is not written. Twice restores an image of even sides. source and destination may
 * be the same image. */
CI_ID_API int32_t cfPowerSpectrumShift(const cimg_imageConst* source, cimg_image* destination);

/* A new W/2 x H double image from the left half of the W x H source: its rows 0 .. H/2-1 are the
 * source rows H/2 .., the rest the source rows 0 .. . Mend: for an odd H the first H - H/2 rows
 * are the source rows H/2 .. H-1 and the last H/2 rows the source rows 0 .. H/2-1, so every row
 * appears once; mapping row i to i + H/2 and H/2 + i to i would drop the last source row and
 * repeat another. */
CI_ID_API int32_t cfFFTShift(const cimg_imageConst* source, cimg_image* destination);

/* A new 8-bit image trunc((v - min) * 255 / (max - min)) of a double image. A constant source
 * gives an all-zero image; NaN values are left out of min and max and give 0. */
CI_ID_API int32_t cfViewableFFT(const cimg_imageConst* source, cimg_image* destination);

/* Radix-2 FFT of the 8-bit source window. The width must be a power of two, and the height too
 * unless rowsOnly = 1 (else CID_STATUS_NOT_POWER_OF_TWO); a transformed side above 1024 gives
 * CID_STATUS_OUT_OF_RANGE. rowsOnly = 0: 2-D transform, W complex values per row. rowsOnly = 1:
 * each row on its own, keeping frequencies 0 .. W/2 - 1. outputMode 0 writes (re, im) pairs
 * (two doubles per value), 1 the magnitude, 2 re^2 + im^2, 3 log(re^2 + im^2 + 1e-10). Mend:
 * other modes or rowsOnly values give CID_STATUS_INVALID_VALUE, where returning success without
 * writing an output would let a caller read a destination that holds no spectrum. */
CI_ID_API int32_t cfPelFFT(const cimg_imageConst* source, cimg_image* destination,
                           int32_t outputMode, int32_t rowsOnly);

/* The 2-D power spectrum re^2 + im^2 of the 8-bit source window (power-of-two sides up to 1024)
 * into a new W x H double image assigned to destination, using work (workSize = 2 W H doubles,
 * asserted) for the complex values. destination is left unbound on failure. */
CI_ID_API int32_t cidut_2dFFTPwrSpec_win8_(const cimg_imageConst* source, double* work,
                                           int32_t workSize, cimg_image* destination);

CI_ID_EXTERN_C_END

#endif
