// Arithmetic on cmath_vect for the geometry sources; bring it in with `using namespace cidut`.
#pragma once

#include "ci_id/platform/cmath_vect.h"

namespace cidut {

inline cmath_vect operator+(const cmath_vect& a, const cmath_vect& b) {
    return {a.x + b.x, a.y + b.y};
}
inline cmath_vect operator-(const cmath_vect& a, const cmath_vect& b) {
    return {a.x - b.x, a.y - b.y};
}
inline cmath_vect operator-(const cmath_vect& a) { return {-a.x, -a.y}; }
inline cmath_vect operator*(double f, const cmath_vect& a) { return {f * a.x, f * a.y}; }
inline cmath_vect midpoint(const cmath_vect& a, const cmath_vect& b) {
    return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}
// a x b = a.x b.y - b.x a.y.
inline double cross(const cmath_vect& a, const cmath_vect& b) { return a.x * b.y - b.x * a.y; }
inline double dot(const cmath_vect& a, const cmath_vect& b) { return a.x * b.x + a.y * b.y; }

}  // namespace cidut
