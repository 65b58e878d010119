// Plane perspective transforms: mapping, inversion and the fit to point pairs.
#include <cmath>

#include "ci_id/platform/cmath_perspective.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"

namespace {

constexpr int kUnknowns = 8;
// Pivots and determinants below this fraction of their natural scale count as zero.
constexpr double kRankTolerance = 1e-12;

using matrix3 = double[3][3];

void setIdentity(cmath_xformPerspective* xform) {
    *xform = cmath_xformPerspective{{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}};
}

bool allFinite(const matrix3& m) {
    for (const auto& row : m) {
        for (double e : row) {
            if (!std::isfinite(e)) return false;
        }
    }
    return true;
}

// Scales m so that e22 is 1, or, when e22 is (nearly) zero, so that its largest entry is 1.
void normalise(matrix3& m) {
    double largest = 0.0;
    for (const auto& row : m) {
        for (double e : row) largest = std::fmax(largest, std::fabs(e));
    }
    double divisor = std::fabs(m[2][2]) > kRankTolerance * largest ? m[2][2] : largest;
    for (auto& row : m) {
        for (double& e : row) e /= divisor;
    }
}

// Hartley's conditioning: the points moved to their centroid and scaled to a mean distance of
// sqrt(2), which keeps the linear system well conditioned at any image size.
struct conditioning {
    double cx = 0.0, cy = 0.0, scale = 0.0;

    bool fit(const cmath_vect* pts, int32_t count) {
        for (int32_t i = 0; i < count; ++i) {
            cx += pts[i].x;
            cy += pts[i].y;
        }
        cx /= count;
        cy /= count;
        double meanDistance = 0.0;
        for (int32_t i = 0; i < count; ++i) {
            meanDistance += std::hypot(pts[i].x - cx, pts[i].y - cy);
        }
        meanDistance /= count;
        scale = std::sqrt(2.0) / meanDistance;
        return std::isfinite(cx) && std::isfinite(cy) && meanDistance > 0.0 && std::isfinite(scale);
    }
    double x(const cmath_vect& p) const { return (p.x - cx) * scale; }
    double y(const cmath_vect& p) const { return (p.y - cy) * scale; }
};

// Least squares of the linearised equations (with e22 = 1) in conditioned coordinates. Rows are
// folded into an upper-triangular R with Givens rotations as they come (a QR factorisation that
// needs no storage for the rows); a pivot of R near zero means the pairs do not fix a transform.
class streamingLeastSquares {
public:
    void addRow(const double (&row)[kUnknowns + 1]) {
        double w[kUnknowns + 1];
        for (int j = 0; j <= kUnknowns; ++j) {
            w[j] = row[j];
            if (j < kUnknowns) sumSquares_ += row[j] * row[j];
        }
        for (int k = 0; k < kUnknowns; ++k) {
            if (w[k] == 0.0) continue;
            double h = std::hypot(r_[k][k], w[k]);
            double c = r_[k][k] / h, s = w[k] / h;
            for (int j = k; j <= kUnknowns; ++j) {
                double rk = r_[k][j];
                r_[k][j] = c * rk + s * w[j];
                w[j] = c * w[j] - s * rk;
            }
        }
    }
    bool solve(double (&h)[kUnknowns]) const {
        double tolerance = kRankTolerance * std::sqrt(sumSquares_);
        for (int k = kUnknowns - 1; k >= 0; --k) {
            if (!(std::fabs(r_[k][k]) > tolerance)) return false;
            double sum = r_[k][kUnknowns];
            for (int c = k + 1; c < kUnknowns; ++c) sum -= r_[k][c] * h[c];
            h[k] = sum / r_[k][k];
        }
        return true;
    }

private:
    double r_[kUnknowns][kUnknowns + 1] = {};
    double sumSquares_ = 0.0;
};

bool fitConditioned(const cmath_vect* from, const cmath_vect* to, int32_t count,
                    const conditioning& f, const conditioning& t, double (&h)[kUnknowns]) {
    streamingLeastSquares system;
    for (int32_t i = 0; i < count; ++i) {
        double x = f.x(from[i]), y = f.y(from[i]), u = t.x(to[i]), v = t.y(to[i]);
        system.addRow({x, y, 1.0, 0.0, 0.0, 0.0, -u * x, -u * y, u});
        system.addRow({0.0, 0.0, 0.0, x, y, 1.0, -v * x, -v * y, v});
    }
    return system.solve(h);
}

void multiply(const matrix3& a, const matrix3& b, matrix3& out) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            out[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c];
        }
    }
}

void adjugateOf(const matrix3& e, matrix3& adjugate) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            // Cofactor of e[c][r]: the rows and columns other than c and r, cyclically.
            int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            adjugate[r][c] = e[r1][c1] * e[r2][c2] - e[r1][c2] * e[r2][c1];
        }
    }
}

