// The symbol classifier on rendered scenes, its helpers, and the polar unwrap beneath it.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "ci_id/classifier.h"
#include "ci_id/platform/cip_polar.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/status.h"
#include "scene.h"
#include "test_support.h"

namespace {

constexpr int kSide = 128;

// Bars whose grey level varies along the direction normalAngle (radians, from +x towards +y):
// dark for the first half of each period, light for the second.
std::vector<uint8_t> renderBars(double normalAngle, double period, uint8_t dark, uint8_t light) {
    cid_test::scene layout(kSide, kSide);
    layout.addProfile(cid_test::periodicBars(normalAngle, period, {double(dark), double(light)}));
    return layout.render().pixels;
}

// A grid of square modules of side moduleSize, rotated by angle about the centre of pixel
// (kSide / 2, kSide / 2), each dark or light at random (a Data Matrix-like texture).
std::vector<uint8_t> renderModules(double angle, double moduleSize, uint8_t dark, uint8_t light,
                                   uint32_t seed) {
    const int32_t cells = 2 * int32_t(std::ceil(std::hypot(kSide, kSide) / moduleSize)) + 2;
    cid_test::placement where;
    where.centre = {kSide / 2 + 0.5, kSide / 2 + 0.5};
    where.unit = moduleSize;
    where.rotation = angle;
    std::mt19937 rng(seed);
    std::vector<double> greys(size_t(cells) * cells);
    for (double& grey : greys) grey = rng() & 1 ? dark : light;
    cid_test::scene layout(kSide, kSide);
    layout.addArt(cid_test::cellGrid(cells, cells, std::move(greys)), where);
    return layout.render().pixels;
}

// A scene as the 128 x 128 window of a padded image (padding 0: the whole image).
struct sceneImage {
    cimg_image image;
    sceneImage(const std::vector<uint8_t>& pixels, int padding) {
        EXPECT_EQ(cimg_image_construct(&image, CIMG_DEPTH_8U, kSide + 2 * padding + 5,
                                       kSide + 2 * padding),
                  0);
        cimg_window all;
        cimg_window_init(&all, &image);
        for (int y = 0; y < all.height; ++y) {
            for (int x = 0; x < all.width; ++x)
                all.pixels[y * all.pitch + x] = uint8_t(x * 37 + y * 11);
        }
        EXPECT_EQ(cimg_image_window(&image, padding + 2, padding, kSide, kSide), 0);
        cimg_window w;
        cimg_window_init(&w, &image);
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) w.pixels[y * w.pitch + x] = pixels[y * kSide + x];
        }
    }
    ~sceneImage() { cimg_image_destruct(&image); }
};

struct classified {
    ClassScore scores[4];
    cid_symbolClassifierDiagnostics diagnostics;
    int best() const {
        int best = 0;
        for (int k = 1; k < 4; ++k) {
            if (scores[k].score > scores[best].score) best = k;
        }
        return best;
    }
};

// Runs the classifier on the scene alone and inside a padded image; both must agree.
classified classify(const std::vector<uint8_t>& pixels) {
    classified result{};
    cid_symbolClassifierParams params;
    EXPECT_EQ(cid_symbolClassifierParams_init(&params), 0);
    EXPECT_EQ(params.diagnostics, nullptr);
    params.diagnostics = &result.diagnostics;
    sceneImage alone(pixels, 0);
    EXPECT_EQ(cid_symbolClassifier_runWindow8(&alone.image.asConst, &params, result.scores), 0);
    sceneImage padded(pixels, 9);
    ClassScore again[4];
    params.diagnostics = nullptr;
    EXPECT_EQ(cid_symbolClassifier_runWindow8(&padded.image.asConst, &params, again), 0);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(again[k].score, result.scores[k].score);
        EXPECT_EQ(again[k].direction1, result.scores[k].direction1);
        EXPECT_EQ(again[k].direction2, result.scores[k].direction2);
        EXPECT_EQ(again[k].period, result.scores[k].period);
    }
    return result;
}

double degrees(uint16_t direction) { return direction * 360.0 / 65536.0; }

// Difference of two directions modulo a half turn, in degrees.
double directionError(double a, double b) {
    double d = std::fmod(std::fabs(a - b), 180.0);
    return std::min(d, 180.0 - d);
}

TEST(SymbolClassifier, UniformWindowHasNoStructure) {
    classified c = classify(std::vector<uint8_t>(kSide * kSide, 140));
    EXPECT_EQ(c.scores[0].score, 100);
    EXPECT_EQ(c.scores[1].score, 0);
    EXPECT_EQ(c.scores[2].score, 0);
    EXPECT_EQ(c.scores[3].score, 30);
    EXPECT_EQ(c.scores[1].period, 0);
    // No gradient: every computed log value is trunc(30 fastLog(1)) = 1.
    EXPECT_EQ(c.diagnostics.logSpectrum[0], 1);
    EXPECT_EQ(c.diagnostics.logSpectrum[65 * kSide + 127], 1);
    EXPECT_EQ(c.diagnostics.logSpectrum[66 * kSide], 0);
    EXPECT_EQ(c.diagnostics.profiles.radialProfileLength, CID_CLASSIFIER_RADIAL_LENGTH);
    EXPECT_EQ(c.diagnostics.profiles.angularProfileLength, 195);
}

