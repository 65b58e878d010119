// Seeds along scan lines: rows for every finder, single columns for the barcode finders.
#include <algorithm>
#include <cmath>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/priv/ci_idut/locate/seeds.h"
#include "ci_id/priv/ci_idut/locate/tracker_limits.h"
#include "ci_id/status.h"

namespace cidut {

cid2d_trackingSeed horizontalSeed(const unsigned char* row, int i, int y, int strength,
                                  int scanLine) {
    int mean = (row[i - 1] + row[i] + row[i + 1] + row[i + 2]) >> 2;
    return cid2d_trackingSeed{i,
                              y,
                              strength,
                              mean,
                              scanLine,
                              row[i] < mean ? 1 : 0,
                              (i + 2) * 256,
                              y * 256,
                              (i - 1) * 256,
                              y * 256};
}

void sortSeeds(cid2d_trackingSeed* first, cid2d_trackingSeed* last) {
    std::sort(first, last, [](const cid2d_trackingSeed& a, const cid2d_trackingSeed& b) {
        if (a.strength != b.strength) return a.strength > b.strength;
        if (a.scanLine != b.scanLine) return a.scanLine < b.scanLine;
        if (a.y != b.y) return a.y < b.y;
        return a.x < b.x;
    });
}

int32_t rowSeeds(const cimg_windowConst& window, int32_t row, int32_t maxSeeds, int32_t sort,
                 cid2d_trackingSeed* seeds, int32_t* seedCount) {
    CSTD_ASSERT(seeds && seedCount && maxSeeds >= 1);
    *seedCount = 0;
    int y = row - window.yOffset;
    int last = window.width - 1;
    if (!(0 < y && y < window.height - 3 && 3 < last - 2)) return 0;
    const unsigned char* pixels = window.pixels + y * window.pitch;
    int32_t count = 0;
    walkRowPeaks(pixels, 3, last - 5, 45, 1000, [&](int i, int strength) {
        seeds[count++] = horizontalSeed(pixels, i, y, strength, row);
        return count < maxSeeds;
    });
    if (sort) sortSeeds(seeds, seeds + count);
    *seedCount = count;
    return 0;
}

int32_t columnSeeds(const cimg_windowConst& window, int32_t column, int32_t maxSeeds, int32_t sort,
                    cid2d_trackingSeed* seeds, int32_t* seedCount) {
    CSTD_ASSERT(seeds && seedCount && maxSeeds >= 1);
    *seedCount = 0;
    const int x = column - window.xOffset;
    const int last = window.height - 1;
    if (!(2 < last - 2 && 0 < x && x < window.width - 1 - 2)) return 0;
    const unsigned char* top = window.pixels + x;
    auto p = [&](int j) { return static_cast<int>(top[j * window.pitch]); };
    int32_t count = 0;
    int prev2 = 1000, prev = 0;
    for (int j = 2; j < last - 5 && count < maxSeeds; ++j) {
        const int g = std::abs(p(j + 3) - p(j));
        if (prev2 < prev && g < prev && prev > 14) {
            const int mean = (p(j - 1) + p(j) + p(j + 1) + p(j + 2)) >> 2;
            seeds[count++] = cid2d_trackingSeed{x,       j,
                                                prev,    mean,
                                                column,  p(j) < mean ? 1 : 0,
                                                x * 256, (j + 2) * 256,
                                                x * 256, (j - 1) * 256};
        }
        prev2 = prev;
        prev = g;
    }
    if (sort) sortSeeds(seeds, seeds + count);
    *seedCount = count;
    return 0;
}

namespace {

// The pair filter: after two seeds on a row, a new one is appended only when it or the last one
// pairs with its predecessor (closer than spacing, opposite polarity); otherwise it replaces the
// last one.
bool keepsAppending(const cid2d_trackingSeed* rowSeeds, int rowCount,
                    const cid2d_trackingSeed& seed, int spacing) {
    const cid2d_trackingSeed& s1 = rowSeeds[rowCount - 1];
    const cid2d_trackingSeed& s2 = rowSeeds[rowCount - 2];
    bool pairA = s1.x - s2.x < spacing && s1.polarity != s2.polarity;
    bool pairB = seed.x - s1.x < spacing && seed.polarity != s1.polarity;
    return pairA || pairB;
}

}  // namespace
}  // namespace cidut

