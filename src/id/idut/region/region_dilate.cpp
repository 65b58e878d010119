// Growing regions along their centre segments.
#include <cmath>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/priv/ci_idut/region/region_geometry.h"
#include "ci_id/priv/ci_idut/geometry/vect_ops.h"
#include "ci_id/region.h"
#include "ci_id/status.h"

using namespace cidut;

namespace {

// The displacement of a segment end for growth by a distance along v. A segment without length
// has no direction to grow in, which only matters when there is something to grow.
int32_t absoluteGrowth(const cmath_vect& v, double distance, cmath_vect* e) {
    if (distance == 0.0) {
        *e = cmath_vect{0.0, 0.0};
        return 0;
    }
    double length = 0.0;
    int32_t status = cmath_vect_getLength(&v, &length);
    if (status < 0) return status;
    if (!(length > 0.0) || !std::isfinite(length)) return CID_STATUS_INVALID_GEOMETRY;
    *e = (distance / length) * v;
    return 0;
}

cmath_vect relativeGrowth(const cmath_vect& v, double factor) { return ((factor - 1.0) / 2.0) * v; }

// The segment with both ends moved outwards by relative, then absolute, growth of its initial
// vector.
int32_t growBothEnds(cmath_vect seg[2], const double* factor, const double* distance) {
    cmath_vect v = seg[1] - seg[0];
    cmath_vect e{0.0, 0.0};
    if (factor) e = relativeGrowth(v, *factor);
    if (distance) {
        cmath_vect a;
        int32_t status = absoluteGrowth(v, *distance, &a);
        if (status < 0) return status;
        e = e + a;
    }
    seg[0] = seg[0] - e;
    seg[1] = seg[1] + e;
    return 0;
}

int32_t segmentsOf(const cid_region& r, cmath_vect xs[2], cmath_vect ys[2]) {
    if (r.isAffine) {
        sideMidpoints(r, regionAxis::x, xs);
        sideMidpoints(r, regionAxis::y, ys);
        return 0;
    }
    cmath_vect centre;
    return cid_region_getCenterSegments(&r, &centre, xs, ys);
}

cmath_shapeLine lineThrough(const cmath_vect& point, const cmath_vect& dir) {
    return cmath_shapeLine{dir, point};
}

// Parallelogram spanned by xs and the length and direction of ys, centred on xs.
cid_region parallelogramOf(const cmath_vect xs[2], const cmath_vect ys[2], const cid_region& src) {
    cmath_vect half = 0.5 * (ys[1] - ys[0]);
    cid_region out = regionOf(xs[0] - half, xs[1] - half, xs[0] + half, nullptr);
    copyFlags(out, src);
    return out;
}

bool allFlagsClear(const cid_region& r) {
    return r.tightness[0] == 0 && r.tightness[1] == 0 && r.tightness[2] == 0 && r.tightness[3] == 0;
}

int32_t dilateYSidesDirectly(cid_region* dst, double scale, double grow, const cid_region& src) {
    cmath_vect v = midpoint(src.Px, src.Popp) - midpoint(src.Po, src.Py);
    cmath_vect shift{0.0, 0.0};
    int32_t status = absoluteGrowth(v, grow, &shift);
    if (status < 0) return status;
    if (scale != 0.0) shift = shift + relativeGrowth(v, scale);
    cid_region out = src;
    out.Po = src.Po - shift;
    out.Py = src.Py - shift;
    out.Px = src.Px + shift;
    out.Popp = src.Popp + shift;
    out.isAffine = 0;
    *dst = out;
    return 0;
}

}  // namespace

extern "C" {

int32_t cid_region_initDilate(cid_region* dst, const cmath_vect* scale, const cmath_vect* grow,
                              const cid_region* src) {
    CSTD_ASSERT(dst && src);
    cmath_vect xs[2], ys[2];
    int32_t status = segmentsOf(*src, xs, ys);
    if (status < 0) return status;
    status = growBothEnds(xs, scale ? &scale->x : nullptr, grow ? &grow->x : nullptr);
    if (status < 0) return status;
    status = growBothEnds(ys, scale ? &scale->y : nullptr, grow ? &grow->y : nullptr);
    if (status < 0) return status;
    if (!src->isAffine) {
        cmath_shapeLine ySides[2] = {
            lineThrough(xs[0], perspectiveDirection(*src, regionAxis::y, xs[0])),
            lineThrough(xs[1], perspectiveDirection(*src, regionAxis::y, xs[1]))};
        cmath_shapeLine xSides[2] = {
            lineThrough(ys[0], perspectiveDirection(*src, regionAxis::x, ys[0])),
            lineThrough(ys[1], perspectiveDirection(*src, regionAxis::x, ys[1]))};
        cid_region out;
        status = cid_region_initLines(&out, ySides, xSides);
        if (status >= 0) {
            copyFlags(out, *src);
            *dst = out;
            return status;
        }
        if (status != CMATH_STATUS_PARALLEL_LINES) return status;
    }
    *dst = parallelogramOf(xs, ys, *src);
    return 0;
}

int32_t cid_region_initDilateX(cid_region* dst, double scale, double grow, const cid_region* src) {
    CSTD_ASSERT(dst && src);
    if (!src->isAffine && allFlagsClear(*src)) return dilateYSidesDirectly(dst, scale, grow, *src);
    const cmath_vect scales{scale, 1.0};
    const cmath_vect grows{grow, 0.0};
    return cid_region_initDilate(dst, &scales, &grows, src);
}

int32_t cid_region_initDilateDim(cid_region* dst, int32_t alongX, int32_t atStart, int32_t atEnd,
                                 const double* scale, const double* grow, const cid_region* src) {
    CSTD_ASSERT(dst && src);
    cmath_vect seg[2];
    int32_t status = 0;
    if (src->isAffine) {
        sideMidpoints(*src, alongX ? regionAxis::x : regionAxis::y, seg);
    } else {
        status = alongX ? cid_region_getXCenterSegment(src, seg)
                        : cid_region_getYCenterSegment(src, seg);
    }
    if (status < 0) return status;
    cmath_vect v = seg[1] - seg[0];
    cmath_vect moves[2] = {{0.0, 0.0}, {0.0, 0.0}};
    if (scale) moves[0] = relativeGrowth(v, *scale);
    if (grow) status = absoluteGrowth(v, *grow, &moves[1]);
    if (status < 0) return status;
    for (const cmath_vect& e : moves) {
        if (atStart) seg[0] = seg[0] - e;
        if (atEnd) seg[1] = seg[1] + e;
    }
    return regionFromSegments(dst, alongX ? seg : nullptr, alongX ? nullptr : seg, *src, *src);
}
}
