// The Data Matrix finder's entry points one by one: the marker, the shape tests, the stored
// orientation, the adaptive finder and its driver, the edge-following finder, and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ci_id/dmfinder.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/status.h"
#include "scene.h"
#include "test_support.h"
#include "view.h"

namespace {

using namespace cid_test;

// A rendered symbol with the records a search needs.
struct finderCase {
    dmTruth truth;
    greyImage image;
    std::vector<uint32_t> work;
    cid2d_trackingParams params;
    cimg_image marker;
    cid2d_trackingResult result;
    cbt_runParams run;

    explicit finderCase(const dmSymbol& symbol, double aspect = 1.0, double module = 5.0,
                        double rotation = 0.3) {
        scene layout(320, 240);
        placement where;
        where.centre = {160.3, 120.6};
        where.unit = module;
        where.rotation = rotation;
        where.aspect = aspect;
        dmLook look;
        look.quietZone = 2;
        truth = layout.addDataMatrix(symbol, where, look);
        imagingConditions conditions;
        conditions.blurSigma = 0.6;
        image = layout.render(conditions);
        work.assign(CID2D_WORK_BUFFER_MIN / 4 + 1, 0);
        cid2d_trackingParams_init(&params);
        params.workBuffer = reinterpret_cast<unsigned char*>(work.data());
        params.workBufferSize = CID2D_WORK_BUFFER_MIN;
        cimg_image_construct(&marker, CIMG_DEPTH_8U, 80, 60);
        cid2d_trackingResult_construct(&result);
        cbt_runParams_init(&run);
    }
    ~finderCase() {
        cid2d_trackingResult_destruct(&result);
        cimg_image_destruct(&marker);
    }

