// Direction of the principal axis of a point set from its centred second moments, shared by the
// least-squares fits.
#pragma once

#include <cmath>

namespace cidut {

// From diff = Sxx - Syy and cross = 2 Sxy (centred moments, any common positive scale), the unit
// direction (c, s) of the axis of largest spread, with s >= 0 and c < 0 exactly when cross < 0.
// Each half-angle component comes from the sum that does not cancel (cos^2 = (1 + cos 2t) / 2 for
// a mostly horizontal axis, sin^2 = (1 - cos 2t) / 2 for a mostly vertical one) and the other one
// from sin 2t = 2 s c, so nearly horizontal and nearly vertical lines keep full precision. Both
// inputs must be finite and not both zero; they are scaled to at most 1 first so that no
// intermediate overflows.
inline void principalDirection(double diff, double cross, double* c, double* s) {
    double scale = std::fmax(std::fabs(diff), std::fabs(cross));
    diff /= scale;
    cross /= scale;
    double r = std::hypot(diff, cross);
    double cos2t = diff / r;
    if (diff >= 0.0) {
        *c = std::sqrt((1.0 + cos2t) / 2.0);
        *s = std::fabs(cross) / (2.0 * r * *c);
    } else {
        *s = std::sqrt((1.0 - cos2t) / 2.0);
        *c = std::fabs(cross) / (2.0 * r * *s);
    }
    if (cross < 0.0) *c = -*c;
}

}  // namespace cidut
