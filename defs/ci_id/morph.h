/* Grey morphology with rectangular kernels, and the running extremum of one row it is built on.
 *
 * A kernel of k samples along a row of n samples has the half-width h = (k - 1) / 2, raised to 1
 * when it is 0: sample p of the result is the extremum of the samples p - h .. p + h that exist
 * (the window is cut at both ends of the row). An odd k gives a window of k samples, an even
 * k >= 4 one of k - 1 samples, and k = 2 one of 3 samples. The running extremum keeps a monotonic
 * queue of sample indices, so its cost per sample does not depend on k. */
#ifndef CI_ID_MORPH_H
#define CI_ID_MORPH_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

/* Operation types of cidut_morph2d_run. */
#define CIDUT_MORPH_DILATE 0u /* maximum */
#define CIDUT_MORPH_ERODE 1u  /* minimum */
#define CIDUT_MORPH_OPEN 2u   /* minimum, then maximum */
#define CIDUT_MORPH_CLOSE 3u  /* maximum, then minimum */

/* Running maximum (minimum) with kernel over the n samples of source into destination. source
 * and destination are distinct arrays of n samples; 2 <= kernel < n is a precondition. work, when
 * not null, receives the number of queue entries dropped from the tail during the run (at most
 * n): a measure of the work done. */
CI_ID_API int32_t rowExtremaMax(int32_t kernel, const uint8_t* source, uint8_t* destination,
                                int32_t n, int32_t* work);
CI_ID_API int32_t rowExtremaMin(int32_t kernel, const uint8_t* source, uint8_t* destination,
                                int32_t n, int32_t* work);

/* Dilation, erosion, opening or closing (type, above) of the source window R with a kernel of
 * kw x kh pixels: one running extremum along every row with kw, then along every column with kh
 * (a dimension whose kernel is 1 or less is not filtered). A type other than the four above runs
 * no pass: the destination then receives what its target held (its own pixels when it takes the
 * result in place, else a new zero image of R), with the window and transforms below.
 *
 * The result lands in the destination at the image coordinates of R: a bound 8-bit destination
 * first takes the source's image offset and its window becomes its whole image; it receives the
 * result in place when that window contains R and its pixels there are not the source's. In
 * every other case (unbound, too small, another depth, pixels shared with the source, even
 * partly) the result is made in a new image of R, which is then assigned to the destination.
 * Afterwards the destination's window is R and it has the source's client transforms.
 *
 * When kw exceeds the width of R, or kh its height, or both are below 2, the result is a copy of
 * the source window. A kernel equal to the width (height) of R is a proper filter: every window of
 * that row (column) then reaches both ends of it wherever the row allows.
 *
 * On x86 processors the filter runs a vector pass, AVX2 where the processor has it and SSE2
 * otherwise, chosen at run time: rows by doubling spans of whole vectors, columns by a running
 * extremum over blocks of one window (a direct one for windows of up to 7 rows), a few operations
 * per sample whatever the kernel. The optimisation-inhibit hook forbids it by the name
 * L"cidut_morph2d_run", and the AVX2 pass alone by L"cidut_morph2d_run_avx2"; the portable kernel
 * (the row function along rows and along columns copied into a buffer) then gives the same
 * pixels, as it does when the vector pass's working memory (a few rows, and a ring of up to
 * 2 kh + 2 rows) cannot be had.
 *
 * Statuses: CIMG_STATUS_NOT_BOUND for an unbound source and
 * CIMG_STATUS_INVALID_IMAGE for a source that is not 8-bit; the destination is then unchanged. */
CI_ID_API int32_t cidut_morph2d_run(const cimg_imageConst* source, cimg_image* destination,
                                    uint32_t type, int32_t kw, int32_t kh);

CI_ID_EXTERN_C_END

#endif
