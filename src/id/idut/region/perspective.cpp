// Perspective checks of measured corners and the perspective mapping of an affine rectangle.
#include "ci_id/perspective.h"

#include "ci_id/line.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"

namespace {

constexpr double kMappingRequiredDistance = 2.0;
// The diagonals must cross at least this far (in pixels) from every corner.
constexpr double kConvexMargin = 1.0;

int32_t distanceFromAffineCorner(const cmath_shapeAffineRectPoints& rect, const cmath_vect& popp,
                                 double* distance) {
    cmath_vect affine;
    int32_t status = cmath_shapeAffineRectPoints_getPopp(&rect, &affine);
    if (status < 0) return status;
    return cmath_vect_getDistance(&affine, &popp, distance);
}

int32_t diagonalLine(const cmath_vect* a, const cmath_vect* b, cidut_line* line) {
    cidut_lineSeg seg;
    int32_t status = cidut_lineSeg_initP1P2(&seg, a, b);
    if (status < 0) return status;
    return cidut_lineSeg_getLine(&seg, line);
}

// Whether the crossing lies on the diagonal a-b with the margin to spare from both ends.
int32_t crossesInside(const cmath_vect& a, const cmath_vect& b, const cmath_vect& crossing,
                      bool* inside) {
    double length = 0.0, fromA = 0.0, fromB = 0.0;
    int32_t status = cmath_vect_getDistance(&a, &b, &length);
    if (status >= 0) status = cmath_vect_getDistance(&a, &crossing, &fromA);
    if (status >= 0) status = cmath_vect_getDistance(&b, &crossing, &fromB);
    *inside = fromA + kConvexMargin < length && fromB + kConvexMargin < length;
    return status;
}

bool outside(const cmath_vect& p, const cstd_rect32& image) {
    double x0 = image.x, y0 = image.y;
    double x1 = int64_t{image.x} + image.width - 1, y1 = int64_t{image.y} + image.height - 1;
    // Negated so that a corner that is not finite counts as outside.
    return !(p.x >= x0 && p.x <= x1 && p.y >= y0 && p.y <= y1);
}

}  // namespace

extern "C" {

int32_t cidut_isPerspectiveMappingRequired(const cmath_shapeAffineRectPoints* rect,
                                           const cmath_vect* popp, int32_t* required) {
    CSTD_ASSERT(rect && required);
    *required = 0;
    if (!popp) return 0;
    double distance = 0.0;
    int32_t status = distanceFromAffineCorner(*rect, *popp, &distance);
    if (status >= 0) *required = distance > kMappingRequiredDistance ? 1 : 0;
    return status;
}

int32_t cidut_isPerspectiveSevere(const cmath_shapeAffineRectPoints* rect, const cmath_vect* popp,
                                  double maxDistance, int32_t* severe) {
    CSTD_ASSERT(rect && popp && severe);
    *severe = 0;
    double distance = 0.0;
    int32_t status = distanceFromAffineCorner(*rect, *popp, &distance);
    if (status >= 0) *severe = distance > maxDistance ? 1 : 0;
    return status;
}

int32_t cidut_affine_mapPerspective(const cmath_shapeAffineRect* in, const cmath_xform* xform,
                                    cmath_shapeAffineRect* out) {
    CSTD_ASSERT(in && xform && out);
    cmath_vect pts[3];
    int32_t status = cmath_shapeAffineRect_getPoints(in, pts);
    for (int i = 0; status >= 0 && i < 3; ++i)
        status = cmath_xform_mapPoint(xform, &pts[i], &pts[i]);
    if (status < 0) return status;
    return cmath_shapeAffineRect_initPoints(out, pts);
}

int32_t cidut_perspectiveMapping_construct(const cmath_shapeAffineRectPoints* rect,
                                           const cmath_vect* popp, cmath_xformPerspective* forward,
                                           cmath_xformPerspective* inverse) {
    CSTD_ASSERT(rect && popp && forward && inverse);
    csys::cleanupScope<2> scope;
    cmath_vect affine;
    int32_t status = cmath_shapeAffineRectPoints_getPopp(rect, &affine);
    if (status < 0) return scope.close(status);
    const cmath_vect measured[4] = {rect->Po, rect->Px, rect->Py, *popp};
    const cmath_vect parallelogram[4] = {rect->Po, rect->Px, rect->Py, affine};
    status =
        cmath_xformPerspective_constructPointsAllowNonUnique(forward, parallelogram, measured, 4);
    if (status < 0) return scope.close(status);
    scope.output<cmath_xformPerspective_destruct>(forward);
    status = cmath_xformPerspective_construct(inverse);
    if (status < 0) return scope.close(status);
    scope.output<cmath_xformPerspective_destruct>(inverse);
    return scope.close(cmath_xformPerspective_getInverse(forward, inverse));
}

int32_t cidut_verifyConvexHull4Points(const cmath_vect* p0, const cmath_vect* p1,
                                      const cmath_vect* p2, const cmath_vect* p3,
                                      int32_t* isConvex) {
    CSTD_ASSERT(p0 && p1 && p2 && p3 && isConvex);
    *isConvex = 0;
    cidut_line first, second;
    int32_t status = diagonalLine(p0, p3, &first);
    if (status >= 0) status = diagonalLine(p1, p2, &second);
    cmath_vect crossing;
    if (status >= 0) status = cidut_line_getIntersection(&first, &second, &crossing);
    bool insideFirst = false, insideSecond = false;
    if (status >= 0) status = crossesInside(*p0, *p3, crossing, &insideFirst);
    if (status >= 0) status = crossesInside(*p1, *p2, crossing, &insideSecond);
    if (status >= 0) *isConvex = insideFirst && insideSecond ? 1 : 0;
    return status;
}

int32_t cidut_verifyValidBarcodeRgnCorners(const cmath_vect* p0, const cmath_vect* p1,
                                           const cmath_vect* p2, const cmath_vect* p3,
                                           const cstd_rect32* image, int32_t* code) {
    CSTD_ASSERT(p0 && p1 && p2 && p3 && image && code);
    *code = 0;
    int32_t result = 0;
    const cmath_vect* corners[4] = {p0, p1, p2, p3};
    for (int i = 0; i < 4; ++i) {
        if (outside(*corners[i], *image)) result |= 1 << i;
    }
    int32_t isConvex = 0;
    int32_t status = cidut_verifyConvexHull4Points(p0, p1, p2, p3, &isConvex);
    if (status < 0) return status;
    if (!isConvex) result |= CIDUT_CORNERS_NOT_CONVEX;
    *code = result;
    return status;
}
}
