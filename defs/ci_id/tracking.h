/* Two-dimensional symbol location: tracking parameters and results, and seeds.
 *
 * Symbols are located by boundary tracking: a strong grey-level edge on a scan line (a seed) gives
 * the boundary tracker a starting place and a threshold; the finders decide from the traced
 * contour's shape whether a symbol lies there. Seeds are window-relative (column and row counted
 * from the image window's top-left pixel); rows passed to the seed finders, contour points and
 * located rectangles are in image coordinates (pixel (i, j) covering [i, i + 1) x [j, j + 1)).
 *
 * Size limit: seeds and contour points are 24.8 fixed point in 32 bits, so every image coordinate
 * of the window and its width and height must stay within 8,388,606 (2^23 - 2) pixels; a window
 * beyond that gives CSYS_STATUS_SIZE_OUT_OF_RANGE. */
#ifndef CI_ID_TRACKING_H
#define CI_ID_TRACKING_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cbt.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cmath_shape.h"
#include "ci_id/platform/csys_typecheck.h"

CI_ID_EXTERN_C_BEGIN

/* A strong edge on a scan line. */
typedef struct cid2d_trackingSeed {
    int32_t x;        /* column of the pixel just before the edge, window-relative */
    int32_t y;        /* row, window-relative */
    int32_t strength; /* gradient peak: difference of the three-pixel sums on either side */
    int32_t mean;     /* mean of the four pixels centred on the edge: the tracking threshold */
    int32_t scanLine; /* index of the scan line in the caller's list */
    int32_t polarity; /* 1 when the pixel at (x, y) is darker than mean */
    int32_t aheadX;   /* 1.5 pixels beyond the edge, 24.8 fixed point, window-relative */
    int32_t aheadY;
    int32_t behindX; /* 1.5 pixels before the edge */
    int32_t behindY;
} cid2d_trackingSeed;

typedef struct cid2d_trackingParams {
    unsigned char* workBuffer; /* caller's scratch for contour arrays (default null) */
    uint32_t workBufferSize;   /* bytes; the Data Matrix finder needs CID2D_WORK_BUFFER_MIN */
    int32_t* scanLines;        /* rows or columns walked by the find-next drivers */
    int32_t scanLineCount;
    double minSymbolSize;      /* smallest accepted symbol side, pixels (15) */
    double maxSymbolSize;      /* largest accepted symbol side, pixels (2000) */
    int32_t expectedModules1;  /* modules along one side; 0 = not known */
    int32_t expectedModules2;  /* along the other side; 0 = not known */
    int32_t scanLinesAreRows;  /* nonzero: rows walked left to right; 0: columns top down (1) */
    int32_t firstScanLine;     /* index at which the find-next drivers start (0) */
    double minSmoothing;       /* lower bound of the contour smoothing length (3.0) */
    int32_t maxBoundaryPoints; /* longest contour asked of the tracker (INT32_MAX) */
    int32_t allowAtBorder;     /* nonzero: a symbol may touch the window's edge (0) */
    int32_t allowSkew;         /* nonzero: wider angles and arm ratios, far sides fitted (0) */
    int32_t allowStrongSkew;   /* nonzero with unknown shape: wider still (0) */
    int32_t maxCornerPasses;   /* corner-finding passes over one contour (2) */
} cid2d_trackingParams;

/* Smallest work buffer of the Data Matrix and PDF417 finders, bytes. */
#define CID2D_WORK_BUFFER_MIN 229320u

typedef struct cid2d_trackingResult {
    cmath_shapeAffineRect rect; /* the located symbol: origin corner and its two neighbours */
    cmath_vect farCorner;       /* the corner opposite the origin corner */
    int32_t farCornerFromShape; /* 1: farCorner completes the parallelogram; 0: fitted */
    cbt_result track;           /* the last traced contour, reused for every seed */
    int32_t found;
    int32_t scanLineIndex;   /* scan line on which the search stopped */
    int32_t cornerScore;     /* straightness of the finder sides, per mille */
    int32_t quality;         /* 1000 once a shape passed the geometric tests */
    uint8_t threshold;       /* grey level of the tracked boundary */
    cid2d_trackingSeed seed; /* the seed of the last tracked boundary */
    int32_t trackCalls;      /* tracker calls made by the PDF417 finder; not set here */
} cid2d_trackingResult;

CI_ID_API int32_t cid2d_trackingParams_init(cid2d_trackingParams* params);
CI_ID_API int32_t cid2d_trackingResult_construct(cid2d_trackingResult* result);
/* found and cornerScore back to 0; nothing else changes. */
CI_ID_API int32_t cid2d_trackingResult_reset(cid2d_trackingResult* result);
CI_ID_API int32_t cid2d_trackingResult_destruct(cid2d_trackingResult* result);

/* Seeds along the given rows (image coordinates) of an 8-bit image, at most maxSeeds into seeds,
 * their number into *seedCount. A peak of the box gradient of at least minStrength is a seed;
 * rows outside the window's usable part (its first row, its last three, or a window narrower
 * than seven columns) give none. With pairFilter, after two seeds on a row only edges of
 * alternating polarity closer than floor(minPairSpacing) pixels accumulate (module texture); a
 * lone edge is replaced by the next one. With sortSeeds the seeds are ordered by strength,
 * strongest first, then by scan line; ties keep no particular order. */
CI_ID_API int32_t cid2d_getHorizontalTrackingSeeds(const cimg_imageConst* image,
                                                   const int32_t* rows, int32_t rowCount,
                                                   int32_t maxSeeds, int32_t minStrength,
                                                   int32_t sortSeeds, cid2d_trackingSeed* seeds,
                                                   int32_t* seedCount, int32_t pairFilter,
                                                   double minPairSpacing);

/* Seeds along exactly three rows (which must lie inside the window's usable part): the first row
 * keeps its leftmost seed and the strongest others, up to firstLineKeep; each later row its three
 * strongest. The third argument is not read. */
CI_ID_API int32_t cid2d_getHorizontalTrackingSeeds_threeScanlines(
    const cimg_imageConst* image, const int32_t* rows, int32_t ignored, int32_t maxSeeds,
    int32_t firstLineKeep, int32_t minStrength, cid2d_trackingSeed* seeds, int32_t* seedCount);

CI_ID_EXTERN_C_END

CSYS_TYPECHECK_DECLARE(cid2d_trackingResult)

#endif
