// Seeds and the Data Matrix finder's entry points: seeds against the true edges of rendered bars,
// their filter, orders and rows; the finders from a seed, the find-next walk, markers and memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "ci_id/dmfinder.h"
#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/status.h"
#include "scene.h"
#include "test_support.h"
#include "view.h"

// Counts the standard library's allocations while armed: the library's memory must come from
// the library allocator.
static std::atomic<bool> gArmed{false};
static std::atomic<long> gStandardAllocations{0};

// GCC cannot see that these replacements pair malloc with free everywhere.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t bytes) {
    if (gArmed) ++gStandardAllocations;
    if (void* p = std::malloc(bytes ? bytes : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using namespace cid_test;
using seedList = std::vector<cid2d_trackingSeed>;

seedList seedsOf(const cimg_imageConst* image, std::vector<int32_t> rows, int32_t minStrength = 30,
                 int32_t sort = 0, int32_t pairFilter = 0, double spacing = 0,
                 int32_t maxSeeds = 1000) {
    seedList seeds(maxSeeds);
    int32_t n = -1;
    EXPECT_EQ(
        cid2d_getHorizontalTrackingSeeds(image, rows.data(), int32_t(rows.size()), maxSeeds,
                                         minStrength, sort, seeds.data(), &n, pairFilter, spacing),
        0);
    seeds.resize(std::max(n, 0));
    return seeds;
}

bool same(const seedList& a, const seedList& b) {
    return a.size() == b.size() && !std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]);
}

// Vertical bars 7 to 14 pixels wide at random sub-pixel places, sharp or blurred: every seed names
// the pixel just before a true edge, with start points 1.5 pixels either side of it and the edge's
// polarity and level, and every edge away from the row's ends has one seed. The window of a padded
// image elsewhere in image coordinates gives the same seeds.
TEST(Seeds, SitOnTheTrueEdgesOfRenderedBars) {
    for (uint32_t trial = 1; trial <= 12; ++trial) {
        const profile bars = randomBars(0, 7, 14, trial);
        scene layout(160, 10);
        layout.addProfile(bars);
        const greyImage image = layout.render({4, 0, 0, (trial % 3) * 0.4});
        windowedImage plain(image), padded(image, {5, 3, 7, 2, 3, 40, -9});
        const seedList seeds = seedsOf(plain.get(), {4});
        std::vector<int> hits(bars.ends.size());
        for (const cid2d_trackingSeed& s : seeds) {
            // The walk takes the gradient before its first column (3) for 0: an edge just before
            // that column may show there.
            if (s.x == 3) continue;
            const size_t k =
                std::lower_bound(bars.ends.begin(), bars.ends.end(), s.x + 0.5) - bars.ends.begin();
            const double edge = bars.ends[k], low = bars.greys[k], high = bars.greys[k + 1];
            ++hits[k];
            EXPECT_LE(std::fabs(edge - s.x - 1), 0.5 + 1e-9) << trial;
            // Start points are pixel-centre coordinates: pixel i's centre is at 256 i.
            EXPECT_NEAR(s.aheadX / 256.0 + 0.5 - edge, 1.5, 0.5) << trial;
            EXPECT_NEAR(edge - s.behindX / 256.0 - 0.5, 1.5, 0.5) << trial;
            EXPECT_TRUE(s.y == 4 && s.aheadY == 4 * 256 && s.behindY == 4 * 256);
            EXPECT_EQ(s.polarity, low < high ? 1 : 0) << trial;
            EXPECT_TRUE(s.mean >= std::min(low, high) && s.mean <= std::max(low, high)) << trial;
        }
        for (size_t k = 0; k < hits.size(); ++k) {
            if (bars.ends[k] > 5 && bars.ends[k] < 154) {
                EXPECT_EQ(hits[k], 1) << trial;
            }
        }
        EXPECT_TRUE(same(seedsOf(padded.get(), {4 + 3 - 9}), seeds));
    }
}

