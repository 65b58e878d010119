/* The edge library: gradient edges of 8-bit images, as images and as lists of edgels and chains.
 *
 * csEdgeDetect smooths its view with a Gaussian, takes the Sobel gradient of the smoothed pixels
 * and makes any of four outputs from it: an 8-bit magnitude image, an 8-bit angle image, a list
 * of edgels (the magnitude's local maxima across the edge, at sub-pixel positions, kept by a
 * threshold with hysteresis) and a list of chains (those edgels linked into 8-connected paths).
 *
 * Units. A magnitude is twice the grey-level change per pixel, that is the Sobel response / 4,
 * rounded and saturated to 0 .. 255: a linear ramp rising by s levels per pixel has magnitude 2s
 * whatever the smoothing, and a sharp step of contrast c a little under c (0.64 c with sigma 1).
 * The ID edge tables and the portable true peak use the same scale, so one threshold means the
 * same to all of them. Angles are in 256ths of a turn from +x towards +y (rows grow downwards),
 * pointing from dark to light.
 *
 * Coordinates. A csImage carries the coordinates of its top-left pixel in the caller's frame;
 * cxImage95 takes them from the image window's position in its image, so edgels come in image
 * pixel coordinates. Pixel (i, j) covers [i, i + 1) x [j, j + 1): its centre is (i + 0.5, j + 0.5).
 *
 * Borders. The view is all the detector reads; the smoothing repeats the view's border pixels.
 * The gradient exists on the view less one pixel on every side, edgels on the view less two (a
 * maximum needs its neighbours' magnitudes). Two views of one image that overlap by four rows
 * thus report disjoint rows that together are the rows their union reports, and with a sigma of
 * at most 1 (a kernel reaching two pixels) the same edgels as the union outside the overlap.
 *
 * Statuses: CIMG_STATUS_NOT_BOUND and CIMG_STATUS_INVALID_IMAGE from cxImage95::init; for outputs
 * that do not fit the view CIMG_STATUS_INVALID_IMAGE; CSEDGE_STATUS_INVALID_PARAMS; and
 * CSEDGE_STATUS_LIST_FULL when a list cannot hold what a detection found, or cannot be created
 * for want of memory. A failing detection leaves both lists as they were. Null pointers are
 * preconditions. */
#ifndef CI_ID_CSEDGE_H
#define CI_ID_CSEDGE_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

#define CSEDGE_STATUS_LIST_FULL ((int32_t)0x80000023u)
#define CSEDGE_STATUS_INVALID_PARAMS ((int32_t)0x80000846u)

/* The largest smoothing sigma; the kernel reaches ceil(2 sigma) pixels to either side. */
#define CSEDGE_MAX_SIGMA 8.0f

/* Six 32-bit fields, in this order. Callers of the edge entry points set the first three, clear
 * `flags` and set `version`:
 *   sharpness       (1, 0, 0): only the magnitude image is read;
 *   true peaks      (1, peakThreshold, 1): every maximum of at least peakThreshold (hysteresis
 *                   asks nothing more, as 1 is no stronger than any non-zero magnitude);
 *   edge-peak image (1, magnitudeThreshold, 0): every maximum of at least magnitudeThreshold. */
typedef struct csEdgeParams {
    /* Gaussian smoothing before the gradient, in pixels; 0 or below smooths nothing. Above
     * CSEDGE_MAX_SIGMA (or NaN): CSEDGE_STATUS_INVALID_PARAMS. */
    float sigma;
    /* An edgel's 8-bit magnitude is at least lowThreshold (and at least 1: a flat place has no
     * edge). */
    float lowThreshold;
    /* Hysteresis: when above lowThreshold, only edgels 8-connected through other edgels to one of
     * at least highThreshold are kept; at or below lowThreshold it asks nothing more. */
    float highThreshold;
    /* No options are defined: 0. */
    int32_t flags;
    /* 0. */
    int32_t reserved;
    /* The layout of the record: CSEDGE_PARAMS_VERSION. Any other value in the last three fields
     * gives CSEDGE_STATUS_INVALID_PARAMS. */
    int32_t version;
} csEdgeParams;

#define CSEDGE_PARAMS_VERSION 1

/* sigma 1, thresholds 10 and 20. */
CI_ID_API int32_t csEdgeParamsDefault(csEdgeParams* params);

/* The legacy image record the detector reads and writes: width x height pixels of one byte, rows
 * pitch bytes apart from the top-left pixel, which lies at (x, y) in the caller's frame. */
typedef struct csImage {
    int32_t width;
    int32_t height;
    int32_t x;
    int32_t y;
    intptr_t pitch;
    unsigned char* pixels;
} csImage;

