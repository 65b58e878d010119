// Two-component vectors and the scalar helpers of the mathematics library.
#include <cmath>
#include <limits>

#include "ci_id/platform/cmath_vect.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"

namespace {

int32_t saturate(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

}  // namespace

extern "C" {

int32_t cmath_vect_init(cmath_vect* out, double x, double y) {
    CSTD_ASSERT(out);
    out->x = x;
    out->y = y;
    return 0;
}

int32_t cmath_vect_initSubtract(cmath_vect* out, const cmath_vect* a, const cmath_vect* b) {
    CSTD_ASSERT(out && a && b);
    *out = cmath_vect{a->x - b->x, a->y - b->y};
    return 0;
}

int32_t cmath_vect_initAdd(cmath_vect* out, const cmath_vect* a, const cmath_vect* b) {
    CSTD_ASSERT(out && a && b);
    *out = cmath_vect{a->x + b->x, a->y + b->y};
    return 0;
}

int32_t cmath_vect_getUnit(const cmath_vect* v, cmath_vect* out) {
    CSTD_ASSERT(v && out);
    double length = std::hypot(v->x, v->y);
    if (!(length > 0.0) || !std::isfinite(length)) return CMATH_STATUS_ZERO_VECTOR;
    *out = cmath_vect{v->x / length, v->y / length};
    return 0;
}

int32_t cmath_vect_getDirection(const cmath_vect* v, double* angle) {
    CSTD_ASSERT(v && angle);
    *angle = std::atan2(v->y, v->x);
    return 0;
}

int32_t cmath_vect_getLength(const cmath_vect* v, double* length) {
    CSTD_ASSERT(v && length);
    *length = std::hypot(v->x, v->y);
    return 0;
}

int32_t cmath_vect_getDistance(const cmath_vect* a, const cmath_vect* b, double* distance) {
    CSTD_ASSERT(a && b && distance);
    *distance = std::hypot(a->x - b->x, a->y - b->y);
    return 0;
}

int32_t cmath_vect_cross(const cmath_vect* a, const cmath_vect* b, double* cross) {
    CSTD_ASSERT(a && b && cross);
    *cross = a->x * b->y - a->y * b->x;
    return 0;
}

int32_t cmath_double_epsilonEqual(double a, double b, double epsilon) {
    return std::fabs(a - b) <= epsilon ? 1 : 0;
}

int32_t cmath_double_round(double value) { return saturate(std::round(value)); }
int32_t cmath_double_floor(double value) { return saturate(std::floor(value)); }
int32_t cmath_double_ceil(double value) { return saturate(std::ceil(value)); }
double cmath_double_min(double a, double b) { return b < a ? b : a; }
double cmath_double_max(double a, double b) { return b > a ? b : a; }
double cmath_double_sqr(double value) { return value * value; }

double cmath_radian_norm(double angle) {
    constexpr double kTurn = 2.0 * M_PI;
    double turned = std::fmod(angle, kTurn);
    if (turned < 0.0) turned += kTurn;
    // Adding a turn to a tiny negative remainder can round up to a whole turn.
    return turned >= kTurn ? 0.0 : turned;
}
}
