// The memory of turned-away holes, against the tracker: a dark ring round a long light hole, one
// pixel of the hole's edge at a level between the two. The memory answers only where the tracker
// would give the same hole: the thresholds that leave every pixel next to the hole's edge on its
// side, that polarity, and start edges on the hole; outer boundaries are never remembered.
#include <gtest/gtest.h>

#include "ci_id/platform/cbt.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/priv/ci_idut/locate/hole_memory.h"
#include "view.h"

namespace {

using namespace cid_test;

// Dark (50) from 10 to 109 in both directions, light (210) inside from 20 to 99 and outside; the
// hole's edge has 320 pixel edges. Inside the hole by its edge, pixel (20, 50) is 120 and pixel
// (60, 20) is 200.
greyImage ring() {
    greyImage image(130, 130, 210);
    for (int32_t y = 10; y < 110; ++y) {
        for (int32_t x = 10; x < 110; ++x) {
            if (x < 20 || x >= 100 || y < 20 || y >= 100) image.at(x, y) = 50;
        }
    }
    image.at(20, 50) = 120;
    image.at(60, 20) = 200;
    return image;
}

// Run settings for a dark object whose start edge lies on row y between column `from` (on the
// object's side) and column `to` (beyond the edge).
cbt_runParams darkRun(int32_t threshold, int32_t y, int32_t from, int32_t to) {
    cbt_runParams run;
    cbt_runParams_init(&run);
    run.outerOnly = 1;
    run.polarity = 1;
    run.threshold = threshold;
    run.start2X = from * 256;
    run.start2Y = y * 256;
    run.start1X = to * 256;
    run.start1Y = y * 256;
    return run;
}

TEST(HoleMemory, AnswersOnlyForTheSameHole) {
    windowedImage view(ring(), padding{2, 3, 1, 1, 0, -7, 5});
    const cimg_imageConst* image = view.get();
    cimg_windowConst window;
    ASSERT_EQ(cimg_windowConst_init(&window, image), 0);
    cidut::holeMemory holes(window);
    cbt_result track;
    ASSERT_EQ(cbt_result_construct(&track, 0), 0);
    // Image coordinates are offset by (-7 + 2, 5 + 3).
    const int32_t dx = -5, dy = 8;
    auto inner = [&](int32_t threshold, int32_t y) {
        return darkRun(threshold, y + dy, 17 + dx, 22 + dx);
    };
    EXPECT_EQ(cidut::trackRememberingHoles(&holes, image, inner(150, 30), &track),
              CBT_STATUS_NO_CONTOUR);
    // Every threshold above 120 (which keeps that pixel dark) and up to 200 (which keeps the
    // other light) gives the same hole, from any start on its edge.
    for (int32_t t : {121, 150, 200}) EXPECT_TRUE(holes.holds(inner(t, 70))) << t;
    for (int32_t t : {120, 201}) EXPECT_FALSE(holes.holds(inner(t, 70))) << t;
    cbt_runParams light = inner(150, 70);
    light.polarity = 0;
    EXPECT_FALSE(holes.holds(light));
    // The ring's outer boundary, from outside.
    const cbt_runParams outer = darkRun(150, 60 + dy, 12 + dx, 5 + dx);
    EXPECT_FALSE(holes.holds(outer));
    ASSERT_EQ(cidut::trackRememberingHoles(&holes, image, outer, &track), 0);
    EXPECT_TRUE(track.flags & CBT_FLAG_CLOSED);
    EXPECT_FALSE(holes.holds(outer));
    // A known start gives what the tracker leaves for a hole.
    EXPECT_EQ(cidut::trackRememberingHoles(&holes, image, inner(170, 80), &track),
              CBT_STATUS_NO_CONTOUR);
    EXPECT_EQ(track.count, 0);
    EXPECT_EQ(track.flags, 0);
    cbt_result_destruct(&track);
}

}  // namespace
