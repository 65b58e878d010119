// The three pixel loops of the edge scan against a reference written from their definitions: the
// profile of each loop computed pixel by pixel, then the peak rule applied to it. Random images
// of few grey levels (so that plateaus occur), random gradient directions and random segments.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "ci_id/edgescan.h"

namespace {

struct peak {
    int64_t position;
    int32_t strength;
    int32_t midLevel;
    bool operator==(const peak& o) const {
        return position == o.position && strength == o.strength && midLevel == o.midLevel;
    }
};

// The peak rule over a whole profile g (g[0] the initial value); strength(v) and mid(k) as the
// loop defines them, mid taken at the sample k that reveals the peak.
std::vector<peak> referencePeaks(const std::vector<int64_t>& g, int64_t threshold, int64_t offset,
                                 const std::function<int32_t(int64_t)>& strength,
                                 const std::function<int32_t(int64_t)>& mid) {
    std::vector<peak> found;
    int64_t value = g[0], prev = 0, lastDelta = 0, lastChange = -1, index = 0;
    for (size_t k = 1; k < g.size(); ++k, ++index) {
        const int64_t s = g[k], d = s - value;
        if (d == 0) continue;
        if (lastDelta != 0 && (d < 0) != (lastDelta < 0) &&
            (d > 0 ? value < -threshold : value > threshold) && index - lastChange - 1 < 6) {
            const int64_t denominator = 2 * (prev - 2 * value + s);
            const int64_t f = denominator != 0 ? 16 * (prev - s) / denominator : 0;
            found.push_back(peak{((16 * (index + 1 + lastChange)) >> 1) + f + offset,
                                 strength(value), mid(static_cast<int64_t>(k))});
        }
        lastChange = index;
        lastDelta = d;
        prev = value;
        value = s;
    }
    return found;
}

struct weights {
    int64_t w1, w2, w3, w4;
};

weights weightsOf(int64_t gx, int64_t gy) {
    if (gx == 0) return {gy, 2 * gy, gy, 0};
    if (gy == 0) return {-gx, 0, gx, 2 * gx};
    const int64_t a = std::llabs(gx), b = std::llabs(gy);
    const int64_t n = b < a ? 2 * a + b : a + 2 * b;
    const int64_t x = gx * 64 / n, y = gy * 64 / n;
    return {y - x, 2 * y, x + y, 2 * x};
}

class EdgeLoopReference : public ::testing::Test {
protected:
    static constexpr int kSide = 48, kPad = 4;
    std::vector<uint8_t> pixels_ = std::vector<uint8_t>(kSide * kSide);

    int64_t grey(int64_t x, int64_t y) const { return pixels_[(y + kPad) * kSide + x + kPad]; }
    int64_t kernel(const weights& w, int64_t x, int64_t y) const {
        return w.w1 * (grey(x - 1, y + 1) - grey(x + 1, y - 1)) +
               w.w2 * (grey(x, y + 1) - grey(x, y - 1)) +
               w.w3 * (grey(x + 1, y + 1) - grey(x - 1, y - 1)) +
               w.w4 * (grey(x + 1, y) - grey(x - 1, y));
    }

    // The window pixels the loop walks for a clipped segment, in window coordinates.
    static std::vector<std::pair<int64_t, int64_t>> walk(const cidc_scanLineSeg& seg,
                                                         const cidc_windowROI& roi) {
        const int64_t x0 = seg.pix[0].x + roi.winOriginX, y0 = seg.pix[0].y + roi.winOriginY;
        const int64_t dx = int64_t{seg.pix[1].x} - seg.pix[0].x;
        const int64_t dy = int64_t{seg.pix[1].y} - seg.pix[0].y;
        const bool yMajor = std::llabs(dx) < std::llabs(dy);
        const int64_t dMajor = yMajor ? std::llabs(dy) : std::llabs(dx);
        const int64_t dMinor = yMajor ? std::llabs(dx) : std::llabs(dy);
        const int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
        std::vector<std::pair<int64_t, int64_t>> path{{x0, y0}};
        int64_t x = x0, y = y0, error = 0;
        for (int64_t k = 1; k <= dMajor; ++k) {
            error += dMinor;
            (yMajor ? y : x) += yMajor ? sy : sx;
            if (dMajor <= 2 * error) {
                (yMajor ? x : y) += yMajor ? sx : sy;
                error -= dMajor;
            }
            path.emplace_back(x, y);
        }
        return path;
    }

