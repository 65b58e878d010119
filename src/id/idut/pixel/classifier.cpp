// The symbol classifier: gradient in a disc, centred fixed-point spectrum, log-magnitude image,
// polar unwrap, angular and radial profiles, features and scores.
#include "ci_id/classifier.h"

#include <cmath>
#include <cstring>

#include "ci_id/fft.h"
#include "ci_id/platform/cip_polar.h"
#include "ci_id/platform/cmath_vect.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/pixel/classifier_profile.h"
#include "ci_id/status.h"

namespace {

constexpr int32_t kSide = CID_CLASSIFIER_WINDOW_SIDE;
constexpr int32_t kCentre = kSide / 2;
constexpr int32_t kDiscRadiusSquared = 63 * 63;
// Only the upper half of the centred spectrum (and the centre row below it) is needed.
constexpr int32_t kLogRows = 66;
constexpr int32_t kInnerRadius = 4;
constexpr int32_t kOuterRadius = 62;
// The spectrum of a gradient of 8-bit values scaled by about 2^16, brought back to the DFT
// divided by the window side, whose logarithm the 8-bit image holds (255 = 8.5 nats).
constexpr int32_t kSpectrumShift = 16;
constexpr double kLogScale = 30.0;

int32_t integerSqrt(int32_t value) {
    int32_t root = static_cast<int32_t>(std::sqrt(static_cast<double>(value)));
    while (root * root > value) --root;
    while ((root + 1) * (root + 1) <= value) ++root;
    return root;
}

// Sobel magnitude (|gx| + |gy|) / 8 inside the disc of radius 63 around the centre, 0 outside.
// The disc touches column 127, whose right neighbour lies outside the window: the columns are
// kept within 1 .. 126 so that every 3 x 3 neighbourhood is inside.
void gradientInDisc(const cimg_windowConst& in, uint8_t* gradient) {
    std::memset(gradient, 0, size_t(kSide) * kSide);
    for (int32_t y = 1; y < kSide - 1; ++y) {
        const int32_t d = kCentre - y;
        const int32_t half = integerSqrt(kDiscRadiusSquared - d * d);
        const int32_t first = kCentre - half < 1 ? 1 : kCentre - half;
        const int32_t last = kCentre + half > kSide - 2 ? kSide - 2 : kCentre + half;
        const uint8_t* up = in.pixels + intptr_t{y - 1} * in.pitch;
        const uint8_t* row = in.pixels + intptr_t{y} * in.pitch;
        const uint8_t* down = in.pixels + intptr_t{y + 1} * in.pitch;
        for (int32_t x = first; x <= last; ++x) {
            int32_t gy =
                (down[x - 1] + 2 * down[x] + down[x + 1]) - (up[x - 1] + 2 * up[x] + up[x + 1]);
            int32_t gx = (up[x + 1] + 2 * row[x + 1] + down[x + 1]) -
                         (up[x - 1] + 2 * row[x - 1] + down[x - 1]);
            gradient[y * kSide + x] = static_cast<uint8_t>((std::abs(gx) + std::abs(gy)) >> 3);
        }
    }
}

// The natural logarithm from the bit pattern of a float: exponent and mantissa read as one
// integer are nearly linear in log2.
double fastLog(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits * 8.262958e-8 - 87.98997;
}

// 30 ln(1 + |F|) with |F| by alpha-max-beta-min, truncated and saturated to 8 bits.
void logMagnitude(const cf_fixedComplex32* spectrum, uint8_t* logImage) {
    std::memset(logImage, 0, size_t(kSide) * kSide);
    for (int32_t i = 0; i < kLogRows * kSide; ++i) {
        float a = std::fabs(static_cast<float>(spectrum[i].re));
        float b = std::fabs(static_cast<float>(spectrum[i].im));
        float magnitude = 0.96043384f * (a > b ? a : b) + 0.39782473f * (a > b ? b : a) + 1.0f;
        double level = fastLog(magnitude) * kLogScale;
        logImage[i] = static_cast<uint8_t>(level < 255.0 ? (level > 0.0 ? level : 0.0) : 255.0);
    }
}

int32_t polarProfiles(uint8_t* logImage, SpectrumProfiles* profiles) {
    cimg_imageConst wrapped;
    int32_t status =
        cimg_imageConst_constructWrap(&wrapped, CIMG_DEPTH_8U, kSide, kSide, kSide, logImage);
    if (status < 0) return status;
    cimg_image polar;
    cimg_image_constructUnbound(&polar);
    status = cip_polarUnwrapImage8(&wrapped, kCentre, kCentre, M_PI, 2 * M_PI, kInnerRadius,
                                   kOuterRadius, &polar);
    if (status >= 0) {
        cimg_windowConst window;
        status = cimg_windowConst_init(&window, &polar.asConst);
        if (status >= 0) status = cidut::buildProfiles(window, profiles);
    }
    cimg_image_destruct(&polar);
    cimg_imageConst_destruct(&wrapped);
    return status;
}

void scoreRun(const SpectrumFeatures& features, ClassScore* scores) {
    const double period = features.period;
    const double level1 = features.peak1Level;
    const double level2 = features.peak2Level;
    const bool noStructure = level1 < 90;
    const bool oneDirection = !noStructure && level2 < 0.3 * level1;
    const double ratio = level1 > 0 ? level2 / level1 : 0.0;
    const double radial = features.radialCorrelation;
    auto clamp = [](double score) {
        return static_cast<int32_t>(score < 0 ? 0 : score > 100 ? 100 : score);
    };
    if (!noStructure && !oneDirection) {
        double score = period >= 25 ? 0 : 100;
        if (radial < 0.65) score -= std::trunc((0.65 - radial) / 0.15 * 100);
        if (ratio < 0.8) score -= std::trunc((0.8 - ratio) / 0.1 * 100);
        scores[2].score = clamp(score);
    }
    if (!noStructure) {
        if (period < 15) {
            scores[1].score = clamp(std::trunc((1 - ratio) * 100) +
                                    std::trunc((1 - std::fmax(radial, 0.0)) * 100) +
                                    std::trunc(std::fmax(-features.angularCorrelation, 0.0) * 100));
        }
        for (int k = 1; k <= 3; ++k) {
            scores[k].direction1 = features.direction1;
            scores[k].period = cmath_double_round(period * 256);
        }
    }
    if (!oneDirection) {
        scores[3].score = 30;
        scores[2].direction2 = features.direction2;
        scores[3].direction2 = features.direction2;
    }
    if (noStructure) {
        scores[0].score = 100;
        return;
    }
    int32_t best = scores[1].score > scores[2].score ? scores[1].score : scores[2].score;
    if (scores[3].score > scores[1].score && scores[3].score > scores[2].score)
        best = scores[3].score;
    scores[0].score = 100 - best;
}

}  // namespace

