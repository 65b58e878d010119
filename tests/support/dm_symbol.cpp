// The ECC 200 size table and the finder pattern of each data region.
#include "dm_symbol.h"

#include <random>
#include <stdexcept>
#include <string>

namespace cid_test {

namespace {

// Rows and columns of a symbol, then of one data region without its finder (ECC 200 table): the
// 24 square sizes, then the 6 rectangular ones.
struct dmSize {
    int32_t rows;
    int32_t columns;
    int32_t regionRows;
    int32_t regionColumns;
};

constexpr dmSize kSizes[] = {
    {10, 10, 8, 8},     {12, 12, 10, 10},   {14, 14, 12, 12},   {16, 16, 14, 14},
    {18, 18, 16, 16},   {20, 20, 18, 18},   {22, 22, 20, 20},   {24, 24, 22, 22},
    {26, 26, 24, 24},   {32, 32, 14, 14},   {36, 36, 16, 16},   {40, 40, 18, 18},
    {44, 44, 20, 20},   {48, 48, 22, 22},   {52, 52, 24, 24},   {64, 64, 14, 14},
    {72, 72, 16, 16},   {80, 80, 18, 18},   {88, 88, 20, 20},   {96, 96, 22, 22},
    {104, 104, 24, 24}, {120, 120, 18, 18}, {132, 132, 20, 20}, {144, 144, 22, 22},
    {8, 18, 6, 16},     {8, 32, 6, 14},     {12, 26, 10, 24},   {12, 36, 10, 16},
    {16, 36, 14, 16},   {16, 48, 14, 22},
};

const dmSize& sizeOf(int32_t columns, int32_t rows) {
    for (const dmSize& size : kSizes) {
        if (size.columns == columns && size.rows == rows) return size;
    }
    throw std::invalid_argument("no ECC 200 symbol has " + std::to_string(columns) +
                                " columns and " + std::to_string(rows) + " rows");
}

// The colour of a finder module of a region block (the data region with its four finder sides),
// 1 for dark and 0 for light, or -1 for a data module.
int finderColour(int32_t column, int32_t row, int32_t lastColumn, int32_t lastRow) {
    if (column == 0 || row == lastRow) return 1;                // the solid L
    if (row == 0) return column % 2 == 0;                       // timing from the top-left
    if (column == lastColumn) return (lastRow - row) % 2 == 0;  // and up from the bottom-right
    return -1;
}

}  // namespace

dmSymbol::dmSymbol(int32_t columns, int32_t rows, uint32_t seed) : columns(columns), rows(rows) {
    const dmSize& size = sizeOf(columns, rows);
    const int32_t blockColumns = size.regionColumns + 2, blockRows = size.regionRows + 2;
    // The engine's bits are fixed by the standard, unlike its distributions: the same symbol
    // with every standard library.
    std::mt19937 random(seed);
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t column = 0; column < columns; ++column) {
            const int finder = finderColour(column % blockColumns, row % blockRows,
                                            blockColumns - 1, blockRows - 1);
            dark.push_back(finder >= 0 ? finder == 1 : (random() >> 31) != 0);
        }
    }
}

}  // namespace cid_test
