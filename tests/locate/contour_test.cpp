// Contour machinery: each step against a direct statement of its rule on random contours, and
// the whole chain (track, halve, smooth, curvature, runs, corner) on rendered squares.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "ci_id/platform/cbt.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/priv/ci_idut/locate/contour.h"
#include "test_support.h"

namespace {

using cidut::contourPoint;
using cidut::segment;

int wrap(long i, int n) { return static_cast<int>(((i % n) + n) % n); }

std::vector<contourPoint> randomContour(std::mt19937& rng, int n) {
    std::vector<contourPoint> points(n);
    for (auto& p : points)
        p = contourPoint{static_cast<int32_t>(rng() % 20000) - 500,
                         static_cast<int32_t>(rng() % 20000)};
    return points;
}

TEST(Contour, HalveAveragesPairs) {
    std::vector<contourPoint> points{{1, 3}, {4, -8}, {10, 10}};
    int32_t m = 0;
    cidut::halve(points.data(), 3, &m);
    EXPECT_EQ(m, 1);
    EXPECT_EQ(points[0].first, 2);
    EXPECT_EQ(points[0].second, -3);  // (3 - 8) >> 1 rounds down
    cidut::halve(points.data(), 2, &m);
    EXPECT_EQ(m, 1);
}

TEST(Contour, SmoothingMatchesItsDefinition) {
    std::mt19937 rng(8);
    for (int trial = 0; trial < 50; ++trial) {
        int n = 2 + rng() % 60, w = 1 + rng() % 12;
        auto in = randomContour(rng, n);
        std::vector<contourPoint> out(n);
        cidut::smooth(out.data(), in.data(), n, w);
        for (int k = 0; k < n; ++k) {
            if (w < 2 || n < w) {
                EXPECT_EQ(out[k].first, in[k].first);
                continue;
            }
            // Output k holds the window that starts w / 2 before it.
            int start = wrap(k - w / 2, n);
            long long sumFirst = 0, sumSecond = 0;
            for (int i = 0; i < w; ++i) {
                sumFirst += in[wrap(start + i, n)].first;
                sumSecond += in[wrap(start + i, n)].second;
            }
            long long rounding = start == 0 ? 0 : w / 2;
            long long r = 16384 / w;
            EXPECT_EQ(out[k].first, (sumFirst + rounding) * r >> 14);
            EXPECT_EQ(out[k].second, (sumSecond + rounding) * r >> 14);
        }
    }
}

TEST(Contour, CurvatureMatchesItsDefinition) {
    std::mt19937 rng(9);
    auto in = randomContour(rng, 37);
    std::vector<int32_t> out(37);
    int32_t largest = -1;
    cidut::curvature(out.data(), in.data(), 37, 6, &largest);
    int32_t expectedLargest = 0;
    for (int m = 0; m < 37; ++m) {
        const auto& a = in[wrap(m - 3, 37)];
        const auto& b = in[wrap(m + 3, 37)];
        int32_t v = std::abs(a.first + b.first - 2 * in[m].first) +
                    std::abs(a.second + b.second - 2 * in[m].second);
        EXPECT_EQ(out[m], v);
        expectedLargest = std::max(expectedLargest, v);
    }
    EXPECT_EQ(largest, expectedLargest);
}

TEST(Contour, FixedPointMeasuresAgreeWithDoubles) {
    std::mt19937 rng(10);
    for (int i = 0; i < 2000; ++i) {
        auto pts = randomContour(rng, 3);
        const contourPoint &p = pts[0], &a = pts[1], &b = pts[2];
        double u = (a.second - b.second) >> 2, v = (b.first - a.first) >> 2;
        double along = u * ((p.first - a.first) >> 2) + v * ((p.second - a.second) >> 2);
        if (u == 0 && v == 0) continue;
        EXPECT_NEAR(double(cidut::lineDistanceSquared(p, a, b)), along * along / (u * u + v * v),
                    1.0);
        // The two lines through (a, b) and through p in another direction meet on both.
        cidut::segment ab{0, 1, 2};
        contourPoint line1[2] = {a, b};
        contourPoint line2[2] = {p, contourPoint{p.first + 800, p.second - 300}};
        cidut::fixedLine l1 = cidut::lineOfSegment(line1, 2, ab);
        cidut::fixedLine l2 = cidut::lineOfSegment(line2, 2, ab);
        if (cidut::crossOf(l1, l2) == 0) continue;
        contourPoint x = cidut::intersection(l1, l2);
        for (const auto* l : {&l1, &l2}) {
            double residual = l->a * (x.first / 4.0) + l->b * (x.second / 4.0) + l->c;
            EXPECT_LT(std::fabs(residual) / std::hypot(double(l->a), double(l->b)), 0.5);
        }
    }
    EXPECT_EQ(cidut::angleValue(5, 0), INT32_MAX);
    EXPECT_EQ(cidut::angleValue(-5, 0), -INT32_MAX);
    EXPECT_EQ(cidut::angleValue(1, 2), 500);
}

TEST(Contour, SortTrimAndMergeCollinearRuns) {
    // A straight horizontal line of 60 points, two runs on it with a gap of 4 points between.
    std::vector<contourPoint> line(60);
    for (int i = 0; i < 60; ++i) line[i] = contourPoint{800, 16 * (100 + i)};
    std::vector<segment> runs{{2, 0, 20}, {24, 0, 50}, {0, 0, 0}};
    for (auto& r : runs) {
        if (r.end)
            r.length = static_cast<int32_t>(cidut::distanceSquared(line[r.start], line[r.end - 1]));
    }
    cidut::sortSegments(runs.data(), 2);
    EXPECT_EQ(runs[0].start, 24);
    std::vector<segment> withTerminator = runs;
    withTerminator.push_back({0, 0, 0});
    ASSERT_EQ(cidut::mergeSegments(withTerminator.data(), line.data(), 60, 3, 4 * 4, 64), 0);
    cidut::sortSegments(withTerminator.data(), 3);
    int32_t count = 3;
    cidut::trimSegments(withTerminator.data(), &count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(withTerminator[0].start, 2);
    EXPECT_EQ(withTerminator[0].end, 50);
}

TEST(Contour, ArmWalkStaysWithinAQuarterOfTheContour) {
    std::vector<contourPoint> circle(400);
    for (int i = 0; i < 400; ++i) {
        double a = 2 * M_PI * i / 400;
        circle[i] = contourPoint{int32_t(16 * (200 + 100 * std::sin(a))),
                                 int32_t(16 * (200 + 100 * std::cos(a)))};
    }
    cidut::fixedLine horizontal{0, 4, -4 * 16 * 200 / 4};  // through the centre, along the columns
    for (int32_t step : {-1, 1}) {
        int32_t index = 0, distance = 0;
        ASSERT_EQ(cidut::walkArm(circle.data(), 400, &index, step, horizontal, &distance), 0);
        int walked = std::min(wrap(index * step, 400), wrap(-index * step, 400));
        EXPECT_LE(walked, 400 / 4 - 1);
        EXPECT_NEAR(distance / 16.0, 100, 2.0);
    }
}

// ---- The whole chain on rendered squares ----

struct greyImage {
    int width, height;
    std::vector<unsigned char> pixels;
};

greyImage renderSquare(double cx, double cy, double half, double angle) {
    greyImage g{160, 160, std::vector<unsigned char>(160 * 160)};
    double c = std::cos(angle), s = std::sin(angle);
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 160; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    double px = x + (sx + 0.5) / 4 - cx, py = y + (sy + 0.5) / 4 - cy;
                    hits += std::fabs(px * c + py * s) < half && std::fabs(-px * s + py * c) < half;
                }
            }
            g.pixels[y * 160 + x] = static_cast<unsigned char>(220 - 180 * hits / 16);
        }
    }
    return g;
}

