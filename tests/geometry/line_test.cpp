// Lines and segments: exact values, invariants on random lines, failure and precondition paths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "ci_id/line.h"
#include "ci_id/status.h"
#include "test_support.h"

extern "C" int ci_id_c_header_check(void);

namespace {

bool allZero(const cidut_line& line) {
    return line.pos.x == 0 && line.pos.y == 0 && line.dir.x == 0 && line.dir.y == 0;
}

TEST(Line, InitDirPosNormalisesOrFailsWithZeroRecord) {
    cidut_line line{{5, 5}, {5, 5}};
    cmath_vect pos{1, 2};
    cmath_vect dir{3, 4};
    EXPECT_EQ(cidut_line_initDirPos(&line, &dir, &pos), 0);
    EXPECT_DOUBLE_EQ(line.dir.x, 0.6);
    EXPECT_DOUBLE_EQ(line.dir.y, 0.8);
    EXPECT_EQ(line.pos.x, 1);
    for (cmath_vect bad : {cmath_vect{0, 0}, cmath_vect{1e-6, 0}, cmath_vect{NAN, 1}}) {
        line = cidut_line{{5, 5}, {5, 5}};
        EXPECT_EQ(cidut_line_initDirPos(&line, &bad, &pos), CID_STATUS_INVALID_GEOMETRY);
        EXPECT_TRUE(allZero(line));
    }
}

TEST(Line, InitAngDisExactValues) {
    cidut_line line;
    EXPECT_EQ(cidut_line_initAngDis(&line, 0.0, 2.0), 0);
    EXPECT_EQ(line.pos.x, 0.0);
    EXPECT_EQ(line.pos.y, 2.0);
    EXPECT_EQ(line.dir.x, 1.0);
    EXPECT_EQ(line.dir.y, 0.0);
    EXPECT_EQ(cidut_line_initAngDis(&line, M_PI / 2, 2.0), 0);
    EXPECT_EQ(line.pos.x, -2.0);
    EXPECT_EQ(line.pos.y, 0.0);
    line.pos.x = 7;
    EXPECT_EQ(cidut_line_initAngDis(&line, 0.3, -1.0), CID_STATUS_INVALID_GEOMETRY);
    EXPECT_TRUE(allZero(line));
    EXPECT_EQ(cidut_line_initAngDis(&line, 0.3, NAN), CID_STATUS_INVALID_GEOMETRY);
}

TEST(Line, InitAngDisPutsTheOriginAtDistDistance) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> angle(-10, 10), dist(0, 1000);
    for (int i = 0; i < 1000; ++i) {
        cidut_line line;
        double d = dist(rng);
        ASSERT_EQ(cidut_line_initAngDis(&line, angle(rng), d), 0);
        cmath_vect origin{0, 0};
        double measured = 0;
        cidut_line_getDistToPoint(&line, &origin, &measured);
        EXPECT_NEAR(measured, d, 1e-12 * (1 + d));
    }
}

TEST(Line, DistanceSignConvention) {
    cidut_line line;
    cmath_vect origin{0, 0};
    cidut_line_initAngPos(&line, 0.0, &origin);
    cmath_vect above{0, 1}, below{0, -1};
    double d = 0;
    cidut_line_getDistToPoint(&line, &above, &d);
    EXPECT_EQ(d, -1);
    cidut_line_getDistToPoint(&line, &below, &d);
    EXPECT_EQ(d, 1);
}

TEST(Line, IntersectionLiesOnBothLinesAndProjectionIsOrthogonal) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-100, 100), angle(-M_PI, M_PI);
    for (int i = 0; i < 1000; ++i) {
        cidut_line a, b;
        cmath_vect pa{u(rng), u(rng)}, pb{u(rng), u(rng)}, x, foot, q{u(rng), u(rng)};
        cidut_line_initAngPos(&a, angle(rng), &pa);
        cidut_line_initAngPos(&b, angle(rng), &pb);
        if (cidut_line_getIntersection(&a, &b, &x) == CID_STATUS_PARALLEL_LINES) continue;
        double da = 0, db = 0;
        cidut_line_getDistToPoint(&a, &x, &da);
        cidut_line_getDistToPoint(&b, &x, &db);
        double scale = 1 + std::hypot(x.x, x.y);
        EXPECT_NEAR(da, 0, 1e-9 * scale);
        EXPECT_NEAR(db, 0, 1e-9 * scale);
        cidut_line_projectPoint(&a, &q, &foot);
        double along = (q.x - foot.x) * a.dir.x + (q.y - foot.y) * a.dir.y;
        double across = 0;
        cidut_line_getDistToPoint(&a, &q, &across);
        EXPECT_NEAR(along, 0, 1e-9);
        EXPECT_NEAR(std::hypot(q.x - foot.x, q.y - foot.y), std::fabs(across), 1e-9);

        cidut_lineSeg sa{pa, {pa.x + 3 * a.dir.x, pa.y + 3 * a.dir.y}};
        cidut_lineSeg sb{pb, {pb.x + 5 * b.dir.x, pb.y + 5 * b.dir.y}};
        cmath_vect viaSegments;
        if (cidut_lineSeg_getIntersection(&sa, &sb, &viaSegments) == 0) {
            EXPECT_NEAR(viaSegments.x, x.x, 1e-7 * scale);
            EXPECT_NEAR(viaSegments.y, x.y, 1e-7 * scale);
        }
    }
}

