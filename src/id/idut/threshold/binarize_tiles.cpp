// Tiled binarization (methods 2 and 3): one threshold per tile, filled into a threshold image,
// then a pixel is white where the source exceeds it.
#include <algorithm>
#include <cmath>

#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/cip_pelarith.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/priv/ci_idut/threshold/binarize.h"
#include "ci_id/status.h"

namespace {

using cidut::binarizeJob;

struct tileGrid {
    int32_t width;  // w: tiles are w + 1 pixels wide, the last one takes the rest
    int32_t height;
    int32_t columns;  // tiles actually cut, at most tilesX
    int32_t rows;
};

bool isNullRect(const cmath_shapeAffineRect& r) {
    return r.po.x == 0.0 && r.po.y == 0.0 && r.px.x == 0.0 && r.px.y == 0.0 && r.py.x == 0.0 &&
           r.py.y == 0.0;
}

// trunc(length / tilesAcross) when that is a whole number of pixels from 1 up.
bool tileSide(const cmath_vect& from, const cmath_vect& to, double tilesAcross, int32_t* side) {
    const double pixels = std::hypot(to.x - from.x, to.y - from.y) / tilesAcross;
    if (!(pixels >= 1.0 && pixels < 2147483648.0)) return false;
    *side = static_cast<int32_t>(pixels);
    return true;
}

int32_t tileCounts(const cidut_binarizeParams& p, const cimg_windowConst& window, int32_t* tilesX,
                   int32_t* tilesY) {
    *tilesX = p.tilesX;
    *tilesY = p.tilesY;
    if (!isNullRect(p.rect)) {
        cmath_vect corner[3];
        cmath_shapeAffineRect_getPoints(&p.rect, corner);
        int32_t tileWidth = 0, tileHeight = 0;
        if (!tileSide(corner[0], corner[1], p.tilesAcross, &tileWidth) ||
            !tileSide(corner[0], corner[2], p.tilesAcross, &tileHeight)) {
            return CID_STATUS_OUT_OF_RANGE;
        }
        *tilesX = window.width / tileWidth;
        *tilesY = window.height / tileHeight;
    }
    return *tilesX >= 1 && *tilesY >= 1 ? 0 : CID_STATUS_OUT_OF_RANGE;
}

int32_t tilesAlong(int32_t length, int32_t step) {
    return static_cast<int32_t>((int64_t{length} + step) / (int64_t{step} + 1));
}

struct tileRect {
    int32_t x, y, width, height;
};

tileRect tileAt(const tileGrid& grid, const cimg_windowConst& window, int32_t column, int32_t row) {
    const int64_t x = column * (int64_t{grid.width} + 1);
    const int64_t y = row * (int64_t{grid.height} + 1);
    const int64_t width = std::min<int64_t>(int64_t{grid.width} + 1, window.width - x);
    const int64_t height = std::min<int64_t>(int64_t{grid.height} + 1, window.height - y);
    return tileRect{window.xOffset + int32_t(x), window.yOffset + int32_t(y), int32_t(width),
                    int32_t(height)};
}

// The images the tile passes window: the source, the threshold image and the tile values.
struct tileImages {
    cimg_imageConst source;
    cimg_image thresholds;
    cimg_image values;

