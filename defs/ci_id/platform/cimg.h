/* Image records and windows.
 *
 * Coordinates. An image covers the pixels [xOffset, xOffset + width) x [yOffset, yOffset + height)
 * of image pixel coordinates; pixel (x, y) covers the unit square [x, x + 1) x [y, y + 1). The
 * window is a rectangle of interest inside the image, also in image coordinates. Callers give
 * shapes in client coordinates; imageFromClient maps them to image coordinates and
 * clientFromImage back (the two are kept inverse to each other).
 *
 *      image coordinates                  window-relative coordinates
 *      (xOffset, yOffset) +----------------------------+
 *                         |  window.x, window.y        |
 *                         |      +------------+        |    pixel (i, j) of a window is at
 *                         |      | (0,0)      |        |    pixels + j * pitch + i * depth
 *                         |      +------------+        |
 *                         +----------------------------+
 *
 * Pixels live in a shared, reference-counted buffer: constructCopy and assign share it, and the
 * last record released frees it. Records may be unbound (no pixels); an unbound record still has
 * its client transforms. Pixel depth is the number of bytes per pixel: CIMG_DEPTH_8U (8-bit grey),
 * CIMG_DEPTH_32S (32-bit signed) or CIMG_DEPTH_64F (64-bit float).
 *
 * cimg_image is the writable record; &image.asConst gives its read-only view for functions that
 * take a cimg_imageConst. Operations on unbound records that need pixels or a window return
 * CIMG_STATUS_NOT_BOUND; windows that do not lie inside the image give CIMG_STATUS_OUTSIDE_IMAGE;
 * a bad depth or negative size gives CIMG_STATUS_INVALID_IMAGE, a pixel count that overflows
 * CSYS_STATUS_SIZE_OUT_OF_RANGE. A failing call leaves the record as it was. */
#ifndef CI_ID_CIMG_H
#define CI_ID_CIMG_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cmath_xform.h"
#include "ci_id/platform/cstd_rect32.h"
#include "ci_id/platform/csys_typecheck.h"

CI_ID_EXTERN_C_BEGIN

#define CIMG_DEPTH_8U 1
#define CIMG_DEPTH_32S 4
#define CIMG_DEPTH_64F 8

typedef struct cimg_pixelBuffer cimg_pixelBuffer;

typedef struct cimg_imageConst {
    cimg_pixelBuffer* buffer; /* null when unbound */
    unsigned char* pixels;    /* the pixel at (xOffset, yOffset) */
    intptr_t pitch;           /* bytes from one row to the next */
    int32_t depth;
    int32_t width;
    int32_t height;
    int32_t xOffset; /* image coordinates of the top-left pixel */
    int32_t yOffset;
    cstd_rect32 window;
    cmath_xformLinear imageFromClient;
    cmath_xformLinear clientFromImage;
} cimg_imageConst;

typedef struct cimg_image {
    cimg_imageConst asConst;
} cimg_image;

/* A window: its size, the image coordinates of its top-left pixel, the row pitch in bytes and
 * the address of its top-left pixel. */
typedef struct cimg_window {
    int32_t width;
    int32_t height;
    int32_t xOffset;
    int32_t yOffset;
    intptr_t pitch;
    int32_t depth;
    unsigned char* pixels;
} cimg_window;

typedef struct cimg_windowConst {
    int32_t width;
    int32_t height;
    int32_t xOffset;
    int32_t yOffset;
    intptr_t pitch;
    int32_t depth;
    const unsigned char* pixels;
} cimg_windowConst;

/* ---- Life ---- */
/* New zero-filled pixels at offset (0, 0), window over the whole image, identity transforms. */
CI_ID_API int32_t cimg_image_construct(cimg_image* image, int32_t depth, int32_t width,
                                       int32_t height);
CI_ID_API int32_t cimg_imageConst_construct(cimg_imageConst* image, int32_t depth, int32_t width,
                                            int32_t height);
/* The same covering rect: offset (rect.x, rect.y), window rect. */
CI_ID_API int32_t cimg_image_constructRect(cimg_image* image, int32_t depth,
                                           const cstd_rect32* rect);
CI_ID_API int32_t cimg_imageConst_constructRect(cimg_imageConst* image, int32_t depth,
                                                const cstd_rect32* rect);
/* A view of caller-owned pixels (never freed by the library; they must outlive every record
 * sharing them). pitch is at least width * depth. */
CI_ID_API int32_t cimg_image_constructWrap(cimg_image* image, int32_t depth, int32_t width,
                                           int32_t height, intptr_t pitch, void* pixels);
CI_ID_API int32_t cimg_imageConst_constructWrap(cimg_imageConst* image, int32_t depth,
                                                int32_t width, int32_t height, intptr_t pitch,
                                                const void* pixels);
CI_ID_API int32_t cimg_image_constructUnbound(cimg_image* image);
CI_ID_API int32_t cimg_imageConst_constructUnbound(cimg_imageConst* image);
/* A new record sharing source's pixels, with source's window and transforms. */
CI_ID_API int32_t cimg_image_constructCopy(cimg_image* image, const cimg_image* source);
CI_ID_API int32_t cimg_imageConst_constructCopy(cimg_imageConst* image,
                                                const cimg_imageConst* source);
