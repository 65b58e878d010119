/* Small integer rectangles: x, y of the top-left corner, width and height, in whole pixels.
 * A rectangle is null when its width or height is not positive. Sums are computed in 64 bits,
 * so rectangles near the int32 limits give exact answers. */
#ifndef CI_ID_CSTD_RECT32_H
#define CI_ID_CSTD_RECT32_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"

CI_ID_EXTERN_C_BEGIN

typedef struct cstd_rect32 {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
} cstd_rect32;

CI_ID_API int32_t cstd_rect32_init(cstd_rect32* rect, int32_t x, int32_t y, int32_t width,
                                   int32_t height);
/* The common part of a and b; a null rectangle (0, 0, 0, 0) when they do not overlap. */
CI_ID_API int32_t cstd_rect32_intersect(const cstd_rect32* a, const cstd_rect32* b,
                                        cstd_rect32* out);
CI_ID_API int32_t cstd_rect32_getIsNull(const cstd_rect32* rect, int32_t* isNull);
/* *contains = 1 when every pixel of inner lies in outer; a null inner is contained in anything. */
CI_ID_API int32_t cstd_rect32_containsRect(const cstd_rect32* outer, const cstd_rect32* inner,
                                           int32_t* contains);

CI_ID_EXTERN_C_END

#endif
