// Regions built from points, rectangles, lines and other regions.
#include <initializer_list>

#include "ci_id/region.h"

#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/region/region_geometry.h"
#include "ci_id/priv/ci_idut/containers/typed_vector.h"
#include "ci_id/priv/ci_idut/geometry/vect_ops.h"

using namespace cidut;

namespace {

int32_t constructRegion(void* element) {
    return cid_region_init(static_cast<cid_region*>(element));
}

constexpr cstd_vector_elementOps kRegionOps = {constructRegion, nullptr, nullptr, nullptr};

// Corner order of the point arrays: field order Po, Px, Py, Popp, or perimeter order Po, Px,
// Popp, Py.
template <typename Point>
cid_region fromArray(const Point pts[4], int32_t perimeterOrder) {
    auto v = [](const Point& p) { return cmath_vect{p.x, p.y}; };
    cmath_vect py = v(pts[perimeterOrder ? 3 : 2]);
    cmath_vect popp = v(pts[perimeterOrder ? 2 : 3]);
    return regionOf(v(pts[0]), v(pts[1]), py, &popp);
}

template <typename Point>
void toArray(const cid_region& r, Point pts[4], int32_t perimeterOrder) {
    auto p = [](const cmath_vect& v) { return Point{v.x, v.y}; };
    pts[0] = p(r.Po);
    pts[1] = p(r.Px);
    pts[perimeterOrder ? 3 : 2] = p(r.Py);
    pts[perimeterOrder ? 2 : 3] = p(r.Popp);
}

template <typename Xform>
int32_t mapRegion(cid_region* dst, const Xform* xform, const cid_region* src,
                  int32_t (*mapPoint)(const Xform*, const cmath_vect*, cmath_vect*)) {
    CSTD_ASSERT(dst && xform && src);
    cid_region out = *src;
    for (cmath_vect* corner : {&out.Po, &out.Px, &out.Py, &out.Popp}) {
        int32_t status = mapPoint(xform, corner, corner);
        if (status < 0) return status;
    }
    *dst = out;
    return 0;
}

}  // namespace

CSTD_VECTOR_DEFINE(cid_region, cid_region, &kRegionOps)

