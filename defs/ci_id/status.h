/* Status values returned by ci_id's own functions. Zero or positive is success, negative is
 * failure; a failure status of the platform layer (csys_status.h) is passed on unchanged. */
#ifndef CI_ID_STATUS_H
#define CI_ID_STATUS_H

#include <stdint.h>

#include "ci_id/platform/csys_status.h"

/* Degenerate fixed-point segment; null table vector; unsupported pixel-arithmetic mode. */
#define CID_STATUS_FAILED ((int32_t)0x80000000u)
#define CID_STATUS_NULL_ARGUMENT ((int32_t)0x80000001u)
#define CID_STATUS_OUT_OF_RANGE ((int32_t)0x80000002u)
#define CID_STATUS_EDGE_LIST_FULL ((int32_t)0x80000023u)
/* Expansion factor below 1, pixel depth mismatch. */
#define CID_STATUS_INVALID_IMAGE ((int32_t)0x800003C2u)
#define CID_STATUS_IMAGE_NOT_BOUND ((int32_t)0x800003C3u)
/* Fixed-point statistics not initialised, or shift below 3. */
#define CID_STATUS_STATS_NOT_INITIALISED ((int32_t)0x80000541u)
#define CID_STATUS_STATS_EMPTY ((int32_t)0x80000542u)
/* Optimised kernel absent or inhibited, or a size it does not support. */
#define CID_STATUS_NOT_AVAILABLE ((int32_t)0x80000601u)
#define CID_STATUS_PARALLEL_LINES ((int32_t)0x80000841u)
/* Direction too short to normalise, negative distance. */
#define CID_STATUS_INVALID_GEOMETRY ((int32_t)0x80000842u)
#define CID_STATUS_DEGENERATE_SEGMENT ((int32_t)0x80000843u)
#define CID_STATUS_DIVISION_BY_ZERO ((int32_t)0x80000845u)
/* Range bounds, scale, missing edge-list flag. */
#define CID_STATUS_INVALID_VALUE ((int32_t)0x80000846u)
#define CID_STATUS_NO_LINE_FIT ((int32_t)0x80000847u)
#define CID_STATUS_ROBUST_FIT_FAILED ((int32_t)0x80000848u)
#define CID_STATUS_RANGE_HAS_NO_BOUND ((int32_t)0x80000849u)
/* Line outside the image window, or nothing left after clipping. */
#define CID_STATUS_OUTSIDE_WINDOW ((int32_t)0x8000084Bu)
#define CID_STATUS_NOT_POWER_OF_TWO ((int32_t)0x80000861u)
#define CID_STATUS_EMPTY_CONTOUR ((int32_t)0x80000867u)
/* No check symbols, bad margins. */
#define CID_STATUS_INVALID_PARAMETER ((int32_t)0x80000882u)
#define CID_STATUS_CLASSIFIER_WINDOW_SIZE ((int32_t)0x8000089Au)

/* True for the statuses an optimised kernel uses to say it cannot run (0x600 to 0x61F in the low
 * 16 bits): the caller then falls back to the portable kernel. */
#define CID_STATUS_IS_NOT_AVAILABLE(status) \
    ((status) < 0 && ((((uint32_t)(status)) & 0xFFFFu) >> 5) == 48u)

#endif
