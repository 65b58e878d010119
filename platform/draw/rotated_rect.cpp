// Rasterising rotated rectangles into 8-bit images, row by row.
#include <cmath>

#include "ci_id/platform/cdraw.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"

namespace {

// A parallelogram po + s u + t w, 0 <= s, t <= 1, in image coordinates.
struct parallelogram {
    cmath_vect po, u, w;
    double det;  // u x w, non-zero

    double minY() const { return po.y + std::fmin(0.0, u.y) + std::fmin(0.0, w.y); }
    double maxY() const { return po.y + std::fmax(0.0, u.y) + std::fmax(0.0, w.y); }
};

// Narrows [low, high] of dx to the values where slope dx + offset lies in [0, 1].
void narrow(double slope, double offset, double& low, double& high) {
    if (slope == 0.0) {
        if (!(offset >= 0.0 && offset <= 1.0)) high = low - 1.0;
        return;
    }
    double a = -offset / slope;
    double b = (1.0 - offset) / slope;
    low = std::fmax(low, std::fmin(a, b));
    high = std::fmin(high, std::fmax(a, b));
}

// The span of x covered at height y: the parallelogram coordinates are linear in x there,
//   s = (dx w.y - dy w.x) / det,  t = (dy u.x - dx u.y) / det,  dx = x - po.x, dy = y - po.y.
bool rowSpan(const parallelogram& p, double y, double& xLow, double& xHigh) {
    double dy = y - p.po.y;
    double low = -HUGE_VAL, high = HUGE_VAL;
    narrow(p.w.y / p.det, -dy * p.w.x / p.det, low, high);
    narrow(-p.u.y / p.det, dy * p.u.x / p.det, low, high);
    xLow = p.po.x + low;
    xHigh = p.po.x + high;
    return low <= high;
}

// The pixels of [first, last] in image coordinates whose centres lie in [low, high], clipped to
// [windowFirst, windowLast]. False when there are none.
bool centredIn(double low, double high, int32_t windowFirst, int32_t windowLast, int32_t& first,
               int32_t& last) {
    double from = std::fmax(std::ceil(low - 0.5), static_cast<double>(windowFirst));
    double to = std::fmin(std::floor(high - 0.5), static_cast<double>(windowLast));
    if (!(from <= to)) return false;
    first = static_cast<int32_t>(from);
    last = static_cast<int32_t>(to);
    return true;
}

void replaceSpan(uint8_t* pixels, int32_t count, uint8_t from, uint8_t to) {
    for (int32_t i = 0; i < count; ++i) pixels[i] = pixels[i] == from ? to : pixels[i];
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
    if (!finite(po) || !finite(px) || !finite(py) || !(p.det != 0.0) || !std::isfinite(p.det) ||
        window.width <= 0 || window.height <= 0 || from == to) {
        return 0;
    }
    int32_t firstRow, lastRow;
    if (!centredIn(p.minY(), p.maxY(), window.yOffset, window.yOffset + (window.height - 1),
                   firstRow, lastRow)) {
        return 0;
    }
    int32_t windowLastColumn = window.xOffset + (window.width - 1);
    for (int32_t row = firstRow; row <= lastRow; ++row) {
        double xLow, xHigh;
        int32_t first, last;
        if (!rowSpan(p, row + 0.5, xLow, xHigh) ||
            !centredIn(xLow, xHigh, window.xOffset, windowLastColumn, first, last)) {
            continue;
        }
        uint8_t* line = window.pixels + intptr_t{row - window.yOffset} * window.pitch;
        replaceSpan(line + (first - window.xOffset), last - first + 1, from, to);
    }
    return 0;
}
}
