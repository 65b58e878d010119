// Affine rectangles and line intersections of the shape library.
#include <cmath>
#include <cstdint>

#include "ci_id/platform/cmath_shape.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"

namespace {

constexpr double kRelativeTolerance = 1e-12;

double cross(const cmath_vect& a, const cmath_vect& b) { return a.x * b.y - a.y * b.x; }

}  // namespace

extern "C" {

int32_t cmath_shapeAffineRect_init(cmath_shapeAffineRect* rect) {
    CSTD_ASSERT(rect);
    *rect = cmath_shapeAffineRect{{0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}};
    return 0;
}

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

namespace {

cmath_vect sideX(const cmath_shapeAffineRect& r) { return {r.px.x - r.po.x, r.px.y - r.po.y}; }
cmath_vect sideY(const cmath_shapeAffineRect& r) { return {r.py.x - r.po.x, r.py.y - r.po.y}; }

// An angle brought into (-pi, pi].
double halfTurn(double angle) {
    double turned = cmath_radian_norm(angle);
    return turned > M_PI ? turned - 2.0 * M_PI : turned;
}

bool fitsInt32(double value) { return value >= INT32_MIN && value <= INT32_MAX; }

}  // namespace

extern "C" {

int32_t cmath_shapeAffineRect_initNull(cmath_shapeAffineRect* rect) {
    CSTD_ASSERT(rect);
    *rect = cmath_shapeAffineRect{};
    return 0;
}

int32_t cmath_shapeAffineRect_initCenter(cmath_shapeAffineRect* rect,
                                         const cmath_shapeAffineRectCenter* center) {
    CSTD_ASSERT(rect && center);
    cmath_vect u{center->xLength * std::cos(center->xRotation),
                 center->xLength * std::sin(center->xRotation)};
    cmath_vect w{-center->yLength * std::sin(center->yRotation),
                 center->yLength * std::cos(center->yRotation)};
    cmath_vect po{center->center.x - 0.5 * (u.x + w.x), center->center.y - 0.5 * (u.y + w.y)};
    *rect = cmath_shapeAffineRect{po, {po.x + u.x, po.y + u.y}, {po.x + w.x, po.y + w.y}};
    return 0;
}

int32_t cmath_shapeAffineRect_getCenter(const cmath_shapeAffineRect* rect,
                                        cmath_shapeAffineRectCenter* center) {
    CSTD_ASSERT(rect && center);
    cmath_vect u = sideX(*rect);
    cmath_vect w = sideY(*rect);
    double xLength = std::hypot(u.x, u.y);
    double yLength = std::hypot(w.x, w.y);
    double xRotation = std::atan2(u.y, u.x);
    // The y side points at yRotation + pi / 2.
    double yRotation = halfTurn(std::atan2(w.y, w.x) - M_PI / 2);
    if (!(xLength > 0.0)) xRotation = yLength > 0.0 ? yRotation : 0.0;
    if (!(yLength > 0.0)) yRotation = xRotation;
    cmath_vect c{rect->po.x + 0.5 * (u.x + w.x), rect->po.y + 0.5 * (u.y + w.y)};
    *center = cmath_shapeAffineRectCenter{c, xLength, yLength, xRotation, yRotation};
    return 0;
}

int32_t cmath_shapeAffineRect_getXLength(const cmath_shapeAffineRect* rect, double* length) {
    CSTD_ASSERT(rect && length);
    cmath_vect u = sideX(*rect);
    *length = std::hypot(u.x, u.y);
    return 0;
}

int32_t cmath_shapeAffineRect_getYLength(const cmath_shapeAffineRect* rect, double* length) {
    CSTD_ASSERT(rect && length);
    cmath_vect w = sideY(*rect);
    *length = std::hypot(w.x, w.y);
    return 0;
}

int32_t cmath_shapeAffineRect_getIsDegenerate(const cmath_shapeAffineRect* rect,
                                              int32_t* isDegenerate) {
    CSTD_ASSERT(rect && isDegenerate);
    cmath_vect u = sideX(*rect);
    cmath_vect w = sideY(*rect);
    double area = std::fabs(cross(u, w));
    double scale = std::hypot(u.x, u.y) * std::hypot(w.x, w.y);
    // Written so that NaN and infinite points count as degenerate.
    bool proper = std::isfinite(area) && std::isfinite(scale) && area > kRelativeTolerance * scale;
    *isDegenerate = proper ? 0 : 1;
    return 0;
}

int32_t cmath_shapeAffineRect_getEncloseImageRect(const cmath_shapeAffineRect* rect,
                                                  cstd_rect32* out) {
    CSTD_ASSERT(rect && out);
    const cmath_vect& po = rect->po;
    cmath_vect popp{rect->px.x + rect->py.x - po.x, rect->px.y + rect->py.y - po.y};
    const cmath_vect corners[4] = {po, rect->px, rect->py, popp};
    double minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const cmath_vect& c : corners) {
        if (!std::isfinite(c.x) || !std::isfinite(c.y)) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
        minX = std::fmin(minX, c.x);
        maxX = std::fmax(maxX, c.x);
        minY = std::fmin(minY, c.y);
        maxY = std::fmax(maxY, c.y);
    }
    double x = std::floor(minX), y = std::floor(minY);
    double right = std::ceil(maxX), bottom = std::ceil(maxY);
    // Both ends must be 32-bit coordinates, so that x + width does not overflow either.
    if (!fitsInt32(x) || !fitsInt32(y) || !fitsInt32(right) || !fitsInt32(bottom) ||
        !fitsInt32(right - x) || !fitsInt32(bottom - y)) {
        return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    }
    double width = right - x, height = bottom - y;
    *out = cstd_rect32{static_cast<int32_t>(x), static_cast<int32_t>(y),
                       static_cast<int32_t>(width), static_cast<int32_t>(height)};
    return 0;
}

int32_t cmath_shapeAffineRectPoints_getPopp(const cmath_shapeAffineRectPoints* points,
                                            cmath_vect* popp) {
    CSTD_ASSERT(points && popp);
    *popp = cmath_vect{points->Px.x + points->Py.x - points->Po.x,
                       points->Px.y + points->Py.y - points->Po.y};
    return 0;
}
}
