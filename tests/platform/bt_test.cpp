// Boundary tracker on synthetic blobs: contour shape and length, connectivity, holes, borders,
// limits, windows with offsets, sub-pixel accuracy on blurred edges, adaptive thresholds.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "ci_id/platform/cbt.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csys_status.h"
#include "grey_image.h"
#include "test_support.h"

namespace {

using cid_test::greyImage;

// Renders coverage of an inside(x, y) predicate with 8 x 8 samples per pixel.
greyImage render(int w, int h, int dark, int light,
                 const std::function<bool(double, double)>& inside) {
    greyImage image(w, h, light);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 8; ++sy) {
                for (int sx = 0; sx < 8; ++sx)
                    hits += inside(x + (sx + 0.5) / 8, y + (sy + 0.5) / 8);
            }
            image.at(x, y) =
                static_cast<unsigned char>(std::lround(light + (dark - light) * hits / 64.0));
        }
    }
    return image;
}

struct tracked {
    int32_t status;
    std::vector<cbt_point> points;
    int32_t flags;
};

// Tracks from (startX, startY) (object side) towards (endX, endY), pixel indices.
tracked track(const cimg_imageConst* image, int startX, int startY, int endX, int endY,
              int polarity, int threshold, std::function<void(cbt_runParams&)> adjust = {}) {
    cbt_runParams params;
    cbt_runParams_init(&params);
    params.polarity = polarity;
    params.threshold = threshold;
    params.start2X = startX * 256;
    params.start2Y = startY * 256;
    params.start1X = endX * 256;
    params.start1Y = endY * 256;
    if (adjust) adjust(params);
    cbt_result result;
    cbt_result_construct(&result, 0);
    tracked out;
    out.status = cbt_boundaryTrack(image, &params, &result);
    out.points.assign(result.points, result.points + result.count);
    out.flags = result.flags;
    cbt_result_destruct(&result);
    return out;
}

struct wrapped {
    cimg_imageConst image;
    explicit wrapped(greyImage& g) {
        cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, g.width, g.height, g.width,
                                      g.pixels.data());
    }
    ~wrapped() { cimg_imageConst_destruct(&image); }
};

TEST(BoundaryTracker, RectangleFromInsideGivesItsOutline) {
    greyImage g(30, 20, 200);
    for (int y = 5; y < 12; ++y) {
        for (int x = 8; x < 21; ++x) g.at(x, y) = 20;
    }
    wrapped w(g);
    tracked t = track(&w.image, 20, 8, 23, 8, 1, 110);
    ASSERT_EQ(t.status, 0);
    EXPECT_EQ(t.flags, CBT_FLAG_CLOSED);
    EXPECT_EQ(t.points.size(), 2u * (13 + 7));  // one point per boundary edge
    double twiceArea = 0;  // shoelace, y down: positive when clockwise on the screen
    for (size_t i = 0; i < t.points.size(); ++i) {
        const cbt_point& a = t.points[i];
        const cbt_point& b = t.points[(i + 1) % t.points.size()];
        twiceArea += (double(a.x) * b.y - double(b.x) * a.y) / 65536.0;
    }
    EXPECT_NEAR(twiceArea / 2, 13.0 * 7.0, 0.5);
    for (const cbt_point& p : t.points) {
        double x = p.x / 256.0 + 0.5, y = p.y / 256.0 + 0.5;  // pixel-centre to image coordinates
        bool onVertical = std::fabs(x - 8) < 0.02 || std::fabs(x - 21) < 0.02;
        bool onHorizontal = std::fabs(y - 5) < 0.02 || std::fabs(y - 12) < 0.02;
        EXPECT_TRUE(onVertical || onHorizontal) << x << ", " << y;
    }
}

