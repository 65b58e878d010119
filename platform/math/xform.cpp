// 2 x 2 matrices and affine transforms of the mathematics library.
#include <cmath>

#include "ci_id/platform/cmath_xform.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"

namespace {

cmath_vect apply(const cmath_matrix& m, const cmath_vect& p) {
    return cmath_vect{m.element[0][0] * p.x + m.element[0][1] * p.y,
                      m.element[1][0] * p.x + m.element[1][1] * p.y};
}

cmath_matrix multiply(const cmath_matrix& a, const cmath_matrix& b) {
    cmath_matrix out{};
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            out.element[r][c] =
                a.element[r][0] * b.element[0][c] + a.element[r][1] * b.element[1][c];
        }
    }
    return out;
}

}  // namespace

extern "C" {

int32_t cmath_matrix_init(cmath_matrix* m, double e00, double e01, double e10, double e11) {
    CSTD_ASSERT(m);
    *m = cmath_matrix{{{e00, e01}, {e10, e11}}};
    return 0;
}

int32_t cmath_xformLinear_initIdentity(cmath_xformLinear* xform) {
    CSTD_ASSERT(xform);
    *xform = cmath_xformLinear{{{{1.0, 0.0}, {0.0, 1.0}}}, {0.0, 0.0}};
    return 0;
}

int32_t cmath_xformLinear_initMatrixTrans(cmath_xformLinear* xform, const cmath_matrix* matrix,
                                          const cmath_vect* trans) {
    CSTD_ASSERT(xform && matrix && trans);
    *xform = cmath_xformLinear{*matrix, *trans};
    return 0;
}

int32_t cmath_xformLinear_initCompose(cmath_xformLinear* out, const cmath_xformLinear* a,
                                      const cmath_xformLinear* b) {
    CSTD_ASSERT(out && a && b);
    cmath_vect t = apply(a->matrix, b->trans);
    cmath_xformLinear composed{multiply(a->matrix, b->matrix),
                               {t.x + a->trans.x, t.y + a->trans.y}};
    *out = composed;
    return 0;
}

int32_t cmath_xformLinear_getInverse(const cmath_xformLinear* xform, cmath_xformLinear* out) {
    CSTD_ASSERT(xform && out);
    const auto& e = xform->matrix.element;
    double det = e[0][0] * e[1][1] - e[0][1] * e[1][0];
    double scale = std::fabs(e[0][0] * e[1][1]) + std::fabs(e[0][1] * e[1][0]);
    // Relative test: a determinant that is only rounding noise of its two products is singular.
    if (!std::isfinite(det) || !(std::fabs(det) > 1e-12 * scale)) return CMATH_STATUS_SINGULAR;
    cmath_matrix inverse{{{e[1][1] / det, -e[0][1] / det}, {-e[1][0] / det, e[0][0] / det}}};
    cmath_vect t = apply(inverse, xform->trans);
    *out = cmath_xformLinear{inverse, {-t.x, -t.y}};
    return 0;
}

int32_t cmath_xformLinear_mapPoint(const cmath_xformLinear* xform, const cmath_vect* in,
                                   cmath_vect* out) {
    CSTD_ASSERT(xform && in && out);
    cmath_vect p = apply(xform->matrix, *in);
    *out = cmath_vect{p.x + xform->trans.x, p.y + xform->trans.y};
    return 0;
}

int32_t cmath_matrix_getDeterminant(const cmath_matrix* m, double* det) {
    CSTD_ASSERT(m && det);
    *det = m->element[0][0] * m->element[1][1] - m->element[0][1] * m->element[1][0];
    return 0;
}

int32_t cmath_matrix_initRotationScale(cmath_matrix* m, double angle, double xScale,
                                       double yScale) {
    CSTD_ASSERT(m);
    double c = std::cos(angle);
    double s = std::sin(angle);
    *m = cmath_matrix{{{c * xScale, -s * yScale}, {s * xScale, c * yScale}}};
    return 0;
}
}
