/* Table-driven edge directions of 8-bit images.
 *
 * Each pixel's gradient is reduced to a pair of signed bytes (a, b), and the pair, as the key
 * (a & 0xFF) << 8 | (b & 0xFF), is looked up in a table of 65536 entries:
 *   Sobel (any mode but CF_EDGE_ID_MODE_ROBERTS), at pixel p with row stride s:
 *     a = ((p[-s+1] - p[-s-1]) + 2 (p[1] - p[-1]) + (p[s+1] - p[s-1])) >> 3
 *     b = ((p[s-1] - p[-s-1]) + 2 (p[s] - p[-s]) + (p[s+1] - p[-s+1])) >> 3
 *   Roberts (CF_EDGE_ID_MODE_ROBERTS): a = (p[1] - p[s]) >> 1, b = (p[s+1] - p[0]) >> 1
 * (arithmetic shifts). For every pair two process-wide base tables (variants 0 and 1) hold
 *   magnitude = round(min(2 sqrt(a^2 + b^2), 255))
 *   direction = round(norm(atan2(b, a) - pi/4) * 256 / (2 pi)) & 0xFF, norm into [0, 2 pi);
 * variant 1 stores a direction of 255 as 0, so that 255 only ever means "no edge" there. A
 * direction is in 256ths of a turn from +x towards +y, an eighth of a turn below the gradient's
 * own angle; the output direction of the Sobel mode adds that eighth back (+32 modulo 256), except
 * that 255 stays 255, and the Roberts mode, whose gradient is diagonal, gives the table direction
 * as it is.
 *
 * An ID table (CF_EDGE_ID_TABLE_SIZE bytes in a cstd_vector8) folds a magnitude threshold in: byte
 * 0 holds the threshold, bytes 1 .. 15 are reserved, and byte 16 + key holds 255 when the key's
 * magnitude is below the threshold, else the key's variant-1 direction.
 *
 * The base tables are built once per process, under a critical section, on first use (or by
 * cfEdgeDetectID_install) and released when the library is unloaded; any number of threads may
 * use them. ID tables belong to their callers. */
#ifndef CI_ID_EDGEID_H
#define CI_ID_EDGEID_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/vector8.h"

CI_ID_EXTERN_C_BEGIN

#define CF_EDGE_ID_TABLE_SIZE 65552
#define CF_EDGE_ID_NO_EDGE 255
/* The gradient mode that selects the 2 x 2 diagonal operator; every other value selects Sobel. */
#define CF_EDGE_ID_MODE_ROBERTS 2
/* The Sobel mode whose output images carry the source's client transforms unshifted. */
#define CF_EDGE_ID_MODE_SOBEL_CENTRED 1

/* Builds both base tables now (they are otherwise built on first use). */
CI_ID_API int32_t cfEdgeDetectID_install(void);

/* Makes table the ID table of threshold. table must be empty or hold CF_EDGE_ID_TABLE_SIZE bytes
 * (a precondition); when it already holds an ID table whose byte 0 is threshold, nothing is done.
 * A null table gives CID_STATUS_FAILED. */
CI_ID_API int32_t cf_EdgeDetectIDTableInit(cstd_vector8* table, uint8_t threshold);

/* For height rows of width pixels from source (row stride sourceStride), writes each pixel's
 * output direction, looked up in the ID table (tableSize must be CF_EDGE_ID_TABLE_SIZE), to
 * destination (row stride destinationStride). The operator reads around each pixel: one pixel on
 * every side in Sobel mode, one to the right and one below in Roberts mode; the caller's memory
 * must hold them. When counts is not null, each row is cut into bands of bandWidth pixels (the
 * last may be shorter) and counts[band] grows by the band's pixels whose output is 255; counts
 * must have (width + bandWidth - 1) / bandWidth entries. A negative width or height, or a
 * bandWidth below 1 with counts, gives CID_STATUS_OUT_OF_RANGE. The reserved arguments are not
 * read. */
CI_ID_API int32_t cf_EdgeDetectIDCount(const uint8_t* source, intptr_t sourceStride,
                                       uint8_t* destination, int32_t width, int32_t height,
                                       intptr_t destinationStride, const uint8_t* table,
                                       int32_t tableSize, int32_t reserved9, int32_t bandWidth,
                                       int32_t* counts, int32_t reserved12, int32_t reserved13,
                                       int32_t mode);

/* cf_EdgeDetectIDCount without counts. */
CI_ID_API int32_t cf_EdgeDetectID(const uint8_t* source, intptr_t sourceStride,
                                  uint8_t* destination, int32_t width, int32_t height,
                                  intptr_t destinationStride, const uint8_t* table,
                                  int32_t tableSize, int32_t reserved9, int32_t reserved10,
                                  int32_t reserved11, int32_t mode);

/* Magnitude and direction images of the source window W from base table variant (0 or 1, a
 * precondition). The outputs cover W less its last column and last row, intersected with the
 * windows of the outputs that are bound (which must be 8-bit, else CIMG_STATUS_INVALID_IMAGE);
 * unbound outputs become new 8-bit images of that rectangle. Bound outputs receive the result in
 * their own pixels, at the same image coordinates, and their windows become that rectangle (when
 * it is empty they are left as they are). The
 * outputs' image-from-client transforms are the source's, followed by a shift of half a pixel
 * up and left unless mode is CF_EDGE_ID_MODE_SOBEL_CENTRED.
 * Per pixel: magnitude = the table's magnitude; direction = 255 when, with variant 1, the
 * magnitude is below threshold, else the output direction. In Sobel mode the neighbours above
 * the first row and left of the first column of W are the image's own pixels there, so a window
 * inside a larger image gives the same values as the whole image; only at the image's top or
 * left edge is a missing neighbour replaced by the nearest pixel of the image (mend: reading
 * there would leave the image's memory). Polls csys_attention_check once per row; outputs are
 * changed only on success. */
CI_ID_API int32_t cfEdgeDetectIDMagAng(const cimg_imageConst* source, cimg_image* magnitude,
                                       cimg_image* direction, int32_t variant, uint8_t threshold,
                                       int32_t mode);

CI_ID_EXTERN_C_END

#endif
