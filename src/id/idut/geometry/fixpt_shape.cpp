// Fixed-point distances, lines of segments and containment in affine rectangles.
#include <cmath>
#include <cstdlib>

#include "ci_id/fixpt.h"
#include "ci_id/platform/cmath_fixed.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/status.h"

namespace {

constexpr int64_t kDistanceLimit = 262140;   // keeps each quarter-resolution square in 32 bits
constexpr int64_t kLineOffsetLimit = 65535;  // keeps each Q15 product in 32 bits
constexpr int32_t kQ15 = 15;
constexpr uint16_t kQuarterTurn = 16384;
constexpr uint16_t kHalfTurn = 32768;
constexpr int64_t kBoxMargin = 32;  // two pixels

// Distance of the offset (dx, dy), from the offsets at quarter resolution (arithmetic shifts).
// The sum of the two squares can pass 32 bits, so it is formed and rooted in 64.
int32_t quarterResolutionLength(int64_t dx, int64_t dy) {
    CSTD_ASSERT(std::llabs(dx) < kDistanceLimit && std::llabs(dy) < kDistanceLimit);
    int64_t qx = dx >> 2;
    int64_t qy = dy >> 2;
    return static_cast<int32_t>(cmath_sqrt64(static_cast<uint64_t>(qx * qx + qy * qy)) << 2);
}

int32_t distanceBetween(const cmath_vect32_4& a, const cmath_vect32_4& b) {
    return quarterResolutionLength(int64_t{a.x} - b.x, int64_t{a.y} - b.y);
}

// p - line.pos, asserted small enough for the 32-bit Q15 products below.
void offsetFromLine(const cmath_shapeFixPtLine& line, const cmath_vect32_4& p, int32_t* wx,
                    int32_t* wy) {
    int64_t dx = int64_t{p.x} - line.pos.x;
    int64_t dy = int64_t{p.y} - line.pos.y;
    CSTD_ASSERT(std::llabs(dx) < kLineOffsetLimit && std::llabs(dy) < kLineOffsetLimit);
    *wx = static_cast<int32_t>(dx);
    *wy = static_cast<int32_t>(dy);
}

int32_t perpendicularDistance(const cmath_shapeFixPtLine& line, const cmath_vect32_4& p) {
    int32_t wx = 0, wy = 0;
    offsetFromLine(line, p, &wx, &wy);
    int32_t c = cmath_cos16FixedPoint(&line.angle, kQ15);
    int32_t s = cmath_sin16FixedPoint(&line.angle, kQ15);
    return std::abs(((-s * wx) >> kQ15) + ((wy * c) >> kQ15));
}

cmath_shapeFixPtLine lineOf(const cmath_vect32_4& p1, const cmath_vect32_4& p2) {
    double angle = std::atan2(static_cast<double>(p1.y) - p2.y, static_cast<double>(p1.x) - p2.x);
    int32_t binary = cmath_double_round(angle * (kHalfTurn / M_PI));
    return cmath_shapeFixPtLine{p1, static_cast<uint16_t>(static_cast<uint32_t>(binary))};
}

bool fitsInt32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

// Strictly inside the corners' bounding box widened by the margin.
bool insideWidenedBox(const int64_t xs[4], const int64_t ys[4], const cmath_vect32_4& p) {
    int64_t minX = xs[0], maxX = xs[0], minY = ys[0], maxY = ys[0];
    for (int i = 1; i < 4; ++i) {
        minX = xs[i] < minX ? xs[i] : minX;
        maxX = xs[i] > maxX ? xs[i] : maxX;
        minY = ys[i] < minY ? ys[i] : minY;
        maxY = ys[i] > maxY ? ys[i] : maxY;
    }
    return p.x > minX - kBoxMargin && p.x < maxX + kBoxMargin && p.y > minY - kBoxMargin &&
           p.y < maxY + kBoxMargin;
}

// |side * sin(corner angle)| in Q15 plus one: the distance between a side and its opposite,
// scaled like the distances shifted left by 15 that are compared with it.
int64_t separationQ15(int32_t sideLength, int32_t sineQ15) {
    return std::llabs(int64_t{sideLength} * sineQ15) + 1;
}

bool closerThan(int32_t distance, int64_t separation) {
    return (int64_t{distance} << kQ15) < separation;
}

}  // namespace

