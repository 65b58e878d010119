// Bilinear resampling of an affine rectangle into an image of its own.
#include <cmath>

#include "ci_id/platform/cip_affine.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_status.h"

namespace {

// The source window as a field of values at pixel centres, its border repeated outwards.
struct bilinearField {
    cimg_windowConst window;

    double at(double u, double v) const {
        u = std::fmin(std::fmax(u, 0.0), window.width - 1.0);
        v = std::fmin(std::fmax(v, 0.0), window.height - 1.0);
        const int32_t x0 = static_cast<int32_t>(u);
        const int32_t y0 = static_cast<int32_t>(v);
        const int32_t x1 = x0 + 1 < window.width ? x0 + 1 : x0;
        const int32_t y1 = y0 + 1 < window.height ? y0 + 1 : y0;
        const double fx = u - x0;
        const double fy = v - y0;
        const uint8_t* top = window.pixels + y0 * window.pitch;
        const uint8_t* bottom = window.pixels + y1 * window.pitch;
        const double upper = top[x0] + fx * (top[x1] - top[x0]);
        const double lower = bottom[x0] + fx * (bottom[x1] - bottom[x0]);
        return upper + fy * (lower - upper);
    }
};

bool resultSide(const cmath_vect& from, const cmath_vect& to, int32_t* pixels) {
    const double length = std::hypot(to.x - from.x, to.y - from.y);
    if (!std::isfinite(length) || length < 0.5 || length >= 2147483647.0) return false;
    *pixels = static_cast<int32_t>(std::floor(length + 0.5));
    return true;
}

bool finitePoint(const cmath_vect& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

extern "C" {

int32_t cip_affine8(const cimg_imageConst* source, const cmath_shapeAffineRect* rect,
                    cimg_image* destination) {
    CSTD_ASSERT(source && rect && destination);
    bilinearField field;
    int32_t status = cimg_windowConst_init(&field.window, source);
    if (status < 0) return status;
    if (field.window.depth != CIMG_DEPTH_8U) return CIMG_STATUS_INVALID_IMAGE;
    int32_t width = 0;
    int32_t height = 0;
    if (!resultSide(rect->po, rect->px, &width) || !resultSide(rect->po, rect->py, &height) ||
        int64_t{width} * height > INT32_MAX || field.window.width < 1 || field.window.height < 1) {
        return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    }
    cmath_vect corner[3];
    cmath_xformLinear_mapPoint(&source->imageFromClient, &rect->po, &corner[0]);
    cmath_xformLinear_mapPoint(&source->imageFromClient, &rect->px, &corner[1]);
    cmath_xformLinear_mapPoint(&source->imageFromClient, &rect->py, &corner[2]);
    if (!finitePoint(corner[0]) || !finitePoint(corner[1]) || !finitePoint(corner[2])) {
        return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    }
    // Steps of one result pixel along each side, in window-relative pixel-centre coordinates.
    const cmath_vect stepX{(corner[1].x - corner[0].x) / width,
                           (corner[1].y - corner[0].y) / width};
    const cmath_vect stepY{(corner[2].x - corner[0].x) / height,
                           (corner[2].y - corner[0].y) / height};
    const cmath_vect origin{corner[0].x - field.window.xOffset - 0.5,
                            corner[0].y - field.window.yOffset - 0.5};
    csys::cleanupScope<1> scope;
    cimg_image result;
    status = cimg_image_construct(&result, CIMG_DEPTH_8U, width, height);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_image_destruct>(&result);
    for (int32_t j = 0; j < height; ++j) {
        uint8_t* row = result.asConst.pixels + j * result.asConst.pitch;
        for (int32_t i = 0; i < width; ++i) {
            const double u = origin.x + (i + 0.5) * stepX.x + (j + 0.5) * stepY.x;
            const double v = origin.y + (i + 0.5) * stepX.y + (j + 0.5) * stepY.y;
            row[i] = static_cast<uint8_t>(std::floor(field.at(u, v) + 0.5));
        }
    }
    return scope.close(cimg_image_assign(destination, &result));
}
}
