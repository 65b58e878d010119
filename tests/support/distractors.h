// Things that are not Data Matrix symbols, for negative tests: text-like clutter, a 1-D barcode,
// a patch of noise cells and a PDF417-like symbol. Each is planeArt for a scene; the plane unit
// is given with each.
#pragma once

#include <cstdint>
#include <memory>

#include "raster.h"

namespace cid_test {

// Lines of glyph-like strokes. A glyph occupies 6 x 10 units, glyphs advance by 8 units and lines
// by 14; each glyph is two to four strokes between points of a 3 x 5 lattice, and about one in
// eight is a space. Only the strokes are painted.
struct textClutter {
    int32_t lines = 3;
    int32_t glyphsPerLine = 14;
    double strokeWidth = 1.2;  // units
    uint32_t seed = 1;
    ink colours;
};

// Bars and spaces of 1 to 4 modules, starting and ending with a bar, with a quiet zone all round.
// Plane unit: one module; the bars run down the plane's v axis.
struct barcode1d {
    int32_t bars = 24;
    double height = 40;  // modules
    double quietZone = 10;
    uint32_t seed = 1;
    ink colours;
};

// A grid of square cells, each dark or light at random (binary) or of a grey drawn uniformly
// between the two ink levels. With binary cells it looks like a Data Matrix without its finder.
// Plane unit: one cell.
struct noisePatch {
    int32_t cellsAcross = 24;
    int32_t cellsDown = 24;
    bool binary = true;
    uint32_t seed = 1;
    ink colours;
};

// Rows of the PDF417 layout: start pattern 8 1 1 1 1 1 1 3, a left row indicator, dataColumns
// code words, a right row indicator and stop pattern 7 1 1 3 1 1 1 2 1 (bar and space widths in
// modules). Every code word is four bars and four spaces of 1 to 6 modules adding up to 17, drawn
// at random. Plane unit: one module; the body is 17 dataColumns + 69 modules wide and
// rows x rowHeight modules high.
struct pdf417Like {
    int32_t rows = 12;
    int32_t dataColumns = 3;
    int32_t rowHeight = 3;  // modules
    double quietZone = 2;
    uint32_t seed = 1;
    ink colours;
};

std::unique_ptr<planeArt> makeArt(const textClutter& text);
std::unique_ptr<planeArt> makeArt(const barcode1d& barcode);
std::unique_ptr<planeArt> makeArt(const noisePatch& patch);
std::unique_ptr<planeArt> makeArt(const pdf417Like& symbol);

}  // namespace cid_test
