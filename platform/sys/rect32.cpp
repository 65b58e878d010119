// Integer rectangles; right and bottom edges are computed in 64 bits so that no sum overflows.
#include <algorithm>

#include "ci_id/platform/cstd_rect32.h"
#include "ci_id/platform/csys_assert.h"

namespace {

bool isNull(const cstd_rect32& r) { return r.width <= 0 || r.height <= 0; }
int64_t right(const cstd_rect32& r) { return int64_t{r.x} + r.width; }
int64_t bottom(const cstd_rect32& r) { return int64_t{r.y} + r.height; }

}  // namespace

extern "C" {

int32_t cstd_rect32_init(cstd_rect32* rect, int32_t x, int32_t y, int32_t width, int32_t height) {
    CSTD_ASSERT(rect);
    *rect = cstd_rect32{x, y, width, height};
    return 0;
}

int32_t cstd_rect32_intersect(const cstd_rect32* a, const cstd_rect32* b, cstd_rect32* out) {
    CSTD_ASSERT(a && b && out);
    int64_t x0 = std::max(a->x, b->x);
    int64_t y0 = std::max(a->y, b->y);
    int64_t x1 = std::min(right(*a), right(*b));
    int64_t y1 = std::min(bottom(*a), bottom(*b));
    if (isNull(*a) || isNull(*b) || x1 <= x0 || y1 <= y0) {
        *out = cstd_rect32{0, 0, 0, 0};
        return 0;
    }
    // Both extents are bounded by the width of a valid rectangle, so they fit in 32 bits.
    *out = cstd_rect32{static_cast<int32_t>(x0), static_cast<int32_t>(y0),
                       static_cast<int32_t>(x1 - x0), static_cast<int32_t>(y1 - y0)};
    return 0;
}

int32_t cstd_rect32_getIsNull(const cstd_rect32* rect, int32_t* isNullOut) {
    CSTD_ASSERT(rect && isNullOut);
    *isNullOut = isNull(*rect) ? 1 : 0;
    return 0;
}

int32_t cstd_rect32_containsRect(const cstd_rect32* outer, const cstd_rect32* inner,
                                 int32_t* contains) {
    CSTD_ASSERT(outer && inner && contains);
    bool inside =
        isNull(*inner) || (!isNull(*outer) && inner->x >= outer->x && inner->y >= outer->y &&
                           right(*inner) <= right(*outer) && bottom(*inner) <= bottom(*outer));
    *contains = inside ? 1 : 0;
    return 0;
}
}
