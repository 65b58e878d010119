// Scenes for edge-scan tests and benchmarks: ideal grey-level scenes (straight step edges, bars)
// rendered by area sampling into 8-bit images whose window may sit inside a padded image.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "ci_id/platform/cimg.h"
#include "ci_id/scan.h"

namespace cid_test {

// Grey level of an ideal scene at a point in window coordinates, where pixel (x, y) covers
// [x, x + 1) x [y, y + 1).
using greyScene = std::function<double(double x, double y)>;

// A straight step edge x cos(normalAngle) + y sin(normalAngle) = offset whose grey level rises
// from dark to bright along the normal: sharp when blur is 0, else blurred by a Gaussian of
// standard deviation blur pixels (as a lens would).
greyScene stepEdgeScene(double normalAngle, double offset, double dark, double bright,
                        double blur = 0);

// Bars across the direction normalAngle with widths drawn from [minWidth, maxWidth] pixels and
// alternating dark (20 to 90) and bright (150 to 230) levels, from a seed.
greyScene barsScene(double normalAngle, double minWidth, double maxWidth, uint32_t seed);

// An 8-bit image whose window (width x height, at image coordinates (padding, padding)) holds a
// scene rendered with samples x samples area samples per pixel; the padding around it holds
// random grey levels, so that a scan reading outside its window gives different results. The
// pixels are in an exact-size heap block (pitch = image width), so a read beyond the image is
// caught by the address sanitizer.
class sceneImage {
public:
    sceneImage(int32_t width, int32_t height, int32_t padding, const greyScene& scene,
               int samples = 16, uint32_t paddingSeed = 7);
    ~sceneImage();
    sceneImage(const sceneImage&) = delete;
    sceneImage& operator=(const sceneImage&) = delete;

    const cimg_imageConst* image() const { return &image_.asConst; }
    // The window as the ROI constructors take it.
    cidc_windowRect window() const;
    // Grey level of window pixel (x, y).
    uint8_t at(int32_t x, int32_t y) const;
    // Adds uniform noise in [-amplitude, amplitude] to every window pixel, saturating.
    void addNoise(int amplitude, uint32_t seed);

private:
    int32_t width_;
    int32_t height_;
    int32_t padding_;
    int32_t fullWidth_;
    std::vector<uint8_t> pixels_;
    cimg_image image_;
};

}  // namespace cid_test
