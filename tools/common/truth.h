// Ground truth of the sample corpus (tests/data/samples/truth.json). The reader knows that file's
// fixed shape and nothing more: one object whose members are image names (without ".png"), each
// an object with exactly these members in this order:
//   "kind":    "datamatrix" or "pdf417";
//   "corners": four [x, y] image points, top-left, top-right, bottom-right, bottom-left of the
//              symbol as printed (images without a symbol list corners far outside the image);
//   "modules": [columns, rows], positive integers;
//   "data":    the encoded text, without escapes.
// Anything else throws truthError, whose message gives the byte offset where reading stopped.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "ci_id/platform/cmath_vect.h"

namespace cid_tools {

using quad = std::array<cmath_vect, 4>;

struct truthError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct truthEntry {
    std::string name;
    std::string kind;
    quad corners;
    int32_t columns;
    int32_t rows;
    std::string data;
};

// Entries in the order of the file.
std::vector<truthEntry> parseTruth(const std::string& text);
std::vector<truthEntry> readTruth(const std::string& path);

}  // namespace cid_tools
