// Contour machinery of the two-dimensional symbol finders: a traced contour is halved, smoothed,
// measured for curvature and cut into straight runs, which are ordered, merged and handed to the
// L-corner finder. Everything is integer fixed point: contour points in sixteenths of a pixel,
// line coefficients and distances in quarter pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ci_id/platform/cbt.h"
#include "ci_id/platform/cmath_shape.h"

namespace cidut {

// (row, column) in sixteenths of a pixel, image coordinates.
struct contourPoint {
    int32_t first;
    int32_t second;
};

// A straight run: start index, squared chord length in quarter pixels (saturated at INT32_MAX;
// 0 marks an empty record) and the index one past the run, modulo the contour length.
struct segment {
    int32_t start;
    int32_t length;
    int32_t end;
};

// The caller's work area, at fixed byte offsets.
constexpr size_t kWorkAreaBytes = 229320;
constexpr size_t kSmoothedOffset = 65520;
constexpr size_t kCurvatureOffset = 131040;
constexpr size_t kSegmentOffset = 163800;
constexpr int32_t kMaxTrackedPoints = 16379;
constexpr int32_t kHalvedCapacity = 8190;
constexpr int32_t kSegmentCapacity = 5460;

struct contourWorkArea {
    contourPoint* contour;  // tracker points, halved in place
    contourPoint* smoothed;
    int32_t* curvature;
    segment* segments;
};

// Views the caller's buffer (at least kWorkAreaBytes, 4-byte aligned) as the work area.
contourWorkArea workAreaOf(unsigned char* buffer);

// A line a q1 + b q2 + c = 0 in quarter-pixel coordinates (q1 along rows, q2 along columns).
struct fixedLine {
    int64_t a;
    int64_t b;
    int64_t c;
};

inline contourPoint fromTrackerPoint(const cbt_point& p) {
    return contourPoint{(p.y + 128) >> 4, (p.x + 128) >> 4};
}

int64_t distanceSquared(const contourPoint& a, const contourPoint& b);
int64_t lineDistanceSquared(const contourPoint& p, const contourPoint& a, const contourPoint& b);
fixedLine lineOfSegment(const contourPoint* smoothed, int32_t n, const segment& s);
// The same direction through p.
fixedLine parallelThrough(const fixedLine& line, const contourPoint& p);
int64_t crossOf(const fixedLine& l1, const fixedLine& l2);
int64_t dotOf(const fixedLine& l1, const fixedLine& l2);
// 1000 |tan| of the angle between two lines, signed by their cross product; +-INT32_MAX for
// perpendicular lines (the sign still that of the cross product).
int32_t angleValue(int64_t cross, int64_t dot);
// Meeting point in sixteenths of a pixel of two lines whose cross product is not zero. The
// division is by the exact cross product: truncating it to whole units first would move points
// far from the image origin by a sizeable fraction of a pixel.
contourPoint intersection(const fixedLine& l1, const fixedLine& l2);

void halve(contourPoint* points, int32_t n, int32_t* halvedCount);
void extents(const contourPoint* points, int32_t n, int32_t* extentSecond, int32_t* extentFirst,
             int32_t* extentMax);
void smooth(contourPoint* out, const contourPoint* in, int32_t n, int32_t window);
void curvature(int32_t* out, const contourPoint* in, int32_t n, int32_t span, int32_t* maxValue);
// Straight runs of the smoothed contour; split != 0 lets a bent run be tested as two halves.
// The list is ended by an all-zero record; *count excludes it.
void straightRuns(segment* segments, const int32_t* curvature, const contourPoint* points,
                  int32_t split, int32_t n, int32_t minRun, int32_t threshold, int32_t capacity,
                  int32_t* count);
void sortSegments(segment* segments, int32_t count);
void trimSegments(const segment* segments, int32_t* count);
int32_t mergeSegments(segment* segments, const contourPoint* points, int32_t n, int32_t count,
                      int32_t maxGap, int32_t tolerance);
int32_t walkArm(const contourPoint* points, int32_t n, int32_t* index, int32_t step,
                const fixedLine& line, int32_t* distance);

// The end of a run (its first or last point) farther from v; a tie takes the last point.
int32_t fartherEnd(const contourPoint* smoothed, int32_t n, const segment& s,
                   const contourPoint& v);

// How far the contour reaches from index `from` away from the other arm's line, walking both
// ways (walkArm): the farthest point's index and its distance in sixteenths of a pixel.
struct armReach {
    int32_t index;
    int32_t length;
};
int32_t measureArm(const contourPoint* halved, int32_t n, int32_t from, const fixedLine& other,
                   armReach* out);

struct cornerFinding {
    cmath_shapeAffineRect rect;
    cmath_vect farCorner;
    int32_t farCornerFromShape;
    int32_t found;
    int32_t cornerScore;
};

// Shape hint of the L-corner finder: the symbol's aspect.
enum cornerShape { kShapeUnknown = -1, kShapeRectangular = 0, kShapeSquare = 1 };

// Fits a Data Matrix finder "L" (two long sides at about a right angle) to the sorted segments.
int32_t findCorner(const contourPoint* halved, const contourPoint* smoothed,
                   const segment* segments, int32_t count, int32_t n, int32_t allowSkew,
                   int32_t allowStrongSkew, int32_t shapeHint, cornerFinding* out);

}  // namespace cidut
