// Point and region tests against a mask.
#include <cmath>
#include <initializer_list>

#include "ci_id/mask.h"
#include "ci_id/platform/csys_assert.h"

namespace {

int32_t mapOrKeep(const cmath_xformLinear* xform, const cmath_vect& in, cmath_vect* out) {
    if (!xform) {
        *out = in;
        return 0;
    }
    return cmath_xformLinear_mapPoint(xform, &in, out);
}

// The corners of an affine rectangle in perimeter order: Po, Px, Px + Py - Po, Py.
struct perimeter {
    cmath_vect corner[4];
    explicit perimeter(const cmath_shapeAffineRect& r)
        : corner{r.po, r.px, {r.px.x + r.py.x - r.po.x, r.px.y + r.py.y - r.po.y}, r.py} {}
};

bool near(const cmath_vect& a, const cmath_vect& b, double tolerance) {
    return cmath_double_epsilonEqual(a.x, b.x, tolerance) &&
           cmath_double_epsilonEqual(a.y, b.y, tolerance);
}

// Whether the two parallelograms have the same corners, numbered from any corner and either way
// round.
bool sameCorners(const cmath_shapeAffineRect& a, const cmath_shapeAffineRect& b, double tolerance) {
    perimeter p(a), q(b);
    for (int direction : {1, 3}) {
        for (int s = 0; s < 4; ++s) {
            bool match = true;
            for (int i = 0; match && i < 4; ++i) {
                match = near(p.corner[i], q.corner[(s + direction * i) % 4], tolerance);
            }
            if (match) return true;
        }
    }
    return false;
}

int32_t regionsContain(const cstd_vector_cid_region& regions, const cmath_vect& q,
                       int32_t* result) {
    const cid_region* begin = nullptr;
    intptr_t count = 0;
    int32_t status = cstd_vector_cid_region_getBeginSizeIntPtrConst(&regions, &begin, &count);
    for (intptr_t i = 0; status >= 0 && i < count && !*result; ++i) {
        status = cid_region_within(&begin[i], &q, result);
    }
    return status;
}

int32_t pixelIsMasked(const cid_mask& m, const cmath_vect& q, int32_t* result) {
    cmath_xformLinear toImage;
    int32_t status = cimg_image_getLinearImageFromClientXform(&m.image, &toImage);
    cmath_vect pixel;
    if (status >= 0) status = cmath_xformLinear_mapPoint(&toImage, &q, &pixel);
    if (status < 0) return status;
    double column = std::floor(pixel.x - m.window.xOffset);
    double row = std::floor(pixel.y - m.window.yOffset);
    // NaN fails both tests.
    if (!(column >= 0.0 && column < m.window.width && row >= 0.0 && row < m.window.height)) {
        return status;
    }
    const unsigned char* line = m.window.pixels + static_cast<intptr_t>(row) * m.window.pitch;
    *result = line[static_cast<intptr_t>(column)] == m.regionValue ? 1 : 0;
    return status;
}

}  // namespace

extern "C" {

int32_t cid_mask_isPointUnMasked(const cid_mask* m, const cmath_vect* p,
                                 const cmath_xformLinear* xform, int32_t* result) {
    CSTD_ASSERT(p && result);
    *result = 0;
    if (!m) return 0;
    cmath_vect q;
    int32_t status = mapOrKeep(xform, *p, &q);
    if (status < 0 || !std::isfinite(q.x) || !std::isfinite(q.y)) return status;
    if (m->isBound) return pixelIsMasked(*m, q, result);
    return regionsContain(m->regions, q, result);
}

int32_t cid_mask_isRegionUnMasked(const cid_mask* m, const cid_region* r,
                                  const cmath_xformLinear* xform, double tolerance,
                                  int32_t* result) {
    CSTD_ASSERT(r && result);
    *result = 0;
    if (!m) return 0;
    CSTD_ASSERT(m->testCentres || m->testRects);
    cid_region mapped = *r;
    int32_t status = xform ? cid_region_initMap(&mapped, xform, r) : 0;
    cmath_vect centre;
    cmath_shapeAffineRect rect;
    if (status >= 0) status = cid_region_getCenter(&mapped, &centre);
    if (status >= 0) status = cid_region_getAffineRect(&mapped, &rect);
    cmath_vect origin, reach;
    if (status >= 0) status = mapOrKeep(xform, cmath_vect{0.0, 0.0}, &origin);
    if (status >= 0) status = mapOrKeep(xform, cmath_vect{tolerance, 0.0}, &reach);
    double mappedTolerance = 0.0;
    if (status >= 0) status = cmath_vect_getDistance(&origin, &reach, &mappedTolerance);
    const cid_region* begin = nullptr;
    intptr_t count = 0;
    if (status >= 0) {
        status = cstd_vector_cid_region_getBeginSizeIntPtrConst(&m->regions, &begin, &count);
    }
    for (intptr_t i = 0; status >= 0 && i < count && !*result; ++i) {
        if (m->testCentres) status = cid_region_within(&begin[i], &centre, result);
        if (status < 0 || *result || !m->testRects) continue;
        cmath_shapeAffineRect recorded;
        status = cid_region_getAffineRect(&begin[i], &recorded);
        if (status >= 0) *result = sameCorners(rect, recorded, mappedTolerance) ? 1 : 0;
    }
    return status;
}
}
