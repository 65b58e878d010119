// The fixed-point line fit in single precision, bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "ci_id/linefit.h"

namespace {

// The fixed-point fit step by step: integer sums, then float throughout (square roots
// in double, rounded back), outputs rounded half away from zero.
cidut_fixedLine floatFit(const std::vector<cidut_fixedPoint>& pts, int fracBits) {
    int64_t x = 0, y = 0, xx = 0, yy = 0, xy = 0;
    for (const cidut_fixedPoint& p : pts) {
        x += p.x, y += p.y, xx += int64_t{p.x} * p.x, yy += int64_t{p.y} * p.y;
        xy += int64_t{p.x} * p.y;
    }
    const float s1 = std::ldexp(1.0f, fracBits), s2 = s1 * s1, n = float(pts.size());
    const float sx = float(x) / s1, sy = float(y) / s1, mx = sx / n, my = sy / n;
    const float diff = (float(xx) / s2 - sx * mx) - (float(yy) / s2 - sy * my);
    const float b = 2.0f * (float(xy) / s2 - sx * my);
    const float c2 = diff / float(std::sqrt(double(b * b + diff * diff)));
    auto root = [](float v) { return v < 1e-15 ? 0.0f : float(std::sqrt(double(v / 2.0f))); };
    float s = root(1.0f - c2), c = b < 0 ? -root(1.0f + c2) : root(1.0f + c2);
    const float d = -mx * s + my * c, sign = d < 0 ? -1.0f : 1.0f;
    c *= sign, s *= sign;
    auto fixed = [fracBits](double v) {
        const double scaled = std::ldexp(v, fracBits);
        return int32_t(v >= 0 ? scaled + 0.5 : scaled - 0.4999999999);
    };
    return {{fixed(-s * (d * sign)), fixed(c * (d * sign))}, {fixed(c), fixed(s)}};
}

TEST(LineFitFloat, FixedPointFitIsTheSinglePrecisionOne) {
    // Noisy lines up to 400 pixels from the origin, where float moments lose digits.
    std::mt19937 rng(12);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int trial = 0; trial < 300; ++trial) {
        const int bits = 2 + trial % 8;
        const double angle = 3.2 * unit(rng), cx = 400 * unit(rng), cy = 400 * unit(rng);
        std::vector<cidut_fixedPoint> pts(3 + trial % 40);
        for (auto& p : pts) {
            const double t = 30 * unit(rng), off = 0.5 * unit(rng);
            p.x = int32_t(std::ldexp(cx + t * std::cos(angle) - off * std::sin(angle), bits));
            p.y = int32_t(std::ldexp(cy + t * std::sin(angle) + off * std::cos(angle), bits));
        }
        const cidut_fixedLine want = floatFit(pts, bits);
        cidut_fixedLine line{};
        ASSERT_EQ(cidut_lineFitting_Fixed(nullptr, &line, pts.data(), int32_t(pts.size()), bits),
                  0);
        EXPECT_EQ(std::vector<int32_t>({line.pos.x, line.pos.y, line.dir.x, line.dir.y}),
                  std::vector<int32_t>({want.pos.x, want.pos.y, want.dir.x, want.dir.y}));
    }
}

}  // namespace
