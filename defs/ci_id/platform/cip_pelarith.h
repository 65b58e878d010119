/* Grey range, look-up tables, subtraction and expansion of 8-bit windows: the image-processing
 * calls of the thresholds and the binarization.
 *
 * An unbound image gives CIMG_STATUS_NOT_BOUND, one that is not 8-bit CIMG_STATUS_INVALID_IMAGE;
 * outputs are left as they were on failure. Null pointers are preconditions. */
#ifndef CI_ID_CIP_PELARITH_H
#define CI_ID_CIP_PELARITH_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

/* The one subtraction mode: max(a - b, 0), so that a pixel is non-zero exactly where a exceeds
 * b. */
#define CIP_PEL_SUB_CLAMP 3u

/* The smallest, then the largest grey level of the window (255 and 0 for an empty one). */
CI_ID_API int32_t cip_pelUnaryMinMax8(const cimg_imageConst* image, uint8_t* minimum,
                                      uint8_t* maximum);

/* Writes table[v] (256 entries) for every pixel v of source's window into destination's window,
 * which must have the same width and height (else CSYS_STATUS_SIZE_OUT_OF_RANGE, nothing
 * written). The two may be the same pixels or overlap in any way. */
CI_ID_API int32_t cip_pelMap8(const cimg_imageConst* source, cimg_image* destination,
                              const uint8_t* table);

/* destination = a with, over the overlap of the two windows (in image coordinates), the
 * difference a - b in the given mode; the result covers a's window at its image coordinates
 * (cidut_ip_pelSub8). A mode other than CIP_PEL_SUB_CLAMP gives 0x80000000. */
CI_ID_API int32_t cip_pelSub8(const cimg_imageConst* a, const cimg_imageConst* b, uint32_t mode,
                              cimg_image* destination);

/* destination = the source window enlarged by whole factors, each source pixel filling a
 * factorX x factorY block (cidut_ip_pelExpand8: factors below 1 give 0x800003C2). */
CI_ID_API int32_t cip_pelExpand8(const cimg_imageConst* source, cimg_image* destination,
                                 int32_t factorX, int32_t factorY);

CI_ID_EXTERN_C_END

#endif
