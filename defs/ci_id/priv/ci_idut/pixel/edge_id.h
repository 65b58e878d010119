// Internals shared by the ID edge detectors: gradient keys, base-table layout and access.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace cidut {

constexpr size_t kEdgeIdBaseTableBytes = 131072;
constexpr uint8_t kEdgeIdNoEdge = 255;

// Base tables hold 16-byte blocks for 8 consecutive keys: 8 magnitudes, then 8 directions.
inline size_t magnitudeSlot(uint32_t key) { return (key & 7u) + (key & ~7u) * 2u; }
inline size_t directionSlot(uint32_t key) { return magnitudeSlot(key) + 8u; }

// Magnitudes are stored as signed bytes, 128 below their value.
inline uint8_t storedMagnitude(int32_t magnitude) { return static_cast<uint8_t>(magnitude - 128); }
inline int32_t magnitudeOf(uint8_t stored) { return static_cast<int8_t>(stored) + 128; }

inline uint32_t gradientKey(int32_t a, int32_t b) {
    return (static_cast<uint32_t>(a) & 0xFFu) << 8 | (static_cast<uint32_t>(b) & 0xFFu);
}

// Sobel key of the pixel at column c of row, its neighbours being columns l and r of the rows
// above and below (normally c - 1 and c + 1).
inline uint32_t sobelKey(const uint8_t* above, const uint8_t* row, const uint8_t* below, intptr_t l,
                         intptr_t c, intptr_t r) {
    const int32_t a = ((above[r] - above[l]) + 2 * (row[r] - row[l]) + (below[r] - below[l])) >> 3;
    const int32_t b =
        ((below[l] - above[l]) + 2 * (below[c] - above[c]) + (below[r] - above[r])) >> 3;
    return gradientKey(a, b);
}

inline uint32_t robertsKey(const uint8_t* row, const uint8_t* below, intptr_t x) {
    return gradientKey((row[x + 1] - below[x]) >> 1, (below[x + 1] - row[x]) >> 1);
}

// Direction reported for a table direction: Sobel adds back the eighth of a turn the tables
// subtract; "no edge" stays as it is.
inline uint8_t outputDirection(uint8_t direction, bool roberts) {
    if (roberts || direction == kEdgeIdNoEdge) return direction;
    return static_cast<uint8_t>(direction + 32);
}

// The process-wide base table of variant 0 or 1, built on first use.
int32_t edgeIdBaseTable(int32_t variant, const uint8_t** table);

}  // namespace cidut
