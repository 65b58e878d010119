// Regions of interest inside image windows, and the single-step pixel walker.
#include <cstdint>
#include <limits>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/scan.h"

namespace {

// ROI fields are 32-bit; values computed in 64 bits must fit them.
int32_t narrow(int64_t value) {
    CSTD_ASSERT(value >= std::numeric_limits<int32_t>::min() &&
                value <= std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(value);
}

int32_t buildROI(cidc_windowROI* roi, const cidc_windowRect& window, int32_t marginX,
                 int32_t marginY, int64_t originX, int64_t originY) {
    const int64_t innerWidth = int64_t{window.width} - 2 * int64_t{marginX};
    const int64_t innerHeight = int64_t{window.height} - 2 * int64_t{marginY};
    CSTD_ASSERT(innerWidth >= 2 && innerHeight >= 2);
    cidc_windowROI out{};
    out.originX = narrow(originX);
    out.originY = narrow(originY);
    out.winOriginX = narrow(originX - window.x);
    out.winOriginY = narrow(originY - window.y);
    out.x0 = narrow(marginX - int64_t{out.winOriginX});
    out.x1 = narrow(int64_t{out.x0} + innerWidth);
    out.width = narrow(innerWidth);
    out.y0 = narrow(marginY - int64_t{out.winOriginY});
    out.y1 = narrow(int64_t{out.y0} + innerHeight);
    out.height = narrow(innerHeight);
    out.marginX16 = 16 * int64_t{marginX};
    out.marginY16 = 16 * int64_t{marginY};
    out.minX16 = 16 * int64_t{out.x0} + 8;
    out.minY16 = 16 * int64_t{out.y0} + 8;
    out.maxX16 = 16 * int64_t{out.x1} - 8;
    out.maxY16 = 16 * int64_t{out.y1} - 8;
    out.spanX16 = out.maxX16 - out.minX16;
    out.spanY16 = out.maxY16 - out.minY16;
    out.halfSpanX16 = out.spanX16 >> 1;
    out.halfSpanY16 = out.spanY16 >> 1;
    *roi = out;
    return 0;
}

// One axis of cidc_windowROI_initCopyShrink.
void shrinkAxis(int64_t shrink, int64_t* margin, int64_t* span, int64_t* min, int64_t* max,
                int64_t* halfSpan, int32_t* start, int32_t* end, int32_t* size) {
    if (shrink <= *margin) return;
    // Checked before any arithmetic: twice a huge shrink would overflow.
    CSTD_ASSERT(shrink <= *span / 2);
    *span -= 2 * shrink;
    *min += shrink;
    *max -= shrink;
    *halfSpan -= shrink;
    *start = narrow(*min >> 4);
    *end = narrow(((*max - 1) >> 4) + 1);
    *size = narrow(int64_t{*end} - *start);
    *margin = shrink;
    CSTD_ASSERT(*span >= 0 && *size >= 0);
}

int64_t magnitude(int64_t v) { return v < 0 ? -v : v; }

}  // namespace

extern "C" {

int32_t cidc_windowROI_init(cidc_windowROI* roi, const cidc_windowRect* window, int32_t marginX,
                            int32_t marginY, int32_t originX, int32_t originY) {
    CSTD_ASSERT(roi && window);
    return buildROI(roi, *window, marginX, marginY, originX, originY);
}

int32_t cidc_windowROI_initCenter(cidc_windowROI* roi, const cidc_windowRect* window,
                                  int32_t marginX, int32_t marginY) {
    CSTD_ASSERT(roi && window);
    return buildROI(roi, *window, marginX, marginY, window->width / 2 + int64_t{window->x},
                    window->height / 2 + int64_t{window->y});
}

int32_t cidc_windowROI_initCorner(cidc_windowROI* roi, const cidc_windowRect* window,
                                  int32_t marginX, int32_t marginY) {
    CSTD_ASSERT(roi && window);
    return buildROI(roi, *window, marginX, marginY, window->x, window->y);
}

int32_t cidc_windowROI_initSameOrigin(cidc_windowROI* roi, const cidc_windowRect* window,
                                      const cidc_windowROI* other, int32_t marginX,
                                      int32_t marginY) {
    CSTD_ASSERT(roi && window && other);
    return buildROI(roi, *window, marginX, marginY, other->originX, other->originY);
}

int32_t cidc_windowROI_initNULL(cidc_windowROI* roi) {
    CSTD_ASSERT(roi);
    *roi = cidc_windowROI{};
    return 0;
}

int32_t cidc_windowROI_initCopyShrink(cidc_windowROI* roi, const cidc_windowROI* source,
                                      const int64_t* shrinkX, const int64_t* shrinkY) {
    CSTD_ASSERT(roi && source && shrinkX && shrinkY);
    cidc_windowROI out = *source;
    shrinkAxis(*shrinkY, &out.marginY16, &out.spanY16, &out.minY16, &out.maxY16, &out.halfSpanY16,
               &out.y0, &out.y1, &out.height);
    shrinkAxis(*shrinkX, &out.marginX16, &out.spanX16, &out.minX16, &out.maxX16, &out.halfSpanX16,
               &out.x0, &out.x1, &out.width);
    *roi = out;
    return 0;
}

int32_t cidc_bresWalk(cidc_point32* pixel, cidc_point32* fraction, const cidc_unitDir16* dir) {
    CSTD_ASSERT(pixel && fraction && dir);
    const bool yMajor = magnitude(dir->x) <= magnitude(dir->y);
    const int64_t major = yMajor ? dir->y : dir->x;
    const int64_t minor = yMajor ? dir->x : dir->y;
    const int64_t majorQuarter = magnitude(major) >> 2;
    CSTD_ASSERT(magnitude(minor) <= magnitude(major) && majorQuarter != 0);
    int32_t& majorPixel = yMajor ? pixel->y : pixel->x;
    int32_t& minorPixel = yMajor ? pixel->x : pixel->y;
    int32_t& minorFraction = yMajor ? fraction->x : fraction->y;
    majorPixel += major > 0 ? 1 : -1;
    // A diagonal slope truncates to just over one pixel per step (65537), so the fraction may
    // drift past 65536 by a unit a step; one carry per step keeps the walk one minor pixel a step.
    minorFraction += static_cast<int32_t>(minor * 16384 / majorQuarter);
    if (minorFraction >= 65536) {
        minorFraction -= 65536;
        ++minorPixel;
    } else if (minorFraction < 0) {
        minorFraction += 65536;
        --minorPixel;
    }
    return 0;
}
}
