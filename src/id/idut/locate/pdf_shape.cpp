// Shapes of the PDF417 finder: the quadrilateral of four straight runs, and the parallelogram
// fitted to the convex hull of a contour whose outline is broken by the symbol's rows.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "ci_id/platform/cmath_line.h"
#include "ci_id/priv/ci_idut/locate/pdf_shape.h"

namespace cidut {

namespace {

constexpr int32_t kParallelAngle = 177;  // 1000 tan(10 degrees)
constexpr int32_t kCrossAngle = 2747;    // 1000 tan(70 degrees)

int32_t wrapIndex(int64_t index, int32_t n) {
    int64_t r = index % n;
    return static_cast<int32_t>(r < 0 ? r + n : r);
}

int64_t cityBlock(const contourPoint& a, const contourPoint& b) {
    return std::llabs(int64_t{a.first} - b.first) + std::llabs(int64_t{a.second} - b.second);
}

// The turn at a corner from one run to the next, 1000 |tan| of the angle between their lines,
// signed by the turn's sense (positive for the clockwise turns of an outer contour). Taking the
// sign from the cross product alone keeps a corner of 91 degrees from passing for a reversed one.
int32_t cornerTurn(const fixedLine& from, const fixedLine& to) {
    int64_t cross = crossOf(from, to), dot = dotOf(from, to);
    if (dot == 0) return INT32_MAX;
    int32_t value = std::abs(angleValue(cross, dot));
    return cross > 0 ? -value : value;
}

// 1000 |tan| of the angle between two undirected lines.
int32_t lineAngle(const fixedLine& l1, const fixedLine& l2) {
    int64_t cross = crossOf(l1, l2), dot = dotOf(l1, l2);
    return dot == 0 ? INT32_MAX : std::abs(angleValue(cross, dot));
}

fixedLine lineThrough(const contourPoint& s, const contourPoint& e) {
    int64_t a = (int64_t{s.second} - e.second) >> 2;
    int64_t b = (int64_t{e.first} - s.first) >> 2;
    return fixedLine{a, b, -(int64_t{s.first} >> 2) * a - (int64_t{s.second} >> 2) * b};
}

cmath_vect pixelsOf(const contourPoint& p) { return cmath_vect{p.second / 16.0, p.first / 16.0}; }

// Corners of the pattern path are settled in eighths of a pixel.
cmath_vect eighthsOf(const contourPoint& p) {
    return cmath_vect{(p.second >> 1) / 8.0, (p.first >> 1) / 8.0};
}

// Graham order around the topmost point: by direction, from rightwards through downwards to
// leftwards, then by distance.
struct hullOrder {
    contourPoint start;
    static constexpr int64_t kVertical = 1073741823;
    int64_t key(const contourPoint& p) const {
        int64_t down = int64_t{p.first} - start.first, right = int64_t{p.second} - start.second;
        if (down == 0 && right == 0) return 0;
        if (right == 0) return kVertical;
        int64_t slope = std::clamp<int64_t>(down * 10000 / right, -kVertical, kVertical);
        return slope < 0 ? slope + 2 * kVertical : slope;
    }
    bool operator()(const contourPoint& a, const contourPoint& b) const {
        int64_t ka = key(a), kb = key(b);
        if (ka != kb) return ka < kb;
        return distanceSquared(a, start) < distanceSquared(b, start);
    }
};

// Positive for a clockwise turn on the screen (rows growing downwards).
int64_t turnOf(const contourPoint& a, const contourPoint& b, const contourPoint& c) {
    return (int64_t{b.second} - a.second) * (int64_t{c.first} - b.first) -
           (int64_t{b.first} - a.first) * (int64_t{c.second} - b.second);
}

int32_t nearestHullPoint(const contourPoint* hull, int32_t h, const contourPoint& p) {
    int32_t best = 0;
    for (int32_t i = 1; i < h; ++i) {
        if (cityBlock(hull[i], p) < cityBlock(hull[best], p)) best = i;
    }
    return best;
}

// The hull's sides from vertex `from` round: each a chain of edges within the parallel tolerance
// of its first edge, as (first vertex, city-block length, last vertex).
int32_t hullSides(const contourPoint* hull, int32_t h, int32_t from, segment* sides,
                  int32_t capacity) {
    int32_t count = 0;
    for (int32_t k = 0; k < h && count < capacity;) {
        const int32_t first = wrapIndex(int64_t{from} + k, h);
        const fixedLine direction = lineThrough(hull[first], hull[wrapIndex(first + 1, h)]);
        int32_t last = wrapIndex(first + 1, h);
        for (++k; k < h; ++k) {
            const int32_t next = wrapIndex(last + 1, h);
            const fixedLine edge = lineThrough(hull[last], hull[next]);
            if (dotOf(direction, edge) <= 0 || lineAngle(direction, edge) >= kParallelAngle) break;
            last = next;
        }
        sides[count++] = segment{first, static_cast<int32_t>(std::min<int64_t>(
                                            cityBlock(hull[first], hull[last]), INT32_MAX)),
                                 last};
    }
    return count;
}

// The point of `line` nearest to p, in sixteenths.
contourPoint foot(const fixedLine& line, const contourPoint& p) {
    return intersection(line, parallelThrough(fixedLine{-line.b, line.a, 0}, p));
}

bool closeCorners(const cmath_vect (&c)[4]) {
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            if (16 * (std::abs(c[i].x - c[j].x) + std::abs(c[i].y - c[j].y)) < 61) return true;
        }
    }
    return false;
}

