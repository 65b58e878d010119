// Data Matrix location on rendered scenes: every symbol found once, its L vertex identified and
// its corners close to the truth, under rotation, scale, aspect, perspective, blur, noise,
// uneven light and either polarity; and nothing found where there is no symbol.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "dm_locate.h"
#include "scene.h"
#include "view.h"

namespace {

using namespace cid_test;

const int kSquareSizes[] = {10, 12, 14, 16, 18, 20, 22, 24, 26, 32, 36, 40, 44, 48, 52, 64};

struct expectations {
    bool perspective = false;
};

// Each true symbol is found exactly once, with its corners within max(1.5 px, 0.35 module), the
// far corner under perspective within 1.5 modules; nothing else is found.
void expectAllFound(const std::vector<dmLocated>& located, const std::vector<dmTruth>& truths,
                    const expectations& e, const std::string& what) {
    ASSERT_EQ(located.size(), truths.size()) << what;
    for (const dmTruth& truth : truths) {
        const double module = std::hypot(truth.corners[2].x - truth.corners[3].x,
                                         truth.corners[2].y - truth.corners[3].y) /
                              truth.columns;
        const double tolerance = std::max(1.5, 0.35 * module);
        auto best = std::min_element(located.begin(), located.end(),
                                     [&](const dmLocated& a, const dmLocated& b) {
                                         return compareWithTruth(a, truth.corners).vertex <
                                                compareWithTruth(b, truth.corners).vertex;
                                     });
        dmErrors errors = compareWithTruth(*best, truth.corners);
        EXPECT_LE(errors.vertex, tolerance) << what;
        EXPECT_LE(errors.arms, tolerance) << what;
        EXPECT_LE(errors.farCorner, e.perspective ? 1.5 * module : tolerance) << what;
    }
}

struct sceneCase {
    dmSymbol symbol;
    placement where;
    dmLook look;
    imagingConditions conditions;
};

void locateAndCheck(const sceneCase& c, const std::string& what, const dmSearch& search = {},
                    const expectations& e = {}) {
    scene layout(640, 480);
    dmTruth truth = layout.addDataMatrix(c.symbol, c.where, c.look);
    greyImage image = layout.render(c.conditions);
    windowedImage view(image);
    expectAllFound(locateDataMatrices(view.get(), search), {truth}, e, what);
}

sceneCase centredSymbol(int size, double module, double rotation, uint32_t seed) {
    sceneCase c{dmSymbol(size, size, seed), {}, {}, {}};
    c.where.centre = {320.3, 240.7};
    c.where.unit = module;
    c.where.rotation = rotation;
    c.look.quietZone = 2;
    c.conditions.blurSigma = 0.6;
    c.conditions.noiseSigma = 3;
    c.conditions.noiseSeed = seed;
    return c;
}

TEST(DataMatrixLocation, EveryTenDegrees) {
    std::mt19937 rng(1);
    for (int degrees = 0; degrees < 360; degrees += 10) {
        int size = kSquareSizes[rng() % 12];
        double module = 3.0 + (rng() % 30) / 10.0;
        sceneCase c = centredSymbol(size, module, degrees * M_PI / 180, degrees + 1);
        locateAndCheck(c, "rotation " + std::to_string(degrees) + " size " + std::to_string(size));
    }
}

TEST(DataMatrixLocation, ModuleSizesFromTwoAndAHalfToTen) {
    for (double module : {2.5, 3.0, 4.0, 6.0, 8.0, 10.0}) {
        for (int size : {10, 16, 24, 36}) {
            if (size * module * 1.42 > 440) continue;  // must fit in the image at any angle
            sceneCase c = centredSymbol(size, module, 0.37 + module,
                                        static_cast<uint32_t>(size * 10 + module));
            locateAndCheck(c, "module " + std::to_string(module) + " size " + std::to_string(size));
        }
    }
}

TEST(DataMatrixLocation, RectangularSymbols) {
    const int sizes[][2] = {{18, 8}, {32, 8}, {26, 12}, {36, 12}, {36, 16}, {48, 16}};
    int k = 0;
    for (const auto& size : sizes) {
        sceneCase c = centredSymbol(10, 5, 0.3 + k, 100 + k);
        c.symbol = dmSymbol(size[0], size[1], 200 + k);
        locateAndCheck(c, "rectangular " + std::to_string(size[0]) + "x" + std::to_string(size[1]));
        ++k;
    }
}

TEST(DataMatrixLocation, PerspectiveViews) {
    std::mt19937 rng(7);
    dmSearch search;
    search.allowSkew = true;
    expectations e;
    e.perspective = true;
    for (int k = 0; k < 12; ++k) {
        sceneCase c = centredSymbol(kSquareSizes[rng() % 10], 4.5, k * 0.5, 300 + k);
        c.where.tiltX = (static_cast<int>(rng() % 31) - 15) / 100.0;
        c.where.tiltY = (static_cast<int>(rng() % 31) - 15) / 100.0;
        c.where.skew = (static_cast<int>(rng() % 11) - 5) / 100.0;
        locateAndCheck(c, "perspective " + std::to_string(k), search, e);
    }
}

TEST(DataMatrixLocation, BlurNoiseAndUnevenLight) {
    int k = 0;
    for (double blur : {0.0, 0.8, 1.4}) {
        for (double noise : {0.0, 6.0, 12.0}) {
            sceneCase c = centredSymbol(20, 5, 0.2 + k, 400 + k);
            c.conditions.blurSigma = blur;
            c.conditions.noiseSigma = noise;
            c.conditions.illuminationSlopeX = k % 2 ? 0.0012 : -0.0008;
            locateAndCheck(c, "blur " + std::to_string(blur) + " noise " + std::to_string(noise));
            ++k;
        }
    }
}

TEST(DataMatrixLocation, LightOnDarkAndLowContrast) {
    for (int k = 0; k < 6; ++k) {
        sceneCase c = centredSymbol(kSquareSizes[k + 2], 4, 0.5 + k, 500 + k);
        c.look.colours.lightOnDark = k % 2 == 0;
        if (k >= 3) c.look.colours = ink{90, 165, k % 2 == 0};
        locateAndCheck(c, "polarity case " + std::to_string(k));
    }
}

TEST(DataMatrixLocation, SeveralSymbolsInOneImage) {
    scene layout(640, 480);
    std::vector<dmTruth> truths;
    const cmath_vect centres[] = {{130, 120}, {470, 130}, {160, 360}, {480, 350}};
    for (int k = 0; k < 4; ++k) {
        placement where;
        where.centre = centres[k];
        where.unit = 3.5 + k;
        where.rotation = 0.7 * k + 0.2;
        dmLook look;
        look.quietZone = 2;
        truths.push_back(layout.addDataMatrix(
            dmSymbol(kSquareSizes[k + 1], kSquareSizes[k + 1], 600 + k), where, look));
    }
    imagingConditions conditions;
    conditions.blurSigma = 0.7;
    conditions.noiseSigma = 4;
    greyImage image = layout.render(conditions);
    windowedImage view(image);
    expectAllFound(locateDataMatrices(view.get()), truths, {}, "four symbols");
}

TEST(DataMatrixLocation, SymbolsAtTheBorderNeedAllowAtBorder) {
    scene layout(640, 480);
    dmLook look;
    look.quietZone = 0;
    dmTruth truth = layout.addDataMatrix(
        dmSymbol(16, 16, 700), {{{0.0, 100.0}, {80.0, 100.0}, {80.0, 180.0}, {0.0, 180.0}}}, look);
    greyImage image = layout.render({});
    windowedImage view(image);
    EXPECT_TRUE(locateDataMatrices(view.get()).empty());
    dmSearch search;
    search.allowAtBorder = true;
    std::vector<dmLocated> located = locateDataMatrices(view.get(), search);
    ASSERT_EQ(located.size(), 1u);
    EXPECT_LE(compareWithTruth(located[0], truth.corners).vertex, 1.5);
}

TEST(DataMatrixLocation, SameResultsInAPaddedWindowWithAnOffset) {
    sceneCase c = centredSymbol(22, 4, 0.9, 800);
    scene layout(640, 480);
    layout.addDataMatrix(c.symbol, c.where, c.look);
    greyImage image = layout.render(c.conditions);
    windowedImage plain(image);
    std::vector<dmLocated> expected = locateDataMatrices(plain.get());
    ASSERT_EQ(expected.size(), 1u);
    for (bool keepCoordinates : {true, false}) {
        padding pad{13, 7, 21, 5, 3};
        if (keepCoordinates) {
            pad.originX = -pad.left;
            pad.originY = -pad.top;
        }
        windowedImage padded(image, pad);
        std::vector<dmLocated> located = locateDataMatrices(padded.get());
        ASSERT_EQ(located.size(), 1u);
        double dx = keepCoordinates ? 0 : pad.left, dy = keepCoordinates ? 0 : pad.top;
        EXPECT_NEAR(located[0].vertex.x, expected[0].vertex.x + dx, 1e-9);
        EXPECT_NEAR(located[0].vertex.y, expected[0].vertex.y + dy, 1e-9);
        EXPECT_NEAR(located[0].farCorner.x, expected[0].farCorner.x + dx, 1e-9);
    }
}

TEST(DataMatrixLocation, NothingInClutterBarcodesAndNoise) {
    for (int k = 0; k < 6; ++k) {
        scene layout(640, 480);
        placement where;
        where.centre = {320, 240};
        where.unit = 3 + k;
        where.rotation = 0.4 * k;
        switch (k % 4) {
            case 0:
                layout.addArt(textClutter(4, 16, 1.2, static_cast<uint32_t>(k)), where);
                break;
            case 1:
                layout.addArt(barcode1d(30, 40, 10, static_cast<uint32_t>(k)), where);
                break;
            case 2:
                layout.addArt(noisePatch(30, 30, true, static_cast<uint32_t>(k)), where);
                break;
            case 3:
                layout.addArt(pdf417Like(12, 3, 3, 2, static_cast<uint32_t>(k)), where);
                break;
        }
        imagingConditions conditions;
        conditions.blurSigma = 0.6;
        conditions.noiseSigma = 4.0 * (k % 3);
        greyImage image = layout.render(conditions);
        windowedImage view(image);
        EXPECT_TRUE(locateDataMatrices(view.get()).empty()) << "distractor " << k;
    }
}

}  // namespace
