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
    // The cut parameters truncate, as stored scan lines and peers expect.
    if (c0 < 0) {
        start.y += sgy * (-c0 / d);
    } else {
        start.x += sgx * (c0 / e);
    }
    if (c1 < 0) {
        end.y -= sgy * (-c1 / d);
    } else {
        end.x -= sgx * (c1 / e);
    }
    return cidc_scanLineSeg_initPoints(out, &start, &end, &line);
}

// A parameter along a segment, num / den with den > 0.
struct fraction {
    wide num, den;
};

bool lessThan(const fraction& a, const fraction& b) { return a.num * b.den < b.num * a.den; }

// The part [enter, exit] of the parameter range [0, 1] of p0 + t (p1 - p0) inside [lo, hi] on
// one axis; false when the segment misses the range on this axis.
bool clipAxisExact(int64_t a0, int64_t a1, int64_t lo, int64_t hi, fraction* enter,
                   fraction* exit) {
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

// Segments of 2048 pixels or more on an axis: 16-bit cut fractions would leave their ends up to
// length / 65536 sixteenths outside the ROI, so the cut points are computed exactly in wide
// integers and rounded to the nearest sixteenth. A zero-length overlap counts as empty.
int32_t clipLongSegment(const cidc_scanLineSeg& seg, const centreRect& r, cidc_scanLineSeg* out) {
    const cidc_point64_4 p0 = seg.pts[0];
    const cidc_point64_4 p1 = seg.pts[1];
    fraction enter{0, 1};
    fraction exit{1, 1};
    if (!clipAxisExact(p0.x, p1.x, r.minX, r.maxX, &enter, &exit) ||
        !clipAxisExact(p0.y, p1.y, r.minY, r.maxY, &enter, &exit) || !lessThan(enter, exit)) {
        return cidc_scanLineSeg_initDegen(out);
    }
    const cidc_point64_4 start{coordinateAt(p0.x, p1.x, enter), coordinateAt(p0.y, p1.y, enter)};
    const cidc_point64_4 end{coordinateAt(p0.x, p1.x, exit), coordinateAt(p0.y, p1.y, exit)};
    return cidc_scanLineSeg_initPoints(out, &start, &end, &seg.line);
}

constexpr int64_t kOne16 = 65536;
// Below this length (sixteenths) on both axes a difference times a 16-bit fraction fits 32 bits.
constexpr int64_t kShortSegment = 32768;

// The cut fractions (16 fraction bits) of one axis: cut[0] <= 0 is the share cut at the start,
// cut[1] >= 0 the share cut at the end; each only ever grows in magnitude.
void clipAxis(int64_t a0, int64_t a1, int64_t lo, int64_t hi, int64_t cut[2]) {
    const int64_t delta = a1 - a0;
    if (delta == 0) {
        if (a0 < lo || a0 > hi) {
            cut[0] = -kOne16;
            cut[1] = kOne16;
        }
        return;
    }
    const int64_t length = delta > 0 ? delta : -delta;
    // (amount beyond a bound, the fraction it cuts, the divisor giving that fraction its sign)
    const int64_t overLow = delta > 0 ? lo - a0 : lo - a1;
    const int64_t overHigh = delta > 0 ? a1 - hi : a0 - hi;
    int64_t* lowCut = delta > 0 ? &cut[0] : &cut[1];
    int64_t* highCut = delta > 0 ? &cut[1] : &cut[0];
    auto apply = [length](int64_t over, int64_t divisor, int64_t* fractionCut) {
        if (over <= 0) return;
        const int64_t q = (std::min(over, length) * kOne16) / divisor;
        if ((q < 0 ? -q : q) > (*fractionCut < 0 ? -*fractionCut : *fractionCut)) *fractionCut = q;
    };
    apply(overLow, -delta, lowCut);
    apply(overHigh, delta, highCut);
}

int32_t clipObliqueSegment(const cidc_scanLineSeg& seg, const centreRect& r,
                           cidc_scanLineSeg* out) {
    cidc_point64_4 p[2] = {seg.pts[0], seg.pts[1]};
    const int64_t dx = p[1].x - p[0].x;
    const int64_t dy = p[1].y - p[0].y;
    if (std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy) >= kShortSegment) {
        return clipLongSegment(seg, r, out);
    }
    int64_t cut[2] = {0, 0};
    clipAxis(p[0].x, p[1].x, r.minX, r.maxX, cut);
    clipAxis(p[0].y, p[1].y, r.minY, r.maxY, cut);
    if (cut[1] - cut[0] >= kOne16) return cidc_scanLineSeg_initDegen(out);
    for (int i = 0; i < 2; ++i) {
        if (cut[i] == 0) continue;
        p[i].x -= (dx * cut[i]) >> 16;
        p[i].y -= (dy * cut[i]) >> 16;
    }
    return cidc_scanLineSeg_initPoints(out, &p[0], &p[1], &seg.line);
}

