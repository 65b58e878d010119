// Painting a scene: flat art by supersampling through its homography, profiles by exact area
// coverage, then light, blur, noise and rounding.
#include "scene.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "scene_random.h"

namespace cid_test {

struct canvas {
    int32_t width;
    int32_t height;
    std::vector<double> grey;

    double& at(int32_t x, int32_t y) { return grey[static_cast<size_t>(y) * width + x]; }
    double at(int32_t x, int32_t y) const { return grey[static_cast<size_t>(y) * width + x]; }
};

namespace {

quad extentOf(const planeArt& art) {
    const double m = art.margin;
    return {{{-m, -m}, {art.width + m, -m}, {art.width + m, art.height + m}, {-m, art.height + m}}};
}

void requireInFront(const planeArt& art, const homography& planeToImage) {
    // The divisor is affine in the plane, so positive at the four corners of the extent means
    // positive all over it.
    for (const cmath_vect& corner : extentOf(art)) {
        if (!(planeToImage.divisor(corner) > 0)) {
            throw std::invalid_argument("art reaches behind the viewer");
        }
    }
}

// Each sub-pixel is either covered by the art at its centre or not; the pixel becomes the mean
// of the art's greys over the covered ones and of its old value over the others. Only the
// pixels that the art's extent may touch are visited.
void paintArt(canvas& target, const planeArt& art, const homography& planeToImage,
              int32_t supersampling) {
    if (supersampling < 1) throw std::invalid_argument("supersampling below 1");
    auto clip = [](double value, int32_t limit) {
        return static_cast<int32_t>(std::clamp(value, 0.0, static_cast<double>(limit)));
    };
    int32_t left = target.width, top = target.height, right = 0, bottom = 0;
    for (const cmath_vect& corner : extentOf(art)) {
        const cmath_vect p = planeToImage.planeToImage(corner);
        left = std::min(left, clip(std::floor(p.x), target.width));
        top = std::min(top, clip(std::floor(p.y), target.height));
        right = std::max(right, clip(std::ceil(p.x) + 1, target.width));
        bottom = std::max(bottom, clip(std::ceil(p.y) + 1, target.height));
    }
    const double m = art.margin, highU = art.width + m, highV = art.height + m;
    const double step = 1.0 / supersampling;
    const double samples = static_cast<double>(supersampling) * supersampling;
    for (int32_t y = top; y < bottom; ++y) {
        for (int32_t x = left; x < right; ++x) {
            double sum = 0;
            int32_t covered = 0;
            for (int32_t j = 0; j < supersampling; ++j) {
                for (int32_t i = 0; i < supersampling; ++i) {
                    const cmath_vect p =
                        planeToImage.imageToPlane({x + (i + 0.5) * step, y + (j + 0.5) * step});
                    double grey = 0;
                    if (p.x >= -m && p.x < highU && p.y >= -m && p.y < highV &&
                        art.shade(p.x, p.y, &grey)) {
                        sum += grey;
                        ++covered;
                    }
                }
            }
            if (covered > 0) {
                double& pixel = target.at(x, y);
                pixel = pixel * ((samples - covered) / samples) + sum / samples;
            }
        }
    }
}

// The share of a pixel where t < end, given low, the least t over the pixel. Over the pixel t
// is the sum of two uniform variables whose ranges are the pixel's extents along the profile's
// normal, wide >= narrow: a trapezoid's distribution.
double shareBelow(double end, double low, double wide, double narrow) {
    const double s = end - low;
    if (s <= 0) return 0;
    if (s >= wide + narrow) return 1;
    if (s < narrow) return s * s / (2 * wide * narrow);
    if (s <= wide) return (s - narrow / 2) / wide;
    const double rest = wide + narrow - s;
    return 1 - rest * rest / (2 * wide * narrow);
}

void paintProfile(canvas& target, const profile& across) {
    if (across.greys.size() != across.ends.size() + 1) {
        throw std::invalid_argument("a profile needs one grey more than ends");
    }
    const double c = std::cos(across.normal), s = std::sin(across.normal);
    const double wide = std::max(std::fabs(c), std::fabs(s));
    const double narrow = std::min(std::fabs(c), std::fabs(s));
    const std::vector<double>& ends = across.ends;
    for (int32_t y = 0; y < target.height; ++y) {
        for (int32_t x = 0; x < target.width; ++x) {
            const double low = x * c + y * s - across.offset + std::min(c, 0.0) + std::min(s, 0.0);
            size_t k = std::upper_bound(ends.begin(), ends.end(), low) - ends.begin();
            double grey = 0, below = 0;
            for (; below < 1; ++k) {
                const double share = k < ends.size() ? shareBelow(ends[k], low, wide, narrow) : 1;
                grey += across.greys[k] * (share - below);
                below = share;
            }
            target.at(x, y) = grey;
        }
    }
}

// Multiplies by the gain 1 + slopeX (x - cx) + slopeY (y - cy), taken at pixel centres, with
// (cx, cy) the image centre; negative gains give black.
void applyIllumination(canvas& target, double slopeX, double slopeY) {
    const double cx = target.width / 2.0;
    const double cy = target.height / 2.0;
    for (int32_t y = 0; y < target.height; ++y) {
        for (int32_t x = 0; x < target.width; ++x) {
            const double gain = 1 + slopeX * (x + 0.5 - cx) + slopeY * (y + 0.5 - cy);
            target.at(x, y) *= std::max(gain, 0.0);
        }
    }
}

// Convolves the rows (or the columns) with the kernel; the image edge is extended by its own
// pixels.
void convolve(canvas& target, const std::vector<double>& kernel, bool rows) {
    const canvas source = target;
    const int32_t radius = static_cast<int32_t>(kernel.size() / 2);
    const int32_t last = (rows ? target.width : target.height) - 1;
    for (int32_t y = 0; y < target.height; ++y) {
        for (int32_t x = 0; x < target.width; ++x) {
            double sum = 0;
            for (int32_t k = -radius; k <= radius; ++k) {
                const int32_t at = std::clamp((rows ? x : y) + k, 0, last);
                sum += kernel[k + radius] * (rows ? source.at(at, y) : source.at(x, at));
            }
            target.at(x, y) = sum;
        }
    }
}

// Separable, out to four sigma.
void gaussianBlur(canvas& target, double sigma) {
    if (!(sigma > 0)) return;
    const int32_t radius = static_cast<int32_t>(std::ceil(4 * sigma));
    std::vector<double> kernel(2 * static_cast<size_t>(radius) + 1);
    double sum = 0;
    for (int32_t k = -radius; k <= radius; ++k) {
        kernel[k + radius] = std::exp(-0.5 * k * k / (sigma * sigma));
        sum += kernel[k + radius];
    }
    for (double& weight : kernel) weight /= sum;
    convolve(target, kernel, true);
    convolve(target, kernel, false);
}

}  // namespace

scene::scene(int32_t width, int32_t height, double background)
    : width_(width), height_(height), background_(background) {
    if (width < 1 || height < 1) throw std::invalid_argument("empty scene");
}

dmTruth scene::addDataMatrix(const dmSymbol& symbol, const quad& corners, const dmLook& look) {
    addArt(dataMatrixArt(symbol, look), corners);
    return {corners, symbol.columns, symbol.rows};
}

dmTruth scene::addDataMatrix(const dmSymbol& symbol, const placement& where, const dmLook& look) {
    return addDataMatrix(symbol, placeRectangle(where, symbol.columns, symbol.rows), look);
}

void scene::addArt(const planeArt& art, const quad& corners) {
    const homography map = homography::rectangleToQuad(art.width, art.height, corners);
    requireInFront(art, map);
    painters_.push_back([art, map](canvas& target, int32_t supersampling) {
        paintArt(target, art, map, supersampling);
    });
}

quad scene::addArt(const planeArt& art, const placement& where) {
    const quad corners = placeRectangle(where, art.width, art.height);
    addArt(art, corners);
    return corners;
}

void scene::addProfile(const profile& across) {
    painters_.push_back([across](canvas& target, int32_t) { paintProfile(target, across); });
}

greyImage scene::render(const imagingConditions& conditions) const {
    canvas target{width_, height_,
                  std::vector<double>(static_cast<size_t>(width_) * height_, background_)};
    for (const auto& paint : painters_) paint(target, conditions.supersampling);
    if (conditions.illuminationSlopeX != 0 || conditions.illuminationSlopeY != 0) {
        applyIllumination(target, conditions.illuminationSlopeX, conditions.illuminationSlopeY);
    }
    gaussianBlur(target, conditions.blurSigma);
    if (conditions.noiseSigma > 0) {
        sceneRandom random(conditions.noiseSeed);
        for (double& grey : target.grey) grey += conditions.noiseSigma * random.gaussian();
    }
    greyImage image(width_, height_);
    for (size_t i = 0; i < target.grey.size(); ++i) {
        image.pixels[i] =
            static_cast<uint8_t>(std::floor(std::clamp(target.grey[i], 0.0, 255.0) + 0.5));
    }
    return image;
}

}  // namespace cid_test