/* destination takes over source's pixels (shared), window and transforms. */
CI_ID_API int32_t cimg_image_assign(cimg_image* destination, const cimg_image* source);
CI_ID_API int32_t cimg_imageConst_assign(cimg_imageConst* destination,
                                         const cimg_imageConst* source);
/* Re-binds to new zero-filled pixels as cimg_image_construct does. */
CI_ID_API int32_t cimg_image_assignNew(cimg_image* image, int32_t depth, int32_t width,
                                       int32_t height);
CI_ID_API int32_t cimg_image_setUnbound(cimg_image* image);
CI_ID_API int32_t cimg_imageConst_setUnbound(cimg_imageConst* image);
CI_ID_API int32_t cimg_image_destruct(cimg_image* image);
CI_ID_API int32_t cimg_imageConst_destruct(cimg_imageConst* image);

/* ---- Queries and windows ---- */
CI_ID_API int32_t cimg_image_getIsBound(const cimg_image* image, int32_t* isBound);
CI_ID_API int32_t cimg_imageConst_getIsBound(const cimg_imageConst* image, int32_t* isBound);
CI_ID_API int32_t cimg_image_getWindow(const cimg_image* image, cstd_rect32* window);
CI_ID_API int32_t cimg_imageConst_getWindow(const cimg_imageConst* image, cstd_rect32* window);
/* Sets the window to (x, y, width, height) in image coordinates. */
CI_ID_API int32_t cimg_image_window(cimg_image* image, int32_t x, int32_t y, int32_t width,
                                    int32_t height);
CI_ID_API int32_t cimg_imageConst_window(cimg_imageConst* image, int32_t x, int32_t y,
                                         int32_t width, int32_t height);
CI_ID_API int32_t cimg_image_setWindowRect(cimg_image* image, const cstd_rect32* window);
CI_ID_API int32_t cimg_imageConst_setWindowRect(cimg_imageConst* image, const cstd_rect32* window);
/* Restricts the window to rect given relative to the current window's top-left pixel; rect
 * must lie inside the current window. */
CI_ID_API int32_t cimg_image_subWindow(cimg_image* image, const cstd_rect32* rect);
CI_ID_API int32_t cimg_imageConst_subWindow(cimg_imageConst* image, const cstd_rect32* rect);
/* The window becomes the whole image. */
CI_ID_API int32_t cimg_image_setEntire(cimg_image* image);
CI_ID_API int32_t cimg_imageConst_setEntire(cimg_imageConst* image);
/* The window's pixels, size and position; CIMG_STATUS_OUTSIDE_IMAGE when the record's window no
 * longer lies within its image (fields edited by hand). */
CI_ID_API int32_t cimg_window_init(cimg_window* window, cimg_image* image);
CI_ID_API int32_t cimg_windowConst_init(cimg_windowConst* window, const cimg_imageConst* image);
/* Byte offset of image pixel (x, y) from the image's top-left pixel; CIMG_STATUS_OUTSIDE_IMAGE
 * when (x, y) is not in the image. */
CI_ID_API int32_t cimg_image_pointToOffset_internal(const cimg_imageConst* image, int32_t x,
                                                    int32_t y, intptr_t* offset);

/* ---- Client transforms ---- */
CI_ID_API int32_t cimg_image_getLinearImageFromClientXform(const cimg_image* image,
                                                           cmath_xformLinear* xform);
CI_ID_API int32_t cimg_imageConst_getLinearImageFromClientXform(const cimg_imageConst* image,
                                                                cmath_xformLinear* xform);
CI_ID_API int32_t cimg_image_getLinearClientFromImageXform(const cimg_image* image,
                                                           cmath_xformLinear* xform);
CI_ID_API int32_t cimg_imageConst_getLinearClientFromImageXform(const cimg_imageConst* image,
                                                                cmath_xformLinear* xform);
/* The setters keep both directions: a transform without inverse gives CMATH_STATUS_SINGULAR. */
CI_ID_API int32_t cimg_image_setLinearImageFromClientXform(cimg_image* image,
                                                           const cmath_xformLinear* xform);
CI_ID_API int32_t cimg_imageConst_setLinearImageFromClientXform(cimg_imageConst* image,
                                                                const cmath_xformLinear* xform);
CI_ID_API int32_t cimg_image_setLinearClientFromImageXform(cimg_image* image,
                                                           const cmath_xformLinear* xform);
CI_ID_API int32_t cimg_imageConst_setLinearClientFromImageXform(cimg_imageConst* image,
                                                                const cmath_xformLinear* xform);
/* destination takes source's client transforms. */
CI_ID_API int32_t cimg_image_copyXforms(cimg_image* destination, const cimg_imageConst* source);

/* ---- Image coordinates ---- */
/* Moves the image's coordinate frame so that its top-left pixel is at (x, y); the window moves
 * with the pixels and keeps covering the same ones. Client transforms are left as they are. On
 * an unbound record only the offsets change. CSYS_STATUS_SIZE_OUT_OF_RANGE, record unchanged,
 * when the image or its window would leave 32-bit coordinates. */
CI_ID_API int32_t cimg_image_setImageOffset(cimg_image* image, int32_t x, int32_t y);
CI_ID_API int32_t cimg_imageConst_setImageOffset(cimg_imageConst* image, int32_t x, int32_t y);

CI_ID_EXTERN_C_END

CSYS_TYPECHECK_DECLARE(cimg_image)
CSYS_TYPECHECK_DECLARE(cimg_imageConst)

#endif
