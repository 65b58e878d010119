// Ranges: interval algebra on random ranges of every kind, the rules of empty and full ranges,
// closed ends, and the exceptions.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>

#include "ci_id/platform/cx_exception.h"
#include "ci_id/range.h"
#include "ci_id/status.h"

namespace {

const cxRange E = cxRange::EmptyRange(), F = cxRange::FullRange();

// Empty, full or partial; partial bounds are multiples of 1/1024 below 2^20, so that sums and
// differences of a few of them are exact.
cxRange randomRange(std::mt19937& rng) {
    std::uniform_int_distribution<int> u(-(1 << 30), 1 << 30);
    const double a = u(rng) / 1024.0, b = u(rng) / 1024.0;
    return rng() % 5 == 0 ? E : rng() % 4 == 0 ? F : cxRange(std::fmin(a, b), std::fmax(a, b));
}

TEST(Range, RandomRangesKeepTheAlgebra) {
    std::mt19937 rng(51);
    for (int i = 0; i < 20000; ++i) {
        const cxRange a = randomRange(rng), b = randomRange(rng), ab = a.intersect(b);
        const double x = std::uniform_real_distribution<double>(-1e6, 1e6)(rng);
        EXPECT_EQ(ab.isWithin(x), a.isWithin(x) && b.isWithin(x));
        EXPECT_TRUE(ab == b.intersect(a) && a.someOverlap(b, 0.0) == (ab.length() > 0.0));
        if (a == E || b == E || a == F || b == F) continue;
        // Dilating and eroding by the same partial range undo each other.
        const cxRange eroded = a.erode(b);
        EXPECT_TRUE(a.dilate(b).erode(b) == a && a.dilate(b) == b.dilate(a));
        EXPECT_TRUE(eroded == E ? b.length() > a.length() : eroded.dilate(b) == a);
        EXPECT_EQ(a.dilate(b).length(), a.length() + b.length());
        const double d = std::round(x) / 8;  // exact sums
        EXPECT_TRUE(a.translate(d).translate(-d) == a && a.scale(4).scale(0.25) == a);
    }
}

TEST(Range, KindsEndsAndExceptions) {
    const cxRange p(1, 4);
    EXPECT_TRUE(p.intersect(E) == E && p.intersect(F) == p && F.intersect(p) == p);
    EXPECT_TRUE(p.dilate(E) == p && E.dilate(p) == p && p.dilate(F) == F && F.dilate(E) == F);
    EXPECT_TRUE(p.erode(E) == p && p.erode(F) == E && E.erode(p) == E && F.erode(p) == F);
    EXPECT_TRUE(E.translate(5) == E && F.scale(2) == F && E.length() == 0 && F.length() == DBL_MAX);
    EXPECT_TRUE(cxRange(1, 1).isWithin(1) && p.isWithin(4) && !p.isWithin(4.0000001));
    EXPECT_TRUE(cxRange(NAN, 1) == cxRange(0, 1) && !E.isWithin(0) && F.isWithin(HUGE_VAL));
    for (double scale : {0.0, -1.0, double(NAN)}) EXPECT_THROW(p.scale(scale), cxException);
    EXPECT_THROW(E.start(), cxException);
    try {
        cxRange(2, 1);
        ADD_FAILURE() << "no exception";
    } catch (const cxException& e) {
        EXPECT_TRUE(e.code() == CID_STATUS_INVALID_VALUE && e.message() == L"start > end");
    }
}

}  // namespace
