// PDF417 location from seeds and edge lists: the quadrilateral of four straight sides, the size
// and aspect limits, the start pattern's wide bar found from a scan line's edges, and bad edge
// lists and scan lines, which get a status.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "ci_id/pdf417.h"
#include "ci_id/status.h"
#include "scene.h"
#include "view.h"

namespace {

using namespace cid_test;

struct finder {
    explicit finder(const greyImage& image) : view(image), work(CID2D_WORK_BUFFER_MIN / 4 + 1) {
        cid2d_trackingParams_init(&params);
        params.workBuffer = reinterpret_cast<unsigned char*>(work.data());
        params.workBufferSize = CID2D_WORK_BUFFER_MIN;
        params.minSmoothing = 1;
        cimg_image_construct(&marker, CIMG_DEPTH_8U, (image.width + 3) / 4, (image.height + 3) / 4);
        cbt_runParams_init(&run);
        cid2d_trackingResult_construct(&result);
        result.trackCalls = 0;
    }
    ~finder() {
        cid2d_trackingResult_destruct(&result);
        cimg_image_destruct(&marker);
    }
    // Tracks the dark blob whose left edge lies at column x of row y.
    int32_t fromSeed(int32_t x, int32_t y, int32_t patternMode) {
        cid2d_trackingSeed seed{x, y, 300, 125, 0, 1, (x - 1) * 256, y * 256, (x + 2) * 256, y * 256};
        return cf_BndFindPDPSymbolFromSeed(view.get(), &params, &seed, &run, &marker, patternMode,
                                           nullptr, 0, nullptr, &result);
    }
    windowedImage view;
    std::vector<uint32_t> work;
    cid2d_trackingParams params;
    cimg_image marker;
    cbt_runParams run;
    cid2d_trackingResult result;
};

// A dark quadrilateral on light ground, blurred a little.
greyImage darkQuad(const quad& corners) {
    scene layout(200, 160, 220);
    layout.addArt(cellGrid(1, 1, {30}), corners);
    imagingConditions conditions;
    conditions.blurSigma = 0.7;
    return layout.render(conditions);
}

// Whether the result's four corners are the given ones, in any order, within tolerance.
bool hasCorners(const cid2d_trackingResult& r, const quad& corners, double tolerance) {
    const cmath_vect found[4] = {r.rect.po, r.rect.px, r.rect.py, r.farCorner};
    for (const cmath_vect& c : corners) {
        bool near = false;
        for (const cmath_vect& f : found) near |= std::hypot(f.x - c.x, f.y - c.y) <= tolerance;
        if (!near) return false;
    }
    return true;
}

struct quadCase {
    const char* what;
    quad corners;
    bool found;
};

class Pdf417Quadrilateral : public testing::TestWithParam<quadCase> {};

TEST_P(Pdf417Quadrilateral, FoundWithItsCornersOrRejected) {
    const quadCase& c = GetParam();
    finder f(darkQuad(c.corners));
    const double leftX = std::min(c.corners[0].x, c.corners[3].x);
    const int32_t row = static_cast<int32_t>((c.corners[0].y + c.corners[3].y) / 2);
    // The seed lies on the row, just left of the blob's left edge, whichever it is.
    int32_t x = static_cast<int32_t>(leftX) - 3;
    while (f.view.storage.pixels[row * f.view.storage.width + x + 1] > 125) ++x;
    ASSERT_EQ(f.fromSeed(x, row, 0), 0) << c.what;
    EXPECT_EQ(f.result.found, c.found ? 1 : 0) << c.what;
    EXPECT_EQ(f.result.trackCalls, 1) << c.what;
    if (c.found) {
        EXPECT_TRUE(hasCorners(f.result, c.corners, 1.0)) << c.what;
        EXPECT_EQ(f.result.cornerScore, 700) << c.what;
        const cmath_vect a{f.result.rect.px.x - f.result.rect.po.x, f.result.rect.px.y - f.result.rect.po.y};
        const cmath_vect b{f.result.rect.py.x - f.result.rect.po.x, f.result.rect.py.y - f.result.rect.po.y};
        EXPECT_LE(a.x * b.y - a.y * b.x, 0) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, Pdf417Quadrilateral,
    testing::Values(
        quadCase{"rectangle", {{{50.3, 40.2}, {150.1, 40.2}, {150.1, 110.6}, {50.3, 110.6}}}, true},
        quadCase{"rotated", {{{60, 30}, {150, 62}, {132, 113}, {42, 81}}}, true},
        // Corners of 84 and 96 degrees: the second turns more than a right angle.
        quadCase{"perspective", {{{50, 40}, {150, 30}, {158, 120}, {45, 110}}}, true},
        quadCase{"aspect 2.9", {{{20.5, 60.5}, {165.5, 60.5}, {165.5, 110.5}, {20.5, 110.5}}}, true},
        quadCase{"aspect 3.5", {{{20.5, 70.5}, {160.5, 70.5}, {160.5, 110.5}, {20.5, 110.5}}}, false},
        quadCase{"triangle", {{{50, 30}, {150, 70}, {150.001, 70.001}, {50, 120}}}, false}));

TEST(Pdf417Finder, DiscHasNoStraightSides) {
    greyImage image(200, 160, 220);
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            if (std::hypot(x - 100, y - 80) < 40) image.pixels[y * image.width + x] = 30;
        }
    }
    finder f(image);
    ASSERT_EQ(f.fromSeed(59, 80, 1), 0);
    EXPECT_EQ(f.result.found, 0);
}