TEST(SymbolClassifier, BarsScoreOneDirectionAtAnyAngle) {
    for (double angle : {0.0, 30.0, 75.0, 120.0, 161.0}) {
        for (double period : {12.0, 16.0}) {
            auto pixels = renderBars(angle * M_PI / 180, period, 30, 220);
            classified c = classify(pixels);
            SCOPED_TRACE(testing::Message() << angle << " deg, period " << period);
            EXPECT_EQ(c.best(), 1);
            EXPECT_GE(c.scores[1].score, 80);
            EXPECT_LE(directionError(degrees(c.scores[1].direction1), angle), 2.0);
            // The gradient repeats at every edge: half the bar period.
            EXPECT_NEAR(c.scores[1].period / 256.0, period / 2, 0.03 * period / 2);
        }
    }
}

TEST(SymbolClassifier, NoisyBarsKeepTheirClass) {
    auto pixels = renderBars(0.7, 16.0, 60, 190);
    auto noise = renderModules(0.3, 1.0, 0, 40, 3);  // speckle
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(pixels[i] + noise[i] / 2);
    classified c = classify(pixels);
    EXPECT_EQ(c.best(), 1);
    EXPECT_LE(directionError(degrees(c.scores[1].direction1), 0.7 * 180 / M_PI), 2.0);
}

TEST(SymbolClassifier, ModuleGridsScoreTwoDirections) {
    for (double angle : {0.0, 20.0, 45.0, 70.0}) {
        for (double module : {6.0, 8.0}) {
            auto pixels = renderModules(angle * M_PI / 180, module, 20, 230, 7);
            classified c = classify(pixels);
            SCOPED_TRACE(testing::Message() << angle << " deg, module " << module);
            EXPECT_EQ(c.best(), 2);
            EXPECT_GE(c.scores[2].score, 80);
            EXPECT_NEAR(c.scores[2].period / 256.0, module, 0.03 * module);
            double first = degrees(c.scores[2].direction1);
            double second = degrees(c.scores[2].direction2);
            EXPECT_NEAR(directionError(first, second), 90.0, 2.0);
            EXPECT_LE(std::min(directionError(first, angle), directionError(second, angle)), 2.0);
        }
    }
}

TEST(SymbolClassifier, BadWindows) {
    cid_symbolClassifierParams params;
    cid_symbolClassifierParams_init(&params);
    ClassScore scores[4];
    for (auto& s : scores) s = ClassScore{7, 7, 7, 7};
    cimg_image small;
    ASSERT_EQ(cimg_image_construct(&small, CIMG_DEPTH_8U, 64, 64), 0);
    EXPECT_EQ(cid_symbolClassifier_runWindow8(&small.asConst, &params, scores),
              CID_STATUS_CLASSIFIER_WINDOW_SIZE);
    for (auto& s : scores) EXPECT_EQ(s.score, 0);
    ASSERT_EQ(cimg_image_assignNew(&small, CIMG_DEPTH_32S, 128, 128), 0);
    EXPECT_EQ(cid_symbolClassifier_runWindow8(&small.asConst, &params, scores),
              CID_STATUS_INVALID_IMAGE);
    cimg_image_setUnbound(&small);
    EXPECT_EQ(cid_symbolClassifier_runWindow8(&small.asConst, &params, scores),
              CID_STATUS_IMAGE_NOT_BOUND);
    EXPECT_PRECONDITION(cid_symbolClassifier_runWindow8(&small.asConst, &params, nullptr));
    cimg_image_destruct(&small);

    sceneImage scene(std::vector<uint8_t>(kSide * kSide, 9), 0);
    cid_test::countingAllocator counter;
    counter.failAfter(0);
    EXPECT_EQ(cid_symbolClassifier_runWindow8(&scene.image.asConst, &params, scores),
              CSYS_STATUS_OUT_OF_MEMORY);
    counter.failAfter(1);  // the run's buffers, then the transform's scratch
    EXPECT_EQ(cid_symbolClassifier_runWindow8(&scene.image.asConst, &params, scores),
              CSYS_STATUS_OUT_OF_MEMORY);
    counter.neverFail();
    csys_attentionToken token;
    csys_attention_initToken(&token);
    csys_attention_requestStop(&token);
    csys_attentionToken* previous = csys_attention_bindToken(&token);
    EXPECT_EQ(cid_symbolClassifier_runWindow8(&scene.image.asConst, &params, scores),
              CSYS_STATUS_STOP_REQUESTED);
    csys_attention_bindToken(previous);
    EXPECT_EQ(counter.live(), 0);
}

