// The L-corner finder: fits the two solid sides of a Data Matrix finder pattern to the longest
// straight runs of a contour, measures how far each side reaches along the contour, and builds
// the symbol's affine rectangle; with skew allowed it also fits the two far sides.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "ci_id/platform/cmath_fixed.h"
#include "ci_id/priv/ci_idut/locate/contour.h"

namespace cidut {

namespace {

struct tolerances {
    int64_t bandLow;  // accepted arm ratios (per cent) of square symbols
    int64_t bandHigh;
    int32_t angle;  // least angle value between the arms
};

tolerances tolerancesFor(int32_t allowSkew, int32_t allowStrongSkew, int32_t shapeHint) {
    tolerances t{75, 133, 4332};  // arms within 13 degrees of square
    if (allowSkew) t = tolerances{62, 160, 2748};
    if (allowStrongSkew && shapeHint == kShapeUnknown) t = tolerances{56, 177, 1732};
    return t;
}

bool ratioAccepted(int32_t shapeHint, int64_t ratio, const tolerances& t) {
    if (shapeHint == kShapeUnknown) return true;
    if (shapeHint == kShapeSquare) return t.bandLow <= ratio && ratio <= t.bandHigh;
    // The aspect ratios of the rectangular Data Matrix sizes, and their inverses.
    static const int64_t kRectangular[6][2] = {{175, 266}, {37, 57},   {266, 333},
                                               {26, 36},   {330, 470}, {20, 30}};
    for (const auto& range : kRectangular) {
        if (range[0] < ratio && ratio < range[1]) return true;
    }
    return false;
}

// Chord length against arm length, per mille; 500 when the chord is longer than the arm.
int32_t chordScore(int32_t length, int32_t arm) {
    int64_t armPixels = arm >> 4;
    if (armPixels < 1) return 500;
    int64_t score = int64_t{cmath_sqrt32(static_cast<uint32_t>(length) >> 4)} * 1000 / armPixels;
    return score > 1000 ? 500 : static_cast<int32_t>(score);
}

cmath_vect toPixels(const contourPoint& p) { return cmath_vect{p.second / 16.0, p.first / 16.0}; }

bool differsInBoth(const contourPoint& a, const contourPoint& b, int32_t by) {
    return std::abs(a.first - b.first) > by && std::abs(a.second - b.second) > by;
}

bool differsInOne(const contourPoint& a, const contourPoint& b, int32_t by) {
    return std::abs(a.first - b.first) > by || std::abs(a.second - b.second) > by;
}

// Signed angle value of a side against an arm, positive for the turn a rectangle makes there.
int32_t turnAgainst(const fixedLine& side, const fixedLine& arm) {
    return angleValue(-crossOf(side, arm), dotOf(side, arm));
}

bool meet(const fixedLine& l1, const fixedLine& l2, contourPoint* at) {
    if (crossOf(l1, l2) == 0) return false;
    *at = intersection(l1, l2);
    return true;
}

// What the L found so far, in sixteenths of a pixel.
struct lShape {
    fixedLine line0, lineK;
    contourPoint vertex, p1, p2, shapeCorner;
    int32_t maxArm, minArm;
    bool turn;
};

// Looks for the two far sides among the other long runs; on success rebuilds the rectangle
// from the vertex and the far sides' meeting points with the arms.
bool fitFarSides(const contourPoint* smoothed, const segment* segments, int32_t count, int32_t n,
                 int32_t k, const lShape& l, const tolerances& tol, cornerFinding* out) {
    const int32_t halfAngle = tol.angle / 2;
    for (int32_t j = 1; j < count; ++j) {
        if (j == k) continue;
        if (segments[j].length < 1024) return false;
        fixedLine lineJ = lineOfSegment(smoothed, n, segments[j]);
        for (int32_t m = j + 1; m < count; ++m) {
            if (m == k) continue;
            if (segments[m].length < 145 || segments[m].length < segments[j].length / 255) {
                return false;
            }
            fixedLine lineM = lineOfSegment(smoothed, n, segments[m]);
            int64_t cross = crossOf(lineJ, lineM), dot = dotOf(lineJ, lineM);
            if ((cross == 0 && dot == 0) || std::abs(angleValue(cross, dot)) < tol.angle) continue;
            contourPoint far;
            if (!meet(lineJ, lineM, &far)) continue;
            int32_t q1 = chordScore(segments[j].length, l.maxArm);
            int32_t q2 = chordScore(segments[m].length, l.minArm);
            if (std::min(q1, q2) < 500 || std::max(q1, q2) < 600) continue;
            if (!differsInOne(far, l.vertex, 159) || !differsInOne(far, l.p1, 159) ||
                !differsInOne(far, l.p2, 159)) {
                continue;
            }
            const fixedLine* first = l.turn ? &lineM : &lineJ;
            const fixedLine* other = l.turn ? &lineJ : &lineM;
            if (turnAgainst(*first, l.lineK) < halfAngle) std::swap(first, other);
            if (turnAgainst(*first, l.lineK) < halfAngle) continue;
            if (turnAgainst(*other, l.line0) < halfAngle) continue;
            contourPoint newP1, newP2;
            if (!meet(*first, l.lineK, &newP1) || !meet(*other, l.line0, &newP2)) continue;
            bool moved = (differsInBoth(newP1, l.p1, 16) && differsInBoth(newP2, l.p2, 16)) ||
                         (differsInBoth(newP1, l.p2, 16) && differsInBoth(newP2, l.p1, 16)) ||
                         differsInOne(far, l.shapeCorner, 16);
            bool farEnough = 2 * std::abs(int64_t{far.first} - l.vertex.first) >
                                 std::abs(int64_t{l.shapeCorner.first} - l.vertex.first) &&
                             2 * std::abs(int64_t{far.second} - l.vertex.second) >
                                 std::abs(int64_t{l.shapeCorner.second} - l.vertex.second);
            bool clearOfVertex =
                differsInBoth(newP1, l.vertex, 16) && differsInBoth(newP2, l.vertex, 16);
            if (!(moved && farEnough && clearOfVertex)) continue;
            const cmath_vect corners[3] = {toPixels(l.vertex), toPixels(newP1), toPixels(newP2)};
            cmath_shapeAffineRect_initPoints(&out->rect, corners);
            out->farCorner = toPixels(far);
            out->farCornerFromShape = 0;
            return true;
        }
    }
    return false;
}

}  // namespace

int32_t findCorner(const contourPoint* halved, const contourPoint* smoothed,
                   const segment* segments, int32_t count, int32_t n, int32_t allowSkew,
                   int32_t allowStrongSkew, int32_t shapeHint, cornerFinding* out) {
    out->found = 0;
    out->cornerScore = 0;
    const tolerances tol = tolerancesFor(allowSkew, allowStrongSkew, shapeHint);
    if (count < 2 || segments[0].length < 1024) return 0;
    lShape l;
    l.line0 = lineOfSegment(smoothed, n, segments[0]);
    for (int32_t k = 1; k < count; ++k) {
        if (segments[k].length < 145 || segments[k].length < segments[0].length / 255) return 0;
        l.lineK = lineOfSegment(smoothed, n, segments[k]);
        int64_t cross = crossOf(l.line0, l.lineK), dot = dotOf(l.line0, l.lineK);
        if (cross == 0 && dot == 0) return 0;
        int32_t angle = angleValue(cross, dot);
        l.turn = angle < 0;
        angle = std::abs(angle);
        if (angle < tol.angle) continue;
        l.vertex = intersection(l.line0, l.lineK);

        armReach arm0, armK;
        int32_t status =
            measureArm(halved, n, fartherEnd(smoothed, n, segments[0], l.vertex), l.lineK, &arm0);
        if (status < 0) return status;
        status =
            measureArm(halved, n, fartherEnd(smoothed, n, segments[k], l.vertex), l.line0, &armK);
        if (status < 0) return status;
        l.maxArm = std::max(arm0.length, armK.length);
        l.minArm = std::min(arm0.length, armK.length);
        if (int64_t{l.maxArm} * l.maxArm < int64_t{segments[0].length} * 64 / 9 ||
            armK.length < 16) {
            continue;
        }
        if (!ratioAccepted(shapeHint, int64_t{arm0.length} * 100 / armK.length, tol)) continue;

        contourPoint far0 = intersection(l.line0, parallelThrough(l.lineK, halved[arm0.index]));
        contourPoint farK = intersection(parallelThrough(l.line0, halved[armK.index]), l.lineK);
        l.p1 = l.turn ? far0 : farK;
        l.p2 = l.turn ? farK : far0;
        l.shapeCorner = contourPoint{l.p1.first + l.p2.first - l.vertex.first,
                                     l.p1.second + l.p2.second - l.vertex.second};
        const cmath_vect corners[3] = {toPixels(l.vertex), toPixels(l.p1), toPixels(l.p2)};
        cmath_shapeAffineRect_initPoints(&out->rect, corners);
        out->farCorner = cmath_vect{out->rect.px.x + out->rect.py.x - out->rect.po.x,
                                    out->rect.px.y + out->rect.py.y - out->rect.po.y};
        out->farCornerFromShape = 1;
        int32_t score =
            (chordScore(segments[0].length, l.maxArm) + chordScore(segments[k].length, l.minArm)) /
            2;
        out->cornerScore = angle < 4332 ? score * 8 / 10 : score;
        if (allowSkew) fitFarSides(smoothed, segments, count, n, k, l, tol, out);
        out->found = 1;
        return 0;
    }
    return 0;
}

}  // namespace cidut
