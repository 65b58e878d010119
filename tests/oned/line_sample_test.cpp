// Line sampling: the listed grey values, bilinear samples under the 255-weight rule along random
// sub-pixel lines of a window inside a padded image, and clipped ends.
#include <gtest/gtest.h>

#include "bar_scene.h"
#include "ci_id/oned.h"
#include "view.h"

namespace {

// A random 40 x 30 image as the window, at image coordinates (13, -7), of a padded image.
struct paddedRandom {
    cid_test::greyImage content = cid_test::randomGreyImage(40, 30, 41);
    cid_test::windowedImage padded{content, {4, 3, 6, 7, 2, 9, -10}};
    cimg_windowConst window = cid_test::windowOf(padded.get());
    // Window coordinates of pixel centres, as the samplers use them.
    static double u(const cmath_vect& p) { return p.x - 13.5; }
    static double v(const cmath_vect& p) { return p.y + 6.5; }
    bool inside(cmath_vect p) const { return u(p) >= 0 && v(p) >= 0 && u(p) < 39 && v(p) < 29; }
    // Bilinear value with 8-bit weights that sum to 255.
    int bilinear(const cmath_vect& p) const {
        const int i = int(std::floor(u(p))), j = int(std::floor(v(p)));
        const int fx = int((u(p) - i) * 256), fy = int((v(p) - j) * 256);
        const auto at = [&](int di, int dj) { return int(content.at(i + di, j + dj)); };
        const auto row = [&](int dj) { return at(0, dj) * (255 - fx) + at(1, dj) * fx; };
        return (row(0) * (255 - fy) + row(1) * fy) >> 16;
    }
};

cmath_vect along(const cmath_vect& p0, const cmath_vect& p1, double t) {
    return {p0.x + t * (p1.x - p0.x), p0.y + t * (p1.y - p0.y)};
}

// Random lines inside the window, and from inside it to 60 pixels outside (or back): samples
// agree with the reference where the line is inside; clipped samples repeat the nearest sample
// inside.
TEST(LinePixels, SamplersAgreeWithBilinearReferenceOnRandomLines) {
    std::mt19937 rng(41);
    const paddedRandom w;
    // Inside by 3 pixels, and inside at all.
    std::uniform_real_distribution<> x(16.5, 48.5), y(-3.5, 18.5), X(13.5, 51.5), Y(-6.5, 21.5);
    for (int trial = 0; trial < 300; ++trial) {
        const bool clipped = trial % 3 != 0, outward = trial % 3 == 1;
        const double a = 0.01 * (rng() % 629);
        const cmath_vect inner{x(rng), y(rng)};
        const cmath_vect outer =
            clipped ? cmath_vect{inner.x + 60 * std::cos(a), inner.y + 60 * std::sin(a)}
                    : cmath_vect{X(rng), Y(rng)};
        const cmath_vect p0 = outward ? inner : outer, p1 = outward ? outer : inner;
        const double length = std::hypot(p1.x - p0.x, p1.y - p0.y);
        const int n = 1 + int(std::lround(length) + rng() % uint32_t(2 * std::lround(length) + 1));
        std::vector<uint8_t> mid(static_cast<size_t>(n)), start(mid), nearest(mid);
        uint8_t mean = 0, mean1 = 0;
        double spacing = 0, sum = 0;
        uint32_t variation = 0, expected = 0;
        ASSERT_EQ(cidut_linePixels(&w.window, &p0, &p1, mid.data(), n, &mean, &spacing), 0);
        ASSERT_EQ(cidut_linePixels1(&w.window, &p0, &p1, start.data(), n, &mean1), 0);
        ASSERT_EQ(cidut_linePixels_LowPPM(&w.window, &p0, &p1, nearest.data(), n, &spacing), 0);
        ASSERT_EQ(cidut_linePixels2D(&w.window, &p0, &p1, n, &variation), 0);
        const auto centre = [&](int k) { return along(p0, p1, (k + 0.5) / n); };
        for (int k = 0; k < n; ++k) {
            const cmath_vect c = centre(k);
            int inside = k;  // the nearest sample inside
            while (!w.inside(centre(inside))) inside += outward ? -1 : 1;
            EXPECT_EQ(mid[size_t(k)], mid[size_t(inside)]) << trial << " " << k;
            // ... which is the last sample the clipped range keeps, up to two samples inwards.
            const auto miss = [&](int d) {
                return std::abs(mid[k] - w.bilinear(centre(inside + (outward ? -d : d))));
            };
            EXPECT_LE(k == inside ? 0 : std::min({miss(0), miss(1), miss(2)}), 2) << trial;
            // The clipped range rounds inwards by up to two samples.
            if (k < 2 || k + 2 >= n || !w.inside(centre(k - 2)) || !w.inside(centre(k + 2)))
                continue;
            // Truncated 16.16 steps drift by up to k / 65536 pixel: a weight may differ by 1/256.
            EXPECT_NEAR(mid[size_t(k)], w.bilinear(c), 2) << trial << " " << k;
            EXPECT_NEAR(start[size_t(k)], w.bilinear(along(p0, p1, double(k) / n)), 2);
            // The nearest-pixel sampler reads the top left of the same neighbourhood.
            const double fu = w.u(c) - std::floor(w.u(c)), fv = w.v(c) - std::floor(w.v(c));
            if (std::min({fu, fv, 1 - fu, 1 - fv}) > 1e-3) {
                EXPECT_EQ(nearest[size_t(k)], w.content.at(int(w.u(c)), int(w.v(c))));
            }
        }
        if (clipped) continue;
        // The variation steps two samples at a time from the first sample of linePixels1.
        for (int j = 1; j < (n >> 1); ++j)
            expected += uint32_t(std::abs(start[2 * j] - start[2 * j - 2]));
        for (const uint8_t m : mid) sum += m;
        EXPECT_EQ(variation, expected);
        EXPECT_NEAR(mean, sum / n, 1.0);
        EXPECT_NEAR(spacing, length / n, 1e-12);
    }
}

// The listed uniform grey: 200 reads as 198, 255 as 253 (the weights sum to 255), also at the
// most samples a pixel may take.
TEST(LinePixels, ListedUniformGrey) {
    for (const auto& [level, n] : {std::pair{200, 10}, {255, 640}}) {
        const cid_test::greyImage image(16, 16, uint8_t(level));
        const cimg_windowConst w = oned_test::windowOf(image);
        const cmath_vect p0{0.5, 5.5}, p1{10.5, 5.5};
        std::vector<uint8_t> s(static_cast<size_t>(n));
        uint8_t mean = 0;
        double spacing = 0;
        ASSERT_EQ(cidut_linePixels(&w, &p0, &p1, s.data(), n, &mean, &spacing), 0);
        const uint8_t expected = uint8_t(level * 65025 / 65536);
        EXPECT_TRUE(s == std::vector<uint8_t>(s.size(), expected) && mean == expected) << level;
        EXPECT_DOUBLE_EQ(spacing, 10.0 / n);
    }
}

}  // namespace
