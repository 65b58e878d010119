// Ranges: the rules by kind, algebraic properties on random ranges, exceptions, shared
// constants from several threads.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "ci_id/platform/cx_exception.h"
#include "ci_id/range.h"
#include "ci_id/status.h"
#include "test_support.h"

namespace {

template <typename Call>
void expectThrows(Call call, int32_t code, const wchar_t* text) {
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (const cxException& e) {
        EXPECT_EQ(e.code(), code);
        EXPECT_EQ(e.message(), text);
    }
}

bool isEmpty(const cxRange& r) { return r == cxRange::EmptyRange(); }
bool isFull(const cxRange& r) { return r == cxRange::FullRange(); }

// Random ranges of the three kinds; partial bounds are multiples of 1/1024 below 2^20, so sums and
// differences of a few of them are exact.
cxRange randomRange(std::mt19937& rng) {
    switch (rng() % 5) {
        case 0:
            return cxRange::EmptyRange();
        case 1:
            return cxRange::FullRange();
        default: {
            std::uniform_int_distribution<int> u(-(1 << 30), 1 << 30);
            double a = u(rng) / 1024.0, b = u(rng) / 1024.0;
            return a <= b ? cxRange(a, b) : cxRange(b, a);
        }
    }
}

TEST(Range, ConstructionAndBounds) {
    expectThrows([] { cxRange(2, 1); }, CID_STATUS_INVALID_VALUE, L"start > end");
    cxRange point(1, 1);
    EXPECT_EQ(point.length(), 0.0);
    EXPECT_TRUE(point.isWithin(1));
    EXPECT_EQ(point.middle(), 1.0);
    cxRange r(-2, 6);
    EXPECT_EQ(r.start(), -2);
    EXPECT_EQ(r.end(), 6);
    EXPECT_EQ(r.middle(), 2);
    EXPECT_EQ(r.length(), 8);
    EXPECT_TRUE(r.isWithin(-2) && r.isWithin(6) && !r.isWithin(6.0000001));
    EXPECT_TRUE(isEmpty(cxRange()));
    EXPECT_EQ(cxRange::EmptyRange().length(), 0.0);
    EXPECT_EQ(cxRange::FullRange().length(), DBL_MAX);
    EXPECT_FALSE(cxRange().isWithin(0));
    for (double x : {-1e308, 0.0, 1e308, HUGE_VAL}) EXPECT_TRUE(cxRange::FullRange().isWithin(x));
    for (const cxRange& none : {cxRange::EmptyRange(), cxRange::FullRange()}) {
        expectThrows([&] { none.start(); }, CID_STATUS_RANGE_HAS_NO_BOUND, L"");
        expectThrows([&] { none.end(); }, CID_STATUS_RANGE_HAS_NO_BOUND, L"");
        expectThrows([&] { none.middle(); }, CID_STATUS_RANGE_HAS_NO_BOUND, L"");
    }
}

TEST(Range, IntersectDilateErodeExamples) {
    EXPECT_EQ(cxRange(0, 10).intersect(cxRange(5, 20)), cxRange(5, 10));
    EXPECT_TRUE(isEmpty(cxRange(0, 1).intersect(cxRange(2, 3))));
    EXPECT_EQ(cxRange(0, 1).intersect(cxRange(1, 2)), cxRange(1, 1));
    EXPECT_EQ(cxRange(0, 10).dilate(cxRange(-1, 2)), cxRange(-1, 12));
    EXPECT_EQ(cxRange(0, 10).erode(cxRange(-1, 2)), cxRange(1, 8));
    EXPECT_TRUE(isEmpty(cxRange(0, 1).erode(cxRange(0, 5))));
    EXPECT_TRUE(cxRange(0, 10).someOverlap(cxRange(9, 20), 0.5));
    EXPECT_FALSE(cxRange(0, 10).someOverlap(cxRange(9, 20), 1));
    EXPECT_EQ(cxRange(1, 2).translate(3), cxRange(4, 5));
    EXPECT_EQ(cxRange(1, 2).scale(3), cxRange(3, 6));
    expectThrows([] { cxRange(1, 2).scale(0); }, CID_STATUS_INVALID_VALUE, L"scale <= 0");
    expectThrows([] { cxRange::EmptyRange().scale(-1); }, CID_STATUS_INVALID_VALUE, L"scale <= 0");
    expectThrows([] { cxRange(1, 2).scale(NAN); }, CID_STATUS_INVALID_VALUE, L"scale <= 0");
}

TEST(Range, RulesByKind) {
    const cxRange p(1, 4), e = cxRange::EmptyRange(), f = cxRange::FullRange();
    EXPECT_TRUE(isEmpty(p.intersect(e)));
    EXPECT_EQ(p.intersect(f), p);
    EXPECT_TRUE(isEmpty(e.intersect(p)) && isEmpty(e.intersect(f)));
    EXPECT_EQ(f.intersect(p), p);
    EXPECT_TRUE(isEmpty(f.intersect(e)));
    EXPECT_EQ(p.dilate(e), p);
    EXPECT_TRUE(isFull(p.dilate(f)));
    EXPECT_EQ(e.dilate(p), p);
    EXPECT_TRUE(isFull(e.dilate(f)) && isEmpty(e.dilate(e)));
    EXPECT_TRUE(isFull(f.dilate(p)) && isFull(f.dilate(e)));
    EXPECT_EQ(p.erode(e), p);
    EXPECT_TRUE(isEmpty(p.erode(f)));
    EXPECT_TRUE(isEmpty(e.erode(p)) && isEmpty(e.erode(f)));
    EXPECT_TRUE(isFull(f.erode(p)) && isFull(f.erode(e)));
    EXPECT_TRUE(isEmpty(e.translate(5)) && isFull(f.translate(5)));
    EXPECT_TRUE(isEmpty(e.scale(2)) && isFull(f.scale(2)));
    EXPECT_FALSE(p.someOverlap(e, 0));
    EXPECT_TRUE(p.someOverlap(e, -1));  // an empty overlap has length 0
    EXPECT_TRUE(f.someOverlap(f, 1e300));
}

TEST(Range, RandomRangesKeepTheAlgebra) {
    std::mt19937 rng(51);
    std::uniform_real_distribution<double> u(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i) {
        cxRange a = randomRange(rng), b = randomRange(rng);
        cxRange ab = a.intersect(b);
        EXPECT_EQ(ab, b.intersect(a));
        // A point lies in the intersection exactly when it lies in both.
        for (int k = 0; k < 4; ++k) {
            double x = u(rng);
            EXPECT_EQ(ab.isWithin(x), a.isWithin(x) && b.isWithin(x));
        }
        if (isEmpty(a) || isEmpty(b) || isFull(a) || isFull(b)) continue;
        EXPECT_TRUE(ab.isWithin(a.start()) == b.isWithin(a.start()));
        // Dilating and eroding by the same partial range undo each other.
        EXPECT_EQ(a.dilate(b).erode(b), a);
        cxRange eroded = a.erode(b);
        if (!isEmpty(eroded)) {
            EXPECT_EQ(eroded.dilate(b), a);
            EXPECT_LE(eroded.length(), a.length());
        } else {
            EXPECT_GT(b.length(), a.length());
        }
        EXPECT_EQ(a.dilate(b).length(), a.length() + b.length());
        EXPECT_EQ(a.dilate(b), b.dilate(a));
        double d = std::ldexp(static_cast<double>(static_cast<int>(rng() % 2048) - 1024), -3);
        EXPECT_EQ(a.translate(d).translate(-d), a);
        EXPECT_EQ(a.scale(4).scale(0.25), a);
        EXPECT_EQ(a.someOverlap(b, 0.0), ab.length() > 0.0);
    }
}

TEST(Range, EqualityAndAssignment) {
    cxRange a(1, 2), b(1, 2);
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(a != cxRange(1, 3));
    EXPECT_TRUE(a != cxRange::EmptyRange());
    EXPECT_TRUE(cxRange::EmptyRange() != cxRange::FullRange());
    // NaN bounds are neither less nor greater than anything: equal.
    EXPECT_TRUE(cxRange(NAN, 1) == cxRange(0, 1));
    EXPECT_FALSE(cxRange(NAN, 1) != cxRange(NAN, 1));
    cxRange c;
    c = a;
    EXPECT_EQ(c, a);
    c = cxRange::FullRange();
    EXPECT_TRUE(isFull(c));
}

TEST(Range, SharedConstantsFromManyThreads) {
    std::vector<std::thread> threads;
    std::vector<int> good(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &good] {
            bool ok = true;
            for (int i = 0; i < 1000; ++i) {
                ok = ok && cxRange::FullRange().length() == DBL_MAX &&
                     cxRange::EmptyRange().length() == 0.0 &&
                     cxRange(0, 1).intersect(cxRange::FullRange()) == cxRange(0, 1);
            }
            good[t] = ok;
        });
    }
    for (std::thread& t : threads) t.join();
    for (int ok : good) EXPECT_TRUE(ok);
}

TEST(Range, CorruptedKindIsAPrecondition) {
    cxRange r(1, 2);
    int32_t badKind = 7;
    std::memcpy(static_cast<void*>(&r), &badKind, sizeof badKind);
    EXPECT_PRECONDITION(r.length());
    EXPECT_PRECONDITION(r.isWithin(1));
    EXPECT_PRECONDITION(r.intersect(cxRange(0, 1)));
    EXPECT_PRECONDITION(r.dilate(cxRange(0, 1)));
    EXPECT_PRECONDITION(r.erode(cxRange(0, 1)));
    EXPECT_PRECONDITION(r.translate(1));
    EXPECT_PRECONDITION(r.scale(1));
    EXPECT_PRECONDITION(cxRange(0, 1).intersect(r));
}

}  // namespace
