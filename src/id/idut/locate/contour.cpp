// Contour machinery: fixed-point measures, halving, smoothing, curvature and straight runs.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "ci_id/platform/cmath_fixed.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/locate/contour.h"

namespace cidut {

namespace {

using wide = __int128;

int32_t wrap(int64_t index, int32_t n) {
    int64_t r = index % n;
    return static_cast<int32_t>(r < 0 ? r + n : r);
}

int32_t saturate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Is the stretch s .. e of the contour straight, judged at its point m?
bool chordIsStraight(const contourPoint* p, int32_t s, int32_t e, int32_t m, int32_t threshold) {
    contourPoint mid{(p[s].first + p[e].first) >> 1, (p[s].second + p[e].second) >> 1};
    int64_t d2 = int64_t{p[e].second} - p[s].second;
    int64_t d1 = int64_t{p[e].first} - p[s].first;
    int64_t distance;
    if (std::llabs(d1) < std::llabs(d2) && d2 != 0) {
        contourPoint along{saturate(mid.first + d1 * 100 / d2), mid.second + 100};
        distance = lineDistanceSquared(p[m], mid, along);
    } else if (std::llabs(d2) < std::llabs(d1) && d1 != 0) {
        contourPoint along{mid.first + 100, saturate(mid.second + d2 * 100 / d1)};
        distance = lineDistanceSquared(p[m], mid, along);
    } else {
        distance = distanceSquared(p[m], mid);
    }
    return distance < 9 * int64_t{threshold};
}

}  // namespace

contourWorkArea workAreaOf(unsigned char* buffer) {
    CSTD_ASSERT(buffer && reinterpret_cast<uintptr_t>(buffer) % alignof(int32_t) == 0);
    return contourWorkArea{reinterpret_cast<contourPoint*>(buffer),
                           reinterpret_cast<contourPoint*>(buffer + kSmoothedOffset),
                           reinterpret_cast<int32_t*>(buffer + kCurvatureOffset),
                           reinterpret_cast<segment*>(buffer + kSegmentOffset)};
}

int64_t distanceSquared(const contourPoint& a, const contourPoint& b) {
    int64_t u = (int64_t{a.second} - b.second) >> 2;
    int64_t v = (int64_t{b.first} - a.first) >> 2;
    return u * u + v * v;
}

int64_t lineDistanceSquared(const contourPoint& p, const contourPoint& a, const contourPoint& b) {
    int64_t u = (int64_t{a.second} - b.second) >> 2;
    int64_t v = (int64_t{b.first} - a.first) >> 2;
    int64_t length = u * u + v * v;
    if (length == 0) return distanceSquared(a, p);
    wide along = wide{u} * ((int64_t{p.first} - a.first) >> 2) +
                 wide{v} * ((int64_t{p.second} - a.second) >> 2);
    return static_cast<int64_t>(along * along / length);
}

fixedLine lineOfSegment(const contourPoint* smoothed, int32_t n, const segment& s) {
    const contourPoint& start = smoothed[s.start];
    const contourPoint& end = smoothed[wrap(int64_t{s.end} - 1, n)];
    int64_t a = (int64_t{start.second} - end.second) >> 2;
    int64_t b = (int64_t{end.first} - start.first) >> 2;
    return fixedLine{a, b, -(int64_t{start.first} >> 2) * a - (int64_t{start.second} >> 2) * b};
}

fixedLine parallelThrough(const fixedLine& line, const contourPoint& p) {
    return fixedLine{line.a, line.b,
                     -(int64_t{p.first} >> 2) * line.a - (int64_t{p.second} >> 2) * line.b};
}

int64_t crossOf(const fixedLine& l1, const fixedLine& l2) { return l1.a * l2.b - l2.a * l1.b; }
int64_t dotOf(const fixedLine& l1, const fixedLine& l2) { return l1.a * l2.a + l1.b * l2.b; }

int32_t angleValue(int64_t cross, int64_t dot) {
    // Perpendicular lines keep the sign of their cross product, so that the turn it tells is
    // not lost.
    if (dot == 0) return cross < 0 ? -INT32_MAX : INT32_MAX;
    return saturate(static_cast<int64_t>(wide{cross} * 1000 / dot));
}

contourPoint intersection(const fixedLine& l1, const fixedLine& l2) {
    double det = double(crossOf(l1, l2)) / 4.0;
    double first = (double(l2.c) * double(l1.b) - double(l1.c) * double(l2.b)) / det;
    double second = (double(l1.c) * double(l2.a) - double(l2.c) * double(l1.a)) / det;
    return contourPoint{cmath_double_floor(first), cmath_double_floor(second)};
}

void halve(contourPoint* points, int32_t n, int32_t* halvedCount) {
    int32_t m = (n & ~1) / 2;
    for (int32_t k = 0; k < m; ++k) {
        points[k] = contourPoint{(points[2 * k].first + points[2 * k + 1].first) >> 1,
                                 (points[2 * k].second + points[2 * k + 1].second) >> 1};
    }
    *halvedCount = m;
}

void extents(const contourPoint* points, int32_t n, int32_t* extentSecond, int32_t* extentFirst,
             int32_t* extentMax) {
    int32_t minFirst = INT32_MAX, maxFirst = INT32_MIN, minSecond = INT32_MAX,
            maxSecond = INT32_MIN;
    for (int32_t k = 0; k < n; ++k) {
        minFirst = std::min(minFirst, points[k].first);
        maxFirst = std::max(maxFirst, points[k].first);
        minSecond = std::min(minSecond, points[k].second);
        maxSecond = std::max(maxSecond, points[k].second);
    }
    *extentFirst = n > 0 ? (maxFirst - minFirst) >> 4 : 0;
    *extentSecond = n > 0 ? (maxSecond - minSecond) >> 4 : 0;
    *extentMax = std::max(*extentFirst, *extentSecond);
}

void smooth(contourPoint* out, const contourPoint* in, int32_t n, int32_t window) {
    if (window < 2 || n < window) {
        std::copy(in, in + n, out);
        return;
    }
    const int64_t reciprocal = 16384 / window;
    int64_t sumFirst = 0, sumSecond = 0;
    for (int32_t k = 0; k < window; ++k) {
        sumFirst += in[k].first;
        sumSecond += in[k].second;
    }
    const int64_t half = window / 2;
    for (int32_t k = 0; k < n; ++k) {
        // The first window is stored without the rounding term.
        int64_t rounding = k == 0 ? 0 : half;
        out[wrap(k + half, n)] = contourPoint{saturate((sumFirst + rounding) * reciprocal >> 14),
                                              saturate((sumSecond + rounding) * reciprocal >> 14)};
        const contourPoint& entering = in[wrap(int64_t{k} + window, n)];
        sumFirst += entering.first - in[k].first;
        sumSecond += entering.second - in[k].second;
    }
}

void curvature(int32_t* out, const contourPoint* in, int32_t n, int32_t span, int32_t* maxValue) {
    int32_t h = span / 2;
    int32_t largest = 0;
    for (int32_t m = 0; m < n; ++m) {
        const contourPoint& before = in[wrap(int64_t{m} - h, n)];
        const contourPoint& after = in[wrap(int64_t{m} + h, n)];
        int64_t value =
            std::llabs(int64_t{before.first} + after.first - 2 * int64_t{in[m].first}) +
            std::llabs(int64_t{before.second} + after.second - 2 * int64_t{in[m].second});
        out[m] = saturate(value);
        largest = std::max(largest, out[m]);
    }
    *maxValue = largest;
}

void straightRuns(segment* segments, const int32_t* curvatures, const contourPoint* points,
                  int32_t split, int32_t n, int32_t minRun, int32_t threshold, int32_t capacity,
                  int32_t* count) {
    int32_t found = 0;
    auto record = [&](int32_t s, int32_t e) {
        segments[found++] = segment{s, saturate(distanceSquared(points[s], points[e])), e};
        return found < capacity - 1;
    };
    // The scan starts at a bend, so that no straight run is cut in two where the contour's
    // numbering happens to begin.
    int32_t base = 0;
    while (base < n && curvatures[base] <= threshold) ++base;
    if (base == n) base = 0;
    auto at = [&](int64_t i) { return wrap(base + i, n); };
    int64_t i = 0;
    while (n > 0) {
        while (i < n && curvatures[at(i)] > threshold) ++i;
        if (i >= n) break;
        const int32_t s = at(i);
        int32_t run = 0;
        int64_t k = i + 1;
        for (; k < 2 * int64_t{n} && curvatures[at(k)] < threshold; ++k) ++run;
        i = k;
        if (run <= minRun || run >= n) continue;
        if (chordIsStraight(points, s, wrap(int64_t{s} + run, n), wrap(int64_t{s} + run / 2, n),
                            threshold)) {
            if (!record(s, wrap(int64_t{s} + run, n))) break;
            continue;
        }
        if (split == 0 || run <= 2 * minRun + 1) continue;
        const int32_t middle = wrap(int64_t{s} + run / 2, n);
        if (chordIsStraight(points, s, middle, wrap(int64_t{s} + run / 4, n), threshold) &&
            !record(s, middle)) {
            break;
        }
        const int32_t end = wrap(int64_t{s} + run, n);
        if (chordIsStraight(points, middle, end, wrap(int64_t{s} + 3 * int64_t{run} / 4, n),
                            threshold) &&
            !record(middle, end)) {
            break;
        }
    }
    segments[found] = segment{0, 0, 0};
    *count = found;
}

void sortSegments(segment* segments, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        int32_t longest = i;
        for (int32_t j = i + 1; j < count; ++j) {
            if (segments[j].length > segments[longest].length) longest = j;
        }
        std::swap(segments[i], segments[longest]);
    }
}

