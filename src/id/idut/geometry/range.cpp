// Ranges: intervals, the empty set and the whole line, with interval arithmetic.
#include <cfloat>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/cx_exception.h"
#include "ci_id/range.h"
#include "ci_id/status.h"

namespace {

// The first value on ties, as the kinds' rules ask.
double firstMax(double a, double b) { return a >= b ? a : b; }
double firstMin(double a, double b) { return a > b ? b : a; }

// A kind outside the three is a corrupted record: reported, then treated as empty.
bool reportBadKind() {
    CSTD_ASSERT(false);
    return false;
}

}  // namespace

cxRange::cxRange() : kind(Empty), lo(0.0), hi(0.0) {}

cxRange::cxRange(double start, double end) : kind(Partial), lo(start), hi(end) {
    if (start > end) throw cxException(CID_STATUS_INVALID_VALUE, L"start > end");
}

cxRange::cxRange(const cxRange& o) = default;

cxRange::cxRange(Range kind) : kind(kind), lo(0.0), hi(0.0) {}

cxRange cxRange::FullRange() {
    static const cxRange full(Full);
    return full;
}

cxRange cxRange::EmptyRange() {
    static const cxRange empty(Empty);
    return empty;
}

void cxRange::checkPartialRange() const {
    if (kind != Partial) throw cxException(CID_STATUS_RANGE_HAS_NO_BOUND, L"");
}

double cxRange::start() const {
    checkPartialRange();
    return lo;
}

double cxRange::end() const {
    checkPartialRange();
    return hi;
}

double cxRange::middle() const {
    checkPartialRange();
    return (lo + hi) / 2.0;
}

double cxRange::length() const {
    switch (kind) {
        case Partial:
            return hi - lo;
        case Empty:
            return 0.0;
        case Full:
            return DBL_MAX;
    }
    reportBadKind();
    return 0.0;
}

bool cxRange::isWithin(double x) const {
    switch (kind) {
        case Partial:
            return lo <= x && x <= hi;
        case Empty:
            return false;
        case Full:
            return true;
    }
    return reportBadKind();
}

cxRange cxRange::intersect(const cxRange& o) const {
    switch (kind) {
        case Empty:
            return EmptyRange();
        case Full:
            return o;
        case Partial:
            switch (o.kind) {
                case Partial: {
                    double start = firstMax(lo, o.lo);
                    double end = firstMin(hi, o.hi);
                    return start > end ? EmptyRange() : cxRange(start, end);
                }
                case Empty:
                    return EmptyRange();
                case Full:
                    return *this;
            }
    }
    reportBadKind();
    return EmptyRange();
}

cxRange cxRange::dilate(const cxRange& o) const {
    switch (kind) {
        case Empty:
            return o;
        case Full:
            return FullRange();
        case Partial:
            switch (o.kind) {
                case Partial:
                    return cxRange(lo + o.lo, hi + o.hi);
                case Empty:
                    return *this;
                case Full:
                    return FullRange();
            }
    }
    reportBadKind();
    return EmptyRange();
}

cxRange cxRange::erode(const cxRange& o) const {
    switch (kind) {
        case Empty:
            return EmptyRange();
        case Full:
            return FullRange();
        case Partial:
            switch (o.kind) {
                case Partial: {
                    double start = lo - o.lo;
                    double end = hi - o.hi;
                    return start > end ? EmptyRange() : cxRange(start, end);
                }
                case Empty:
                    return *this;
                case Full:
                    return EmptyRange();
            }
    }
    reportBadKind();
    return EmptyRange();
}

cxRange cxRange::translate(double d) const {
    switch (kind) {
        case Partial:
            return cxRange(lo + d, hi + d);
        case Empty:
        case Full:
            return *this;
    }
    reportBadKind();
    return EmptyRange();
}

cxRange cxRange::scale(double f) const {
    if (!(f > 0.0)) throw cxException(CID_STATUS_INVALID_VALUE, L"scale <= 0");
    switch (kind) {
        case Partial:
            return cxRange(lo * f, hi * f);
        case Empty:
        case Full:
            return *this;
    }
    reportBadKind();
    return EmptyRange();
}

bool cxRange::someOverlap(const cxRange& o, double minLength) const {
    return intersect(o).length() > minLength;
}

bool cxRange::operator==(const cxRange& o) const {
    if (kind != o.kind) return false;
    if (kind != Partial) return true;
    return !(lo < o.lo) && !(lo > o.lo) && !(hi < o.hi) && !(hi > o.hi);
}

bool cxRange::operator!=(const cxRange& o) const { return !(*this == o); }

cxRange& cxRange::operator=(const cxRange& o) = default;
