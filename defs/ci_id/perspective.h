/* Perspective checks of four measured corners and the perspective mapping they define.
 *
 * A located symbol is given as the three points of an affine rectangle (Po, Px, Py), whose
 * parallelogram completion Px + Py - Po is the affine fourth corner, and the measured fourth
 * corner popp. The checks compare the two fourth corners; the mapping is the perspective
 * transform that carries the parallelogram's corners onto the measured quadrilateral.
 *
 * Statuses of the mathematics and line functions are passed on: CMATH_STATUS_SINGULAR when no
 * perspective transform fits the corners; CID_STATUS_DEGENERATE_SEGMENT (two corners of a
 * diagonal coincide) and CID_STATUS_PARALLEL_LINES (parallel diagonals) from the convexity test.
 * Null pointers are preconditions. */
#ifndef CI_ID_PERSPECTIVE_H
#define CI_ID_PERSPECTIVE_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cmath_perspective.h"
#include "ci_id/platform/cmath_shape.h"
#include "ci_id/platform/cmath_vect.h"
#include "ci_id/platform/cstd_rect32.h"

/* Bits of the corner validity code: corner i outside the image (1 << i, i = 0..3), and the four
 * corners not a convex quadrilateral. 0 means valid. */
#define CIDUT_CORNER_OUTSIDE_0 1
#define CIDUT_CORNER_OUTSIDE_1 2
#define CIDUT_CORNER_OUTSIDE_2 4
#define CIDUT_CORNER_OUTSIDE_3 8
#define CIDUT_CORNERS_NOT_CONVEX 16

CI_ID_EXTERN_C_BEGIN

/* *required = 1 when popp (may be null: 0) lies more than 2 pixels from the affine fourth
 * corner. */
CI_ID_API int32_t cidut_isPerspectiveMappingRequired(const cmath_shapeAffineRectPoints* rect,
                                                     const cmath_vect* popp, int32_t* required);
/* *severe = 1 when popp lies more than maxDistance from the affine fourth corner. */
CI_ID_API int32_t cidut_isPerspectiveSevere(const cmath_shapeAffineRectPoints* rect,
                                            const cmath_vect* popp, double maxDistance,
                                            int32_t* severe);
/* out = the affine rectangle of the images of in's three points (Po, Px, Py) under xform: affine
 * even when the transform is not. The three pointers are asserted although this call is documented
 * without assertions: a null one would otherwise be dereferenced. */
CI_ID_API int32_t cidut_affine_mapPerspective(const cmath_shapeAffineRect* in,
                                              const cmath_xform* xform, cmath_shapeAffineRect* out);
/* forward takes Po, Px, Py and the affine fourth corner to Po, Px, Py and popp; inverse is its
 * inverse. Both are constructed here and belong to the caller after success (release them with
 * cmath_xformPerspective_destruct); after a failure neither needs releasing. */
CI_ID_API int32_t cidut_perspectiveMapping_construct(const cmath_shapeAffineRectPoints* rect,
                                                     const cmath_vect* popp,
                                                     cmath_xformPerspective* forward,
                                                     cmath_xformPerspective* inverse);
/* *isConvex = 1 when the diagonals p0-p3 and p1-p2 (corners in the order Po, Px, Py, Popp) cross
 * at least one pixel away from every corner. */
CI_ID_API int32_t cidut_verifyConvexHull4Points(const cmath_vect* p0, const cmath_vect* p1,
                                                const cmath_vect* p2, const cmath_vect* p3,
                                                int32_t* isConvex);
/* *code = the corner validity bits: a corner outside the pixels of image (x from image.x to
 * image.x + image.width - 1, y likewise, inclusive), and CIDUT_CORNERS_NOT_CONVEX. A failing
 * convexity test leaves *code 0 and returns its status. */
CI_ID_API int32_t cidut_verifyValidBarcodeRgnCorners(const cmath_vect* p0, const cmath_vect* p1,
                                                     const cmath_vect* p2, const cmath_vect* p3,
                                                     const cstd_rect32* image, int32_t* code);

CI_ID_EXTERN_C_END

#endif
