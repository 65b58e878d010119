/* Mathematics classes: 2-D vectors, 2 x 2 matrices, affine transforms and angles.
 *
 * cxRadian holds any angle in radians; the sum and difference of two cxRadian values are brought
 * into (-pi, pi], so that adding a half turn to a direction from atan2 gives a direction from
 * atan2 again. NaN and infinite angles give NaN. cxDegree holds degrees; the two convert into each
 * other explicitly, exactly at whole multiples of a quarter turn. */
#ifndef CI_ID_CX_MATH_H
#define CI_ID_CX_MATH_H

#ifdef __cplusplus
#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cmath_vect.h"

class CI_ID_API cx2Vect {
public:
    cx2Vect() : x_(0.0), y_(0.0) {}
    cx2Vect(double x, double y) : x_(x), y_(y) {}
    explicit cx2Vect(const cmath_vect& v) : x_(v.x), y_(v.y) {}

    double x() const { return x_; }
    double y() const { return y_; }
    cmath_vect vect() const { return cmath_vect{x_, y_}; }

    cx2Vect operator+(const cx2Vect& o) const { return cx2Vect(x_ + o.x_, y_ + o.y_); }
    cx2Vect operator-(const cx2Vect& o) const { return cx2Vect(x_ - o.x_, y_ - o.y_); }
    cx2Vect operator*(double f) const { return cx2Vect(x_ * f, y_ * f); }
    bool operator==(const cx2Vect& o) const { return x_ == o.x_ && y_ == o.y_; }
    bool operator!=(const cx2Vect& o) const { return !(*this == o); }

private:
    double x_;
    double y_;
};

/* element(row, col); the default matrix is the identity. */
class CI_ID_API cx2Matrix {
public:
    cx2Matrix() : e_{{1.0, 0.0}, {0.0, 1.0}} {}
    cx2Matrix(double e00, double e01, double e10, double e11) : e_{{e00, e01}, {e10, e11}} {}

    double element(int row, int col) const;
    double determinant() const { return e_[0][0] * e_[1][1] - e_[0][1] * e_[1][0]; }
    cx2Matrix operator*(const cx2Matrix& o) const;
    cx2Vect operator*(const cx2Vect& v) const;

private:
    double e_[2][2];
};

/* The map p -> matrix() * p + trans(); the default transform is the identity. */
class CI_ID_API cx2Xform {
public:
    cx2Xform() {}
    cx2Xform(const cx2Matrix& matrix, const cx2Vect& trans) : matrix_(matrix), trans_(trans) {}

    const cx2Matrix& matrix() const { return matrix_; }
    const cx2Vect& trans() const { return trans_; }
    /* The image of point p. */
    cx2Vect operator*(const cx2Vect& p) const { return matrix_ * p + trans_; }
    /* This transform applied after o. */
    cx2Xform operator*(const cx2Xform& o) const;
    /* Throws cxException with CMATH_STATUS_SINGULAR when the matrix has no usable inverse. */
    cx2Xform inverse() const;

private:
    cx2Matrix matrix_;
    cx2Vect trans_;
};

class cxDegree;

class CI_ID_API cxRadian {
public:
    cxRadian() : value_(0.0) {}
    explicit cxRadian(double radians) : value_(radians) {}
    explicit cxRadian(const cxDegree& degrees);

    double toDouble() const { return value_; }
    /* Both results lie in (-pi, pi]. */
    cxRadian operator+(const cxRadian& o) const;
    cxRadian operator-(const cxRadian& o) const;

private:
    double value_;
};

class CI_ID_API cxDegree {
public:
    cxDegree() : value_(0.0) {}
    explicit cxDegree(double degrees) : value_(degrees) {}
    explicit cxDegree(const cxRadian& radians);

    double toDouble() const { return value_; }

private:
    double value_;
};
#endif

#endif
