// Finds a Data Matrix's far side on the image: the outer edge of the timing modules that start
// at the end of a solid side. In an affine view it runs from the solid side's end parallel to the
// other solid side. Under perspective it does not, and the contour's extreme points place the
// solid side's end only roughly; then the side is searched among lines near that end and within
// about 17 degrees of the nominal direction: the one with the strongest edge between quiet zone
// outside and the dark timing modules inside wins, found coarse, then fine around the best line.
#include <algorithm>
#include <cmath>

#include "ci_id/priv/ci_idut/locate/dm_finder.h"
#include "ci_id/priv/ci_idut/locate/grey_sample.h"

namespace cidut {

namespace {

constexpr double kEdgeOffset = 0.7;   // pixels either side of a candidate line
constexpr double kBackward = 0.15;    // the search reaches this share of the solid side back
constexpr double kForward = 0.08;     // and this share beyond its end
constexpr double kAskewAngle = 0.30;  // radians either way, when the view may be askew
constexpr int kCoarseAngles = 6;      // angle steps either way in the coarse search
constexpr int kCoarseShifts = 40;     // shift steps over the solid side's reach
constexpr int kCoarseSamples = 32;    // most edge samples along a line in the coarse search
constexpr int kFineSteps = 2;         // fine steps either way within one coarse step

struct candidate {
    double shift;  // along the solid side from its end
    double angle;  // from the nominal direction
};

// Mean edge contrast along the line from `from` in direction `along`: quiet zone outside minus
// symbol colour inside, counting only stretches where the edge has the right sign.
double edgeStrength(const cimg_windowConst& w, const cmath_vect& from, const cmath_vect& along,
                    const cmath_vect& outward, double length, bool darkInk, int samples) {
    double sum = 0;
    for (int k = 0; k < samples; ++k) {
        double t = length * (0.05 + 0.9 * (k + 0.5) / samples);
        double x = from.x + t * along.x, y = from.y + t * along.y;
        double outside = 0, inside = 0;
        if (!greyAt(w, x + kEdgeOffset * outward.x, y + kEdgeOffset * outward.y, &outside) ||
            !greyAt(w, x - kEdgeOffset * outward.x, y - kEdgeOffset * outward.y, &inside)) {
            continue;
        }
        sum += std::max(0.0, darkInk ? outside - inside : inside - outside);
    }
    return sum / samples;
}

cmath_vect rotated(const cmath_vect& v, double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    return cmath_vect{c * v.x - s * v.y, s * v.x + c * v.y};
}

}  // namespace

farSide findFarSide(const cimg_windowConst& window, const cmath_vect& vertex, const cmath_vect& end,
                    const cmath_vect& otherEnd, bool darkInk, bool askew) {
    const double armLength = std::hypot(end.x - vertex.x, end.y - vertex.y);
    const double length = std::hypot(otherEnd.x - vertex.x, otherEnd.y - vertex.y);
    const cmath_vect arm{(end.x - vertex.x) / armLength, (end.y - vertex.y) / armLength};
    const cmath_vect nominal{(otherEnd.x - vertex.x) / length, (otherEnd.y - vertex.y) / length};
    const int samples = std::min(kCoarseSamples, std::max(8, static_cast<int>(length / 2)));

    auto lineOf = [&](const candidate& c, farSide* side) {
        side->from = cmath_vect{end.x + c.shift * arm.x, end.y + c.shift * arm.y};
        side->along = rotated(nominal, c.angle);
        side->length = length;
        // Outward: away from the vertex, on the solid side's far side.
        cmath_vect normal{-side->along.y, side->along.x};
        if (normal.x * arm.x + normal.y * arm.y < 0) normal = cmath_vect{-normal.x, -normal.y};
        side->outward = normal;
    };
    auto score = [&](const candidate& c, int count) {
        farSide side;
        lineOf(c, &side);
        return edgeStrength(window, side.from, side.along, side.outward, length, darkInk, count);
    };

    farSide side;
    if (!askew) {
        lineOf(candidate{0, 0}, &side);
        return side;
    }
    const double shiftStep = std::max(1.0, (kBackward + kForward) * armLength / kCoarseShifts);
    const double angleStep = kAskewAngle / kCoarseAngles;
    const int angleSteps = kCoarseAngles;
    candidate best{0, 0};
    double bestScore = -1;
    for (double shift = -kBackward * armLength; shift <= kForward * armLength; shift += shiftStep) {
        for (int a = -angleSteps; a <= angleSteps; ++a) {
            candidate c{shift, a * angleStep};
            double s = score(c, samples);
            if (s > bestScore) {
                bestScore = s;
                best = c;
            }
        }
    }
    const candidate coarse = best;
    const int fineSamples = std::max(8, static_cast<int>(length));
    bestScore = -1;
    for (int i = -kFineSteps; i <= kFineSteps; ++i) {
        for (int a = -kFineSteps; a <= kFineSteps; ++a) {
            candidate c{coarse.shift + i * shiftStep / kFineSteps,
                        coarse.angle + a * angleStep / kFineSteps};
            double s = score(c, fineSamples);
            if (s > bestScore) {
                bestScore = s;
                best = c;
            }
        }
    }
    lineOf(best, &side);
    return side;
}

}  // namespace cidut
