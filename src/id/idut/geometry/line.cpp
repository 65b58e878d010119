// Infinite directed lines and segments: construction, intersections, distances and projections.
#include <cmath>
#include <cstring>

#include "ci_id/line.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/status.h"

namespace {

constexpr double kParallelTolerance = 1e-12;
constexpr double kShortestDirection = 1e-5;

void clearLine(cidut_line* line) { std::memset(line, 0, sizeof *line); }

// Implicit form A x + B y + E = 0 of the line through a segment.
struct implicitLine {
    double a, b, e;
};

implicitLine implicitOf(const cidut_lineSeg& seg) {
    double dx = seg.p2.x - seg.p1.x;
    double dy = seg.p2.y - seg.p1.y;
    return implicitLine{dy, -dx, dx * seg.p1.y - dy * seg.p1.x};
}

}  // namespace

extern "C" {

int32_t cidut_line_initAngPos(cidut_line* line, double angle, const cmath_vect* pos) {
    CSTD_ASSERT(line && pos);
    clearLine(line);
    cmath_vect dir;
    int32_t status = cmath_vect_init(&dir, std::cos(angle), std::sin(angle));
    if (status < 0) return status;
    line->dir = dir;
    line->pos = *pos;
    return status;
}

int32_t cidut_line_initDirPos(cidut_line* line, const cmath_vect* dir, const cmath_vect* pos) {
    CSTD_ASSERT(line && dir && pos);
    clearLine(line);
    double length = std::sqrt(dir->x * dir->x + dir->y * dir->y);
    // Written so that a NaN length fails too.
    if (!(length >= kShortestDirection)) return CID_STATUS_INVALID_GEOMETRY;
    line->dir = cmath_vect{dir->x / length, dir->y / length};
    line->pos = *pos;
    return 0;
}

int32_t cidut_line_initAngDis(cidut_line* line, double angle, double dist) {
    CSTD_ASSERT(line);
    clearLine(line);
    if (!(dist >= 0.0)) return CID_STATUS_INVALID_GEOMETRY;
    double c = std::cos(angle);
    double s = std::sin(angle);
    cmath_vect dir;
    int32_t status = cmath_vect_init(&dir, c, s);
    if (status < 0) return status;
    cmath_vect pos;
    if (!cmath_double_epsilonEqual(c, 0.0, kShortestDirection)) {
        status = cmath_vect_init(&pos, 0.0, dist / c);
    } else {
        CSTD_ASSERT(!cmath_double_epsilonEqual(s, 0.0, kShortestDirection));
        status = cmath_vect_init(&pos, -dist / s, 0.0);
    }
    if (status < 0) return status;
    line->dir = dir;
    line->pos = pos;
    return status;
}

int32_t cidut_line_getIntersection(const cidut_line* a, const cidut_line* b, cmath_vect* out) {
    CSTD_ASSERT(a && b && out);
    double det = a->dir.x * b->dir.y - a->dir.y * b->dir.x;
    if (std::fabs(det) < kParallelTolerance) return CID_STATUS_PARALLEL_LINES;
    double t = ((b->pos.x - a->pos.x) * b->dir.y - (b->pos.y - a->pos.y) * b->dir.x) / det;
    *out = cmath_vect{a->pos.x + t * a->dir.x, a->pos.y + t * a->dir.y};
    return 0;
}

int32_t cidut_line_projectPoint(const cidut_line* line, const cmath_vect* pt, cmath_vect* out) {
    CSTD_ASSERT(line && pt && out);
    double t = (pt->x - line->pos.x) * line->dir.x + (pt->y - line->pos.y) * line->dir.y;
    *out = cmath_vect{line->pos.x + t * line->dir.x, line->pos.y + t * line->dir.y};
    return 0;
}

int32_t cidut_line_getDistToPoint(const cidut_line* line, const cmath_vect* pt, double* dist) {
    CSTD_ASSERT(line && pt && dist);
    *dist = (pt->x - line->pos.x) * line->dir.y - (pt->y - line->pos.y) * line->dir.x;
    return 0;
}

int32_t cidut_lineSeg_initP1P2(cidut_lineSeg* seg, const cmath_vect* p1, const cmath_vect* p2) {
    CSTD_ASSERT(seg && p1 && p2);
    seg->p1 = *p1;
    seg->p2 = *p2;
    return 0;
}

int32_t cidut_lineSeg_getLine(const cidut_lineSeg* seg, cidut_line* line) {
    CSTD_ASSERT(seg && line);
    cmath_vect v;
    int32_t status = cmath_vect_initSubtract(&v, &seg->p2, &seg->p1);
    if (status < 0) return status;
    cmath_vect unit;
    if (cmath_vect_getUnit(&v, &unit) < 0) return CID_STATUS_DEGENERATE_SEGMENT;
    line->pos = seg->p1;
    line->dir = unit;
    return 0;
}

int32_t cidut_lineSeg_getAngle(const cidut_lineSeg* seg, double* angle) {
    CSTD_ASSERT(seg);
    cidut_line line;
    int32_t status = cidut_lineSeg_getLine(seg, &line);
    if (status < 0) return status;
    return cmath_vect_getDirection(&line.dir, angle);
}

int32_t cidut_lineSeg_getDistToPoint(const cidut_lineSeg* seg, const cmath_vect* pt, double* dist) {
    cidut_line line;
    int32_t status = cidut_lineSeg_getLine(seg, &line);
    if (status < 0) return status;
    return cidut_line_getDistToPoint(&line, pt, dist);
}

int32_t cidut_lineSeg_getIntersection(const cidut_lineSeg* a, const cidut_lineSeg* b,
                                      cmath_vect* out) {
    CSTD_ASSERT(a && b && out);
    implicitLine la = implicitOf(*a);
    implicitLine lb = implicitOf(*b);
    double det = la.a * lb.b - lb.a * la.b;
    if (std::fabs(det) < kParallelTolerance) return CID_STATUS_PARALLEL_LINES;
    double inverse = 1.0 / det;
    *out = cmath_vect{(la.b * lb.e - lb.b * la.e) * inverse, (lb.a * la.e - la.a * lb.e) * inverse};
    return 0;
}

int32_t cf_affineRect_within(const cmath_shapeAffineRect* rect, const cmath_vect* point,
                             int32_t* isWithin) {
    return cmath_shapeAffineRect_within(rect, point, isWithin);
}
}
