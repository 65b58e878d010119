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

// What one row shows of the stop pattern.
struct stopCrossing {
    cmath_vect outer;     // the outer edge of its last bar
    cmath_vect barMiddle; // the middle of its wide bar
    double module;
};

// The first stop pattern along the sampled row whose module is within a factor of two of m,
// beyond the start pattern; enter is the sign of the edges into a bar.
bool findStop(const lineScratch& s, const sampledLine& line, bool enterRising, double m,
              double skip, stopCrossing* out) {
    const cmath_vect dir = unit(line.step);
    for (int32_t i = 0; i + 9 < line.edgeCount; ++i) {
        if ((s.edges[i] > 0) != enterRising || s.along[i] < skip) continue;
        const double total = s.along[i + 9] - s.along[i], mt = total / 18;
        if (mt < 0.5 * m || mt > 2 * m) continue;
        bool matches = true;
        for (int k = 0; k < 9 && matches; ++k) {
            const double w = s.along[i + k + 1] - s.along[i + k];
            matches = std::abs(w - kStopWidths[k] * mt) <= 0.5 * mt + 0.6;
        }
        if (!matches) continue;
        out->outer = add(line.from, scale(dir, s.along[i + 9]));
        out->barMiddle = add(line.from, scale(dir, s.along[i] + 3.5 * mt));
        out->module = mt;
        return true;
    }
    return false;
}

// The rows whose stop crossings lie on one line (within tolerance of the line through the best
// pair); their count.
int consistentRows(stopCrossing* rows, int count, double tolerance) {
    int best = 0, bestI = 0, bestJ = 0;
    for (int i = 0; i < count; ++i) {
        for (int j = i + 1; j < count; ++j) {
            const cmath_vect d = sub(rows[j].outer, rows[i].outer);
            if (norm(d) < 1e-9) continue;
            int inliers = 0;
            for (int k = 0; k < count; ++k) {
                inliers += std::abs(cross(unit(d), sub(rows[k].outer, rows[i].outer))) <= tolerance;
            }
            if (inliers > best) best = inliers, bestI = i, bestJ = j;
        }
    }
    if (best < 3) return 0;
    const cmath_vect a = rows[bestI].outer, d = unit(sub(rows[bestJ].outer, a));
    int kept = 0;
    for (int k = 0; k < count; ++k) {
        if (std::abs(cross(d, sub(rows[k].outer, a))) <= tolerance) rows[kept++] = rows[k];
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
    const double middle = dot(sub(centre.point, from), unit(line.step));
    int into = -1, outOf = -1;
    for (int32_t i = 0; i < line.edgeCount; ++i) {
        const bool entering = (s->edges[i] > 0) == enterRising;
        int& pick = s->along[i] < middle ? into : outOf;
        if (entering != (s->along[i] < middle)) continue;
        if (pick < 0 || std::abs(s->strengths[i]) > std::abs(s->strengths[pick])) pick = i;
    }
    if (into < 0 || outOf < 0) return 0;
    ends[0] = add(from, scale(unit(line.step), s->along[into]));
    ends[1] = add(from, scale(unit(line.step), s->along[outOf]));
    *found = true;
    return 0;
}

// The symbol with the start bar's outer side from o1 to o2 and its inner side i1, i2.
int32_t symbolFrom(const cimg_windowConst& w, cmath_vect o1, cmath_vect o2, cmath_vect i1,
                   cmath_vect i2, bool enterRising, double maxLength, lineScratch* s,
                   cid_symbol* symbol, bool* found) {
    *found = false;
    const double m = (norm(sub(i1, o1)) + norm(sub(i2, o2))) / 16;
    if (!(m >= 0.75)) return 0;
    stopCrossing rows[kRows];
    int count = 0;
    for (int r = 0; r < kRows; ++r) {
        const double f = (r + 1.0) / (kRows + 1);
        const cmath_vect base = add(o1, scale(sub(o2, o1), f));
        const cmath_vect u = unit(add(scale(sub(i1, o1), 1 - f), scale(sub(i2, o2), f)));
        sampledLine line;
        const cmath_vect from = sub(base, scale(u, 3 * m));
        int32_t status = sampleLine(w, from, add(base, scale(u, maxLength)), s, &line);
        if (status < 0) return status;
        if (line.length > 0 && findStop(*s, line, enterRising, m, 30 * m, &rows[count])) ++count;
    }
    const double tolerance = std::max(1.5, 0.5 * m);
    count = consistentRows(rows, count, tolerance);
    if (count < 3) return 0;
    cmath_vect points[kRows];
    for (int k = 0; k < count; ++k) points[k] = rows[k].outer;
    const line2 stop = fitLine(points, count, sub(o2, o1));
    double module = 0;
    for (int k = 0; k < count; ++k) points[k] = rows[k].barMiddle, module += rows[k].module / count;
    const line2 bar = fitLine(points, count, sub(o2, o1));
    cmath_vect ends[2];
    bool measured = false;
    int32_t status = barEnds(w, bar, norm(sub(o2, o1)) + 10 * module, enterRising, s, ends, &measured);
    if (status < 0 || !measured) return status;
    const line2 top{o1, unit(sub(ends[0], o1))}, bottom{o2, unit(sub(ends[1], o2))};
    cmath_vect c[4] = {o1, {}, {}, o2};
    if (!meet(top, stop, &c[1]) || !meet(bottom, stop, &c[2])) return 0;
    // The stop side must be about as long as the start side and lie well beyond it.
    const double startSide = norm(sub(o2, o1)), stopSide = norm(sub(c[2], c[1]));
    if (stopSide < 0.5 * startSide || stopSide > 2 * startSide ||
        norm(sub(c[1], o1)) < 40 * std::min(m, module)) {
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
                      const cmath_vect& direction, double maxLength, lineScratch* s,
                      cid_symbol* symbol, bool* found) {
    *found = false;
    const cmath_vect q[4] = {bar.rect.po, bar.rect.px, bar.farCorner, bar.rect.py};
    // Dark bars are entered by a falling step, light ones by a rising one.
    const bool enterRising = bar.seed.polarity == 0;
    // The bar's width runs across q0 q1 (and q3 q2), or across q0 q3 (and q1 q2); the narrower
    // way first.
    const bool firstAcross01 = norm(sub(q[1], q[0])) <= norm(sub(q[3], q[0]));
    for (int attempt = 0; attempt < 2 && !*found; ++attempt) {
        const bool across01 = (attempt == 0) == firstAcross01;
        cmath_vect o1 = q[0], o2 = across01 ? q[3] : q[1];
        cmath_vect i1 = across01 ? q[1] : q[3], i2 = q[2];
        if (dot(sub(i1, o1), direction) < 0) std::swap(o1, i1), std::swap(o2, i2);
        int32_t status = symbolFrom(window, o1, o2, i1, i2, enterRising, maxLength, s, symbol, found);
        if (status < 0) return status;
    }
    return 0;
}

}  // namespace cidut
