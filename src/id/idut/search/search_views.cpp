// Views of the searched window: whole-factor resampling with a quiet zone round it, and the
// de-duplication of symbols that several passes find.
#include "ci_id/priv/ci_idut/search/search_views.h"

#include <algorithm>

#include "ci_id/priv/ci_idut/pixel/image.h"

namespace cidut {

namespace {

// Below this difference of light and dark levels the window holds no symbol to frame.
constexpr int32_t kLeastContrast = 32;

// Pixels of the window's edge taken as its ring: a quiet zone this narrow (crops, scans cut
// close) is as good as none to the finders.
constexpr int32_t kRing = 3;

// The window's levels come from a grid of pixels about this many along its shorter side.
constexpr int32_t kLevelSamples = 128;

// Grey levels of the window and of its outermost ring of pixels.
struct levels {
    int64_t all[256] = {};
    int64_t ring[256] = {};
};

// The ring in full; the rest on a sampling grid, enough for its levels.
void histogramsOf(const cimg_windowConst& w, levels* l) {
    const int32_t stride = std::max(1, std::min(w.width, w.height) / kLevelSamples);
    for (int32_t y = 0; y < w.height; ++y) {
        const unsigned char* row = w.pixels + y * w.pitch;
        if (y < kRing || y >= w.height - kRing) {
            for (int32_t x = 0; x < w.width; ++x) ++l->ring[row[x]];
        } else {
            for (int32_t x = 0; x < std::min(kRing, w.width); ++x) {
                ++l->ring[row[x]];
                ++l->ring[row[w.width - 1 - x]];
            }
        }
        if (y % stride != 0) continue;
        for (int32_t x = 0; x < w.width; x += stride) ++l->all[row[x]];
    }
}

// The level that a twentieth of the counted pixels exceed (or, from below, fall short of).
int32_t percentileLevel(const int64_t* histogram, bool fromTop) {
    int64_t total = 0;
    for (int level = 0; level < 256; ++level) total += histogram[level];
    int64_t passed = 0;
    for (int k = 0; k < 256; ++k) {
        const int level = fromTop ? 255 - k : k;
        passed += histogram[level];
        if (passed > total / 20) return level;
    }
    return fromTop ? 0 : 255;
}

// One row of the view, from the sums over its source rows (count of them) of each source column.
void resampleRow(const int32_t* sums, int32_t count, const viewPlan& plan, int32_t width,
                 unsigned char* out) {
    const int32_t n = count * plan.shrinkX;
    // Sums stay far below 2^32 / n, where the product with the rounded-up reciprocal divides
    // exactly.
    const uint64_t reciprocal = ((uint64_t{1} << 32) + uint64_t(n) - 1) / uint64_t(n);
    for (int32_t u = 0, x = 0; u < width; u += plan.growX, x += plan.shrinkX) {
        int32_t sum = 0;
        for (int32_t k = 0; k < plan.shrinkX; ++k) sum += sums[x + k];
        const auto level = static_cast<unsigned char>((uint64_t(sum + n / 2) * reciprocal) >> 32);
        std::fill(out + u, out + u + plan.growX, level);
    }
}

}  // namespace

void frameOf(const cimg_windowConst& w, windowFrame* frame) {
    levels l;
    histogramsOf(w, &l);
    const int32_t light = percentileLevel(l.all, true), dark = percentileLevel(l.all, false);
    int64_t inked = 0;
    for (int level = 0; level <= dark + (light - dark) / 4; ++level) inked += l.ring[level];
    frame->light = static_cast<uint8_t>(percentileLevel(l.ring, true));
    frame->touched = light - dark >= kLeastContrast && inked > 0;
}

int32_t searchView_make(const cimg_windowConst& w, const viewPlan& plan, searchView* view) {
    const int32_t width = w.width / plan.shrinkX * plan.growX;
    const int32_t height = w.height / plan.shrinkY * plan.growY;
    int32_t status = cimg_image_construct(&view->image, CIMG_DEPTH_8U, width + 2 * plan.pad,
                                          height + 2 * plan.pad);
    if (status < 0) return status;
    cimg_window out;
    if ((status = window8(&view->image, &out)) < 0) {
        cimg_image_destruct(&view->image);
        return status;
    }
    cxVector<int32_t> sums;
    if ((status = sums.resize(size_t(w.width), 0)) < 0) {
        cimg_image_destruct(&view->image);
        return status;
    }
    for (int32_t v = 0; v < out.height; ++v) {
        unsigned char* row = out.pixels + v * out.pitch;
        const int32_t sv = v - plan.pad;
        if (sv < 0 || sv >= height) {
            std::fill(row, row + out.width, plan.fill);
            continue;
        }
        std::fill(row, row + plan.pad, plan.fill);
        std::fill(row + plan.pad + width, row + out.width, plan.fill);
        // Rows of an enlarged view repeat the one before unless they start a new source row.
        if (sv % plan.growY != 0) {
            std::copy(row - out.pitch + plan.pad, row - out.pitch + plan.pad + width, row + plan.pad);
            continue;
        }
        const int32_t y0 = sv / plan.growY * plan.shrinkY;
        int32_t* columnSums = sums.begin();
        std::fill(columnSums, columnSums + w.width, 0);
        for (int32_t y = y0; y < y0 + plan.shrinkY; ++y) {
            const unsigned char* source = w.pixels + y * w.pitch;
            for (int32_t x = 0; x < w.width; ++x) columnSums[x] += source[x];
        }
        resampleRow(sums.begin(), plan.shrinkY, plan, width, row + plan.pad);
    }
    view->scaleX = double(plan.growX) / plan.shrinkX;
    view->scaleY = double(plan.growY) / plan.shrinkY;
    view->originX = w.xOffset - plan.pad / view->scaleX;
    view->originY = w.yOffset - plan.pad / view->scaleY;
    return 0;
}

cid_symbol symbolInImage(const searchView& view, const cid_symbol& symbol) {
    cid_symbol mapped = symbol;
    for (cmath_vect& corner : mapped.corners) {
        corner = cmath_vect{view.originX + corner.x / view.scaleX,
                            view.originY + corner.y / view.scaleY};
    }
    return mapped;
}

namespace {

cmath_vect centreOf(const cid_symbol& s) {
    cmath_vect c{0, 0};
    for (const cmath_vect& p : s.corners) c = cmath_vect{c.x + p.x / 4, c.y + p.y / 4};
    return c;
}

// Whether p lies inside the quadrilateral of s's corners, which go round it either way.
bool inside(const cid_symbol& s, const cmath_vect& p) {
    int positive = 0, negative = 0;
    for (int k = 0; k < 4; ++k) {
        const cmath_vect a = s.corners[k], b = s.corners[(k + 1) % 4];
        const double turn = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
        positive += turn > 0;
        negative += turn < 0;
    }
    return positive == 0 || negative == 0;
}

}  // namespace

int32_t foundSymbols::add(const cid_symbol& symbol) {
    for (const cid_symbol& kept : list) {
        if (kept.type == symbol.type &&
            (inside(kept, centreOf(symbol)) || inside(symbol, centreOf(kept)))) {
            return 0;
        }
    }
    return list.pushBack(symbol);
}

}  // namespace cidut
