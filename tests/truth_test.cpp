// The sample corpus and its truth reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "dm_symbol.h"
#include "image_io.h"
#include "truth.h"

namespace {

const std::string kSamples = std::string(CI_ID_TEST_DATA_DIR) + "/samples";

TEST(Truth, CorpusListsEveryImageWithItsSizeAndKind) {
    const std::vector<cid_test::truthEntry> entries = cid_test::readTruth(kSamples + "/truth.json");
    std::set<std::string> images;
    for (const auto& file : std::filesystem::directory_iterator(kSamples)) {
        if (file.path().extension() == ".png") images.insert(file.path().stem().string());
    }
    ASSERT_EQ(entries.size(), images.size());
    ASSERT_EQ(entries.size(), 32u);

    const cid_test::truthEntry& first = entries.front();
    EXPECT_EQ(first.name, "datamatrix_000");
    EXPECT_EQ(first.kind, "datamatrix");
    EXPECT_EQ(first.corners[0].x, 290.1974222030034);
    EXPECT_EQ(first.corners[3].y, 301.002456442697);
    EXPECT_EQ(first.columns, 22);
    EXPECT_EQ(first.rows, 22);
    EXPECT_EQ(first.data, "https://example.invalid/p?q=9");

    for (const cid_test::truthEntry& entry : entries) {
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(images.count(entry.name), 1u);
        EXPECT_TRUE(entry.name.rfind(entry.kind, 0) == 0 ||
                    entry.name.rfind("large_" + entry.kind, 0) == 0 ||
                    entry.name.rfind("none_", 0) == 0);
        if (entry.kind == "datamatrix") {
            EXPECT_NE(cid_test::findDmSize(entry.columns, entry.rows), nullptr);
        } else {
            EXPECT_EQ((entry.columns - 69) % 17, 0);  // start, stop, indicators and code words
        }
        const cid_test::greyImage image = cid_test::readImage(kSamples + "/" + entry.name + ".png");
        const bool large = entry.name.rfind("large_", 0) == 0;
        EXPECT_EQ(image.width, large ? 1280 : 640);
        EXPECT_EQ(image.height, large ? 1024 : 480);
    }
}

std::string entryWith(const std::string& members) { return "{\"a\": {" + members + "}}"; }

const std::string kKind = "\"kind\": \"datamatrix\"";
const std::string kCorners = "\"corners\": [[1, 2], [3.5, -4e1], [5, 6], [7, 8]]";
const std::string kModules = "\"modules\": [10, 12]";
const std::string kData = "\"data\": \"x\"";

std::string validEntry() {
    return entryWith(kKind + ", " + kCorners + ", " + kModules + ", " + kData);
}

TEST(Truth, ReadsStrictJsonWithEscapesInAnyMemberOrder) {
    const auto entries = cid_test::parseTruth(
        "\n {\"b\":{\"data\":\"q\\\"\\\\\\/\\n\\u00e9\\ud83d\\ude00\"," + kModules + "," +
        kCorners + "," + "\"kind\":\"pdf417\"}, \"c\": " + validEntry().substr(6) + "\r\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "b");
    EXPECT_EQ(entries[0].kind, "pdf417");
    EXPECT_EQ(entries[0].data, "q\"\\/\n\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(entries[0].corners[1].x, 3.5);
    EXPECT_EQ(entries[0].corners[1].y, -40);
    EXPECT_EQ(entries[0].columns, 10);
    EXPECT_EQ(entries[0].rows, 12);
    EXPECT_EQ(entries[1].name, "c");
    EXPECT_TRUE(cid_test::parseTruth("{}").empty());
}

TEST(Truth, MalformedInputIsRefusedWithItsPlace) {
    const std::string all = kKind + ", " + kCorners + ", " + kModules + ", " + kData;
    const struct {
        std::string text;
        const char* says;
    } cases[] = {
        {"", "expected '{'"},
        {"[]", "expected '{'"},
        {validEntry() + " x", "text after"},
        {validEntry().substr(0, 40), "line 1"},
        {entryWith(kKind + ", " + kCorners + ", " + kModules), "no \"data\""},
        {entryWith(all + ", \"extra\": 1"), "unknown member"},
        {entryWith(all + ", " + kData), "given twice"},
        {"{\"a\": {" + all + "}, \"a\": {" + all + "}}", "listed twice"},
        {entryWith("\"kind\": \"qr\", " + kCorners + ", " + kModules + ", " + kData),
         "unknown kind"},
        {entryWith(kKind + ", \"corners\": [[1, 2], [3, 4], [5, 6]], " + kModules + ", " + kData),
         "four corners"},
        {entryWith(kKind + ", \"corners\": [[1, 2], [3, 4], [5, 6], [7, 8], [9, 0]], " + kModules +
                   ", " + kData),
         "more than four"},
        {entryWith(kKind + ", \"corners\": [[1, 2, 3], [3, 4], [5, 6], [7, 8]], " + kModules +
                   ", " + kData),
         "more than two coordinates"},
        {entryWith(kKind + ", " + kCorners + ", \"modules\": [10.5, 12], " + kData), "integers"},
        {entryWith(kKind + ", " + kCorners + ", \"modules\": [0, 12], " + kData), "integers"},
        {entryWith(kKind + ", " + kCorners + ", \"modules\": [10], " + kData), "two module counts"},
        {entryWith(kKind + ", \"corners\": [[1e999, 2], [3, 4], [5, 6], [7, 8]], " + kModules +
                   ", " + kData),
         "out of range"},
        {entryWith(kKind + ", \"corners\": [[01, 2], [3, 4], [5, 6], [7, 8]], " + kModules + ", " +
                   kData),
         "expected ']'"},
        {entryWith(kKind + ", \"corners\": [[1., 2], [3, 4], [5, 6], [7, 8]], " + kModules + ", " +
                   kData),
         "decimal point"},
        {entryWith(kKind + ", \"corners\": [[+1, 2], [3, 4], [5, 6], [7, 8]], " + kModules + ", " +
                   kData),
         "expected a number"},
        {entryWith(kKind + ", " + kCorners + ", " + kModules + ", \"data\": \"a\\x\""), "escape"},
        {entryWith(kKind + ", " + kCorners + ", " + kModules + ", \"data\": \"\\ud83d\""),
         "surrogate"},
        {entryWith(kKind + ", " + kCorners + ", " + kModules + ", \"data\": \"a\nb\""),
         "control character"},
        {entryWith(kKind + ", " + kCorners + ", " + kModules + ", \"data\": 5"),
         "expected a string"},
        {"{\"a\": {" + all + "},}", "expected a string"},
        {"{\"a\": {" + all + "}\n\n  \"b\": 1}", "line 3, column 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            cid_test::parseTruth(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const cid_test::truthError& error) {
            EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find("line "), std::string::npos);
        }
    }
    EXPECT_THROW(cid_test::readTruth(kSamples + "/no_such_truth.json"), cid_test::truthError);
}

}  // namespace