// Whether the determinant is clear of zero: Hadamard's bound says it never exceeds the product
// of the row lengths.
bool invertible(const matrix3& e, const matrix3& adjugate) {
    double det = e[0][0] * adjugate[0][0] + e[0][1] * adjugate[1][0] + e[0][2] * adjugate[2][0];
    double bound = 1.0;
    for (const auto& row : e)
        bound *= std::sqrt(row[0] * row[0] + row[1] * row[1] + row[2] * row[2]);
    return std::fabs(det) > kRankTolerance * bound && allFinite(adjugate);
}

bool flattensThePlane(const matrix3& e) {
    matrix3 adjugate;
    adjugateOf(e, adjugate);
    double det = e[0][0] * adjugate[0][0] + e[0][1] * adjugate[1][0] + e[0][2] * adjugate[2][0];
    double size = 0.0;
    for (const auto& row : e) size += row[0] * row[0] + row[1] * row[1] + row[2] * row[2];
    size = std::sqrt(size);
    return !(std::fabs(det) > kRankTolerance * size * size * size);
}

}  // namespace

extern "C" {

int32_t cmath_xformPerspective_construct(cmath_xformPerspective* xform) {
    CSTD_ASSERT(xform);
    setIdentity(xform);
    return 0;
}

int32_t cmath_xformPerspective_destruct(cmath_xformPerspective* xform) {
    CSTD_ASSERT(xform);
    setIdentity(xform);
    return 0;
}

int32_t cmath_xformPerspective_constructPointsAllowNonUnique(cmath_xformPerspective* xform,
                                                             const cmath_vect* from,
                                                             const cmath_vect* to, int32_t count) {
    CSTD_ASSERT(xform && from && to);
    if (count < 4) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    conditioning f, t;
    if (!f.fit(from, count) || !t.fit(to, count)) return CMATH_STATUS_SINGULAR;
    double h[kUnknowns];
    if (!fitConditioned(from, to, count, f, t, h)) return CMATH_STATUS_SINGULAR;
    const matrix3 conditioned = {{h[0], h[1], h[2]}, {h[3], h[4], h[5]}, {h[6], h[7], 1.0}};
    const matrix3 fromConditioning = {
        {f.scale, 0.0, -f.scale * f.cx}, {0.0, f.scale, -f.scale * f.cy}, {0.0, 0.0, 1.0}};
    const matrix3 toUnconditioning = {
        {1.0 / t.scale, 0.0, t.cx}, {0.0, 1.0 / t.scale, t.cy}, {0.0, 0.0, 1.0}};
    // Pairs with three points of one set on a line fit a transform that flattens the plane. In
    // conditioned coordinates a proper fit has entries and determinant near 1, so its
    // determinant is judged against the size of the entries there.
    if (flattensThePlane(conditioned)) return CMATH_STATUS_SINGULAR;
    matrix3 partial, result;
    multiply(conditioned, fromConditioning, partial);
    multiply(toUnconditioning, partial, result);
    if (!allFinite(result)) return CMATH_STATUS_SINGULAR;
    normalise(result);
    if (!allFinite(result)) return CMATH_STATUS_SINGULAR;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) xform->element[r][c] = result[r][c];
    }
    return 0;
}

int32_t cmath_xformPerspective_getInverse(const cmath_xformPerspective* xform,
                                          cmath_xformPerspective* out) {
    CSTD_ASSERT(xform && out);
    matrix3 adjugate;
    adjugateOf(xform->element, adjugate);
    if (!invertible(xform->element, adjugate)) return CMATH_STATUS_SINGULAR;
    normalise(adjugate);
    if (!allFinite(adjugate)) return CMATH_STATUS_SINGULAR;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) out->element[r][c] = adjugate[r][c];
    }
    return 0;
}

int32_t cmath_xformPerspective_mapPoint(const cmath_xformPerspective* xform, const cmath_vect* in,
                                        cmath_vect* out) {
    CSTD_ASSERT(xform && in && out);
    const auto& e = xform->element;
    double w = e[2][0] * in->x + e[2][1] * in->y + e[2][2];
    double x = (e[0][0] * in->x + e[0][1] * in->y + e[0][2]) / w;
    double y = (e[1][0] * in->x + e[1][1] * in->y + e[1][2]) / w;
    if (!std::isfinite(x) || !std::isfinite(y)) return CMATH_STATUS_POINT_AT_INFINITY;
    *out = cmath_vect{x, y};
    return 0;
}

int32_t cmath_xform_mapPoint(const cmath_xform* xform, const cmath_vect* in, cmath_vect* out) {
    return cmath_xformPerspective_mapPoint(xform, in, out);
}
}