TEST(Line, ParallelLinesLeaveTheOutputUntouched) {
    cidut_line a, b;
    cmath_vect p{0, 0}, q{0, 5};
    cidut_line_initAngPos(&a, 0.4, &p);
    cidut_line_initAngPos(&b, 0.4 + M_PI, &q);
    cmath_vect out{42, 42};
    EXPECT_EQ(cidut_line_getIntersection(&a, &b, &out), CID_STATUS_PARALLEL_LINES);
    EXPECT_EQ(cidut_line_getIntersection(&a, &a, &out), CID_STATUS_PARALLEL_LINES);
    EXPECT_EQ(out.x, 42);
    cidut_lineSeg s1{{0, 0}, {1, 0}}, s2{{0, 3}, {7, 3}};
    EXPECT_EQ(cidut_lineSeg_getIntersection(&s1, &s2, &out), CID_STATUS_PARALLEL_LINES);
    EXPECT_EQ(out.x, 42);
}

TEST(LineSeg, ExactValuesAndDegenerateSegments) {
    cidut_lineSeg a{{0, 0}, {1, 0}}, b{{5, -1}, {5, 1}};
    cmath_vect x;
    EXPECT_EQ(cidut_lineSeg_getIntersection(&a, &b, &x), 0);
    EXPECT_EQ(x.x, 5);
    EXPECT_EQ(x.y, 0);

    cidut_lineSeg seg;
    cmath_vect p1{2, 3}, p2{2, 1};
    cidut_lineSeg_initP1P2(&seg, &p1, &p2);
    cidut_line line;
    EXPECT_EQ(cidut_lineSeg_getLine(&seg, &line), 0);
    EXPECT_EQ(line.pos.x, 2);
    EXPECT_EQ(line.dir.y, -1);
    double angle = 0;
    EXPECT_EQ(cidut_lineSeg_getAngle(&seg, &angle), 0);
    EXPECT_DOUBLE_EQ(angle, -M_PI / 2);
    cmath_vect right{3, 2};
    double d = 0;
    EXPECT_EQ(cidut_lineSeg_getDistToPoint(&seg, &right, &d), 0);
    EXPECT_DOUBLE_EQ(d, -1);

    cidut_lineSeg point{{4, 4}, {4, 4}};
    cidut_line untouched{{9, 9}, {9, 9}};
    EXPECT_EQ(cidut_lineSeg_getLine(&point, &untouched), CID_STATUS_DEGENERATE_SEGMENT);
    EXPECT_EQ(untouched.pos.x, 9);
    EXPECT_EQ(cidut_lineSeg_getAngle(&point, &angle), CID_STATUS_DEGENERATE_SEGMENT);
    EXPECT_EQ(cidut_lineSeg_getDistToPoint(&point, &right, &d), CID_STATUS_DEGENERATE_SEGMENT);
}

TEST(Line, PreconditionsStopBeforeTouchingOutputs) {
    cidut_line line{{5, 5}, {5, 5}};
    cmath_vect v{1, 0};
    EXPECT_PRECONDITION(cidut_line_initDirPos(&line, &v, nullptr));
    EXPECT_EQ(line.pos.x, 5);  // not zeroed: the violation came first
    EXPECT_PRECONDITION(cidut_line_initAngPos(&line, 0, nullptr));
    EXPECT_EQ(line.pos.x, 5);
    EXPECT_PRECONDITION(cidut_line_initAngDis(nullptr, 0, 1));
    EXPECT_PRECONDITION(cidut_line_getIntersection(&line, &line, nullptr));
    EXPECT_PRECONDITION(cidut_lineSeg_getAngle(nullptr, nullptr));
    cidut_lineSeg seg{{0, 0}, {1, 1}};
    EXPECT_PRECONDITION(cidut_lineSeg_getDistToPoint(&seg, &v, nullptr));
}

TEST(AffineRect, WithinIsForwarded) {
    cmath_shapeAffineRect rect{{0, 0}, {4, 0}, {0, 2}};
    cmath_vect in{3, 1}, out{5, 1};
    int32_t within = -1;
    EXPECT_EQ(cf_affineRect_within(&rect, &in, &within), 0);
    EXPECT_EQ(within, 1);
    cf_affineRect_within(&rect, &out, &within);
    EXPECT_EQ(within, 0);
}

TEST(Headers, CompileAsC) { EXPECT_EQ(ci_id_c_header_check(), 0); }

}  // namespace