TEST(Contour, SquaresAtEveryAngleGiveTheirCorner) {
    std::vector<unsigned char> buffer(cidut::kWorkAreaBytes + 16);
    cidut::contourWorkArea area = cidut::workAreaOf(buffer.data());
    for (int degrees = 0; degrees < 90; degrees += 7) {
        double angle = degrees * M_PI / 180, cx = 80.3, cy = 79.6, half = 30;
        greyImage g = renderSquare(cx, cy, half, angle);
        cimg_imageConst image;
        cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, 160, 160, 160, g.pixels.data());
        cbt_runParams params;
        cbt_runParams_init(&params);
        params.threshold = 130;
        params.start2X = 80 * 256;
        params.start2Y = 80 * 256;
        params.start1X = 159 * 256;
        params.start1Y = 80 * 256;
        cbt_result track;
        cbt_result_construct(&track, 0);
        ASSERT_EQ(cbt_boundaryTrack(&image, &params, &track), 0);
        int32_t n = track.count;
        for (int i = 0; i < n; ++i) area.contour[i] = cidut::fromTrackerPoint(track.points[i]);
        cidut::halve(area.contour, n, &n);
        cidut::smooth(area.smoothed, area.contour, n, 3);
        int32_t largest = 0, count = 0;
        cidut::curvature(area.curvature, area.smoothed, n, 6, &largest);
        cidut::straightRuns(area.segments, area.curvature, area.smoothed, 0, n, 3, 64,
                            cidut::kSegmentCapacity, &count);
        // One run per side, wherever the contour's numbering starts.
        EXPECT_EQ(count, 4) << degrees;
        cidut::sortSegments(area.segments, count);
        cidut::cornerFinding corner;
        ASSERT_EQ(cidut::findCorner(area.contour, area.smoothed, area.segments, count, n, 0, 0,
                                    cidut::kShapeSquare, &corner),
                  0);
        ASSERT_EQ(corner.found, 1) << degrees;
        // Every corner of the found rectangle is a corner of the square.
        double c = std::cos(angle), s = std::sin(angle);
        for (const cmath_vect& p :
             {corner.rect.po, corner.rect.px, corner.rect.py, corner.farCorner}) {
            double u = (p.x - cx) * c + (p.y - cy) * s, v = -(p.x - cx) * s + (p.y - cy) * c;
            EXPECT_NEAR(std::fabs(u), half, 0.6) << degrees;
            EXPECT_NEAR(std::fabs(v), half, 0.6) << degrees;
        }
        EXPECT_GT(corner.cornerScore, 700);
        cbt_result_destruct(&track);
        cimg_imageConst_destruct(&image);
    }
}

}  // namespace
