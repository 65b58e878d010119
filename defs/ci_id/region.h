/* Four-cornered symbol regions: construction and measurement.
 *
 * A region is a parallelogram or a general quadrilateral, the image of a rectangle under a
 * perspective view. Its corners are Po (origin), Px (reached from Po along the x side), Py
 * (reached from Po along the y side) and Popp (opposite Po):
 *
 *        Po ---- x side ---- Px         x sides: Po-Px and Py-Popp
 *        |                    |         y sides: Po-Py and Px-Popp
 *      y side              y side       perimeter order: Po, Px, Popp, Py
 *        |                    |
 *        Py ---- x side ---- Popp
 *
 * isAffine is set only by the initialisers that derive Popp = Px + Py - Po themselves; a region
 * built from four corners has isAffine 0 even when they form a parallelogram. Every measurement
 * takes the parallelogram formula when isAffine is set and the perspective-correct one otherwise.
 *
 * Perspective geometry. The perspective direction through a point p along the x sides is the
 * direction from p towards the point where the two x sides meet (parallel to them when they are
 * parallel); likewise along y. The centre is where the diagonals cross (the midpoint of Po-Popp
 * when they are parallel). The x centre segment is the line through the centre in the
 * perspective direction along x, cut by the two y sides; the y centre segment likewise, cut by the
 * two x sides. For a parallelogram they join the midpoints of opposite sides. An end whose side
 * is parallel to the centre line falls back to that side's midpoint.
 *
 * tightness: four flags kept with the region and carried through its transformations; the
 * initialisers from points set all four to 1. In perimeter order they are tightness[0] (with Po,
 * side Po-Px), tightness[2] (with Px, side Px-Popp), tightness[3] (with Popp, side Popp-Py) and
 * tightness[1] (with Py, side Py-Po).
 *
 * Statuses: failures of the mathematics library are passed on (CMATH_STATUS_PARALLEL_LINES from
 * cid_region_initLines, CMATH_STATUS_POINT_AT_INFINITY from a perspective map);
 * CID_STATUS_INVALID_GEOMETRY when growth by a non-zero distance meets a centre segment of zero
 * length (a region collapsed onto a line or a point has no direction to grow in; such regions
 * come from measured data as easily as from a caller's mistake, so they get a status rather than
 * a precondition report, which by default ends the process; growth by a distance of 0 needs no
 * direction and leaves such a segment as it is);
 * CID_STATUS_OUT_OF_RANGE when an enclosing rectangle of whole pixels does not fit in 32 bits or
 * a corner is not finite. Corners that are NaN or infinite never crash or hang: measurements then
 * give NaN, the degeneracy test reports 1 and containment 0. Null pointers are preconditions.
 * Outputs are written only on success, except the 0/1 result flags, which are 0 after a failure;
 * every destination may be the source record. */
#ifndef CI_ID_REGION_H
#define CI_ID_REGION_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cmath_line.h"
#include "ci_id/platform/cmath_perspective.h"
#include "ci_id/platform/cmath_shape.h"
#include "ci_id/platform/cmath_vect.h"
#include "ci_id/platform/cmath_xform.h"
#include "ci_id/platform/cstd_rect32.h"
#include "ci_id/vector.h"

typedef struct cid_region {
    cmath_vect Po;
    cmath_vect Px;
    cmath_vect Py;
    cmath_vect Popp;
    int32_t tightness[4];
    int32_t isAffine;
} cid_region;

/* Regions; a new element is the default region of cid_region_init. */
CSTD_VECTOR_DECLARE(cid_region, cid_region)

CI_ID_EXTERN_C_BEGIN

/* ---- Building from points, rectangles and lines ---- */

/* The unit square Po (0, 0), Px (1, 0), Py (0, 1), Popp (1, 1), flags 1, isAffine 1. */
CI_ID_API int32_t cid_region_init(cid_region* r);
/* All flags 1. popp null: Popp = Px + Py - Po and isAffine 1; else Popp = *popp, isAffine 0. */
CI_ID_API int32_t cid_region_initPoPxPyPopp(cid_region* r, const cmath_vect* po,
                                            const cmath_vect* px, const cmath_vect* py,
                                            const cmath_vect* popp);
