#include "square_view.h"

#include <cmath>
#include <limits>

namespace cid_test {

cmath_vect homography::map(double x, double y) const {
    const double in[3] = {x, y, 1.0};
    double out[3];
    mapHomogeneous(in, out);
    return cmath_vect{out[0] / out[2], out[1] / out[2]};
}

void homography::mapHomogeneous(const double in[3], double out[3]) const {
    for (int r = 0; r < 3; ++r) out[r] = h[r][0] * in[0] + h[r][1] * in[1] + h[r][2] * in[2];
}

homography randomSquareView(std::mt19937& rng, double size, double strength) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0), angle(-M_PI, M_PI);
    double g = strength * unit(rng) / 2, h = strength * unit(rng) / 2;
    double a = angle(rng), shear = 0.3 * unit(rng);
    double sx = size * (1.0 + 0.5 * unit(rng)), sy = size * (1.0 + 0.5 * unit(rng));
    if (unit(rng) < 0) sy = -sy;  // either handedness
    double c = std::cos(a), s = std::sin(a);
    // A = R(a) (sx, shear sy; 0, sy), then translated to around (4 size, 4 size).
    double m00 = c * sx, m01 = c * shear * sy - s * sy;
    double m10 = s * sx, m11 = s * shear * sy + c * sy;
    double tx = 4 * size + size * unit(rng), ty = 4 * size + size * unit(rng);
    // H = [A t; 0 1] [I 0; (g h) 1]: the perspective acts first.
    homography view{
        {{m00 + tx * g, m01 + tx * h, tx}, {m10 + ty * g, m11 + ty * h, ty}, {g, h, 1.0}}};
    return view;
}

bool insideConvexQuad(const cmath_vect perimeter[4], const cmath_vect& p, double* margin) {
    int positive = 0, negative = 0;
    *margin = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 4; ++i) {
        const cmath_vect& a = perimeter[i];
        const cmath_vect& b = perimeter[(i + 1) % 4];
        double ex = b.x - a.x, ey = b.y - a.y;
        double k = ex * (p.y - a.y) - ey * (p.x - a.x);
        *margin = std::fmin(*margin, std::fabs(k) / std::hypot(ex, ey));
        if (k > 0) ++positive;
        if (k < 0) ++negative;
    }
    return positive == 4 || negative == 4;
}

}  // namespace cid_test
