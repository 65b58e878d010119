/* Fixed-point shapes and running statistics.
 *
 * Points and vectors are in sixteenths of a pixel (4 fraction bits). A fixed affine rectangle is
 * three corners Po, Px, Py; its fourth corner is Px + Py - Po. A fixed line is a point and a
 * binary angle of 65536 per turn (16384 a quarter turn, growing from +x towards +y), the scale of
 * cmath_sin16FixedPoint and cmath_cos16FixedPoint. Distances are taken at a quarter of the
 * resolution (multiples of 4 sixteenths): within 10 sixteenths of the true distance.
 *
 * cmath_statisticsFixed accumulates integer samples: count, sum, the sum of the squares scaled
 * down by 2^shift and rounded, minimum and maximum; the variance is in units of v^2 / 2^shift.
 *
 * Statuses: CID_STATUS_STATS_NOT_INITIALISED (shift outside 3..31 at initialisation, or never
 * initialised), CID_STATUS_STATS_EMPTY (no samples), CID_STATUS_FAILED (a segment whose end
 * points coincide). Null pointers are precondition violations. Mend: CID_STATUS_OUT_OF_RANGE for
 * a sample that would take a field beyond 32 bits and for a rectangle corner beyond 32 bits in
 * sixteenths, where 32-bit sums and conversions would wrap or be undefined. */
#ifndef CI_ID_FIXPT_H
#define CI_ID_FIXPT_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cmath_shape.h"

CI_ID_EXTERN_C_BEGIN

typedef struct cmath_vect32_4 {
    int32_t x;
    int32_t y;
} cmath_vect32_4;

typedef struct cmath_shapeFixPtAffineRectPoints {
    cmath_vect32_4 Po;
    cmath_vect32_4 Px;
    cmath_vect32_4 Py;
} cmath_shapeFixPtAffineRectPoints;

typedef struct cmath_shapeFixPtLineSeg {
    cmath_vect32_4 p1;
    cmath_vect32_4 p2;
} cmath_shapeFixPtLineSeg;

typedef struct cmath_shapeFixPtLine {
    cmath_vect32_4 pos;
    uint16_t angle; /* 65536 per turn */
} cmath_shapeFixPtLine;

typedef struct cmath_statisticsFixed {
    int32_t count;
    int32_t sum;
    int32_t sumSqScaled; /* sum of (v * v + half) >> shift */
    int32_t minValue;    /* 0 while empty */
    int32_t maxValue;    /* 0 while empty */
    int32_t shift;       /* -1 until initialised */
    int32_t half;        /* 2^(shift - 1) */
} cmath_statisticsFixed;

/* |a - b|. Precondition: both coordinate differences below 262140 (16384 pixels) in magnitude. */
CI_ID_API int32_t cmath_vect32_4_getDistance(const cmath_vect32_4* a, const cmath_vect32_4* b,
                                             int32_t* dist);

/* The unit square: Po (0, 0), Px (16, 0), Py (0, 16). */
CI_ID_API int32_t cmath_shapeFixPtAffineRectPoints_init(cmath_shapeFixPtAffineRectPoints* rect);
/* pts = Po.x, Po.y, Px.x, Px.y, Py.x, Py.y in sixteenths. */
CI_ID_API int32_t cmath_shapeAffineRect_initFixPtPoints(cmath_shapeAffineRect* rect,
                                                        const int32_t pts[6]);
/* The rectangle's points times 16, truncated towards zero; CID_STATUS_OUT_OF_RANGE, pts
 * untouched, when one is not finite or does not fit in 32 bits. */
CI_ID_API int32_t cmath_shapeAffineRect_getFixPtPoints(const cmath_shapeAffineRect* rect,
                                                       int32_t pts[6]);
/* *isWithin = 1 when p is closer to each side line than that side's opposite side is (so inside
 * the parallelogram, to the resolution of the distances), else 0. Points more than two pixels
 * outside the corners' bounding box are 0 at once. Precondition for the others: p and the corners
 * within 4096 pixels of each other. */
CI_ID_API int32_t cmath_shapeFixPtAffineRectPoints_getIsWithin(
    const cmath_shapeFixPtAffineRectPoints* rect, const cmath_vect32_4* p, int32_t* isWithin);

/* The line through p1 whose angle is the direction from p2 to p1, rounded to the binary angle. */
CI_ID_API int32_t cmath_shapeFixPtLineSeg_getLine(const cmath_shapeFixPtLineSeg* seg,
                                                  cmath_shapeFixPtLine* line);
/* Distance from p to the segment: to the nearer end point beyond the ends, else to its line. */
CI_ID_API int32_t cmath_shapeFixPtLineSeg_distanceFrom(const cmath_shapeFixPtLineSeg* seg,
                                                       const cmath_vect32_4* p, int32_t* dist);
/* Distance from p to the line, and |component of p - pos along the line|. Precondition: both
 * coordinates of p - pos below 65535 (4096 pixels) in magnitude. */
CI_ID_API int32_t cmath_shapeFixPtLine_distanceFrom(const cmath_shapeFixPtLine* line,
                                                    const cmath_vect32_4* p, int32_t* dist);
CI_ID_API int32_t cmath_shapeFixPtLine_distanceAlong(const cmath_shapeFixPtLine* line,
                                                     const cmath_vect32_4* p, int32_t* dist);

/* Empties stats and sets the scaling of the squares; a shift outside 3..31 returns
 * CID_STATUS_STATS_NOT_INITIALISED and leaves stats unusable (shift -1). */
CI_ID_API int32_t cmath_statisticsFixed_init(cmath_statisticsFixed* stats, int32_t shift);
/* Empties stats, keeping the shift. */
CI_ID_API int32_t cmath_statisticsFixed_clear(cmath_statisticsFixed* stats);
/* Adds one sample; stats is unchanged on failure. */
CI_ID_API int32_t cmath_statisticsFixed_add(cmath_statisticsFixed* stats, int32_t value);
/* sum / count, truncated. */
CI_ID_API int32_t cmath_statisticsFixed_getMean(const cmath_statisticsFixed* stats, int32_t* mean);
/* (sumSqScaled - ((sum * mean + half) >> shift)) / (count - 1), never below 0; 0 for a single
 * sample. */
CI_ID_API int32_t cmath_statisticsFixed_getVariance(const cmath_statisticsFixed* stats,
                                                    int32_t* var);
/* Integer square root of the variance. */
CI_ID_API int32_t cmath_statisticsFixed_getStdDev(const cmath_statisticsFixed* stats, int32_t* sd);

CI_ID_EXTERN_C_END

#endif