// An axis-parallel segment keeps its coordinate across the axis and is tested on its line's foot.
int32_t clipAxisParallelSegment(const cidc_scanLineSeg& seg, const centreRect& r,
                                cidc_scanLineSeg* out) {
    const bool vertical = seg.line.dir.x == 0;
    const int64_t across = vertical ? seg.line.foot.x : seg.line.foot.y;
    if (vertical ? (across < r.minX || across > r.maxX) : (across < r.minY || across > r.maxY)) {
        return cidc_scanLineSeg_initDegen(out);
    }
    const bool forward = (vertical ? seg.line.dir.y : seg.line.dir.x) > 0;
    const int64_t a0 = vertical ? seg.pts[0].y : seg.pts[0].x;
    const int64_t a1 = vertical ? seg.pts[1].y : seg.pts[1].x;
    const int64_t low = std::max(vertical ? r.minY : r.minX, forward ? a0 : a1);
    const int64_t high = std::min(forward ? a1 : a0, vertical ? r.maxY : r.maxX);
    if (low >= high) return cidc_scanLineSeg_initDegen(out);
    cidc_point64_4 start = seg.pts[0];
    cidc_point64_4 end = seg.pts[1];
    (vertical ? start.y : start.x) = forward ? low : high;
    (vertical ? end.y : end.x) = forward ? high : low;
    return cidc_scanLineSeg_initPoints(out, &start, &end, &seg.line);
}

// Whether a segment from a to b keeps the scan order on line: the centre of b's pixel not before
// that of a's pixel along the walk.
bool inScanOrder(const cidc_scanLine& line, const cidc_point64_4& a, const cidc_point64_4& b) {
    auto centre = [](const cidc_point64_4& p) {
        return cidc_point64_4{(p.x >> 4) * 16 + 8, (p.y >> 4) * 16 + 8};
    };
    return cidut::scanCoordsOf(line, centre(b)).u >= cidut::scanCoordsOf(line, centre(a)).u;
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
    if (s.line.dir.x == 0 || s.line.dir.y == 0) return clipAxisParallelSegment(s, r, out);
    return clipObliqueSegment(s, r, out);
}

int32_t cidc_scanRay_clip(const cidc_scanRay* ray, const cidc_windowROI* roi,
                          cidc_scanLineSeg* out) {
    CSTD_ASSERT(ray && roi && out);
    const cidc_scanRay rayCopy = *ray;
    cidut::assertPoint(rayCopy.origin);
    cidc_scanLineSeg chord;
    int32_t status = cidc_scanLine_clip(&rayCopy.line, roi, &chord);
    if (status < 0) return status;
    if (chord.degenerate || !cidut::contains(cidut::centreRectOf(*roi), rayCopy.origin)) {
        *out = chord;
        return status;
    }
    const bool ahead = alongDir(rayCopy.origin, chord.pts[1], rayCopy.line.dir) > 0;
    cidc_point64_4 start = ahead ? rayCopy.origin : chord.pts[0];
    cidc_point64_4 end = ahead ? chord.pts[1] : rayCopy.origin;
    // Mend: an origin off its line next to the chord's end (or start) can have its pixel after
    // the end's (before the start's) along the walk, which no segment may; the piece is then the
    // one pixel of that chord end.
    if (!inScanOrder(rayCopy.line, start, end)) {
        if (ahead) {
            start = end;
        } else {
            end = start;
        }
    }
    return cidc_scanLineSeg_initPoints(out, &start, &end, &rayCopy.line);
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
