/* Pixel arithmetic, mapping, grey range, transposition and expansion of 8-bit images.
 *
 * Each call works on the windows of its images and returns a status. An unbound input gives
 * CID_STATUS_IMAGE_NOT_BOUND, an input whose pixels are not 8-bit CID_STATUS_INVALID_IMAGE.
 * Results are made in new images that are assigned to the destination only on success, so a
 * destination may be one of the inputs, and a failing call leaves it as it was. Null pointers are
 * preconditions. */
#ifndef CI_ID_PELOPS_H
#define CI_ID_PELOPS_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

/* destination = a with, over the overlap of the two windows (in image coordinates),
 * min(a + b, 255). The result covers a's window, at its image coordinates, with a's client
 * transforms; where the windows do not overlap it equals a. mode is read only when the overlap
 * is not empty: there it must be 0, and any other value is a broken precondition (asserted) that
 * then gives CID_STATUS_FAILED. */
CI_ID_API int32_t cidut_ip_pelAdd8(const cimg_imageConst* a, const cimg_imageConst* b,
                                   cimg_image* destination, uint32_t mode);
/* The same with max(a - b, 0). */
CI_ID_API int32_t cidut_ip_pelSub8(const cimg_imageConst* a, const cimg_imageConst* b,
                                   cimg_image* destination, uint32_t mode);

/* Every pixel v of the window becomes 255 - v, in place. */
CI_ID_API int32_t cidut_ip_pelInvert8(cimg_image* image);

/* destination = the source window with every grey level v replaced by table[v] (256 entries).
 * The result covers the source window at its image coordinates, with the source's client
 * transforms. */
CI_ID_API int32_t cip_image8_map(cimg_image* destination, const cimg_imageConst* source,
                                 const uint8_t* table);

/* The smallest and the largest grey level of the window (255 and 0 for an empty window). The
 * outputs are written only on success. */
CI_ID_API int32_t cidut_ip_pelMinMax8(const cimg_imageConst* image, uint8_t* minimum,
                                      uint8_t* maximum);

/* destination = a new image whose width is the source image's height and whose height is its
 * width, at image offset (0, 0), identity client transforms; window pixel (c, r) of the source
 * lands at (r, c). The destination's window is the transposed source window, at the top-left:
 * (0, 0, source window height, source window width); pixels outside it are 0. */
CI_ID_API int32_t cidut_ip_pelTranspose8(const cimg_imageConst* source, cimg_image* destination);

/* destination = the source window enlarged by whole factors: source pixel (x, y) of the window
 * fills the factorX x factorY block at (x * factorX, y * factorY) of the result. The result
 * covers image coordinates scaled from the source window's (its top-left at the window's
 * top-left times the factors), and its image-from-client transform is the source's followed by
 * the scaling, so client coordinates keep pointing at the same content. A factor below 1 gives
 * CID_STATUS_INVALID_IMAGE; a result whose size or coordinates leave 32 bits gives
 * CSYS_STATUS_SIZE_OUT_OF_RANGE. */
CI_ID_API int32_t cidut_ip_pelExpand8(const cimg_imageConst* source, cimg_image* destination,
                                      int32_t factorX, int32_t factorY);

CI_ID_EXTERN_C_END

#endif
