/* Ranges of real numbers: a closed interval [start, end], the empty set or the whole real line,
 * with the interval arithmetic of search code.
 *
 * Results by kinds (this, o); P partial, E empty, F full:
 *   intersect  P,P: [max(lo, o.lo), min(hi, o.hi)], or E when that start exceeds that end;
 *              P,E: E; P,F: this; E,any: E; F,any: o
 *   dilate     P,P: [lo + o.lo, hi + o.hi]; P,E: this; P,F: F; E,any: o; F,any: F
 *   erode      P,P: [lo - o.lo, hi - o.hi], or E when that start exceeds that end;
 *              P,E: this; P,F: E; E,any: E; F,any: F
 * So an empty range is no tolerance at all when it dilates or erodes another.
 *
 * Failures throw cxException: CID_STATUS_INVALID_VALUE with "start > end" or "scale <= 0", and
 * CID_STATUS_RANGE_HAS_NO_BOUND (empty text) when a bound is asked of an empty or full range. */
#ifndef CI_ID_RANGE_H
#define CI_ID_RANGE_H

#ifdef __cplusplus
#include <stdint.h>

#include "ci_id/ci_id_export.h"

class CI_ID_API cxRangeDefs {
public:
    enum Range : int32_t { Partial = 0, Empty = 1, Full = 2 };
};

class CI_ID_API cxRange : public cxRangeDefs {
public:
    /* An empty range. */
    cxRange();
    /* [start, end]; throws "start > end" when start > end. NaN bounds are accepted. */
    cxRange(double start, double end);
    cxRange(const cxRange& o);

    /* Copies of shared constants, built once, safe from any thread. */
    static cxRange FullRange();
    static cxRange EmptyRange();

    double start() const;
    double end() const;
    double middle() const;
    /* end - start; 0 when empty, the largest double when full. */
    double length() const;
    /* start <= x <= end; false when empty, true when full. */
    bool isWithin(double x) const;

    cxRange intersect(const cxRange& o) const;
    cxRange dilate(const cxRange& o) const;
    cxRange erode(const cxRange& o) const;
    /* [start + d, end + d]; empty and full ranges unchanged. */
    cxRange translate(double d) const;
    /* [start * f, end * f] for f > 0, else throws "scale <= 0"; empty and full unchanged. */
    cxRange scale(double f) const;
    /* intersect(o).length() > minLength. */
    bool someOverlap(const cxRange& o, double minLength) const;

    /* Same kind and, for partial ranges, bounds neither less nor greater than the other's (so
     * NaN bounds compare equal). */
    bool operator==(const cxRange& o) const;
    bool operator!=(const cxRange& o) const;
    cxRange& operator=(const cxRange& o);

private:
    explicit cxRange(Range kind);
    void checkPartialRange() const;

    Range kind;
    double lo;
    double hi;
};
#endif

#endif
