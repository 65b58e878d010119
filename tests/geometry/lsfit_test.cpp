// Least-squares fits: exact cases, closed forms against direct sums, invariance under rigid
// motions, an independent two-pass reference, fixed point, and non-finite input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "ci_id/linefit.h"
#include "ci_id/platform/cx_exception.h"
#include "ci_id/status.h"
#include "test_support.h"

namespace {

using points = std::vector<cx2Vect>;

ccCidLSLineFitter fitterOf(const points& pts) {
    ccCidLSLineFitter f;
    for (const cx2Vect& p : pts) f.update(p);
    return f;
}

std::vector<cmath_vect> plain(const points& pts) {
    std::vector<cmath_vect> out;
    for (const cx2Vect& p : pts) out.push_back(p.vect());
    return out;
}

double distance(const cidut_line& line, const cx2Vect& p) {
    cmath_vect v = p.vect();
    double d = 0;
    cidut_line_getDistToPoint(&line, &v, &d);
    return d;
}

double directError(const cidut_line& line, const points& pts) {
    long double sum = 0;
    for (const cx2Vect& p : pts)
        sum += static_cast<long double>(distance(line, p)) * distance(line, p);
    return static_cast<double>(sum);
}

// Points scattered around a random line: centre, direction, spread along and across it.
points noisyLine(std::mt19937& rng, int n, double offset, double along, double across) {
    std::uniform_real_distribution<double> u(-1, 1), angle(-M_PI, M_PI);
    double a = angle(rng);
    cx2Vect centre(offset * u(rng), offset * u(rng));
    cx2Vect dir(std::cos(a), std::sin(a)), normal(-std::sin(a), std::cos(a));
    points pts;
    for (int i = 0; i < n; ++i)
        pts.push_back(centre + dir * (along * u(rng)) + normal * (across * u(rng)));
    return pts;
}

// Independent reference: centroid, centred covariance in long double, half the angle of its
// principal direction. Returns the unit direction and a point (the centroid).
struct referenceFit {
    double angle;
    cx2Vect centroid;
};

referenceFit twoPassFit(const points& pts) {
    long double mx = 0, my = 0;
    for (const cx2Vect& p : pts) {
        mx += p.x();
        my += p.y();
    }
    mx /= pts.size();
    my /= pts.size();
    long double sxx = 0, syy = 0, sxy = 0;
    for (const cx2Vect& p : pts) {
        long double dx = p.x() - mx, dy = p.y() - my;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
    }
    double angle = 0.5 * std::atan2(static_cast<double>(2 * sxy), static_cast<double>(sxx - syy));
    return referenceFit{angle, cx2Vect(static_cast<double>(mx), static_cast<double>(my))};
}

// Same undirected line: parallel directions and the reference centroid on it.
void expectSameLine(const cidut_line& line, const referenceFit& ref, double angleTol,
                    double distTol) {
    double cross = line.dir.x * std::sin(ref.angle) - line.dir.y * std::cos(ref.angle);
    EXPECT_NEAR(cross, 0.0, angleTol);
    EXPECT_NEAR(distance(line, ref.centroid), 0.0, distTol);
}

TEST(LineFitting, HorizontalPointsGiveTheFootPointAndUnitDirection) {
    points pts{{0, 1}, {1, 1}, {2, 1}};
    std::vector<cmath_vect> v = plain(pts);
    cidut_line line{};
    ASSERT_EQ(cidut_lineFitting(&line, v.data(), 3), 0);
    EXPECT_EQ(line.pos.x, 0);
    EXPECT_EQ(line.pos.y, 1);
    EXPECT_EQ(line.dir.x, 1);
    EXPECT_EQ(line.dir.y, 0);

    ccCidLSLineFitter f = fitterOf(pts);
    cidut_line fitted{}, expected{};
    ASSERT_TRUE(f.fit(fitted));
    cidut_line_initAngDis(&expected, 0.0, 1.0);
    EXPECT_EQ(std::memcmp(&fitted, &expected, sizeof fitted), 0);
    double err = -1;
    cidut_line viaError{};
    ASSERT_TRUE(f.fitAndError(&viaError, &err));
    EXPECT_EQ(err, 0.0);
    EXPECT_EQ(f.error(fitted), 0.0);
}

TEST(LineFitting, VerticalPointsAreReportedWithNonNegativeDistance) {
    points pts{{1, 0}, {1, 5}};
    std::vector<cmath_vect> v = plain(pts);
    cidut_line line{};
    ASSERT_EQ(cidut_lineFitting(&line, v.data(), 2), 0);
    EXPECT_EQ(line.dir.x, 0);
    EXPECT_EQ(line.dir.y, -1);
    EXPECT_EQ(line.pos.x, 1);
    EXPECT_EQ(line.pos.y, 0);
    // The class adds a half turn to the angle pi/2: -pi/2, a vertical line crossing the x axis.
    cidut_line fitted = fitterOf(pts).fit();
    EXPECT_NEAR(fitted.dir.x, 0, 1e-15);
    EXPECT_EQ(fitted.dir.y, -1);
    EXPECT_DOUBLE_EQ(fitted.pos.x, 1);
    EXPECT_EQ(fitted.pos.y, 0);
}

TEST(LineFitting, NoUniqueDirectionGivesNoFit) {
    const cidut_line untouched{{7, 7}, {7, 7}};
    for (const points& pts :
         {points{{3, 4}}, points{{3, 4}, {3, 4}}, points{{0.1, 0.3}, {0.1, 0.3}, {0.1, 0.3}},
          points{{0, 0}, {1, 0}, {0, 1}, {1, 1}}, points{}}) {
        std::vector<cmath_vect> v = plain(pts);
        cidut_line line = untouched;
        EXPECT_EQ(cidut_lineFitting(&line, v.data(), static_cast<int32_t>(v.size())), 0);
        EXPECT_EQ(std::memcmp(&line, &untouched, sizeof line), 0);
        ccCidLSLineFitter f = fitterOf(pts);
        EXPECT_FALSE(f.fit(line));
        EXPECT_FALSE(f.fitAndError(&line, nullptr));
        EXPECT_EQ(std::memcmp(&line, &untouched, sizeof line), 0);
        try {
            f.fit();
            ADD_FAILURE() << "no exception";
        } catch (const cxException& e) {
            EXPECT_EQ(e.code(), CID_STATUS_NO_LINE_FIT);
            EXPECT_TRUE(e.message().empty());
        }
    }
}

TEST(LineFitting, ErrorOfAVerticalLineThroughItsPoints) {
    cidut_line line{};
    ASSERT_EQ(cidut_line_initAngDis(&line, -M_PI / 2, 5.0), 0);
    ccCidLSLineFitter f = fitterOf(points{{5, -3}, {5, 0}, {5, 10}});
    EXPECT_NEAR(f.error(line), 0.0, 1e-12);
    ccCidLSLineFitter off = fitterOf(points{{6, -3}, {3, 10}});
    EXPECT_NEAR(off.error(line), 1 + 4, 1e-12);
}

TEST(LineFitting, ClosedFormsAgreeWithDirectSums) {
    std::mt19937 rng(21);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int trial = 0; trial < 300; ++trial) {
        points pts = noisyLine(rng, 3 + trial % 50, 200, 100, 5);
        ccCidLSLineFitter f = fitterOf(pts);
        cidut_line fitted{};
        double err = 0;
        ASSERT_TRUE(f.fitAndError(&fitted, &err));
        EXPECT_NEAR(err, directError(fitted, pts), 1e-9 * directError(fitted, pts));
        // Any line, through error().
        cidut_line other{};
        cidut_line_initAngDis(&other, M_PI * u(rng), 100 * std::fabs(u(rng)));
        EXPECT_NEAR(f.error(other), directError(other, pts), 1e-9 * directError(other, pts));
        // A transformed fitter is the fitter of the transformed points.
        cx2Xform T(cx2Matrix(2 * u(rng), 2 * u(rng), 2 * u(rng), 2 * u(rng)),
                   cx2Vect(50 * u(rng), 50 * u(rng)));
        points mapped;
        for (const cx2Vect& p : pts) mapped.push_back(T * p);
        ccCidLSLineFitter viaSums = T * f;
        EXPECT_EQ(viaSums.numPoints(), f.numPoints());
        for (int k = 0; k < 3; ++k) {
            cidut_line_initAngDis(&other, M_PI * u(rng), 100 * std::fabs(u(rng)));
            double direct = directError(other, mapped);
            EXPECT_NEAR(viaSums.error(other), direct, 1e-9 * direct);
        }
    }
}

