// The whole-image searches on photographs and scans (tests/data/realimages): the symbols an
// open-source reader decoded are found at its corners, wider options lose none, blanks stay empty.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "ci_id/search.h"
#include "common/image_io.h"
#include "view.h"

namespace {

const std::string kRoot = std::string(CI_ID_TEST_DATA_DIR) + "/realimages/";

struct truthSymbol {
    int32_t type;
    cmath_vect corners[4];
};

// positions.json: image name -> [{"corners": [[x, y] x 4], "type": "datamatrix" | "pdf417"}].
// Read as a stream of strings and numbers, which is all that shape holds.
std::map<std::string, std::vector<truthSymbol>> readPositions() {
    std::ifstream in(kRoot + "positions.json");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::map<std::string, std::vector<truthSymbol>> positions;
    std::vector<truthSymbol>* image = nullptr;
    std::vector<double> numbers;
    for (size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (c == '"') {
            const size_t end = text.find('"', at + 1);
            const std::string word = text.substr(at + 1, end - at - 1);
            at = end + 1;
            if (word.size() > 4 && word.compare(word.size() - 4, 4, ".png") == 0) {
                image = &positions[word];
            } else if (word == "datamatrix" || word == "pdf417") {
                truthSymbol s{word == "datamatrix" ? CID_SYMBOL_DATAMATRIX : CID_SYMBOL_PDF417, {}};
                for (int k = 0; k < 4 && numbers.size() == 8; ++k) s.corners[k] = {numbers[2 * k], numbers[2 * k + 1]};
                if (image && numbers.size() == 8) image->push_back(s);
                numbers.clear();
            }
        } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-') {
            size_t used = 0;
            numbers.push_back(std::stod(text.substr(at, 32), &used));
            at += used;
        } else {
            ++at;
        }
    }
    return positions;
}

double distance(cmath_vect a, cmath_vect b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Every corner of the truth within max(4 px, 8 % of its longest side) of a distinct found
// corner, in any order: the two readers name corners differently.
bool sameSymbol(const cmath_vect* truth, const cid_symbol& found) {
    double side = 0;
    for (int k = 0; k < 4; ++k) side = std::max(side, distance(truth[k], truth[(k + 1) % 4]));
    const double tolerance = std::max(4.0, 0.08 * side);
    int order[4] = {0, 1, 2, 3};
    do {
        bool all = true;
        for (int k = 0; k < 4 && all; ++k) all = distance(truth[k], found.corners[order[k]]) <= tolerance;
        if (all) return true;
    } while (std::next_permutation(order, order + 4));
    return false;
}

bool holds(const std::vector<cid_symbol>& found, int32_t type, const cmath_vect* corners) {
    return std::any_of(found.begin(), found.end(), [&](const cid_symbol& s) {
        return s.type == type && sameSymbol(corners, s);
    });
}

std::vector<cid_symbol> search(const std::string& path, const cid_searchOptions& options) {
    const cid_test::windowedImage image(cid_tools::readImage(path));
    return ci_id::findSymbols(*image.get(), &options);
}

cid_searchOptions optionsFor(int32_t types) {
    cid_searchOptions options;
    cid_searchOptions_init(&options);
    options.types = types;
    return options;
}

class RealImages : public testing::Test {
protected:
    static void SetUpTestSuite() { positions = new auto(readPositions()); }
    static void TearDownTestSuite() { delete positions; }
    static std::map<std::string, std::vector<truthSymbol>>* positions;
};
std::map<std::string, std::vector<truthSymbol>>* RealImages::positions = nullptr;

// The counts reached on this corpus: ten of its rectangular Data Matrix symbols are more than
// five times as long as they are wide, which the finder's aspect test rejects (see README).
TEST_F(RealImages, DecodedSymbolsFoundAtTheirCorners) {
    ASSERT_EQ(positions->size(), 106u);
    std::map<std::string, std::pair<int, int>> perFolder;  // found, decoded
    int found[2] = {0, 0};
    for (const auto& [name, truth] : *positions) {
        const int32_t type = truth.at(0).type;
        const auto symbols = search(kRoot + name, optionsFor(type));
        const bool all = std::all_of(truth.begin(), truth.end(), [&](const truthSymbol& t) {
            return holds(symbols, t.type, t.corners);
        });
        auto& folder = perFolder[name.substr(0, name.find('/'))];
        folder.first += all;
        ++folder.second;
        found[type == CID_SYMBOL_PDF417] += all;
        if (!all) std::printf("  missed %s\n", name.c_str());
    }
    for (const auto& [folder, counts] : perFolder) {
        std::printf("  %-14s %2d of %2d\n", folder.c_str(), counts.first, counts.second);
    }
    EXPECT_GE(found[0], 52);
    EXPECT_GE(found[1], 40);
}

// Skew, columns and finer scan lines only widen the search: what the defaults find, each of them
// finds too.
TEST_F(RealImages, WiderOptionsLoseNothing) {
    for (const auto& [name, truth] : *positions) {
        const cid_searchOptions narrow = optionsFor(truth.at(0).type);
        const auto base = search(kRoot + name, narrow);
        cid_searchOptions skew = narrow, columns = narrow, finer = narrow;
        skew.allowSkew = 1;
        columns.columns = 1;
        finer.spacing = 4;
        for (const cid_searchOptions& wide : {skew, columns, finer}) {
            const auto more = search(kRoot + name, wide);
            for (const cid_symbol& s : base) {
                EXPECT_TRUE(holds(more, s.type, s.corners))
                    << name << " with skew " << wide.allowSkew << ", columns " << wide.columns
                    << ", spacing " << wide.spacing;
            }
        }
    }
}

TEST(RealImagesBlank, NoSymbolOnTheBlankSamples) {
    const std::string samples = std::string(CI_ID_TEST_DATA_DIR) + "/samples/";
    for (const char* name : {"none_000.png", "none_001.png", "none_002.png", "none_003.png"}) {
        EXPECT_TRUE(search(samples + name, optionsFor(CID_SYMBOL_DATAMATRIX | CID_SYMBOL_PDF417))
                        .empty())
            << name;
    }
}

}  // namespace
