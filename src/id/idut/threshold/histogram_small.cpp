// Grey-level counts of a window. Large windows count into four tables in turn, so that runs of
// equal pixels do not make each increment wait for the one before it.
#include <cstring>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/threshold.h"

namespace {

constexpr int64_t kSplitFrom = 4096;  // pixels; below this, clearing four tables costs more

void countDirect(const uint8_t* pixels, int32_t width, int32_t height, intptr_t rowStride,
                 uint32_t* counts) {
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + y * rowStride;
        for (int32_t x = 0; x < width; ++x) ++counts[row[x]];
    }
}

void countSplit(const uint8_t* pixels, int32_t width, int32_t height, intptr_t rowStride,
                uint32_t* counts) {
    uint32_t tables[4][256];
    std::memset(tables, 0, sizeof tables);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + y * rowStride;
        int32_t x = 0;
        for (; x + 4 <= width; x += 4) {
            ++tables[0][row[x]];
            ++tables[1][row[x + 1]];
            ++tables[2][row[x + 2]];
            ++tables[3][row[x + 3]];
        }
        for (; x < width; ++x) ++tables[0][row[x]];
    }
    for (int32_t v = 0; v < 256; ++v) {
        counts[v] += tables[0][v] + tables[1][v] + tables[2][v] + tables[3][v];
    }
}

}  // namespace

extern "C" int32_t cfPelHistogramSmall(const uint8_t* pixels, int32_t width, int32_t height,
                                       intptr_t rowStride, uint32_t* counts) {
    CSTD_ASSERT(pixels && counts);
    CSTD_ASSERT(width >= 1 && height >= 1 && rowStride > 0);
    if (int64_t{width} * height < kSplitFrom) {
        countDirect(pixels, width, height, rowStride, counts);
    } else {
        countSplit(pixels, width, height, rowStride, counts);
    }
    return 0;
}
