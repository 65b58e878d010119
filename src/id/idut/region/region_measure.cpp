// Side vectors, lengths and angles, centre-line measurements and local directions of regions.
#include <cmath>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/priv/ci_idut/region/region_geometry.h"
#include "ci_id/priv/ci_idut/geometry/vect_ops.h"
#include "ci_id/region.h"

using namespace cidut;

namespace {

cmath_vect sideVector(const cid_region& r, regionAxis axis, int32_t atOrigin) {
    if (axis == regionAxis::x) return atOrigin ? r.Px - r.Po : r.Popp - r.Py;
    return atOrigin ? r.Py - r.Po : r.Popp - r.Px;
}

int32_t sideLength(const cid_region* r, regionAxis axis, int32_t atOrigin, double* length) {
    CSTD_ASSERT(r && length);
    cmath_vect v = sideVector(*r, axis, atOrigin);
    return cmath_vect_getLength(&v, length);
}

int32_t orderedLengths(const cid_region* r, regionAxis axis, double* shorter, double* longer) {
    CSTD_ASSERT(r && shorter && longer);
    double origin = 0.0, far = 0.0;
    int32_t status = sideLength(r, axis, 0, &far);
    if (status < 0) return status;
    status = sideLength(r, axis, 1, &origin);
    if (status < 0) return status;
    *shorter = origin > far ? far : origin;
    *longer = origin > far ? origin : far;
    return status;
}

// The vector along the axis on average: the side at the origin of an affine region, the centre
// segment of a quadrilateral.
int32_t averageVector(const cid_region& r, regionAxis axis, cmath_vect* v) {
    if (r.isAffine) {
        *v = sideVector(r, axis, 1);
        return 0;
    }
    cmath_vect seg[2];
    int32_t status = centreSegment(r, axis, nullptr, seg);
    if (status < 0) return status;
    *v = seg[1] - seg[0];
    return status;
}

int32_t averageLength(const cid_region* r, regionAxis axis, double* length) {
    CSTD_ASSERT(r && length);
    cmath_vect v;
    int32_t status = averageVector(*r, axis, &v);
    if (status < 0) return status;
    return cmath_vect_getLength(&v, length);
}

int32_t averageAngle(const cid_region* r, regionAxis axis, double* angle) {
    CSTD_ASSERT(r && angle);
    cmath_vect v;
    int32_t status = averageVector(*r, axis, &v);
    if (status < 0) return status;
    // atan2 of (-0, -0) would be -pi.
    *angle = v.x == 0.0 && v.y == 0.0 ? 0.0 : std::atan2(v.y, v.x);
    return status;
}

int32_t averageUnit(const cid_region* r, regionAxis axis, cmath_vect* dir) {
    CSTD_ASSERT(r && dir);
    cmath_vect v;
    int32_t status = averageVector(*r, axis, &v);
    if (status < 0) return status;
    status = cmath_vect_getUnit(&v, dir);
    if (status == CMATH_STATUS_ZERO_VECTOR) {
        *dir = axis == regionAxis::x ? cmath_vect{1.0, 0.0} : cmath_vect{0.0, 1.0};
        return 0;
    }
    return status;
}

// The perspective direction at p, turned to run the same way as the far side of the axis.
cmath_vect localDirection(const cid_region& r, regionAxis axis, const cmath_vect& p) {
    cmath_vect d = perspectiveDirection(r, axis, p);
    cmath_vect far = sideVector(r, axis, 0);
    return dot(d, far) > 0.0 ? d : -d;
}

int32_t angleAtPoint(const cid_region* r, regionAxis axis, const cmath_vect* p, double* angle) {
    CSTD_ASSERT(r && p && angle);
    if (r->isAffine) {
        cmath_vect v = sideVector(*r, axis, 1);
        cmath_vect_getDirection(&v, angle);
        return 0;
    }
    cmath_vect d = localDirection(*r, axis, *p);
    *angle = std::atan2(d.y, d.x);
    return 0;
}

int32_t directionAtPoint(const cid_region* r, regionAxis axis, const cmath_vect* p,
                         cmath_vect* dir) {
    CSTD_ASSERT(r && p && dir);
    cmath_vect d = r->isAffine ? sideVector(*r, axis, 1) : localDirection(*r, axis, *p);
    int32_t status = cmath_vect_getUnit(&d, dir);
    if (status == CMATH_STATUS_ZERO_VECTOR) {
        *dir = cmath_vect{0.0, 0.0};
        return 0;
    }
    return status;
}

int32_t centreSegmentOf(const cid_region* r, regionAxis axis, cmath_vect seg[2]) {
    CSTD_ASSERT(r && seg);
    return centreSegment(*r, axis, nullptr, seg);
}

int32_t foreshortening(const cid_region* r, regionAxis axis, double* ratio) {
    CSTD_ASSERT(r && ratio);
    if (r->isAffine) {
        *ratio = 1.0;
        return 0;
    }
    cmath_vect c = regionCentre(*r);
    cmath_vect seg[2];
    int32_t status = centreSegment(*r, axis, &c, seg);
    if (status < 0) return status;
    double a = 0.0, b = 0.0;
    cmath_vect toStart = seg[0] - c, toEnd = seg[1] - c;
    status = cmath_vect_getLength(&toStart, &a);
    if (status < 0) return status;
    status = cmath_vect_getLength(&toEnd, &b);
    if (status < 0) return status;
    // Two equal halves, zero ones included, show no perspective.
    *ratio = a == b ? 1.0 : (a > b ? b / a : a / b);
    return status;
}

}  // namespace

