// The least-squares accumulator: running sums, fits and errors from the sums alone.
#include <climits>
#include <cmath>

#include "ci_id/linefit.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/cx_exception.h"
#include "ci_id/priv/ci_idut/geometry/principal_axis.h"
#include "ci_id/status.h"

namespace {

constexpr double kDegenerateMoment = 1e-12;
constexpr double kUnitCircleTolerance = 1e-15;

// Sum of squared distances sum (-s x + c y - d)^2, expanded over the sums.
double squaredDistanceSum(double s, double c, double d, int32_t n, double sumX, double sumY,
                          double sumXX, double sumYY, double sumXY) {
    return n * d * d + 2.0 * d * (s * sumX - c * sumY) + s * s * sumXX + c * c * sumYY -
           2.0 * s * c * sumXY;
}

cidut_line lineOf(double angle, double dist) {
    cidut_line line;
    if (cidut_line_initAngDis(&line, angle, dist) < 0) {
        throw cxException(CID_STATUS_INVALID_GEOMETRY, L"");
    }
    return line;
}

}  // namespace

ccCidLSLineFitter::ccCidLSLineFitter() { reset(); }

ccCidLSLineFitter::ccCidLSLineFitter(const cxVector<cx2Vect>& pts) {
    reset();
    for (const cx2Vect& p : pts) update(p);
}

ccCidLSLineFitter::ccCidLSLineFitter(const ccCidLSLineFitter& o) = default;

void ccCidLSLineFitter::reset() {
    numPts = 0;
    sumX = sumY = sumXX = sumYY = sumXY = 0.0;
}

void ccCidLSLineFitter::update(const cx2Vect& p) {
    CSTD_ASSERT(numPts < INT32_MAX);
    ++numPts;
    sumX += p.x();
    sumY += p.y();
    sumXX += p.x() * p.x();
    sumYY += p.y() * p.y();
    sumXY += p.x() * p.y();
}

int ccCidLSLineFitter::numPoints() const { return numPts; }

bool ccCidLSLineFitter::principalAxis(double* c, double* s, double* d) const {
    if (numPts < 2) return false;
    double mx = sumX / numPts;
    double my = sumY / numPts;
    double diff = (sumXX - sumX * mx) - (sumYY - sumY * my);
    double cross = 2.0 * (sumXY - sumX * my);
    // Points with NaN or infinite coordinates leave these not finite: no fit, never a loop.
    if (!std::isfinite(diff) || !std::isfinite(cross) || !std::isfinite(mx) || !std::isfinite(my)) {
        return false;
    }
    if (std::fabs(cross) < kDegenerateMoment && std::fabs(diff) < kDegenerateMoment) return false;
    cidut::principalDirection(diff, cross, c, s);
    *d = -mx * *s + my * *c;
    return std::isfinite(*d);
}

bool ccCidLSLineFitter::fit(cidut_line& line) const {
    double c = 0, s = 0, d = 0;
    if (!principalAxis(&c, &s, &d)) return false;
    cxRadian angle(std::atan2(s, c));
    line = d >= 0.0 ? lineOf(angle.toDouble(), d)
                    : lineOf((angle + cxRadian(cxDegree(180.0))).toDouble(), -d);
    return true;
}

cidut_line ccCidLSLineFitter::fit() const {
    cidut_line line;
    if (!fit(line)) throw cxException(CID_STATUS_NO_LINE_FIT, L"");
    return line;
}

bool ccCidLSLineFitter::fitAndError(cidut_line* line, double* err) const {
    double c = 0, s = 0, d = 0;
    if (!principalAxis(&c, &s, &d)) return false;
    if (d < 0.0) {
        c = -c;
        s = -s;
        d = -d;
    }
    if (line) *line = lineOf(std::atan2(s, c), d);
    if (err) *err = squaredDistanceSum(s, c, d, numPts, sumX, sumY, sumXX, sumYY, sumXY);
    return true;
}

double ccCidLSLineFitter::error(const cidut_line& line) const {
    double angle = 0;
    int32_t status = cmath_vect_getDirection(&line.dir, &angle);
    if (status < 0) throw cxException(status, L"", "src/id/idut/linefit", __LINE__);
    double s = std::sin(angle);
    double c = std::cos(angle);
    // Written so that a NaN direction passes and gives a NaN error.
    CSTD_ASSERT(!(std::fabs(s * s + c * c - 1.0) > kUnitCircleTolerance));
    double d = -s * line.pos.x + c * line.pos.y;
    return squaredDistanceSum(s, c, d, numPts, sumX, sumY, sumXX, sumYY, sumXY);
}

ccCidLSLineFitter& ccCidLSLineFitter::operator+=(const ccCidLSLineFitter& o) {
    CSTD_ASSERT(numPts <= INT32_MAX - o.numPts);
    numPts += o.numPts;
    sumX += o.sumX;
    sumY += o.sumY;
    sumXX += o.sumXX;
    sumYY += o.sumYY;
    sumXY += o.sumXY;
    return *this;
}

ccCidLSLineFitter ccCidLSLineFitter::operator+(const ccCidLSLineFitter& o) const {
    ccCidLSLineFitter sum(*this);
    sum += o;
    return sum;
}

ccCidLSLineFitter& ccCidLSLineFitter::operator=(const ccCidLSLineFitter& o) = default;

ccCidLSLineFitter operator*(const cx2Xform& T, const ccCidLSLineFitter& f) {
    const cx2Matrix& m = T.matrix();
    double a = m.element(0, 0), b = m.element(0, 1), e = m.element(1, 0), g = m.element(1, 1);
    double tx = T.trans().x(), ty = T.trans().y();
    double n = f.numPts;
    ccCidLSLineFitter out;
    out.numPts = f.numPts;
    out.sumX = a * f.sumX + b * f.sumY + tx * n;
    out.sumY = e * f.sumX + g * f.sumY + ty * n;
    out.sumXX = a * a * f.sumXX + b * b * f.sumYY + tx * tx * n +
                2.0 * (a * b * f.sumXY + a * tx * f.sumX + b * tx * f.sumY);
    out.sumYY = e * e * f.sumXX + g * g * f.sumYY + ty * ty * n +
                2.0 * (e * g * f.sumXY + e * ty * f.sumX + g * ty * f.sumY);
    out.sumXY = a * e * f.sumXX + b * g * f.sumYY + tx * ty * n + (a * g + b * e) * f.sumXY +
                (a * ty + e * tx) * f.sumX + (b * ty + g * tx) * f.sumY;
    return out;
}