// The start pattern's wide bar of an upright symbol, from the edges of one row.
TEST(Pdf417Finder, StartBarFromTheEdgesOfARow) {
    scene layout(400, 120, 220);
    placement where;
    where.centre = {200.2, 60.3};
    where.unit = 3;
    const quad body = layout.addArt(pdf417Like(4, 1, 3, 2, 5), where);
    finder f(layout.render());
    const int32_t y = 60;
    std::vector<cmath_vect> points;
    std::vector<uint8_t> profile;
    std::vector<int16_t> edges;
    for (int32_t x = 0; x < 400; ++x) {
        points.push_back({x + 0.5, y + 0.5});
        profile.push_back(f.view.storage.pixels[y * 400 + x]);
        if (x > 0 && (profile[x - 1] < 125) != (profile[x] < 125)) {
            edges.push_back(static_cast<int16_t>(profile[x] < 125 ? -(x - 1) : x - 1));
        }
    }
    ASSERT_EQ(cf_BndFindMatchingPDP(f.view.get(), &f.params, nullptr, 0, nullptr, &f.marker, 1,
                                    edges.data(), static_cast<int32_t>(edges.size()), 400, 0,
                                    points.data(), profile.data(), &f.result),
              0);
    ASSERT_EQ(f.result.found, 1);
    const quad bar = {body[0], {body[0].x + 24, body[0].y}, {body[3].x + 24, body[3].y}, body[3]};
    EXPECT_TRUE(hasCorners(f.result, bar, 1.0));
}

struct badInput {
    const char* what;
    std::vector<int16_t> edges;
    int32_t length;
    int32_t row;  // of cf_BndFindNextPDP
    int32_t status;
};

class Pdf417BadInput : public testing::TestWithParam<badInput> {};

TEST_P(Pdf417BadInput, GetsAStatus) {
    const badInput& b = GetParam();
    finder f(greyImage(64, 48, 200));
    std::vector<cmath_vect> points(64, cmath_vect{10.5, 10.5});
    points[7] = {std::numeric_limits<double>::quiet_NaN(), 3};
    points[9] = {70, 3};
    std::vector<uint8_t> profile(64, 100);
    if (b.length >= 0) {
        EXPECT_EQ(cf_BndFindMatchingPDP(f.view.get(), &f.params, nullptr, 0, nullptr, &f.marker, 1,
                                        b.edges.data(), static_cast<int32_t>(b.edges.size()),
                                        b.length, 0, points.data(), profile.data(), &f.result),
                  b.status)
            << b.what;
    } else {
        int32_t rows[1] = {b.row};
        f.params.scanLines = rows;
        f.params.scanLineCount = 1;
        f.params.firstScanLine = b.row == 99 ? 1 : 0;
        const std::vector<int16_t> good = {3, -5};
        EXPECT_EQ(cf_BndFindNextPDP(f.view.get(), &f.params, nullptr, 0, nullptr, &f.marker, 1,
                                    b.edges.data(), good.data(), good.data(),
                                    static_cast<int32_t>(b.edges.size()), 2, 2, &f.result),
                  b.status)
            << b.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Pdf417BadInput,
    testing::Values(
        badInput{"index past the profile", {2, -4, 40}, 40, 0, CID_STATUS_OUT_OF_RANGE},
        badInput{"index 0", {0, -4}, 40, 0, CID_STATUS_OUT_OF_RANGE},
        badInput{"more edges than samples", {1, -2, 3, -4}, 3, 0, CID_STATUS_OUT_OF_RANGE},
        badInput{"profile beyond 16 bits", {1, -2}, 40000, 0, CID_STATUS_OUT_OF_RANGE},
        badInput{"same polarity twice", {2, 4, -6}, 40, 0, CID_STATUS_INVALID_VALUE},
        badInput{"not increasing", {4, -2, 6}, 40, 0, CID_STATUS_INVALID_VALUE},
        badInput{"position not finite", {2, -7}, 40, 0, CID_STATUS_OUTSIDE_WINDOW},
        badInput{"position outside the window", {2, -9}, 40, 0, CID_STATUS_OUTSIDE_WINDOW},
        badInput{"row below the window", {3, -5}, -1, 48, CID_STATUS_OUTSIDE_WINDOW},
        badInput{"row above the window", {3, -5}, -1, -1, CID_STATUS_OUTSIDE_WINDOW},
        badInput{"scan line index past the list", {3, -5}, -1, 99, CID_STATUS_OUT_OF_RANGE},
        badInput{"column outside the window", {3, -64}, -1, 20, CID_STATUS_OUTSIDE_WINDOW},
        badInput{"columns not alternating", {3, 5}, -1, 20, CID_STATUS_INVALID_VALUE}));

}  // namespace
