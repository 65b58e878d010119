// Rendered scenes: module colours, truth corners, anti-aliased edges, blur, noise, illumination,
// distractors and the padded views that image tests run on.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dm_scene.h"
#include "image_record.h"

namespace {

using cid_test::dmSymbol;
using cid_test::dmTruth;
using cid_test::greyImage;
using cid_test::imagingConditions;
using cid_test::placement;
using cid_test::quad;
using cid_test::scene;

// The pixel containing an image point, or -1 outside the image.
int pixelAt(const greyImage& image, cmath_vect p) {
    const double x = std::floor(p.x), y = std::floor(p.y);
    if (!(x >= 0 && x < image.width && y >= 0 && y < image.height)) return -1;
    return image.at(static_cast<int32_t>(x), static_cast<int32_t>(y));
}

placement placed(double x, double y, double unit, double rotation) {
    placement where;
    where.centre = {x, y};
    where.unit = unit;
    where.rotation = rotation;
    return where;
}

// Every module centre, through the truth corners, shows the module's level; so do points of the
// quiet zone, and beyond it the background.
void expectModulesAt(const greyImage& image, const dmSymbol& symbol, const dmTruth& truth,
                     const cid_test::dmLook& look, double background) {
    for (int32_t r = 0; r < symbol.rows(); ++r) {
        for (int32_t c = 0; c < symbol.columns(); ++c) {
            const double expected =
                symbol.isDark(c, r) ? look.colours.ofDark() : look.colours.ofLight();
            ASSERT_EQ(pixelAt(image, truth.imagePoint(c + 0.5, r + 0.5)), expected)
                << "module " << c << ", " << r;
        }
    }
    const double q = look.quietZone;
    for (double t : {0.1, 0.5, 0.9}) {
        const double u = t * symbol.columns(), v = t * symbol.rows();
        for (cmath_vect p :
             {cmath_vect{u, -q / 2}, cmath_vect{-q / 2, v}, cmath_vect{u, symbol.rows() + q / 2},
              cmath_vect{symbol.columns() + q / 2, v}}) {
            EXPECT_EQ(pixelAt(image, truth.imagePoint(p.x, p.y)), look.colours.ofLight());
        }
        EXPECT_EQ(pixelAt(image, truth.imagePoint(u, -q - 2)), background);
    }
}

TEST(Scene, ModuleCentresShowTheModuleLevelsUnderPerspective) {
    for (auto [columns, rows] : {std::pair{10, 10}, {32, 32}, {48, 16}, {144, 144}}) {
        SCOPED_TRACE(std::to_string(columns) + " x " + std::to_string(rows));
        const double unit = columns > 100 ? 4 : 9;
        const int32_t side = static_cast<int32_t>((columns + 12) * unit * 1.6);
        scene layout(side, side, 120);
        placement where = placed(side / 2.0, side / 2.0, unit, 0.35);
        where.tiltX = 0.08;
        where.tiltY = -0.05;
        where.skew = 0.04;
        where.aspect = 1.1;
        const dmSymbol symbol(columns, rows, 11);
        cid_test::dmLook look;
        look.quietZone = 2;
        const dmTruth truth = layout.addDataMatrix(symbol, where, look);
        expectModulesAt(layout.render(), symbol, truth, look, 120);
    }
}

TEST(Scene, LightOnDarkSwapsTheLevelsAndEveryImageSeesOnlyItsOwnSymbols) {
    scene layout(480, 360, 100);
    cid_test::dmLook normal, inverted;
    inverted.colours.lightOnDark = true;
    inverted.colours.dark = 10;
    inverted.colours.light = 250;
    const dmSymbol first(16, 16, 1), second(36, 16, 2);
    const dmTruth a = layout.addDataMatrix(first, placed(100, 100, 8, -0.2), normal);
    const dmTruth b = layout.addDataMatrix(second, placed(320, 260, 6, 0.1), inverted);
    const greyImage image = layout.render();
    expectModulesAt(image, first, a, normal, 100);
    expectModulesAt(image, second, b, inverted, 100);
    EXPECT_EQ(pixelAt(image, b.imagePoint(0.5, 15.5)), 250);  // the L, printed light
}

TEST(Scene, TruthIsTheCornersGivenWithTheLVertexLast) {
    scene layout(300, 300);
    const quad given = {{{40.25, 60.5}, {150.75, 40.125}, {170.5, 160.0}, {55.0, 170.25}}};
    const dmSymbol symbol(20, 20, 4);
    const dmTruth truth = layout.addDataMatrix(symbol, given);
    const placement where = placed(220, 220, 3, 2.5);
    const dmTruth placedTruth = layout.addDataMatrix(dmSymbol(26, 12, 4), where);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(truth.corners[i].x, given[i].x);
        EXPECT_EQ(truth.corners[i].y, given[i].y);
    }
    const quad expected = cid_test::placeRectangle(where, 26, 12);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(placedTruth.corners[i].x, expected[i].x);
        EXPECT_EQ(placedTruth.corners[i].y, expected[i].y);
    }
    EXPECT_EQ(truth.columns, 20);
    EXPECT_EQ(placedTruth.columns, 26);
    EXPECT_EQ(placedTruth.rows, 12);
    ASSERT_EQ(layout.dataMatrices().size(), 2u);
    EXPECT_EQ(layout.dataMatrices()[1].corners[2].x, expected[2].x);

    // Just inside each corner: the L vertex and the ends of its arms are dark, the far corner
    // light.
    const greyImage image = layout.render();
    const int dark = 30, light = 220;
    EXPECT_EQ(pixelAt(image, truth.imagePoint(0.5, 19.5)), dark);
    EXPECT_EQ(pixelAt(image, truth.imagePoint(0.5, 0.5)), dark);
    EXPECT_EQ(pixelAt(image, truth.imagePoint(19.5, 19.5)), dark);
    EXPECT_EQ(pixelAt(image, truth.imagePoint(19.5, 0.5)), light);
    const cmath_vect vertex = truth.imagePoint(0, 20);
    EXPECT_NEAR(vertex.x, given[3].x, 1e-9);
    EXPECT_NEAR(vertex.y, given[3].y, 1e-9);
}

