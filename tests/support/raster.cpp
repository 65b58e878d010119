#include "raster.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "scene_random.h"

namespace cid_test {

namespace {

struct pixelBox {
    int32_t left;
    int32_t top;
    int32_t right;  // exclusive
    int32_t bottom;
};

quad extentOf(const planeArt& art) {
    const double m = art.margin();
    return {{{-m, -m},
             {art.width() + m, -m},
             {art.width() + m, art.height() + m},
             {-m, art.height() + m}}};
}

// The pixels that the art's body and margin may touch, clipped to the canvas.
pixelBox boxOfArt(const canvas& target, const planeArt& art, const homography& planeToImage) {
    requireInFront(art, planeToImage);
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (const cmath_vect& corner : extentOf(art)) {
        const cmath_vect p = planeToImage.planeToImage(corner);
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    auto clip = [](double value, int32_t limit) {
        return static_cast<int32_t>(std::clamp(value, 0.0, static_cast<double>(limit)));
    };
    return {clip(std::floor(minX), target.width), clip(std::floor(minY), target.height),
            clip(std::ceil(maxX) + 1, target.width), clip(std::ceil(maxY) + 1, target.height)};
}

std::vector<double> gaussianKernel(double sigma) {
    const int32_t radius = static_cast<int32_t>(std::ceil(4 * sigma));
    std::vector<double> weights(2 * static_cast<size_t>(radius) + 1);
    double sum = 0;
    for (int32_t k = -radius; k <= radius; ++k) {
        weights[k + radius] = std::exp(-0.5 * k * k / (sigma * sigma));
        sum += weights[k + radius];
    }
    for (double& weight : weights) weight /= sum;
    return weights;
}

// Convolves count values, step apart, with the kernel; the ends are extended by their values.
void convolveLine(double* values, int32_t count, size_t step, const std::vector<double>& kernel,
                  std::vector<double>& scratch) {
    const int32_t radius = static_cast<int32_t>(kernel.size() / 2);
    scratch.resize(count);
    for (int32_t i = 0; i < count; ++i) scratch[i] = values[i * step];
    for (int32_t i = 0; i < count; ++i) {
        double sum = 0;
        for (int32_t k = -radius; k <= radius; ++k) {
            sum += kernel[k + radius] * scratch[std::clamp(i + k, 0, count - 1)];
        }
        values[i * step] = sum;
    }
}

}  // namespace

void requireInFront(const planeArt& art, const homography& planeToImage) {
    // The divisor is affine in the plane, so positive at the four corners of the extent means
    // positive all over it.
    for (const cmath_vect& corner : extentOf(art)) {
        if (!(planeToImage.divisor(corner) > 0)) {
            throw std::invalid_argument("art reaches behind the viewer");
        }
    }
}

void paintArt(canvas& target, const planeArt& art, const homography& planeToImage,
              int32_t supersampling) {
    if (supersampling < 1) throw std::invalid_argument("supersampling below 1");
    const pixelBox box = boxOfArt(target, art, planeToImage);
    const double m = art.margin();
    const double lowU = -m, highU = art.width() + m, lowV = -m, highV = art.height() + m;
    const double step = 1.0 / supersampling;
    const double samples = static_cast<double>(supersampling) * supersampling;
    for (int32_t y = box.top; y < box.bottom; ++y) {
        for (int32_t x = box.left; x < box.right; ++x) {
            double sum = 0;
            int32_t covered = 0;
            for (int32_t j = 0; j < supersampling; ++j) {
                for (int32_t i = 0; i < supersampling; ++i) {
                    const cmath_vect p =
                        planeToImage.imageToPlane({x + (i + 0.5) * step, y + (j + 0.5) * step});
                    double grey = 0;
                    if (p.x >= lowU && p.x < highU && p.y >= lowV && p.y < highV &&
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

void gaussianBlur(canvas& target, double sigma) {
    if (!(sigma > 0) || target.width == 0 || target.height == 0) return;
    const std::vector<double> kernel = gaussianKernel(sigma);
    std::vector<double> scratch;
    for (int32_t y = 0; y < target.height; ++y) {
        convolveLine(&target.at(0, y), target.width, 1, kernel, scratch);
    }
    for (int32_t x = 0; x < target.width; ++x) {
        convolveLine(&target.at(x, 0), target.height, static_cast<size_t>(target.width), kernel,
                     scratch);
    }
}

void addNoise(canvas& target, double sigma, uint32_t seed) {
    if (!(sigma > 0)) return;
    sceneRandom random(seed);
    for (double& grey : target.grey) grey += sigma * random.gaussian();
}

greyImage quantise(const canvas& source) {
    greyImage image(source.width, source.height);
    for (int32_t y = 0; y < source.height; ++y) {
        for (int32_t x = 0; x < source.width; ++x) {
            image.at(x, y) =
                static_cast<uint8_t>(std::floor(std::clamp(source.at(x, y), 0.0, 255.0) + 0.5));
        }
    }
    return image;
}

}  // namespace cid_test