// Bars at a slant, so that rows differ: sorted seeds are the same seeds, strongest first, then by
// scan line; a limit keeps the first ones found; rows outside the window's usable part (its first
// row, its last three) give none. A bar 10 pixels wide and a narrow one far off: edges pair when
// closer than floor(spacing), so at 11 all accumulate, while at 10.9 the bar's far edge pairs with
// nothing and the next edge replaces it.
TEST(Seeds, OrderLimitRowsAndPairFilter) {
    scene layout(200, 40);
    layout.addProfile(randomBars(0.08, 4, 12, 5));
    windowedImage view(layout.render({}));
    const std::vector<int32_t> rows{3, 17, 9, 30, 22};
    const seedList found = seedsOf(view.get(), rows), sorted = seedsOf(view.get(), rows, 30, 1);
    EXPECT_GT(found.size(), 60u);
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        return a.strength > b.strength || (a.strength == b.strength && a.scanLine < b.scanLine);
    }));
    EXPECT_TRUE(
        std::is_permutation(sorted.begin(), sorted.end(), found.begin(), found.end(),
                            [](auto& a, auto& b) { return !std::memcmp(&a, &b, sizeof a); }));
    EXPECT_TRUE(
        same(seedsOf(view.get(), rows, 30, 0, 0, 0, 7), {found.begin(), found.begin() + 7}));
    for (int32_t row = -1; row <= 40; ++row) {
        EXPECT_EQ(seedsOf(view.get(), {row}).empty(), row < 1 || row > 36) << row;
    }
    greyImage bar(80, 6, 255);
    for (int32_t x : {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 40, 41}) bar.at(x, 2) = 0;
    windowedImage barView(bar);
    const seedList all = seedsOf(barView.get(), {2});
    ASSERT_EQ(all.size(), 4u);
    EXPECT_TRUE(same(seedsOf(barView.get(), {2}, 30, 0, 1, 11.0), all));
    EXPECT_TRUE(same(seedsOf(barView.get(), {2}, 30, 0, 1, 10.9), {all[0], all[2], all[3]}));
}

// Blocks ever darker on three rows: the first row keeps its leftmost seed (and here nothing else),
// each later row its three strongest; a row outside the window is skipped, not read.
TEST(Seeds, ThreeScanlinesKeepTheLeftmostThenTheStrongest) {
    greyImage image(120, 12, 255);
    for (int32_t x = 10; x < 100; ++x) {
        for (int32_t y = 0; y < 12; ++y) image.at(x, y) = (x - 10) % 20 < 8 ? 40 * (x / 20) : 255;
    }
    windowedImage view(image);
    seedList seeds(40);
    int32_t n = 0;
    for (int32_t middle : {5, 50}) {
        const int32_t rows[] = {2, middle, 8};
        ASSERT_EQ(cid2d_getHorizontalTrackingSeeds_threeScanlines(view.get(), rows, 0, 40, 1, 10,
                                                                  seeds.data(), &n),
                  0);
        EXPECT_EQ(n, middle == 5 ? 7 : 4);
    }
    EXPECT_EQ(seeds[0].x, 9);
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(seeds[i].scanLine, i == 0 ? 0 : 2);
    for (int32_t i : {1, 2}) EXPECT_GE(seeds[i].strength, seeds[i + 1].strength);
}

