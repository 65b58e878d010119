#include "dm_symbol.h"

#include <stdexcept>
#include <string>

#include "scene_random.h"

namespace cid_test {

namespace {

// Position of a module inside its region block (the data region plus its four finder sides).
struct blockPosition {
    int32_t column;
    int32_t row;
    int32_t lastColumn;
    int32_t lastRow;
};

blockPosition positionInBlock(const dmSize& size, int32_t column, int32_t row) {
    const int32_t blockColumns = size.regionColumns + 2;
    const int32_t blockRows = size.regionRows + 2;
    return {column % blockColumns, row % blockRows, blockColumns - 1, blockRows - 1};
}

bool isFinder(const blockPosition& at) {
    return at.column == 0 || at.row == 0 || at.column == at.lastColumn || at.row == at.lastRow;
}

bool finderIsDark(const blockPosition& at) {
    if (at.column == 0 || at.row == at.lastRow) return true;  // the solid L
    if (at.row == 0) return at.column % 2 == 0;               // timing from the top-left
    return (at.lastRow - at.row) % 2 == 0;                    // timing up from the bottom-right
}

}  // namespace

const std::vector<dmSize>& dmSizes() {
    // rows, columns, data region rows and columns, regions down and across (ECC 200 table).
    static const std::vector<dmSize> sizes = {
        {10, 10, 8, 8, 1, 1},     {12, 12, 10, 10, 1, 1},   {14, 14, 12, 12, 1, 1},
        {16, 16, 14, 14, 1, 1},   {18, 18, 16, 16, 1, 1},   {20, 20, 18, 18, 1, 1},
        {22, 22, 20, 20, 1, 1},   {24, 24, 22, 22, 1, 1},   {26, 26, 24, 24, 1, 1},
        {32, 32, 14, 14, 2, 2},   {36, 36, 16, 16, 2, 2},   {40, 40, 18, 18, 2, 2},
        {44, 44, 20, 20, 2, 2},   {48, 48, 22, 22, 2, 2},   {52, 52, 24, 24, 2, 2},
        {64, 64, 14, 14, 4, 4},   {72, 72, 16, 16, 4, 4},   {80, 80, 18, 18, 4, 4},
        {88, 88, 20, 20, 4, 4},   {96, 96, 22, 22, 4, 4},   {104, 104, 24, 24, 4, 4},
        {120, 120, 18, 18, 6, 6}, {132, 132, 20, 20, 6, 6}, {144, 144, 22, 22, 6, 6},
        {8, 18, 6, 16, 1, 1},     {8, 32, 6, 14, 1, 2},     {12, 26, 10, 24, 1, 1},
        {12, 36, 10, 16, 1, 2},   {16, 36, 14, 16, 1, 2},   {16, 48, 14, 22, 1, 2},
    };
    return sizes;
}

const dmSize* findDmSize(int32_t columns, int32_t rows) {
    for (const dmSize& size : dmSizes()) {
        if (size.columns == columns && size.rows == rows) return &size;
    }
    return nullptr;
}

dmSymbol::dmSymbol(int32_t columns, int32_t rows, uint32_t seed) {
    const dmSize* size = findDmSize(columns, rows);
    if (!size) {
        throw std::invalid_argument("no ECC 200 symbol has " + std::to_string(columns) +
                                    " columns and " + std::to_string(rows) + " rows");
    }
    size_ = *size;
    dark_.resize(static_cast<size_t>(columns) * rows);
    sceneRandom random(seed);
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t column = 0; column < columns; ++column) {
            const blockPosition at = positionInBlock(size_, column, row);
            dark_[static_cast<size_t>(row) * columns + column] =
                isFinder(at) ? finderIsDark(at) : random.coin();
        }
    }
}

bool dmSymbol::isDark(int32_t column, int32_t row) const {
    if (column < 0 || column >= size_.columns || row < 0 || row >= size_.rows) {
        throw std::out_of_range("module outside the symbol");
    }
    return dark_[static_cast<size_t>(row) * size_.columns + column] != 0;
}

bool dmSymbol::isData(int32_t column, int32_t row) const {
    return !isFinder(positionInBlock(size_, column, row));
}

}  // namespace cid_test
