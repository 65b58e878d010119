// Geometry summaries of regions, their overlap test, and spawning a region towards another.
#include <cmath>
#include <cstdint>

#include "ci_id/fixedregion.h"
#include "ci_id/platform/cmath_fixed.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/region/region_geometry.h"
#include "ci_id/priv/ci_idut/geometry/vect_ops.h"
#include "ci_id/status.h"

using namespace cidut;

namespace {

constexpr double kSixteenths = 16.0;
constexpr double kQ15 = 32768.0;
constexpr int32_t kOnePixel = 16;

// v * scale rounded half away from zero (negative values with 0.4999999999), or false when the
// result leaves [low, high].
bool roundFixed(double v, double scale, double low, double high, int64_t* out) {
    double scaled = v >= 0.0 ? v * scale + 0.5 : v * scale - 0.4999999999;
    double truncated = std::trunc(scaled);
    if (!(truncated >= low && truncated <= high)) return false;
    *out = static_cast<int64_t>(truncated);
    return true;
}

bool toSixteenths(double v, int32_t* out) {
    int64_t value;
    if (!roundFixed(v, kSixteenths, INT32_MIN, INT32_MAX, &value)) return false;
    *out = static_cast<int32_t>(value);
    return true;
}

// A unit component in Q15, kept in 16 bits: +1.0 becomes 32768, stored as -32768.
int16_t toQ15(double component) {
    int64_t value = 0;
    roundFixed(component, kQ15, -kQ15, kQ15, &value);
    return static_cast<int16_t>(static_cast<uint16_t>(value));
}

int32_t averageSides(const cid_region& r, cmath_vect* xv, cmath_vect* yv) {
    cmath_vect far;
    int32_t status = cmath_vect_initSubtract(xv, &r.Px, &r.Po);
    if (status >= 0) status = cmath_vect_initSubtract(yv, &r.Py, &r.Po);
    if (status < 0 || r.isAffine) return status;
    status = cmath_vect_initSubtract(&far, &r.Popp, &r.Py);
    if (status >= 0) status = cmath_vect_initAdd(xv, xv, &far);
    if (status >= 0) status = cmath_vect_initSubtract(&far, &r.Popp, &r.Px);
    if (status >= 0) status = cmath_vect_initAdd(yv, yv, &far);
    *xv = 0.5 * *xv;
    *yv = 0.5 * *yv;
    return status;
}

using wide = __int128;

wide absWide(wide v) { return v < 0 ? -v : v; }
wide maxWide(wide a, wide b) { return a < b ? b : a; }
wide minWide(wide a, wide b) { return b < a ? b : a; }

// Q16 fraction of the centre distance that summary s covers along the line between the centres.
wide reachOf(const cidut_regionGeom& s, int64_t dx, int64_t dy) {
    wide hMax = cxfIMax(s.xLen, s.yLen) >> 1;
    wide hMin = cxfIMin(s.xLen, s.yLen) >> 1;
    wide px = wide{s.xLen >> 1} * (absWide(wide{s.ux} * dy - wide{s.uy} * dx) >> 15);
    wide py = wide{s.yLen >> 1} * (absWide(wide{s.ux} * dx + wide{s.uy} * dy) >> 15);
    wide proj = maxWide(px, py) + (minWide(px, py) >> 2);
    CSTD_ASSERT(proj > 0);
    return ((hMax * hMin) << 16) / proj;
}

// Twice the area of the triangle p1 p2 p3, as a positive number.
double doubleTriangleArea(const cmath_vect& p1, const cmath_vect& p2, const cmath_vect& p3) {
    return std::fabs(p1.x * (p3.y - p2.y) + p2.x * (p1.y - p3.y) + p3.x * (p2.y - p1.y));
}

int32_t spawnCorners(const cid_region& w, const cid_region& ref, cid_region* out) {
    cmath_shapeLine wY[2], wX[2], refY[2], refX[2];
    cid_region_getLines(&w, wY, wX);
    cid_region_getLines(&ref, refY, refX);
    double areaA = doubleTriangleArea(w.Po, w.Px, midpoint(ref.Po, ref.Px));
    double areaB = doubleTriangleArea(w.Py, w.Popp, midpoint(ref.Py, ref.Popp));
    if (areaA > areaB) {
        cmath_vect py, popp;
        int32_t status = cmath_shapeLine_intersection(&wY[0], &refX[0], &py);
        if (status < 0) return status;
        // The far corner is formed and may fail, although the result is the parallelogram of the
        // three others.
        status = cmath_shapeLine_intersection(&wY[1], &refX[0], &popp);
        if (status < 0) return status;
        return cid_region_initPoPxPyPopp(out, &w.Po, &w.Px, &py, nullptr);
    }
    cmath_vect po, px;
    int32_t status = cmath_shapeLine_intersection(&wY[0], &refX[1], &po);
    if (status < 0) return status;
    status = cmath_shapeLine_intersection(&wY[1], &refX[1], &px);
    if (status < 0) return status;
    return cid_region_initPoPxPyPopp(out, &po, &px, &w.Py, nullptr);
}

}  // namespace

