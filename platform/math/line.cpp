// Intersections of lines given by direction and point.
#include <cmath>

#include "ci_id/platform/cmath_line.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"

namespace {

// Relative to the product of the direction lengths, so that the test does not depend on how
// long the caller's direction vectors are.
constexpr double kParallelTolerance = 1e-12;

}  // namespace

extern "C" {

int32_t cmath_shapeLine_intersection(const cmath_shapeLine* a, const cmath_shapeLine* b,
                                     cmath_vect* out) {
    CSTD_ASSERT(a && b && out);
    double det = a->dir.x * b->dir.y - a->dir.y * b->dir.x;
    double scale = std::hypot(a->dir.x, a->dir.y) * std::hypot(b->dir.x, b->dir.y);
    // Negated so that NaN fails the test as well.
    if (!(std::fabs(det) > kParallelTolerance * scale)) return CMATH_STATUS_PARALLEL_LINES;
    double dx = b->point.x - a->point.x;
    double dy = b->point.y - a->point.y;
    double s = (dx * b->dir.y - dy * b->dir.x) / det;
    cmath_vect crossing{a->point.x + s * a->dir.x, a->point.y + s * a->dir.y};
    if (!std::isfinite(crossing.x) || !std::isfinite(crossing.y)) {
        return CMATH_STATUS_PARALLEL_LINES;
    }
    *out = crossing;
    return 0;
}

int32_t cmath_shapeLine_pointAlong(const cmath_shapeLine* line, double distance, cmath_vect* out) {
    CSTD_ASSERT(line && out);
    cmath_vect unit;
    int32_t status = cmath_vect_getUnit(&line->dir, &unit);
    if (status < 0) return status;
    *out = cmath_vect{line->point.x + distance * unit.x, line->point.y + distance * unit.y};
    return 0;
}
}