TEST(BoundaryTracker, EdgeOnAHoleIsNoContourUnlessHolesAreWanted) {
    // A dark ring; starting from the ring towards its hole puts the start edge on the hole.
    greyImage g(30, 30, 220);
    for (int y = 5; y < 25; ++y) {
        for (int x = 5; x < 25; ++x) {
            if (x < 9 || x >= 21 || y < 9 || y >= 21) g.at(x, y) = 30;
        }
    }
    wrapped w(g);
    EXPECT_EQ(track(&w.image, 7, 15, 12, 15, 1, 125).status, CBT_STATUS_NO_CONTOUR);
    tracked hole =
        track(&w.image, 7, 15, 12, 15, 1, 125, [](cbt_runParams& p) { p.outerOnly = 0; });
    ASSERT_EQ(hole.status, 0);
    EXPECT_EQ(hole.points.size(), 4u * 12);
    tracked outer = track(&w.image, 7, 15, 2, 15, 1, 125);
    ASSERT_EQ(outer.status, 0);
    EXPECT_EQ(outer.points.size(), 4u * 20);
    // From the light side the outside is the background's hole: nothing with outerOnly.
    EXPECT_EQ(track(&w.image, 2, 15, 7, 15, 0, 125).status, CBT_STATUS_NO_CONTOUR);
    // The light disc inside the ring is a blob of its own.
    tracked inner = track(&w.image, 15, 15, 7, 15, 0, 125);
    ASSERT_EQ(inner.status, 0);
    EXPECT_EQ(inner.points.size(), 4u * 12);
}

TEST(BoundaryTracker, ConnectivityDecidesWhetherCornersJoin) {
    greyImage g(10, 10, 255);
    g.at(4, 4) = 0;
    g.at(5, 5) = 0;
    wrapped w(g);
    EXPECT_EQ(track(&w.image, 4, 4, 2, 4, 1, 128).points.size(), 8u);
    tracked single =
        track(&w.image, 4, 4, 2, 4, 1, 128, [](cbt_runParams& p) { p.darkIs8Connected = 0; });
    EXPECT_EQ(single.points.size(), 4u);
    // Light pixels touching at a corner stay apart unless light is the 8-connected side.
    greyImage inverse(10, 10, 0);
    inverse.at(4, 4) = 255;
    inverse.at(5, 5) = 255;
    wrapped v(inverse);
    EXPECT_EQ(track(&v.image, 4, 4, 2, 4, 0, 128).points.size(), 4u);
    tracked joined =
        track(&v.image, 4, 4, 2, 4, 0, 128, [](cbt_runParams& p) { p.darkIs8Connected = 0; });
    EXPECT_EQ(joined.points.size(), 8u);
    EXPECT_EQ(track(&w.image, 0, 0, 3, 0, 1, 128).status, CBT_STATUS_NO_CONTOUR);  // no object
    EXPECT_EQ(track(&w.image, 4, 4, 4, 4, 1, 128).status, CBT_STATUS_NO_CONTOUR);  // no edge at all
}

TEST(BoundaryTracker, BorderFlagsLimitAndStopAtBorder) {
    greyImage g(20, 20, 250);
    for (int y = 0; y < 8; ++y) {
        for (int x = 5; x < 12; ++x) g.at(x, y) = 10;  // touches the top edge
    }
    wrapped w(g);
    tracked t = track(&w.image, 11, 4, 14, 4, 1, 130);
    ASSERT_EQ(t.status, 0);
    EXPECT_EQ(t.flags, CBT_FLAG_CLOSED | CBT_FLAG_TOUCHES_BORDER);
    EXPECT_EQ(t.points.size(), 2u * (7 + 8));
    tracked cut = track(&w.image, 11, 4, 14, 4, 1, 130, [](cbt_runParams& p) { p.maxPoints = 10; });
    EXPECT_EQ(cut.points.size(), 10u);
    EXPECT_EQ(cut.flags & CBT_FLAG_CLOSED, 0);
    tracked stopped =
        track(&w.image, 11, 4, 14, 4, 1, 130, [](cbt_runParams& p) { p.stopAtBorder = 1; });
    EXPECT_EQ(stopped.flags & (CBT_FLAG_CLOSED | CBT_FLAG_UNUSABLE), CBT_FLAG_UNUSABLE);
}

