// The portable true peak: Sobel gradient, magnitude and direction by shift-and-add rotations, and
// non-maximum suppression one row behind the gradient, in rings of three rows.
#include <cstdlib>
#include <utility>

#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/edge/edge_view.h"
#include "ci_id/priv/ci_idut/pixel/angle_table.h"

namespace cidut {

namespace {

// 512 / 1.1614: the three rotations lengthen the vector by 1.1614.
constexpr uint32_t kRotationGainInverse = 440;
constexpr uint32_t kSaturated = 0x3FFFFFFF;
// The neighbour ahead in each eighth of a turn, from +x towards +y (rows grow downwards).
constexpr int32_t kAhead[8][2] = {{1, 0},  {1, 1},   {0, 1},  {-1, 1},
                                  {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};

struct gradientRows {
    uint8_t* magnitude[3];
    uint8_t* direction[3];
};

struct polar {
    uint8_t magnitude;
    int32_t code;  // octant and four refinement bits, an index of the angle table
};

polar toPolar(int32_t gx, int32_t gy) {
    int32_t code = 1 + (gy < 0 ? 4 : 0) + (gx < 0 ? 2 : 0);
    int32_t big = std::abs(gx);
    int32_t small = std::abs(gy);
    if (big < small) {
        code &= ~1;
        std::swap(big, small);
    }
    for (int32_t k = 1; k <= 3; ++k) {
        const int32_t t = small - (big >> k);
        big += small >> k;
        code = 2 * code + (t < 0);
        small = std::abs(t);
    }
    code = 2 * code + (small - (big >> 4) < 0);
    const uint32_t v = (uint32_t(big) * kRotationGainInverse) << 6;
    return polar{static_cast<uint8_t>(v > kSaturated ? 255 : v >> 22), code};
}

// Pixels without gradient have no direction of their own and get a pseudo-random one; with a
// magnitude of 0 they can neither be peaks nor outweigh a neighbour, so it never shows.
uint8_t scatteredDirection(uint32_t* seed) {
    *seed = (*seed * 13821u) & 32767u;
    return static_cast<uint8_t>(*seed >> 7);
}

void gradientRow(const cimg_windowConst& in, int32_t y, uint8_t* magnitude, uint8_t* direction,
                 uint32_t* seed) {
    const uint8_t* above = in.pixels + intptr_t{y - 1} * in.pitch;
    const uint8_t* row = above + in.pitch;
    const uint8_t* below = row + in.pitch;
    auto sum = [&](int32_t c) { return above[c] + 2 * row[c] + below[c]; };
    auto difference = [&](int32_t c) { return below[c] - above[c]; };
    for (int32_t x = 1; x < in.width - 1; ++x) {
        const int32_t gx = (sum(x + 1) - sum(x - 1)) * 32;
        const int32_t gy = (difference(x - 1) + 2 * difference(x) + difference(x + 1)) * 32;
        const polar p = toPolar(gx, gy);
        magnitude[x] = p.magnitude;
        direction[x] = p.magnitude >= 1 ? kAngleTable[p.code] : scatteredDirection(seed);
    }
}

int32_t sectorOf(uint8_t direction) { return ((direction + 16) >> 5) & 7; }

// A neighbour whose gradient points back against the pixel's lies on another edge.
bool opposes(int32_t sector, int32_t other) {
    const int32_t turn = (other - sector) & 7;
    return turn >= 3 && turn <= 5;
}

// Suppresses row y (middle of the rings) into out; returns the number of peaks.
int32_t suppressRow(const gradientRows& rows, int32_t y, int32_t width, uint8_t threshold,
                    uint8_t* out) {
    const int32_t r = y % 3;
    int32_t peaks = 0;
    for (int32_t x = 2; x < width - 2; ++x) {
        const int32_t m = rows.magnitude[r][x];
        const int32_t s = sectorOf(rows.direction[r][x]);
        const int32_t ax = x + kAhead[s][0];
        const int32_t bx = x - kAhead[s][0];
        const int32_t ar = (y + kAhead[s][1] + 3) % 3;
        const int32_t br = (y - kAhead[s][1] + 3) % 3;
        int32_t ahead = rows.magnitude[ar][ax];
        int32_t behind = rows.magnitude[br][bx];
        if (m < threshold || (m <= ahead && behind > m)) continue;
        if (opposes(s, sectorOf(rows.direction[ar][ax]))) ahead = 0;
        if (opposes(s, sectorOf(rows.direction[br][bx]))) behind = 0;
        if (ahead < m && behind <= m) {
            out[x] = static_cast<uint8_t>(m);
            ++peaks;
        }
    }
    return peaks;
}

void clearWindow(const cimg_window& out) {
    for (int32_t y = 0; y < out.height; ++y) {
        csys_memory_fill(0, size_t(out.width), out.pixels + intptr_t{y} * out.pitch);
    }
}

}  // namespace

int32_t truePeakPortable(const cimg_windowConst& in, const cimg_window& out, uint8_t threshold,
                         int32_t* count) {
    clearWindow(out);
    *count = 0;
    const size_t rowBytes = (size_t(in.width >> 5) + 1) * 32;
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    int32_t status = csys_memory_alloc_internal(6 * rowBytes, &block);
    scope.scratch<csys_memory_free_internal>(&block);
    if (status < 0) return scope.close(status);
    auto* bytes = static_cast<uint8_t*>(block);
    gradientRows rows;
    for (int32_t k = 0; k < 3; ++k) {
        rows.magnitude[k] = bytes + size_t(k) * rowBytes;
        rows.direction[k] = bytes + size_t(3 + k) * rowBytes;
    }
    uint32_t seed = 1;
    int32_t peaks = 0;
    for (int32_t y = 1; y < in.height - 1; ++y) {
        status = csys_attention_check();
        if (status < 0) return scope.close(status);
        gradientRow(in, y, rows.magnitude[y % 3], rows.direction[y % 3], &seed);
        if (y >= 3) {
            uint8_t* peakRow = out.pixels + intptr_t{y - 1} * out.pitch;
            peaks += suppressRow(rows, y - 1, in.width, threshold, peakRow);
        }
    }
    *count = peaks;
    return scope.close(0);
}

}  // namespace cidut
