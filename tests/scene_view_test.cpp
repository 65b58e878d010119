// Distractors drawn into scenes, and the library views of test images (plain and padded).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "ci_id/platform/cimg.h"
#include "dm_scene.h"
#include "image_record.h"

namespace {

using cid_test::greyImage;
using cid_test::quad;
using cid_test::scene;

constexpr double kBackground = 150;

// Bars and spaces along a pixel row, sampled every step pixels from x0: widths in samples.
std::vector<int32_t> runsAlong(const greyImage& image, int32_t y, int32_t x0, int32_t count,
                               int32_t step) {
    std::vector<int32_t> runs;
    bool dark = false;
    for (int32_t i = 0; i < count; ++i) {
        const bool isDark = image.at(x0 + i * step, y) < 125;
        if (i == 0 || isDark != dark) runs.push_back(0);
        dark = isDark;
        ++runs.back();
    }
    return runs;
}

// Renders one piece of art alone; every pixel it changed lies in the bounding box of its body
// and margin, and it changed some.
greyImage renderAlone(std::unique_ptr<cid_test::planeArt> art, const quad& body) {
    const double w = art->width(), h = art->height(), m = art->margin();
    const auto map = cid_test::homography::rectangleToQuad(w, h, body);
    double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
    for (cmath_vect corner : {cmath_vect{-m, -m}, {w + m, -m}, {w + m, h + m}, {-m, h + m}}) {
        const cmath_vect p = map.planeToImage(corner);
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    scene layout(400, 300, kBackground);
    layout.addArt(std::move(art), body);
    const greyImage image = layout.render();
    int32_t changed = 0;
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            if (image.at(x, y) == kBackground) continue;
            ++changed;
            EXPECT_TRUE(x + 1 > minX && x < maxX && y + 1 > minY && y < maxY) << x << ", " << y;
        }
    }
    EXPECT_GT(changed, 0);
    return image;
}

quad rotatedBody(const cid_test::planeArt& art, double unit, double rotation) {
    cid_test::placement where;
    where.centre = {200, 150};
    where.unit = unit;
    where.rotation = rotation;
    return cid_test::placeRectangle(where, art.width(), art.height());
}

template <class parameters>
void expectConfinedAndSeeded(parameters p, double unit) {
    const quad body = rotatedBody(*cid_test::makeArt(p), unit, 0.6);
    const greyImage first = renderAlone(cid_test::makeArt(p), body);
    EXPECT_TRUE(cid_test::samePixels(first, renderAlone(cid_test::makeArt(p), body)));
    p.seed += 1;
    EXPECT_FALSE(cid_test::samePixels(first, renderAlone(cid_test::makeArt(p), body)));
}

TEST(Distractors, PaintOnlyWithinTheirExtentAndFollowTheirSeeds) {
    expectConfinedAndSeeded(cid_test::textClutter{}, 2.0);
    expectConfinedAndSeeded(cid_test::barcode1d{}, 2.0);
    expectConfinedAndSeeded(cid_test::noisePatch{}, 4.0);
    expectConfinedAndSeeded(cid_test::pdf417Like{}, 2.0);
}

TEST(Distractors, Pdf417RowsRunFromStartToStopPatternThroughCodeWords) {
    cid_test::pdf417Like symbol;
    symbol.rows = 4;
    symbol.dataColumns = 2;
    const auto art = cid_test::makeArt(symbol);
    ASSERT_EQ(art->width(), 17 * 2 + 69);
    ASSERT_EQ(art->height(), 12);
    // Three pixels per module, axis-aligned with the body's top-left at (20, 20).
    scene layout(360, 100, kBackground);
    layout.addArt(cid_test::makeArt(symbol), {{{20, 20}, {329, 20}, {329, 56}, {20, 56}}});
    const greyImage image = layout.render();
    EXPECT_EQ(image.at(18, 30), symbol.colours.light);  // quiet zone
    for (int32_t row = 0; row < 4; ++row) {
        const std::vector<int32_t> runs = runsAlong(image, 20 + 9 * row + 4, 21, 103, 3);
        ASSERT_EQ(runs.size(), 8u + 4 * 8 + 9);
        EXPECT_EQ(std::vector<int32_t>(runs.begin(), runs.begin() + 8),
                  (std::vector<int32_t>{8, 1, 1, 1, 1, 1, 1, 3}));
        EXPECT_EQ(std::vector<int32_t>(runs.end() - 9, runs.end()),
                  (std::vector<int32_t>{7, 1, 1, 3, 1, 1, 1, 2, 1}));
        for (size_t word = 0; word < 4; ++word) {
            const auto first = runs.begin() + 8 + 8 * word;
            int32_t modules = 0;
            for (auto run = first; run != first + 8; ++run) {
                EXPECT_LE(*run, 6);
                modules += *run;
            }
            EXPECT_EQ(modules, 17);
        }
    }
}