/* pts = Po, Px, Py; popp as in cid_region_initPoPxPyPopp. */
CI_ID_API int32_t cid_region_initAffineRectPoints(cid_region* r, const cmath_vect pts[3],
                                                  const cmath_vect* popp);
CI_ID_API int32_t cid_region_initAffineRect(cid_region* r, const cmath_shapeAffineRect* rect,
                                            const cmath_vect* popp);
CI_ID_API int32_t cid_region_initAffineRectCenter(cid_region* r,
                                                  const cmath_shapeAffineRectCenter* center,
                                                  const cmath_vect* popp);
/* Four corners, isAffine 0, flags 1. perimeterOrder non-zero: pts = Po, Px, Popp, Py; zero:
 * pts = Po, Px, Py, Popp. */
CI_ID_API int32_t cid_region_initVectPoints(cid_region* r, const cmath_vect pts[4],
                                            int32_t perimeterOrder);
CI_ID_API int32_t cid_region_initPoints(cid_region* r, const cmath_point pts[4],
                                        int32_t perimeterOrder);
/* The inverses of the two above. */
CI_ID_API int32_t cid_region_getVectPoints(const cid_region* r, cmath_vect pts[4],
                                           int32_t perimeterOrder);
CI_ID_API int32_t cid_region_getPoints(const cid_region* r, cmath_point pts[4],
                                       int32_t perimeterOrder);
/* Po = ySides[0] x xSides[0], Px = ySides[1] x xSides[0], Py = ySides[0] x xSides[1],
 * Popp = ySides[1] x xSides[1] (crossings); isAffine 0, flags 1. */
CI_ID_API int32_t cid_region_initLines(cid_region* r, const cmath_shapeLine ySides[2],
                                       const cmath_shapeLine xSides[2]);
/* ySides = (Py - Po through Po, Popp - Px through Px); xSides = (Px - Po through Po,
 * Popp - Py through Py). */
CI_ID_API int32_t cid_region_getLines(const cid_region* r, cmath_shapeLine ySides[2],
                                      cmath_shapeLine xSides[2]);
/* The affine rectangle Po, Px, Py and the fourth corner Popp. */
CI_ID_API int32_t cid_region_getAffineRectAndPopp(const cid_region* r, cmath_shapeAffineRect* rect,
                                                  cmath_vect* popp);
/* The affine rectangle of the region, or of cid_region_initMakeAffine of a quadrilateral. */
CI_ID_API int32_t cid_region_getAffineRect(const cid_region* r, cmath_shapeAffineRect* rect);
CI_ID_API int32_t cid_region_copyTightness(cid_region* dst, const cid_region* src);

/* ---- Building from another region ---- */

/* Corners exchanged along x (Po <-> Px, Py <-> Popp) or y (Po <-> Py, Px <-> Popp); isAffine and
 * the flags are kept as they are. */
CI_ID_API int32_t cid_region_initFlipX(cid_region* dst, const cid_region* src);
CI_ID_API int32_t cid_region_initFlipY(cid_region* dst, const cid_region* src);
/* Every corner mapped; isAffine and flags kept (isAffine 0 after a perspective map). */
CI_ID_API int32_t cid_region_initMap(cid_region* dst, const cmath_xformLinear* xform,
                                     const cid_region* src);
CI_ID_API int32_t cid_region_initMapPersp(cid_region* dst, const cmath_xformPerspective* xform,
                                          const cid_region* src);
CI_ID_API int32_t cid_region_initShift(cid_region* dst, const cmath_vect* shift,
                                       const cid_region* src);
/* The corners renumbered by quarterTurns (0 or more) steps along the perimeter: one step makes
 * Po = old Px, Px = old Popp, Py = old Po, Popp = old Py; the flags travel with their corners. An
 * affine region stays affine (Popp derived again). */