void trimSegments(const segment* segments, int32_t* count) {
    while (*count - 1 > 0 && segments[*count - 1].length == 0) --*count;
}

int32_t mergeSegments(segment* segments, const contourPoint* points, int32_t n, int32_t count,
                      int32_t maxGap, int32_t tolerance) {
    if (count < 2) return 0;
    csys::cleanupScope<1> scope;
    void* flags = nullptr;
    int32_t status = csys_memory_allocFastMem_internal(static_cast<size_t>(count), &flags);
    if (status < 0) return status;
    scope.scratch<csys_memory_free_internal>(&flags);
    auto* merged = static_cast<unsigned char*>(flags);
    std::fill(merged, merged + count, 0);
    const wide gap = int64_t{maxGap} + 6;
    const wide toleranceSquared = wide{tolerance} * tolerance;
    auto startOf = [&](const segment& s) { return points[s.start]; };
    auto endOf = [&](const segment& s) { return points[wrap(int64_t{s.end} - 1, n)]; };
    auto direction = [](const contourPoint& from, const contourPoint& to) {
        return fixedLine{(int64_t{from.second} - to.second) >> 2,
                         (int64_t{to.first} - from.first) >> 2, 0};
    };
    for (int32_t i = 0; i < count - 1; ++i) {
        for (int32_t j = i + 1; j < count - 1 && !merged[i]; ++j) {
            segment& si = segments[i];
            segment& sj = segments[j];
            if (si.length <= 1 || sj.length <= 1 || merged[j]) continue;
            fixedLine di = direction(startOf(si), endOf(si));
            fixedLine dj = direction(startOf(sj), endOf(sj));
            int64_t cross = di.a * dj.b - dj.a * di.b;
            int64_t dot = di.a * dj.a + di.b * dj.b;
            if (cross == 0 && dot == 0) return scope.close(0);
            int32_t slope =
                dot == 0 ? INT32_MAX : saturate(static_cast<int64_t>(wide{cross} * 1000 / dot));
            // Runs running the same way that bend slightly in the contour's turning sense, or
            // not at all.
            if (!(dot > 0 && -35 < slope && slope <= 0)) continue;
            fixedLine span = direction(startOf(si), endOf(sj));
            wide spanSquared = wide{span.a} * span.a + wide{span.b} * span.b;
            if (spanSquared == 0) {
                sj.length = 0;
                merged[j] = 1;
                continue;
            }
            wide offI = wide{span.a} * di.b - wide{span.b} * di.a;
            wide offJ = wide{span.b} * dj.a - wide{span.a} * dj.b;
            wide limit = toleranceSquared * spanSquared >> 4;
            if (!(offI * offI < limit && offJ * offJ < limit)) continue;
            if (distanceSquared(startOf(si), startOf(sj)) <
                distanceSquared(startOf(si), endOf(sj))) {
                if (distanceSquared(endOf(si), startOf(sj)) >= gap * gap) continue;
                si.end = sj.end;
                si.length = saturate(static_cast<int64_t>(spanSquared));
            } else {
                if (spanSquared >= gap * gap) continue;
                si.start = sj.start;
                si.length = saturate(distanceSquared(startOf(sj), endOf(si)));
            }
            sj.length = 0;
            sj.end = sj.start;
            merged[i] = 1;
            merged[j] = 1;
        }
    }
    return scope.close(0);
}

