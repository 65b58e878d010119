// The mathematics classes: vectors, matrices, transforms and angles around the plain records.
#include <cmath>

#include "ci_id/platform/cmath_xform.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/platform/cx_exception.h"
#include "ci_id/platform/cx_math.h"

namespace {

cmath_xformLinear toLinear(const cx2Xform& t) {
    const cx2Matrix& m = t.matrix();
    return cmath_xformLinear{
        {{{m.element(0, 0), m.element(0, 1)}, {m.element(1, 0), m.element(1, 1)}}},
        t.trans().vect()};
}

// One turn folded into (-pi, pi]: [0, 2 pi) from the shared normaliser, then the upper half
// moved down.
double halfTurnNorm(double radians) {
    double turned = cmath_radian_norm(radians);
    return turned > M_PI ? turned - 2.0 * M_PI : turned;
}

}  // namespace

double cx2Matrix::element(int row, int col) const {
    CSTD_ASSERT(row >= 0 && row < 2 && col >= 0 && col < 2);
    return e_[row][col];
}

cx2Matrix cx2Matrix::operator*(const cx2Matrix& o) const {
    return cx2Matrix(e_[0][0] * o.e_[0][0] + e_[0][1] * o.e_[1][0],
                     e_[0][0] * o.e_[0][1] + e_[0][1] * o.e_[1][1],
                     e_[1][0] * o.e_[0][0] + e_[1][1] * o.e_[1][0],
                     e_[1][0] * o.e_[0][1] + e_[1][1] * o.e_[1][1]);
}

cx2Vect cx2Matrix::operator*(const cx2Vect& v) const {
    return cx2Vect(e_[0][0] * v.x() + e_[0][1] * v.y(), e_[1][0] * v.x() + e_[1][1] * v.y());
}

cx2Xform cx2Xform::operator*(const cx2Xform& o) const {
    return cx2Xform(matrix_ * o.matrix_, matrix_ * o.trans_ + trans_);
}

cx2Xform cx2Xform::inverse() const {
    cmath_xformLinear linear = toLinear(*this);
    cmath_xformLinear inverted;
    int32_t status = cmath_xformLinear_getInverse(&linear, &inverted);
    if (status < 0) throw cxException(status, L"");
    const auto& e = inverted.matrix.element;
    return cx2Xform(cx2Matrix(e[0][0], e[0][1], e[1][0], e[1][1]), cx2Vect(inverted.trans));
}

cxRadian::cxRadian(const cxDegree& degrees) : value_(degrees.toDouble() / 180.0 * M_PI) {}

cxRadian cxRadian::operator+(const cxRadian& o) const {
    return cxRadian(halfTurnNorm(value_ + o.value_));
}

cxRadian cxRadian::operator-(const cxRadian& o) const {
    return cxRadian(halfTurnNorm(value_ - o.value_));
}

cxDegree::cxDegree(const cxRadian& radians) : value_(radians.toDouble() / M_PI * 180.0) {}
