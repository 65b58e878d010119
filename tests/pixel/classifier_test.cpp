// The symbol classifier on rendered scenes, each also as the window of a padded image: module
// grids (a pass rate over random textures), symbols of each kind and bars.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "ci_id/classifier.h"
#include "scene.h"
#include "view.h"

namespace {

using cid_test::greyImage;

using scores = std::array<ClassScore, 4>;

// Scores of a 128 x 128 scene, which must not change when it is the window of a padded image.
scores classify(const greyImage& scene, cid_symbolClassifierDiagnostics* seen = nullptr) {
    scores s{}, again{};
    cid_test::windowedImage alone(scene), padded(scene, {11, 9, 9, 9, 5, 3, -2});
    cid_symbolClassifierParams params{seen};
    EXPECT_EQ(cid_symbolClassifier_runWindow8(alone.get(), &params, s.data()), 0);
    EXPECT_EQ(cid_symbolClassifier_runWindow8(padded.get(), &params, again.data()), 0);
    EXPECT_EQ(std::memcmp(again.data(), s.data(), sizeof s), 0);
    return s;
}

// How far a direction (65536ths of a turn) lies from an angle in degrees, modulo a half turn.
double offBy(uint16_t direction, double degrees) {
    const double d = std::fmod(std::fabs(direction * 360.0 / 65536 - degrees), 180.0);
    return std::min(d, 180 - d);
}

// Grids of random dark and light modules score two directions a quarter turn apart, one along
// the grid, at the module period. How clearly depends on the texture (about nine grids in ten meet
// every bound), so the test asks for a pass rate over many seeds, not for every one.
TEST(SymbolClassifier, ModuleGridsScoreTwoDirectionsForMostTextures) {
    int passed = 0, runs = 0;
    for (double degrees : {0.0, 20.0, 45.0, 70.0}) {
        for (double module : {6.0, 8.0}) {
            for (uint32_t seed = 1; seed <= 10; ++seed, ++runs) {
                cid_test::scene layout(128, 128);
                layout.addArt(cid_test::noisePatch(64, 64, true, seed, {20, 230}),
                              {{64.5, 64.5}, module, degrees * M_PI / 180});
                const ClassScore s = classify(layout.render())[2];
                const double across = offBy(s.direction1, s.direction2 * 360.0 / 65536);
                const double along =
                    std::min(offBy(s.direction1, degrees), offBy(s.direction2, degrees));
                passed += s.score >= 80 && std::fabs(s.period / 256.0 - module) <= 0.03 * module &&
                          std::fabs(across - 90) <= 2 && along <= 2;
            }
        }
    }
    EXPECT_GE(passed, runs * 8 / 10) << passed << " of " << runs;
}

// Kinds 0 .. 3: a Data Matrix and a PDF417-like symbol score two directions, PDF417's bars also
// one (40 or more, which the Data Matrix never reaches), a 1-D barcode one, an empty window none;
// the spectrum is taken shifted so far that the log levels of rendered symbols stay below the cap
// of 255. Kinds 4 .. 13: bars at any angle score one direction, their normal, at the period of
// their edges, half the bar period.
TEST(SymbolClassifier, ScenesOfEachKindFallIntoTheirClass) {
    const double angles[] = {0, 30, 75, 120, 161};
    for (int kind = 0; kind < 14; ++kind) {
        cid_test::scene layout(128, 128);
        const cid_test::placement where{{64, 64}, kind == 0 ? 5 : kind == 1 ? 1.4 : 1.5, 0.3};
        const double degrees = angles[std::max(kind - 4, 0) / 2], period = kind % 2 ? 12 : 16;
        if (kind == 0) layout.addDataMatrix(cid_test::dmSymbol(20, 20, 3), where);
        if (kind == 1) layout.addArt(cid_test::pdf417Like(20, 1, 3, 2, 1), where);
        if (kind == 2) layout.addArt(cid_test::barcode1d(24, 60, 10, 1), where);
        if (kind > 3)
            layout.addProfile(cid_test::periodicBars(degrees * M_PI / 180, period, {30, 220}));
        cid_symbolClassifierDiagnostics seen;
        const scores c =
            classify(layout.render({4, 0, 0, 0, kind > 3 && period > 12 ? 20.0 : 0.0, 5}), &seen);
        const uint8_t peak = *std::max_element(seen.logSpectrum, seen.logSpectrum + 66 * 128);
        int best = 0;  // the first of the highest scores
        for (int k = 1; k < 4; ++k) best = c[size_t(k)].score > c[size_t(best)].score ? k : best;
        SCOPED_TRACE(kind);
        EXPECT_EQ(best, kind == 3 ? 0 : kind < 2 ? 2 : 1);
        EXPECT_TRUE((c[1].score >= 40) == (kind != 0 && kind != 3) &&
                    (c[0].score == 100) == (kind == 3) && peak < 255);
        if (kind < 4) continue;
        EXPECT_TRUE(c[1].score >= 80 && offBy(c[1].direction1, degrees) <= 2);
        EXPECT_NEAR(c[1].period / 256.0, period / 2, 0.03 * period / 2);
    }
}

}  // namespace