double distance(const cmath_vect& a, const cmath_vect& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// A 20 x 20 symbol at 5 pixels a module (or a dark square as large: no finder, no timing) in a
// 320 x 240 image, and the records of a search over rows every 4 pixels.
struct finderCase {
    dmTruth truth{};
    windowedImage view;
    std::vector<uint32_t> work = std::vector<uint32_t>(CID2D_WORK_BUFFER_MIN / 4 + 1);
    std::vector<int32_t> rows;
    cid2d_trackingParams params;
    cimg_image marker;
    cid2d_trackingResult result;
    cbt_runParams run;

    static greyImage render(bool square, dmTruth* truth) {
        scene layout(320, 240);
        const placement where{{160.3, 120.6}, 5, 0.3};
        if (square) layout.addArt(cellGrid(20, 20, std::vector<double>(400, 30)), where);
        if (!square) *truth = layout.addDataMatrix(dmSymbol(20, 20, 3), where, dmLook{{}, 2});
        return layout.render({4, 0, 0, 0.6});
    }
    explicit finderCase(bool square = false) : view(render(square, &truth)) {
        cid2d_trackingParams_init(&params);
        params.workBuffer = reinterpret_cast<unsigned char*>(work.data());
        params.workBufferSize = CID2D_WORK_BUFFER_MIN;
        for (int32_t y = 2; y < 240; y += 4) rows.push_back(y);
        params.scanLines = rows.data();
        params.scanLineCount = int32_t(rows.size());
        cimg_image_construct(&marker, CIMG_DEPTH_8U, 80, 60);
        cid2d_trackingResult_construct(&result);
        cbt_runParams_init(&run);
    }
    ~finderCase() {
        cid2d_trackingResult_destruct(&result);
        cimg_image_destruct(&marker);
    }
    int32_t fromSeed(const cid2d_trackingSeed& seed, bool followEdge = false) {
        return (followEdge ? cf_DcdFindDMSymbolFromSeed : cf_BndFindDMSymbolFromSeed)(
            view.get(), &params, &seed, &run, &marker, nullptr, 0, nullptr, &result);
    }
    int32_t next(cimg_image* cells) {
        return cf_BndFindNextDMSymbol(view.get(), &params, nullptr, 0, nullptr, 0, cells, &result);
    }
};

// From a seed on the row through its centre the plain finder finds the symbol, and the
// edge-following finder from a seed on some row, with its vertex and arm ends in the documented order and the seed's
// level as threshold; the seed's cell is then marked, so the seed is not tracked again. The
// adaptive walk finds the L's vertex in whole pixels.
TEST(DataMatrixFinder, FromASeedOnceAndByEveryFinder) {
    for (bool followEdge : {false, true}) {
        finderCase c;
        const std::vector<int32_t> rows = followEdge ? c.rows : std::vector<int32_t>{120};
        const seedList seeds = seedsOf(c.view.get(), rows, 45);
        const auto hit = std::find_if(seeds.begin(), seeds.end(), [&](const auto& seed) {
            return c.fromSeed(seed, followEdge) == 0 && c.result.found;
        });
        ASSERT_NE(hit, seeds.end()) << followEdge;
        const cmath_shapeAffineRect& r = c.result.rect;
        EXPECT_LE((r.px.x - r.po.x) * (r.py.y - r.po.y) - (r.px.y - r.po.y) * (r.py.x - r.po.x), 0);
        EXPECT_LT(distance(r.po, c.truth.corners[3]), 0.5);
        EXPECT_LT(distance(c.result.farCorner, c.truth.corners[1]), 0.5);
        EXPECT_TRUE(c.result.quality == 1000 && c.result.threshold == hit->mean);
        c.result.track.count = -7;  // a new trace would overwrite it
        ASSERT_EQ(c.fromSeed(*hit), 0);
        EXPECT_TRUE(c.result.found == 0 && c.result.track.count == -7);
    }
    finderCase a;
    ASSERT_EQ(cidut_BoundaryTrackerSearchDMSymbolAdaptiveThreshold(
                  a.view.get(), &a.params, nullptr, nullptr, 0, &a.marker, &a.result),
              0);
    ASSERT_EQ(a.result.found, 1);
    const cbt_point& vertex = a.result.track.slots[0];
    EXPECT_LT(distance({double(vertex.x), double(vertex.y)}, a.truth.corners[3]), 2.0);
}

// A marker smaller than the window or unbound is a status. The walk skips lines outside the
// window, reports the line it stopped on and takes no memory from the standard library; a point
// limit below the contour's length finds nothing, as does an image smaller than the walk's
// margins.
TEST(DataMatrixFinder, WalkMarkersLimitsAndMemory) {
    finderCase c;
    std::vector<int32_t> rows{-50, 3, 1000, 120};
    c.params.scanLines = rows.data();
    c.params.scanLineCount = 4;
    cimg_image small, unbound;
    cimg_image_construct(&small, CIMG_DEPTH_8U, 79, 60);
    cimg_image_constructUnbound(&unbound);
    EXPECT_EQ(c.next(&small), CID_STATUS_INVALID_IMAGE);
    EXPECT_EQ(c.next(&unbound), CIMG_STATUS_NOT_BOUND);
    cimg_image_destruct(&small);
    gArmed = true;
    const int32_t status = c.next(&c.marker);
    gArmed = false;
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(c.result.found == 1 && c.result.scanLineIndex == 3);
    EXPECT_EQ(gStandardAllocations, 0);
    cip_pelSet8(&c.marker, 0);
    c.params.maxBoundaryPoints = 50;
    ASSERT_EQ(c.next(&c.marker), 0);
    EXPECT_TRUE(c.result.found == 0 && c.result.scanLineIndex == 4);
    windowedImage tiny(greyImage(5, 5, 100));
    EXPECT_EQ(
        cf_BndFindNextDMSymbol(tiny.get(), &c.params, nullptr, 0, nullptr, 0, &c.marker, &c.result),
        0);
    EXPECT_EQ(c.result.found, 0);
}

// A seed on the dark square's right edge: its contour is traced, the corner passes find no symbol,
// and the result still names the scan line the search started from.
TEST(DataMatrixFinder, CornerPassesThatFindNothingReportTheScanLine) {
    finderCase c(true);
    const seedList seeds = seedsOf(c.view.get(), {120}, 45);
    const auto onSquare = std::find_if(seeds.begin(), seeds.end(),
                                       [](const auto& seed) { return seed.polarity == 1; });
    ASSERT_NE(onSquare, seeds.end());
    c.params.firstScanLine = 5;
    c.result.scanLineIndex = -7;
    ASSERT_EQ(c.fromSeed(*onSquare), 0);
    EXPECT_TRUE(c.result.found == 0 && c.result.track.count > 100);
    EXPECT_EQ(c.result.scanLineIndex, 5);
}

// Scenes full of holes: a lattice of dark lines round light cells with a symbol in a clear patch
// of it, two-level pixel noise (one blob riddled with holes) and many-level noise (holes that
// change with the threshold), the first in a padded window elsewhere in image coordinates. The
// find-next walk, over rows and over columns, with either seed threshold, from the first line
// and again from each line a symbol was found on, gives the same records and the same marker
// with its memory of turned-away holes as without it; and the memory is used.
TEST(DataMatrixFinder, RememberedHolesChangeNothing) {
    std::vector<greyImage> scenes;
    scene layout(240, 200);
    layout.addDataMatrix(dmSymbol(16, 16, 2), placement{{80.4, 90.7}, 4, 0.2});
    scenes.push_back(layout.render({4, 0, 0, 0.5}));
    paintLattice(scenes[0], 80, 90, 50, 50);
    scenes.push_back(levelNoise(150, 120, 3, true));
    scenes.push_back(levelNoise(150, 120, 4, false));

    const auto inhibitAll = [](const wchar_t*) -> int32_t { return 1; };
    long allocations[2] = {0, 0};
    int found = 0;
    for (size_t k = 0; k < scenes.size(); ++k) {
        windowedImage view(scenes[k], k == 0 ? padding{3, 5, 2, 4, 3, -40, 17} : padding{});
        for (int mode = 0; mode < 4; ++mode) {
            std::string records[2];
            for (int remembering = 0; remembering < 2; ++remembering) {
                finderCase c;
                std::vector<int32_t> lines;
                const bool rows = mode & 1;
                const cimg_imageConst& image = *view.get();
                const int32_t from = rows ? image.yOffset : image.xOffset;
                for (int32_t i = 2; i < (rows ? image.height : image.width); i += 3) {
                    lines.push_back(from + i);
                }
                c.params.scanLines = lines.data();
                c.params.scanLineCount = int32_t(lines.size());
                c.params.scanLinesAreRows = rows;
                cprt_isOptimizationInhibitedFP = remembering ? nullptr : +inhibitAll;
                cid_test::countingAllocator counter;
                for (int call = 0; call < 8; ++call) {
                    ASSERT_EQ(cf_BndFindNextDMSymbol(view.get(), &c.params, nullptr, 0, nullptr,
                                                     mode >> 1, &c.marker, &c.result),
                              0);
                    const cid2d_trackingResult& r = c.result;
                    records[remembering] +=
                        std::string(reinterpret_cast<const char*>(&r.rect), sizeof r.rect) +
                        std::string(reinterpret_cast<const char*>(&r.seed), sizeof r.seed) +
                        std::string(reinterpret_cast<const char*>(r.track.points),
                                    sizeof(cbt_point) * size_t(std::max(r.track.count, 0))) +
                        std::to_string(r.found) + "/" + std::to_string(r.scanLineIndex) + "/" +
                        std::to_string(r.track.count) + "/" + std::to_string(r.track.flags) +
                        "/" + std::to_string(r.threshold) + "/" + std::to_string(r.quality);
                    const cimg_imageConst& cells = c.marker.asConst;
                    for (int32_t j = 0; j < cells.height; ++j) {
                        records[remembering].append(
                            reinterpret_cast<const char*>(cells.pixels + j * cells.pitch),
                            size_t(cells.width));
                    }
                    found += remembering && r.found;
                    if (!r.found) break;
                    c.params.firstScanLine = r.scanLineIndex;
                }
                cprt_isOptimizationInhibitedFP = nullptr;
                allocations[remembering] += counter.allocations();
            }
            EXPECT_TRUE(records[0] == records[1]) << "scene " << k << ", mode " << mode;
        }
    }
    EXPECT_GE(found, 4);
    EXPECT_GT(allocations[1], allocations[0]);
}

}  // namespace
