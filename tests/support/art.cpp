// The art kinds of the scene renderer (scene.h), and the profiles.
#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "scene.h"
#include "scene_random.h"

namespace cid_test {

namespace {

// Alternating bars and spaces, each row a bar first and given by the ends of its elements.
using barRow = std::vector<int32_t>;

void addElements(barRow& row, std::initializer_list<int32_t> widths) {
    for (int32_t width : widths) row.push_back((row.empty() ? 0 : row.back()) + width);
}

// Rows rowHeight high, light where there is no bar.
planeArt barRowsArt(std::vector<barRow> rows, double rowHeight, double margin, const ink& colours) {
    const double width = rows.front().back(), height = rows.size() * rowHeight;
    return {width, height, margin, [=, rows = std::move(rows)](double u, double v, double* grey) {
                bool bar = false;
                if (u >= 0 && u < width && v >= 0 && v < height) {
                    const barRow& ends = rows[size_t(v / rowHeight)];
                    bar = (std::upper_bound(ends.begin(), ends.end(), u) - ends.begin()) % 2 == 0;
                }
                *grey = bar ? colours.ofDark() : colours.ofLight();
                return true;
            }};
}

using stroke = std::array<cmath_vect, 2>;

double squaredDistance(const cmath_vect& p, const stroke& s) {
    const double dx = s[1].x - s[0].x, dy = s[1].y - s[0].y;
    const double t =
        std::clamp(((p.x - s[0].x) * dx + (p.y - s[0].y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    const double ex = s[0].x + t * dx - p.x, ey = s[0].y + t * dy - p.y;
    return ex * ex + ey * ey;
}

// Eight elements of 1 to 6 modules adding up to 17: start from all ones and hand out the nine
// remaining modules one at a time.
void addCodeWord(barRow& row, sceneRandom& random) {
    int32_t widths[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    for (int32_t spare = 9; spare > 0;) {
        int32_t& width = widths[random.integer(0, 7)];
        if (width < 6) {
            ++width;
            --spare;
        }
    }
    for (int32_t width : widths) addElements(row, {width});
}

constexpr double kProfileReach = 4096;

}  // namespace

planeArt cellGrid(int32_t columns, int32_t rows, std::vector<double> greys, double margin,
                  double marginGrey) {
    if (columns < 1 || rows < 1 || greys.size() != size_t(columns) * rows) {
        throw std::invalid_argument("one grey per cell");
    }
    return {double(columns), double(rows), margin,
            [=, greys = std::move(greys)](double u, double v, double* grey) {
                const bool inBody = u >= 0 && u < columns && v >= 0 && v < rows;
                *grey = inBody ? greys[size_t(v) * columns + size_t(u)] : marginGrey;
                return true;
            }};
}

planeArt dataMatrixArt(const dmSymbol& symbol, const dmLook& look) {
    if (!(look.quietZone >= 0)) throw std::invalid_argument("negative quiet zone");
    std::vector<double> greys;
    for (bool dark : symbol.dark) {
        greys.push_back(dark ? look.colours.ofDark() : look.colours.ofLight());
    }
    return cellGrid(symbol.columns, symbol.rows, std::move(greys), look.quietZone,
                    look.colours.ofLight());
}

planeArt textClutter(int32_t lines, int32_t glyphsPerLine, double strokeWidth, uint32_t seed,
                     const ink& colours) {
    if (lines < 1 || glyphsPerLine < 1 || !(strokeWidth > 0)) {
        throw std::invalid_argument("text clutter needs lines, glyphs and a stroke width");
    }
    auto anchor = [](int32_t i) { return cmath_vect{0.5 + 2.5 * (i % 3), 0.5 + 2.25 * (i / 3)}; };
    sceneRandom random(seed);
    std::vector<std::vector<stroke>> glyphs(size_t(lines) * glyphsPerLine);
    for (std::vector<stroke>& glyph : glyphs) {
        if (random.integer(0, 7) == 0) continue;  // a space
        for (int32_t strokes = random.integer(2, 4); strokes > 0; --strokes) {
            const int32_t from = random.integer(0, 14);
            glyph.push_back({anchor(from), anchor((from + random.integer(1, 14)) % 15)});
        }
    }
    const double reach = strokeWidth / 2;
    return {glyphsPerLine * 8.0 - 2, lines * 14.0 - 4, 0, [=](double u, double v, double* grey) {
                const int32_t column = std::min(int32_t(u / 8), glyphsPerLine - 1);
                const int32_t line = std::min(int32_t(v / 14), lines - 1);
                const cmath_vect local{u - column * 8.0, v - line * 14.0};
                for (const stroke& s : glyphs[size_t(line) * glyphsPerLine + column]) {
                    if (squaredDistance(local, s) <= reach * reach) {
                        *grey = colours.ofDark();
                        return true;
                    }
                }
                return false;
            }};
}

planeArt barcode1d(int32_t bars, double height, double quietZone, uint32_t seed,
                   const ink& colours) {
    if (bars < 1 || !(height > 0) || !(quietZone >= 0)) {
        throw std::invalid_argument("a barcode needs bars, a height and a quiet zone");
    }
    sceneRandom random(seed);
    barRow row;
    for (int32_t element = 0; element < 2 * bars - 1; ++element) {
        addElements(row, {random.integer(1, 4)});
    }
    return barRowsArt({row}, height, quietZone, colours);
}

planeArt noisePatch(int32_t cellsAcross, int32_t cellsDown, bool binary, uint32_t seed,
                    const ink& colours) {
    if (cellsAcross < 1 || cellsDown < 1) throw std::invalid_argument("a noise patch needs cells");
    sceneRandom random(seed);
    std::vector<double> greys(size_t(cellsAcross) * cellsDown);
    for (double& grey : greys) {
        grey = !binary         ? random.uniform(colours.dark, colours.light)
               : random.coin() ? colours.ofDark()
                               : colours.ofLight();
    }
    return cellGrid(cellsAcross, cellsDown, std::move(greys));
}

planeArt pdf417Like(int32_t rows, int32_t dataColumns, int32_t rowHeight, double quietZone,
                    uint32_t seed, const ink& colours) {
    if (rows < 1 || dataColumns < 1 || rowHeight < 1 || !(quietZone >= 0)) {
        throw std::invalid_argument("a PDF417-like symbol needs rows, columns and a height");
    }
    sceneRandom random(seed);
    std::vector<barRow> bars(rows);
    for (barRow& row : bars) {
        addElements(row, {8, 1, 1, 1, 1, 1, 1, 3});
        for (int32_t word = 0; word < dataColumns + 2; ++word) addCodeWord(row, random);
        addElements(row, {7, 1, 1, 3, 1, 1, 1, 2, 1});
    }
    return barRowsArt(std::move(bars), rowHeight, quietZone, colours);
}

profile stepEdge(double normal, double offset, double dark, double bright) {
    return {normal, offset, {0.0}, {dark, bright}};
}

profile randomBars(double normal, double minWidth, double maxWidth, uint32_t seed) {
    if (!(minWidth > 0) || !(maxWidth >= minWidth)) throw std::invalid_argument("bar widths");
    sceneRandom random(seed);
    profile bars{normal, 0, {}, {random.uniform(20, 90)}};
    for (double end = -kProfileReach; end < kProfileReach;) {
        end += random.uniform(minWidth, maxWidth);
        bars.ends.push_back(end);
        bars.greys.push_back(bars.greys.size() % 2 ? random.uniform(150, 230)
                                                   : random.uniform(20, 90));
    }
    return bars;
}

profile periodicBars(double normal, double period, const ink& colours) {
    if (!(period > 0)) throw std::invalid_argument("bar period");
    const int32_t halves = static_cast<int32_t>(std::ceil(2 * kProfileReach / period));
    profile bars{normal, 0, {}, {colours.ofLight()}};
    for (int32_t k = -halves; k <= halves; ++k) {
        bars.ends.push_back(k * period / 2);
        // From here on, half-period k.
        bars.greys.push_back(k % 2 == 0 ? colours.ofDark() : colours.ofLight());
    }
    return bars;
}

}  // namespace cid_test
