// The classifier's spectrum shift, kept against the unshifted spectrum: why it is needed, and that
// rendered symbols of each kind still fall into their own class.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "ci_id/classifier.h"
#include "ci_id/fft.h"
#include "scene.h"
#include "view.h"

namespace {

// A Data Matrix, a PDF417-like symbol, a 1-D barcode, or nothing, in a 128 x 128 window.
cid_test::greyImage rendered(int kind) {
    cid_test::scene layout(128, 128);
    cid_test::placement where{{64, 64}, kind == 0 ? 5 : kind == 1 ? 1.4 : 1.5, 0.3};
    if (kind == 0) layout.addDataMatrix(cid_test::dmSymbol(20, 20, 3), where);
    if (kind == 1) layout.addArt(cid_test::pdf417Like(20, 1, 3, 2, 1), where);
    if (kind == 2) layout.addArt(cid_test::barcode1d(24, 60, 10, 1), where);
    return layout.render(cid_test::imagingConditions{});
}

// How many spectrum values of the upper half reach a level of 256 or more, the level being
// 30 * fastLog of the alpha-max-beta-min magnitude, of the Sobel magnitude in the disc of radius
// 63, both as the classifier computes them.
int overflowing(const cid_test::greyImage& in, int32_t shift) {
    std::vector<uint8_t> g(128 * 128, 0);
    for (int y = 1; y < 127; ++y) {
        const int h = int(std::sqrt(3969.0 - (64 - y) * (64 - y)));
        for (int x = std::max(64 - h, 1); x <= std::min(64 + h, 126); ++x) {
            auto p = [&](int dx, int dy) { return int(in.at(x + dx, y + dy)); };
            const int gy = p(-1, 1) + 2 * p(0, 1) + p(1, 1) - p(-1, -1) - 2 * p(0, -1) - p(1, -1);
            const int gx = p(1, -1) + 2 * p(1, 0) + p(1, 1) - p(-1, -1) - 2 * p(-1, 0) - p(-1, 1);
            g[size_t(y * 128 + x)] = uint8_t((std::abs(gx) + std::abs(gy)) >> 3);
        }
    }
    std::vector<cf_fixedComplex32> f(128 * 128);
    EXPECT_EQ(cf2DFFT_32x32_fixed(1, shift, g.data(), f.data(), 128, 128, 0, 0), 0);
    int over = 0;
    for (int i = 0; i < 66 * 128; ++i) {
        const float a = std::fabs(float(f[size_t(i)].re)), b = std::fabs(float(f[size_t(i)].im));
        const float m = 0.96043384f * std::max(a, b) + 0.39782473f * std::min(a, b) + 1.0f;
        uint32_t bits;
        std::memcpy(&bits, &m, sizeof bits);
        over += (bits * 8.262958e-8 - 87.98997) * 30.0 >= 256;
    }
    return over;
}

TEST(ClassifierShift, UnshiftedSpectraOverflowAndSymbolsKeepTheirClasses) {
    // The best record: two directions for a Data Matrix and for PDF417, whose bars also score
    // one direction (40 or more) where the Data Matrix does not; one direction for 1-D bars; no
    // structure for nothing.
    const int best[4] = {2, 2, 1, 0};
    for (int kind = 0; kind < 4; ++kind) {
        const cid_test::greyImage image = rendered(kind);
        if (kind < 3) {
            // Unshifted nearly every level passes 255 (up to about 590); shifted by 16 none does.
            EXPECT_GT(overflowing(image, 0), 66 * 128 * 99 / 100) << kind;
            EXPECT_EQ(overflowing(image, 16), 0) << kind;
        }
        cid_test::windowedImage view(image);
        cid_symbolClassifierParams params;
        cid_symbolClassifierParams_init(&params);
        ClassScore scores[4];
        ASSERT_EQ(cid_symbolClassifier_runWindow8(view.get(), &params, scores), 0);
        int top = 0;
        for (int k = 1; k < 4; ++k) top = scores[k].score > scores[top].score ? k : top;
        EXPECT_EQ(top, best[kind]) << kind;
        EXPECT_EQ(scores[1].score >= 40, kind == 1 || kind == 2) << kind;
    }
}

}  // namespace
