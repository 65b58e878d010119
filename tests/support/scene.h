// The scene renderer of the tests and benchmarks. A scene is a layout on a uniform background:
// flat art (a Data Matrix, or text, a 1-D barcode, a patch of random cells or a PDF417-like
// symbol that must not be taken for one) placed by its four image corners or by a placement,
// each pixel the mean of supersampling x supersampling sub-pixels; and grey profiles across the
// whole scene (step edges, bars), each pixel the exact mean over its area, so that edges lie
// where they are to a small fraction of a pixel. render() then applies an illumination
// gradient, Gaussian blur and Gaussian noise, in that order, and rounds to 8 bits. The same
// layout may be rendered under many conditions; the truth does not change.
//
// The truth of a Data Matrix is its four outer corners (the outer edges of its outermost
// modules, without quiet zone) in image coordinates, in the order top-left, top-right,
// bottom-right, bottom-left of the symbol as printed: the vertex of the solid L is corners[3],
// its arms end at corners[0] and corners[2], and corners[1] is the far corner where the two
// timing sides meet. Pixel (i, j) covers [i, i + 1) x [j, j + 1).
//
//     cid_test::scene layout(640, 480);
//     cid_test::placement where;
//     where.centre = {200, 180};
//     where.unit = 5;  // pixels per module
//     where.rotation = 0.4;
//     const cid_test::dmTruth truth = layout.addDataMatrix(cid_test::dmSymbol(18, 18, 1), where);
//     cid_test::imagingConditions conditions;
//     conditions.blurSigma = 0.8;
//     conditions.noiseSigma = 4;
//     cid_test::windowedImage view(layout.render(conditions));  // view.h
//     // ... locate through view.get(), then compare with truth.corners[3] (the L vertex).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "dm_symbol.h"
#include "grey_image.h"
#include "homography.h"

namespace cid_test {

// Grey levels of a printed thing. lightOnDark swaps them: dark modules, bars and strokes are
// printed light on a dark ground.
struct ink {
    double dark = 30;
    double light = 220;
    bool lightOnDark = false;

    double ofDark() const { return lightOnDark ? light : dark; }
    double ofLight() const { return lightOnDark ? dark : light; }
};

// Something flat painted into a scene. Its body is the plane rectangle [0, width) x [0, height)
// (in its own units: modules, bar widths, glyph units), and it may also paint a margin round the
// body (a quiet zone); outside the margin it never paints. shade gives the grey at a plane point
// of the body or margin, or false where the art leaves whatever lies beneath.
struct planeArt {
    double width;
    double height;
    double margin;
    std::function<bool(double u, double v, double* grey)> shade;
};

// Plane unit: one module.
struct dmLook {
    ink colours;
    double quietZone = 1;  // modules of the light level painted round the symbol
};

// Each throws std::invalid_argument for a thing that cannot be drawn.
planeArt dataMatrixArt(const dmSymbol& symbol, const dmLook& look);
// Unit cells, row by row, each of its own grey, and a margin of one grey.
planeArt cellGrid(int32_t columns, int32_t rows, std::vector<double> greys, double margin = 0,
                  double marginGrey = 0);
// Lines of glyph-like strokes. A glyph occupies 6 x 10 units, glyphs advance by 8 units and lines
// by 14; each glyph is two to four strokes (strokeWidth units wide) between points of a 3 x 5
// lattice, and about one in eight is a space. Only the strokes are painted.
planeArt textClutter(int32_t lines, int32_t glyphsPerLine, double strokeWidth, uint32_t seed,
                     const ink& colours = {});
// `bars` bars and the spaces between them, of 1 to 4 modules each, height modules high, with a
// quiet zone all round. Plane unit: one module; the bars run down the plane's v axis.
planeArt barcode1d(int32_t bars, double height, double quietZone, uint32_t seed,
                   const ink& colours = {});
// A grid of square cells, each dark or light at random (binary) or of a grey drawn uniformly
// between the two ink levels. With binary cells it looks like a Data Matrix without its finder,
// or like any module grid. Plane unit: one cell.
planeArt noisePatch(int32_t cellsAcross, int32_t cellsDown, bool binary, uint32_t seed,
                    const ink& colours = {});
// Rows of the PDF417 layout: start pattern 8 1 1 1 1 1 1 3, a left row indicator, dataColumns
// code words, a right row indicator and stop pattern 7 1 1 3 1 1 1 2 1 (bar and space widths in
// modules). Every code word is four bars and four spaces of 1 to 6 modules adding up to 17, drawn
// at random. Plane unit: one module; the body is 17 dataColumns + 69 modules wide and
// rows x rowHeight modules high.
planeArt pdf417Like(int32_t rows, int32_t dataColumns, int32_t rowHeight, double quietZone,
                    uint32_t seed, const ink& colours = {});

// A grey that varies across the direction `normal` (radians, from +x towards +y) only. With
// t = x cos(normal) + y sin(normal) - offset at image point (x, y), it is greys[k] for t in
// [ends[k - 1], ends[k]), greys.front() before ends.front() and greys.back() from ends.back() on:
// greys has one element more than the increasing ends.
struct profile {
    double normal = 0;
    double offset = 0;
    std::vector<double> ends;
    std::vector<double> greys;
};

// dark for t < 0, bright from 0 on.
profile stepEdge(double normal, double offset, double dark, double bright);
// Alternating dark and bright bars over |t| < 4096, of widths drawn uniformly from [minWidth,
// maxWidth], the dark levels from [20, 90] and the bright ones from [150, 230].
profile randomBars(double normal, double minWidth, double maxWidth, uint32_t seed);
// Dark for the first half of every period counted from t = 0, light for the second, over
// |t| < 4096.
profile periodicBars(double normal, double period, const ink& colours);

struct dmTruth {
    quad corners;  // top-left, top-right (far corner), bottom-right, bottom-left (L vertex)
    int32_t columns;
    int32_t rows;
};

struct imagingConditions {
    int32_t supersampling = 4;      // sub-pixels per pixel along each axis, for flat art
    double illuminationSlopeX = 0;  // gain change per pixel, the gain being 1 at the centre
    double illuminationSlopeY = 0;
    double blurSigma = 0;   // pixels
    double noiseSigma = 0;  // grey levels
    uint32_t noiseSeed = 1;
};

// The grey levels being painted, kept as doubles until render() rounds them.
struct canvas;

class scene {
public:
    scene(int32_t width, int32_t height, double background = 190);

    dmTruth addDataMatrix(const dmSymbol& symbol, const quad& corners, const dmLook& look = {});
    // where.unit is the module size in pixels.
    dmTruth addDataMatrix(const dmSymbol& symbol, const placement& where, const dmLook& look = {});
    // Any art, its body mapped to the corners, or placed; the latter returns the image corners
    // of the body (without margin). Throws std::invalid_argument when the corners do not make a
    // convex quadrilateral or the art's margin reaches behind the viewer (the perspective too
    // strong for its size), where the mapped shape would wrap through infinity.
    void addArt(const planeArt& art, const quad& corners);
    quad addArt(const planeArt& art, const placement& where);
    void addProfile(const profile& across);

    // Things are painted in the order they were added, later ones over earlier ones.
    greyImage render(const imagingConditions& conditions = {}) const;

private:
    int32_t width_;
    int32_t height_;
    double background_;
    std::vector<std::function<void(canvas&, int32_t supersampling)>> painters_;
};

}  // namespace cid_test
