// Clipping of scan lines, segments, rays and shapes to the inner pixel centres of a ROI.
#include <algorithm>
#include <cstdint>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/scan/scan_fixed.h"
#include "ci_id/scan.h"

namespace {

using cidut::centreRect;
using wide = __int128;

// Nearest integer to num / den (den > 0), halves rounded up.
int64_t roundedQuotient(wide num, wide den) {
    wide twice = 2 * num + den;
    wide q = twice / (2 * den);
    if (twice % (2 * den) < 0) --q;
    return static_cast<int64_t>(q);
}

// A parameter along a segment, num / den with den > 0.
struct fraction {
    wide num, den;
};

bool lessThan(const fraction& a, const fraction& b) { return a.num * b.den < b.num * a.den; }

// The chord of a line with both direction components non-zero. In the frame where the direction
// is (D, E), both positive, the line enters at the corner of the rectangle it heads away from; c0
// is the cross product that tells which side of that corner it passes, and so whether it enters
// through the bottom or the left edge, and c1 the same for the exit corner.
int32_t clipObliqueLine(const cidc_scanLine& line, const centreRect& r, cidc_scanLineSeg* out) {
    const int64_t sgx = line.dir.x > 0 ? 1 : -1;
    const int64_t sgy = line.dir.y > 0 ? 1 : -1;
    const int64_t d = line.dir.x * sgx;
    const int64_t e = line.dir.y * sgy;
    const int64_t a = sgx > 0 ? line.foot.x - r.minX : r.maxX - line.foot.x;
    const int64_t b = sgy > 0 ? line.foot.y - r.minY : r.maxY - line.foot.y;
    const int64_t hi = (r.maxX - r.minX) * e;
    const int64_t lo = -(r.maxY - r.minY) * d;
    const int64_t c0 = a * e - b * d;
    const int64_t c1 = (hi + lo) - c0;
    if (c0 > hi || c0 < lo) return cidc_scanLineSeg_initDegen(out);
    cidc_point64_4 start{sgx > 0 ? r.minX : r.maxX, sgy > 0 ? r.minY : r.maxY};
    cidc_point64_4 end{sgx > 0 ? r.maxX : r.minX, sgy > 0 ? r.maxY : r.minY};
    if (c0 < 0) {
        start.y += sgy * roundedQuotient(-c0, d);
    } else {
        start.x += sgx * roundedQuotient(c0, e);
    }
    if (c1 < 0) {
        end.y -= sgy * roundedQuotient(-c1, d);
    } else {
        end.x -= sgx * roundedQuotient(c1, e);
    }
    return cidc_scanLineSeg_initPoints(out, &start, &end, &line);
}

// The part [enter, exit] of the parameter range [0, 1] of p0 + t (p1 - p0) inside [lo, hi] on
// one axis; false when the segment misses the range on this axis.
bool clipAxis(int64_t a0, int64_t a1, int64_t lo, int64_t hi, fraction* enter, fraction* exit) {
    const int64_t delta = a1 - a0;
    if (delta == 0) return a0 >= lo && a0 <= hi;
    const fraction in = delta > 0 ? fraction{lo - a0, delta} : fraction{a0 - hi, -delta};
    const fraction out = delta > 0 ? fraction{hi - a0, delta} : fraction{a0 - lo, -delta};
    if (lessThan(*enter, in)) *enter = in;
    if (lessThan(out, *exit)) *exit = out;
    return true;
}

int64_t coordinateAt(int64_t a0, int64_t a1, const fraction& t) {
    return a0 + roundedQuotient(wide{a1 - a0} * t.num, t.den);
}

// The cut points are computed from the end points themselves, exactly, for every segment: an
// axis-parallel segment (one difference zero) is the special case where one axis only tests. A
// zero-length overlap, a zero-length segment included, counts as empty.
int32_t clipSegment(const cidc_scanLineSeg& seg, const centreRect& r, cidc_scanLineSeg* out) {
    const cidc_point64_4 p0 = seg.pts[0];
    const cidc_point64_4 p1 = seg.pts[1];
    fraction enter{0, 1};
    fraction exit{1, 1};
    if ((p0.x == p1.x && p0.y == p1.y) || !clipAxis(p0.x, p1.x, r.minX, r.maxX, &enter, &exit) ||
        !clipAxis(p0.y, p1.y, r.minY, r.maxY, &enter, &exit) || !lessThan(enter, exit)) {
        return cidc_scanLineSeg_initDegen(out);
    }
    const cidc_point64_4 start{coordinateAt(p0.x, p1.x, enter), coordinateAt(p0.y, p1.y, enter)};
    const cidc_point64_4 end{coordinateAt(p0.x, p1.x, exit), coordinateAt(p0.y, p1.y, exit)};
    return cidc_scanLineSeg_initPoints(out, &start, &end, &seg.line);
}

// (to - from) . dir, exactly.
wide alongDir(const cidc_point64_4& from, const cidc_point64_4& to, const cidc_unitDir16& dir) {
    return wide{to.x - from.x} * dir.x + wide{to.y - from.y} * dir.y;
}

}  // namespace

