/* Infinite directed lines and line segments in double precision.
 *
 * A cidut_line is a point on the line and its unit direction; every initialiser below leaves dir
 * of length 1 (or the whole record zero on failure), and projection and distance rely on that.
 * A cidut_lineSeg runs from p1 to p2; its line starts at p1 and points towards p2.
 * Angles are in radians, angle a meaning the direction (cos a, sin a). Signed distances are
 * (p - pos) x dir: positive on the side the normal (dir.y, -dir.x) points to.
 *
 * Statuses: CID_STATUS_PARALLEL_LINES (no single intersection), CID_STATUS_INVALID_GEOMETRY (a
 * direction shorter than 1e-5, a negative distance), CID_STATUS_DEGENERATE_SEGMENT (p1 == p2).
 * Null pointers are precondition violations (cstd_assert_). */
#ifndef CI_ID_LINE_H
#define CI_ID_LINE_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cmath_shape.h"
#include "ci_id/platform/cmath_vect.h"

CI_ID_EXTERN_C_BEGIN

typedef struct cidut_line {
    cmath_vect pos; /* a point on the line */
    cmath_vect dir; /* unit direction */
} cidut_line;

typedef struct cidut_lineSeg {
    cmath_vect p1;
    cmath_vect p2;
} cidut_lineSeg;

/* Direction (cos angle, sin angle) through pos. */
CI_ID_API int32_t cidut_line_initAngPos(cidut_line* line, double angle, const cmath_vect* pos);
/* Direction dir normalised, through pos. The line is all zero on failure. */
CI_ID_API int32_t cidut_line_initDirPos(cidut_line* line, const cmath_vect* dir,
                                        const cmath_vect* pos);
/* The line of direction angle whose points p satisfy p . (-sin angle, cos angle) = dist, so that
 * the signed distance of the origin is dist; pos is its crossing with the y axis, or with the x
 * axis for (nearly) vertical lines. dist >= 0; the line is all zero on failure. */
CI_ID_API int32_t cidut_line_initAngDis(cidut_line* line, double angle, double dist);
/* out is written only on success. */
CI_ID_API int32_t cidut_line_getIntersection(const cidut_line* a, const cidut_line* b,
                                             cmath_vect* out);
CI_ID_API int32_t cidut_line_projectPoint(const cidut_line* line, const cmath_vect* pt,
                                          cmath_vect* out);
CI_ID_API int32_t cidut_line_getDistToPoint(const cidut_line* line, const cmath_vect* pt,
                                            double* dist);

CI_ID_API int32_t cidut_lineSeg_initP1P2(cidut_lineSeg* seg, const cmath_vect* p1,
                                         const cmath_vect* p2);
/* line is written only on success. */
CI_ID_API int32_t cidut_lineSeg_getLine(const cidut_lineSeg* seg, cidut_line* line);
CI_ID_API int32_t cidut_lineSeg_getAngle(const cidut_lineSeg* seg, double* angle);
/* Signed distance to the segment's infinite line (not clamped to the end points). */
CI_ID_API int32_t cidut_lineSeg_getDistToPoint(const cidut_lineSeg* seg, const cmath_vect* pt,
                                               double* dist);
/* Intersection of the two segments' infinite lines, even outside the segments. Parallel means
 * |cross(p2 - p1 of a, p2 - p1 of b)| < 1e-12, so the test scales with the segment lengths. out
 * is written only on success. */
CI_ID_API int32_t cidut_lineSeg_getIntersection(const cidut_lineSeg* a, const cidut_lineSeg* b,
                                                cmath_vect* out);

/* cmath_shapeAffineRect_within, forwarded. */
CI_ID_API int32_t cf_affineRect_within(const cmath_shapeAffineRect* rect, const cmath_vect* point,
                                       int32_t* isWithin);

CI_ID_EXTERN_C_END

#endif
