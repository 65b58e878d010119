// Masks: the list of recorded regions and, for a bound mask, the image they are painted into.
#include <cmath>
#include <initializer_list>

#include "ci_id/mask.h"
#include "ci_id/platform/cdraw.h"
#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/priv/ci_idut/containers/cstd_vector_generic.h"
#include "ci_id/status.h"

CSYS_TYPECHECK_DEFINE(cid_mask)

namespace {

constexpr uint8_t kBackgroundValue = 255;
constexpr uint8_t kRegionValue = 0;

// An alias of the mask image over all of its pixels, with client coordinates equal to image
// coordinates: what the rasteriser and the window of a whole mask need.
int32_t constructWholeAlias(cimg_image* alias, const cimg_image& image) {
    int32_t status = cimg_image_constructCopy(alias, &image);
    if (status < 0) return status;
    cmath_xformLinear identity;
    cmath_xformLinear_initIdentity(&identity);
    status = cimg_image_setEntire(alias);
    if (status >= 0) status = cimg_image_setLinearImageFromClientXform(alias, &identity);
    if (status < 0) cimg_image_destruct(alias);
    return status;
}

int32_t paint(const cid_mask& m, const cmath_shapeAffineRect& rect, uint8_t from, uint8_t to) {
    csys::cleanupScope<1> scope;
    cimg_image alias;
    int32_t status = constructWholeAlias(&alias, m.image);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_image_destruct>(&alias);
    return scope.close(cdraw_rasterize_rotatedRectangle_forID(&alias, &rect, from, to));
}

// The rectangle a region is painted as, in mask image coordinates.
int32_t paintedRectOf(const cid_mask& m, const cid_region& r, double growth,
                      cmath_shapeAffineRect* out) {
    cmath_xformLinear toImage;
    int32_t status = cimg_image_getLinearImageFromClientXform(&m.image, &toImage);
    cid_region mapped;
    if (status >= 0) status = cid_region_initMap(&mapped, &toImage, &r);
    cmath_shapeAffineRect rect;
    if (status >= 0) status = cid_region_getAffineRect(&mapped, &rect);
    cmath_shapeAffineRectCenter center;
    if (status >= 0) status = cmath_shapeAffineRect_getCenter(&rect, &center);
    double det = 0.0;
    if (status >= 0) status = cmath_matrix_getDeterminant(&toImage.matrix, &det);
    if (status < 0) return status;
    double pixels = growth * std::sqrt(std::fabs(det));
    center.xLength = std::fmax(0.0, center.xLength + pixels);
    center.yLength = std::fmax(0.0, center.yLength + pixels);
    return cmath_shapeAffineRect_initCenter(out, &center);
}

// Corners beyond this magnitude make the products of the region's sides overflow a double: its
// area is then infinite or NaN, the painted rectangle would be empty while the region list
// still contains points, and a bound and an unbound mask would answer differently.
constexpr double kLargestCorner = 1e150;

int32_t checkRecordable(const cid_region& r) {
    for (const cmath_vect& c : {r.Po, r.Px, r.Py, r.Popp}) {
        if (std::fabs(c.x) > kLargestCorner || std::fabs(c.y) > kLargestCorner) {
            return CID_STATUS_INVALID_GEOMETRY;
        }
    }
    return 0;
}

cmath_shapeAffineRect* paintedRects(cid_mask& m) {
    return static_cast<cmath_shapeAffineRect*>(static_cast<void*>(m.paintedRects.begin));
}

// Axis-aligned bounds in doubles; NaN makes every comparison with them false.
struct bounds {
    double minX, minY, maxX, maxY;
    explicit bounds(const cmath_shapeAffineRect& r) {
        double oppX = r.px.x + r.py.x - r.po.x, oppY = r.px.y + r.py.y - r.po.y;
        minX = std::fmin(std::fmin(r.po.x, r.px.x), std::fmin(r.py.x, oppX));
        maxX = std::fmax(std::fmax(r.po.x, r.px.x), std::fmax(r.py.x, oppX));
        minY = std::fmin(std::fmin(r.po.y, r.px.y), std::fmin(r.py.y, oppY));
        maxY = std::fmax(std::fmax(r.po.y, r.px.y), std::fmax(r.py.y, oppY));
    }
    bool meets(const bounds& o) const {
        return minX <= o.maxX && o.minX <= maxX && minY <= o.maxY && o.minY <= maxY;
    }
};

// Clears the rectangle of the region at position and paints again the other recorded ones it
// touched, so that pixels shared with them stay covered. A paint fails, if at all, before it
// changes a pixel, and then the first one does, so that a failure leaves the image as it was.
int32_t unpaint(cid_mask& m, size_t position) {
    const cmath_shapeAffineRect* rects = paintedRects(m);
    int32_t status = paint(m, rects[position], m.regionValue, m.backgroundValue);
    bounds cleared(rects[position]);
    for (size_t i = 0; status >= 0 && i < m.paintedRects.size; ++i) {
        if (i != position && bounds(rects[i]).meets(cleared)) {
            status = paint(m, rects[i], m.backgroundValue, m.regionValue);
        }
    }
    return status;
}

// The index an operation acts on: index itself, or the last region for -1.
int32_t resolveIndex(const cid_mask& m, int32_t index, size_t* position) {
    size_t size = m.regions.base.size;
    if (index == -1 && size > 0) {
        *position = size - 1;
        return 0;
    }
    if (index < 0 || static_cast<size_t>(index) >= size) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    *position = static_cast<size_t>(index);
    return 0;
}

cid_region* regionAt(cid_mask& m, size_t position) {
    return static_cast<cid_region*>(static_cast<void*>(m.regions.base.begin)) + position;
}

int32_t constructBoundImage(cid_mask* out, const cimg_imageConst& source) {
    const cstd_rect32 whole{source.xOffset, source.yOffset, source.width, source.height};
    int32_t status = cimg_image_constructRect(&out->image, CIMG_DEPTH_8U, &whole);
    if (status < 0) return status;
    csys::cleanupScope<2> scope;
    scope.output<cimg_image_destruct>(&out->image);
    cimg_image alias;
    status = constructWholeAlias(&alias, out->image);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_image_destruct>(&alias);
    cmath_xformLinear imageFromClient;
    status = cimg_window_init(&out->window, &alias);
    if (status >= 0) status = cip_pelSet8(&alias, out->backgroundValue);
    if (status >= 0) status = cimg_image_setWindowRect(&out->image, &source.window);
    if (status >= 0) {
        status = cimg_imageConst_getLinearImageFromClientXform(&source, &imageFromClient);
    }
    if (status >= 0)
        status = cimg_image_setLinearImageFromClientXform(&out->image, &imageFromClient);
    return scope.close(status);
}

int32_t destructRects(cstd_vector_* rects) { return cstd_vector__destruct(rects); }

}  // namespace