/* ---- Edgels ----------------------------------------------------------------------------- */
typedef struct csEdge csEdge;
typedef struct csEdgeList csEdgeList;

/* A new list with room for capacity edgels (0 and more), set up as csEdgeListInit(list, 1, 0, 0)
 * leaves it. The room is allocated at once: when it cannot be had, CSEDGE_STATUS_LIST_FULL and
 * *list is null. A negative capacity is a precondition. */
CI_ID_API int32_t csEdgeListNew(int64_t capacity, csEdgeList** list);
/* Empties the list. append 1: each detection adds its edgels after those the list holds; 0: each
 * detection replaces them. xShift and yShift are added to the positions of the edgels the list
 * receives. */
CI_ID_API int32_t csEdgeListInit(csEdgeList* list, int32_t append, int32_t xShift, int32_t yShift);
CI_ID_API int64_t csEdgeListLen(const csEdgeList* list);
/* destination takes source's edgels, room and set-up; source keeps destination's former room and
 * set-up, emptied. Allocates nothing. */
CI_ID_API int32_t csEdgeListAssign(csEdgeList* destination, csEdgeList* source);
/* Releases *list (null is accepted) and sets it to null. */
CI_ID_API int32_t csEdgeListDelete(csEdgeList** list);

/* The edgels in the order a detection gave them: rows from the top, columns from the left, or,
 * when chains were made, chain after chain in their order along each chain. Null past the end. */
CI_ID_API const csEdge* csEdgeListFirst(const csEdgeList* list);
CI_ID_API const csEdge* csEdgeListNext(const csEdgeList* list, const csEdge* edge);
/* The edgel at index (0 .. length - 1), else null. */
CI_ID_API const csEdge* csEdgeListAt(const csEdgeList* list, int64_t index);

/* Column and row of the edgel's pixel, its 8-bit magnitude and its position. */
CI_ID_API int32_t csEdgePi(const csEdge* edge);
CI_ID_API int32_t csEdgePj(const csEdge* edge);
CI_ID_API uint8_t csEdgeMag(const csEdge* edge);
CI_ID_API double csEdgeX(const csEdge* edge);
CI_ID_API double csEdgeY(const csEdge* edge);

/* ---- Chains -------------------------------------------------------------------------------
 * A chain is a run of edgels of the edge list, each 8-connected to the next. Chains start at
 * ends of lines where there are some; a branch starts a new chain; a closed curve is one chain
 * whose last edgel touches its first. Every edgel of a detection lies on exactly one chain. */
typedef struct csEdgeChain csEdgeChain;
typedef struct csEdgeChainList csEdgeChainList;

/* As for edge lists; a chain list is always replaced by the next detection. */
CI_ID_API int32_t csEdgeChainListNew(int64_t capacity, csEdgeChainList** list);
CI_ID_API int64_t csEdgeChainListLen(const csEdgeChainList* list);
CI_ID_API int32_t csEdgeChainListDelete(csEdgeChainList** list);
CI_ID_API const csEdgeChain* csEdgeChainListFirst(const csEdgeChainList* list);
CI_ID_API const csEdgeChain* csEdgeChainListNext(const csEdgeChainList* list,
                                                 const csEdgeChain* chain);
/* Index of the chain's first edgel in the edge list, and its number of edgels. */
CI_ID_API int64_t csEdgeChainStart(const csEdgeChain* chain);
CI_ID_API int64_t csEdgeChainLength(const csEdgeChain* chain);

/* ---- Detection ------------------------------------------------------------------------------
 * source is the view; magnitude and angle, when not null, are images of exactly the view less
 * one pixel on every side (width - 2 by height - 2 at (x + 1, y + 1)), written whole (empty
 * when the view is narrower or lower than 3 pixels). edges, when not null, receives the edgels;
 * chains, when not null, the chains (and then edges must not be null). */
CI_ID_API int32_t csEdgeDetect(const csImage* source, const csEdgeParams* params,
                               const csImage* magnitude, const csImage* angle, csEdgeList* edges,
                               csEdgeChainList* chains);

CI_ID_EXTERN_C_END

#ifdef __cplusplus
/* An 8-bit image window seen as the legacy record. The record points into the image's pixels,
 * which must outlive it; pixels are written only through records given as outputs. */
class CI_ID_API cxImage95 {
public:
    cxImage95();

    /* The window of image: CIMG_STATUS_NOT_BOUND when unbound, CIMG_STATUS_INVALID_IMAGE when
     * its pixels are not 8-bit. */
    int32_t init(const cimg_imageConst* image);
    int32_t init(cimg_image* image);

    operator const csImage*() const { return &record_; }

private:
    csImage record_;
};
#endif

#endif