TEST(BoundaryTracker, WindowOffsetsGiveTheSamePointsInImageCoordinates) {
    greyImage small(40, 30, 240);
    for (int y = 10; y < 20; ++y) {
        for (int x = 12; x < 30; ++x) small.at(x, y) = 15;
    }
    wrapped plain(small);
    tracked reference = track(&plain.image, 29, 15, 33, 15, 1, 128);
    ASSERT_EQ(reference.status, 0);

    // The same pixels inside a larger image placed at image offset (100, 50), with dark pixels
    // right outside the window that must not join the blob.
    greyImage big(80, 60, 15);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) big.at(x + 17, y + 11) = small.at(x, y);
    }
    cimg_imageConst padded;
    cimg_imageConst_constructWrap(&padded, CIMG_DEPTH_8U, 80, 60, 80, big.pixels.data());
    ASSERT_EQ(cimg_imageConst_setImageOffset(&padded, 100, 50), 0);
    ASSERT_EQ(cimg_imageConst_window(&padded, 117, 61, 40, 30), 0);
    tracked shifted = track(&padded, 29 + 117, 15 + 61, 33 + 117, 15 + 61, 1, 128);
    ASSERT_EQ(shifted.status, 0);
    ASSERT_EQ(shifted.points.size(), reference.points.size());
    for (size_t i = 0; i < reference.points.size(); ++i) {
        EXPECT_EQ(shifted.points[i].x, reference.points[i].x + 117 * 256);
        EXPECT_EQ(shifted.points[i].y, reference.points[i].y + 61 * 256);
    }
    cimg_imageConst_destruct(&padded);
}

TEST(BoundaryTracker, BlurredTiltedEdgesGiveSubPixelPoints) {
    // A square rotated by 20 degrees, anti-aliased: points away from the corners lie on the
    // true sides within 0.1 pixel, 0.06 pixel in the mean square, with no bias.
    const double cx = 40.3, cy = 37.8, half = 18.0, angle = 20.0 * M_PI / 180;
    const double c = std::cos(angle), s = std::sin(angle);
    auto local = [&](double x, double y, double* u, double* v) {
        *u = (x - cx) * c + (y - cy) * s;
        *v = -(x - cx) * s + (y - cy) * c;
    };
    greyImage g = render(80, 80, 40, 210, [&](double x, double y) {
        double u, v;
        local(x, y, &u, &v);
        return std::fabs(u) < half && std::fabs(v) < half;
    });
    wrapped w(g);
    tracked t = track(&w.image, 40, 37, 79, 37, 1, 125);
    ASSERT_EQ(t.status, 0);
    int checked = 0;
    double squares = 0, sum = 0;
    for (const cbt_point& p : t.points) {
        double u, v;
        local(p.x / 256.0 + 0.5, p.y / 256.0 + 0.5, &u, &v);
        if (std::fabs(u) > half - 2 && std::fabs(v) > half - 2) continue;  // corner
        double error = std::max(std::fabs(u), std::fabs(v)) - half;
        EXPECT_LT(std::fabs(error), 0.1);
        squares += error * error;
        sum += error;
        ++checked;
    }
    EXPECT_GT(checked, 100);
    EXPECT_LT(std::sqrt(squares / checked), 0.06);
    EXPECT_LT(std::fabs(sum / checked), 0.01);  // no bias towards either side
}

TEST(BoundaryTracker, ReusedResultDoesNotAllocateAgain) {
    greyImage g(50, 50, 200);
    for (int y = 10; y < 40; ++y) {
        for (int x = 10; x < 40; ++x) g.at(x, y) = 20;
    }
    wrapped w(g);
    cbt_runParams params;
    cbt_runParams_init(&params);
    params.start2X = 39 * 256;
    params.start2Y = 20 * 256;
    params.start1X = 42 * 256;
    params.start1Y = params.start2Y;
    cbt_result result;
    cbt_result_construct(&result, 0);
    ASSERT_EQ(cbt_boundaryTrack(&w.image, &params, &result), 0);
    cid_test::countingAllocator counter;
    for (int i = 0; i < 5; ++i) ASSERT_EQ(cbt_boundaryTrack(&w.image, &params, &result), 0);
    EXPECT_EQ(counter.allocations(), 0);
    EXPECT_EQ(result.count, 120);
    cbt_result_destruct(&result);
}

TEST(BoundaryTracker, BadImagesAndPreconditions) {
    cbt_runParams params;
    cbt_runParams_init(&params);
    cbt_result result;
    cbt_result_construct(&result, 4);
    cimg_imageConst unbound;
    cimg_imageConst_constructUnbound(&unbound);
    EXPECT_EQ(cbt_boundaryTrack(&unbound, &params, &result), CIMG_STATUS_NOT_BOUND);
    cimg_imageConst wide;
    cimg_imageConst_construct(&wide, CIMG_DEPTH_32S, 4, 4);
    EXPECT_EQ(cbt_boundaryTrack(&wide, &params, &result), CIMG_STATUS_INVALID_IMAGE);
    EXPECT_PRECONDITION(cbt_boundaryTrack(&wide, nullptr, &result));
    EXPECT_PRECONDITION(cbt_result_construct(&result, -1));
    cimg_imageConst_destruct(&wide);
    cbt_result_destruct(&result);
}

