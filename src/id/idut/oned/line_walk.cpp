// Clipping and 16.16 set-up of the line samplers.
#include "ci_id/priv/ci_idut/oned/line_walk.h"

#include <algorithm>

#include "ci_id/oned.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/status.h"

namespace cidut {
namespace {

// Outcode bits of the Cohen-Sutherland clip; "below" is the side of growing y.
constexpr int kLeft = 1;
constexpr int kRight = 2;
constexpr int kBelow = 4;
constexpr int kAbove = 8;

// Where sample positions may lie: [0, right) x [0, bottom), so that the 2 x 2 neighbourhood of
// every position is inside the window.
struct clipArea {
    double right;
    double bottom;
};

int outcode(const cmath_vect& p, const clipArea& area) {
    return (p.x < 0 ? kLeft : 0) | (p.x >= area.right ? kRight : 0) |
           (p.y >= area.bottom ? kBelow : 0) | (p.y < 0 ? kAbove : 0);
}

// Moves end point p of segment a-b onto the horizontal border it lies beyond, then, when x is
// still outside, onto the vertical one. The far borders are pulled in by 1e-11 because a position
// on them would need a pixel past the window.
cmath_vect moveInside(cmath_vect p, int code, const cmath_vect& a, const cmath_vect& b,
                      const clipArea& area) {
    constexpr double kInside = 1e-11;
    if (code & (kBelow | kAbove)) {
        CSTD_ASSERT(b.y != a.y);
        const double border = (code & kAbove) ? 0.0 : area.bottom - kInside;
        p = cmath_vect{a.x + (border - a.y) * (b.x - a.x) / (b.y - a.y), border};
    }
    if (p.x < 0 || p.x >= area.right) {
        CSTD_ASSERT(b.x != a.x);
        const double border = p.x < 0 ? 0.0 : area.right - kInside;
        p = cmath_vect{border, a.y + (border - a.x) * (b.y - a.y) / (b.x - a.x)};
    }
    return p;
}

// Clips a-b to the area in place; false when nothing of it remains. The second end is checked
// too, so that rounding at a corner cannot leave a position outside.
bool clip(cmath_vect* a, cmath_vect* b, const clipArea& area, bool* clipped) {
    const int codeA = outcode(*a, area);
    const int codeB = outcode(*b, area);
    *clipped = (codeA | codeB) != 0;
    if (!*clipped) return true;
    if (codeA & codeB) return false;
    const cmath_vect a0 = *a;
    const cmath_vect b0 = *b;
    if (codeA) *a = moveInside(*a, codeA, a0, b0, area);
    if (codeB) *b = moveInside(*b, codeB, a0, b0, area);
    return outcode(*a, area) == 0 && outcode(*b, area) == 0;
}

int64_t toFixed16(double v) { return static_cast<int64_t>(v * 65536.0); }

bool inFixedRange(const cmath_vect& p) {
    return p.x >= -65536.0 && p.x < 65536.0 && p.y >= -65536.0 && p.y < 65536.0;
}

// Indices whose positions start + k step lie between the clipped values from and to of one axis
// (all 16.16), rounded inwards.
void narrowAxis(int64_t start, int64_t step, int64_t from, int64_t to, int64_t* first,
                int64_t* end) {
    const int64_t sign = step > 0 ? 1 : -1;
    *first = std::max(*first, (from - start + step - sign) / step);
    *end = std::min(*end, (to - start - (step - sign)) / step);
}

// The samples [first, end) of the walk from a in steps (dx, dy) that lie between the clipped ends
// clippedA and clippedB: each stepping axis bounds the range, the tighter bound of the two holds,
// and the range stays within [0, n).
void narrowToClip(const cmath_vect& a, int64_t dx, int64_t dy, const cmath_vect& clippedA,
                  const cmath_vect& clippedB, int32_t n, int64_t* first, int64_t* end) {
    *first = INT64_MIN;
    *end = INT64_MAX;
    if (dy != 0)
        narrowAxis(toFixed16(a.y), dy, toFixed16(clippedA.y), toFixed16(clippedB.y), first, end);
    if (dx != 0)
        narrowAxis(toFixed16(a.x), dx, toFixed16(clippedA.x), toFixed16(clippedB.x), first, end);
    *first = std::max<int64_t>(*first, 0);
    *end = std::min<int64_t>(*end, n);
}

// True when the neighbourhood at (x, y) lies in the window.
bool readable(const cimg_windowConst& window, int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && (x >> 16) <= window.width - 2 && (y >> 16) <= window.height - 2;
}

}  // namespace

int32_t startLineWalk(const cimg_windowConst& window, const cmath_vect& p0, const cmath_vect& p1,
                      int32_t n, bool halfStep, lineWalk* walk) {
    CSTD_ASSERT(window.pixels);
    const cmath_vect a{p0.x - window.xOffset - 0.5, p0.y - window.yOffset - 0.5};
    const cmath_vect b{p1.x - window.xOffset - 0.5, p1.y - window.yOffset - 0.5};
    CSTD_ASSERT(inFixedRange(a) && inFixedRange(b));
    int32_t pixels = 0;
    int32_t status = cidut_getPixelCount(&p0, &p1, &pixels);
    if (status < 0) return status;
    if (n < 1 || n > 64 * int64_t{std::max(pixels, 1)}) return CID_STATUS_OUT_OF_RANGE;
    if (window.width < 2 || window.height < 2) return CID_STATUS_OUTSIDE_WINDOW;
    cmath_vect clippedA = a;
    cmath_vect clippedB = b;
    bool clipped = false;
    const clipArea area{window.width - 1.0, window.height - 1.0};
    if (!clip(&clippedA, &clippedB, area, &clipped)) return CID_STATUS_OUTSIDE_WINDOW;

    const int64_t x0 = toFixed16(a.x);
    const int64_t y0 = toFixed16(a.y);
    const int64_t dx = (toFixed16(b.x) - x0) / n;
    const int64_t dy = (toFixed16(b.y) - y0) / n;
    int64_t first = 0;
    int64_t end = n;
    if (clipped && (dx != 0 || dy != 0))
        narrowToClip(a, dx, dy, clippedA, clippedB, n, &first, &end);
    if (first >= end) return CID_STATUS_OUTSIDE_WINDOW;
    const int64_t x = x0 + (halfStep ? dx >> 1 : 0) + dx * first;
    const int64_t y = y0 + (halfStep ? dy >> 1 : 0) + dy * first;
    // Positions are linear in the index, so the two end samples decide for all of them.
    const int64_t span = end - 1 - first;
    if (!readable(window, x, y) || !readable(window, x + dx * span, y + dy * span)) {
        return CID_STATUS_OUTSIDE_WINDOW;
    }
    *walk = lineWalk{x, y, dx, dy, static_cast<int32_t>(first), static_cast<int32_t>(end)};
    return 0;
}

}  // namespace cidut
