#include <cmath>

#include "ci_id/platform/cmath_shape.h"
#include "ci_id/platform/csys_assert.h"

namespace {

constexpr double kRelativeTolerance = 1e-12;

double cross(const cmath_vect& a, const cmath_vect& b) { return a.x * b.y - a.y * b.x; }

}  // namespace

extern "C" {

int32_t cmath_shapeAffineRect_within(const cmath_shapeAffineRect* rect, const cmath_vect* point,
                                     int32_t* isWithin) {
    CSTD_ASSERT(rect && point && isWithin);
    *isWithin = 0;
    cmath_vect u{rect->px.x - rect->po.x, rect->px.y - rect->po.y};
    cmath_vect w{rect->py.x - rect->po.x, rect->py.y - rect->po.y};
    cmath_vect d{point->x - rect->po.x, point->y - rect->po.y};
    double det = cross(u, w);
    if (!(std::fabs(det) > kRelativeTolerance * std::hypot(u.x, u.y) * std::hypot(w.x, w.y))) {
        return 0;
    }
    // Parallelogram coordinates of the point: d = s u + t w.
    double s = cross(d, w) / det;
    double t = cross(u, d) / det;
    bool inside = s >= -kRelativeTolerance && s <= 1.0 + kRelativeTolerance &&
                  t >= -kRelativeTolerance && t <= 1.0 + kRelativeTolerance;
    *isWithin = inside ? 1 : 0;
    return 0;
}

int32_t cmath_shapeAffineRect_initPoints(cmath_shapeAffineRect* rect, const cmath_vect pts[3]) {
    CSTD_ASSERT(rect && pts);
    *rect = cmath_shapeAffineRect{pts[0], pts[1], pts[2]};
    return 0;
}

int32_t cmath_shapeAffineRect_getPoints(const cmath_shapeAffineRect* rect, cmath_vect pts[3]) {
    CSTD_ASSERT(rect && pts);
    pts[0] = rect->po;
    pts[1] = rect->px;
    pts[2] = rect->py;
    return 0;
}
}
