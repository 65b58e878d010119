// What ci_id-find prints: one JSON line per image or a readable summary, the comparison with a
// truth file, and annotated colour copies of the images.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ci_id/search.h"
#include "common/grey_image.h"
#include "common/image_io.h"
#include "common/truth.h"

namespace cid_find {

// One searched image.
struct imageResult {
    std::string file;
    int32_t width = 0;
    int32_t height = 0;
    double ms = 0;         // the search alone, not the reading
    bool stopped = false;  // the time budget ran out; symbols holds what was found before
    std::vector<cid_symbol> symbols;
};

const char* typeName(int32_t type);

// {"file": ..., "width": ..., "height": ..., "ms": ..., "symbols": [{"type": ..., "corners":
// [[x, y], ...]}, ...]}, with "stopped": true after "symbols" when the budget ran out.
std::string jsonLine(const imageResult& result);

// The image's name in the truth file: its file name without folder and extension.
std::string truthName(const std::string& path);

// Counts the symbols of each kind against the truth, image by image, and tells the outcome.
class truthTally {
public:
    explicit truthTally(const std::vector<cid_tools::truthEntry>& entries);
    // Lines describing how the image's symbols compare, each to be printed on its own; none when
    // the truth does not know the image.
    std::vector<std::string> judge(const imageResult& result);
    void printSummary(std::FILE* to) const;

private:
    struct counts {
        int expected = 0, found = 0, missed = 0, falsePositives = 0;
    };
    std::map<std::string, cid_tools::truthEntry> entries_;
    std::map<std::string, counts> byKind_;
    int barcodes_ = 0;
};

// A colour copy of the image with each symbol's outline in a strong colour by type (Data Matrix
// magenta, PDF417 blue, barcode candidates orange): a Data Matrix's solid sides heavy and its L
// vertex a yellow disc, a PDF417's start side heavy and its stop side heavy and dashed, each
// labelled; above each symbol a label with its type and the search time.
cid_tools::rgbImage annotate(const cid_tools::greyImage& image, const imageResult& result);

}  // namespace cid_find