extern "C" {

int32_t cid_region_getXVect(const cid_region* r, int32_t atOrigin, cmath_vect* v) {
    CSTD_ASSERT(r && v);
    *v = sideVector(*r, regionAxis::x, atOrigin);
    return 0;
}

int32_t cid_region_getYVect(const cid_region* r, int32_t atOrigin, cmath_vect* v) {
    CSTD_ASSERT(r && v);
    *v = sideVector(*r, regionAxis::y, atOrigin);
    return 0;
}

int32_t cid_region_getXAngle(const cid_region* r, int32_t atOrigin, double* angle) {
    CSTD_ASSERT(r && angle);
    cmath_vect v = sideVector(*r, regionAxis::x, atOrigin);
    cmath_vect_getDirection(&v, angle);
    return 0;
}

int32_t cid_region_getYAngle(const cid_region* r, int32_t atOrigin, double* angle) {
    CSTD_ASSERT(r && angle);
    cmath_vect v = sideVector(*r, regionAxis::y, atOrigin);
    cmath_vect_getDirection(&v, angle);
    return 0;
}

int32_t cid_region_getXLength(const cid_region* r, int32_t atOrigin, double* length) {
    return sideLength(r, regionAxis::x, atOrigin, length);
}

int32_t cid_region_getYLength(const cid_region* r, int32_t atOrigin, double* length) {
    return sideLength(r, regionAxis::y, atOrigin, length);
}

int32_t cid_region_getXLengths(const cid_region* r, double* shorter, double* longer) {
    return orderedLengths(r, regionAxis::x, shorter, longer);
}

int32_t cid_region_getYLengths(const cid_region* r, double* shorter, double* longer) {
    return orderedLengths(r, regionAxis::y, shorter, longer);
}

int32_t cid_region_getAvXLength(const cid_region* r, double* length) {
    return averageLength(r, regionAxis::x, length);
}

int32_t cid_region_getAvYLength(const cid_region* r, double* length) {
    return averageLength(r, regionAxis::y, length);
}

int32_t cid_region_getAvXAngle(const cid_region* r, double* angle) {
    return averageAngle(r, regionAxis::x, angle);
}

int32_t cid_region_getAvYAngle(const cid_region* r, double* angle) {
    return averageAngle(r, regionAxis::y, angle);
}

int32_t cid_region_getAvXUnitDir(const cid_region* r, cmath_vect* dir) {
    return averageUnit(r, regionAxis::x, dir);
}

int32_t cid_region_getAvYUnitDir(const cid_region* r, cmath_vect* dir) {
    return averageUnit(r, regionAxis::y, dir);
}

int32_t cid_region_getXAngleAtPoint(const cid_region* r, const cmath_vect* p, double* angle) {
    return angleAtPoint(r, regionAxis::x, p, angle);
}

int32_t cid_region_getYAngleAtPoint(const cid_region* r, const cmath_vect* p, double* angle) {
    return angleAtPoint(r, regionAxis::y, p, angle);
}

int32_t cid_region_getXDirAtPoint(const cid_region* r, const cmath_vect* p, cmath_vect* dir) {
    return directionAtPoint(r, regionAxis::x, p, dir);
}

int32_t cid_region_getYDirAtPoint(const cid_region* r, const cmath_vect* p, cmath_vect* dir) {
    return directionAtPoint(r, regionAxis::y, p, dir);
}

int32_t cid_region_getCenter(const cid_region* r, cmath_vect* center) {
    CSTD_ASSERT(r && center);
    *center = regionCentre(*r);
    return 0;
}

int32_t cid_region_getXCenterSegment(const cid_region* r, cmath_vect seg[2]) {
    return centreSegmentOf(r, regionAxis::x, seg);
}

int32_t cid_region_getYCenterSegment(const cid_region* r, cmath_vect seg[2]) {
    return centreSegmentOf(r, regionAxis::y, seg);
}

int32_t cid_region_getCenterSegments(const cid_region* r, cmath_vect* center, cmath_vect xSeg[2],
                                     cmath_vect ySeg[2]) {
    CSTD_ASSERT(r && center && xSeg && ySeg);
    cmath_vect c = regionCentre(*r);
    cmath_vect xs[2], ys[2];
    int32_t status = centreSegment(*r, regionAxis::x, &c, xs);
    if (status < 0) return status;
    status = centreSegment(*r, regionAxis::y, &c, ys);
    if (status < 0) return status;
    *center = c;
    for (int i = 0; i < 2; ++i) {
        xSeg[i] = xs[i];
        ySeg[i] = ys[i];
    }
    return status;
}

int32_t cid_region_getXForshortening(const cid_region* r, double* ratio) {
    return foreshortening(r, regionAxis::x, ratio);
}

int32_t cid_region_getYForshortening(const cid_region* r, double* ratio) {
    return foreshortening(r, regionAxis::y, ratio);
}
}
