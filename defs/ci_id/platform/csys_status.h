/* Status values of the platform layer (system, image and mathematics services).
 * Every status is a signed 32-bit value; negative means failure. */
#ifndef CI_ID_CSYS_STATUS_H
#define CI_ID_CSYS_STATUS_H

#include <stdint.h>

#define CSYS_STATUS_OK ((int32_t)0)

/* A size or count out of range, including a byte count whose computation overflows. */
#define CSYS_STATUS_SIZE_OUT_OF_RANGE ((int32_t)0x80000002u)
/* The allocator could not provide the memory asked for. */
#define CSYS_STATUS_OUT_OF_MEMORY ((int32_t)0x80000101u)
/* csys_attention_check saw a stop request on the calling thread's token. */
#define CSYS_STATUS_STOP_REQUESTED ((int32_t)0x80000102u)

/* Image library. */
#define CIMG_STATUS_INVALID_IMAGE ((int32_t)0x800003C2u)
#define CIMG_STATUS_NOT_BOUND ((int32_t)0x800003C3u)
/* A window or point that does not lie inside the image. */
#define CIMG_STATUS_OUTSIDE_IMAGE ((int32_t)0x800003C4u)

/* Mathematics library. */
#define CMATH_STATUS_ZERO_VECTOR ((int32_t)0x80000584u)
#define CMATH_STATUS_SINGULAR ((int32_t)0x80000585u)
#define CMATH_STATUS_PARALLEL_LINES ((int32_t)0x80000928u)

/* Image-processing library. */
#define CIP_STATUS_MEMORY_OVERLAP ((int32_t)0x800006A1u)

/* Boundary tracker. */
#define CBT_STATUS_NO_CONTOUR ((int32_t)0x80000903u)

/* Mathematics library: a perspective transform sends the point to infinity (or beyond the range
 * of double). */
#define CMATH_STATUS_POINT_AT_INFINITY ((int32_t)0x80000586u)

#endif
