// Edge detection: edgels and chains of rendered lines and a circle, ramps' magnitudes and angles,
// hysteresis, list room, tiny windows and the detection in strips.
#include <gtest/gtest.h>

#include <tuple>

#include "ci_id/platform/csys_memory.h"
#include "edge_scene.h"

namespace {

struct edgel {
    int j, i, m;
    double x, y;
    auto key() const { return std::tie(j, i, m, x, y); }
    bool operator==(const edgel& o) const { return key() == o.key(); }
};

std::vector<edgel> read(const csEdgeList* list) {
    std::vector<edgel> out;
    for (const csEdge* e = csEdgeListFirst(list); e; e = csEdgeListNext(list, e))
        out.push_back({csEdgePj(e), csEdgePi(e), csEdgeMag(e), csEdgeX(e), csEdgeY(e)});
    return out;
}

std::vector<edgel> detect(const cimg_imageConst* in, cip_edgeParams p = {1, 10, 0}) {
    csEdgeList* list = nullptr;
    csEdgeListNew(0, &list);
    EXPECT_EQ(cip_edge_detectEdges(in, &p, list), 0);
    const std::vector<edgel> out = read(list);
    csEdgeListDelete(&list);
    return out;
}

// Columns 10 and on light: with sigma 1, magnitudes 9, 51, 110, 110, 51, 9 in columns 7 .. 12.
greyImage verticalStep(int height) {
    return generate(20, height, [](int x, int) { return x >= 10 ? 200 : 30; });
}

// Lines of several angles and offsets, and a circle, each a smooth step across its signed
// distance (pixels sampled at their centres, which lie at half-integer coordinates). Edgels away
// from the border lie within a quarter pixel of the edge, which is found in every row or column
// it crosses, and form one chain of 8-connected edgels, closed for the circle.
TEST(EdgeDetect, EdgelsAndChainsLieOnRenderedEdges) {
    const double lines[][2] = {{0, 0},      {0, 0.3},      {0.3, 0.5}, {0.7854, 0}, {0.7854, 0.8},
                               {1.2, 0.25}, {1.5708, 0.6}, {2.5, 0.1}, {3.6, 0.9},  {-1, 0}};
    for (const auto& [angle, offset] : lines) {
        const double nx = std::cos(angle), ny = std::sin(angle), d = 24 * (nx + ny) + offset;
        auto distance = [&](double x, double y) {
            return angle < 0 ? 17.2 - std::hypot(x - 23.3, y - 24.6) : nx * x + ny * y - d;
        };
        const greyImage image = generate(48, 48, [&](int x, int y) {
            return int(std::lround(120 + 80 * std::tanh(1.5 * distance(x + 0.5, y + 0.5))));
        });
        record source(image);
        csEdgeList* edges = nullptr;
        csEdgeChainList* chains = nullptr;
        csEdgeListNew(4096, &edges);
        csEdgeChainListNew(4096, &chains);
        const cip_edgeParams params{1, 10, 0};
        ASSERT_EQ(cip_edge_detectEdgesChains(source.get(), &params, edges, chains), 0);
        const std::vector<edgel> found = read(edges);
        const csEdgeChain* chain = csEdgeChainListFirst(chains);
        EXPECT_TRUE(csEdgeChainListLen(chains) == 1 && !csEdgeChainListNext(chains, chain) &&
                    csEdgeChainLength(chain) == int64_t(found.size()) &&
                    csEdgeListAt(edges, csEdgeChainStart(chain)) == csEdgeListFirst(edges));
        EXPECT_GE(found.size(), 40u) << angle;
        for (size_t k = 0; k < found.size(); ++k) {
            const edgel &e = found[k], &next = found[(k + 1) % found.size()];
            EXPECT_TRUE((k + 1 == found.size() && angle >= 0) ||
                        std::max(std::abs(next.i - e.i), std::abs(next.j - e.j)) <= 1)
                << k;
            if (std::min({e.i, e.j, 47 - e.i, 47 - e.j}) < 4) continue;
            EXPECT_LT(std::fabs(distance(e.x, e.y)), 0.25) << angle << ": " << e.x << ", " << e.y;
        }
        csEdgeListDelete(&edges);
        csEdgeChainListDelete(&chains);
    }
}

// A step at column 6 + y / 4, its contrast 120 - 3y fading down the rows, whose edgels join
// diagonally where it moves a column; an isolated step of contrast 24 at column 32. Between them
// lies a ramp falling by 3 levels a row, of magnitude 6 and angle 192 (-y) where the smoothing
// stays off the steps, and below every threshold used.
TEST(EdgeDetect, MagnitudeAngleAndHysteresis) {
    record scene(generate(
        40, 40, [](int x, int y) { return x < 6 + y / 4 ? 100 : (x < 32 ? 220 : 244) - 3 * y; }));
    cimg_image magnitude, angle;
    for (cimg_image* image : {&magnitude, &angle}) cimg_image_constructUnbound(image);
    const cip_edgeParams sharpness{1, 0, 0};
    ASSERT_EQ(cip_edge_detectMagAng(scene.get(), &sharpness, &magnitude, &angle), 0);
    const cstd_rect32& rect = angle.asConst.window;
    EXPECT_TRUE(rect.x == 1 && rect.y == 1 && rect.width == 38 && rect.height == 38);
    EXPECT_EQ(angle.asConst.imageFromClient.trans.x + magnitude.asConst.imageFromClient.trans.x, 6);
    const std::vector<int> ms = windowPixels(magnitude), as = windowPixels(angle);
    for (int y = 2; y < 36; ++y)  // the ramp, two pixels clear of steps and border
        for (int x = 17; x < 28; ++x)
            EXPECT_TRUE(ms[y * 38 + x] == 6 && as[y * 38 + x] == 192) << x << ", " << y;
    auto has = [](const std::vector<edgel>& found, auto test) {
        return std::any_of(found.begin(), found.end(), test);
    };
    const std::vector<edgel> joined = detect(scene.get(), {1, 8, 40});
    EXPECT_FALSE(has(joined, [](const edgel& e) { return e.i > 20; }));
    EXPECT_TRUE(has(joined, [](const edgel& e) { return e.j == 30; }));  // contrast 30: weak
    EXPECT_TRUE(has(detect(scene.get(), {1, 8, 0}), [](const edgel& e) { return e.i == 32; }));
    cimg_image_destruct(&magnitude);
    cimg_image_destruct(&angle);
}

// A list holds exactly its room, and the one handed over for a source of under 64 pixels holds
// 64: a vertical step 68 rows high fills it, one row more does not fit and changes nothing.
TEST(EdgeDetect, ListsHoldTheirRoomAndTinySourcesGet64) {
    record tiny(greyImage(7, 9)), fits(verticalStep(68)), spills(verticalStep(69));
    csEdgeList* list = nullptr;
    csEdgeListNew(0, &list);
    const cip_edgeParams params{1, 10, 0};
    ASSERT_EQ(cip_edge_detectEdges(tiny.get(), &params, list), 0);
    csEdgeListInit(list, 0, 5, -3);
    const csEdgeParams defaults{1, 10, 20, 0, 0, CSEDGE_PARAMS_VERSION};
    for (const record* source : {&fits, &spills}) {
        cxImage95 view;
        ASSERT_EQ(view.init(source->get()), 0);
        EXPECT_EQ(csEdgeDetect(view, &defaults, 0, 0, list, 0),
                  source == &fits ? 0 : CID_STATUS_EDGE_LIST_FULL);
        const std::vector<edgel> found = read(list);
        ASSERT_EQ(found.size(), 64u);  // at the step's sub-pixel place, shifted by (5, -3)
        EXPECT_TRUE(found[0].x == 15 && found[0].y == -0.5 && found[0].i == 15 &&
                    found[0].m == 110);
    }
    csEdgeListDelete(&list);
}

// While installed, refuses every block larger than its limit.
size_t gLimit = 0;
const csys_allocator* gDefault = nullptr;
struct limitedMemory {
    csys_allocator record{
        [](void*, size_t bytes, size_t alignment) {
            return bytes > gLimit ? nullptr : gDefault->alloc(gDefault->context, bytes, alignment);
        },
        [](void*, void* block) { gDefault->free(gDefault->context, block); }, nullptr};
    explicit limitedMemory(size_t limit) {
        gLimit = limit, gDefault = csys_memory_setAllocator(&record);
    }
    ~limitedMemory() { csys_memory_setAllocator(gDefault); }
};

// A list for the 6000 edgels of a 60 x 100 window takes 120000 bytes, for half of them 60000. 4
// strips cover rows 0 .. 24, 21 .. 49, 46 .. 74 and 71 .. 99; 8 strips 0 .. 15, then 16 rows
// every 12. Outside the overlaps they find the edgels of one pass.
TEST(EdgeStrips, StripsFindWhatOnePassFindsOutsideTheOverlaps) {
    record scene(generate(60, 100, [](int x, int y) {
        return std::hypot(x - 33, y - 48) < 27 && std::hypot(x - 20, y - 60) > 9 ? 200 : 50;
    }));
    const std::vector<edgel> whole = detect(scene.get());
    for (const auto& [limit, strips] : {std::pair{100000u, 4}, std::pair{45000u, 8}}) {
        limitedMemory memory(limit);
        std::vector<edgel> expected = whole, parts = detect(scene.get());
        const int h = 100 / strips, first = 100 - (strips - 1) * h - 4;
        auto overlap = [&](const edgel& e) { return e.j >= first && (e.j - first) % h < 4; };
        for (auto* list : {&expected, &parts})
            list->erase(std::remove_if(list->begin(), list->end(), overlap), list->end());
        EXPECT_EQ(parts, expected) << strips << " strips";
    }
    // 10 rows in 4 strips: rows 0 .. 3, 0 .. 5, 2 .. 7 and 4 .. 9 find a vertical step in each of
    // rows 2 .. 7 once.
    limitedMemory memory(2500);
    std::vector<int> rows;
    for (const edgel& e : detect(record(verticalStep(10)).get())) rows.push_back(e.j);
    EXPECT_EQ(rows, std::vector<int>({2, 3, 4, 5, 6, 7}));
}

// Windows too small for the operators give nothing.
TEST(EdgeDetect, TinyWindowsGiveNothing) {
    for (const auto& [w, h] : {std::pair{1, 1}, {2, 6}, {4, 4}, {6, 2}, {0, 5}}) {
        record tiny(generate(w, h, [](int x, int y) { return x * 97 + y * 41; }));
        EXPECT_TRUE(detect(tiny.get(), {1, 0, 0}).empty()) << w << " x " << h;
    }
}

}  // namespace