extern "C" {

int32_t cmath_vect32_4_getDistance(const cmath_vect32_4* a, const cmath_vect32_4* b,
                                   int32_t* dist) {
    CSTD_ASSERT(a && b && dist);
    *dist = distanceBetween(*a, *b);
    return 0;
}

int32_t cmath_shapeFixPtAffineRectPoints_init(cmath_shapeFixPtAffineRectPoints* rect) {
    CSTD_ASSERT(rect);
    *rect = cmath_shapeFixPtAffineRectPoints{{0, 0}, {16, 0}, {0, 16}};
    return 0;
}

int32_t cmath_shapeAffineRect_initFixPtPoints(cmath_shapeAffineRect* rect, const int32_t pts[6]) {
    CSTD_ASSERT(rect && pts);
    cmath_vect corners[3];
    for (int i = 0; i < 3; ++i) {
        corners[i] = cmath_vect{pts[2 * i] * 0.0625, pts[2 * i + 1] * 0.0625};
    }
    return cmath_shapeAffineRect_initPoints(rect, corners);
}

int32_t cmath_shapeAffineRect_getFixPtPoints(const cmath_shapeAffineRect* rect, int32_t pts[6]) {
    CSTD_ASSERT(rect && pts);
    cmath_vect corners[3];
    int32_t status = cmath_shapeAffineRect_getPoints(rect, corners);
    if (status < 0) return status;
    double scaled[6];
    for (int i = 0; i < 3; ++i) {
        scaled[2 * i] = std::trunc(corners[i].x * 16.0);
        scaled[2 * i + 1] = std::trunc(corners[i].y * 16.0);
    }
    // Written so that NaN fails too.
    for (double v : scaled) {
        if (!(v >= INT32_MIN && v <= INT32_MAX)) return CID_STATUS_OUT_OF_RANGE;
    }
    for (int i = 0; i < 6; ++i) pts[i] = static_cast<int32_t>(scaled[i]);
    return 0;
}

int32_t cmath_shapeFixPtLineSeg_getLine(const cmath_shapeFixPtLineSeg* seg,
                                        cmath_shapeFixPtLine* line) {
    CSTD_ASSERT(seg && line);
    *line = lineOf(seg->p1, seg->p2);
    return 0;
}

int32_t cmath_shapeFixPtLine_distanceFrom(const cmath_shapeFixPtLine* line, const cmath_vect32_4* p,
                                          int32_t* dist) {
    CSTD_ASSERT(line && p && dist);
    *dist = perpendicularDistance(*line, *p);
    return 0;
}

int32_t cmath_shapeFixPtLine_distanceAlong(const cmath_shapeFixPtLine* line,
                                           const cmath_vect32_4* p, int32_t* dist) {
    CSTD_ASSERT(line && p && dist);
    int32_t wx = 0, wy = 0;
    offsetFromLine(*line, *p, &wx, &wy);
    int32_t c = cmath_cos16FixedPoint(&line->angle, kQ15);
    int32_t s = cmath_sin16FixedPoint(&line->angle, kQ15);
    *dist = std::abs(((wx * c) >> kQ15) + ((wy * s) >> kQ15));
    return 0;
}

int32_t cmath_shapeFixPtLineSeg_distanceFrom(const cmath_shapeFixPtLineSeg* seg,
                                             const cmath_vect32_4* p, int32_t* dist) {
    CSTD_ASSERT(seg && p && dist);
    const cmath_vect32_4& p1 = seg->p1;
    const cmath_vect32_4& p2 = seg->p2;
    if (p1.x == p2.x && p1.y == p2.y) return CID_STATUS_FAILED;
    // Projection test at quarter resolution, in 64 bits so long segments cannot overflow. A
    // segment shorter than the resolution has len2 = 0 and measures from its end points.
    int64_t dx = (int64_t{p2.x} - p1.x) >> 2, dy = (int64_t{p2.y} - p1.y) >> 2;
    int64_t wx = (int64_t{p->x} - p1.x) >> 2, wy = (int64_t{p->y} - p1.y) >> 2;
    int64_t dot = (wx * dx + wy * dy) * 4;
    int64_t len2 = (dx * dx + dy * dy) * 4;
    if (dot < 0) {
        *dist = distanceBetween(*p, p1);
    } else if (dot >= len2) {
        *dist = distanceBetween(*p, p2);
    } else {
        *dist = perpendicularDistance(lineOf(p1, p2), *p);
    }
    return 0;
}

int32_t cmath_shapeFixPtAffineRectPoints_getIsWithin(const cmath_shapeFixPtAffineRectPoints* rect,
                                                     const cmath_vect32_4* p, int32_t* isWithin) {
    CSTD_ASSERT(rect && p && isWithin);
    const cmath_vect32_4 &po = rect->Po, &px = rect->Px, &py = rect->Py;
    int64_t oppX = int64_t{px.x} + py.x - po.x;
    int64_t oppY = int64_t{px.y} + py.y - po.y;
    const int64_t xs[4] = {po.x, px.x, py.x, oppX};
    const int64_t ys[4] = {po.y, px.y, py.y, oppY};
    *isWithin = 0;
    if (!insideWidenedBox(xs, ys, *p)) return 0;
    CSTD_ASSERT(fitsInt32(oppX) && fitsInt32(oppY));
    const cmath_vect32_4 popp{static_cast<int32_t>(oppX), static_cast<int32_t>(oppY)};
    cmath_shapeFixPtLine xSide0 = lineOf(po, px), xSide1 = lineOf(py, popp);
    cmath_shapeFixPtLine ySide0 = lineOf(po, py), ySide1 = lineOf(px, popp);
    // The corner angle less a quarter turn, whose cosine is the corner angle's sine.
    uint16_t a =
        static_cast<uint16_t>(static_cast<uint16_t>(ySide0.angle - kQuarterTurn) - xSide0.angle);
    if (a > kHalfTurn) a = static_cast<uint16_t>(kHalfTurn - a);
    int32_t sine = cmath_cos16FixedPoint(&a, kQ15);
    int64_t xSeparation = separationQ15(distanceBetween(py, po), sine);
    int64_t ySeparation = separationQ15(distanceBetween(px, po), sine);
    bool inside = closerThan(perpendicularDistance(xSide0, *p), xSeparation) &&
                  closerThan(perpendicularDistance(xSide1, *p), xSeparation) &&
                  closerThan(perpendicularDistance(ySide0, *p), ySeparation) &&
                  closerThan(perpendicularDistance(ySide1, *p), ySeparation);
    *isWithin = inside ? 1 : 0;
    return 0;
}
}
