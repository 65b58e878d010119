// Centre, perspective directions, centre segments and regions from two centre segments.
#include "ci_id/priv/ci_idut/region/region_geometry.h"

#include "ci_id/platform/csys_status.h"
#include "ci_id/priv/ci_idut/geometry/vect_ops.h"

using namespace cidut;

namespace {

constexpr double kParallelDiagonals = 1e-12;

// The corners that name the sides of an axis: along x the sides Po-A and B-Popp (A = Px,
// B = Py); along y the sides Po-A and B-Popp with A = Py, B = Px.
struct axisCorners {
    cmath_vect a, b;
};

axisCorners cornersOf(const cid_region& r, regionAxis axis) {
    return axis == regionAxis::x ? axisCorners{r.Px, r.Py} : axisCorners{r.Py, r.Px};
}

// The end of a centre line on one side, or the side's midpoint when the two are parallel.
int32_t endOnSide(const cmath_shapeLine& centreLine, const cmath_shapeLine& side,
                  const cmath_vect& sideMidpoint, cmath_vect* end) {
    int32_t status = cmath_shapeLine_intersection(&centreLine, &side, end);
    if (status == CMATH_STATUS_PARALLEL_LINES) {
        *end = sideMidpoint;
        return 0;
    }
    return status;
}

cmath_shapeLine lineThrough(const cmath_vect& point, const cmath_vect& dir) {
    return cmath_shapeLine{dir, point};
}

}  // namespace

namespace cidut {

cid_region regionOf(const cmath_vect& po, const cmath_vect& px, const cmath_vect& py,
                    const cmath_vect* popp) {
    cid_region r;
    r.Po = po;
    r.Px = px;
    r.Py = py;
    r.Popp = popp ? *popp : px + (py - po);
    for (int32_t& flag : r.tightness) flag = 1;
    r.isAffine = popp ? 0 : 1;
    return r;
}

void copyFlags(cid_region& dst, const cid_region& src) {
    for (int i = 0; i < 4; ++i) dst.tightness[i] = src.tightness[i];
}

cmath_vect regionCentre(const cid_region& r) {
    cmath_vect middle = midpoint(r.Po, r.Popp);
    if (r.isAffine) return middle;
    cmath_vect e = r.Py - r.Px;
    cmath_vect f = r.Popp - r.Po;
    double det = cross(f, e);
    if (cmath_double_epsilonEqual(det, 0.0, kParallelDiagonals)) return middle;
    double t = cross(e, r.Po - r.Px) / det;
    return r.Po + t * f;
}

cmath_vect perspectiveDirection(const cid_region& r, regionAxis axis, const cmath_vect& p) {
    axisCorners c = cornersOf(r, axis);
    cmath_vect u = r.Popp - c.b;
    double k1 = cross(u, c.b - c.a);
    double k2 = cross(u, r.Po - c.b);
    // k1 Po + k2 A + k3 p with k3 = -(k1 + k2): written relative to p, which keeps the
    // cancellation of the three weights out of the large coordinates.
    return k1 * (r.Po - p) + k2 * (c.a - p);
}

void sideMidpoints(const cid_region& r, regionAxis axis, cmath_vect seg[2]) {
    axisCorners c = cornersOf(r, axis);
    seg[0] = midpoint(r.Po, c.b);
    seg[1] = midpoint(c.a, r.Popp);
}

int32_t centreSegment(const cid_region& r, regionAxis axis, const cmath_vect* centre,
                      cmath_vect seg[2]) {
    if (r.isAffine) {
        sideMidpoints(r, axis, seg);
        return 0;
    }
    axisCorners c = cornersOf(r, axis);
    cmath_vect through = centre ? *centre : regionCentre(r);
    cmath_shapeLine centreLine = lineThrough(through, perspectiveDirection(r, axis, through));
    cmath_vect ends[2];
    int32_t status =
        endOnSide(centreLine, lineThrough(r.Po, c.b - r.Po), midpoint(r.Po, c.b), &ends[0]);
    if (status < 0) return status;
    status = endOnSide(centreLine, lineThrough(c.a, r.Popp - c.a), midpoint(c.a, r.Popp), &ends[1]);
    if (status < 0) return status;
    seg[0] = ends[0];
    seg[1] = ends[1];
    return status;
}

int32_t regionFromSegments(cid_region* dst, const cmath_vect* xs, const cmath_vect* ys,
                           const cid_region& src, const cid_region& ref) {
    if (ref.isAffine) {
        cmath_vect ownX[2], ownY[2];
        sideMidpoints(src, regionAxis::x, ownX);
        sideMidpoints(src, regionAxis::y, ownY);
        const cmath_vect* x = xs ? xs : ownX;
        const cmath_vect* y = ys ? ys : ownY;
        cmath_vect half = 0.5 * (y[1] - y[0]);
        cid_region out = regionOf(x[0] - half, x[1] - half, x[0] + half, nullptr);
        copyFlags(out, src);
        *dst = out;
        return 0;
    }
    cmath_shapeLine ySides[2] = {lineThrough(src.Po, src.Py - src.Po),
                                 lineThrough(src.Px, src.Popp - src.Px)};
    cmath_shapeLine xSides[2] = {lineThrough(src.Po, src.Px - src.Po),
                                 lineThrough(src.Py, src.Popp - src.Py)};
    for (int i = 0; i < 2; ++i) {
        if (xs) ySides[i] = lineThrough(xs[i], perspectiveDirection(ref, regionAxis::y, xs[i]));
        if (ys) xSides[i] = lineThrough(ys[i], perspectiveDirection(ref, regionAxis::x, ys[i]));
    }
    cid_region out;
    int32_t status = cid_region_initLines(&out, ySides, xSides);
    if (status < 0) return status;
    copyFlags(out, src);
    *dst = out;
    return status;
}

}  // namespace cidut
