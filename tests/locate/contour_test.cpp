// The contour machinery: tracker points and the L corner of rendered squares against their true
// sides and corners, smoothing of straight contours, and the rules that cut and fit straight runs.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "ci_id/platform/cbt.h"
#include "ci_id/priv/ci_idut/locate/contour.h"
#include "scene.h"
#include "view.h"

namespace {

using cidut::contourPoint;

double distance(const cmath_vect& a, const cmath_vect& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Sums of errors: their lengths and their components along x and y.
struct errorStats {
    double length = 0, x = 0, y = 0;
    int count = 0;
    void add(double dx, double dy) { length += std::hypot(dx, dy), x += dx, y += dy, ++count; }
};

// Squares 60 pixels wide at every angle and sub-pixel place, blurred and traced at their mid-level:
// tracker points lie on the true sides, the chain (halve, smooth, curvature, one straight run per
// side) gives an L whose corners are the square's, and neither is biased.
TEST(Contour, RenderedSquaresGiveTheirSidesAndCorners) {
    std::vector<unsigned char> buffer(cidut::kWorkAreaBytes);
    const cidut::contourWorkArea area = cidut::workAreaOf(buffer.data());
    errorStats points, corners;
    double outward = 0;
    for (int degrees = 0; degrees < 90; degrees += 3) {
        cid_test::scene layout(160, 160, 200);
        const cid_test::placement where{
            {80 + degrees % 7 * 0.13, 79 + degrees % 5 * 0.21}, 60, degrees * M_PI / 180};
        const cid_test::quad square = layout.addArt(cid_test::cellGrid(1, 1, {40}), where);
        cid_test::imagingConditions conditions;
        conditions.supersampling = 16;
        conditions.blurSigma = 0.7;
        cid_test::windowedImage image(layout.render(conditions));
        cbt_runParams params;
        cbt_runParams_init(&params);
        params.threshold = 120;
        params.start2X = params.start2Y = params.start1Y = 80 * 256;
        params.start1X = 159 * 256;
        cbt_result track;
        cbt_result_construct(&track, 0);
        ASSERT_EQ(cbt_boundaryTrack(image.get(), &params, &track), 0);
        int32_t n = track.count;
        for (int32_t i = 0; i < n; ++i) {
            area.contour[i] = cidut::fromTrackerPoint(track.points[i]);
            // Tracker points are pixel-centre coordinates.
            const cmath_vect p{track.points[i].x / 256.0 + 0.5, track.points[i].y / 256.0 + 0.5};
            bool nearCorner = false;
            for (const cmath_vect& corner : square) nearCorner |= distance(p, corner) < 3;
            if (nearCorner) continue;
            double nearest = 1e9;
            cmath_vect normal{0, 0};
            for (int k = 0; k < 4; ++k) {
                const cmath_vect a = square[k], b = square[(k + 1) % 4];
                const cmath_vect out{(b.y - a.y) / distance(a, b), (a.x - b.x) / distance(a, b)};
                const double d = (p.x - a.x) * out.x + (p.y - a.y) * out.y;
                if (std::fabs(d) < std::fabs(nearest)) nearest = d, normal = out;
            }
            EXPECT_LT(std::fabs(nearest), 0.12) << degrees;
            points.add(nearest * normal.x, nearest * normal.y);
            outward += nearest;
        }
        cbt_result_destruct(&track);
        cidut::halve(area.contour, n, &n);
        cidut::smooth(area.smoothed, area.contour, n, 3);
        int32_t largest = 0, runs = 0;
        cidut::curvature(area.curvature, area.smoothed, n, 6, &largest);
        cidut::straightRuns(area.segments, area.curvature, area.smoothed, 0, n, 3, 64, 100, &runs);
        EXPECT_EQ(runs, 4) << degrees;
        cidut::sortSegments(area.segments, runs);
        cidut::cornerFinding corner;
        ASSERT_EQ(cidut::findCorner(area.contour, area.smoothed, area.segments, runs, n, 0, 0,
                                    cidut::kShapeSquare, &corner),
                  0);
        ASSERT_EQ(corner.found, 1) << degrees;
        for (const cmath_vect& p :
             {corner.rect.po, corner.rect.px, corner.rect.py, corner.farCorner}) {
            const cmath_vect* c = &square[0];
            for (const cmath_vect& other : square)
                c = distance(p, other) < distance(p, *c) ? &other : c;
            EXPECT_LT(distance(p, *c), 0.8) << degrees;
            corners.add(p.x - c->x, p.y - c->y);
        }
    }
    // Measured: points 0.016 pixel from their sides on average, biased by less than 0.0001 along
    // x, y and the outward normal; corners 0.26 pixel off on average and biased by -0.13 pixel
    // along both axes, as the chain's fixed-point floors shift them towards the origin.
    EXPECT_LT(points.length / points.count, 0.025);
    for (double bias : {points.x, points.y, outward})
        EXPECT_LT(std::fabs(bias / points.count), 0.005);
    EXPECT_LT(corners.length / corners.count, 0.35);
    for (double bias : {corners.x, corners.y}) EXPECT_LT(std::fabs(bias / corners.count), 0.2);
}

// Closed contours of straight sides (rotated rectangles sampled about every 0.7 pixel): smoothing
// with any window keeps the points of a side on it, within half a point spacing of where they
// were. The contours lie within 150 pixels of the image origin: the window's reciprocal in fixed
// point scales coordinates by as much as 1 - 3e-4, which farther out moves points off the side by
// more than rounding.
TEST(Contour, SmoothingKeepsStraightSidesStraight) {
    std::mt19937 rng(8);
    for (int trial = 0; trial < 40; ++trial) {
        const double angle = std::uniform_real_distribution<double>(0, M_PI)(rng);
        const double c = std::cos(angle), s = std::sin(angle), step = 0.7 * 16;
        const int32_t window = 2 + rng() % 11;
        const int sides[2] = {40 + int(rng() % 40), 40 + int(rng() % 40)};
        const double x0 = 16 * (20 + rng() % 60), y0 = 16 * (20 + rng() % 60);
        std::vector<contourPoint> in;
        std::vector<int> side;
        for (int k = 0; k < 4; ++k) {
            for (int i = 0; i < sides[k % 2]; ++i) {
                // Walking the sides in turn, in the rectangle's own frame.
                const double u = step * (k == 0   ? i
                                         : k == 1 ? sides[0]
                                         : k == 2 ? sides[0] - i
                                                  : 0);
                const double v = step * (k == 0   ? 0
                                         : k == 1 ? i
                                         : k == 2 ? sides[1]
                                                  : sides[1] - i);
                in.push_back({int32_t(std::lround(y0 + u * s + v * c)),
                              int32_t(std::lround(x0 + u * c - v * s))});
                side.push_back(i >= window && i < sides[k % 2] - window ? k % 2 : -1);
            }
        }
        std::vector<contourPoint> out(in.size());
        cidut::smooth(out.data(), in.data(), int32_t(in.size()), window);
        for (size_t k = 0; k < in.size(); ++k) {
            if (side[k] < 0) continue;
            const double dx = out[k].second - in[k].second, dy = out[k].first - in[k].first;
            const double ux = side[k] ? -s : c, uy = side[k] ? c : s;  // along the side
            EXPECT_LE(std::fabs(dx * ux + dy * uy), step / 2 + 2) << trial;
            EXPECT_LE(std::fabs(dx * uy - dy * ux), 2) << trial;
        }
    }
}

// A run starts at a point whose curvature is at most the threshold and goes on while it stays
// below; it counts when longer than minRun and its middle lies within 3 sqrt(threshold) quarter
// pixels (6 pixels at 64) of its chord, or, with split, for each half that does. Points 10 pixels
// apart on a line, corners (curvature 100) at 0, 20 and 40, the point before the last corner at
// the threshold; the middle of the second run stands 5 pixels off the line, of the third 7.
TEST(Contour, StraightRunsEndAtTheThresholdAndBendWithinTheTolerance) {
    std::vector<contourPoint> points(60);
    std::vector<int32_t> curvature(60, 0);
    for (int32_t i = 0; i < 60; ++i) {
        points[i] = {16 * (100 + (i >= 28 && i <= 31 ? 5 : i >= 48 && i <= 52 ? 7 : 0)), 160 * i};
    }
    curvature[0] = curvature[20] = curvature[40] = 100;
    curvature[39] = 64;
    const std::vector<int32_t> expected[2] = {{1, 19, 21, 38}, {1, 19, 21, 38, 41, 50, 50, 59}};
    for (int32_t split : {0, 1}) {
        std::vector<cidut::segment> runs(8);
        int32_t count = 0;
        cidut::straightRuns(runs.data(), curvature.data(), points.data(), split, 60, 3, 64, 8,
                            &count);
        std::vector<int32_t> ends;
        for (int32_t k = 0; k < count; ++k) ends.insert(ends.end(), {runs[k].start, runs[k].end});
        EXPECT_EQ(ends, expected[split]);
    }
}

// With skew allowed the L finder fits a quad's far sides when their runs are at least 8 pixels
// long, and takes its far corner where they meet; shorter runs are not trusted, and the far corner
// completes the parallelogram of the arms. Chord scores let so short a run count only beside arms
// under 12 pixels: a clockwise contour round an L of 11 pixels whose far corner lies 0.7 pixel
// beyond one arm's end and 0.7 short of the other's.
TEST(Contour, FarSidesFittedOnlyFromRunsOfEightPixels) {
    const double c = std::cos(0.13), s = std::sin(0.13);
    auto at = [&](double u, double v) {
        return cmath_vect{40 + u * c - v * s, 40 + u * s + v * c};
    };
    const cmath_vect quad[4] = {at(0, 0), at(0, -11), at(11.7, -10.3), at(11, 0)};
    std::vector<contourPoint> points;
    int32_t firstOfSide[5];
    for (int k = 0; k < 4; ++k) {
        const cmath_vect a = quad[k], b = quad[(k + 1) % 4];
        const int steps = int(distance(a, b) / 0.5);
        firstOfSide[k] = int32_t(points.size());
        for (int i = 0; i < steps; ++i) {
            points.push_back({int32_t(std::lround(16 * (a.y + (b.y - a.y) * i / steps))),
                              int32_t(std::lround(16 * (a.x + (b.x - a.x) * i / steps)))});
        }
    }
    const int32_t n = firstOfSide[4] = int32_t(points.size());
    for (int32_t farRun : {15, 16}) {  // points about 0.5 pixel apart
        std::vector<cidut::segment> runs;
        for (int k = 0; k < 4; ++k) {
            const int32_t side = firstOfSide[k + 1] - firstOfSide[k];
            const int32_t length = k == 0 || k == 3 ? side - 4 : farRun;
            const int32_t first = firstOfSide[k] + (side - length) / 2, last = first + length;
            runs.push_back(
                {first, int32_t(cidut::distanceSquared(points[first], points[last])), last + 1});
        }
        cidut::sortSegments(runs.data(), 4);
        cidut::cornerFinding corner;
        ASSERT_EQ(cidut::findCorner(points.data(), points.data(), runs.data(), 4, n, 1, 0,
                                    cidut::kShapeSquare, &corner),
                  0);
        ASSERT_EQ(corner.found, 1);
        EXPECT_EQ(corner.farCornerFromShape, farRun == 16 ? 0 : 1);
        EXPECT_LT(distance(corner.farCorner, farRun == 16 ? quad[2] : at(11.7, -11)), 0.6)
            << farRun;
    }
}

}  // namespace