// An axis-aligned symbol whose left edge lies at x0 + offset and bottom edge at y1 + offset,
// without quiet zone, on a background of 200 with dark 40.
greyImage edgeScene(double offset, int32_t supersampling) {
    scene layout(160, 160, 200);
    const double left = 20 + offset, top = 30, size = 100;
    cid_test::dmLook look;
    look.quietZone = 0;
    look.colours.dark = 40;
    layout.addDataMatrix(dmSymbol(10, 10, 1),
                         {{{left, top},
                           {left + size, top},
                           {left + size, top + size + offset},
                           {left, top + size + offset}}},
                         look);
    imagingConditions conditions;
    conditions.supersampling = supersampling;
    return layout.render(conditions);
}

TEST(Scene, EdgePixelsMixInProportionToCoverage) {
    struct edgeCase {
        double offset;
        int32_t supersampling;
        double tolerance;  // the sub-pixel grid resolves coverage to 1 / (2 supersampling)
    };
    for (const edgeCase& e :
         {edgeCase{0.125, 8, 0.5}, edgeCase{0.5, 4, 0.5}, edgeCase{0.875, 8, 0.5},
          edgeCase{0.3, 16, 5.5}, edgeCase{0.61, 16, 5.5}}) {
        SCOPED_TRACE(e.offset);
        const greyImage image = edgeScene(e.offset, e.supersampling);
        for (int32_t y = 40; y < 120; y += 7) {
            // The pixel at column 20 is covered by the solid column for 1 - offset of its width.
            EXPECT_NEAR(image.at(20, y), 200 - 160 * (1 - e.offset), e.tolerance);
            EXPECT_EQ(image.at(19, y), 200);
            EXPECT_EQ(image.at(21, y), 40);
        }
        for (int32_t x = 30; x < 110; x += 7) {
            // Row 130 is covered by the solid bottom row for offset of its height.
            EXPECT_NEAR(image.at(x, 130), 200 - 160 * e.offset, e.tolerance);
            EXPECT_EQ(image.at(x, 129), 40);
            EXPECT_EQ(image.at(x, 131), 200);
        }
    }
}

// Sub-pixels sampled anywhere but at their centres shift every edge by a fraction of a pixel;
// over a sweep of offsets that shows as a bias even where each single pixel is within bounds.
TEST(Scene, EdgeCoverageIsUnbiasedOverSubPixelOffsets) {
    double signedError = 0;
    int32_t count = 0;
    for (double offset = 0.01; offset < 1; offset += 0.02, ++count) {
        const greyImage image = edgeScene(offset, 4);
        const double error = image.at(20, 75) - (200 - 160 * (1 - offset));
        EXPECT_LE(std::fabs(error), 160 / 8.0 + 0.5) << offset;
        signedError += error;
    }
    EXPECT_NEAR(signedError / count, 0, 1.0);
}

