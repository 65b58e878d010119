/* Boundary tracker: traces the contour of the connected blob that lies on one side of a grey
 * threshold, starting at the edge between two start points.
 *
 * The object is the set of pixels on the start side of the threshold: with polarity 1 the pixels
 * darker than the threshold (v < threshold), with polarity 0 the others (v >= threshold). Pixels
 * outside the image window are never object. The tracker finds the first object pixel followed by
 * a non-object pixel on a 4-connected path from the second start point to the first, and follows
 * the boundary between that pixel's blob and the rest, keeping the object on its right (outer
 * boundaries run clockwise on the screen, the image's y axis pointing down), until it is back on
 * the starting edge.
 *
 * Every boundary edge between an object pixel and its 4-neighbour gives one contour point, placed
 * where the grey level crosses the threshold on the segment between the two pixel centres
 * (linear interpolation; just inside the window when the neighbour lies outside it). So a
 * blurred straight edge gives points on a straight line to a small fraction of a pixel, and the
 * contour has at most one point per boundary edge. Points, start points included, are in 24.8
 * fixed point (value = pixels x 256) of pixel-centre coordinates: the centre of image pixel
 * (i, j) is at (256 i, 256 j), so a point rounds to the pixel it lies in. (Pixel (i, j) covers
 * [i, i + 1) x [j, j + 1) of image coordinates: add half a pixel to convert.)
 *
 * Points in 24.8 fixed point limit the images: a window with an image coordinate, a width or a
 * height beyond 8,388,606 (2^23 - 2) pixels gives CSYS_STATUS_SIZE_OUT_OF_RANGE.
 *
 * Cost is linear in the contour length; the only allocation is the growth of the result's point
 * buffer, which is kept for the next call on the same result. */
#ifndef CI_ID_CBT_H
#define CI_ID_CBT_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

/* Result flags. */
#define CBT_FLAG_CLOSED 1         /* the trace came back to its starting edge */
#define CBT_FLAG_TOUCHES_BORDER 2 /* an object pixel of the contour lies on the window's edge */
#define CBT_FLAG_UNUSABLE 4       /* tracking stopped at the window's edge (stopAtBorder) */

typedef struct cbt_point {
    int32_t x;
    int32_t y;
} cbt_point;

typedef struct cbt_runParams {
    /* 1: dark pixels (below the threshold) connect through corners (8-connected) and light ones
     * only through edges; 0: the other way round. With 1, the light side of a dark symbol cannot
     * leak into it between modules that touch at a corner, so a contour traced from outside a
     * dark-on-light symbol follows its outline instead of wandering through its inside. */
    int32_t darkIs8Connected;
    /* 1: the object is darker than the threshold; 0: it is at least the threshold. */
    int32_t polarity;
    /* Start points, 24.8 image coordinates: the first lies beyond the edge, the second on the
     * object side. */
    int32_t start1X;
    int32_t start1Y;
    int32_t start2X;
    int32_t start2Y;
    int32_t threshold;
    /* 1: only the outer boundary of a blob is a contour; a start edge on the boundary of a hole
     * gives CBT_STATUS_NO_CONTOUR. 0: holes are traced too. */
    int32_t outerOnly;
    /* Adaptive tracking: strength of the starting edge as the seed finders measure it, the
     * difference of two three-pixel sums across the edge (three times its contrast). */
    int32_t edgeStrength;
    /* Most points a contour may have; a longer trace stops there without the closed flag. */
    int32_t maxPoints;
    /* Adaptive tracking: 1 follows the local grey level along the contour, 0 keeps the start
     * threshold. */
    int32_t followLocalLevel;
    /* 1: stop at the window's edge and flag the contour unusable; 0: follow the edge of the
     * window as if the world beyond it were not object. */
    int32_t stopAtBorder;
} cbt_runParams;

typedef struct cbt_result {
    cbt_point* points; /* owned by the result */
    int32_t count;
    int32_t capacity;
    int32_t flags;
    /* Adaptive finders keep the corner they fitted here: two vertex slots and two arm-end
     * slots (whole pixels); the tracker does not read or write them. */
    cbt_point slots[4];
    /* Adaptive tracking outcome; see cbt_boundaryTrack_Adaptive. */
    uint8_t mode;
} cbt_result;

/* Defaults: darkIs8Connected 1, polarity 1, start points (0, 0), threshold 128, outerOnly 1,
 * edgeStrength 0, maxPoints INT32_MAX, followLocalLevel 0, stopAtBorder 0. */
CI_ID_API int32_t cbt_runParams_init(cbt_runParams* params);

/* An empty result with room for initialCapacity points (0: allocated on first use). */
CI_ID_API int32_t cbt_result_construct(cbt_result* result, int32_t initialCapacity);
CI_ID_API int32_t cbt_result_destruct(cbt_result* result);

/* Traces at params->threshold. CBT_STATUS_NO_CONTOUR (count 0) when no object pixel is followed
 * by a non-object pixel between the start points, or, with outerOnly, when the start edge lies on
 * a hole's boundary. A non-8-bit or unbound image is CIMG_STATUS_INVALID_IMAGE /
 * CIMG_STATUS_NOT_BOUND. */
CI_ID_API int32_t cbt_boundaryTrack(const cimg_imageConst* image, const cbt_runParams* params,
                                    cbt_result* result);

/* The same, for scenes with uneven illumination. With trackMode 0 and followLocalLevel set, each
 * pixel is compared with the mid-level of the 3 x 3 pixels around it wherever they show at least
 * half the starting edge's contrast (edgeStrength / 6), kept within half that contrast of the
 * start threshold; elsewhere with the start threshold. The threshold depends on the pixel alone,
 * so the object is one fixed set of pixels and the trace closes like a fixed-threshold one;
 * contour points lie where the grey level crosses the mean threshold of the two pixels. Any
 * other trackMode keeps the start threshold. The caller sets result->mode before the call
 * (usually to 1); the tracker sets it to 0 when the threshold at a contour point differs from the
 * start threshold by more than a quarter of the contrast (the contour may have left the seed's
 * blob), and otherwise leaves it. */
CI_ID_API int32_t cbt_boundaryTrack_Adaptive(const cimg_imageConst* image,
                                             const cbt_runParams* params, int32_t trackMode,
                                             cbt_result* result);

CI_ID_EXTERN_C_END

#endif
