// Transposes in 8 x 8 blocks, with an optional cyclic shift of the destination and a conversion
// of each value on the way; shared by the transforms that work row by row.
#pragma once

#include <cstdint>

namespace cidut {

// dst is cols x rows, row-major: source element (r, c) goes to destination row
// (c + rowShift) mod cols, column (r + colShift) mod rows, as convert(value). rows and cols are
// multiples of 8, and so are the shifts.
template <typename Source, typename Dest, typename Convert>
void transposeBlocks(const Source* src, int32_t rows, int32_t cols, Dest* dst, int32_t rowShift,
                     int32_t colShift, Convert convert) {
    constexpr int32_t kBlock = 8;
    for (int32_t r0 = 0; r0 < rows; r0 += kBlock) {
        const int32_t dstCol0 = (r0 + colShift) % rows;
        for (int32_t c0 = 0; c0 < cols; c0 += kBlock) {
            const int32_t dstRow0 = (c0 + rowShift) % cols;
            for (int32_t i = 0; i < kBlock; ++i) {
                const Source* from = src + intptr_t{r0 + i} * cols + c0;
                Dest* to = dst + intptr_t{dstRow0} * rows + dstCol0 + i;
                for (int32_t j = 0; j < kBlock; ++j) to[intptr_t{j} * rows] = convert(from[j]);
            }
        }
    }
}

}  // namespace cidut