    // Seeds on the row through the symbol's centre.
    std::vector<cid2d_trackingSeed> seeds(const cimg_imageConst* view) {
        std::vector<cid2d_trackingSeed> out(64);
        int32_t row = static_cast<int32_t>((truth.corners[0].y + truth.corners[2].y) / 2),
                count = 0;
        cid2d_getHorizontalTrackingSeeds(view, &row, 1, 64, 45, 0, out.data(), &count, 0, 0);
        out.resize(count);
        return out;
    }
    // The find-next driver over rows every 4 pixels; true when it finds the symbol.
    bool search(const cimg_imageConst* view) {
        std::vector<int32_t> rows;
        for (int32_t y = 2; y < image.height; y += 4) rows.push_back(y);
        params.scanLines = rows.data();
        params.scanLineCount = static_cast<int32_t>(rows.size());
        EXPECT_EQ(cf_BndFindNextDMSymbol(view, &params, nullptr, 0, nullptr, 0, &marker, &result),
                  0);
        params.scanLines = nullptr;
        params.scanLineCount = 0;
        return result.found != 0;
    }
    // Tries every seed of that row with the plain finder; true when one finds the symbol.
    bool findFromSeeds(const cimg_imageConst* view) {
        for (const cid2d_trackingSeed& seed : seeds(view)) {
            EXPECT_EQ(cf_BndFindDMSymbolFromSeed(view, &params, &seed, &run, &marker, nullptr, 0,
                                                 nullptr, &result),
                      0);
            if (result.found) return true;
        }
        return false;
    }
};

double distance(const cmath_vect& a, const cmath_vect& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

TEST(DataMatrixFinder, FoundFromASeedWithANonPositiveCrossProduct) {
    finderCase c(dmSymbol(20, 20, 3));
    windowedImage view(c.image);
    ASSERT_TRUE(c.findFromSeeds(view.get()));
    const cmath_shapeAffineRect& r = c.result.rect;
    double cross = (r.px.x - r.po.x) * (r.py.y - r.po.y) - (r.px.y - r.po.y) * (r.py.x - r.po.x);
    EXPECT_LE(cross, 0.0);
    EXPECT_LT(distance(r.po, c.truth.corners[3]), 1.5);
    EXPECT_EQ(c.result.quality, 1000);
    EXPECT_GT(c.result.cornerScore, 500);
}

TEST(DataMatrixFinder, AMarkedSeedIsNotTrackedAgain) {
    finderCase c(dmSymbol(20, 20, 4));
    windowedImage view(c.image);
    std::vector<cid2d_trackingSeed> seeds = c.seeds(view.get());
    ASSERT_FALSE(seeds.empty());
    cimg_window cells;
    cimg_window_init(&cells, &c.marker);
    cells.pixels[(seeds[0].y >> 2) * cells.pitch + (seeds[0].x >> 2)] = 1;
    c.result.track.count = -7;  // the tracker would overwrite it
    ASSERT_EQ(cf_BndFindDMSymbolFromSeed(view.get(), &c.params, &seeds[0], &c.run, &c.marker,
                                         nullptr, 0, nullptr, &c.result),
              0);
    EXPECT_EQ(c.result.found, 0);
    EXPECT_EQ(c.result.track.count, -7);
}

// The aspect test compares the contour's extents along the image axes.
TEST(DataMatrixFinder, AspectBeyondFiveToOneIsRejected) {
    finderCase accepted(dmSymbol(32, 8, 5), 1.0, 4.0, 0.0);  // 4 : 1
    windowedImage acceptedView(accepted.image);
    EXPECT_TRUE(accepted.search(acceptedView.get()));
    finderCase stretched(dmSymbol(32, 8, 5), 0.72, 4.0, 0.0);  // 5.5 : 1
    windowedImage stretchedView(stretched.image);
    EXPECT_FALSE(stretched.search(stretchedView.get()));
}

TEST(DataMatrixFinder, EdgeFollowingTracksOnlySeedsOnLongStraightEdges) {
    finderCase c(dmSymbol(24, 24, 6), 1.0, 6.0);
    windowedImage view(c.image);
    bool found = false;
    for (const cid2d_trackingSeed& seed : c.seeds(view.get())) {
        ASSERT_EQ(cf_DcdFindDMSymbolFromSeed(view.get(), &c.params, &seed, &c.run, &c.marker,
                                             nullptr, 0, nullptr, &c.result),
                  0);
        found = found || c.result.found;
    }
    EXPECT_TRUE(found);
}

TEST(DataMatrixFinder, AdaptiveSearchFindsTheLVertex) {
    finderCase c(dmSymbol(20, 20, 7));
    windowedImage view(c.image);
    std::vector<int32_t> rows;
    for (int32_t y = 4; y < 240; y += 8) rows.push_back(y);
    c.params.scanLines = rows.data();
    c.params.scanLineCount = static_cast<int32_t>(rows.size());
    ASSERT_EQ(cidut_BoundaryTrackerSearchDMSymbolAdaptiveThreshold(
                  view.get(), &c.params, nullptr, nullptr, 0, &c.marker, &c.result),
              0);
    ASSERT_EQ(c.result.found, 1);
    cmath_vect vertex{static_cast<double>(c.result.track.slots[0].x),
                      static_cast<double>(c.result.track.slots[0].y)};
    EXPECT_LT(distance(vertex, c.truth.corners[3]), 2.0);
    EXPECT_LT(c.result.scanLineIndex, c.params.scanLineCount);
}

TEST(DataMatrixFinder, BadInputGivesStatusesOrNothing) {
    finderCase c(dmSymbol(20, 20, 8));
    windowedImage view(c.image);
    std::vector<int32_t> rows{-50, 3, 1000, 120};
    c.params.scanLines = rows.data();
    c.params.scanLineCount = 4;
    // A marker too small for the window, then an unbound one.
    cimg_image small;
    cimg_image_construct(&small, CIMG_DEPTH_8U, 10, 10);
    EXPECT_EQ(
        cf_BndFindNextDMSymbol(view.get(), &c.params, nullptr, 0, nullptr, 0, &small, &c.result),
        CID_STATUS_INVALID_IMAGE);
    cimg_image_destruct(&small);
    cimg_image unbound;
    cimg_image_constructUnbound(&unbound);
    EXPECT_EQ(
        cf_BndFindNextDMSymbol(view.get(), &c.params, nullptr, 0, nullptr, 0, &unbound, &c.result),
        CIMG_STATUS_NOT_BOUND);
    // Lines outside the window are skipped; the one through the symbol finds it.
    EXPECT_EQ(
        cf_BndFindNextDMSymbol(view.get(), &c.params, nullptr, 0, nullptr, 0, &c.marker, &c.result),
        0);
    EXPECT_EQ(c.result.found, 1);
    EXPECT_EQ(c.result.scanLineIndex, 3);
    // A point limit below the contour's length: the trace is cut, nothing is found.
    cimg_window cells;
    cimg_window_init(&cells, &c.marker);
    for (int y = 0; y < cells.height; ++y)
        std::fill(cells.pixels + y * cells.pitch, cells.pixels + y * cells.pitch + cells.width, 0);
    c.params.maxBoundaryPoints = 50;
    EXPECT_EQ(
        cf_BndFindNextDMSymbol(view.get(), &c.params, nullptr, 0, nullptr, 0, &c.marker, &c.result),
        0);
    EXPECT_EQ(c.result.found, 0);
    EXPECT_EQ(c.result.scanLineIndex, 4);
    // An image smaller than the search margins.
    greyImage tiny(5, 5, 100);
    windowedImage tinyView(tiny);
    EXPECT_EQ(cf_BndFindNextDMSymbol(tinyView.get(), &c.params, nullptr, 0, nullptr, 0, &c.marker,
                                     &c.result),
              0);
    EXPECT_EQ(c.result.found, 0);
    // The work buffer is a precondition.
    c.params.workBufferSize = CID2D_WORK_BUFFER_MIN - 1;
    std::vector<cid2d_trackingSeed> seeds = c.seeds(view.get());
    ASSERT_FALSE(seeds.empty());
    EXPECT_PRECONDITION(cf_BndFindDMSymbolFromSeed(view.get(), &c.params, &seeds[0], &c.run,
                                                   &c.marker, nullptr, 0, nullptr, &c.result));
}

}  // namespace
