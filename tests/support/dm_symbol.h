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

// Columns first, as in (x, y): dmSymbol(18, 8, seed) is the symbology's 8 x 18. The constructor
// throws std::invalid_argument for a size ECC 200 does not have; data modules are dark with
// probability one half, drawn from the seed.
struct dmSymbol {
    dmSymbol(int32_t columns, int32_t rows, uint32_t seed);

    int32_t columns;
    int32_t rows;
    // Row by row, row 0 the top row as printed, column 0 the left column (the solid side of the L).
    std::vector<bool> dark;
};

}  // namespace cid_test
