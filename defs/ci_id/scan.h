/* Scan shapes in fixed point, the region of interest they live in, and a pixel walker.
 *
 * Number formats:
 * - Positions are signed 64-bit sixteenths of a pixel, measured from the origin of the
 *   cidc_windowROI whose frame the shape lives in. Pixel index = position >> 4 (floor); the
 *   centre of pixel i is at 16 i + 8. Positions, distances, offsets and positions along a line
 *   given to these functions must lie within +-2^35 (2^31 pixels, so that pixel indices fit
 *   their 32-bit fields and every product fits 64 bits): larger values are broken preconditions.
 * - Directions and ratios are signed 32-bit with 16 fraction bits (65536 = 1.0).
 * - Angles are 16-bit binary angles, 65536 per turn: angle a is the direction (cos a, sin a) in
 *   image axes (x to the right, y downwards).
 *
 * Scan coordinates. For a line with projCoef (a, b), a position c has u = (c.x a - c.y b) >> 16
 * and v = (c.x b + c.y a) >> 16. u = major (c . dir) counts walk steps along the line in
 * sixteenths (one step moves one pixel along the major axis); v = major (c . n) is the offset
 * across it in the same units, n = (-dir.y, dir.x) being the left normal.
 *
 * Clipping keeps the part of a shape inside the ROI's rectangle of inner pixel centres and always
 * yields a cidc_scanLineSeg; a shape that misses the ROI gives a degenerate segment (degenerate =
 * 1, every point and coordinate 0, the line as cidc_scanLine_init leaves it) with status 0.
 * Every operation returns 0 or the negative status of a callee; null required pointers are
 * broken preconditions (cstd_assert_). Outputs may be the same records as inputs. */
#ifndef CI_ID_SCAN_H
#define CI_ID_SCAN_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cmath_vect.h"
#include "ci_id/vector.h"

CI_ID_EXTERN_C_BEGIN

/* A unit direction, 16 fraction bits per component, each within [-65536, 65536]. Axis-parallel
 * directions are exactly (+-65536, 0) or (0, +-65536). */
typedef struct cidc_unitDir16 {
    int32_t x;
    int32_t y;
} cidc_unitDir16;

/* A point in sixteenths of a pixel. */
typedef struct cidc_point64_4 {
    int64_t x;
    int64_t y;
} cidc_point64_4;

/* A pair of 32-bit integers: pixel indices, or a ratio pair with 16 fraction bits. */
typedef struct cidc_point32 {
    int32_t x;
    int32_t y;
} cidc_point32;

/* Scan coordinates (u along the line, v across it), sixteenths of a walk step. */
typedef struct cidc_scanCoord64 {
    int64_t u;
    int64_t v;
} cidc_scanCoord64;

/* The projection coefficients of a line, 16 fraction bits. */
typedef struct cidc_projCoef {
    int32_t a;
    int32_t b;
} cidc_projCoef;

/* An infinite directed line. */
typedef struct cidc_scanLine {
    int64_t dist;        /* signed distance from the origin along the left normal: p . n */
    cidc_unitDir16 dir;  /* direction of travel */
    cidc_point64_4 foot; /* foot of the perpendicular from the origin, dist n */
    int32_t major;       /* max(|dir.x|, |dir.y|): 65536 on the axes, about 46341 at 45 degrees */
    cidc_point32 step;   /* dir / major: the major-axis component is +-65536 */
    cidc_projCoef projCoef; /* a = dir.x major, b = -dir.y major (16 fraction bits) */
} cidc_scanLine;

/* A directed segment of a scan line. scanPos[1].u >= scanPos[0].u always holds. */
typedef struct cidc_scanLineSeg {
    cidc_scanLine line;          /* first member: a segment serves wherever a line is expected */
    cidc_point64_4 pts[2];       /* start, end */
    cidc_point32 pix[2];         /* pixel indices of the end points, pts >> 4 */
    cidc_scanCoord64 scanPos[2]; /* scan coordinates of the centres of the two end pixels */
    int32_t degenerate;          /* 1 when empty (a clip found nothing), else 0 */
} cidc_scanLineSeg;

/* A half line from origin in the direction of its line. */
typedef struct cidc_scanRay {
    cidc_scanLine line; /* first member */
    cidc_point64_4 origin;
} cidc_scanRay;

/* A view of one shape owned by the caller: a segment when seg is set, a ray when ray is set, a
 * plain line otherwise. line is always set (to the embedded line of a segment or ray). */
typedef struct cidc_scanShape {
    const cidc_scanLineSeg* seg;
    const cidc_scanLine* line;
    const cidc_scanRay* ray;
} cidc_scanShape;

/* The frame of scan shapes: an integer origin inside an image window and the window's inner
 * rectangle (the window less a margin on each side). Columns and rows are relative to the
 * origin; the ...16 fields are sixteenths of a pixel. Clipping keeps [minX16, maxX16] x [minY16,
 * maxY16], the centres of the inner pixels. */
