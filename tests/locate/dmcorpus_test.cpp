// The sample corpus, rendered by an independent encoder: Data Matrix symbols must be found with
// their corners, and nothing reported on the images of PDF417 symbols or of noise alone. The
// time per image is printed.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

#include "common/image_io.h"
#include "common/truth.h"
#include "dm_locate.h"
#include "view.h"

namespace {

using namespace cid_test;
using cid_tools::readImage;
using cid_tools::readTruth;
using cid_tools::truthEntry;

TEST(DataMatrixCorpus, FoundWithTheirCornersAndNothingElse) {
    const std::string dir = std::string(CI_ID_TEST_DATA_DIR) + "/samples";
    int expected = 0, found = 0;
    dmSearch search;
    search.allowSkew = true;  // the corpus has mild perspective
    for (const truthEntry& entry : readTruth(dir + "/truth.json")) {
        greyImage image = readImage(dir + "/" + entry.name + ".png");
        windowedImage view(image);
        auto start = std::chrono::steady_clock::now();
        std::vector<dmLocated> located = locateDataMatrices(view.get(), search);
        double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        const bool hasDataMatrix = entry.kind == "datamatrix" && entry.name.rfind("none", 0) != 0;
        std::printf("%-22s %6.2f ms, %zu found\n", entry.name.c_str(), ms, located.size());
        if (!hasDataMatrix) {
            EXPECT_TRUE(located.empty()) << entry.name;
            continue;
        }
        ++expected;
        const double module = std::hypot(entry.corners[2].x - entry.corners[3].x,
                                         entry.corners[2].y - entry.corners[3].y) /
                              entry.columns;
        const double tolerance = std::max(1.5, 0.35 * module);
        EXPECT_LE(located.size(), 1u) << entry.name;
        if (located.size() != 1) continue;
        dmErrors errors = compareWithTruth(located[0], entry.corners);
        EXPECT_LE(errors.vertex, tolerance) << entry.name;
        EXPECT_LE(errors.arms, tolerance) << entry.name;
        EXPECT_LE(errors.farCorner, tolerance) << entry.name;
        found += errors.vertex <= tolerance && errors.arms <= tolerance;
    }
    EXPECT_EQ(expected, 18);
    EXPECT_GE(found, 17);
}

}  // namespace
