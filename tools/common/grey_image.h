// An 8-bit grey image owned by the tools and the tests: rows of `pitch` bytes, the first `width` of
// each holding pixels. Pixel (x, y) covers [x, x + 1) x [y, y + 1) in image coordinates.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

namespace cid_tools {

struct greyImage {
    int32_t width = 0;
    int32_t height = 0;
    intptr_t pitch = 0;
    std::vector<uint8_t> pixels;

    greyImage() = default;
    // pitch 0 means tightly packed rows.
    greyImage(int32_t width, int32_t height, uint8_t fill = 0, intptr_t pitch = 0)
        : width(width), height(height), pitch(pitch == 0 ? width : pitch) {
        if (width < 0 || height < 0 || this->pitch < width) {
            throw std::invalid_argument("grey image size or pitch out of range");
        }
        pixels.assign(static_cast<size_t>(this->pitch) * static_cast<size_t>(height), fill);
    }
    // Tightly packed rows of the given pixels.
    greyImage(int32_t width, int32_t height, std::vector<uint8_t> rows) : greyImage(width, height) {
        if (rows.size() != pixels.size())
            throw std::invalid_argument("pixel count is not the size");
        pixels = std::move(rows);
    }

    const uint8_t* row(int32_t y) const { return pixels.data() + y * pitch; }
    uint8_t* row(int32_t y) { return pixels.data() + y * pitch; }
    uint8_t at(int32_t x, int32_t y) const { return row(y)[x]; }
    uint8_t& at(int32_t x, int32_t y) { return row(y)[x]; }
};

// Same size and the same pixels; bytes past the width of a row do not count.
inline bool operator==(const greyImage& a, const greyImage& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (int32_t y = 0; y < a.height; ++y) {
        for (int32_t x = 0; x < a.width; ++x) {
            if (a.at(x, y) != b.at(x, y)) return false;
        }
    }
    return true;
}

}  // namespace cid_tools