    int32_t rangeOf(const tileRect& t, uint8_t* low, uint8_t* high) {
        int32_t status = cimg_imageConst_window(&source, t.x, t.y, t.width, t.height);
        if (status >= 0) status = cip_pelUnaryMinMax8(&source, low, high);
        return status;
    }
    uint8_t* value(int32_t column, int32_t row) {
        return values.asConst.pixels + row * values.asConst.pitch + column;
    }
    int32_t fill(const tileRect& t, uint8_t threshold) {
        int32_t status = cimg_image_window(&thresholds, t.x, t.y, t.width, t.height);
        if (status >= 0) status = cip_pelSet8(&thresholds, threshold);
        return status;
    }
};

// Method 2: mid-range of tiles whose range exceeds the floor, 0 elsewhere.
int32_t midRangeTiles(const tileGrid& grid, const cimg_windowConst& window, int32_t floor,
                      tileImages& images) {
    for (int32_t row = 0; row < grid.rows; ++row) {
        for (int32_t column = 0; column < grid.columns; ++column) {
            const tileRect t = tileAt(grid, window, column, row);
            uint8_t low = 0, high = 0;
            int32_t status = images.rangeOf(t, &low, &high);
            if (status < 0) return status;
            const uint8_t threshold = high - low > floor ? uint8_t((high + low) >> 1) : 0;
            *images.value(column, row) = threshold;
            status = images.fill(t, threshold);
            if (status < 0) return status;
        }
    }
    return 0;
}

// Method 3: (tile max + D) >> 1 against the dark level D; without one given, D is the smallest
// tile minimum, found in a first pass that keeps each tile's maximum.
int32_t darkLevelTiles(const tileGrid& grid, const cimg_windowConst& window, int32_t dark,
                       tileImages& images) {
    const bool darkGiven = dark >= 0;
    if (!darkGiven) dark = 255;
    for (int32_t pass = darkGiven ? 1 : 0; pass < 2; ++pass) {
        for (int32_t row = 0; row < grid.rows; ++row) {
            for (int32_t column = 0; column < grid.columns; ++column) {
                const tileRect t = tileAt(grid, window, column, row);
                uint8_t low = 0, high = *images.value(column, row);
                int32_t status = pass == 1 && !darkGiven ? 0 : images.rangeOf(t, &low, &high);
                if (status < 0) return status;
                if (pass == 0) {
                    *images.value(column, row) = high;
                    if (low < dark) dark = low;
                    continue;
                }
                const uint8_t threshold = uint8_t((high + dark) >> 1);
                *images.value(column, row) = threshold;
                status = images.fill(t, threshold);
                if (status < 0) return status;
            }
        }
    }
    return 0;
}

// White where the source exceeds the threshold image.
int32_t compareWithThresholds(const binarizeJob& job, const cimg_image& thresholds) {
    csys::cleanupScope<1> scope;
    cimg_image difference;
    cimg_image_constructUnbound(&difference);
    scope.scratch<cimg_image_destruct>(&difference);
    int32_t status = cip_pelSub8(job.source, &thresholds.asConst, CIP_PEL_SUB_CLAMP, &difference);
    uint8_t table[256];
    cidut::binaryTable(1, table);
    if (status >= 0) status = cip_pelMap8(&difference.asConst, job.target, table);
    return scope.close(status);
}

}  // namespace

namespace cidut {

int32_t binarizeTiled(const binarizeJob& job, const cimg_imageConst* reference) {
    const cimg_windowConst& window = job.window;
    tileGrid grid{0, 0, 0, 0};
    int32_t tilesX = 0, tilesY = 0;
    int32_t status = tileCounts(*job.params, window, &tilesX, &tilesY);
    if (status < 0) return status;
    grid.width = window.width / tilesX;
    grid.height = window.height / tilesY;
    grid.columns = tilesAlong(window.width, grid.width);
    grid.rows = tilesAlong(window.height, grid.height);
    uint8_t low = 255, high = 0;
    if (reference) {
        status = cip_pelUnaryMinMax8(reference, &low, &high);
        if (status < 0) return status;
        CSTD_ASSERT(low <= high);
    }
    csys::cleanupScope<3> scope;
    tileImages images;
    cimg_imageConst_constructUnbound(&images.source);
    cimg_image_constructUnbound(&images.thresholds);
    cimg_image_constructUnbound(&images.values);
    scope.scratch<cimg_imageConst_destruct>(&images.source);
    scope.scratch<cimg_image_destruct>(&images.thresholds);
    scope.scratch<cimg_image_destruct>(&images.values);
    const cstd_rect32 rect{window.xOffset, window.yOffset, window.width, window.height};
    status = cimg_imageConst_assign(&images.source, job.source);
    if (status >= 0)
        status = cimg_image_assignNew(&images.values, CIMG_DEPTH_8U, grid.columns, grid.rows);
    if (status >= 0) status = cimg_image_constructRect(&images.thresholds, CIMG_DEPTH_8U, &rect);
    if (status < 0) return scope.close(status);
    if (job.params->method == CIDUT_BINARIZE_TILED_MIDRANGE) {
        const int32_t floor = reference ? high - low : job.params->minContrast;
        status = midRangeTiles(grid, window, floor, images);
    } else {
        status = darkLevelTiles(grid, window, reference ? low : -1, images);
    }
    if (status >= 0) status = cimg_image_setEntire(&images.thresholds);
    if (status >= 0) status = compareWithThresholds(job, images.thresholds);
    return scope.close(status);
}

}  // namespace cidut