TEST(Scene, BlurSpreadsAStepAsAGaussianOfTheGivenSigma) {
    scene layout(200, 200, 200);
    cid_test::dmLook look;
    look.quietZone = 0;
    look.colours.dark = 40;
    layout.addDataMatrix(dmSymbol(10, 10, 1), {{{50, 20}, {150, 20}, {150, 120}, {50, 120}}}, look);
    imagingConditions conditions;
    conditions.blurSigma = 1.5;
    const greyImage image = layout.render(conditions);
    // The solid column spans x 50 .. 60; the kernel reaches 6 pixels, so stop short of the data.
    for (int32_t x = 40; x <= 54; ++x) {
        // Pixel centres at x + 0.5 against a step at 50 (the solid column begins there).
        const double phi = 0.5 * std::erfc(-(x + 0.5 - 50) / (1.5 * std::sqrt(2.0)));
        EXPECT_NEAR(image.at(x, 70), 200 - 160 * phi, 1.0) << x;
    }
}

TEST(Scene, NoiseHasTheGivenSpreadAndFollowsItsSeed) {
    const scene layout(256, 256, 128);
    imagingConditions conditions;
    conditions.noiseSigma = 4;
    conditions.noiseSeed = 21;
    const greyImage image = layout.render(conditions);
    double sum = 0, squares = 0;
    for (uint8_t value : image.pixels) {
        sum += value;
        squares += (value - 128.0) * (value - 128.0);
    }
    const double n = static_cast<double>(image.pixels.size());
    EXPECT_NEAR(sum / n, 128, 0.05);
    EXPECT_NEAR(std::sqrt(squares / n), 4, 0.06);  // quantisation adds a twelfth of a level
    EXPECT_TRUE(cid_test::samePixels(image, layout.render(conditions)));
    conditions.noiseSeed = 22;
    EXPECT_FALSE(cid_test::samePixels(image, layout.render(conditions)));
}

TEST(Scene, IlluminationGradientIsLinearAcrossTheImage) {
    const scene layout(200, 100, 100);
    imagingConditions conditions;
    conditions.illuminationSlopeX = 0.003;
    conditions.illuminationSlopeY = -0.001;
    const greyImage image = layout.render(conditions);
    for (int32_t y = 0; y < 100; y += 9) {
        for (int32_t x = 0; x < 200; x += 7) {
            const double gain = 1 + 0.003 * (x + 0.5 - 100) - 0.001 * (y + 0.5 - 50);
            EXPECT_NEAR(image.at(x, y), 100 * gain, 0.5);
        }
    }
}

TEST(Scene, PerspectiveThatReachesBehindTheViewerIsRefused) {
    scene layout(200, 200);
    // The bottom edge is fifty times as long as the top one: so near that the plane meets the
    // horizon of the view a fifth of a module below it, inside the quiet zone.
    const quad steep = {{{99, 100}, {101, 100}, {150, 150}, {50, 150}}};
    EXPECT_THROW(layout.addDataMatrix(dmSymbol(10, 10, 1), steep), std::invalid_argument);
    cid_test::dmLook noQuietZone;
    noQuietZone.quietZone = 0;
    EXPECT_NO_THROW(layout.addDataMatrix(dmSymbol(10, 10, 1), steep, noQuietZone));
    EXPECT_EQ(layout.dataMatrices().size(), 1u);
}

TEST(Scene, TheExampleOfTheHeaderRuns) {
    cid_test::scene layout(640, 480);
    cid_test::placement where;
    where.centre = {200, 180};
    where.unit = 5;
    where.rotation = 0.4;
    const cid_test::dmTruth first = layout.addDataMatrix(cid_test::dmSymbol(18, 18, 1), where);
    const cid_test::dmTruth second = layout.addDataMatrix(
        cid_test::dmSymbol(48, 16, 2), {{{380, 300}, {620, 310}, {615, 390}, {378, 382}}});
    cid_test::imagingConditions conditions;
    conditions.blurSigma = 0.8;
    conditions.noiseSigma = 4;
    const cid_test::greyImage image = layout.render(conditions);
    cid_test::imageView view(image);
    EXPECT_EQ(view.get()->width, 640);
    EXPECT_EQ(second.corners[3].x, 378);
    const cmath_vect vertex = first.corners[3];
    EXPECT_NEAR(std::hypot(vertex.x - 200, vertex.y - 180), 45 * std::sqrt(2.0), 1e-9);
    // Blurred and noisy, the middle of a 5-pixel module is still near its level.
    EXPECT_NEAR(pixelAt(image, first.imagePoint(0.5, 9.5)), 30, 16);
}

}  // namespace