int32_t walkArm(const contourPoint* points, int32_t n, int32_t* index, int32_t step,
                const fixedLine& line, int32_t* distance) {
    const int64_t norm =
        cmath_sqrt64(static_cast<uint64_t>(line.a * line.a + line.b * line.b)) >> 2;
    auto offset = [&](const contourPoint& p) {
        wide d = wide{line.a} * (int64_t{p.first} >> 2) + wide{line.b} * (int64_t{p.second} >> 2) +
                 line.c;
        return d < 0 ? -d : d;
    };
    int32_t k = *index;
    int32_t farthest = k;
    wide largest = offset(points[k]);
    for (int32_t steps = 0; steps < n / 4 - 1; ++steps) {
        k = wrap(int64_t{k} + step, n);
        wide d = offset(points[k]);
        if (d > largest) {
            largest = d;
            farthest = k;
        } else if (largest - d >= 48 * wide{norm}) {
            break;
        }
    }
    *index = farthest;
    *distance = norm < 1 ? INT32_MAX : saturate(static_cast<int64_t>(largest / norm));
    return csys_attention_check();
}

// The end of a run (its first or last point) farther from v; a tie takes the last point.
int32_t fartherEnd(const contourPoint* smoothed, int32_t n, const segment& s,
                   const contourPoint& v) {
    int32_t last = static_cast<int32_t>(((int64_t{s.end} - 1) % n + n) % n);
    return distanceSquared(smoothed[s.start], v) > distanceSquared(smoothed[last], v) ? s.start
                                                                                      : last;
}

// How far the contour reaches from `from` away from the other arm's line, walking both ways.
int32_t measureArm(const contourPoint* halved, int32_t n, int32_t from, const fixedLine& other,
                   armReach* out) {
    int32_t back = from, ahead = from, backDistance = 0, aheadDistance = 0;
    int32_t status = walkArm(halved, n, &back, -1, other, &backDistance);
    if (status < 0) return status;
    status = walkArm(halved, n, &ahead, 1, other, &aheadDistance);
    if (status < 0) return status;
    *out = backDistance >= aheadDistance ? armReach{back, backDistance}
                                         : armReach{ahead, aheadDistance};
    return 0;
}

}  // namespace cidut
