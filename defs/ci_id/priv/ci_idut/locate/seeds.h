// Seed finding shared by the symbol finders: the box gradient walk along a row and the seed
// ordering.
#pragma once

#include <cstdlib>

#include "ci_id/platform/cimg.h"
#include "ci_id/tracking.h"

namespace cidut {

// Walks columns i in [from, to) of one row (row points at window column 0) with the gradient
// g(i) = |(p[i+2] + p[i+3] + p[i+4]) - (p[i-1] + p[i] + p[i+1])|, whose step lies between i + 1
// and i + 2. A peak is reported at i when g(i - 2) < g(i - 1) >= g(i) and g(i - 1) >= threshold,
// as onPeak(i, g(i - 1)); onPeak returns false to end the walk. Before the first column the two
// previous values are 0 and before2. The caller keeps i - 1 and i + 4 inside the row.
template <typename OnPeak>
void walkRowPeaks(const unsigned char* row, int from, int to, int threshold, int before2,
                  OnPeak onPeak) {
    int prev2 = before2;
    int prev = 0;
    for (int i = from; i < to; ++i) {
        int g =
            std::abs((row[i + 2] + row[i + 3] + row[i + 4]) - (row[i - 1] + row[i] + row[i + 1]));
        if (prev2 < prev && g <= prev && prev >= threshold && !onPeak(i, prev)) return;
        prev2 = prev;
        prev = g;
    }
}

// The seed at window column i of window row y (pixels of that row at row), for an edge between
// columns i and i + 1 found on a horizontal walk.
cid2d_trackingSeed horizontalSeed(const unsigned char* row, int i, int y, int strength,
                                  int scanLine);

// Strongest first, then lower scan line first; remaining ties by position, for a deterministic
// order.
void sortSeeds(cid2d_trackingSeed* first, cid2d_trackingSeed* last);

// Seeds of one row (image coordinates) with the fixed threshold of the barcode finders.
int32_t rowSeeds(const cimg_windowConst& window, int32_t row, int32_t maxSeeds, int32_t sort,
                 cid2d_trackingSeed* seeds, int32_t* seedCount);
// The same down one column (image coordinates), with the gradient |p[j + 3] - p[j]|: a peak
// needs g(j - 2) < g(j - 1) > g(j) and g(j - 1) > 14, and the seed lies at row j.
int32_t columnSeeds(const cimg_windowConst& window, int32_t column, int32_t maxSeeds, int32_t sort,
                    cid2d_trackingSeed* seeds, int32_t* seedCount);

}  // namespace cidut