TEST(BoundaryTracker, AdaptiveThresholdFollowsUnevenLight) {
    // A dark square on a background that brightens from left to right; on the left the
    // background is darker than the global threshold, so a fixed threshold leaks into it.
    greyImage g(120, 60, 0);
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 120; ++x) {
            double light = 60 + 1.6 * x;
            bool inside = x >= 30 && x < 90 && y >= 15 && y < 45;
            g.at(x, y) = static_cast<unsigned char>(inside ? light * 0.35 : light);
        }
    }
    wrapped w(g);
    cbt_runParams params;
    cbt_runParams_init(&params);
    int seedMean = (g.at(88, 30) + g.at(89, 30) + g.at(90, 30) + g.at(91, 30)) / 4;
    params.threshold = seedMean;
    params.start2X = 89 * 256;
    params.start2Y = 30 * 256;
    params.start1X = 91 * 256;
    params.start1Y = params.start2Y;
    params.edgeStrength = 3 * (g.at(91, 30) - g.at(88, 30));
    params.followLocalLevel = 1;
    cbt_result result;
    cbt_result_construct(&result, 0);
    ASSERT_EQ(cbt_boundaryTrack(&w.image, &params, &result), 0);
    EXPECT_NE(result.count, 2 * (60 + 30));  // the fixed threshold does not see the square
    result.mode = 1;
    ASSERT_EQ(cbt_boundaryTrack_Adaptive(&w.image, &params, 0, &result), 0);
    EXPECT_EQ(result.flags, CBT_FLAG_CLOSED);
    EXPECT_EQ(result.count, 2 * (60 + 30));
    EXPECT_EQ(result.mode, 0);  // on the left the threshold is far below the start one
    result.mode = 1;
    ASSERT_EQ(cbt_boundaryTrack_Adaptive(&w.image, &params, 1, &result), 0);  // fixed threshold
    EXPECT_NE(result.count, 2 * (60 + 30));
    EXPECT_EQ(result.mode, 1);
    cbt_result_destruct(&result);
}

// Wherever an adaptive trace starts in a busy image, it comes back to its starting edge: the
// object must not depend on the path the trace took to reach a pixel.
TEST(BoundaryTracker, AdaptiveTracesThroughRandomModulesAlwaysClose) {
    // Random 5-pixel modules, turned by 0.3 rad and anti-aliased, like a dense symbol.
    std::vector<int> modules(20 * 20);
    uint32_t state = 12345;
    for (int& m : modules) {
        state = state * 1664525u + 1013904223u;
        m = (state >> 24) & 1;
    }
    const double c = std::cos(0.3), s = std::sin(0.3);
    greyImage g = render(160, 160, 30, 220, [&](double x, double y) {
        double u = (c * (x - 80) + s * (y - 80)) / 5 + 10,
               v = (-s * (x - 80) + c * (y - 80)) / 5 + 10;
        if (u < 0 || v < 0 || u >= 20 || v >= 20) return false;
        return modules[static_cast<int>(v) * 20 + static_cast<int>(u)] != 0;
    });
    wrapped w(g);
    cbt_result result;
    cbt_result_construct(&result, 0);
    int traced = 0;
    for (int y = 20; y < 140; y += 4) {
        for (int x = 20; x < 140; x += 3) {
            cbt_runParams params;
            cbt_runParams_init(&params);
            params.threshold = 125;
            params.edgeStrength = 3 * 190;
            params.maxPoints = 20000;
            params.followLocalLevel = 1;
            params.outerOnly = 0;
            params.start2X = x * 256;
            params.start2Y = y * 256;
            params.start1X = (x + 2) * 256;
            params.start1Y = y * 256;
            result.mode = 1;
            int32_t status = cbt_boundaryTrack_Adaptive(&w.image, &params, 0, &result);
            if (status == CBT_STATUS_NO_CONTOUR) continue;
            ASSERT_EQ(status, 0);
            EXPECT_TRUE(result.flags & CBT_FLAG_CLOSED) << "start " << x << "," << y;
            ++traced;
        }
    }
    EXPECT_GT(traced, 30);
    cbt_result_destruct(&result);
}

}  // namespace
