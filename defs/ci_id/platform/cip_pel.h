/* Pixel operations on 8-bit image windows.
 *
 * Every call works on the windows of its images (cimg.h) and returns a status: an unbound image
 * gives CIMG_STATUS_NOT_BOUND, an image whose depth is not CIMG_DEPTH_8U gives
 * CIMG_STATUS_INVALID_IMAGE. Null pointers are preconditions. */
#ifndef CI_ID_CIP_PEL_H
#define CI_ID_CIP_PEL_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

/* Copies the pixels of source's window into destination's window, which must have the same
 * width and height (else CSYS_STATUS_SIZE_OUT_OF_RANGE, nothing written). The two windows may
 * share pixels: the result is then as if source had been read in full first. */
CI_ID_API int32_t cip_pelCopyWindow8(const cimg_imageConst* source, cimg_image* destination);

/* Binds destination (bound or not) to new pixels holding a copy of source's window: the new
 * image covers exactly that window, at the same image coordinates, and has source's client
 * transforms. destination is changed only on success. */
CI_ID_API int32_t cip_pelCopy8(const cimg_imageConst* source, cimg_image* destination);

/* Sets every pixel of image's window to value. */
CI_ID_API int32_t cip_pelSet8(cimg_image* image, uint8_t value);

/* CIP_STATUS_MEMORY_OVERLAP when some pixel of a's window is also a pixel of b's window (the
 * same byte in memory), else 0. Works on windows of any depth, in the same or in different
 * buffers. */
CI_ID_API int32_t cip_pelfunc_checkMemoryOverlap(const cimg_imageConst* a,
                                                 const cimg_imageConst* b);

CI_ID_EXTERN_C_END

#endif