extern "C" {

int32_t cid_region_init(cid_region* r) {
    CSTD_ASSERT(r);
    *r = regionOf({0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}, nullptr);
    return 0;
}

int32_t cid_region_initPoPxPyPopp(cid_region* r, const cmath_vect* po, const cmath_vect* px,
                                  const cmath_vect* py, const cmath_vect* popp) {
    CSTD_ASSERT(r && po && px && py);
    *r = regionOf(*po, *px, *py, popp);
    return 0;
}

int32_t cid_region_initAffineRectPoints(cid_region* r, const cmath_vect pts[3],
                                        const cmath_vect* popp) {
    CSTD_ASSERT(r && pts);
    return cid_region_initPoPxPyPopp(r, &pts[0], &pts[1], &pts[2], popp);
}

int32_t cid_region_initAffineRect(cid_region* r, const cmath_shapeAffineRect* rect,
                                  const cmath_vect* popp) {
    CSTD_ASSERT(r && rect);
    cmath_vect pts[3];
    int32_t status = cmath_shapeAffineRect_getPoints(rect, pts);
    if (status < 0) return status;
    return cid_region_initAffineRectPoints(r, pts, popp);
}

int32_t cid_region_initAffineRectCenter(cid_region* r, const cmath_shapeAffineRectCenter* center,
                                        const cmath_vect* popp) {
    CSTD_ASSERT(r && center);
    cmath_shapeAffineRect rect;
    int32_t status = cmath_shapeAffineRect_initCenter(&rect, center);
    if (status < 0) return status;
    return cid_region_initAffineRect(r, &rect, popp);
}

int32_t cid_region_initVectPoints(cid_region* r, const cmath_vect pts[4], int32_t perimeterOrder) {
    CSTD_ASSERT(r && pts);
    *r = fromArray(pts, perimeterOrder);
    return 0;
}

int32_t cid_region_initPoints(cid_region* r, const cmath_point pts[4], int32_t perimeterOrder) {
    CSTD_ASSERT(r && pts);
    *r = fromArray(pts, perimeterOrder);
    return 0;
}

int32_t cid_region_getVectPoints(const cid_region* r, cmath_vect pts[4], int32_t perimeterOrder) {
    CSTD_ASSERT(r && pts);
    toArray(*r, pts, perimeterOrder);
    return 0;
}

int32_t cid_region_getPoints(const cid_region* r, cmath_point pts[4], int32_t perimeterOrder) {
    CSTD_ASSERT(r && pts);
    toArray(*r, pts, perimeterOrder);
    return 0;
}

int32_t cid_region_initLines(cid_region* r, const cmath_shapeLine ySides[2],
                             const cmath_shapeLine xSides[2]) {
    CSTD_ASSERT(r && ySides && xSides);
    cmath_vect corners[4];
    const cmath_shapeLine* pairs[4][2] = {{&ySides[0], &xSides[0]},
                                          {&ySides[1], &xSides[0]},
                                          {&ySides[0], &xSides[1]},
                                          {&ySides[1], &xSides[1]}};
    for (int i = 0; i < 4; ++i) {
        int32_t status = cmath_shapeLine_intersection(pairs[i][0], pairs[i][1], &corners[i]);
        if (status < 0) return status;
    }
    *r = regionOf(corners[0], corners[1], corners[2], &corners[3]);
    return 0;
}

int32_t cid_region_getLines(const cid_region* r, cmath_shapeLine ySides[2],
                            cmath_shapeLine xSides[2]) {
    CSTD_ASSERT(r && ySides && xSides);
    const cid_region s = *r;
    ySides[0] = cmath_shapeLine{s.Py - s.Po, s.Po};
    ySides[1] = cmath_shapeLine{s.Popp - s.Px, s.Px};
    xSides[0] = cmath_shapeLine{s.Px - s.Po, s.Po};
    xSides[1] = cmath_shapeLine{s.Popp - s.Py, s.Py};
    return 0;
}

int32_t cid_region_getAffineRectAndPopp(const cid_region* r, cmath_shapeAffineRect* rect,
                                        cmath_vect* popp) {
    CSTD_ASSERT(r && rect && popp);
    const cmath_vect pts[3] = {r->Po, r->Px, r->Py};
    cmath_vect fourth = r->Popp;
    int32_t status = cmath_shapeAffineRect_initPoints(rect, pts);
    if (status < 0) return status;
    *popp = fourth;
    return status;
}

int32_t cid_region_getAffineRect(const cid_region* r, cmath_shapeAffineRect* rect) {
    CSTD_ASSERT(r && rect);
    cid_region affine = *r;
    if (!r->isAffine) {
        int32_t status = cid_region_initMakeAffine(&affine, r);
        if (status < 0) return status;
    }
    const cmath_vect pts[3] = {affine.Po, affine.Px, affine.Py};
    return cmath_shapeAffineRect_initPoints(rect, pts);
}

int32_t cid_region_copyTightness(cid_region* dst, const cid_region* src) {
    CSTD_ASSERT(dst && src);
    copyFlags(*dst, *src);
    return 0;
}

int32_t cid_region_initFlipX(cid_region* dst, const cid_region* src) {
    CSTD_ASSERT(dst && src);
    cid_region out = *src;
    out.Po = src->Px;
    out.Px = src->Po;
    out.Py = src->Popp;
    out.Popp = src->Py;
    *dst = out;
    return 0;
}

int32_t cid_region_initFlipY(cid_region* dst, const cid_region* src) {
    CSTD_ASSERT(dst && src);
    cid_region out = *src;
    out.Po = src->Py;
    out.Px = src->Popp;
    out.Py = src->Po;
    out.Popp = src->Px;
    *dst = out;
    return 0;
}

int32_t cid_region_initMap(cid_region* dst, const cmath_xformLinear* xform, const cid_region* src) {
    return mapRegion(dst, xform, src, cmath_xformLinear_mapPoint);
}

int32_t cid_region_initMapPersp(cid_region* dst, const cmath_xformPerspective* xform,
                                const cid_region* src) {
    int32_t status = mapRegion(dst, xform, src, cmath_xformPerspective_mapPoint);
    if (status >= 0) dst->isAffine = 0;
    return status;
}

int32_t cid_region_initShift(cid_region* dst, const cmath_vect* shift, const cid_region* src) {
    CSTD_ASSERT(dst && shift && src);
    cid_region out = *src;
    for (cmath_vect* corner : {&out.Po, &out.Px, &out.Py, &out.Popp}) *corner = *corner + *shift;
    *dst = out;
    return 0;
}

int32_t cid_region_initRotatePoints(cid_region* dst, int32_t quarterTurns, const cid_region* src) {
    CSTD_ASSERT(dst && src);
    CSTD_ASSERT(quarterTurns >= 0 || quarterTurns % 4 == 0);
    int r = quarterTurns % 4;
    if (r == 0) {
        *dst = *src;
        return 0;
    }
    const cmath_vect p[4] = {src->Po, src->Px, src->Popp, src->Py};
    const int32_t t[4] = {src->tightness[0], src->tightness[2], src->tightness[3],
                          src->tightness[1]};
    const cmath_vect* popp = src->isAffine ? nullptr : &p[(r + 2) % 4];
    cid_region out = regionOf(p[r], p[(r + 1) % 4], p[(r + 3) % 4], popp);
    out.tightness[0] = t[r];
    out.tightness[2] = t[(r + 1) % 4];
    out.tightness[3] = t[(r + 2) % 4];
    out.tightness[1] = t[(r + 3) % 4];
    *dst = out;
    return 0;
}

int32_t cid_region_initMakeAffine(cid_region* dst, const cid_region* src) {
    CSTD_ASSERT(dst && src);
    if (src->isAffine) {
        *dst = *src;
        return 0;
    }
    cmath_vect c = regionCentre(*src);
    cmath_vect xs[2], ys[2];
    int32_t status = centreSegment(*src, regionAxis::x, &c, xs);
    if (status < 0) return status;
    status = centreSegment(*src, regionAxis::y, &c, ys);
    if (status < 0) return status;
    cid_region out =
        regionOf(xs[0] + (ys[0] - c), xs[1] + (ys[0] - c), xs[0] + (ys[1] - c), nullptr);
    copyFlags(out, *src);
    *dst = out;
    return status;
}

int32_t cid_region_initChangePersp(cid_region* dst, const cid_region* src, const cid_region* ref,
                                   int32_t useX, int32_t useY) {
    CSTD_ASSERT(dst && src && ref);
    if (ref->isAffine) {
        *dst = *src;
        return 0;
    }
    cmath_vect c = regionCentre(*src);
    cmath_vect xs[2], ys[2];
    int32_t status = 0;
    if (useX) status = centreSegment(*src, regionAxis::x, &c, xs);
    if (status < 0) return status;
    if (useY) status = centreSegment(*src, regionAxis::y, &c, ys);
    if (status < 0) return status;
    return regionFromSegments(dst, useX ? xs : nullptr, useY ? ys : nullptr, *src, *ref);
}
}
