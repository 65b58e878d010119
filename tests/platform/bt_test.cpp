// Boundary tracker: contours, border flags, stops and limits on random blobs in padded windows
// against flood fills; a blurred tilted square under even and uneven light, and adaptive traces
// among random modules that always close.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <random>
#include <set>
#include <vector>

#include "ci_id/platform/cbt.h"
#include "ci_id/platform/csys_status.h"
#include "scene.h"
#include "view.h"

namespace {

using cid_test::greyImage;
using edgeSet = std::set<std::array<int, 3>>;  // object pixel x, y and the direction out of it

// A trace from pixel (x, y) towards pixel (x + dx, y), image coordinates.
struct trace {
    cbt_result r{};
    int32_t status;
    trace(const cimg_imageConst* image, cbt_runParams p, int x, int y, int dx, bool adaptive) {
        p.start2X = x * 256;
        p.start1X = (x + dx) * 256;
        p.start1Y = p.start2Y = y * 256;
        cbt_result_construct(&r, 0);
        r.mode = 1;
        status = adaptive ? cbt_boundaryTrack_Adaptive(image, &p, 0, &r)
                          : cbt_boundaryTrack(image, &p, &r);
    }
    ~trace() { cbt_result_destruct(&r); }
};

// By flood fills: the edges between the blob met first going right from (x, y), with the
// object's connectivity, and the component beyond it, with the other one; everything outside
// the window is one background. *outer tells whether that component is the outside.
edgeSet boundary(const greyImage& g, const cbt_runParams& p, int x, int y, bool* outer) {
    const int w = g.width + 2, h = g.height + 2, step[4] = {1, w, -1, -w};  // with a frame
    std::vector<char> object(size_t(w * h));
    for (int k = 0; k < g.width * g.height; ++k) {
        const int i = k % g.width, j = k / g.width;
        object[size_t((j + 1) * w + i + 1)] = (g.at(i, j) < p.threshold) == p.polarity;
    }
    auto fill = [&](int start, bool eight) {
        std::vector<char> seen(object.size());
        std::vector<int> todo{start};
        for (seen[size_t(start)] = 1; !todo.empty();) {
            const int k = todo.back();
            todo.pop_back();
            for (int n = 0; n < 9; ++n) {
                const int i = k % w + n % 3 - 1, j = k / w + n / 3 - 1, m = j * w + i;
                if (!(eight || n % 2) || i < 0 || j < 0 || i >= w || j >= h) continue;
                if (seen[size_t(m)] || object[size_t(m)] != object[size_t(k)]) continue;
                seen[size_t(m)] = 1;
                todo.push_back(m);
            }
        }
        return seen;
    };
    int k = (y + 1) * w + x + 1;
    while (k % w < w - 1 && !(object[size_t(k)] && !object[size_t(k + 1)])) ++k;
    if (k % w == w - 1) return {};
    const bool object8 = (p.darkIs8Connected != 0) == (p.polarity != 0);
    const std::vector<char> blob = fill(k, object8), beyond = fill(k + 1, !object8);
    *outer = beyond[0] != 0;
    edgeSet edges;  // pixel m / 4, direction m % 4
    for (int m = 0; m < 4 * w * h; ++m) {
        if (blob[size_t(m / 4)] && beyond[size_t(m / 4 + step[m % 4])])
            edges.insert({m / 4 % w - 1, m / 4 / w - 1, m % 4});
    }
    return edges;
}

TEST(BoundaryTracker, ContoursFlagsAndLimitsAgreeWithFloodFills) {
    std::mt19937 rng(5);
    int holes = 0, touching = 0, inside = 0;
    for (int trial = 0; trial < 600; ++trial) {
        greyImage g(4 + int(rng() % 20), 3 + int(rng() % 15));
        // Sparse objects make small blobs inside the window, dense ones blobs with holes.
        const int density = trial / 4 % 3 ? 25 : 55, mode = trial % 5;
        for (uint8_t& v : g.pixels) v = (int(rng() % 100) < density) == trial % 2 ? 20 : 230;
        // Connectivity, polarity, start points, threshold (both levels 98/256 of the way), outer
        // contours only, edge strength, most points, local level and stop at the border.
        cbt_runParams p{trial % 4 < 2,         trial % 2,      0, 0,         0, 0,
                        trial % 2 ? 100 : 150, trial % 3 == 0, 0, INT32_MAX, 0, mode == 0};
        const int x = int(rng() % uint32_t(g.width)), y = int(rng() % uint32_t(g.height));
        bool outer = true, border = false, open = false;
        const edgeSet expected = boundary(g, p, x, y, &outer);
        for (const auto& e : expected) {
            const int i = e[0] + (e[2] == 0) - (e[2] == 2), j = e[1] + (e[2] == 1) - (e[2] == 3);
            border = border || e[0] % (g.width - 1) == 0 || e[1] % (g.height - 1) == 0;
            open = open || i < 0 || j < 0 || i == g.width || j == g.height;
        }
        const bool stopped = mode == 0 && open, cut = mode == 1;
        if (cut) p.maxPoints = int32_t(expected.size()) - 1;
        // The window at image offset (37, -11), inside padding of random levels.
        const cid_test::windowedImage view(g, {3, 2, 4, 5, 7, 34, -13});
        const trace t(view.get(), p, x + 37, y - 11, g.width - x, false);
        if (expected.empty() || (p.outerOnly && !outer)) {
            EXPECT_EQ(t.status, CBT_STATUS_NO_CONTOUR) << trial;
            continue;
        }
        ASSERT_EQ(t.status, 0) << trial;
        edgeSet found;
        for (const cbt_point& q : std::vector<cbt_point>(t.r.points, t.r.points + t.r.count)) {
            // The object pixel and the direction of the edge, east 0, south 1, west 2, north 3.
            const int i = (q.x + 128) >> 8, j = (q.y + 128) >> 8, dx = q.x - 256 * i,
                      dy = q.y - 256 * j;
            found.insert({i - 37, j + 11, dx ? 1 - dx / std::abs(dx) : 2 - dy / std::abs(dy)});
        }
        EXPECT_TRUE(std::includes(expected.begin(), expected.end(), found.begin(), found.end()) &&
                    int(found.size()) == t.r.count &&
                    (stopped || found.size() == expected.size() - cut));
        const int32_t state = stopped ? CBT_FLAG_UNUSABLE : cut ? 0 : CBT_FLAG_CLOSED;
        const int32_t flags = state | (border ? CBT_FLAG_TOUCHES_BORDER : 0);
        EXPECT_EQ(t.r.flags | (cut ? flags : 0), flags) << trial;  // a cut trace may miss the edge
        holes += !outer;
        (border ? touching : inside)++;
    }
    EXPECT_TRUE(holes > 10 && touching > 50 && inside > 50) << holes << " " << inside;
}

// A square of side 36 turned by 20 degrees above random 4-pixel modules, anti-aliased. Away from
// its corners the square's contour lies on its sides within 0.15 pixel; under light that falls off
// to the left a fixed threshold leaks into the background, while the adaptive one follows the
// local level. Wherever an adaptive trace starts among the modules it comes back to its starting
// edge: the object must not depend on the path the trace took to reach a pixel.
TEST(BoundaryTracker, TiltedSquareAndRandomModulesUnderEvenAndUnevenLight) {
    const double cx = 60.3, cy = 37.8, c = std::cos(20 * M_PI / 180), s = std::sin(20 * M_PI / 180);
    cid_test::scene layout(120, 150, 200);
    layout.addArt(cid_test::cellGrid(1, 1, {40}), {{cx, cy}, 36, 20 * M_PI / 180});
    layout.addArt(cid_test::noisePatch(16, 12, true, 12345), {{60, 112}, 4, 0.3});
    cid_test::imagingConditions conditions{8};  // samples per pixel along each axis
    int closed = 0;
    for (int k = 0; k < 4; ++k) {
        const bool uneven = k >= 2, adaptive = k % 2, leaks = uneven && !adaptive;
        conditions.illuminationSlopeX = uneven ? 0.011 : 0;
        const greyImage g = layout.render(conditions);
        const cid_test::windowedImage view(g);
        const int in = g.at(70, 38), out = g.at(100, 38);  // fields in the order listed above
        cbt_runParams p{1, 1, 0, 0, 0, 0, (in + out) / 2, 0, 3 * (out - in), 20000, 1, 0};
        const trace t(view.get(), p, 70, 38, 49, adaptive);
        double worst = 0;
        for (int32_t n = 0; n < t.r.count; ++n) {
            const double x = t.r.points[n].x / 256.0 + 0.5 - cx,
                         y = t.r.points[n].y / 256.0 + 0.5 - cy;
            const double u = std::fabs(x * c + y * s), v = std::fabs(y * c - x * s);
            if (u < 16 || v < 16)
                worst = std::fmax(worst, std::fabs(std::fmax(u, v) - 18));  // a side
        }
        EXPECT_TRUE(leaks ? worst > 1 : t.r.flags == CBT_FLAG_CLOSED && worst < 0.15) << k;
        p.threshold = 125;
        p.edgeStrength = 3 * 190;
        for (int n = 0; adaptive && n < 20 * 14; ++n) {
            const trace m(view.get(), p, 24 + 4 * (n % 20), 86 + 4 * (n / 20), 2, true);
            EXPECT_TRUE(m.status == CBT_STATUS_NO_CONTOUR || (m.r.flags & CBT_FLAG_CLOSED)) << n;
            closed += (m.r.flags & CBT_FLAG_CLOSED) != 0;
        }
    }
    EXPECT_GT(closed, 40);
}

}  // namespace
