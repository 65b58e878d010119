// Homographies from matrices and from four corners, placements, and random views of the unit
// square.
#include "homography.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace cid_test {

namespace {

cmath_vect apply(const double (&m)[3][3], cmath_vect p) {
    const double w = m[2][0] * p.x + m[2][1] * p.y + m[2][2];
    return {(m[0][0] * p.x + m[0][1] * p.y + m[0][2]) / w,
            (m[1][0] * p.x + m[1][1] * p.y + m[1][2]) / w};
}

// The adjugate over the determinant, one cofactor at a time.
void invert(const double (&m)[3][3], double (&out)[3][3]) {
    auto cofactor = [&](int r, int c) {
        const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
        return m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1];
    };
    const double det =
        m[0][0] * cofactor(0, 0) + m[0][1] * cofactor(0, 1) + m[0][2] * cofactor(0, 2);
    if (det == 0 || !std::isfinite(det)) throw std::invalid_argument("singular homography");
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) out[c][r] = cofactor(r, c) / det;
    }
}

}  // namespace

homography::homography(const double (&matrix)[3][3]) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) forward_[r][c] = matrix[r][c];
    }
    invert(forward_, backward_);
}

homography homography::rectangleToQuad(double width, double height, const quad& corners) {
    if (!(width > 0) || !(height > 0)) throw std::invalid_argument("empty plane rectangle");
    // The unit square to the quadrilateral, after Heckbert's closed form; columns 0 and 1 then
    // absorb the scaling of the rectangle to the unit square.
    const cmath_vect &p0 = corners[0], &p1 = corners[1], &p2 = corners[2], &p3 = corners[3];
    const double dx1 = p1.x - p2.x, dx2 = p3.x - p2.x, dx3 = p0.x - p1.x + p2.x - p3.x;
    const double dy1 = p1.y - p2.y, dy2 = p3.y - p2.y, dy3 = p0.y - p1.y + p2.y - p3.y;
    const double den = dx1 * dy2 - dx2 * dy1;
    const double g = (dx3 * dy2 - dx2 * dy3) / den;
    const double h = (dx1 * dy3 - dx3 * dy1) / den;
    const double m[3][3] = {
        {(p1.x - p0.x + g * p1.x) / width, (p3.x - p0.x + h * p3.x) / height, p0.x},
        {(p1.y - p0.y + g * p1.y) / width, (p3.y - p0.y + h * p3.y) / height, p0.y},
        {g / width, h / height, 1.0}};
    return homography(m);
}

cmath_vect homography::planeToImage(cmath_vect plane) const { return apply(forward_, plane); }

cmath_vect homography::imageToPlane(cmath_vect image) const { return apply(backward_, image); }

double homography::divisor(cmath_vect plane) const {
    return forward_[2][0] * plane.x + forward_[2][1] * plane.y + forward_[2][2];
}

quad placeRectangle(const placement& where, double width, double height) {
    if (!(std::fabs(where.tiltX) < 1) || !(std::fabs(where.tiltY) < 1)) {
        throw std::invalid_argument("tilt outside (-1, 1)");
    }
    const double cosR = std::cos(where.rotation);
    const double sinR = std::sin(where.rotation);
    const double down = where.unit * where.aspect;
    quad corners;
    const double plane[4][2] = {{0, 0}, {width, 0}, {width, height}, {0, height}};
    for (int i = 0; i < 4; ++i) {
        const double u = plane[i][0] - width / 2;
        const double v = plane[i][1] - height / 2;
        const double divisor = 1 + where.tiltX * u / (width / 2) + where.tiltY * v / (height / 2);
        const double x = (u * where.unit + v * down * std::sin(where.skew)) / divisor;
        const double y = v * down * std::cos(where.skew) / divisor;
        corners[i] = {where.centre.x + x * cosR - y * sinR, where.centre.y + x * sinR + y * cosR};
    }
    return corners;
}

homography randomSquareView(std::mt19937& rng, double size, double strength) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0), angle(-M_PI, M_PI);
    const double g = strength * unit(rng) / 2, h = strength * unit(rng) / 2;
    const double a = angle(rng), shear = 0.3 * unit(rng);
    const double sx = size * (1.0 + 0.5 * unit(rng));
    double sy = size * (1.0 + 0.5 * unit(rng));
    if (unit(rng) < 0) sy = -sy;
    const double c = std::cos(a), s = std::sin(a);
    // A = R(a) (sx, shear sy; 0, sy) and t, then H = [A t; 0 1] [I 0; (g h) 1].
    const double m00 = c * sx, m01 = c * shear * sy - s * sy;
    const double m10 = s * sx, m11 = s * shear * sy + c * sy;
    const double tx = 4 * size + size * unit(rng), ty = 4 * size + size * unit(rng);
    const double m[3][3] = {
        {m00 + tx * g, m01 + tx * h, tx}, {m10 + ty * g, m11 + ty * h, ty}, {g, h, 1.0}};
    return homography(m);
}

bool insideConvexQuad(const cmath_vect perimeter[4], const cmath_vect& p, double* margin) {
    int positive = 0, negative = 0;
    *margin = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 4; ++i) {
        const cmath_vect& a = perimeter[i];
        const cmath_vect& b = perimeter[(i + 1) % 4];
        const double ex = b.x - a.x, ey = b.y - a.y;
        const double k = ex * (p.y - a.y) - ey * (p.x - a.x);
        *margin = std::fmin(*margin, std::fabs(k) / std::hypot(ex, ey));
        positive += k > 0;
        negative += k < 0;
    }
    return positive == 4 || negative == 4;
}

}  // namespace cid_test
