// Regions in 1/256 pixel: conversions, bisectors, containment and scan sampling.
#include <cmath>
#include <cstdint>

#include "ci_id/fixedregion.h"
#include "ci_id/platform/cmath_fixed.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/containers/typed_vector.h"
#include "ci_id/status.h"

CSTD_VECTOR_DEFINE(cid_fixedRegion, cid_fixedRegion, nullptr)

namespace {

constexpr double kScale = 256.0;

bool fitsInt32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

// v * 256 rounded half away from zero (with the 0.4999999999 of negative values), or false when
// it does not fit in 32 bits.
bool toFixed(double v, int32_t* out) {
    double scaled = v >= 0.0 ? v * kScale + 0.5 : v * kScale - 0.4999999999;
    double truncated = std::trunc(scaled);
    if (!(truncated >= INT32_MIN && truncated <= INT32_MAX)) return false;
    *out = static_cast<int32_t>(truncated);
    return true;
}

bool pointToFixed(const cmath_vect& c, double originX, double originY, cmath_vect32* out) {
    return toFixed(c.x - originX, &out->x) && toFixed(c.y - originY, &out->y);
}

cmath_vect fromFixed(const cmath_vect32& p, double originX, double originY) {
    return cmath_vect{p.x / kScale + originX, p.y / kScale + originY};
}

// Arithmetic shift right: rounds towards minus infinity.
int64_t shiftDown(int64_t v, int bits) { return v >= 0 ? v >> bits : -((-v - 1) >> bits) - 1; }

struct vect64 {
    int64_t x, y;
};

vect64 diff(const cmath_vect32& a, const cmath_vect32& b) {
    return vect64{int64_t{a.x} - b.x, int64_t{a.y} - b.y};
}

// Midpoint of two corners as the sum halved by an arithmetic shift.
vect64 halfSum(const cmath_vect32& a, const cmath_vect32& b) {
    return vect64{shiftDown(int64_t{a.x} + b.x, 1), shiftDown(int64_t{a.y} + b.y, 1)};
}

vect64 bisector(const cid_fixedRegion& r, bool alongX) {
    if (r.isAffine) return alongX ? diff(r.Px, r.Po) : diff(r.Py, r.Po);
    vect64 to = alongX ? halfSum(r.Px, r.Popp) : halfSum(r.Py, r.Popp);
    vect64 from = alongX ? halfSum(r.Po, r.Py) : halfSum(r.Po, r.Px);
    return vect64{to.x - from.x, to.y - from.y};
}

int32_t bisectVect(const cid_fixedRegion* r, bool alongX, cmath_vect32* out) {
    CSTD_ASSERT(r && out);
    vect64 v = bisector(*r, alongX);
    if (!fitsInt32(v.x) || !fitsInt32(v.y)) return CID_STATUS_OUT_OF_RANGE;
    *out = cmath_vect32{static_cast<int32_t>(v.x), static_cast<int32_t>(v.y)};
    return 0;
}

int32_t bisectLength(const cid_fixedRegion* r, bool alongX, int32_t* length) {
    CSTD_ASSERT(r && length);
    vect64 v = bisector(*r, alongX);
    uint64_t ax = static_cast<uint64_t>(v.x < 0 ? -v.x : v.x);
    uint64_t ay = static_cast<uint64_t>(v.y < 0 ? -v.y : v.y);
    uint64_t result;
    if (ay == 0) {
        result = ax;
    } else if (ax == 0) {
        result = ay;
    } else {
        // Both below 2^32, so each square is below 2^64; their sum is taken only when it fits.
        uint64_t sx = ax * ax, sy = ay * ay;
        if (sx > UINT64_MAX - sy) return CID_STATUS_OUT_OF_RANGE;
        result = cmath_sqrt64(sx + sy);
    }
    if (result > INT32_MAX) return CID_STATUS_OUT_OF_RANGE;
    *length = static_cast<int32_t>(result);
    return 0;
}

// a * b of two 1/256 values brought back to 1/256, rounded: (a b + 128) >> 8. The product of two
// 33-bit differences needs more than 64 bits.
int64_t fixedProduct(int64_t a, int64_t b) {
    __int128 p = static_cast<__int128>(a) * b + 128;
    __int128 q = p >= 0 ? p >> 8 : -((-p - 1) >> 8) - 1;
    return static_cast<int64_t>(q);
}

int64_t fixedCross(const vect64& a, const vect64& b) {
    return fixedProduct(a.x, b.y) - fixedProduct(a.y, b.x);
}

}  // namespace

