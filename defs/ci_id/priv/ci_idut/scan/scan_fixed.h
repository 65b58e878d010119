// Fixed-point helpers shared by the scan-shape sources.
#pragma once

#include <cstdint>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/scan.h"

namespace cidut {

// Positions within this bound keep pixel indices in 32 bits and every product of a position and
// a 16-bit fraction far inside 64 bits.
constexpr int64_t kPositionLimit = int64_t{1} << 35;

inline void assertPosition(int64_t value) {
    CSTD_ASSERT(value >= -kPositionLimit && value <= kPositionLimit);
}

inline void assertPoint(const cidc_point64_4& p) {
    assertPosition(p.x);
    assertPosition(p.y);
}

// Scan coordinates of a position on a line (see scan.h).
inline cidc_scanCoord64 scanCoordsOf(const cidc_scanLine& line, const cidc_point64_4& c) {
    const int64_t a = line.projCoef.a;
    const int64_t b = line.projCoef.b;
    return cidc_scanCoord64{(c.x * a - c.y * b) >> 16, (c.x * b + c.y * a) >> 16};
}

// The ROI's rectangle of inner pixel centres, in sixteenths.
struct centreRect {
    int64_t minX, maxX, minY, maxY;
};

inline centreRect centreRectOf(const cidc_windowROI& roi) {
    assertPosition(roi.minX16);
    assertPosition(roi.maxX16);
    assertPosition(roi.minY16);
    assertPosition(roi.maxY16);
    return centreRect{roi.minX16, roi.maxX16, roi.minY16, roi.maxY16};
}

inline bool contains(const centreRect& r, const cidc_point64_4& p) {
    return p.x >= r.minX && p.x <= r.maxX && p.y >= r.minY && p.y <= r.maxY;
}

}  // namespace cidut