    std::vector<peak> expected(const cidc_scanLineSeg& seg, const cidc_windowROI& roi,
                               cidc_gradientDir16 g, int64_t threshold) const {
        const auto path = walk(seg, roi);
        const int64_t offset = static_cast<int32_t>(seg.scanPos[0].u);
        const bool horizontal = seg.line.dir.y == 0, vertical = seg.line.dir.x == 0;
        if ((horizontal && g.y == 0) || (vertical && g.x == 0)) {
            // Column sums across the scan, one pixel beyond each end along it.
            const int64_t ax = path.size() > 1 ? path[1].first - path[0].first : 0;
            const int64_t ay = path.size() > 1 ? path[1].second - path[0].second : 0;
            if (path.size() < 2) return {};
            auto sum = [&](int64_t k) {
                const int64_t x = path[0].first + k * ax, y = path[0].second + k * ay;
                return horizontal ? grey(x, y - 1) + 2 * grey(x, y) + grey(x, y + 1)
                                  : grey(x - 1, y) + 2 * grey(x, y) + grey(x + 1, y);
            };
            std::vector<int64_t> profile;
            for (size_t k = 0; k < path.size(); ++k) {
                profile.push_back(static_cast<int16_t>(sum(k + 1) - sum(int64_t(k) - 1)));
            }
            return referencePeaks(
                profile, threshold >> 2, offset, [](int64_t v) { return int32_t(v * 4); },
                [&](int64_t k) { return int32_t((((sum(k) >> 2) & 255) + ((sum(k - 2) >> 2) & 255)) >> 1); });
        }
        if (!horizontal && !vertical && path.size() < 3) return {};
        const weights w = weightsOf(g.x, g.y);
        std::vector<int64_t> profile;
        for (const auto& p : path) profile.push_back(kernel(w, p.first, p.second));
        if (path.size() < 2) return {};
        return referencePeaks(
            profile, threshold * 8, offset, [](int64_t v) { return int32_t(v >> 3); },
            [&](int64_t k) {
                return int32_t((grey(path[k].first, path[k].second) +
                                grey(path[k - 2].first, path[k - 2].second)) >> 1);
            });
    }
};

TEST_F(EdgeLoopReference, EveryLoopGivesTheReferencePeaks) {
    std::mt19937 rng(2024);
    const cidc_gradientDir16 listed[] = {{0, 1}, {0, 64}, {1, 0}, {3, -5}, {-7, 0}, {0, -300}};
    int compared = 0;
    for (int trial = 0; trial < 600; ++trial) {
        const int levels = 2 + trial % 4;
        for (uint8_t& p : pixels_) p = static_cast<uint8_t>(rng() % levels * (255 / (levels - 1)));
        cimg_imageConst image;
        ASSERT_EQ(cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, kSide, kSide, kSide,
                                                pixels_.data()),
                  0);
        ASSERT_EQ(cimg_imageConst_window(&image, kPad, kPad, kSide - 2 * kPad, kSide - 2 * kPad), 0);
        const cidc_windowRect w{kSide - 2 * kPad, kSide - 2 * kPad, kPad, kPad};
        cidc_windowROI roi;
        cidc_windowROI_initCenter(&roi, &w, 2, 2);
        cidc_gradientDir16 g = listed[trial % 6];
        if (trial % 3 == 0) g = {int16_t(int(rng() % 201) - 100), int16_t(int(rng() % 201) - 100)};
        // Axis-parallel scans for a third of the trials, oblique ones otherwise.
        cidc_point64_4 a{int64_t(rng() % 640) - 320, int64_t(rng() % 640) - 320}, b = a;
        if (trial % 3 == 1) {
            (rng() % 2 ? b.x : b.y) += int64_t(rng() % 600) - 300;
        } else {
            b = {int64_t(rng() % 640) - 320, int64_t(rng() % 640) - 320};
        }
        cidc_scanLineSeg seg, clipped;
        if (a.x == b.x && a.y == b.y) continue;
        ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &a, &b, nullptr), 0);
        cidc_scanShape shape;
        cidc_scanShape_initScanLineSeg(&shape, &seg);
        const cidc_edgeScanParams params{int32_t(rng() % 200)};
        cstd_vector_cidc_peakIDFixedX_4 peaks;
        ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&peaks), 0);
        ASSERT_EQ(cidc_runEdgeScan(&image, &roi, &params, &shape, &g, &peaks, &clipped), 0);
        cidc_peakIDFixedX_4* first = nullptr;
        int32_t count = 0;
        cstd_vector_cidc_peakIDFixedX_4_getBeginSize32(&peaks, &first, &count);
        std::vector<peak> got;
        for (int32_t i = 0; i < count; ++i) {
            got.push_back(peak{first[i].position, first[i].strength, first[i].midLevel});
        }
        cstd_vector_cidc_peakIDFixedX_4_destruct(&peaks);
        cimg_imageConst_destruct(&image);
        if (clipped.degenerate) continue;
        EXPECT_EQ(got, expected(clipped, roi, g, params.contrastThreshold))
            << "trial " << trial << " g (" << g.x << ", " << g.y << ")";
        compared += !got.empty();
    }
    EXPECT_GT(compared, 300);
}

}  // namespace
