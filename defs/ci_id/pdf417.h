/* PDF417 location by boundary tracking.
 *
 * A PDF417 symbol is bounded by its start pattern (bar and space widths 8 1 1 1 1 1 1 3 modules)
 * and its stop pattern (7 1 1 3 1 1 1 2 1). The finders look along a scan line for the narrow
 * elements of one of them, make a seed on the pattern's first matched edge and track the blob at
 * that edge: the start pattern's wide bar, or the whole symbol where its elements run together.
 * The tracked contour becomes a quadrilateral (see cf_BndFindPDPSymbolFromSeed). Work buffer,
 * marker image, masks, seeds and the size limit are those of dmfinder.h and tracking.h; a search
 * that finds nothing is a success with result->found 0. Every tracker call adds one to
 * result->trackCalls, which the caller sets before a search.
 *
 * Edge lists (cf_BndFindMatchingPDP): signed 16-bit entries in scan order. The magnitude of an
 * entry is the index of a sample of the scan line's grey profile (profile[k], taken at the image
 * point edgePositions[k]): the last sample before the edge. The sign is the edge's polarity:
 * positive where the profile rises (dark before the edge, light after it). A seed made on an edge
 * sits on that last sample and tracks the side it lies on: the dark side of a rising edge
 * (polarity 1), the light side of a falling one (polarity 0). Element widths are differences of
 * magnitudes, in samples.
 *
 * Bad input gives a status and reads nothing outside the arrays: CID_STATUS_OUT_OF_RANGE for a
 * negative count, a profile longer than 32,767 samples, more edges than samples, or an entry of
 * magnitude 0 or at least profileLength; CID_STATUS_INVALID_VALUE for entries that do not
 * alternate in sign or do not increase in magnitude; CID_STATUS_OUTSIDE_WINDOW for an edge whose
 * image point is not finite or lies outside the image's window, and (cf_BndFindNextPDP) for a
 * walked row outside the window or an edge column outside it. Null pointers are preconditions
 * (edge arrays may be null when their count is 0).
 *
 * Mended: the quadrilateral test signs a corner's angle by its turn alone, so that a corner
 * turning a little more than a right angle is not taken for one turning the other way; edges and
 * scan lines are checked before use (see above); a found rectangle is stored with the same
 * handedness as the Data Matrix finder's. */
#ifndef CI_ID_PDF417_H
#define CI_ID_PDF417_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/mask.h"
#include "ci_id/platform/cbt.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/tracking.h"

CI_ID_EXTERN_C_BEGIN

/* Tracks the seed's blob and fits a quadrilateral to it.
 *
 * The contour must have at least 8/3 minSymbolSize points and fit the size limits with neither
 * extent more than three times the other. It is smoothed and cut into straight runs; three to
 * eight runs are needed. Four runs meeting at corners that turn between about 61 and 119 degrees
 * give the quadrilateral of their lines: rect.po, rect.px and rect.py are three of its corners,
 * farCorner the fourth (farCornerFromShape 0), cornerScore 700. Otherwise, with patternMode
 * non-zero, the pattern path fits a parallelogram to the contour's convex hull: its sides run
 * along the longest hull side (the reference), the first long hull side nearly parallel to it
 * (the parallel side, within about 10 degrees) and the first one across it (the cross side, more
 * than about 70 degrees off): rect.po is where the reference side meets the cross side, rect.px
 * the reference side's far end (on its line), rect.py where the parallel side meets the cross
 * side, farCorner completing the parallelogram (farCornerFromShape 1). A hull side is a chain of
 * hull edges that keeps within the parallel tolerance of its first edge. Stored rectangles have
 * cross(px - po, py - po) <= 0. The seventh argument is not read. */
CI_ID_API int32_t cf_BndFindPDPSymbolFromSeed(const cimg_imageConst* image,
                                              const cid2d_trackingParams* params,
                                              const cid2d_trackingSeed* seed,
                                              const cbt_runParams* runParams, cimg_image* marker,
                                              int32_t patternMode, const cid_mask* mask,
                                              int32_t ignored,
                                              const cmath_xformLinear* maskArgument,
                                              cid2d_trackingResult* result);

/* Looks along one scan line for a start pattern (stopPattern 0: five nearly equal narrow
 * elements) or a stop pattern (non-zero: narrow, three times as wide, narrow) and tracks the blob
 * of each match's first edge until a symbol is found. edgePositions and profile hold
 * profileLength entries. The seed's threshold comes from the grey levels of the matched elements,
 * moved towards the tracked side; its start points are the edges before and two after the first
 * one. The fourth argument is not read. */
CI_ID_API int32_t cf_BndFindMatchingPDP(const cimg_imageConst* image,
                                        const cid2d_trackingParams* params, const cid_mask* mask,
                                        int32_t ignored, const cmath_xformLinear* maskArgument,
                                        cimg_image* marker, int32_t patternMode,
                                        const int16_t* edges, int32_t edgeCount,
                                        int32_t profileLength, int32_t stopPattern,
                                        const cmath_vect* edgePositions, const uint8_t* profile,
                                        cid2d_trackingResult* result);

/* Walks the row params->scanLines[params->firstScanLine] (image coordinates; firstScanLine must
 * index the list) for a start pattern's narrow elements. Here an entry's magnitude is an image
 * column (the last pixel before the edge) and its sign the polarity as above; edgesA and edgesB
 * are the edges of two neighbouring rows, which must show the pattern's edges too (within 8
 * columns). A vertical profile through the pattern must then show the symbol's top and bottom:
 * a step of each polarity above the row, and again below it. The seed is the first edge's pixel,
 * tracked at the pattern's grey level from one pixel before it to two after it, as a horizontal
 * seed of tracking.h. The fourth
 * argument is not read. */
CI_ID_API int32_t cf_BndFindNextPDP(const cimg_imageConst* image,
                                    const cid2d_trackingParams* params, const cid_mask* mask,
                                    int32_t ignored, const cmath_xformLinear* maskArgument,
                                    cimg_image* marker, int32_t patternMode, const int16_t* edges,
                                    const int16_t* edgesA, const int16_t* edgesB,
                                    int32_t edgeCount, int32_t edgeCountA, int32_t edgeCountB,
                                    cid2d_trackingResult* result);

CI_ID_EXTERN_C_END

#endif
