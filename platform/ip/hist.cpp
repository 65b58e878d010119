// Histograms of 8-bit windows and their inverse cumulative table.
#include <cstring>

#include "ci_id/platform/cip_hist.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/threshold.h"

extern "C" {

int32_t cip_pelHistogram8(const cimg_imageConst* image, uint32_t* counts) {
    CSTD_ASSERT(image && counts);
    cimg_windowConst window;
    int32_t status = cimg_windowConst_init(&window, image);
    if (status < 0) return status;
    if (window.depth != CIMG_DEPTH_8U) return CIMG_STATUS_INVALID_IMAGE;
    std::memset(counts, 0, 256 * sizeof(uint32_t));
    if (window.width < 1 || window.height < 1) return 0;
    return cfPelHistogramSmall(window.pixels, window.width, window.height, window.pitch, counts);
}

int32_t cip_pelHistogramStat_invCum(const uint32_t* histogram, int32_t numBins, int32_t* table) {
    CSTD_ASSERT(histogram && table && numBins >= 1);
    uint64_t total = 0;
    for (int32_t i = 0; i < numBins; ++i) total += histogram[i];
    if (total == 0) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    // Both sides scaled by 100 keep the comparison in integers: 100 c >= p * total.
    uint64_t cumulative = 0;
    int32_t bin = -1;
    for (int32_t p = 0; p <= 100; ++p) {
        const uint64_t wanted = uint64_t(p) * total;
        while (cumulative == 0 || 100 * cumulative < wanted) cumulative += histogram[++bin];
        table[p] = bin;
    }
    return 0;
}
}
