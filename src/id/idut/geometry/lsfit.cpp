// Least-squares line fits on point arrays, in floating point and in fixed point.
#include <cmath>
#include <cstdint>

#include "ci_id/linefit.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/geometry/principal_axis.h"
#include "ci_id/status.h"

namespace {

// Sums of the points' offsets from an origin near them (the first point): centring the moments
// then cancels little, however far the points lie from (0, 0).
struct offsetSums {
    double x = 0, y = 0, xx = 0, yy = 0, xy = 0;

    void add(double dx, double dy) {
        x += dx;
        y += dy;
        xx += dx * dx;
        yy += dy * dy;
        xy += dx * dy;
    }
    void add(const offsetSums& o) {
        x += o.x;
        y += o.y;
        xx += o.xx;
        yy += o.yy;
        xy += o.xy;
    }
};

offsetSums sumOffsets(const cmath_vect* pts, int32_t numPts, const cmath_vect& origin) {
    // Two interleaved sets of sums halve the chains of dependent additions.
    offsetSums even, odd;
    int32_t i = 0;
    for (; i + 1 < numPts; i += 2) {
        even.add(pts[i].x - origin.x, pts[i].y - origin.y);
        odd.add(pts[i + 1].x - origin.x, pts[i + 1].y - origin.y);
    }
    if (i < numPts) even.add(pts[i].x - origin.x, pts[i].y - origin.y);
    even.add(odd);
    return even;
}

// v * 2^fracBits with the library's rounding: + 0.5 for v >= 0, - 0.4999999999 below, truncated.
int32_t toFixed(double v, int32_t fracBits) {
    double scaled = std::ldexp(v, fracBits);
    scaled = v >= 0.0 ? scaled + 0.5 : scaled - 0.4999999999;
    CSTD_ASSERT(scaled > -2147483649.0 && scaled < 2147483648.0);
    return static_cast<int32_t>(scaled);
}

// Coordinate sums of fixed-point points. Mend: 128 bits where 64-bit sums overflow for long lists
// of large coordinates; every sum that 64 bits hold converts to the same float either way.
struct wideSums {
    __int128 x = 0, y = 0, xx = 0, yy = 0, xy = 0;
};

wideSums sumPoints(const cidut_fixedPoint* pts, int32_t numPts) {
    wideSums sums;
    for (int32_t i = 0; i < numPts; ++i) {
        const int64_t px = pts[i].x;
        const int64_t py = pts[i].y;
        sums.x += px;
        sums.y += py;
        sums.xx += px * px;
        sums.yy += py * py;
        sums.xy += px * py;
    }
    return sums;
}

// sqrt(v / 2) of a float, taken in double and rounded back; 0 for v below 1e-15.
float halfRoot(float v) {
    CSTD_ASSERT(v >= -1e-15);
    if (v < 1e-15) return 0.0f;
    return static_cast<float>(std::sqrt(static_cast<double>(v / 2.0f)));
}

}  // namespace

extern "C" {

int32_t cidut_lineFitting(cidut_line* line, const cmath_vect* pts, int32_t numPts) {
    CSTD_ASSERT(line && numPts >= 0 && (pts || numPts == 0));
    if (numPts == 0) return 0;
    const cmath_vect origin = pts[0];
    offsetSums sums = sumOffsets(pts, numPts, origin);
    double n = numPts;
    double mx = sums.x / n;
    double my = sums.y / n;
    double diff = (sums.xx - sums.x * mx) - (sums.yy - sums.y * my);
    double cross = 2.0 * (sums.xy - sums.x * my);
    // A NaN or infinite coordinate, or an overflowing sum, leaves one of these not finite.
    if (!std::isfinite(diff) || !std::isfinite(cross) || !std::isfinite(mx) || !std::isfinite(my)) {
        return CID_STATUS_NO_LINE_FIT;
    }
    if (diff == 0.0 && cross == 0.0) return 0;
    double c = 0, s = 0;
    cidut::principalDirection(diff, cross, &c, &s);
    double d = (-origin.x * s + origin.y * c) + (-mx * s + my * c);
    if (!std::isfinite(d)) return CID_STATUS_NO_LINE_FIT;
    if (d < 0.0) {
        c = -c;
        s = -s;
        d = -d;
    }
    line->dir = cmath_vect{c, s};
    line->pos = cmath_vect{-s * d, c * d};
    return 0;
}

int32_t cidut_lineFitting_Fixed(const void* /*reserved*/, cidut_fixedLine* line,
                                const cidut_fixedPoint* pts, int32_t numPts, int32_t fracBits) {
    CSTD_ASSERT(line && numPts >= 0 && (pts || numPts == 0));
    CSTD_ASSERT(fracBits >= 0 && fracBits <= 30);
    if (numPts == 0) return 0;
    // Single precision from the scaled sums on, as stored fits and peers compute it.
    const wideSums sums = sumPoints(pts, numPts);
    const float scale = std::ldexp(1.0f, fracBits);
    const float scale2 = scale * scale;
    const float n = static_cast<float>(numPts);
    const float sx = static_cast<float>(sums.x) / scale;
    const float sy = static_cast<float>(sums.y) / scale;
    const float mx = sx / n;
    const float my = sy / n;
    const float sxx = static_cast<float>(sums.xx) / scale2 - sx * mx;
    const float syy = static_cast<float>(sums.yy) / scale2 - sy * my;
    const float cross = 2.0f * (static_cast<float>(sums.xy) / scale2 - sx * my);
    const float diff = sxx - syy;
    if (cross == 0.0f && diff == 0.0f) return 0;
    const float r = static_cast<float>(std::sqrt(static_cast<double>(cross * cross + diff * diff)));
    const float cos2 = diff / r;
    float s = halfRoot(1.0f - cos2);
    float c = halfRoot(1.0f + cos2);
    if (cross < 0.0f) c = -c;
    float d = -mx * s + my * c;
    if (d < 0.0f) {
        c = -c;
        s = -s;
        d = -d;
    }
    cidut_fixedLine fitted{{toFixed(-s * d, fracBits), toFixed(c * d, fracBits)},
                           {toFixed(c, fracBits), toFixed(s, fracBits)}};
    *line = fitted;
    return 0;
}

int32_t cidut_linefit_params_set(cidut_linefit_params* params, int32_t numOutliers,
                                 double maxRmsError) {
    CSTD_ASSERT(params);
    params->numOutliers = numOutliers;
    params->maxRmsError = maxRmsError;
    return 0;
}
}