bool sideTooShort(const cmath_vect (&c)[4], int64_t m) {
    for (int i = 1; i < 3; ++i) {
        double dx = c[i].x - c[0].x, dy = c[i].y - c[0].y;
        if (3 * (dx * dx + dy * dy) < static_cast<double>(m)) return true;
    }
    return false;
}

cmath_shapeLine doubleLine(const contourPoint& s, const contourPoint& e) {
    cmath_vect from = pixelsOf(s), to = pixelsOf(e);
    return cmath_shapeLine{{to.x - from.x, to.y - from.y}, from};
}

// The same corners from the sides' end points in floating point.
bool preciseCorners(const contourPoint* hull, const segment& ref, const segment& cross,
                    const segment& parallel, cmath_vect (&c)[4]) {
    cmath_shapeLine r = doubleLine(hull[ref.start], hull[ref.end]);
    cmath_shapeLine x = doubleLine(hull[cross.start], hull[cross.end]);
    cmath_shapeLine p = doubleLine(hull[parallel.start], hull[parallel.end]);
    if (cmath_shapeLine_intersection(&r, &x, &c[0]) < 0 ||
        cmath_shapeLine_intersection(&p, &x, &c[2]) < 0) {
        return false;
    }
    const cmath_vect s = pixelsOf(hull[ref.start]), e = pixelsOf(hull[ref.end]);
    const cmath_vect& far = std::abs(s.x - c[0].x) + std::abs(s.y - c[0].y) >
                                    std::abs(e.x - c[0].x) + std::abs(e.y - c[0].y)
                                ? s
                                : e;
    cmath_shapeLine across{{-r.dir.y, r.dir.x}, far};
    return cmath_shapeLine_intersection(&r, &across, &c[1]) >= 0;
}

}  // namespace

void quadrilateralOfRuns(const contourPoint* smoothed, const segment* runs, int32_t n,
                         cornerFinding* out) {
    out->found = 0;
    if (runs[0].length <= 143 ||
        std::max({runs[0].length, runs[1].length, runs[2].length}) < 785) {
        return;
    }
    int64_t covered = 0;
    fixedLine lines[4];
    for (int i = 0; i < 4; ++i) {
        covered += wrapIndex(int64_t{runs[i].end} - runs[i].start, n);
        lines[i] = lineOfSegment(smoothed, n, runs[i]);
    }
    if (covered <= n / 3 - 1) return;
    int32_t turns[4];
    for (int i = 0; i < 4; ++i) {
        turns[i] = cornerTurn(lines[i], lines[(i + 1) % 4]);
        if (turns[i] < 1804) return;
    }
    for (int i = 0; i < 4; ++i) {
        if (turns[i] < 2475 && int64_t{turns[(i + 2) % 4]} - turns[i] >= 3200) return;
    }
    cmath_vect corners[4];
    for (int i = 0; i < 4; ++i) {
        if (crossOf(lines[i], lines[(i + 1) % 4]) == 0) return;
        corners[i] = pixelsOf(intersection(lines[i], lines[(i + 1) % 4]));
    }
    const cmath_vect points[3] = {corners[1], corners[0], corners[2]};
    cmath_shapeAffineRect_initPoints(&out->rect, points);
    out->farCorner = corners[3];
    out->farCornerFromShape = 0;
    out->cornerScore = 700;
    out->found = 1;
}