extern "C" {

int32_t cid_symbolClassifierParams_init(cid_symbolClassifierParams* params) {
    CSTD_ASSERT(params);
    params->diagnostics = nullptr;
    return 0;
}

int32_t cid_symbolClassifier_runWindow8(const cimg_imageConst* image,
                                        const cid_symbolClassifierParams* params,
                                        ClassScore* scores) {
    CSTD_ASSERT(image && params && scores);
    std::memset(scores, 0, 4 * sizeof(ClassScore));
    cimg_windowConst in;
    int32_t status = cimg_windowConst_init(&in, image);
    if (status < 0) return status;
    if (in.depth != CIMG_DEPTH_8U) return CID_STATUS_INVALID_IMAGE;
    if (in.width != kSide || in.height != kSide) return CID_STATUS_CLASSIFIER_WINDOW_SIZE;
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    const size_t pixels = size_t(kSide) * kSide;
    status =
        csys_memory_allocCacheAligned_internal(pixels * (sizeof(cf_fixedComplex32) + 2), &block);
    if (status < 0) return status;
    scope.scratch<csys_memory_free_internal>(&block);
    auto* spectrum = static_cast<cf_fixedComplex32*>(block);
    auto* gradient = reinterpret_cast<uint8_t*>(spectrum + pixels);
    uint8_t* logImage = gradient + pixels;
    gradientInDisc(in, gradient);
    status = csys_attention_check();
    if (status < 0) return scope.close(status);
    status = cf2DFFT_32x32_fixed(1, kSpectrumShift, gradient, spectrum, kSide, kSide, 0, 0);
    if (status < 0) return scope.close(status);
    logMagnitude(spectrum, logImage);
    SpectrumProfiles profiles;
    status = polarProfiles(logImage, &profiles);
    if (status < 0) return scope.close(status);
    SpectrumFeatures features = cidut::measureFeatures(profiles);
    scoreRun(features, scores);
    if (params->diagnostics) {
        params->diagnostics->features = features;
        params->diagnostics->profiles = profiles;
        std::memcpy(params->diagnostics->logSpectrum, logImage, pixels);
    }
    return scope.close(status);
}
}
