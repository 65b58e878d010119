// Degeneracy, point containment and enclosing rectangles of regions.
#include <cmath>
#include <initializer_list>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/geometry/vect_ops.h"
#include "ci_id/region.h"
#include "ci_id/status.h"

using namespace cidut;

namespace {

constexpr double kStraightCross = 1e-12;
// Squared sine of the flattest corner angle that still counts (about 3.1 degrees).
constexpr double kFlatCornerSine2 = 0.003;
constexpr double kCollapsedCross = 1e-12;

// One corner of the boundary, between edges a and b: failing means degenerate. turn is the sign
// of the corner's cross product (true for positive), compared with the previous corner's.
bool cornerIsProper(const cmath_vect& a, const cmath_vect& b, bool first, bool& turn) {
    double k = cross(a, b);
    // Written so that NaN fails both tests; the sine is formed from the lengths so that long
    // sides cannot overflow its square.
    if (!(std::fabs(k) >= kStraightCross)) return false;
    double sine = k / (std::hypot(a.x, a.y) * std::hypot(b.x, b.y));
    if (!(sine * sine >= kFlatCornerSine2)) return false;
    bool positive = k > 0.0;
    if (!first && positive != turn) return false;
    turn = positive;
    return true;
}

bool fitsInt32(double value) { return value >= INT32_MIN && value <= INT32_MAX; }

struct bounds {
    double minX, minY, maxX, maxY;
};

int32_t boundsOf(const cid_region& r, const cmath_xformLinear* xform, bounds* out) {
    cid_region mapped = r;
    if (xform) {
        int32_t status = cid_region_initMap(&mapped, xform, &r);
        if (status < 0) return status;
    }
    bounds b{mapped.Po.x, mapped.Po.y, mapped.Po.x, mapped.Po.y};
    for (const cmath_vect& c : {mapped.Px, mapped.Py, mapped.Popp}) {
        b.minX = cmath_double_min(b.minX, c.x);
        b.minY = cmath_double_min(b.minY, c.y);
        b.maxX = cmath_double_max(b.maxX, c.x);
        b.maxY = cmath_double_max(b.maxY, c.y);
    }
    // min and max pass over NaN; a corner that is not a number leaves the bounds unknown.
    for (const cmath_vect& c : {mapped.Po, mapped.Px, mapped.Py, mapped.Popp}) {
        if (std::isnan(c.x)) b.minX = b.maxX = c.x;
        if (std::isnan(c.y)) b.minY = b.maxY = c.y;
    }
    *out = b;
    return 0;
}

}  // namespace

extern "C" {

int32_t cid_region_getIsDegenerate(const cid_region* r, int32_t* isDegenerate) {
    CSTD_ASSERT(r && isDegenerate);
    *isDegenerate = 0;
    const cmath_vect e[5] = {r->Po - r->Px, r->Px - r->Popp, r->Popp - r->Py, r->Py - r->Po,
                             r->Po - r->Px};
    int corners = r->isAffine ? 2 : 4;
    bool turn = false;
    for (int i = 0; i < corners; ++i) {
        if (!cornerIsProper(e[i], e[i + 1], i == 0, turn)) {
            *isDegenerate = 1;
            break;
        }
    }
    return 0;
}

int32_t cid_region_within(const cid_region* r, const cmath_vect* p, int32_t* isWithin) {
    CSTD_ASSERT(r && p && isWithin);
    *isWithin = 1;
    const cmath_vect perimeter[4] = {r->Po, r->Px, r->Popp, r->Py};
    bool collapsed = true;
    int reference = 0;
    for (int i = 0, prev = 3; i < 4; prev = i++) {
        double k = cross(perimeter[i] - perimeter[prev], *p - perimeter[prev]);
        if (std::isnan(k)) {
            *isWithin = 0;
            return 0;
        }
        int side = i == 0 ? (k > 0.0 ? 1 : 0) : (k >= 0.0 ? 1 : 0);
        if (i == 0) reference = side;
        if (side != reference) {
            *isWithin = 0;
            return 0;
        }
        collapsed = collapsed && cmath_double_epsilonEqual(k, 0.0, kCollapsedCross);
    }
    if (collapsed) *isWithin = 0;
    return 0;
}

int32_t cid_region_getEncloseRect(const cid_region* r, const cmath_xformLinear* xform,
                                  cmath_rect* out) {
    CSTD_ASSERT(r && out);
    bounds b;
    int32_t status = boundsOf(*r, xform, &b);
    if (status < 0) return status;
    *out = cmath_rect{b.minX, b.minY, b.maxX - b.minX, b.maxY - b.minY};
    return status;
}

int32_t cid_region_getEncloseImageRect(const cid_region* r, const cmath_xformLinear* xform,
                                       cstd_rect32* out) {
    CSTD_ASSERT(r && out);
    cmath_rect box;
    int32_t status = cid_region_getEncloseRect(r, xform, &box);
    if (status < 0) return status;
    double x = std::floor(box.x), y = std::floor(box.y);
    double right = std::ceil(box.x + box.width), bottom = std::ceil(box.y + box.height);
    // Corners beyond the 32-bit range, or not numbers (which fail these tests too), have no
    // whole-pixel rectangle.
    if (!fitsInt32(x) || !fitsInt32(y) || !fitsInt32(right) || !fitsInt32(bottom) ||
        !fitsInt32(right - x) || !fitsInt32(bottom - y)) {
        return CID_STATUS_OUT_OF_RANGE;
    }
    *out = cstd_rect32{static_cast<int32_t>(x), static_cast<int32_t>(y),
                       static_cast<int32_t>(right - x), static_cast<int32_t>(bottom - y)};
    return status;
}

int32_t cid_region_isWithinImageRect(const cid_region* r, const cmath_xformLinear* xform,
                                     const cstd_rect32* image, int32_t* isWithin) {
    CSTD_ASSERT(r && image && isWithin);
    *isWithin = 0;
    cstd_rect32 inner;
    int32_t status = cid_region_getEncloseImageRect(r, xform, &inner);
    if (status < 0) return status;
    int32_t contained = 0;
    status = cstd_rect32_containsRect(image, &inner, &contained);
    if (status < 0) return status;
    *isWithin = contained;
    return status;
}
}
