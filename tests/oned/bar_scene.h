// Bar patterns for the one-dimensional tests: dark bars across a light image at any angle, drawn
// by the shared scene renderer (exact pixel areas, then blur and noise), and Code 128 element
// widths.
#pragma once

#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "ci_id/platform/cimg.h"
#include "grey_image.h"
#include "scene.h"

namespace oned_test {

inline cimg_windowConst windowOf(const cid_test::greyImage& image) {
    return cimg_windowConst{image.width, image.height, 0, 0, image.pitch, 1, image.pixels.data()};
}

// A pattern of alternating bar and space widths (in modules) at a random angle (within 40
// degrees) and centre, blur 0.5 and noise 2, with a scan line across it whose half length is a
// whole number of pixels (so that a caliper's spacing is exactly 1), and the pattern's edges as
// distances from p0 along that line.
struct barScene {
    cid_test::greyImage image;
    cmath_vect centre, p0, p1;
    double angle, half;
    std::vector<double> edges;
};

inline barScene renderScene(const std::vector<int>& widths, double module, std::mt19937& rng) {
    std::uniform_real_distribution<double> unit(0, 1);
    barScene sc;
    const double length = std::accumulate(widths.begin(), widths.end(), 0) * module;
    const int side = int(length) + 60;
    sc.angle = (unit(rng) * 80 - 40) * M_PI / 180;
    sc.centre = {side / 2.0 + unit(rng), side / 2.0 + unit(rng)};
    const double c = std::cos(sc.angle), s = std::sin(sc.angle), across = (unit(rng) - 0.5) * 20;
    cid_test::profile bars{sc.angle, sc.centre.x * c + sc.centre.y * s, {-length / 2}, {210}};
    for (size_t i = 0; i < widths.size(); ++i) {
        bars.ends.push_back(bars.ends.back() + widths[i] * module);
        bars.greys.push_back(i % 2 ? 210 : 40);
    }
    bars.greys.push_back(210);
    cid_test::scene layout(side, side, 210);
    layout.addProfile(bars);
    sc.image = layout.render({4, 0, 0, 0.5, 2, uint32_t(rng())});  // blur 0.5, noise 2
    sc.half = std::ceil(length / 2) + 12;
    sc.p0 = {sc.centre.x - sc.half * c - across * s, sc.centre.y - sc.half * s + across * c};
    sc.p1 = {sc.centre.x + sc.half * c - across * s, sc.centre.y + sc.half * s + across * c};
    for (double u : bars.ends) sc.edges.push_back(u + sc.half);
    return sc;
}

// Element widths of a Code 128 symbol (code set B) of text with its check character. The 107
// symbol characters' bar, space, ... widths (ISO/IEC 15417); the stop character's last bar, two
// modules, follows.
inline std::vector<int> code128Widths(const std::string& text) {
    static const char* const patterns =
        "212222222122222221121223121322131222122213122312132212221213221312231212112232122132122231"
        "113222123122123221223211221132221231213212223112312131311222321122321221312212322112322211"
        "212123212321232121111323131123131321112313132113132311211313231113231311112133112331132131"
        "113123113321133121313121211331231131213113213311213131311123311321331121312113312311332111"
        "314111221411431111111224111422121124121421141122141221112214112412122114122411142112142211"
        "241211221114413111241112134111111242121142121241114212124112124211411212421112421211212141"
        "214121412121111143111341131141114113114311411113411311113141114131311141411131211412211214"
        "211232233111";
    std::vector<int> values{104}, widths;
    for (char ch : text) values.push_back(ch - 32);
    int check = 104;
    for (size_t i = 1; i < values.size(); ++i) check += int(i) * values[i];
    values.insert(values.end(), {check % 103, 106});
    for (int v : values)
        for (int i = 0; i < 6; ++i) widths.push_back(patterns[6 * v + i] - '0');
    widths.push_back(2);
    return widths;
}

}  // namespace oned_test
