// Running extrema over 64 lines at once. A strip of 64 rows (or columns) is laid out as lines of
// 64 bytes, one line per sample position and one lane per row (or column), padded with the
// operation's identity by the half-width on both sides; the window extremum of every position is
// then the extremum of a suffix and a prefix taken within blocks of one window.
#include <algorithm>
#include <cstring>

#include "ci_id/priv/ci_idut/pixel/morph_lanes.h"
#include "ci_id/priv/ci_idut/pixel/running_extremum.h"

namespace {

using cidut::kMorphLanes;

struct maximum {
    static constexpr uint8_t identity = 0;
    static uint8_t apply(uint8_t a, uint8_t b) { return a > b ? a : b; }
};
struct minimum {
    static constexpr uint8_t identity = 255;
    static uint8_t apply(uint8_t a, uint8_t b) { return a < b ? a : b; }
};

template <typename Op>
inline void combineLine(uint8_t* __restrict out, const uint8_t* __restrict a,
                        const uint8_t* __restrict b) {
    for (int32_t j = 0; j < kMorphLanes; ++j) out[j] = Op::apply(a[j], b[j]);
}

// Lines of kMorphLanes bytes: the strip being filtered and its block prefixes and suffixes.
struct laneBuffers {
    uint8_t* padded;
    uint8_t* prefix;
    uint8_t* suffix;
    uint8_t* result;
    uint8_t* line(uint8_t* base, int32_t i) const { return base + intptr_t{i} * kMorphLanes; }
};

// The 8 x 8 bytes at source (rows pitch apart) transposed into destination: three rounds of
// swapping 1-, 2- and 4-byte blocks between rows 1, 2 and 4 apart.
void transpose8x8(const uint8_t* source, intptr_t sourcePitch, uint8_t* destination,
                  intptr_t destinationPitch) {
    uint64_t r[8];
    for (int32_t i = 0; i < 8; ++i) std::memcpy(&r[i], source + i * sourcePitch, 8);
    const uint64_t masks[3] = {0x00FF00FF00FF00FFull, 0x0000FFFF0000FFFFull, 0x00000000FFFFFFFFull};
    // The rows exchanged in each round, listed so that every index is visibly within r.
    static constexpr int8_t kPairs[3][4][2] = {{{0, 1}, {2, 3}, {4, 5}, {6, 7}},
                                               {{0, 2}, {1, 3}, {4, 6}, {5, 7}},
                                               {{0, 4}, {1, 5}, {2, 6}, {3, 7}}};
    for (int32_t round = 0; round < 3; ++round) {
        const int32_t shift = 8 << round;
        for (const auto& pair : kPairs[round]) {
            uint64_t& low = r[pair[0]];
            uint64_t& high = r[pair[1]];
            const uint64_t t = ((low >> shift) ^ high) & masks[round];
            high ^= t;
            low ^= t << shift;
        }
    }
    for (int32_t i = 0; i < 8; ++i) std::memcpy(destination + i * destinationPitch, &r[i], 8);
}

// destination[c][r] = source[r][c] for r < rows, c < columns.
void transpose(const uint8_t* source, intptr_t sourcePitch, uint8_t* destination,
               intptr_t destinationPitch, int32_t rows, int32_t columns) {
    const int32_t fullRows = rows & ~7;
    const int32_t fullColumns = columns & ~7;
    for (int32_t r = 0; r < fullRows; r += 8) {
        for (int32_t c = 0; c < fullColumns; c += 8) {
            transpose8x8(source + r * sourcePitch + c, sourcePitch,
                         destination + c * destinationPitch + r, destinationPitch);
        }
    }
    for (int32_t r = 0; r < rows; ++r) {
        const int32_t firstColumn = r < fullRows ? fullColumns : 0;
        for (int32_t c = firstColumn; c < columns; ++c) {
            destination[c * destinationPitch + r] = source[r * sourcePitch + c];
        }
    }
}

// result line p = extremum of padded lines p .. p + 2 half, for p < count.
template <typename Op>
void windowExtremum(const laneBuffers& b, int32_t count, int32_t half) {
    const int32_t window = 2 * half + 1;
    const int32_t length = count + 2 * half;
    for (int32_t i = 0, inBlock = 0; i < length; ++i, ++inBlock) {
        if (inBlock == window) inBlock = 0;
        if (inBlock == 0) {
            std::memcpy(b.line(b.prefix, i), b.line(b.padded, i), kMorphLanes);
        } else {
            combineLine<Op>(b.line(b.prefix, i), b.line(b.prefix, i - 1), b.line(b.padded, i));
        }
    }
    std::memcpy(b.line(b.suffix, length - 1), b.line(b.padded, length - 1), kMorphLanes);
    for (int32_t i = length - 2, inBlock = (length - 2) % window; i >= 0; --i, --inBlock) {
        if (inBlock < 0) inBlock = window - 1;
        if (inBlock == window - 1) {
            std::memcpy(b.line(b.suffix, i), b.line(b.padded, i), kMorphLanes);
        } else {
            combineLine<Op>(b.line(b.suffix, i), b.line(b.suffix, i + 1), b.line(b.padded, i));
        }
    }
    for (int32_t p = 0; p < count; ++p) {
        combineLine<Op>(b.line(b.result, p), b.line(b.suffix, p), b.line(b.prefix, p + window - 1));
    }
}

template <typename Op>
void fillLines(const laneBuffers& b, int32_t first, int32_t count) {
    std::memset(b.line(b.padded, first), Op::identity, size_t(count) * kMorphLanes);
}

// Columns x0 .. x0 + lanes of input, filtered along the columns into output.
template <typename Op>
void columnStrip(cidut::morphPlane input, cidut::morphPlane output, int32_t x0, int32_t lanes,
                 int32_t height, int32_t half, const laneBuffers& b) {
    fillLines<Op>(b, 0, half);
    fillLines<Op>(b, half + height, half);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* line = b.line(b.padded, half + y);
        std::memcpy(line, input.pixels + y * input.pitch + x0, size_t(lanes));
        std::memset(line + lanes, Op::identity, size_t(kMorphLanes - lanes));
    }
    windowExtremum<Op>(b, height, half);
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(output.pixels + y * output.pitch + x0, b.line(b.result, y), size_t(lanes));
    }
}