extern "C" {

int32_t cid_fixedRegion_init(cid_fixedRegion* r) {
    CSTD_ASSERT(r);
    *r = cid_fixedRegion{{0, 0}, {256, 0}, {0, 256}, {256, 256}, 1};
    return 0;
}

int32_t cid_fixedRegion_initRegion(cid_fixedRegion* dst, const cid_region* src, double originX,
                                   double originY) {
    CSTD_ASSERT(dst && src);
    cid_fixedRegion out;
    if (!pointToFixed(src->Po, originX, originY, &out.Po) ||
        !pointToFixed(src->Px, originX, originY, &out.Px) ||
        !pointToFixed(src->Py, originX, originY, &out.Py) ||
        !pointToFixed(src->Popp, originX, originY, &out.Popp)) {
        return CID_STATUS_OUT_OF_RANGE;
    }
    out.isAffine = src->isAffine;
    *dst = out;
    return 0;
}

int32_t cid_region_initFixedRegion(cid_region* dst, const cid_fixedRegion* src, double originX,
                                   double originY) {
    CSTD_ASSERT(dst && src);
    cmath_vect po = fromFixed(src->Po, originX, originY);
    cmath_vect px = fromFixed(src->Px, originX, originY);
    cmath_vect py = fromFixed(src->Py, originX, originY);
    cmath_vect popp = fromFixed(src->Popp, originX, originY);
    return cid_region_initPoPxPyPopp(dst, &po, &px, &py, src->isAffine ? nullptr : &popp);
}

int32_t cid_fixedRegion_getAvPoint(const cid_fixedRegion* r, cmath_vect32* out) {
    CSTD_ASSERT(r && out);
    int64_t x = int64_t{r->Po.x} + r->Px.x + r->Py.x + r->Popp.x;
    int64_t y = int64_t{r->Po.y} + r->Px.y + r->Py.y + r->Popp.y;
    *out =
        cmath_vect32{static_cast<int32_t>(shiftDown(x, 2)), static_cast<int32_t>(shiftDown(y, 2))};
    return 0;
}

int32_t cid_fixedRegion_getBisectXVect(const cid_fixedRegion* r, cmath_vect32* out) {
    return bisectVect(r, true, out);
}

int32_t cid_fixedRegion_getBisectYVect(const cid_fixedRegion* r, cmath_vect32* out) {
    return bisectVect(r, false, out);
}

int32_t cid_fixedRegion_getBisectXLength(const cid_fixedRegion* r, int32_t* length) {
    return bisectLength(r, true, length);
}

int32_t cid_fixedRegion_getBisectYLength(const cid_fixedRegion* r, int32_t* length) {
    return bisectLength(r, false, length);
}

int32_t cid_fixedRegion_getIsWithin(const cid_fixedRegion* r, const cmath_vect32* p,
                                    int32_t* isWithin) {
    CSTD_ASSERT(r && p && isWithin);
    const cmath_vect32 perimeter[4] = {r->Po, r->Px, r->Popp, r->Py};
    // The edges are walked in the direction that gives inside points non-negative cross products,
    // whichever way the corners turn.
    int64_t k = fixedCross(diff(perimeter[2], perimeter[1]), diff(perimeter[1], perimeter[0]));
    int step = k > 0 ? 1 : 3;
    *isWithin = 0;
    for (int i = 0; i < 4; ++i) {
        int j = (i + step) % 4;
        if (fixedCross(diff(*p, perimeter[i]), diff(perimeter[j], perimeter[i])) < 0) return 0;
    }
    *isWithin = 1;
    return 0;
}

int32_t cid_fixedRegion_sampleScans(const cid_fixedRegion* r, int32_t numScans,
                                    int32_t firstScan[4], int32_t step[4]) {
    CSTD_ASSERT(r && firstScan && step);
    CSTD_ASSERT(numScans >= 1);
    int64_t m = 2 * int64_t{numScans};
    vect64 left = diff(r->Py, r->Po), right = diff(r->Popp, r->Px);
    // C++ division truncates towards zero.
    const int64_t dL[2] = {left.x / m, left.y / m};
    const int64_t dR[2] = {right.x / m, right.y / m};
    const int64_t first[4] = {r->Po.x + dL[0], r->Po.y + dL[1], r->Px.x + dR[0], r->Px.y + dR[1]};
    const int64_t steps[4] = {2 * dL[0], 2 * dL[1], 2 * dR[0], 2 * dR[1]};
    for (int i = 0; i < 4; ++i) {
        if (!fitsInt32(first[i]) || !fitsInt32(steps[i])) return CID_STATUS_OUT_OF_RANGE;
    }
    for (int i = 0; i < 4; ++i) {
        firstScan[i] = static_cast<int32_t>(first[i]);
        step[i] = static_cast<int32_t>(steps[i]);
    }
    return 0;
}
}