TEST(LineFitting, FitIsTheMinimumOfTheError) {
    std::mt19937 rng(22);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int trial = 0; trial < 200; ++trial) {
        points pts = noisyLine(rng, 10, 50, 20, 3);
        ccCidLSLineFitter f = fitterOf(pts);
        cidut_line best = f.fit();
        double bestError = f.error(best);
        double angle = std::atan2(best.dir.y, best.dir.x);
        double dist = -best.dir.y * best.pos.x + best.dir.x * best.pos.y;
        for (int k = 0; k < 10; ++k) {
            cidut_line nearby{};
            double a = angle + 1e-3 * u(rng), d = dist + 1e-2 * u(rng);
            if (d < 0) continue;
            cidut_line_initAngDis(&nearby, a, d);
            EXPECT_GE(f.error(nearby), bestError * (1 - 1e-12));
        }
    }
}

TEST(LineFitting, AgreesWithATwoPassReferenceEvenFarFromTheOrigin) {
    std::mt19937 rng(23);
    for (double offset : {0.0, 1e3, 1e6}) {
        for (int trial = 0; trial < 200; ++trial) {
            points pts = noisyLine(rng, 5 + trial % 40, offset, 30, 0.5);
            referenceFit ref = twoPassFit(pts);
            std::vector<cmath_vect> v = plain(pts);
            cidut_line line{};
            ASSERT_EQ(cidut_lineFitting(&line, v.data(), static_cast<int32_t>(v.size())), 0);
            EXPECT_NEAR(std::hypot(line.dir.x, line.dir.y), 1.0, 1e-15);
            // The foot point: on the line and perpendicular to it from the origin.
            EXPECT_NEAR(line.pos.x * line.dir.x + line.pos.y * line.dir.y, 0.0,
                        1e-9 * (1 + offset));
            expectSameLine(line, ref, 1e-9, 1e-9 * (1 + offset));
            if (offset <= 1e3) {
                expectSameLine(fitterOf(pts).fit(), ref, 1e-7, 1e-7);
            }
        }
    }
}