// Rows y0 .. y0 + lanes of input, filtered along the rows into output: the strip is transposed
// into lines, filtered, and transposed back.
template <typename Op>
void rowStrip(cidut::morphPlane input, cidut::morphPlane output, int32_t y0, int32_t lanes,
              int32_t width, int32_t half, const laneBuffers& b) {
    fillLines<Op>(b, 0, half);
    fillLines<Op>(b, half + width, half);
    if (lanes < kMorphLanes) fillLines<Op>(b, half, width);
    transpose(input.pixels + y0 * input.pitch, input.pitch, b.line(b.padded, half), kMorphLanes,
              lanes, width);
    windowExtremum<Op>(b, width, half);
    transpose(b.result, kMorphLanes, output.pixels + y0 * output.pitch, output.pitch, width, lanes);
}

// Small windows along a row are cheaper read directly: each output is the extremum of the 2 Half
// + 1 samples around it, computed 64 at a time from a padded copy of the row.
template <typename Op, int32_t Half>
void directChunk(const uint8_t* __restrict padded, uint8_t* __restrict out) {
    for (int32_t j = 0; j < kMorphLanes; ++j) {
        uint8_t v = padded[j];
        for (int32_t d = 1; d <= 2 * Half; ++d) v = Op::apply(v, padded[j + d]);
        out[j] = v;
    }
}

template <typename Op, int32_t Half>
void directRows(cidut::morphPlane input, cidut::morphPlane output, int32_t width, int32_t height,
                const laneBuffers& b) {
    const int32_t chunks = (width + kMorphLanes - 1) / kMorphLanes;
    const size_t paddedBytes = size_t(chunks) * kMorphLanes + 2 * Half;
    std::memset(b.padded, Op::identity, paddedBytes);
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(b.padded + Half, input.pixels + y * input.pitch, size_t(width));
        for (int32_t c = 0; c < chunks; ++c) {
            directChunk<Op, Half>(b.padded + c * kMorphLanes, b.result + c * kMorphLanes);
        }
        std::memcpy(output.pixels + y * output.pitch, b.result, size_t(width));
    }
}

template <typename Op>
void rowPass(cidut::morphPlane input, cidut::morphPlane output, int32_t width, int32_t height,
             int32_t half, const laneBuffers& b) {
    if (half == 1) return directRows<Op, 1>(input, output, width, height, b);
    if (half == 2) return directRows<Op, 2>(input, output, width, height, b);
    for (int32_t y0 = 0; y0 < height; y0 += kMorphLanes) {
        rowStrip<Op>(input, output, y0, std::min(kMorphLanes, height - y0), width, half, b);
    }
}

template <typename Op>
void columnPass(cidut::morphPlane input, cidut::morphPlane output, int32_t width, int32_t height,
                int32_t half, const laneBuffers& b) {
    for (int32_t x0 = 0; x0 < width; x0 += kMorphLanes) {
        columnStrip<Op>(input, output, x0, std::min(kMorphLanes, width - x0), height, half, b);
    }
}

template <typename Op>
void pass(cidut::morphPlane input, cidut::morphPlane output, int32_t width, int32_t height,
          int32_t kernelWidth, int32_t kernelHeight, const laneBuffers& b) {
    if (kernelWidth > 1) {
        rowPass<Op>(input, output, width, height, cidut::kernelHalfWidth(kernelWidth), b);
        input = output;
    }
    if (kernelHeight > 1) {
        columnPass<Op>(input, output, width, height, cidut::kernelHalfWidth(kernelHeight), b);
    }
}

size_t linesFor(int32_t length, int32_t kernel) {
    return size_t(length) + 2 * size_t(cidut::kernelHalfWidth(kernel));
}

}  // namespace

namespace cidut {

size_t morphLanesScratchBytes(int32_t width, int32_t height, int32_t kernelWidth,
                              int32_t kernelHeight) {
    const size_t lines = std::max(linesFor(width, kernelWidth), linesFor(height, kernelHeight));
    return 4 * lines * kMorphLanes;
}

void morphLanesPass(morphPlane input, morphPlane output, int32_t width, int32_t height,
                    int32_t kernelWidth, int32_t kernelHeight, bool maximum, uint8_t* scratch) {
    const size_t lines = std::max(linesFor(width, kernelWidth), linesFor(height, kernelHeight));
    const laneBuffers b{scratch, scratch + lines * kMorphLanes, scratch + 2 * lines * kMorphLanes,
                        scratch + 3 * lines * kMorphLanes};
    if (maximum) {
        pass<::maximum>(input, output, width, height, kernelWidth, kernelHeight, b);
    } else {
        pass<::minimum>(input, output, width, height, kernelWidth, kernelHeight, b);
    }
}

}  // namespace cidut
