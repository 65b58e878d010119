// A PDF417 symbol measured from the wide bar of its start pattern: the stop pattern is looked for
// along several rows across the symbol, its outer edge fitted by a line, and the ends of its wide
// bar found along that bar; the symbol's corners are where these lines meet.
#include <algorithm>
#include <cmath>

#include "ci_id/priv/ci_idut/search/pdf417_search.h"

namespace cidut {

namespace {

constexpr int kRows = 9;                                         // rows sampled across the symbol
constexpr double kStopWidths[9] = {7, 1, 1, 3, 1, 1, 1, 2, 1};  // bar first, in modules

cmath_vect add(cmath_vect a, cmath_vect b) { return {a.x + b.x, a.y + b.y}; }
cmath_vect sub(cmath_vect a, cmath_vect b) { return {a.x - b.x, a.y - b.y}; }
cmath_vect scale(cmath_vect a, double f) { return {a.x * f, a.y * f}; }
double dot(cmath_vect a, cmath_vect b) { return a.x * b.x + a.y * b.y; }
double cross(cmath_vect a, cmath_vect b) { return a.x * b.y - a.y * b.x; }
double norm(cmath_vect a) { return std::hypot(a.x, a.y); }
cmath_vect unit(cmath_vect a) { return scale(a, 1 / norm(a)); }

struct line2 {
    cmath_vect point;
    cmath_vect dir;  // unit
};

bool meet(const line2& a, const line2& b, cmath_vect* at) {
    const double d = cross(a.dir, b.dir);
    if (std::abs(d) < 1e-9) return false;
    *at = add(a.point, scale(a.dir, cross(sub(b.point, a.point), b.dir) / d));
    return true;
}

// The principal axis of points, oriented along `like`.
line2 fitLine(const cmath_vect* p, int count, cmath_vect like) {
    cmath_vect c{0, 0};
    for (int i = 0; i < count; ++i) c = add(c, p[i]);
    c = scale(c, 1.0 / count);
    double sxx = 0, sxy = 0, syy = 0;
    for (int i = 0; i < count; ++i) {
        cmath_vect d = sub(p[i], c);
        sxx += d.x * d.x;
        sxy += d.x * d.y;
        syy += d.y * d.y;
    }
    const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
    cmath_vect dir{std::cos(angle), std::sin(angle)};
    return {c, dot(dir, like) < 0 ? scale(dir, -1) : dir};
}

// What one row shows of the start and stop patterns.
struct rowCrossing {
    cmath_vect outer[2];   // outer edges of the start pattern's first and the stop pattern's last bar
    cmath_vect middle[2];  // middles of their wide bars
    double module;
};

// The first run of elements from edge `from` on, entering a bar, whose widths follow `widths`
// (count of them, `modules` in all) with a module within [low, high]: its first edge, or -1.
int32_t findPattern(const lineScratch& s, const sampledLine& line, int32_t from, bool enterRising,
                    const double* widths, int count, double modules, double low, double high,
                    double* module) {
    for (int32_t i = std::max(from, 0); i + count < line.edgeCount; ++i) {
        if ((s.edges[i] > 0) != enterRising) continue;
        const double mt = (s.along[i + count] - s.along[i]) / modules;
        if (mt < low || mt > high) continue;
        bool matches = true;
        for (int k = 0; k < count && matches; ++k) {
            const double w = s.along[i + k + 1] - s.along[i + k];
            matches = std::abs(w - widths[k] * mt) <= 0.5 * mt + 0.6;
        }
        if (matches) {
            *module = mt;
            return i;
        }
    }
    return -1;
}

// The start pattern and, after it, the stop pattern along the sampled row, one of whose wide
// bars lies `at` pixels along the line (within a few modules).
bool crossRow(const lineScratch& s, const sampledLine& line, bool enterRising, double m, double at,
              rowCrossing* out) {
    static const double kStart[8] = {8, 1, 1, 1, 1, 1, 1, 3};
    const cmath_vect dir = unit(line.step);
    auto point = [&](double along) { return add(line.from, scale(dir, along)); };
    for (int32_t i = 0; i < line.edgeCount;) {
        double m0 = 0, m1 = 0;
        i = findPattern(s, line, i, enterRising, kStart, 8, 17, 0.4 * m, 2.5 * m, &m0);
        if (i < 0) return false;
        const int32_t j =
            findPattern(s, line, i + 8, enterRising, kStopWidths, 9, 18, 0.4 * m0, 2.5 * m0, &m1);
        if (j < 0) return false;
        const double starts[2] = {s.along[i] + 4 * m0, s.along[j] + 3.5 * m1};
        if (std::min(std::abs(starts[0] - at), std::abs(starts[1] - at)) <= 4 * std::max(m0, m1)) {
            *out = rowCrossing{{point(s.along[i]), point(s.along[j + 9])},
                               {point(starts[0]), point(starts[1])},
                               (m0 + m1) / 2};
            return true;
        }
        i = i + 1;
    }
    return false;
}

// The rows whose stop crossings lie on one line (within tolerance of the line through the best
// pair); their count.
int consistentRows(rowCrossing* rows, int count, int side, double tolerance) {
    int best = 0, bestI = 0, bestJ = 0;
    for (int i = 0; i < count; ++i) {
        for (int j = i + 1; j < count; ++j) {
            const cmath_vect d = sub(rows[j].outer[side], rows[i].outer[side]);
            if (norm(d) < 1e-9) continue;
            int inliers = 0;
            for (int k = 0; k < count; ++k) {
                inliers += std::abs(cross(unit(d), sub(rows[k].outer[side], rows[i].outer[side]))) <= tolerance;
            }
            if (inliers > best) best = inliers, bestI = i, bestJ = j;
        }
    }
    if (best < 3) return 0;
    const cmath_vect a = rows[bestI].outer[side], d = unit(sub(rows[bestJ].outer[side], a));
    int kept = 0;
    for (int k = 0; k < count; ++k) {
        if (std::abs(cross(d, sub(rows[k].outer[side], a))) <= tolerance) rows[kept++] = rows[k];
    }
    return kept;
}

// The ends of a bar along its centre line: the strongest step into it before `middle` and out of
// it after, as points.
int32_t barEnds(const cimg_windowConst& w, const line2& centre, double reach, bool enterRising,
                lineScratch* s, cmath_vect ends[2], bool* found) {
    *found = false;
    sampledLine line;
    const cmath_vect from = add(centre.point, scale(centre.dir, -reach));
    int32_t status = sampleLine(w, from, add(centre.point, scale(centre.dir, reach)), s, &line);
    if (status < 0 || line.length == 0) return status;
    const double middle = dot(sub(centre.point, line.from), unit(line.step));
    int into = -1, outOf = -1;
    for (int32_t i = 0; i < line.edgeCount; ++i) {
        const bool entering = (s->edges[i] > 0) == enterRising;
        int& pick = s->along[i] < middle ? into : outOf;
        if (entering != (s->along[i] < middle)) continue;
        if (pick < 0 || std::abs(s->strengths[i]) > std::abs(s->strengths[pick])) pick = i;
    }
    if (into < 0 || outOf < 0) return 0;
    ends[0] = add(line.from, scale(unit(line.step), s->along[into]));
    ends[1] = add(line.from, scale(unit(line.step), s->along[outOf]));
    *found = true;
    return 0;
}

// The symbol through whose wide bar (centre line from c1 to c2, module about m) run rows
// across along u1 at c1 and u2 at c2.
int32_t symbolFrom(const cimg_windowConst& w, cmath_vect c1, cmath_vect c2, cmath_vect u1,
                   cmath_vect u2, double m, bool enterRising, double maxLength, lineScratch* s,
                   cid_symbol* symbol, bool* found) {
    *found = false;
    rowCrossing rows[2][kRows];
    int counts[2] = {0, 0};
    for (int r = 0; r < kRows; ++r) {
        const double f = (r + 1.0) / (kRows + 1);
        const cmath_vect base = add(c1, scale(sub(c2, c1), f));
        const cmath_vect u = unit(add(scale(u1, 1 - f), scale(u2, f)));
        sampledLine line;
        int32_t status = sampleLine(w, sub(base, scale(u, maxLength)), add(base, scale(u, maxLength)), s, &line);
        if (status < 0) return status;
        for (int sense = 0; sense < 2 && line.length > 0; ++sense) {
            if (sense == 1) reverseLine(s, &line);
            const double at = dot(sub(base, line.from), unit(line.step));
            counts[sense] += crossRow(*s, line, enterRising, m, at, &rows[sense][counts[sense]]);
        }
    }
    const int sense = counts[1] > counts[0] ? 1 : 0;
    rowCrossing* kept = rows[sense];
    const double tolerance = std::max(1.5, 0.5 * m);
    int count = consistentRows(kept, counts[sense], 1, tolerance);
    count = consistentRows(kept, count, 0, tolerance);
    if (count < 3) return 0;
    line2 sides[2], bars[2];
    double module = 0;
    for (int k = 0; k < count; ++k) module += kept[k].module / count;
    for (int side = 0; side < 2; ++side) {
        cmath_vect points[kRows], middles[kRows];
        for (int k = 0; k < count; ++k) points[k] = kept[k].outer[side], middles[k] = kept[k].middle[side];
        sides[side] = fitLine(points, count, sub(c2, c1));
        bars[side] = fitLine(middles, count, sub(c2, c1));
    }
    cmath_vect ends[2][2];
    for (int side = 0; side < 2; ++side) {
        bool measured = false;
        int32_t status = barEnds(w, bars[side], norm(sub(c2, c1)) + 10 * module, enterRising, s,
                                 ends[side], &measured);
        if (status < 0 || !measured) return status;
    }
    const line2 top{ends[0][0], unit(sub(ends[1][0], ends[0][0]))};
    const line2 bottom{ends[0][1], unit(sub(ends[1][1], ends[0][1]))};
    cmath_vect c[4];
    if (!meet(top, sides[0], &c[0]) || !meet(top, sides[1], &c[1]) ||
        !meet(bottom, sides[1], &c[2]) || !meet(bottom, sides[0], &c[3])) {
        return 0;
    }
    // The sides must be about as long as each other and the symbol at least as wide as its start
    // and stop patterns and one column of code words.
    const double startSide = norm(sub(c[3], c[0])), stopSide = norm(sub(c[2], c[1]));
    if (stopSide < 0.5 * startSide || stopSide > 2 * startSide || norm(sub(c[1], c[0])) < 40 * module) {
        return 0;
    }
    // Round the symbol clockwise on the screen, from the start side's top.
    if (cross(sub(c[1], c[0]), sub(c[2], c[1])) < 0) {
        std::swap(c[0], c[3]);
        std::swap(c[1], c[2]);
    }
    *symbol = cid_symbol{CID_SYMBOL_PDF417, 1000 * count / kRows, {c[0], c[1], c[2], c[3]}};
    *found = true;
    return 0;
}

}  // namespace

int32_t measureSymbol(const cimg_windowConst& window, const cid2d_trackingResult& bar,
                      double maxLength, lineScratch* s,
                      cid_symbol* symbol, bool* found) {
    *found = false;
    const cmath_vect q[4] = {bar.rect.po, bar.rect.px, bar.farCorner, bar.rect.py};
    // Dark bars are entered by a falling step, light ones by a rising one.
    const bool enterRising = bar.seed.polarity == 0;
    // The bar's width runs across q0 q1 (and q3 q2), or across q0 q3 (and q1 q2); the narrower
    // way first.
    // The bar's width runs across q0 q1 (and q3 q2), or across q0 q3 (and q1 q2); the narrower
    // way first. It is the start pattern's bar of 8 modules or the stop pattern's of 7.
    const bool firstAcross01 = norm(sub(q[1], q[0])) <= norm(sub(q[3], q[0]));
    for (int attempt = 0; attempt < 2 && !*found; ++attempt) {
        const bool across01 = (attempt == 0) == firstAcross01;
        const cmath_vect u1 = across01 ? sub(q[1], q[0]) : sub(q[3], q[0]);
        const cmath_vect u2 = across01 ? sub(q[2], q[3]) : sub(q[2], q[1]);
        const cmath_vect c1 = add(q[0], scale(u1, 0.5));
        const cmath_vect c2 = add(across01 ? q[3] : q[1], scale(u2, 0.5));
        const double m = (norm(u1) + norm(u2)) / 15;
        if (!(m >= 0.75)) continue;
        int32_t status =
            symbolFrom(window, c1, c2, u1, u2, m, enterRising, maxLength, s, symbol, found);
        if (status < 0) return status;
    }
    return 0;
}

}  // namespace cidut