extern "C" {

int32_t cidc_scanLine_clip(const cidc_scanLine* line, const cidc_windowROI* roi,
                           cidc_scanLineSeg* out) {
    CSTD_ASSERT(line && roi && out);
    const cidc_scanLine l = *line;
    const centreRect r = cidut::centreRectOf(*roi);
    cidut::assertPoint(l.foot);
    if (l.dir.x == 0 || l.dir.y == 0) {
        const bool vertical = l.dir.x == 0;
        const int64_t across = vertical ? l.foot.x : l.foot.y;
        if (vertical ? (across < r.minX || across > r.maxX)
                     : (across < r.minY || across > r.maxY)) {
            return cidc_scanLineSeg_initDegen(out);
        }
        const bool forward = (vertical ? l.dir.y : l.dir.x) > 0;
        const int64_t lo = vertical ? r.minY : r.minX;
        const int64_t hi = vertical ? r.maxY : r.maxX;
        const int64_t from = forward ? lo : hi;
        const int64_t to = forward ? hi : lo;
        const cidc_point64_4 start =
            vertical ? cidc_point64_4{across, from} : cidc_point64_4{from, across};
        const cidc_point64_4 end =
            vertical ? cidc_point64_4{across, to} : cidc_point64_4{to, across};
        return cidc_scanLineSeg_initPoints(out, &start, &end, &l);
    }
    return clipObliqueLine(l, r, out);
}

int32_t cidc_scanLineSeg_clip(const cidc_scanLineSeg* seg, const cidc_windowROI* roi,
                              cidc_scanLineSeg* out) {
    CSTD_ASSERT(seg && roi && out);
    const cidc_scanLineSeg s = *seg;
    const centreRect r = cidut::centreRectOf(*roi);
    cidut::assertPoint(s.pts[0]);
    cidut::assertPoint(s.pts[1]);
    return clipSegment(s, r, out);
}

int32_t cidc_scanRay_clip(const cidc_scanRay* ray, const cidc_windowROI* roi,
                          cidc_scanLineSeg* out) {
    CSTD_ASSERT(ray && roi && out);
    const cidc_scanRay rayCopy = *ray;
    cidut::assertPoint(rayCopy.origin);
    cidc_scanLineSeg chord;
    int32_t status = cidc_scanLine_clip(&rayCopy.line, roi, &chord);
    if (status < 0 || chord.degenerate) {
        if (status >= 0) *out = chord;
        return status;
    }
    const cidc_unitDir16 dir = rayCopy.line.dir;
    const wide before = alongDir(chord.pts[0], rayCopy.origin, dir);
    const wide total = alongDir(chord.pts[0], chord.pts[1], dir);
    if (before <= 0) {
        *out = chord;
        return 0;
    }
    if (before > total) return cidc_scanLineSeg_initDegen(out);
    // The origin's projection onto the line, held between the chord's ends on both axes so that
    // it stays inside the ROI and before the end, wherever rounding put either.
    const cidc_point64_4 foot = rayCopy.line.foot;
    const fraction t{alongDir(foot, rayCopy.origin, dir),
                     wide{dir.x} * dir.x + wide{dir.y} * dir.y};
    auto onChord = [&](int64_t footCoordinate, int32_t dirComponent, int64_t a, int64_t b) {
        const int64_t exact = footCoordinate + roundedQuotient(t.num * dirComponent, t.den);
        return std::min(std::max(exact, std::min(a, b)), std::max(a, b));
    };
    const cidc_point64_4 start{onChord(foot.x, dir.x, chord.pts[0].x, chord.pts[1].x),
                               onChord(foot.y, dir.y, chord.pts[0].y, chord.pts[1].y)};
    return cidc_scanLineSeg_initPoints(out, &start, &chord.pts[1], &rayCopy.line);
}

int32_t cidc_scanShape_clip(const cidc_scanShape* shape, const cidc_windowROI* roi,
                            cidc_scanLineSeg* out) {
    CSTD_ASSERT(shape && roi && out);
    CSTD_ASSERT(shape->seg || shape->line || shape->ray);
    if (shape->seg) return cidc_scanLineSeg_clip(shape->seg, roi, out);
    if (shape->ray) return cidc_scanRay_clip(shape->ray, roi, out);
    return cidc_scanLine_clip(shape->line, roi, out);
}
}
