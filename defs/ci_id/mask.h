/* Masks: the regions of symbols already found, so that a search can skip points and candidate
 * regions that fall on them.
 *
 * A mask keeps its regions in a list, in the frame the caller gives them in (the client
 * coordinates of the source image). Built on a bound source image it is also bound: it then
 * paints each region into an 8-bit mask image and answers point tests by reading one pixel.
 *
 * The mask image covers the whole source image, not only its window: it has the source's size,
 * image offset, window and image-from-client transform, so that its image coordinates are the
 * source's. `window` views the whole mask image (from the image offset), whatever the window of
 * `image` is. A region is painted as its affine rectangle (cid_region_getAffineRect of the region
 * mapped into image coordinates) with both side lengths grown by the growth given with it (half of
 * it at each end; a side never shrinks below nothing), every pixel whose centre lies in that
 * rectangle taking regionValue; all other pixels hold backgroundValue. The growth is in the units
 * of the regions' frame and is converted into pixels by the client transform's scale. Removing or
 * replacing a region repaints the regions that remain, so the painted pixels are always the union
 * of the recorded regions' rectangles, also where regions overlap. Built without a source image,
 * or on an unbound one, the mask is unbound and answers from the region list alone.
 *
 * Set backgroundValue and regionValue, if at all, before the first region is appended.
 * paintedRects is the mask's own record of what it painted (one cmath_shapeAffineRect per region
 * of a bound mask, in image coordinates); callers leave it alone.
 *
 * Statuses of the image, drawing, vector and mathematics functions are passed on;
 * CSYS_STATUS_SIZE_OUT_OF_RANGE for an index that names no region; CID_STATUS_INVALID_GEOMETRY
 * for a region to append or update with a corner coordinate beyond +-1e150, whose side products
 * overflow a double (its area would be infinite or NaN: it would paint nothing in a bound mask
 * while an unbound mask found points in it). A failing call leaves the
 * mask as it was: when a paint fails after the list has changed, the list change is undone, so
 * that the list and the painted pixels never disagree (letting the list keep a region the image
 * does not show would make bound and unbound masks answer differently for the same point).
 * Null pointers are preconditions, except the mask itself where stated. */
#ifndef CI_ID_MASK_H
#define CI_ID_MASK_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csys_typecheck.h"
#include "ci_id/region.h"

typedef struct cid_mask {
    cimg_image image;               /* 8-bit mask image; unbound for an unbound mask */
    cstd_vector_cid_region regions; /* in the order appended */
    int32_t testCentres;            /* region test compares centres (default 1) */
    int32_t testRects;              /* region test compares affine rectangles (default 1) */
    int32_t isBound;
    uint8_t backgroundValue; /* 255 */
    uint8_t regionValue;     /* 0 */
    cimg_window window;      /* the whole mask image */
    cstd_vector_ paintedRects;
} cid_mask;

CI_ID_EXTERN_C_BEGIN

/* source may be null (an unbound mask). On failure nothing is left to destruct. */
CI_ID_API int32_t cid_mask_construct(cid_mask* m, const cimg_imageConst* source);
/* Releases the image and the lists; isBound becomes 0. */
CI_ID_API int32_t cid_mask_destruct(cid_mask* m);
/* Records r and, in a bound mask, paints it with its sides grown by growth. A null m does
 * nothing and returns 0. */
CI_ID_API int32_t cid_mask_appendRegion(cid_mask* m, const cid_region* r, double growth);
/* Forgets the region at index (-1: the last one) and clears its pixels where no other region
 * covers them. growth is not read: clearing the rectangle grown by a growth given now would
 * clear too little, or pixels of other regions, whenever it differs from the growth the region
 * was painted with, or the regions overlap; the mask remembers the rectangle it painted, clears
 * exactly that and paints again the remaining regions it touched, so the image stays the union of
 * the recorded regions whatever growth is passed here. */
CI_ID_API int32_t cid_mask_removeRegion(cid_mask* m, int32_t index, double growth);
/* Replaces the region at index (-1: the last one) by r, painted grown by growth. */
CI_ID_API int32_t cid_mask_updateRegion(cid_mask* m, int32_t index, const cid_region* r,
                                        double growth);
/* *result = 1 when r, mapped with xform (null: as given) into the frame of the recorded regions,
 * is covered by a recorded region: with testCentres, its centre lies in one; with testRects, its
 * affine rectangle has the same four corners as one's, each coordinate within tolerance (carried
 * into that frame by xform), whichever corner either numbering starts from and whichever way it
 * runs round. At least one test must be on. A null m gives 0. */
CI_ID_API int32_t cid_mask_isRegionUnMasked(const cid_mask* m, const cid_region* r,
                                            const cmath_xformLinear* xform, double tolerance,
                                            int32_t* result);
/* *result = 1 when p, mapped with xform (null: as given), is covered: a bound mask reads the
 * pixel under it (0 outside the mask image), an unbound one tests the regions with
 * cid_region_within. A null m, or a point that is not finite, gives 0. */
CI_ID_API int32_t cid_mask_isPointUnMasked(const cid_mask* m, const cmath_vect* p,
                                           const cmath_xformLinear* xform, int32_t* result);

CI_ID_EXTERN_C_END

CSYS_TYPECHECK_DECLARE(cid_mask)

#endif