CI_ID_API int32_t cid_region_initRotatePoints(cid_region* dst, int32_t quarterTurns,
                                              const cid_region* src);
/* The parallelogram that stands for src: spanned by its centre segments around its centre (an
 * affine src is copied). */
CI_ID_API int32_t cid_region_initMakeAffine(cid_region* dst, const cid_region* src);
/* src given the perspective of ref (copied when ref is affine): with useX, dst's y sides pass
 * through the ends of src's x centre segment, pointing at ref's vanishing point of the y sides;
 * with useY, its x sides likewise; a side pair not asked for keeps src's own side lines. */
CI_ID_API int32_t cid_region_initChangePersp(cid_region* dst, const cid_region* src,
                                             const cid_region* ref, int32_t useX, int32_t useY);
/* Grows the centre segments at both ends: each end moves by (scale - 1) / 2 times the segment's
 * length plus grow pixels (scale and grow as (x, y); either may be null), then the sides are
 * rebuilt through the new ends with src's perspective (as a parallelogram when src is affine or
 * two new sides come out parallel). */
CI_ID_API int32_t cid_region_initDilate(cid_region* dst, const cmath_vect* scale,
                                        const cmath_vect* grow, const cid_region* src);
/* Growth along x only. A quadrilateral whose four flags are all 0 moves its y sides directly
 * (scale 0 then means no relative growth); any other region goes through cid_region_initDilate
 * with (scale, 1) and (grow, 0), where a scale of 0 collapses the x extent. */
CI_ID_API int32_t cid_region_initDilateX(cid_region* dst, double scale, double grow,
                                         const cid_region* src);
/* Growth along one axis (x when alongX), at the start and/or end of its centre segment. */
CI_ID_API int32_t cid_region_initDilateDim(cid_region* dst, int32_t alongX, int32_t atStart,
                                           int32_t atEnd, const double* scale, const double* grow,
                                           const cid_region* src);

/* ---- Measurements ---- */

/* Side vectors: x with atOrigin Px - Po, else Popp - Py; y with atOrigin Py - Po, else
 * Popp - Px. Angles in radians from atan2, lengths Euclidean. */
CI_ID_API int32_t cid_region_getXVect(const cid_region* r, int32_t atOrigin, cmath_vect* v);
CI_ID_API int32_t cid_region_getYVect(const cid_region* r, int32_t atOrigin, cmath_vect* v);
CI_ID_API int32_t cid_region_getXAngle(const cid_region* r, int32_t atOrigin, double* angle);
CI_ID_API int32_t cid_region_getYAngle(const cid_region* r, int32_t atOrigin, double* angle);
CI_ID_API int32_t cid_region_getXLength(const cid_region* r, int32_t atOrigin, double* length);
CI_ID_API int32_t cid_region_getYLength(const cid_region* r, int32_t atOrigin, double* length);
/* The lengths of both x (y) sides, shorter first. */
CI_ID_API int32_t cid_region_getXLengths(const cid_region* r, double* shorter, double* longer);
CI_ID_API int32_t cid_region_getYLengths(const cid_region* r, double* shorter, double* longer);
/* Along the centre segment (affine: the side at the origin): its length, its angle (0 for a zero
 * vector) and its unit direction ((1, 0), respectively (0, 1), for a zero vector). */
CI_ID_API int32_t cid_region_getAvXLength(const cid_region* r, double* length);
CI_ID_API int32_t cid_region_getAvYLength(const cid_region* r, double* length);
CI_ID_API int32_t cid_region_getAvXAngle(const cid_region* r, double* angle);
CI_ID_API int32_t cid_region_getAvYAngle(const cid_region* r, double* angle);
CI_ID_API int32_t cid_region_getAvXUnitDir(const cid_region* r, cmath_vect* dir);
CI_ID_API int32_t cid_region_getAvYUnitDir(const cid_region* r, cmath_vect* dir);
/* The local x (y) direction at p: the perspective direction, turned to run the same way as the
 * sides (affine: the side at the origin). The unit direction is (0, 0) for a zero vector. The
 * direction functions assert their pointers although they are documented without assertions: a
 * null region, point or output would otherwise be dereferenced. */