typedef struct cidc_windowROI {
    int32_t winOriginX; /* the origin relative to the window's top-left pixel */
    int32_t winOriginY;
    int32_t originX; /* the origin in image coordinates */
    int32_t originY;
    int32_t x0; /* first inner column, end column (exclusive), inner width */
    int32_t x1;
    int32_t width;
    int32_t y0; /* the same for rows */
    int32_t y1;
    int32_t height;
    int64_t spanX16; /* maxX16 - minX16 */
    int64_t spanY16;
    int64_t minX16; /* 16 x0 + 8 */
    int64_t minY16;
    int64_t maxX16; /* 16 x1 - 8 */
    int64_t maxY16;
    int64_t halfSpanX16; /* spanX16 >> 1 */
    int64_t halfSpanY16;
    int64_t marginX16; /* the margin in sixteenths */
    int64_t marginY16;
} cidc_windowROI;

/* The image window a ROI is built in: its size and the image coordinates of its top-left pixel. */
typedef struct cidc_windowRect {
    int32_t width;
    int32_t height;
    int32_t x;
    int32_t y;
} cidc_windowRect;

/* ---- Directions and lines ---- */

/* Normalises (dx, dy): (0, dy) gives (0, 65536) for dy > 0 and (0, -65536) otherwise (so the
 * zero vector gives (0, -65536)); (dx, 0) gives (+-65536, 0). Otherwise the larger component is
 * scaled by shifts into [16384, 32767] and both are divided by the integer length. */
CI_ID_API int32_t cidc_unitDir16_initVect(cidc_unitDir16* dir, int32_t dx, int32_t dy);

/* The horizontal line through the origin, direction (65536, 0). */
CI_ID_API int32_t cidc_scanLine_init(cidc_scanLine* line);
/* The line through point with direction dir. A zero direction gives cidc_scanLine_init with foot
 * set to the point. dir components must lie within [-65536, 65536] with major >= 8. */
CI_ID_API int32_t cidc_scanLine_initPointDir(cidc_scanLine* line, const cidc_point64_4* point,
                                             const cidc_unitDir16* dir);
/* The line of direction (cos angle, sin angle) at signed distance *distance from the origin,
 * then moved by offset when offset is not null. */
CI_ID_API int32_t cidc_scanLine_initDirDist(cidc_scanLine* line, const uint16_t* angle,
                                            const int64_t* distance, const cidc_point64_4* offset);
/* out = source moved by offset. */
CI_ID_API int32_t cidc_scanLine_translate(const cidc_scanLine* source, const cidc_point64_4* offset,
                                          cidc_scanLine* out);
/* The part of the line inside the ROI (a single point when it only touches a corner), or a
 * degenerate segment. The end points come from the corners of the rectangle that the direction
 * enters and leaves by, each moved along one side by a truncated quotient of the corner's cross
 * product with the direction: within a sixteenth of the line, towards the corner. */
CI_ID_API int32_t cidc_scanLine_clip(const cidc_scanLine* line, const cidc_windowROI* roi,
                                     cidc_scanLineSeg* out);

/* ---- Segments ---- */

CI_ID_API int32_t cidc_scanLineSeg_initDegen(cidc_scanLineSeg* seg);
/* The segment from start to end, on line when it is given, else on the line through the points.
 * The end must not lie before the start along the line (scanPos ordering, asserted). */
CI_ID_API int32_t cidc_scanLineSeg_initPoints(cidc_scanLineSeg* seg, const cidc_point64_4* start,
                                              const cidc_point64_4* end, const cidc_scanLine* line);
/* The segment of line between two positions along it (sixteenths of a walk step, as peak
 * positions are): position s is the point foot + s step. */
CI_ID_API int32_t cidc_scanLineSeg_initPeakPos(cidc_scanLineSeg* seg, const cidc_scanLine* line,
                                               int64_t startPos, int64_t endPos);
/* out = source with its line and both end points moved by offset. */
CI_ID_API int32_t cidc_scanLineSeg_translate(const cidc_scanLineSeg* source,
                                             const cidc_point64_4* offset, cidc_scanLineSeg* out);
/* The part of the segment inside the ROI, or a degenerate segment. A segment whose line is
 * vertical (horizontal) is tested on its line's foot, keeps its x (y) values and is cut to the
 * rectangle along y (x); a zero-length overlap is empty. Other segments shorter than 2048 pixels
 * on both axes are cut by fractions of 16 bits: each end moves by (difference * fraction) >> 16,
 * so an end may stay up to a sixteenth or so outside the rectangle (never in another pixel) and
 * off the line; a cut of a whole length or more is empty. Mend: longer segments, whose 16-bit
 * fractions would leave their ends length / 65536 sixteenths off, are cut exactly in wide
 * integers and rounded to the nearest sixteenth. */
CI_ID_API int32_t cidc_scanLineSeg_clip(const cidc_scanLineSeg* seg, const cidc_windowROI* roi,
                                        cidc_scanLineSeg* out);
