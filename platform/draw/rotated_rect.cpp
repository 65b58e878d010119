// Rasterising rotated rectangles into 8-bit images, row by row.
#include <cmath>

#include "ci_id/platform/cdraw.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"

namespace {

constexpr double kFlat = 1e-12;

// A parallelogram po + s u + t w, 0 <= s, t <= 1, in image coordinates.
struct parallelogram {
    cmath_vect po, u, w;
    double det;  // u x w, non-zero

    double minY() const { return po.y + std::fmin(0.0, u.y) + std::fmin(0.0, w.y); }
    double maxY() const { return po.y + std::fmax(0.0, u.y) + std::fmax(0.0, w.y); }
};

// One pair of opposite sides: at height y (dy = y - po.y) the coordinate c = slope dx + k dy
// (dx = x - po.x) must lie in [0, 1]. With a slope, the span of dx is
// [low + step dy, high + step dy]; without one, the pair admits a whole row or none of it.
struct sidePair {
    double slope, k;
    double low, high, step;

    sidePair(double slopeIn, double kIn) : slope(slopeIn), k(kIn), low(0), high(0), step(0) {
        if (slope == 0.0) return;
        low = std::fmin(0.0, 1.0 / slope);
        high = std::fmax(0.0, 1.0 / slope);
        step = -k / slope;
    }
    bool finite() const {
        return std::isfinite(slope) && std::isfinite(k) && std::isfinite(low) &&
               std::isfinite(high) && std::isfinite(step);
    }
    // Narrows [lowDx, highDx] to this pair's span at dy.
    void narrow(double dy, double& lowDx, double& highDx) const {
        if (slope == 0.0) {
            double c = k * dy;
            if (!(c >= 0.0 && c <= 1.0)) highDx = lowDx - 1.0;
            return;
        }
        // No NaN reaches here (the corners are finite and det is not zero), so plain comparisons
        // do what fmax and fmin would, without their calls.
        double l = low + step * dy, h = high + step * dy;
        lowDx = l > lowDx ? l : lowDx;
        highDx = h < highDx ? h : highDx;
    }
};

// The span of x covered at each height: the parallelogram coordinates are linear in x and y,
//   s = (dx w.y - dy w.x) / det,  t = (dy u.x - dx u.y) / det,
// so both ends of the span are linear in dy and cost two multiply-adds per row.
class rowSpans {
public:
    explicit rowSpans(const parallelogram& p)
        : po_(p.po), s_(p.w.y / p.det, -p.w.x / p.det), t_(-p.u.y / p.det, p.u.x / p.det) {}

    bool finite() const { return s_.finite() && t_.finite(); }

    bool at(double y, double& xLow, double& xHigh) const {
        double dy = y - po_.y;
        double low = -HUGE_VAL, high = HUGE_VAL;
        s_.narrow(dy, low, high);
        t_.narrow(dy, low, high);
        xLow = po_.x + low;
        xHigh = po_.x + high;
        return low <= high;
    }

private:
    cmath_vect po_;
    sidePair s_, t_;
};

// The pixels of [windowFirst, windowLast] whose centres lie in [low, high] (image coordinates).
// False when there are none.
bool centredIn(double low, double high, int32_t windowFirst, int32_t windowLast, int32_t& first,
               int32_t& last) {
    // Clamped first, so that the conversions to integers below stay in range. The bounds are
    // never NaN here (finite corners, non-zero area), so plain comparisons suffice.
    double from = low - 0.5, to = high - 0.5;
    if (from < windowFirst - 1.0) from = windowFirst - 1.0;
    if (to > windowLast + 1.0) to = windowLast + 1.0;
    if (!(from <= to)) return false;
    // ceil and floor of values inside the int32 range, without library calls.
    int64_t up = static_cast<int64_t>(from);
    int64_t down = static_cast<int64_t>(to);
    up += up < from ? 1 : 0;
    down -= down > to ? 1 : 0;
    if (up < windowFirst) up = windowFirst;
    if (down > windowLast) down = windowLast;
    if (up > down) return false;
    first = static_cast<int32_t>(up);
    last = static_cast<int32_t>(down);
    return true;
}

constexpr int32_t kBlock = 16;

// A select over a block of fixed size, which compilers turn into vector compares and blends
// where a loop of unknown length would stay scalar.
void replaceBlock(uint8_t* block, uint8_t from, uint8_t to) {
    for (int32_t k = 0; k < kBlock; ++k) block[k] = block[k] == from ? to : block[k];
}

// from != to, so replacing twice changes nothing more: the last block may overlap the one
// before it instead of leaving a scalar tail. It goes first, so that no load has to wait for the
// store of the block just before it.
void replaceSpan(uint8_t* pixels, int32_t count, uint8_t from, uint8_t to) {
    if (count < kBlock) {
        for (int32_t i = 0; i < count; ++i) pixels[i] = pixels[i] == from ? to : pixels[i];
        return;
    }
    replaceBlock(pixels + count - kBlock, from, to);
    for (int32_t i = 0; i + kBlock < count; i += kBlock) replaceBlock(pixels + i, from, to);
}

bool finite(const cmath_vect& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

}  // namespace

extern "C" {

int32_t cdraw_rasterize_rotatedRectangle_forID(cimg_image* image, const cmath_shapeAffineRect* rect,
                                               uint8_t from, uint8_t to) {
    CSTD_ASSERT(image && rect);
    cimg_window window;
    int32_t status = cimg_window_init(&window, image);
    if (status < 0) return status;
    if (window.depth != CIMG_DEPTH_8U) return CIMG_STATUS_INVALID_IMAGE;
    const cmath_xformLinear& toImage = image->asConst.imageFromClient;
    cmath_vect po, px, py;
    cmath_xformLinear_mapPoint(&toImage, &rect->po, &po);
    cmath_xformLinear_mapPoint(&toImage, &rect->px, &px);
    cmath_xformLinear_mapPoint(&toImage, &rect->py, &py);
    parallelogram p{po, {px.x - po.x, px.y - po.y}, {py.x - po.x, py.y - po.y}, 0.0};
    p.det = p.u.x * p.w.y - p.u.y * p.w.x;
    // A sliver whose area is rounding noise of its sides covers no pixel centre, and its side
    // equations would not be usable either.
    double sides = std::hypot(p.u.x, p.u.y) * std::hypot(p.w.x, p.w.y);
    if (!finite(po) || !finite(px) || !finite(py) || !(std::fabs(p.det) > kFlat * sides) ||
        window.width <= 0 || window.height <= 0 || from == to) {
        return 0;
    }
    const rowSpans spans(p);
    if (!spans.finite()) return 0;
    int32_t firstRow, lastRow;
    if (!centredIn(p.minY(), p.maxY(), window.yOffset, window.yOffset + (window.height - 1),
                   firstRow, lastRow)) {
        return 0;
    }
    int32_t windowLastColumn = window.xOffset + (window.width - 1);
    for (int32_t row = firstRow; row <= lastRow; ++row) {
        double xLow, xHigh;
        int32_t first, last;
        if (!spans.at(row + 0.5, xLow, xHigh) ||
            !centredIn(xLow, xHigh, window.xOffset, windowLastColumn, first, last)) {
            continue;
        }
        uint8_t* line = window.pixels + intptr_t{row - window.yOffset} * window.pitch;
        replaceSpan(line + (first - window.xOffset), last - first + 1, from, to);
    }
    return 0;
}
}