CI_ID_API int32_t cid_region_getXAngleAtPoint(const cid_region* r, const cmath_vect* p,
                                              double* angle);
CI_ID_API int32_t cid_region_getYAngleAtPoint(const cid_region* r, const cmath_vect* p,
                                              double* angle);
CI_ID_API int32_t cid_region_getXDirAtPoint(const cid_region* r, const cmath_vect* p,
                                            cmath_vect* dir);
CI_ID_API int32_t cid_region_getYDirAtPoint(const cid_region* r, const cmath_vect* p,
                                            cmath_vect* dir);
CI_ID_API int32_t cid_region_getCenter(const cid_region* r, cmath_vect* center);
/* The x centre segment runs from side Po-Py to side Px-Popp, the y centre segment from side
 * Po-Px to side Py-Popp, both through the centre. */
CI_ID_API int32_t cid_region_getXCenterSegment(const cid_region* r, cmath_vect seg[2]);
CI_ID_API int32_t cid_region_getYCenterSegment(const cid_region* r, cmath_vect seg[2]);
CI_ID_API int32_t cid_region_getCenterSegments(const cid_region* r, cmath_vect* center,
                                               cmath_vect xSeg[2], cmath_vect ySeg[2]);
/* How unequal the two halves of the x (y) centre segment are, at most 1: the shorter half over
 * the longer, 1 for an affine region and for two equal halves. Mend: two zero halves (a centre
 * line of no length) give 1.0 instead of the 0 / 0 of the shorter-over-longer formula, a NaN
 * that every comparison downstream would take as false. The pointers are asserted, for the same
 * reason as the direction functions above. */
CI_ID_API int32_t cid_region_getXForshortening(const cid_region* r, double* ratio);
CI_ID_API int32_t cid_region_getYForshortening(const cid_region* r, double* ratio);
/* 1 when a corner is nearly straight (squared sine of its angle below 0.003, about 3.1 degrees),
 * two corners coincide, the quadrilateral is not convex (its turns change sign) or a corner is not
 * finite. A parallelogram tests its first two corners only. */
CI_ID_API int32_t cid_region_getIsDegenerate(const cid_region* r, int32_t* isDegenerate);
/* 1 when p lies inside the region. Points on the first edge (Py to Po) are outside, points on
 * the others inside only when the perimeter runs with positive cross products; a region collapsed
 * onto a point or with a corner that is not finite contains nothing. */
CI_ID_API int32_t cid_region_within(const cid_region* r, const cmath_vect* p, int32_t* isWithin);
/* The axis-aligned rectangle of the corners (after xform, which may be null). */
CI_ID_API int32_t cid_region_getEncloseRect(const cid_region* r, const cmath_xformLinear* xform,
                                            cmath_rect* out);
/* In whole pixels from the floating rectangle r of cid_region_getEncloseRect: x = floor(r.x),
 * width = ceil(r.x + r.width) - x, likewise in y. Mend: corners whose rectangle leaves the
 * 32-bit range, or that are not numbers, give CID_STATUS_OUT_OF_RANGE instead of an undefined
 * conversion. */
CI_ID_API int32_t cid_region_getEncloseImageRect(const cid_region* r,
                                                 const cmath_xformLinear* xform, cstd_rect32* out);
/* 1 when that whole-pixel rectangle lies inside image, as cstd_rect32_containsRect answers (a
 * rectangle of no width or height lies inside any image). */
CI_ID_API int32_t cid_region_isWithinImageRect(const cid_region* r, const cmath_xformLinear* xform,
                                               const cstd_rect32* image, int32_t* isWithin);

CI_ID_EXTERN_C_END

#endif
