// Ground truth of the sample corpus (tests/data/samples/truth.json): one JSON object whose members
// are image names (without ".png"), each an object with exactly these members:
//   "kind":    "datamatrix" or "pdf417";
//   "corners": four [x, y] image points, top-left, top-right, bottom-right, bottom-left of the
//              symbol as printed (images without a symbol list corners far outside the image);
//   "modules": [columns, rows], positive integers;
//   "data":    the encoded text.
// The reader is strict: anything else, a missing or repeated member, a wrong count, a number
// that is not finite or not an integer where one is needed, or trailing text throws truthError
// whose message gives the line and column.
//
//     for (const cid_test::truthEntry& entry : cid_test::readTruth(dir + "/truth.json")) {
//         cid_test::greyImage image = cid_test::readImage(dir + "/" + entry.name + ".png");
//         ...
//     }
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "homography.h"

namespace cid_test {

struct truthError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct truthEntry {
    std::string name;
    std::string kind;
    quad corners;
    int32_t columns;
    int32_t rows;
    std::string data;  // UTF-8
};

// Entries in the order of the file.
std::vector<truthEntry> parseTruth(const std::string& text);
std::vector<truthEntry> readTruth(const std::string& path);

}  // namespace cid_test