TEST(Distractors, BarcodeBarsRunTheFullHeight) {
    cid_test::barcode1d barcode;
    barcode.bars = 12;
    barcode.height = 20;
    const auto art = cid_test::makeArt(barcode);
    const auto width = static_cast<int32_t>(art->width());
    scene layout(2 * width + 80, 80, kBackground);
    layout.addArt(cid_test::makeArt(barcode),
                  {{{40, 20}, {40.0 + 2 * width, 20}, {40.0 + 2 * width, 60}, {40, 60}}});
    const greyImage image = layout.render();
    const std::vector<int32_t> middle = runsAlong(image, 40, 40, width, 2);
    EXPECT_EQ(middle.size(), 2u * 12 - 1);
    for (int32_t run : middle) EXPECT_TRUE(run >= 1 && run <= 4) << run;
    EXPECT_EQ(runsAlong(image, 20, 40, width, 2), middle);
    EXPECT_EQ(runsAlong(image, 59, 40, width, 2), middle);
}

TEST(Distractors, NoisePatchCellsAreCoinsOrSpreadGreys) {
    for (bool binary : {true, false}) {
        cid_test::noisePatch patch;
        patch.binary = binary;
        patch.cellsAcross = 30;
        patch.cellsDown = 20;
        scene layout(130, 90, kBackground);
        layout.addArt(cid_test::makeArt(patch), {{{5, 5}, {125, 5}, {125, 85}, {5, 85}}});
        const greyImage image = layout.render();
        std::set<int> levels;
        int dark = 0;
        for (int32_t r = 0; r < 20; ++r) {
            for (int32_t c = 0; c < 30; ++c) {
                const int value = image.at(5 + 4 * c + 2, 5 + 4 * r + 2);
                EXPECT_TRUE(value >= patch.colours.dark && value <= patch.colours.light);
                levels.insert(value);
                dark += value < 125;
            }
        }
        if (binary) {
            EXPECT_EQ(levels.size(), 2u);
            EXPECT_NEAR(dark, 300, 45);
        } else {
            EXPECT_GT(levels.size(), 100u);
        }
    }
}

TEST(Distractors, TextStrokesCoverPartOfTheirLinesInTheirInk) {
    for (bool lightOnDark : {false, true}) {
        cid_test::textClutter text;
        text.colours.lightOnDark = lightOnDark;
        scene layout(240, 100, kBackground);
        const quad body = layout.addText(text, [] {
            cid_test::placement where;
            where.centre = {120, 50};
            where.unit = 2;
            return where;
        }());
        const greyImage image = layout.render();
        int32_t inked = 0, total = 0;
        for (int32_t y = static_cast<int32_t>(body[0].y); y < body[2].y; ++y) {
            for (int32_t x = static_cast<int32_t>(body[0].x); x < body[2].x; ++x, ++total) {
                inked += image.at(x, y) == text.colours.ofDark();
            }
        }
        EXPECT_GT(inked, total / 50);
        EXPECT_LT(inked, total / 2);
    }
}

TEST(ImageViews, PlainViewWrapsThePixelsInPlace) {
    greyImage image(37, 21, 0, 48);
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<uint8_t>(i * 7);
    cid_test::imageView view(image);
    cimg_windowConst window;
    ASSERT_EQ(cimg_windowConst_init(&window, view.get()), 0);
    EXPECT_EQ(window.width, 37);
    EXPECT_EQ(window.height, 21);
    EXPECT_EQ(window.pitch, 48);
    EXPECT_EQ(window.xOffset, 0);
    EXPECT_EQ(window.pixels, image.pixels.data());
}

TEST(ImageViews, PaddedViewsShowTheSamePixelsInTheirWindow) {
    scene layout(90, 70, kBackground);
    layout.addDataMatrix(cid_test::dmSymbol(14, 14, 3), {{{20, 10}, {75, 15}, {70, 62}, {16, 58}}});
    cid_test::imagingConditions conditions;
    conditions.noiseSigma = 10;
    const greyImage image = layout.render(conditions);
    for (bool keep : {true, false}) {
        for (int32_t fill : {-1, 0}) {
            SCOPED_TRACE(std::string(keep ? "kept" : "shifted") + " coordinates, fill " +
                         std::to_string(fill));
            cid_test::padding pad;
            pad.fill = fill;
            const cid_test::paddedView view(image, pad, keep);
            cimg_windowConst window;
            ASSERT_EQ(cimg_windowConst_init(&window, view.get()), 0);
            ASSERT_EQ(window.width, 90);
            ASSERT_EQ(window.height, 70);
            EXPECT_EQ(window.xOffset, keep ? 0 : pad.left);
            EXPECT_EQ(window.yOffset, keep ? 0 : pad.top);
            EXPECT_EQ(view.windowX(), window.xOffset);
            EXPECT_EQ(view.windowY(), window.yOffset);
            EXPECT_EQ(view.get()->width, 90 + pad.left + pad.right);
            EXPECT_EQ(view.get()->xOffset, keep ? -pad.left : 0);
            for (int32_t y = 0; y < 70; ++y) {
                for (int32_t x = 0; x < 90; ++x) {
                    ASSERT_EQ(window.pixels[y * window.pitch + x], image.at(x, y))
                        << x << ", " << y;
                }
            }
            if (fill == 0) {
                EXPECT_EQ(window.pixels[-1], 0);  // the pixel left of the window is padding
                EXPECT_EQ(window.pixels[-window.pitch], 0);
            }
        }
    }
}

}  // namespace
