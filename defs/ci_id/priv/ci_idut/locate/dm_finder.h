// Pieces shared by the Data Matrix finders and their drivers.
#pragma once

#include <cstdint>

#include "ci_id/dmfinder.h"
#include "ci_id/priv/ci_idut/locate/contour.h"

namespace cidut {

// The marker image as a grid of cells, each covering 4 x 4 pixels of the searched window.
struct markerGrid {
    unsigned char* cells;
    intptr_t pitch;
    int32_t width;
    int32_t height;
    int32_t originX;  // image coordinates of the searched window's top-left pixel
    int32_t originY;

    // The cell of a window-relative pixel; null outside the grid.
    unsigned char* ofWindowPixel(int32_t x, int32_t y) const {
        if (x < 0 || y < 0) return nullptr;
        int32_t i = x >> 2, j = y >> 2;
        return i < width && j < height ? cells + j * pitch + i : nullptr;
    }
    // The cell of a tracker point (24.8, pixel-centre image coordinates).
    unsigned char* ofTrackerPoint(const cbt_point& p) const {
        return ofWindowPixel(((p.x + 128) >> 8) - originX, ((p.y + 128) >> 8) - originY);
    }
};

// Views the image's window (8-bit only) and the marker as cells, checking the marker covers the
// window.
int32_t viewImageAndMarker(const cimg_imageConst* image, cimg_image* marker,
                           cimg_windowConst* window, markerGrid* grid);

// The tracker settings the find-next drivers start from.
int32_t driverRunParams(const cid2d_trackingParams& params, cbt_runParams* out);

// The settings of one seed: start points in image coordinates, its threshold and polarity.
cbt_runParams seedRunParams(const cbt_runParams& base, const cid2d_trackingSeed& seed,
                            const cimg_windowConst& window, int32_t maxBoundaryPoints);

// What every seed entry does first: records the seed in the result (not found yet), views the
// image and the marker, and gives the seed's marker cell when the seed is to be tracked (off
// the mask, in the window, its cell not yet visited), else null.
int32_t openSeed(const cimg_imageConst* image, const cid2d_trackingSeed& seed, cimg_image* marker,
                 const cid_mask* mask, const cmath_xformLinear* maskArgument,
                 cid2d_trackingResult* result, cimg_windowConst* window, markerGrid* grid,
                 unsigned char** seedCell);

class holeMemory;

// cf_BndFindDMSymbolFromSeed, with a find-next driver's memory of turned-away holes (or null).
int32_t findDataMatrixFromSeed(const cimg_imageConst* image, const cid2d_trackingParams* params,
                               const cid2d_trackingSeed* seed, const cbt_runParams* runParams,
                               cimg_image* marker, const cid_mask* mask,
                               const cmath_xformLinear* maskArgument, holeMemory* holes,
                               cid2d_trackingResult* result);

// Stores a found corner in the result with a non-positive cross product of its sides, the seed's
// threshold and found 1.
void storeCorner(const cornerFinding& corner, const cid2d_trackingSeed& seed,
                 cid2d_trackingResult* result);

// A found symbol must lie off the mask, and inside the window unless the parameters allow it to
// touch or cross the window's edge; found becomes 0 where it does not.
int32_t confirmFound(const cimg_imageConst* image, const cid2d_trackingParams& params,
                     const cid_mask* mask, const cmath_xformLinear* maskArgument,
                     cid2d_trackingResult* result);

// Copies up to count tracker points into the work area's contour, checking each lies in the
// window.
void copyContour(const cbt_result& track, int32_t count, const cimg_windowConst& window,
                 contourPoint* contour);

// A far side of a symbol: the outer edge of its timing modules, from near the end of a solid
// side towards the far corner.
struct farSide {
    cmath_vect from;
    cmath_vect along;    // unit
    cmath_vect outward;  // unit, away from the symbol
    double length;
};

// The far side starting near `end`, the end of the solid side from `vertex`, and running the
// other solid side's way (towards otherEnd's side), within about 17 degrees of it when the view
// may be askew.
farSide findFarSide(const cimg_windowConst& window, const cmath_vect& vertex, const cmath_vect& end,
                    const cmath_vect& otherEnd, bool darkInk, bool askew);

// What the finder check reads of a symbol: its colour, its far sides (sides[0] starts at the end
// of the solid side px, sides[1] at that of py) and the module lengths on them.
struct finderReading {
    bool darkInk;
    farSide sides[2];
    double modules[2];
};

// Whether the L of rect (vertex po, arm ends px and py) shows a Data Matrix finder at the given
// threshold: solid arms with a quiet zone beyond them and timing along the far sides. Working
// arrays come from the library allocator: running out gives its status and *found false.
int32_t looksLikeDataMatrix(const cimg_windowConst& window, const cmath_shapeAffineRect& rect,
                            int32_t threshold, bool askew, finderReading* reading, bool* found);

// Measures the L's sides on the image and fits them, the far sides parallel to the solid ones or,
// with fitFarSides, freely; keeps the L as it is where a side cannot be measured. Working arrays
// come from the library allocator: running out gives its status and leaves the L as it was.
int32_t refineCorner(const cimg_windowConst& window, const finderReading& reading,
                     bool fitFarSides, cornerFinding* corner);

}  // namespace cidut
