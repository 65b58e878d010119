// Teeth from edges: the listed pairing and scoring cases, regular bars (rendered, missing some,
// or seen through a perspective mapping) filling their grid slots.
#include <gtest/gtest.h>

#include "bar_scene.h"
#include "ci_id/oned.h"
#include "ci_id/teeth.h"

namespace {

// A rectangle centred on c whose x side, length long, has the given angle.
cmath_shapeAffineRect rectAlong(cmath_vect c = {100, 50}, double angle = 0, double length = 200) {
    const cmath_vect d{std::cos(angle) * length / 2, std::sin(angle) * length / 2};
    const cmath_vect po{c.x - d.x + d.y / 9, c.y - d.y - d.x / 9};
    return {po, {po.x + 2 * d.x, po.y + 2 * d.y}, {po.x - 2 * d.y / 9, po.y + 2 * d.x / 9}};
}

// The results of pairing, and a copy of their slots.
struct teeth {
    cidut_teethResults results;
    std::vector<cidut_toothCand> slots;
    int32_t skipFirstSlot = 0;
    explicit teeth(int32_t s = 0) : skipFirstSlot(s) { cidut_teethResults_construct(&results); }
    ~teeth() { cidut_teethResults_destruct(&results); }
    // Pairs list with forward and inverse mappings f and g: the status, or the number of slots.
    int32_t pair(int count, double width, double pitch, const std::vector<cidut_edge>& list,
                 const cmath_shapeAffineRect& rect = rectAlong(), int32_t flags = 2,
                 const cmath_xform* f = nullptr, const cmath_xform* g = nullptr) {
        cidut_edgePairingParams p;
        cidut_edgePairingParams_init(&p);
        p.slotCount = count, p.expectedWidth = width, p.expectedPitch = pitch;
        p.skipFirstSlot = skipFirstSlot;
        const cidut_edgeList edges{int32_t(list.size()), flags, 0, list.data()};
        const int32_t s = cidut_edgesToTeeth(&p, &edges, f, g, &rect, nullptr, &results);
        const cidut_toothCand* first = nullptr;
        int32_t size = 0;
        cstd_vector_cidut_toothCand_getBeginSizeConst(&results.teeth, &first, &size);
        slots.assign(first, first + size);
        return s < 0 ? s : size;
    }
};

// count dark bars, width wide, 8 pixels apart from the centre first (grid line 0 when -96, the
// grid starting at the scan's start 100 pixels before the centre); strengths 100 grey levels.
int32_t at(double pixels) { return int32_t(std::lround(pixels * 256)); }

std::vector<cidut_edge> bars(int count, double width, double first = -96) {
    std::vector<cidut_edge> list;
    for (double c = first, h = width / 2; c < first + 8 * count; c += 8)
        list.insert(list.end(), {{at(c - h), -25600}, {at(c + h), 25600}});
    return list;
}

// No teeth, where the same bars of the expected width and equal strengths fill six slots: four
// edges; rising then falling, 16 pixels apart; 1.8 and 0.3 times the width (less for rounding); a
// strength ratio of 102/256, below 0.45; a single tooth (the other edges rising) where two are
// needed.
TEST(EdgesToTeeth, ListedCasesGiveNoTeeth) {
    std::vector<cidut_edge> regular = bars(6, 4), weak = regular, light;
    for (size_t i = 0; i < regular.size(); i += 4)  // every other bar, as light on dark
        light.insert(light.end(), {{regular[i].position, 9}, {regular[i + 1].position, -9}});
    for (size_t i = 1; i < weak.size(); i += 2) weak[i].strength = 10240;  // 40 % of the other
    const std::vector<cidut_edge> single{{-900, 9}, {-800, 9}, {-700, 9}, {-2, -500}, {1022, 500}};
    teeth t;
    for (const auto& l : {bars(2, 4), light, bars(6, 7.2), bars(6, 1.1), weak, single}) {
        ASSERT_EQ(t.pair(6, 4, 8, l), 0);
        EXPECT_TRUE(t.slots.empty());
    }
    EXPECT_EQ(t.pair(6, 4, 8, regular), 6);
}

// Bars 6 pixels past their grid lines (the grid starts at the scan's start, 100 pixels before
// the centre), so that their phases fold to 2 pixels before the next line; bars on grid lines 1
// to 8 but 4, the rising edge on line 6 at 0.79 of the strength. Teeth score exactly 294 (a
// strength ratio of 1 times 0.8 plus a width score of 1 times 1.5, halved, times a grid score of
// 1), on line 6 273 ((162 + 384) / 2, the ratio being 202/256), synthesised ones 256 on the
// grid. With skipFirstSlot every tooth sits one slot further and the last two slots are
// synthesised.
TEST(EdgesToTeeth, RegularBarsScoreAndFillTheGaps) {
    std::vector<cidut_edge> list = bars(8, 4, -86);
    list.erase(list.begin() + 6, list.begin() + 8);
    list[9].strength = 20200;
    for (int32_t skip = 0; skip < 2; ++skip) {
        teeth t(skip);
        ASSERT_EQ(t.pair(10, 4, 8, list), 10);
        for (int j = 0; j < 10; ++j) {
            const int line = j - skip;
            const bool real = line > 0 && line != 4 && line < 9 && j < 10 - 2 * skip;
            EXPECT_EQ(t.slots[j].center, (-94 + 8 * line) * 256) << j;
            EXPECT_EQ(t.slots[j].slot, line);
            EXPECT_EQ(t.slots[j].firstEdge, real ? 2 * (line - 1 - (line > 4)) : -1) << j;
            EXPECT_EQ(t.slots[j].score, !real ? 256 : line == 6 ? 273 : 294) << j;
        }
        EXPECT_EQ(t.results.gridShift, 2 * 256);
        EXPECT_EQ(t.results.dominantWidth, 4 * 256);
        EXPECT_EQ(t.results.expectedWidth, 4 * 256);
        EXPECT_EQ(t.results.meanPitch, 8 * 256);
    }
}

// Teeth in neighbouring slots that overlap are one element seen twice, and the weaker goes: a
// wide bar with a weak edge on line 1 (alone it scores 175) and a bar reaching from inside it into
// slot 2 (alone 189). Slot 2 keeps the latter, slot 1 gets a synthesised tooth.
TEST(EdgesToTeeth, OverlappingNeighboursKeepTheStronger) {
    std::vector<cidut_edge> list = bars(4, 4, -70);  // lines 3 to 6
    list.insert(list.begin(),
                {{-22784, -25600}, {-22144, -25600}, {-21248, 12000}, {-20736, 25600}});
    teeth t;
    ASSERT_EQ(t.pair(8, 4, 8, list), 8);
    EXPECT_EQ(t.slots.at(1).firstEdge, -1);
    EXPECT_EQ(t.slots.at(2).firstEdge, 1);  // its falling edge, the bar from line 1 being 0 to 2
    // Regression: filling these gaps shifts empty slots along with teeth, and a shifted empty slot
    // once took a grid index and passed for a tooth; the search for the next empty slot then ran
    // past the last slot.
    list.clear();
    for (double c : {-94.1, -82.5, -72.4, -63.8, -53.8, -34.3, -22.6})
        list.insert(list.end(), {{at(c - 2), -9}, {at(c + 2), 9}});
    ASSERT_EQ(t.pair(10, 4, 8, list), 10);
    for (int k = 1; k < 10; ++k)
        EXPECT_TRUE(t.slots[k].slot == k && t.slots[k].center > t.slots[k - 1].center) << k;
}

// Twelve bars rendered at a random angle, found by the caliper: each lies in its slot, the grid
// starting a pitch and a half less half a pixel before the first bar's centre.
TEST(EdgesToTeeth, RenderedRegularBarsFillTheirSlots) {
    std::mt19937 rng(4242);
    for (int trial = 0; trial < 12; ++trial) {
        const double m = 2 + 2 * std::uniform_real_distribution<double>(0, 1)(rng);  // module
        const oned_test::barScene sc = oned_test::renderScene(std::vector<int>(23, 1), m, rng);
        const cimg_windowConst w = oned_test::windowOf(sc.image);
        std::vector<int32_t> s(256), pos(256);
        int32_t n = 0;
        ASSERT_EQ(cidut_caliperLite(&w, &sc.p0, &sc.p1, 256, 20, 0, s.data(), pos.data(), &n), 0);
        std::vector<cidut_edge> list;
        for (int32_t i = 0; i < n; ++i)
            list.push_back({pos[i] - 256 * int32_t(sc.half), 256 * s[i]});
        teeth t;
        ASSERT_EQ(t.pair(14, m, 2 * m, list, rectAlong(sc.centre, sc.angle, 28 * m - 1)), 14);
        for (int k = 1; k < 13; ++k) {
            EXPECT_EQ(t.slots[k].firstEdge, 2 * k - 2) << trial << " slot " << k;
            EXPECT_NEAR(t.slots[k].center / 256.0,
                        (sc.edges[2 * k - 2] + sc.edges[2 * k - 1]) / 2 - sc.half, 0.2);
        }
        EXPECT_NEAR(t.results.gridShift / 256.0, m - 0.5, 0.1);
    }
}

// Bars regular in a frame that a perspective transform carries into the image: their positions
// along the image rectangle's centre line are not, but the teeth found through the mapping are,
// and the missing bar's tooth is carried back into the image.
TEST(EdgesToTeeth, PerspectiveMappingRestoresTheGrid) {
    const cmath_vect plane[4] = {{0, 0}, {200, 0}, {0, 20}, {200, 20}};
    const cmath_vect image[4] = {{30, 40}, {300, 20}, {32, 70}, {270, 56}};
    cmath_xformPerspective toImage, toPlane;
    ASSERT_EQ(cmath_xformPerspective_constructPointsAllowNonUnique(&toImage, plane, image, 4), 0);
    ASSERT_EQ(cmath_xformPerspective_getInverse(&toImage, &toPlane), 0);
    const cmath_shapeAffineRect rect{image[0], image[1], image[2]};
    const double length = std::hypot(image[1].x - image[0].x, image[1].y - image[0].y);
    const cmath_vect c{(image[1].x + image[2].x) / 2, (image[1].y + image[2].y) / 2};
    const cmath_vect d{(image[1].x - image[0].x) / length, (image[1].y - image[0].y) / length};
    // Where the image of the plane's line x = e crosses the image centre line (1/256 pixel).
    const auto imagePosition = [&](double e) {
        cmath_vect a{e, 0}, b{e, 20};
        cmath_xform_mapPoint(&toImage, &a, &a);
        cmath_xform_mapPoint(&toImage, &b, &b);
        const cmath_vect u{b.x - a.x, b.y - a.y};
        return 256 * ((a.x - c.x) * u.y - (a.y - c.y) * u.x) / (d.x * u.y - d.y * u.x);
    };
    std::vector<cidut_edge> list;
    for (int i = 0; i < 20; i += i == 6 ? 2 : 1)  // bar 7 missing
        list.insert(list.end(), {{int32_t(imagePosition(10 * i + 2.5)), -20000},
                                 {int32_t(imagePosition(10 * i + 7.5)), 20000}});
    const double k = length / 200;  // the image's scale, which the mapping takes out
    teeth t;
    ASSERT_EQ(t.pair(20, 5 * k, 10 * k, list, rect, 2, &toPlane, &toImage), 20);
    for (int s = 0; s < 20; ++s) {
        EXPECT_NEAR(t.slots[s].center / 256.0, 10.0 * s - 95, 0.05) << s;
        EXPECT_EQ(t.slots[s].firstEdge < 0, s == 7);
        // The synthesised centre comes back through the mapping, off the centre line.
        const double expected = (imagePosition(10 * s + 2.5) + imagePosition(10 * s + 7.5)) / 512;
        EXPECT_NEAR(t.slots[s].imageCenter / 256.0, expected, s == 7 ? 1.0 : 0.01) << s;
    }
}

}  // namespace