int32_t convexHull(contourPoint* points, int32_t n) {
    if (n < 3) return n;
    std::swap(points[0], *std::min_element(points, points + n, [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
    }));
    std::sort(points + 1, points + n, hullOrder{points[0]});
    int32_t h = 1;
    for (int32_t i = 1; i < n; ++i) {
        while (h >= 2 && turnOf(points[h - 2], points[h - 1], points[i]) <= 0) --h;
        if (h == 1 && points[i].first == points[0].first && points[i].second == points[0].second) {
            continue;
        }
        points[h++] = points[i];
    }
    return h;
}

int32_t parallelogramOfHull(contourPoint* halved, const contourPoint* smoothed, int32_t n,
                            const segment* runs, int32_t runCount, segment* sides,
                            int32_t sideCapacity, cornerFinding* out) {
    out->found = 0;
    const fixedLine reference = lineOfSegment(smoothed, n, runs[0]);
    int32_t crossRun = 1;
    while (crossRun < runCount &&
           lineAngle(reference, lineOfSegment(smoothed, n, runs[crossRun])) <=
               kCrossAngle) {
        ++crossRun;
    }
    if (crossRun == runCount) return 0;
    const int64_t m = ((int64_t{runs[0].length} + runs[crossRun].length) / 2) >> 4;
    auto first = [&](const segment& s) { return smoothed[s.start]; };
    auto last = [&](const segment& s) {
        return smoothed[wrapIndex(int64_t{s.end} - 1, n)];
    };
    const segment& ref = runs[0];
    const segment& cross = runs[crossRun];
    const bool crossFollows = cityBlock(first(cross), last(ref)) < cityBlock(first(ref), last(cross));
    const contourPoint anchors[3] = {crossFollows ? first(ref) : first(cross),
                                     crossFollows ? last(cross) : last(ref),
                                     crossFollows ? last(ref) : last(cross)};

    const int32_t h = convexHull(halved, n);
    if (h < 4) return 0;
    int32_t at[3];
    for (int i = 0; i < 3; ++i) at[i] = nearestHullPoint(halved, h, anchors[i]);
    if (at[0] == at[1] || at[1] == at[2] || at[0] == at[2]) return 0;

    const int32_t count = hullSides(halved, h, at[0], sides, sideCapacity);
    sortSegments(sides, count);
    auto lineOf = [&](const segment& s) { return lineThrough(halved[s.start], halved[s.end]); };
    const fixedLine refLine = lineOf(sides[0]);
    int32_t parallel = -1, across = -1;
    for (int32_t k = 1; k < count; ++k) {
        int32_t angle = lineAngle(refLine, lineOf(sides[k]));
        if (parallel < 0 && angle < kParallelAngle) parallel = k;
        if (across < 0 && angle > kCrossAngle) across = k;
    }
    if (count < 3 || parallel < 0 || across < 0) return 0;

    const fixedLine crossLine = lineOf(sides[across]), parallelLine = lineOf(sides[parallel]);
    if (crossOf(refLine, crossLine) == 0 || crossOf(parallelLine, crossLine) == 0) return 0;
    const contourPoint a = intersection(refLine, crossLine);
    const contourPoint& s = halved[sides[0].start];
    const contourPoint& e = halved[sides[0].end];
    cmath_vect c[4] = {eighthsOf(a),
                       eighthsOf(foot(refLine, cityBlock(s, a) > cityBlock(e, a) ? s : e)),
                       eighthsOf(intersection(parallelLine, crossLine)),
                       {}};
    c[3] = cmath_vect{c[1].x + c[2].x - c[0].x, c[1].y + c[2].y - c[0].y};
    cmath_shapeAffineRect rect;
    const cmath_vect points[3] = {c[0], c[1], c[2]};
    cmath_shapeAffineRect_initPoints(&rect, points);
    int32_t degenerate = 0;
    cmath_shapeAffineRect_getIsDegenerate(&rect, &degenerate);
    if (degenerate || closeCorners(c) || sideTooShort(c, m)) {
        if (!preciseCorners(halved, sides[0], sides[across], sides[parallel], c)) return 0;
        const cmath_vect again[3] = {c[0], c[1], c[2]};
        cmath_shapeAffineRect_initPoints(&rect, again);
        cmath_shapeAffineRect_getIsDegenerate(&rect, &degenerate);
        if (degenerate) return 0;
    }
    out->rect = rect;
    out->farCorner = cmath_vect{rect.px.x + rect.py.x - rect.po.x, rect.px.y + rect.py.y - rect.po.y};
    out->farCornerFromShape = 1;
    out->cornerScore = 500;
    out->found = 1;
    return 0;
}

}  // namespace cidut
