#include "edge_scene.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <stdexcept>

namespace cid_test {

greyScene stepEdgeScene(double normalAngle, double offset, double dark, double bright,
                        double blur) {
    const double nx = std::cos(normalAngle);
    const double ny = std::sin(normalAngle);
    if (blur <= 0)
        return [=](double x, double y) { return x * nx + y * ny > offset ? bright : dark; };
    const double scale = 1 / (blur * std::sqrt(2.0));
    return [=](double x, double y) {
        const double t = (x * nx + y * ny - offset) * scale;
        return dark + (bright - dark) * 0.5 * std::erfc(-t);
    };
}

greyScene barsScene(double normalAngle, double minWidth, double maxWidth, uint32_t seed) {
    // The bar profile along the normal, tabulated in sixteenths of a pixel over a generous
    // range, so that rendering a large image costs one lookup per sample.
    constexpr double kResolution = 16.0;
    constexpr double kExtent = 8192.0;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> width(minWidth, maxWidth);
    std::uniform_real_distribution<double> darkLevel(20, 90);
    std::uniform_real_distribution<double> brightLevel(150, 230);
    auto profile =
        std::make_shared<std::vector<float>>(static_cast<size_t>(2 * kExtent * kResolution));
    bool bright = false;
    double level = darkLevel(rng);
    double barEnd = -kExtent + width(rng);
    for (size_t i = 0; i < profile->size(); ++i) {
        const double t = -kExtent + i / kResolution;
        if (t >= barEnd) {
            bright = !bright;
            level = bright ? brightLevel(rng) : darkLevel(rng);
            barEnd += width(rng);
        }
        (*profile)[i] = static_cast<float>(level);
    }
    const double nx = std::cos(normalAngle);
    const double ny = std::sin(normalAngle);
    return [=](double x, double y) {
        const double t = x * nx + y * ny;
        auto i = static_cast<long>((t + kExtent) * kResolution);
        if (i < 0 || i >= static_cast<long>(profile->size())) {
            throw std::out_of_range("bar scene sampled beyond its extent");
        }
        return static_cast<double>((*profile)[static_cast<size_t>(i)]);
    };
}

sceneImage::sceneImage(int32_t width, int32_t height, int32_t padding, const greyScene& scene,
                       int samples, uint32_t paddingSeed)
    : width_(width), height_(height), padding_(padding), fullWidth_(width + 2 * padding) {
    const int32_t fullHeight = height + 2 * padding;
    pixels_.resize(static_cast<size_t>(fullWidth_) * fullHeight);
    std::mt19937 rng(paddingSeed);
    for (auto& p : pixels_) p = static_cast<uint8_t>(rng());
    const double weight = 1.0 / (samples * samples);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            double sum = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    sum += scene(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples);
                }
            }
            pixels_[static_cast<size_t>(y + padding) * fullWidth_ + x + padding] =
                static_cast<uint8_t>(std::lround(sum * weight));
        }
    }
    if (cimg_image_constructWrap(&image_, CIMG_DEPTH_8U, fullWidth_, fullHeight, fullWidth_,
                                 pixels_.data()) != 0 ||
        cimg_image_window(&image_, padding, padding, width, height) != 0) {
        throw std::runtime_error("cannot wrap scene pixels");
    }
}

sceneImage::~sceneImage() { cimg_image_destruct(&image_); }

cidc_windowRect sceneImage::window() const {
    cimg_windowConst w{};
    if (cimg_windowConst_init(&w, &image_.asConst) != 0) throw std::runtime_error("no window");
    return cidc_windowRect{w.width, w.height, w.xOffset, w.yOffset};
}

uint8_t sceneImage::at(int32_t x, int32_t y) const {
    return pixels_[static_cast<size_t>(y + padding_) * fullWidth_ + x + padding_];
}

void sceneImage::addNoise(int amplitude, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-amplitude, amplitude);
    for (int32_t y = 0; y < height_; ++y) {
        for (int32_t x = 0; x < width_; ++x) {
            uint8_t& p = pixels_[static_cast<size_t>(y + padding_) * fullWidth_ + x + padding_];
            p = static_cast<uint8_t>(std::clamp(p + noise(rng), 0, 255));
        }
    }
}

}  // namespace cid_test