extern "C" {

int32_t cid_mask_construct(cid_mask* m, const cimg_imageConst* source) {
    CSTD_ASSERT(m);
    csys::cleanupScope<3> scope;
    cid_mask out{};
    out.testCentres = 1;
    out.testRects = 1;
    out.backgroundValue = kBackgroundValue;
    out.regionValue = kRegionValue;
    int32_t status = cstd_vector_cid_region_constructEmpty(&out.regions);
    if (status < 0) return scope.close(status);
    scope.output<cstd_vector_cid_region_destruct>(&out.regions);
    status = cstd_vector__constructWithVtable(&out.paintedRects, 0, sizeof(cmath_shapeAffineRect),
                                              nullptr);
    if (status < 0) return scope.close(status);
    scope.output<destructRects>(&out.paintedRects);
    int32_t sourceIsBound = 0;
    if (source) status = cimg_imageConst_getIsBound(source, &sourceIsBound);
    if (status < 0) return scope.close(status);
    if (sourceIsBound) {
        status = constructBoundImage(&out, *source);
    } else {
        status = cimg_image_constructUnbound(&out.image);
    }
    if (status < 0) return scope.close(status);
    out.isBound = sourceIsBound;
    *m = out;
    return scope.close(status);
}

int32_t cid_mask_destruct(cid_mask* m) {
    CSTD_ASSERT(m);
    int32_t status = cstd_vector_cid_region_destruct(&m->regions);
    int32_t next = cstd_vector__destruct(&m->paintedRects);
    if (status >= 0) status = next;
    next = cimg_image_destruct(&m->image);
    if (status >= 0) status = next;
    m->isBound = 0;
    return status;
}

int32_t cid_mask_appendRegion(cid_mask* m, const cid_region* r, double growth) {
    if (!m) return 0;
    CSTD_ASSERT(r);
    cmath_shapeAffineRect painted;
    int32_t status = checkRecordable(*r);
    if (status >= 0 && m->isBound) status = paintedRectOf(*m, *r, growth, &painted);
    if (status >= 0) status = cstd_vector_cid_region_pushBack(&m->regions, r);
    if (status < 0 || !m->isBound) return status;
    status = cstd_vector__pushBack(&m->paintedRects, &painted);
    if (status < 0) {
        cstd_vector_cid_region_popBack(&m->regions);
        return status;
    }
    status = paint(*m, painted, m->backgroundValue, m->regionValue);
    if (status < 0) {
        cstd_vector__popBack(&m->paintedRects);
        cstd_vector_cid_region_popBack(&m->regions);
    }
    return status;
}

int32_t cid_mask_removeRegion(cid_mask* m, int32_t index, double growth) {
    CSTD_ASSERT(m);
    (void)growth;
    size_t position = 0;
    int32_t status = resolveIndex(*m, index, &position);
    if (status >= 0 && m->isBound) {
        // Drawn as if the region were gone already: it is skipped when the others are repainted.
        status = unpaint(*m, position);
        if (status >= 0) {
            status = cstd_vector__eraseElement(&m->paintedRects, paintedRects(*m) + position);
        }
    }
    if (status < 0) return status;
    return cstd_vector_cid_region_eraseElement(&m->regions, regionAt(*m, position));
}

int32_t cid_mask_updateRegion(cid_mask* m, int32_t index, const cid_region* r, double growth) {
    CSTD_ASSERT(m && r);
    size_t position = 0;
    int32_t status = resolveIndex(*m, index, &position);
    if (status >= 0) status = checkRecordable(*r);
    if (status >= 0 && m->isBound) {
        cmath_shapeAffineRect painted;
        status = paintedRectOf(*m, *r, growth, &painted);
        if (status >= 0) status = unpaint(*m, position);
        if (status >= 0) {
            paintedRects(*m)[position] = painted;
            status = paint(*m, painted, m->backgroundValue, m->regionValue);
        }
    }
    if (status < 0) return status;
    *regionAt(*m, position) = *r;
    return status;
}
}
