/* Regions in fixed point, their geometry summaries with an overlap test, and spawning a region
 * towards a reference region.
 *
 * cid_fixedRegion holds the corners of a cid_region in 1/256 pixel relative to an origin chosen
 * at conversion, and isAffine (there are no tightness flags). Conversions to fixed point round
 * v * scale + 0.5 for v >= 0 and v * scale - 0.4999999999 for v < 0, then truncate towards zero.
 *
 * cidut_regionGeom summarises a region: its centre and the lengths of its average sides in 1/16
 * pixel, and the unit direction of its x side in Q15. A component of exactly +1.0 rounds to 32768,
 * which 16 bits store as -32768; stored summaries rely on that, and the overlap test uses only
 * absolute values of products, where the sign does not matter.
 *
 * Statuses: failures of the region and mathematics functions are passed on. Mend: a value that
 * does not fit its integer field (a corner more than 8388607 pixels from the origin, a coordinate
 * that is not finite, a vector, length, centre or scan beyond 32 bits) gives
 * CID_STATUS_OUT_OF_RANGE with the output untouched, where plain conversion would wrap or be
 * undefined. The overlap test works in 128-bit integers, so that no product of a summary's
 * values overflows.
 * Null pointers, numScans below 1 and summaries with negative lengths are preconditions. */
#ifndef CI_ID_FIXEDREGION_H
#define CI_ID_FIXEDREGION_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cmath_vect.h"
#include "ci_id/region.h"
#include "ci_id/vector.h"

typedef struct cid_fixedRegion {
    cmath_vect32 Po;
    cmath_vect32 Px;
    cmath_vect32 Py;
    cmath_vect32 Popp;
    int32_t isAffine;
} cid_fixedRegion;

typedef struct cidut_regionGeom {
    int32_t cx; /* centre, 1/16 pixel */
    int32_t cy;
    int32_t xLen; /* average side lengths, 1/16 pixel */
    int32_t yLen;
    int16_t ux; /* unit x direction, Q15 */
    int16_t uy;
} cidut_regionGeom;

CSTD_VECTOR_DECLARE(cid_fixedRegion, cid_fixedRegion)

CI_ID_EXTERN_C_BEGIN

/* The unit square in 1/256 pixel: Po (0, 0), Px (256, 0), Py (0, 256), Popp (256, 256), affine. */
CI_ID_API int32_t cid_fixedRegion_init(cid_fixedRegion* r);
/* Each corner of src (Popp included) as round((c - origin) * 256); isAffine copied. */
CI_ID_API int32_t cid_fixedRegion_initRegion(cid_fixedRegion* dst, const cid_region* src,
                                             double originX, double originY);
/* Corners c / 256 + origin, flags 1; an affine src gives a derived Popp (its stored one is not
 * read). */
CI_ID_API int32_t cid_region_initFixedRegion(cid_region* dst, const cid_fixedRegion* src,
                                             double originX, double originY);
/* (Po + Px + Py + Popp) >> 2 per coordinate (arithmetic shift, so rounding towards minus
 * infinity). */
CI_ID_API int32_t cid_fixedRegion_getAvPoint(const cid_fixedRegion* r, cmath_vect32* out);
/* Affine: Px - Po (Py - Po). Otherwise the vector between the midpoints of the y (x) sides, each
 * midpoint a sum halved by an arithmetic shift: ((Px + Popp) >> 1) - ((Po + Py) >> 1), respectively
 * ((Py + Popp) >> 1) - ((Po + Px) >> 1). */
CI_ID_API int32_t cid_fixedRegion_getBisectXVect(const cid_fixedRegion* r, cmath_vect32* out);
CI_ID_API int32_t cid_fixedRegion_getBisectYVect(const cid_fixedRegion* r, cmath_vect32* out);
/* Length of the bisector vector: |x| or |y| when the other is 0, else floor(sqrt(x^2 + y^2)). */
CI_ID_API int32_t cid_fixedRegion_getBisectXLength(const cid_fixedRegion* r, int32_t* length);
CI_ID_API int32_t cid_fixedRegion_getBisectYLength(const cid_fixedRegion* r, int32_t* length);
/* 1 when p (1/256 pixel) lies inside or on the border of the convex region, products of two
 * 1/256 values rounded back to 1/256 one by one. */
CI_ID_API int32_t cid_fixedRegion_getIsWithin(const cid_fixedRegion* r, const cmath_vect32* p,
                                              int32_t* isWithin);
/* numScans scan lines through the middles of equal strips parallel to side Po-Px: scan k runs
 * from Po + (2k + 1) dL to Px + (2k + 1) dR with dL = (Py - Po) / (2 numScans) and
 * dR = (Popp - Px) / (2 numScans) (division truncating towards zero). firstScan = (start x,
 * start y, end x, end y) of scan 0; step = (2 dL.x, 2 dL.y, 2 dR.x, 2 dR.y). */
CI_ID_API int32_t cid_fixedRegion_sampleScans(const cid_fixedRegion* r, int32_t numScans,
                                              int32_t firstScan[4], int32_t step[4]);

/* The summary of region: centre = midpoint of the diagonal Px-Py; x side = Px - Po (averaged
 * with Popp - Py for a quadrilateral), y side likewise. *isSmall (may be null) = 1 when a side
 * is under one pixel; the direction is then (0, 0). */
CI_ID_API int32_t cidut_calculateGeom(const cid_region* region, cidut_regionGeom* out,
                                      int32_t* isSmall);
/* *isOverlapped = 1 when the two summarised regions overlap by more than tolerance (1/16 pixel,
 * roughly: how far each may reach into the other) or their centres are within one pixel. Integer
 * arithmetic throughout. Precondition: neither summary has both half lengths zero. */
CI_ID_API int32_t cidut_evaluateRegionOverlapped(const cidut_regionGeom* a,
                                                 const cidut_regionGeom* b, uint32_t tolerance,
                                                 int32_t* isOverlapped);
/* A parallelogram that reaches along region's y sides to an x side of ref. region is first
 * flipped to run the same way as ref. Then, when ref's first x side (through ref.Po) lies farther
 * from region's first x side than ref's second x side from region's second (both distances of
 * the sides' midpoints, weighted by region's side lengths), the result keeps Po and Px and its Py
 * moves along the y side through Po onto ref's first x side (the corner where the y side through
 * Px meets that line is formed too, and its failure, parallel lines, is returned, although the
 * result is the parallelogram of Po, Px and the new Py); otherwise Po and Px move along
 * region's y sides onto ref's second x side and Py stays. *spawned = 1, and the flags of region
 * are copied, when the result's average lengths reach minXLength and minYLength; else its flags
 * are 1. */
CI_ID_API int32_t cid_spawnRegionInYDireciton(const cid_region* region, const cid_region* ref,
                                              double minXLength, double minYLength, cid_region* out,
                                              int32_t* spawned);

CI_ID_EXTERN_C_END

#endif