/* Image coordinates (pixel (x, y) covering [x, x + 1) x [y, y + 1)) of the position *position
 * along seg, on the parallel through the centre of seg's start pixel; origin (originX, originY)
 * is the ROI origin in image coordinates. */
CI_ID_API int32_t cidc_convertPeakToImage(const int64_t* position, const cidc_scanLineSeg* seg,
                                          int32_t originX, int32_t originY, cmath_vect* out);

/* ---- Rays ---- */

/* cidc_scanLine_init, origin (0, 0). */
CI_ID_API int32_t cidc_scanRay_init(cidc_scanRay* ray);
/* The ray from origin; its line is a copy of line when given, else the line through origin with
 * direction dir. */
CI_ID_API int32_t cidc_scanRay_initPointDir(cidc_scanRay* ray, const cidc_point64_4* origin,
                                            const cidc_unitDir16* dir, const cidc_scanLine* line);
/* The line is clipped (cidc_scanLine_clip). When the origin lies inside the ROI's rectangle
 * (bounds included) and the chord is not degenerate, the result runs from the origin itself to
 * the chord's end when (end - origin) . dir > 0, else from the chord's start to the origin.
 * An origin outside the rectangle, also one beyond the chord's end (a ray pointing away), gives
 * the whole chord. Mend: an origin off its line (a line given separately, or far from the ROI
 * origin, where the foot's rounding and the direction's length error add up) whose pixel would
 * lie after the end's pixel (before the start's) along the walk gives the one-pixel piece at that
 * chord end, where the segment's scan order could not hold. */
CI_ID_API int32_t cidc_scanRay_clip(const cidc_scanRay* ray, const cidc_windowROI* roi,
                                    cidc_scanLineSeg* out);

/* ---- Shapes ---- */

CI_ID_API int32_t cidc_scanShape_initScanLine(cidc_scanShape* shape, const cidc_scanLine* line);
CI_ID_API int32_t cidc_scanShape_initScanLineSeg(cidc_scanShape* shape,
                                                 const cidc_scanLineSeg* seg);
CI_ID_API int32_t cidc_scanShape_initScanRay(cidc_scanShape* shape, const cidc_scanRay* ray);
/* Clips the segment, else the ray, else the line of the shape; at least one pointer must be set. */
CI_ID_API int32_t cidc_scanShape_clip(const cidc_scanShape* shape, const cidc_windowROI* roi,
                                      cidc_scanLineSeg* out);

/* ---- Regions of interest ----
 * Margins are in pixels; the inner size (window size less twice the margin) must be at least 2
 * on each axis. */

/* Origin at image coordinates (originX, originY). */
CI_ID_API int32_t cidc_windowROI_init(cidc_windowROI* roi, const cidc_windowRect* window,
                                      int32_t marginX, int32_t marginY, int32_t originX,
                                      int32_t originY);
/* Origin at the window's centre (width / 2 + x, height / 2 + y). */
CI_ID_API int32_t cidc_windowROI_initCenter(cidc_windowROI* roi, const cidc_windowRect* window,
                                            int32_t marginX, int32_t marginY);
/* Origin at the window's top-left pixel. */
CI_ID_API int32_t cidc_windowROI_initCorner(cidc_windowROI* roi, const cidc_windowRect* window,
                                            int32_t marginX, int32_t marginY);
/* Origin of other, so that shapes of both ROIs share one frame. */
CI_ID_API int32_t cidc_windowROI_initSameOrigin(cidc_windowROI* roi, const cidc_windowRect* window,
                                                const cidc_windowROI* other, int32_t marginX,
                                                int32_t marginY);
/* Every field 0. */
CI_ID_API int32_t cidc_windowROI_initNULL(cidc_windowROI* roi);
/* A copy of source; then, y first and x second, an axis whose shrink (sixteenths) exceeds its
 * recorded margin loses that shrink at each end and records it as its margin. Other axes stay as
 * copied. */
CI_ID_API int32_t cidc_windowROI_initCopyShrink(cidc_windowROI* roi, const cidc_windowROI* source,
                                                const int64_t* shrinkX, const int64_t* shrinkY);

/* One step along dir: one pixel along the major axis (y when |dir.x| <= |dir.y|) in the sign of
 * that component, and the minor slope (16 fraction bits, truncated) added to the minor member of
 * fraction, which carries at most once into the pixel. A diagonal slope truncates to 65537, so
 * the fraction drifts up by one a step past the carry; it is neither checked nor clamped. */
CI_ID_API int32_t cidc_bresWalk(cidc_point32* pixel, cidc_point32* fraction,
                                const cidc_unitDir16* dir);

CI_ID_EXTERN_C_END

CSTD_VECTOR_DECLARE(cidc_scanLine, cidc_scanLine)
CSTD_VECTOR_DECLARE(cidc_scanLineSeg, cidc_scanLineSeg)
CSTD_VECTOR_DECLARE(cidc_scanRay, cidc_scanRay)
CSTD_VECTOR_DECLARE(cidc_scanShape, cidc_scanShape)

#endif
