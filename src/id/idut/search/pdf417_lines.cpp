// Scan lines of the PDF417 search: one grey sample per pixel along a line through the window, and
// its edges as the signed edge list the PDF417 finders read.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ci_id/oned.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/priv/ci_idut/search/pdf417_search.h"
#include "ci_id/status.h"

namespace cidut {

namespace {

// Gradient steps weaker than this are noise on any print worth reading.
constexpr int32_t kEdgeFloor = 16;

template <typename T>
int32_t allocate(int32_t count, T** out) {
    void* p = nullptr;
    int32_t status = csys_memory_allocArray_internal(static_cast<size_t>(count), sizeof(T), &p);
    *out = static_cast<T*>(p);
    return status;
}

template <typename T>
void release(T** p) {
    void* q = *p;
    csys_memory_free_internal(&q);
    *p = nullptr;
}

// Cuts the segment to the part between the window's outer pixel centres; false when too little
// is left.
bool clipToWindow(const cimg_windowConst& w, cmath_vect* from, cmath_vect* to) {
    const double lo[2] = {w.xOffset + 0.5, w.yOffset + 0.5};
    const double hi[2] = {w.xOffset + w.width - 0.5, w.yOffset + w.height - 0.5};
    const double p[2] = {from->x, from->y}, v[2] = {to->x - from->x, to->y - from->y};
    double t0 = 0, t1 = 1;
    for (int a = 0; a < 2; ++a) {
        if (std::abs(v[a]) < 1e-12) {
            if (p[a] < lo[a] || p[a] > hi[a]) return false;
            continue;
        }
        const double e0 = (lo[a] - p[a]) / v[a], e1 = (hi[a] - p[a]) / v[a];
        t0 = std::max(t0, std::min(e0, e1));
        t1 = std::min(t1, std::max(e0, e1));
    }
    if ((t1 - t0) * std::hypot(v[0], v[1]) < 16) return false;
    *to = cmath_vect{p[0] + t1 * v[0], p[1] + t1 * v[1]};
    *from = cmath_vect{p[0] + t0 * v[0], p[1] + t0 * v[1]};
    return true;
}

}  // namespace

int32_t lineScratch_allocate(int32_t capacity, lineScratch* s) {
    *s = lineScratch{};
    s->capacity = capacity;
    int32_t status = allocate(capacity, &s->samples);
    if (status >= 0) status = allocate(capacity, &s->points);
    if (status >= 0) status = allocate(capacity, &s->strengths);
    if (status >= 0) status = allocate(capacity, &s->positions);
    if (status >= 0) status = allocate(capacity, &s->edges);
    if (status >= 0) status = allocate(capacity, &s->along);
    if (status < 0) lineScratch_release(s);
    return status;
}

void lineScratch_release(lineScratch* s) {
    release(&s->samples);
    release(&s->points);
    release(&s->strengths);
    release(&s->positions);
    release(&s->edges);
    release(&s->along);
}

int32_t sampleLine(const cimg_windowConst& window, const cmath_vect& start, const cmath_vect& end,
                   lineScratch* s, sampledLine* line) {
    cmath_vect from = start, to = end;
    *line = sampledLine{from, {0, 0}, 0, 0};
    if (!clipToWindow(window, &from, &to)) return 0;
    line->from = from;
    int32_t n = 0;
    int32_t status = cidut_getPixelCount(&from, &to, &n);
    if (status < 0) return status;
    n = std::min(n, s->capacity);
    if (n < 8) return 0;
    uint8_t mean = 0;
    double spacing = 0;
    status = cidut_linePixels(&window, &from, &to, s->samples, n, &mean, &spacing);
    if (status == CID_STATUS_OUTSIDE_WINDOW) return 0;
    if (status < 0) return status;
    int32_t found = 0;
    status = cidut_lineEdgeLoc(s->samples, n, n, kEdgeFloor, 0, spacing, s->strengths,
                               s->positions, &found);
    if (status < 0) return status;
    line->step = cmath_vect{(to.x - from.x) / n, (to.y - from.y) / n};
    line->length = n;
    for (int32_t k = 0; k < n; ++k) {
        s->points[k] = cmath_vect{from.x + (k + 0.5) * line->step.x, from.y + (k + 0.5) * line->step.y};
    }
    int32_t strongest = 0;
    for (int32_t i = 0; i < found; ++i) strongest = std::max(strongest, std::abs(s->strengths[i]));
    int32_t count = 0;
    for (int32_t i = 0; i < found; ++i) {
        const int32_t strength = s->strengths[i];
        const double along = s->positions[i] / 256.0;
        const int32_t k = static_cast<int32_t>(std::floor(along / spacing - 0.5));
        if (4 * std::abs(strength) < strongest || k < 1 || k > n - 3 || k > INT16_MAX) continue;
        const bool rising = strength > 0;
        if (count > 0 && (s->edges[count - 1] > 0) == rising) {
            if (std::abs(strength) <= std::abs(s->strengths[count - 1])) continue;
            --count;  // the stronger of two steps the same way stands for both
        } else if (count > 0 && k <= std::abs(s->edges[count - 1])) {
            continue;
        }
        s->edges[count] = static_cast<int16_t>(rising ? k : -k);
        s->strengths[count] = strength;
        s->along[count] = along;
        ++count;
    }
    line->edgeCount = count;
    return 0;
}

void reverseLine(lineScratch* s, sampledLine* line) {
    const int32_t n = line->length, count = line->edgeCount;
    std::reverse(s->samples, s->samples + n);
    std::reverse(s->points, s->points + n);
    std::reverse(s->edges, s->edges + count);
    std::reverse(s->strengths, s->strengths + count);
    std::reverse(s->along, s->along + count);
    const double length = n * std::hypot(line->step.x, line->step.y);
    for (int32_t i = 0; i < count; ++i) {
        // An edge after sample k comes after sample n - 2 - k the other way round.
        const int32_t k = n - 2 - std::abs(s->edges[i]);
        s->edges[i] = static_cast<int16_t>(s->edges[i] > 0 ? -k : k);
        s->strengths[i] = -s->strengths[i];
        s->along[i] = length - s->along[i];
    }
    line->from = cmath_vect{line->from.x + n * line->step.x, line->from.y + n * line->step.y};
    line->step = cmath_vect{-line->step.x, -line->step.y};
}

}  // namespace cidut
