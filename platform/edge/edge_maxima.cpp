// Edgels of the edge library: maxima of the magnitude across the edge, thresholds with
// hysteresis, and sub-pixel positions.
#include <cmath>

#include "edge/edge_internal.h"

namespace csedge {

namespace {

// The magnitudes one step ahead of a pixel along its gradient and one step behind, read where
// that line crosses the next column (mostly horizontal gradients) or row (mostly vertical ones),
// between the two pixels it passes; and the step itself.
struct crossing {
    float ahead;
    float behind;
    float stepX;
    float stepY;
};

crossing acrossEdge(const gradientPlanes& planes, int32_t x, int32_t y) {
    const size_t p = at(planes, x, y);
    const double ax = std::fabs(double(planes.gx[p]));
    const double ay = std::fabs(double(planes.gy[p]));
    const int32_t sx = planes.gx[p] < 0 ? -1 : 1;
    const int32_t sy = planes.gy[p] < 0 ? -1 : 1;
    auto m = [&](int32_t dx, int32_t dy) { return planes.magnitude[at(planes, x + dx, y + dy)]; };
    if (ax >= ay) {
        const float t = static_cast<float>(ay / ax);
        return crossing{(1.0f - t) * m(sx, 0) + t * m(sx, sy),
                        (1.0f - t) * m(-sx, 0) + t * m(-sx, -sy), float(sx), float(sy) * t};
    }
    const float t = static_cast<float>(ax / ay);
    return crossing{(1.0f - t) * m(0, sy) + t * m(sx, sy), (1.0f - t) * m(0, -sy) + t * m(-sx, -sy),
                    float(sx) * t, float(sy)};
}

}  // namespace

bool usesHysteresis(const csEdgeParams& params) {
    return params.highThreshold > params.lowThreshold;
}

int64_t markCandidates(const gradientPlanes& planes, const csEdgeParams& params) {
    const uint8_t passing = usesHysteresis(params) ? kCandidate : kKept;
    int64_t count = 0;
    for (int32_t y = 2; y < planes.height - 2; ++y) {
        for (int32_t x = 2; x < planes.width - 2; ++x) {
            const size_t p = at(planes, x, y);
            const float m = planes.magnitude[p];
            const uint8_t byte = magnitudeByte(m);
            if (byte < 1 || !(byte >= params.lowThreshold)) continue;
            // Of two equal neighbours across the edge, the one further along the gradient is the
            // maximum.
            const crossing c = acrossEdge(planes, x, y);
            if (!(m > c.ahead && m >= c.behind)) continue;
            planes.marks[p] =
                passing == kCandidate && byte >= params.highThreshold ? kStrong : passing;
            ++count;
        }
    }
    return count;
}

int64_t keepConnected(const gradientPlanes& planes, int64_t* stack) {
    const size_t total = size_t(planes.width) * size_t(planes.height);
    int64_t kept = 0;
    for (size_t seed = 0; seed < total; ++seed) {
        if (planes.marks[seed] != kStrong) continue;
        int64_t depth = 0;
        planes.marks[seed] = kKept;
        stack[depth++] = int64_t(seed);
        while (depth > 0) {
            const int64_t p = stack[--depth];
            ++kept;
            // Candidates never lie on the plane's two outer rings, so every neighbour exists.
            for (int32_t dy = -1; dy <= 1; ++dy) {
                for (int32_t dx = -1; dx <= 1; ++dx) {
                    const int64_t q = p + int64_t(dy) * planes.width + dx;
                    if (planes.marks[q] != kCandidate && planes.marks[q] != kStrong) continue;
                    planes.marks[q] = kKept;
                    stack[depth++] = q;
                }
            }
        }
    }
    return kept;
}

csEdge edgelAt(const gradientPlanes& planes, int32_t x, int32_t y, int64_t x0, int64_t y0) {
    const float m = planes.magnitude[at(planes, x, y)];
    // The vertex of the parabola through behind, m and ahead, in steps along the gradient; a
    // maximum makes the denominator negative.
    const crossing c = acrossEdge(planes, x, y);
    const double vertex =
        (double(c.behind) - c.ahead) / (2.0 * (double(c.ahead) - 2.0 * m + c.behind));
    const double px = double(x0) + x + 0.5 + vertex * c.stepX;
    const double py = double(y0) + y + 0.5 + vertex * c.stepY;
    return csEdge{float(px), float(py), static_cast<int32_t>(x0 + x), static_cast<int32_t>(y0 + y),
                  magnitudeByte(m)};
}

}  // namespace csedge
