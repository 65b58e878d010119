// Polar unwrapping by bilinear interpolation.
#include <cmath>

#include "ci_id/platform/cip_polar.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"

namespace {

// Largest angle span sampled, so that the column count stays far inside 32 bits.
constexpr double kLongestSpan = 64.0;
constexpr int32_t kLargestRadius = 1 << 20;

double pixelOrZero(const cimg_windowConst& in, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= in.width || y >= in.height) return 0.0;
    return in.pixels[intptr_t{y} * in.pitch + x];
}

uint8_t bilinear(const cimg_windowConst& in, double x, double y) {
    double fx = std::floor(x);
    double fy = std::floor(y);
    // Far outside the window every neighbour is 0 (and the casts below stay in range).
    if (fx < -1.0 || fy < -1.0 || fx > in.width || fy > in.height) return 0;
    int32_t x0 = static_cast<int32_t>(fx);
    int32_t y0 = static_cast<int32_t>(fy);
    double ax = x - fx;
    double ay = y - fy;
    double top = pixelOrZero(in, x0, y0) * (1 - ax) + pixelOrZero(in, x0 + 1, y0) * ax;
    double bottom = pixelOrZero(in, x0, y0 + 1) * (1 - ax) + pixelOrZero(in, x0 + 1, y0 + 1) * ax;
    return static_cast<uint8_t>(top * (1 - ay) + bottom * ay + 0.5);
}

}  // namespace

extern "C" {

int32_t cip_polarUnwrapImage8(const cimg_imageConst* source, double centreX, double centreY,
                              double startAngle, double endAngle, int32_t innerRadius,
                              int32_t outerRadius, cimg_image* destination) {
    CSTD_ASSERT(source && destination);
    cimg_windowConst in;
    int32_t status = cimg_windowConst_init(&in, source);
    if (status < 0) return status;
    if (in.depth != CIMG_DEPTH_8U) return CIMG_STATUS_INVALID_IMAGE;
    const double span = endAngle - startAngle;
    if (innerRadius < 0 || outerRadius <= innerRadius || outerRadius > kLargestRadius ||
        !(std::fabs(span) > 0.0 && std::fabs(span) <= kLongestSpan) || !std::isfinite(centreX) ||
        !std::isfinite(centreY)) {
        return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    }
    const int32_t columns = static_cast<int32_t>(std::ceil(std::fabs(span) * outerRadius));
    const int32_t rows = outerRadius - innerRadius;
    cimg_image result;
    status = cimg_image_construct(&result, CIMG_DEPTH_8U, columns, rows);
    if (status < 0) return status;
    cimg_window out;
    cimg_window_init(&out, &result);
    for (int32_t j = 0; j < columns; ++j) {
        double angle = startAngle + j * span / columns;
        double c = std::cos(angle);
        double s = std::sin(angle);
        for (int32_t k = 0; k < rows; ++k) {
            double radius = outerRadius - 1 - k;
            out.pixels[intptr_t{k} * out.pitch + j] =
                bilinear(in, centreX + radius * c, centreY + radius * s);
        }
    }
    status = cimg_image_assign(destination, &result);
    cimg_image_destruct(&result);
    return status;
}
}
