/* Grey dilation and erosion of 8-bit windows with flat rectangular structuring elements.
 *
 * The result pixel is the maximum (dilation) or minimum (erosion) of the source pixels under the
 * element centred on it; the element is cut at the window's border, so border pixels see only
 * the pixels that exist. A window smaller than the element is handled the same way. The result
 * covers the source window at its image coordinates, with the source's client transforms
 * (cidut_morph2d_run). Null pointers are preconditions. */
#ifndef CI_ID_CIP_GMORPH_H
#define CI_ID_CIP_GMORPH_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

/* Element types: a row, a square and a column of 2 size + 1 pixels on a side. */
#define CIP_GMORPH_ROW 0
#define CIP_GMORPH_SQUARE 1
#define CIP_GMORPH_COLUMN 2

typedef struct cip_gmorphElementArray {
    int32_t type;
    int32_t size;
    int32_t width; /* of the element, in pixels */
    int32_t height;
} cip_gmorphElementArray;

/* CID_STATUS_INVALID_VALUE (0x80000846) for an unknown type, CSYS_STATUS_SIZE_OUT_OF_RANGE for
 * a size below 0 or above 65535; the record is then left as it was. */
CI_ID_API int32_t cip_gmorphElementArray_constructType(cip_gmorphElementArray* element,
                                                       int32_t type, int32_t size);
/* Nothing to release: the element owns no memory. Always 0. */
CI_ID_API int32_t cip_gmorphElementArray_destruct(cip_gmorphElementArray* element);

/* destination = the dilation (erosion) of the source window. */
CI_ID_API int32_t cip_gmorphDilate8(const cimg_imageConst* source,
                                    const cip_gmorphElementArray* element, cimg_image* destination);
CI_ID_API int32_t cip_gmorphErode8(const cimg_imageConst* source,
                                   const cip_gmorphElementArray* element, cimg_image* destination);

CI_ID_EXTERN_C_END

#endif
