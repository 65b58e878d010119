// The whole-image searches (search.h) on rendered scenes: every symbol found once with its corners
// in order, nothing on clutter, caller arrays too small, the library-allocated and C++ forms, stop
// requests and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "ci_id/barcode.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/search.h"
#include "ci_id/status.h"
#include "scene.h"
#include "view.h"

namespace {

using namespace cid_test;

// Three Data Matrix symbols of different sizes and rotations and a barcode of short bars, on a
// background of the barcode's light level, blurred and noisy.
struct mixedScene {
    std::vector<dmTruth> symbols;
    quad barcode;
    greyImage image;
    explicit mixedScene(double noise = 3) {
        scene layout(640, 480, 220);
        const double rotations[3] = {0.3, 2.0, -1.2};
        const cmath_vect centres[3] = {{130, 120}, {500, 130}, {330, 370}};
        for (int k = 0; k < 3; ++k) {
            symbols.push_back(layout.addDataMatrix(dmSymbol(14 + 2 * k, 14 + 2 * k, 5 + k),
                                                   placement{centres[k], 4.0 + k, rotations[k]}));
        }
        barcode = layout.addArt(barcode1d(24, 12, 4, 9), placement{{330, 220}, 2, 0.4});
        image = layout.render(imagingConditions{4, 0, 0, 0.8, noise});
    }
};

const mixedScene kMixed;

std::vector<cid_symbol> searchAll(const cimg_imageConst* image, const cid_searchOptions* options,
                                  int32_t expectedStatus = 0) {
    std::vector<cid_symbol> symbols(16);
    int32_t count = -1;
    EXPECT_EQ(cid_findSymbols(image, options, symbols.data(), 16, &count), expectedStatus);
    EXPECT_TRUE(count >= 0 && (count == 0 || expectedStatus == 0));
    symbols.resize(size_t(std::clamp(count, 0, 16)));
    return symbols;
}

// Each symbol once: a Data Matrix from its L vertex (the truth's bottom-left) round one solid side
// and the far corner (top-right), within 1.5 pixels; the barcode candidate's corners at the bars'
// with its y side (Po to Py) along them. On a plain image, walking columns too, and on the window
// of a larger image with other coordinates.
class MixedScene : public testing::TestWithParam<std::tuple<int32_t, padding, cmath_vect>> {};

TEST_P(MixedScene, EverySymbolFoundOnceWithItsCorners) {
    const auto [columns, pad, shift] = GetParam();
    const windowedImage view(kMixed.image, pad);
    const cid_searchOptions options{CID_SYMBOL_ALL, 8, columns, 0, 0, 15, 0};
    const std::vector<cid_symbol> found = searchAll(view.get(), &options);
    ASSERT_EQ(found.size(), 4u);
    auto near = [&](const cid_symbol& s, int k, cmath_vect p) {
        return std::hypot(s.corners[k].x - p.x - shift.x, s.corners[k].y - p.y - shift.y) <
               (s.type == CID_SYMBOL_DATAMATRIX ? 1.5 : 3);
    };
    for (const dmTruth& truth : kMixed.symbols) {
        const quad& t = truth.corners;
        const auto s = std::find_if(found.begin(), found.end(), [&](const cid_symbol& s) {
            return s.type == CID_SYMBOL_DATAMATRIX && near(s, 0, t[3]);
        });
        ASSERT_NE(s, found.end());
        EXPECT_TRUE(near(*s, 2, t[1]));
        EXPECT_TRUE((near(*s, 1, t[0]) && near(*s, 3, t[2])) ||
                    (near(*s, 1, t[2]) && near(*s, 3, t[0])));
    }
    const cid_symbol& bars = found.back();
    const quad& t = kMixed.barcode;  // the bars run from t[0] to t[3]
    int match[4] = {4, 4, 4, 4};     // the truth's corner at each of the candidate's; 4 for none
    for (int k = 0; k < 16; ++k) {
        if (near(bars, k / 4, t[k % 4])) match[k / 4] = k % 4;
    }
    EXPECT_TRUE(match[1] < 4 && match[2] < 4 && match[0] + match[3] == 3);
}

const std::tuple<int32_t, padding, cmath_vect> kViews[] = {
    {0, {}, {0, 0}}, {1, {}, {0, 0}}, {0, {13, 7, 21, 5, 3, 100, -60}, {113, -53}}};
INSTANTIATE_TEST_SUITE_P(Views, MixedScene, testing::ValuesIn(kViews));

// Camera noise up to sigma 16 on a 30-220 contrast, in a window with other coordinates: the Data
// Matrix symbols are still found at their L vertices, and noise alone gives nothing.
TEST(Search, NoisyScenesGiveTheSymbolsAndNoiseAloneNothing) {
    const padding pad{13, 7, 21, 5, 3, 100, -60};
    for (double noise : {8.0, 12.0, 16.0}) {
        const mixedScene noisy(noise);
        const windowedImage view(noisy.image, pad);
        cid_symbol found[8];
        int32_t count = 0;
        ASSERT_EQ(cid_findDataMatrix(view.get(), nullptr, found, 8, &count), 0);
        ASSERT_EQ(count, 3) << noise;
        for (const dmTruth& truth : noisy.symbols) {
            EXPECT_TRUE(std::any_of(found, found + 3, [&](const cid_symbol& s) {
                return std::hypot(s.corners[0].x - truth.corners[3].x - 113,
                                  s.corners[0].y - truth.corners[3].y + 53) < 2;
            })) << noise;
        }
        scene empty(640, 480, 220);
        const windowedImage blank(empty.render(imagingConditions{4, 0, 0, 0.8, noise}), pad);
        ASSERT_EQ(cid_findDataMatrix(blank.get(), nullptr, found, 8, &count), 0);
        EXPECT_EQ(count, 0) << noise;
    }
}

// Small crops of modules of two or three pixels, noisy or blurred, which the window as it is often
// hides (blurred ones come out of the sharpened copy): most are found, and nothing else is.
TEST(Search, SmallCropsOfNoisyOrBlurredModules) {
    cid_searchOptions options;
    cid_searchOptions_init(&options);
    options.allowSkew = 1;
    std::mt19937 rng(5);
    auto uniform = [&](double a, double b) { return std::uniform_real_distribution<>(a, b)(rng); };
    for (bool blurred : {false, true}) {
        int hits = 0;
        for (uint32_t k = 0; k < 24; ++k) {
            const int modules = 16 + 2 * int(k % 2);
            const double contrast = uniform(blurred ? 50 : 70, blurred ? 150 : 130);
            const double unit = uniform(2.1, 2.8);
            const ink colours{128 - contrast / 2, 128 + contrast / 2, k % 3 == 0};
            const int size = int(unit * (modules + 4) * 1.6) + 30;
            scene layout(size, size, colours.ofLight());
            const placement where{{size / 2.0, size / 2.0}, unit, uniform(0, 6.283)};
            const dmTruth truth =
                layout.addDataMatrix(dmSymbol(modules, modules, k), where, {colours, 2});
            const double blur = blurred ? uniform(1.1, 1.4) : uniform(0.8, 1.2);
            const double noise = blurred ? 2 : uniform(16, 22);
            const windowedImage view(layout.render(imagingConditions{4, 0, 0, blur, noise, k + 1}));
            cid_symbol found[4];
            int32_t count = 0;
            ASSERT_EQ(cid_findDataMatrix(view.get(), &options, found, 4, &count), 0);
            for (int32_t i = 0; i < std::min(count, 4); ++i) {
                EXPECT_LT(std::hypot(found[i].corners[0].x - truth.corners[3].x,
                                     found[i].corners[0].y - truth.corners[3].y),
                          2)
                    << k;
            }
            hits += count == 1;
        }
        // Without the filtered copies: 12 blurred and 14 noisy of 24.
        EXPECT_GE(hits, blurred ? 16 : 12);
    }
}

// Text, a random module grid, a PDF417-like symbol and bars across the whole image.
TEST(Search, NothingOnClutter) {
    scene layout(640, 480);
    layout.addArt(textClutter(4, 12, 1.2, 5), placement{{200, 150}, 3, 0.2});
    layout.addArt(noisePatch(16, 16, true, 4), placement{{480, 300}, 5, 0.2});
    layout.addArt(pdf417Like(6, 3, 3, 2, 7), placement{{200, 400}, 2, 0.2});
    layout.addProfile(randomBars(1.2, 3, 12, 5));
    const windowedImage view(layout.render(imagingConditions{4, 0, 0, 0.7, 3}));
    const cid_searchOptions options{CID_SYMBOL_ALL, 8, 1, 0, 0, 15, 0};  // columns too
    EXPECT_TRUE(searchAll(view.get(), &options).empty());
}

// From no room to room for all: the count is the whole, exactly the first capacity symbols are
// written and the guard beyond them is not.
TEST(Search, CallerArraysThatAreTooSmall) {
    const windowedImage view(kMixed.image);
    const std::vector<cid_symbol> all = searchAll(view.get(), nullptr);
    for (int32_t capacity = 0; capacity <= int32_t(all.size()); ++capacity) {
        std::vector<cid_symbol> out(size_t(capacity) + 1, cid_symbol{-7, -7, {}});
        int32_t count = 0;
        cid_symbol* into = capacity ? out.data() : nullptr;
        ASSERT_EQ(cid_findSymbols(view.get(), nullptr, into, capacity, &count), 0);
        EXPECT_EQ(size_t(count), all.size());
        EXPECT_EQ(std::memcmp(out.data(), all.data(), sizeof(cid_symbol) * size_t(capacity)), 0);
        EXPECT_EQ(out.back().type, -7);
    }
}

// The library-allocated form, the C++ wrapper and the searches of one kind agree with it.
TEST(Search, OtherFormsAgreeWithTheCallerArray) {
    const windowedImage view(kMixed.image);
    const std::vector<cid_symbol> all = searchAll(view.get(), nullptr);
    auto same = [&](const cid_symbol* s, size_t n, size_t from = 0) {
        return std::memcmp(s, all.data() + from, sizeof(cid_symbol) * n) == 0;
    };
    cid_symbol* released = nullptr;
    int32_t count = 0;
    ASSERT_EQ(cid_findSymbolsNew(view.get(), nullptr, &released, &count), 0);
    EXPECT_TRUE(size_t(count) == all.size() && same(released, all.size()));
    EXPECT_TRUE(cid_symbols_release(&released) == 0 && !released &&
                !cid_symbols_release(&released));
    const std::vector<cid_symbol> wrapped = ci_id::findSymbols(*view.get());
    EXPECT_TRUE(wrapped.size() == all.size() && same(wrapped.data(), all.size()));
    cid_symbol kind[4];
    ASSERT_EQ(cid_findDataMatrix(view.get(), nullptr, kind, 4, &count), 0);
    EXPECT_TRUE(count == 3 && same(kind, 3));
    ASSERT_EQ(cid_findBarcodes(view.get(), nullptr, kind, 4, &count), 0);
    EXPECT_TRUE(count == 1 && same(kind, 1, 3));
}

TEST(Search, StopRequestEndsTheSearch) {
    const windowedImage view(kMixed.image);
    csys_attentionToken token{0};
    csys_attentionToken* previous = csys_attention_bindToken(&token);
    csys_attention_requestStop(&token);
    EXPECT_TRUE(searchAll(view.get(), nullptr, CSYS_STATUS_STOP_REQUESTED).empty());
    EXPECT_THROW(ci_id::findSymbols(*view.get()), ci_id::searchError);
    csys_attention_bindToken(previous);
}

// Bad images, options and regions get a status, and the searches count nothing.
TEST(Search, BadInputGetsAStatus) {
    cimg_image unbound, deep, small;
    cimg_image_constructUnbound(&unbound);
    cimg_image_construct(&deep, CIMG_DEPTH_32S, 64, 64);
    cimg_image_construct(&small, CIMG_DEPTH_8U, 64, 64);
    // Fine; spacing 0, a negative or NaN size, a maximum below the minimum, an unknown type.
    const cid_searchOptions fine{7, 8, 0, 0, 0, 15, 0};
    const cid_searchOptions bad[] = {{7, 0, 0, 0, 0, 15, 0},
                                     {7, 8, 0, 0, 0, -1, 0},
                                     {7, 8, 0, 0, 0, 15, NAN},
                                     {7, 8, 0, 0, 0, 15, 10},
                                     {8, 8, 0, 0, 0, 15, 0}};
    EXPECT_TRUE(searchAll(&unbound.asConst, &fine, CIMG_STATUS_NOT_BOUND).empty());
    EXPECT_TRUE(searchAll(&deep.asConst, &fine, CIMG_STATUS_INVALID_IMAGE).empty());
    for (const cid_searchOptions& o : bad) {
        EXPECT_TRUE(searchAll(&small.asConst, &o, CID_STATUS_INVALID_VALUE).empty());
    }
    cid_region region, aligned;
    int32_t flag = 0;
    cid_region_init(&region);
    EXPECT_EQ(cid2d_getIsCandidateBarcodeLike(&deep.asConst, &region, &flag, &aligned),
              CIMG_STATUS_INVALID_IMAGE);
    region.Px.x = NAN;
    EXPECT_EQ(cid2d_getIsCandidateBarcodeLike(&small.asConst, &region, &flag, &aligned),
              CID_STATUS_OUT_OF_RANGE);
    for (cimg_image* image : {&unbound, &deep, &small}) cimg_image_destruct(image);
}

}  // namespace