extern "C" {

int32_t cid2d_getHorizontalTrackingSeeds(const cimg_imageConst* image, const int32_t* rows,
                                         int32_t rowCount, int32_t maxSeeds, int32_t minStrength,
                                         int32_t sortSeeds, cid2d_trackingSeed* seeds,
                                         int32_t* seedCount, int32_t pairFilter,
                                         double minPairSpacing) {
    CSTD_ASSERT(image && seeds && seedCount);
    CSTD_ASSERT(rows || rowCount <= 0);
    CSTD_ASSERT(maxSeeds >= 1);
    *seedCount = 0;
    cimg_windowConst window;
    int32_t status = cimg_windowConst_init(&window, image);
    if (status < 0) return status;
    if (window.depth != CIMG_DEPTH_8U) return CIMG_STATUS_INVALID_IMAGE;
    if (!cidut::fitsTrackerCoordinates(window)) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    const int spacing = cmath_double_floor(minPairSpacing);
    const int last = window.width - 1;
    int32_t total = 0;
    for (int32_t r = 0; r < rowCount && total < maxSeeds; ++r) {
        int y = rows[r] - window.yOffset;
        if (!(0 < y && y < window.height - 3 && 2 < last - 2)) continue;
        const unsigned char* pixels = window.pixels + y * window.pitch;
        cid2d_trackingSeed* rowStart = seeds + total;
        int onRow = 0;
        cidut::walkRowPeaks(pixels, 2, last - 4, minStrength, 256, [&](int i, int strength) {
            cid2d_trackingSeed seed = cidut::horizontalSeed(pixels, i, y, strength, r);
            if (pairFilter && onRow >= 2 &&
                !cidut::keepsAppending(rowStart, onRow, seed, spacing)) {
                rowStart[onRow - 1] = seed;
                return true;
            }
            rowStart[onRow++] = seed;
            ++total;
            return total < maxSeeds;
        });
    }
    if (sortSeeds) cidut::sortSeeds(seeds, seeds + total);
    *seedCount = total;
    return 0;
}

int32_t cid2d_getHorizontalTrackingSeeds_threeScanlines(
    const cimg_imageConst* image, const int32_t* rows, int32_t ignored, int32_t maxSeeds,
    int32_t firstLineKeep, int32_t minStrength, cid2d_trackingSeed* seeds, int32_t* seedCount) {
    (void)ignored;
    CSTD_ASSERT(image && rows && seeds && seedCount);
    CSTD_ASSERT(maxSeeds >= 1);
    *seedCount = 0;
    cimg_windowConst window;
    int32_t status = cimg_windowConst_init(&window, image);
    if (status < 0) return status;
    if (window.depth != CIMG_DEPTH_8U) return CIMG_STATUS_INVALID_IMAGE;
    if (!cidut::fitsTrackerCoordinates(window)) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    const int last = window.width - 1;
    int32_t committed = 0;
    for (int line = 0; line < 3 && committed < maxSeeds; ++line) {
        int y = rows[line] - window.yOffset;
        // Rows must lie in the window's usable part; a row outside it would be read out of
        // bounds, so it finds nothing instead.
        if (!(0 < y && y < window.height - 3 && 2 < last - 2)) continue;
        const unsigned char* pixels = window.pixels + y * window.pitch;
        int32_t found = 0;
        cidut::walkRowPeaks(pixels, 2, last - 4, minStrength, 256, [&](int i, int strength) {
            seeds[committed + found++] = cidut::horizontalSeed(pixels, i, y, strength, line);
            return committed + found < maxSeeds;
        });
        if (found == 0) continue;
        if (line == 0) {
            cidut::sortSeeds(seeds + 1, seeds + found);
            committed = std::clamp(firstLineKeep, 0, found);
        } else {
            cidut::sortSeeds(seeds + committed, seeds + committed + found);
            committed += std::min(found, 3);
        }
    }
    if (committed > 10) cidut::sortSeeds(seeds + 3, seeds + committed);
    *seedCount = committed;
    return 0;
}
}
