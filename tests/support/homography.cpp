#include "homography.h"

#include <cmath>
#include <stdexcept>

namespace cid_test {

namespace {

double cross(const cmath_vect& a, const cmath_vect& b, const cmath_vect& c) {
    return (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
}

// Every turn along the corners has the same sense; mirrored quadrilaterals are allowed.
bool isConvex(const quad& corners) {
    int positive = 0;
    int negative = 0;
    for (int i = 0; i < 4; ++i) {
        const double turn = cross(corners[i], corners[(i + 1) % 4], corners[(i + 2) % 4]);
        positive += turn > 0;
        negative += turn < 0;
    }
    return positive == 4 || negative == 4;
}

cmath_vect apply(const double (&m)[3][3], cmath_vect p) {
    const double w = m[2][0] * p.x + m[2][1] * p.y + m[2][2];
    return {(m[0][0] * p.x + m[0][1] * p.y + m[0][2]) / w,
            (m[1][0] * p.x + m[1][1] * p.y + m[1][2]) / w};
}

void invert(const double (&m)[3][3], double (&out)[3][3]) {
    const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    const double c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    const double c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    const double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
    if (det == 0 || !std::isfinite(det)) throw std::invalid_argument("singular homography");
    out[0][0] = c00 / det;
    out[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    out[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    out[1][0] = c01 / det;
    out[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    out[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    out[2][0] = c02 / det;
    out[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    out[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
}

}  // namespace

homography homography::rectangleToQuad(double width, double height, const quad& corners) {
    if (!(width > 0) || !(height > 0)) throw std::invalid_argument("empty plane rectangle");
    if (!isConvex(corners)) throw std::invalid_argument("corners do not make a convex quad");
    // The unit square to the quadrilateral, after Heckbert's closed form.
    const cmath_vect& p0 = corners[0];
    const cmath_vect& p1 = corners[1];
    const cmath_vect& p2 = corners[2];
    const cmath_vect& p3 = corners[3];
    const double dx1 = p1.x - p2.x, dx2 = p3.x - p2.x, dx3 = p0.x - p1.x + p2.x - p3.x;
    const double dy1 = p1.y - p2.y, dy2 = p3.y - p2.y, dy3 = p0.y - p1.y + p2.y - p3.y;
    const double den = dx1 * dy2 - dx2 * dy1;
    const double g = (dx3 * dy2 - dx2 * dy3) / den;
    const double h = (dx1 * dy3 - dx3 * dy1) / den;
    homography map;
    // Columns 0 and 1 absorb the scaling of the rectangle to the unit square.
    const double square[3][3] = {{p1.x - p0.x + g * p1.x, p3.x - p0.x + h * p3.x, p0.x},
                                 {p1.y - p0.y + g * p1.y, p3.y - p0.y + h * p3.y, p0.y},
                                 {g, h, 1.0}};
    for (int row = 0; row < 3; ++row) {
        map.forward_[row][0] = square[row][0] / width;
        map.forward_[row][1] = square[row][1] / height;
        map.forward_[row][2] = square[row][2];
    }
    invert(map.forward_, map.backward_);
    return map;
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

}  // namespace cid_test