extern "C" {

int32_t cidut_calculateGeom(const cid_region* region, cidut_regionGeom* out, int32_t* isSmall) {
    CSTD_ASSERT(region && out);
    if (isSmall) *isSmall = 0;
    cidut_regionGeom geom{};
    cmath_vect xv, yv;
    int32_t status = averageSides(*region, &xv, &yv);
    if (status < 0) return status;
    double xLength = 0.0, yLength = 0.0;
    status = cmath_vect_getLength(&xv, &xLength);
    if (status >= 0) status = cmath_vect_getLength(&yv, &yLength);
    if (status < 0) return status;
    if (!toSixteenths((region->Px.x + region->Py.x) / 2, &geom.cx) ||
        !toSixteenths((region->Px.y + region->Py.y) / 2, &geom.cy) ||
        !toSixteenths(xLength, &geom.xLen) || !toSixteenths(yLength, &geom.yLen)) {
        return CID_STATUS_OUT_OF_RANGE;
    }
    bool small = geom.xLen < kOnePixel || geom.yLen < kOnePixel;
    if (!small) {
        geom.ux = toQ15(xv.x / xLength);
        geom.uy = toQ15(xv.y / xLength);
    }
    *out = geom;
    if (isSmall) *isSmall = small ? 1 : 0;
    return status;
}

int32_t cidut_evaluateRegionOverlapped(const cidut_regionGeom* a, const cidut_regionGeom* b,
                                       uint32_t tolerance, int32_t* isOverlapped) {
    CSTD_ASSERT(a && b && isOverlapped);
    CSTD_ASSERT(a->xLen >= 0 && a->yLen >= 0 && b->xLen >= 0 && b->yLen >= 0);
    *isOverlapped = 0;
    int64_t dx = int64_t{a->cx} - b->cx;
    int64_t dy = int64_t{a->cy} - b->cy;
    int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    if (adx + ady < kOnePixel) {
        *isOverlapped = 1;
        return 0;
    }
    // A cheap estimate of the Euclidean distance.
    int64_t dist = (adx > ady ? adx : ady) + ((adx > ady ? ady : adx) >> 2);
    int64_t reachLimit = int64_t{cxfIMax(a->xLen, a->yLen) >> 1} + (cxfIMax(b->xLen, b->yLen) >> 1);
    if (dist > reachLimit) return 0;
    wide reachA = reachOf(*a, dx, dy);
    wide reachB = reachOf(*b, dx, dy);
    wide excess = reachA + reachB - 0x10000;
    if (excess < 0) return 0;
    if (((wide{2} * tolerance) * minWide(reachA, reachB)) >> 16 < excess) *isOverlapped = 1;
    return 0;
}

int32_t cid_spawnRegionInYDireciton(const cid_region* region, const cid_region* ref,
                                    double minXLength, double minYLength, cid_region* out,
                                    int32_t* spawned) {
    CSTD_ASSERT(region && ref && out && spawned);
    *spawned = 0;
    cmath_vect c, regionX[2], regionY[2], refX[2], refY[2];
    int32_t status = cid_region_getCenterSegments(region, &c, regionX, regionY);
    if (status < 0) return status;
    status = cid_region_getCenterSegments(ref, &c, refX, refY);
    if (status < 0) return status;
    cid_region w = *region;
    if (dot(regionX[1] - regionX[0], refX[1] - refX[0]) < 0.0) cid_region_initFlipX(&w, &w);
    if (dot(regionY[1] - regionY[0], refY[1] - refY[0]) < 0.0) cid_region_initFlipY(&w, &w);
    cid_region spawnedRegion;
    status = spawnCorners(w, *ref, &spawnedRegion);
    if (status < 0) return status;
    double lx = 0.0, ly = 0.0;
    status = cid_region_getAvXLength(&spawnedRegion, &lx);
    if (status >= 0) status = cid_region_getAvYLength(&spawnedRegion, &ly);
    if (status < 0) return status;
    bool longEnough = lx >= minXLength && ly >= minYLength;
    if (longEnough) copyFlags(spawnedRegion, *region);
    *out = spawnedRegion;
    *spawned = longEnough ? 1 : 0;
    return status;
}
}