TEST(LineFitting, NearlyAxisParallelLinesKeepTheirSmallSlope) {
    for (double slope : {1e-9, -1e-9, 1e-12}) {
        points pts;
        for (int i = 0; i < 20; ++i) pts.push_back(cx2Vect(i, 3 + slope * i));
        std::vector<cmath_vect> v = plain(pts);
        cidut_line line{};
        ASSERT_EQ(cidut_lineFitting(&line, v.data(), 20), 0);
        // The points themselves carry rounding of 3 + slope * i, a few 1e-5 of the slope.
        EXPECT_NEAR(line.dir.y / line.dir.x, slope, 1e-4 * std::fabs(slope));
        points swapped;
        for (const cx2Vect& p : pts) swapped.push_back(cx2Vect(p.y(), p.x()));
        v = plain(swapped);
        ASSERT_EQ(cidut_lineFitting(&line, v.data(), 20), 0);
        EXPECT_NEAR(line.dir.x / line.dir.y, slope, 1e-4 * std::fabs(slope));
    }
}

TEST(LineFitting, FittingCommutesWithRotationsAndTranslations) {
    std::mt19937 rng(24);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int trial = 0; trial < 300; ++trial) {
        points pts = noisyLine(rng, 4 + trial % 30, 100, 50, 4);
        double a = M_PI * u(rng);
        cx2Xform T(cx2Matrix(std::cos(a), -std::sin(a), std::sin(a), std::cos(a)),
                   cx2Vect(300 * u(rng), 300 * u(rng)));
        points mapped;
        for (const cx2Vect& p : pts) mapped.push_back(T * p);
        cidut_line line = fitterOf(pts).fit();
        // The fitted line, mapped: its reference point and direction.
        cx2Vect p0 = T * cx2Vect(line.pos);
        cx2Vect dir = T.matrix() * cx2Vect(line.dir);
        for (const ccCidLSLineFitter& g : {fitterOf(mapped), T * fitterOf(pts)}) {
            cidut_line moved = g.fit();
            EXPECT_NEAR(moved.dir.x * dir.y() - moved.dir.y * dir.x(), 0.0, 1e-9);
            EXPECT_NEAR(distance(moved, p0), 0.0, 1e-7);
            double err = 0;
            ASSERT_TRUE(g.fitAndError(nullptr, &err));
            EXPECT_NEAR(err, directError(line, pts), 1e-7 * (1 + err));
        }
        std::vector<cmath_vect> v = plain(mapped);
        cidut_line plainLine{};
        ASSERT_EQ(cidut_lineFitting(&plainLine, v.data(), static_cast<int32_t>(v.size())), 0);
        EXPECT_NEAR(plainLine.dir.x * dir.y() - plainLine.dir.y * dir.x(), 0.0, 1e-9);
        EXPECT_NEAR(distance(plainLine, p0), 0.0, 1e-7);
    }
}

