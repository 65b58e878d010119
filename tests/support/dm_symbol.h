// Data Matrix ECC 200 symbols as module grids: the finder and alignment structure of every
// standard size, with random data modules (no real encoding; location needs only the structure).
//
// A symbol is split into data regions, each framed by its own finder: a solid dark column on
// its left and a solid dark row at its bottom (the "L"), and a timing row on top and timing
// column on the right that alternate dark and light. The timing row starts dark at the region's
// top-left module; the timing column ends dark at the bottom-right. All region blocks have even
// sides, so every top-right corner module is light. Where regions meet, the solid side of one
// and the timing side of its neighbour form a two-module alignment pattern. For a one-region
// symbol the outer L is the left column and the bottom row: its vertex is the bottom-left
// module.
#pragma once

#include <cstdint>
#include <vector>

namespace cid_test {

// One ECC 200 size. Data regions are counted without their finder modules, so
// rows = regionsDown * (regionRows + 2) and columns = regionsAcross * (regionColumns + 2).
struct dmSize {
    int32_t rows;
    int32_t columns;
    int32_t regionRows;
    int32_t regionColumns;
    int32_t regionsDown;
    int32_t regionsAcross;
};

// The 24 square sizes from 10 x 10 to 144 x 144, then the 6 rectangular ones (8 x 18 .. 16 x 48,
// rows by columns as the symbology names them).
const std::vector<dmSize>& dmSizes();
// The size with these counts, or null when ECC 200 has none.
const dmSize* findDmSize(int32_t columns, int32_t rows);

class dmSymbol {
public:
    // Columns first, as in (x, y): dmSymbol(18, 8, seed) is the symbology's 8 x 18. Throws
    // std::invalid_argument for a size ECC 200 does not have. Data modules are dark with
    // probability one half, drawn from the seed.
    dmSymbol(int32_t columns, int32_t rows, uint32_t seed);

    int32_t columns() const { return size_.columns; }
    int32_t rows() const { return size_.rows; }
    const dmSize& size() const { return size_; }
    // Row 0 is the top row as printed, column 0 the left column (the solid side of the L).
    bool isDark(int32_t column, int32_t row) const;
    // False for finder and alignment modules.
    bool isData(int32_t column, int32_t row) const;

private:
    dmSize size_;
    std::vector<uint8_t> dark_;
};

}  // namespace cid_test
