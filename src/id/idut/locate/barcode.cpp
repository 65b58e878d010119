// Barcode candidates: the orientation of a barcode near the middle of an image, and whether a
// candidate region's bars run along its y direction.
#include "ci_id/barcode.h"

#include <algorithm>
#include <cmath>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/priv/ci_idut/locate/bars.h"
#include "ci_id/priv/ci_idut/locate/seeds.h"
#include "ci_id/status.h"

namespace {

using namespace cidut;

constexpr double kPi = 3.14159265358979323846;
// Bars may lean this far from the direction a region gives them.
constexpr double kBarTolerance = kPi / 10;

// The bars met by seeds on one scan, measured with the library's work memory.
int32_t measureSeeds(const cimg_imageConst* image, const cimg_windowConst& imageWindow,
                     const cimg_windowConst& seedWindow, const cid2d_trackingSeed* seeds,
                     int32_t seedCount, int32_t minRun, barEdges* edges) {
    csys::cleanupScope<1> scope;
    barScratch scratch;
    int32_t status = openBarScratch(&scratch);
    if (status < 0) return scope.close(status);
    scope.scratch<closeBarScratch>(&scratch);
    status = measureBars(image, imageWindow, seedWindow, seeds, seedCount, minRun, &scratch, edges);
    return scope.close(status);
}

// The mean of the measured sides' end points, in image coordinates: the tracker's points are
// pixel-centre coordinates in sixteenths of a pixel.
cmath_vect centreOfSides(const barEdges& edges) {
    int64_t sumFirst = 0, sumSecond = 0;
    for (int32_t k = 0; k < edges.count; ++k) {
        for (const contourPoint& p : edges.ends[k]) {
            sumFirst += p.first;
            sumSecond += p.second;
        }
    }
    const double points = 2.0 * edges.count;
    return cmath_vect{sumSecond / points / 16.0 + 0.5, sumFirst / points / 16.0 + 0.5};
}

// Whether two directions agree, either way round. The difference of two angles of one turn lies
// in (-2 pi, 2 pi): close to 0, to a half turn or to a whole turn (directions either side of 0).
bool alongEitherWay(double phi, double theta) {
    const double delta = std::fabs(phi - theta);
    return delta < kBarTolerance || std::fabs(delta - kPi) < kBarTolerance ||
           delta > 2 * kPi - kBarTolerance;
}

bool isFinite(const cmath_vect& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

int64_t floorClamped(double v) {
    return static_cast<int64_t>(std::floor(std::clamp(v, -2e9, 2e9)));
}

// The region's y direction in radians of one turn, and the minimum side length of its bars in
// halved contour points (a quarter of its y centre segment's length in image pixels, at most 10).
int32_t barDirectionOf(const cid_region* region, const cmath_xformLinear& imageFromClient,
                       double* theta, int32_t* minRun) {
    cmath_vect ySegment[2];
    int32_t status = cid_region_getYCenterSegment(region, ySegment);
    if (status < 0) return status;
    const cmath_vect along{ySegment[1].x - ySegment[0].x, ySegment[1].y - ySegment[0].y};
    double direction = 0, length = 0;
    cmath_vect_getDirection(&along, &direction);
    *theta = cmath_radian_norm(direction);
    cmath_vect ends[2];
    for (int i = 0; i < 2; ++i)
        cmath_xformLinear_mapPoint(&imageFromClient, &ySegment[i], &ends[i]);
    const cmath_vect mapped{ends[1].x - ends[0].x, ends[1].y - ends[0].y};
    cmath_vect_getLength(&mapped, &length);
    if (!std::isfinite(length) || !std::isfinite(*theta)) return CID_STATUS_OUT_OF_RANGE;
    const int32_t rounded = static_cast<int32_t>(std::floor(std::min(length, 1e6) + 0.5));
    *minRun = std::min(20, rounded / 2) / 2;
    return 0;
}

// region turned by angle about its centre.
int32_t turnRegion(const cid_region* region, double angle, cid_region* turned) {
    cmath_vect centre, rotated;
    cid_region_getCenter(region, &centre);
    cmath_xformLinear turn;
    cmath_matrix_initRotationScale(&turn.matrix, angle, 1.0, 1.0);
    turn.trans = cmath_vect{0, 0};
    cmath_xformLinear_mapPoint(&turn, &centre, &rotated);
    const cmath_vect shift{centre.x - rotated.x, centre.y - rotated.y};
    cmath_xformLinear_initMatrixTrans(&turn, &turn.matrix, &shift);
    return cid_region_initMap(turned, &turn, region);
}

}  // namespace

extern "C" {

int32_t cid2d_findOneBarcode(const cimg_imageConst* image, cmath_shapeAffineRect* rect,
                             int32_t* found) {
    CSTD_ASSERT(image && rect && found);
    cimg_windowConst window;
    int32_t status = trackableWindow(image, &window);
    if (status < 0) return status;
    // The 100 x 50 pixels above the window's centre; their middle row is scanned.
    const int64_t left = int64_t{window.xOffset} + window.width / 2 - 50;
    const int64_t top = int64_t{window.yOffset} + window.height / 2 - 50;
    const cimg_windowConst part = clippedWindow(window, left, top, 100, 50);
    cid2d_trackingSeed seeds[kBarSeeds];
    int32_t seedCount = 0;
    rowSeeds(part, static_cast<int32_t>(top + 25), kBarSeeds, 0, seeds, &seedCount);
    barEdges edges;
    status = measureSeeds(image, window, part, seeds, seedCount, 10, &edges);
    int32_t median = 0;
    if (status < 0 || !medianBarSlope(edges, &median)) return status;
    const double angle = slopeAngle(median) - kPi / 2;
    const cmath_shapeAffineRectCenter measured{centreOfSides(edges), double(window.width), 100.0,
                                               angle, angle};
    cmath_shapeAffineRect_initCenter(rect, &measured);
    *found = 1;
    return 0;
}

int32_t cid2d_getIsCandidateBarcodeLike(const cimg_imageConst* image, const cid_region* region,
                                        int32_t* isBarcode, cid_region* alignedRegion) {
    CSTD_ASSERT(image && region && isBarcode && alignedRegion);
    *alignedRegion = *region;
    *isBarcode = 0;
    cimg_windowConst window;
    int32_t status = trackableWindow(image, &window);
    if (status < 0) return status;
    cmath_xformLinear imageFromClient;
    cimg_imageConst_getLinearImageFromClientXform(image, &imageFromClient);
    cmath_vect centre, mapped;
    cid_region_getCenter(region, &centre);
    cmath_xformLinear_mapPoint(&imageFromClient, &centre, &mapped);
    if (!isFinite(mapped)) return CID_STATUS_OUT_OF_RANGE;
    double theta = 0;
    int32_t minRun = 0;
    if ((status = barDirectionOf(region, imageFromClient, &theta, &minRun)) < 0) return status;

    // The 100 x 100 pixels around the centre; bars within 45 degrees of upright are crossed by
    // the centre's row, the others by its column.
    const int64_t cx = floorClamped(mapped.x), cy = floorClamped(mapped.y);
    const cimg_windowConst part = clippedWindow(window, cx - 50, cy - 50, 100, 100);
    const bool upright =
        (kPi / 4 < theta && theta < 3 * kPi / 4) || (5 * kPi / 4 < theta && theta < 7 * kPi / 4);
    cid2d_trackingSeed seeds[kBarSeeds];
    int32_t seedCount = 0;
    if (upright) {
        rowSeeds(part, static_cast<int32_t>(cy), kBarSeeds, 0, seeds, &seedCount);
    } else {
        columnSeeds(part, static_cast<int32_t>(cx), kBarSeeds, 0, seeds, &seedCount);
    }
    barEdges edges;
    status = measureSeeds(image, window, part, seeds, seedCount, minRun, &edges);
    int32_t median = 0;
    if (status < 0 || !medianBarSlope(edges, &median)) return status;
    const double phi = cmath_radian_norm(slopeAngle(median));
    if (!alongEitherWay(phi, theta)) return 0;
    cid_region turned;
    if ((status = turnRegion(region, phi - theta, &turned)) < 0) return status;
    *alignedRegion = turned;
    *isBarcode = 1;
    return 0;
}
}