TEST(LineFitter, AccumulationMergingAndAssignment) {
    std::mt19937 rng(25);
    points a = noisyLine(rng, 12, 10, 10, 1), b = noisyLine(rng, 7, 10, 10, 1);
    points both = a;
    both.insert(both.end(), b.begin(), b.end());
    cxVector<cx2Vect> stored;
    for (const cx2Vect& p : both) ASSERT_EQ(stored.pushBack(p), 0);
    ccCidLSLineFitter merged = fitterOf(a) + fitterOf(b);
    ccCidLSLineFitter fromVector(stored);
    ccCidLSLineFitter accumulated = fitterOf(a);
    accumulated += fitterOf(b);
    EXPECT_EQ(merged.numPoints(), 19);
    EXPECT_EQ(fromVector.numPoints(), 19);
    cidut_line line{};
    cidut_line_initAngDis(&line, 0.4, 3.0);
    double direct = directError(line, both);
    for (const ccCidLSLineFitter& f : {merged, fromVector, accumulated}) {
        EXPECT_NEAR(f.error(line), direct, 1e-10 * direct);
    }
    ccCidLSLineFitter copy;
    copy = merged;
    EXPECT_EQ(copy.error(line), merged.error(line));
    copy.reset();
    EXPECT_EQ(copy.numPoints(), 0);
    EXPECT_EQ(copy.error(line), 0.0);
    // Identity transform: the very same sums.
    ccCidLSLineFitter same = cx2Xform() * merged;
    EXPECT_EQ(same.error(line), merged.error(line));
    // A pure translation moves the fitted line by the translation.
    cx2Xform shift(cx2Matrix(), cx2Vect(40, -25));
    cidut_line original = merged.fit(), moved = (shift * merged).fit();
    EXPECT_NEAR(moved.dir.x * original.dir.y - moved.dir.y * original.dir.x, 0, 1e-12);
    EXPECT_NEAR(distance(moved, shift * cx2Vect(original.pos)), 0, 1e-9);
}

TEST(LineFitting, NonFiniteCoordinatesGiveNoFitAndNeverHang) {
    const double inf = std::numeric_limits<double>::infinity();
    for (cx2Vect bad :
         {cx2Vect(NAN, 1), cx2Vect(2, inf), cx2Vect(-inf, inf), cx2Vect(1e200, 1e200)}) {
        points pts{{0, 0}, {1, 1}, bad, {3, 2}};
        std::vector<cmath_vect> v = plain(pts);
        const cidut_line untouched{{7, 7}, {7, 7}};
        cidut_line line = untouched;
        // 1e200 is finite, but its square overflows the sums.
        EXPECT_EQ(cidut_lineFitting(&line, v.data(), 4), CID_STATUS_NO_LINE_FIT);
        EXPECT_EQ(std::memcmp(&line, &untouched, sizeof line), 0);
        ccCidLSLineFitter f = fitterOf(pts);
        EXPECT_FALSE(f.fit(line));
        double err = 5;
        EXPECT_FALSE(f.fitAndError(&line, &err));
        EXPECT_EQ(err, 5);
        EXPECT_THROW(f.fit(), cxException);
    }
    cidut_line nanLine{{0, 0}, {NAN, 1}};
    EXPECT_TRUE(std::isnan(fitterOf(points{{0, 0}, {1, 1}}).error(nanLine)));
}

TEST(LineFitting, PreconditionsOfThePlainFunctions) {
    cmath_vect p[2] = {{0, 0}, {1, 1}};
    cidut_line line{};
    EXPECT_PRECONDITION(cidut_lineFitting(nullptr, p, 2));
    EXPECT_PRECONDITION(cidut_lineFitting(&line, nullptr, 2));
    EXPECT_PRECONDITION(cidut_lineFitting(&line, p, -1));
    cidut_fixedPoint q[2] = {{0, 0}, {16, 16}};
    cidut_fixedLine fixedLine{};
    EXPECT_PRECONDITION(cidut_lineFitting_Fixed(nullptr, nullptr, q, 2, 4));
    EXPECT_PRECONDITION(cidut_lineFitting_Fixed(nullptr, &fixedLine, q, 2, 31));
    EXPECT_PRECONDITION(cidut_lineFitting_Fixed(nullptr, &fixedLine, q, 2, -1));
}

// ---- Fixed point ---------------------------------------------------------------------------

TEST(LineFittingFixed, HorizontalPointsInSixteenths) {
    cidut_fixedPoint pts[3] = {{16, 16}, {32, 16}, {48, 16}};
    cidut_fixedLine line{};
    ASSERT_EQ(cidut_lineFitting_Fixed(nullptr, &line, pts, 3, 4), 0);
    EXPECT_EQ(line.dir.x, 16);
    EXPECT_EQ(line.dir.y, 0);
    EXPECT_EQ(line.pos.x, 0);
    EXPECT_EQ(line.pos.y, 16);
    const cidut_fixedLine untouched{{9, 9}, {9, 9}};
    cidut_fixedPoint square[4] = {{0, 0}, {16, 0}, {0, 16}, {16, 16}};
    line = untouched;
    EXPECT_EQ(cidut_lineFitting_Fixed(nullptr, &line, square, 4, 4), 0);
    EXPECT_EQ(std::memcmp(&line, &untouched, sizeof line), 0);
    EXPECT_EQ(cidut_lineFitting_Fixed(nullptr, &line, pts, 1, 4), 0);
    EXPECT_EQ(std::memcmp(&line, &untouched, sizeof line), 0);
}

}  // namespace