TEST(SymbolClassifierHelpers, Atan2AgreesWithTheLibraryAngle) {
    EXPECT_EQ(cidut_atan2(100, 0), 1);
    EXPECT_EQ(cidut_atan2(0, 100), 63);
    EXPECT_EQ(cidut_atan2(-100, 0), 127);
    EXPECT_EQ(cidut_atan2(0, -100), 193);
    EXPECT_EQ(cidut_atan2(0, 0), 32);
    // The table resolves about 2 units; short vectors lose more to the integer steps.
    double worstLong = 0, worstShort = 0;
    for (int y = -255; y <= 255; ++y) {
        for (int x = -255; x <= 255; ++x) {
            double length = std::hypot(x, y);
            if (length < 16) continue;
            double expected = std::atan2(y, x) * 128 / M_PI;
            double d = std::fmod(std::fabs(cidut_atan2(x, y) - expected), 256.0);
            d = std::min(d, 256.0 - d);
            (length >= 64 ? worstLong : worstShort) =
                std::max(length >= 64 ? worstLong : worstShort, d);
        }
    }
    EXPECT_LE(worstLong, 2.5);
    EXPECT_LE(worstShort, 4.5);
    // Extreme inputs stay defined.
    EXPECT_EQ(cidut_atan2(INT32_MIN, 0), cidut_atan2(-1000, 0));
    EXPECT_EQ(cidut_atan2(INT32_MAX, INT32_MAX), cidut_atan2(1000, 1000));
}

TEST(SymbolClassifierHelpers, TransposeWindows) {
    cimg_image source, destination;
    ASSERT_EQ(cimg_image_construct(&source, CIMG_DEPTH_8U, 20, 12), 0);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 20; ++x)
            source.asConst.pixels[y * source.asConst.pitch + x] = uint8_t(16 * y + x);
    }
    ASSERT_EQ(cimg_image_window(&source, 3, 2, 7, 5), 0);
    ASSERT_EQ(cimg_image_construct(&destination, CIMG_DEPTH_8U, 9, 9), 0);
    ASSERT_EQ(cimg_image_window(&destination, 1, 1, 5, 7), 0);
    ASSERT_EQ(cid_txImage(&source.asConst, &destination), 0);
    cimg_window out;
    cimg_window_init(&out, &destination);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(out.pixels[y * out.pitch + x], 16 * (x + 2) + (y + 3));
    }
    ASSERT_EQ(cimg_image_window(&destination, 1, 1, 4, 7), 0);
    EXPECT_EQ(cid_txImage(&source.asConst, &destination), CID_STATUS_INVALID_IMAGE);
    // In place on a square window.
    ASSERT_EQ(cimg_image_window(&source, 0, 0, 12, 12), 0);
    ASSERT_EQ(cid_txImage(&source.asConst, &source), 0);
    EXPECT_EQ(source.asConst.pixels[1 * source.asConst.pitch + 5], 16 * 5 + 1);
    cimg_image_destruct(&source);
    cimg_image_destruct(&destination);
}

TEST(PolarUnwrap, RowsAreRadiiAndColumnsAngles) {
    // Grey level twice the distance from the centre, brighter on the left half.
    cimg_image image, polar;
    ASSERT_EQ(cimg_image_construct(&image, CIMG_DEPTH_8U, 101, 101), 0);
    for (int y = 0; y < 101; ++y) {
        for (int x = 0; x < 101; ++x) {
            image.asConst.pixels[y * image.asConst.pitch + x] =
                uint8_t(std::lround(2 * std::hypot(x - 50, y - 50)));
        }
    }
    cimg_image_constructUnbound(&polar);
    ASSERT_EQ(cip_polarUnwrapImage8(&image.asConst, 50, 50, M_PI, 2 * M_PI, 4, 40, &polar), 0);
    ASSERT_EQ(polar.asConst.height, 36);
    ASSERT_EQ(polar.asConst.width, int(std::ceil(M_PI * 40)));
    for (int k = 0; k < 36; ++k) {
        for (int j = 0; j < polar.asConst.width; ++j) {
            ASSERT_NEAR(polar.asConst.pixels[k * polar.asConst.pitch + j], 2 * (39 - k), 1.5);
        }
    }
    // Outside the window counts as 0: a ring far out is empty.
    ASSERT_EQ(cip_polarUnwrapImage8(&image.asConst, 50, 50, 0, 1, 200, 202, &polar), 0);
    EXPECT_EQ(polar.asConst.pixels[0], 0);
    EXPECT_EQ(cip_polarUnwrapImage8(&image.asConst, 50, 50, 0, 1, 5, 5, &polar),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(cip_polarUnwrapImage8(&image.asConst, 50, 50, 1, 1, 4, 5, &polar),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(cip_polarUnwrapImage8(&image.asConst, NAN, 50, 0, 1, 4, 5, &polar),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    cimg_image_destruct(&image);
    cimg_image_destruct(&polar);
}

}  // namespace
