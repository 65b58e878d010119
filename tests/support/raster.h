// The rasteriser behind the scenes: flat art painted through a homography with supersampling,
// then illumination, optical blur, sensor noise and 8-bit quantisation.
//
// Grey values live in a canvas of doubles until the end, so that painting, blur and noise do not
// round on the way.
#pragma once

#include <cstdint>
#include <vector>

#include "grey_image.h"
#include "homography.h"

namespace cid_test {

// Grey levels of a printed thing. lightOnDark swaps them: dark modules, bars and strokes are
// printed light on a dark ground.
struct ink {
    double dark = 30;
    double light = 220;
    bool lightOnDark = false;

    double ofDark() const { return lightOnDark ? light : dark; }
    double ofLight() const { return lightOnDark ? dark : light; }
};

// Something flat painted into a scene. Its body is the plane rectangle [0, width) x [0, height)
// (in its own units: modules, bar widths, glyph units), and it may also paint a margin round the
// body (a quiet zone); outside the margin it never paints.
class planeArt {
public:
    virtual ~planeArt() = default;
    virtual double width() const = 0;
    virtual double height() const = 0;
    virtual double margin() const { return 0; }
    // The grey at a plane point of the body or margin, or false where the art leaves whatever
    // lies beneath.
    virtual bool shade(double u, double v, double* grey) const = 0;
};

struct canvas {
    canvas(int32_t width, int32_t height, double fill)
        : width(width), height(height), grey(static_cast<size_t>(width) * height, fill) {}

    double& at(int32_t x, int32_t y) { return grey[static_cast<size_t>(y) * width + x]; }
    double at(int32_t x, int32_t y) const { return grey[static_cast<size_t>(y) * width + x]; }

    int32_t width;
    int32_t height;
    std::vector<double> grey;
};

// Throws std::invalid_argument when the art's margin reaches behind the viewer (the perspective
// too strong for its size), where the mapped shape would wrap through infinity.
void requireInFront(const planeArt& art, const homography& planeToImage);
// Each pixel is split into supersampling x supersampling sub-pixels, each either covered by the
// art at its centre or not; the pixel becomes the mean of the art's greys over the covered ones
// and of its old value over the others. planeToImage maps the body to the image; the art must
// be in front (requireInFront).
void paintArt(canvas& target, const planeArt& art, const homography& planeToImage,
              int32_t supersampling);
// Multiplies by the gain 1 + slopeX (x - cx) + slopeY (y - cy), taken at pixel centres, with
// (cx, cy) the image centre; negative gains give black.
void applyIllumination(canvas& target, double slopeX, double slopeY);
// Separable Gaussian of the given sigma in pixels; the image edge is extended by its own pixels.
void gaussianBlur(canvas& target, double sigma);
// Adds independent Gaussian noise of the given sigma in grey levels to every pixel.
void addNoise(canvas& target, double sigma, uint32_t seed);
// Rounds to the nearest level and clamps to 0 .. 255.
greyImage quantise(const canvas& source);

}  // namespace cid_test
