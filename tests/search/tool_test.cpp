// The reader tool's JSON output: a line parses as JSON and gives the image's size and its Data
// Matrix at the truth's corners; unreadable files get an error and the run goes on; on several
// threads the lines are those of one thread, in the input's order.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "common/image_io.h"
#include "common/truth.h"

namespace {

const std::string kSamples = std::string(CI_ID_TEST_DATA_DIR) + "/samples/";

// A JSON value of the kinds the tool writes: a number, a string, items or members.
struct json {
    double number = 0;
    std::string text;
    std::vector<json> items;
    std::map<std::string, json> members;
    const json& operator[](const std::string& key) const { return members.at(key); }
    const json& operator[](size_t k) const { return items.at(k); }
};

// Reads one such value; anything else throws std::runtime_error.
struct parser {
    const std::string& s;
    size_t at = 0;
    [[noreturn]] void fail() { throw std::runtime_error("not JSON at " + std::to_string(at)); }
    char next(char wanted = 0) {  // the next character past white space, taken when wanted
        while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
        const char c = at < s.size() ? s[at] : 0;
        if (wanted && c != wanted) fail();
        at += wanted != 0;
        return c;
    }
    std::string text() {  // an escape keeps the escaped character
        next('"');
        std::string out;
        for (; at < s.size() && s[at] != '"'; ++at) out += s[at] == '\\' ? s.at(++at) : s[at];
        next('"');
        return out;
    }
    json value() {
        json v;
        const char c = next();
        if (c == '"') {
            v.text = text();
        } else if (c == '{' || c == '[') {
            const char close = next(c) == '{' ? '}' : ']';
            while (next() != close) {
                if (c == '[') v.items.push_back(value());
                if (c == '{') {
                    const std::string key = text();
                    next(':');
                    v.members[key] = value();
                }
                if (next() != close) next(',');
            }
            next(close);
        } else {
            char* end = nullptr;
            v.number = std::strtod(s.c_str() + at, &end);
            if (end == s.c_str() + at) fail();
            at = size_t(end - s.c_str());
        }
        return v;
    }
};

// Runs the tool; its exit status, standard output lines and standard error.
int run(const std::string& arguments, std::vector<std::string>* lines, std::string* errors) {
    const std::string errorFile = std::filesystem::temp_directory_path() / "ci_id_find_errors";
    FILE* out = popen((std::string(CI_ID_FIND) + " " + arguments + " 2>" + errorFile).c_str(), "r");
    char buffer[4096];
    while (out && std::fgets(buffer, sizeof buffer, out)) lines->push_back(buffer);
    const int status = out ? pclose(out) : -1;
    std::ifstream in(errorFile);
    *errors = std::string(std::istreambuf_iterator<char>(in), {});
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Damaged files first: each gets an error, the run goes on and ends with status 1; the sample's
// line holds its size and its Data Matrix from the L vertex (the truth's bottom-left) round one
// solid side and the far corner (top-right).
TEST(Tool, JsonLinesAndErrorsPerFile) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const cid_tools::greyImage grey(16, 16, 90);
    const std::vector<uint8_t> png = cid_tools::encodePng(grey),
                               jpg = cid_tools::encodeJpeg(grey, 75);
    std::ofstream(dir / "cut.png", std::ios::binary) << std::string(png.begin(), png.end() - 20);
    std::ofstream(dir / "cut.jpg", std::ios::binary) << std::string(jpg.begin(), jpg.end() - 20);
    std::ofstream(dir / "bad.pgm", std::ios::binary) << "P5\n4 4\n255\nxy";
    std::vector<std::string> lines;
    std::string errors, files;
    for (const char* bad : {"cut.png", "cut.jpg", "bad.pgm"}) files += (dir / bad).string() + " ";
    const std::string image = kSamples + "datamatrix_000.png";
    EXPECT_EQ(run("--json --skew " + files + image, &lines, &errors), 1);
    for (const char* bad : {"cut.png: PNG", "cut.jpg: JPEG", "bad.pgm: PGM"}) {
        EXPECT_NE(errors.find("cannot read " + (dir / bad).string()), std::string::npos) << errors;
    }
    ASSERT_EQ(lines.size(), 1u);
    parser line{lines[0]};
    const json result = line.value();
    EXPECT_EQ(line.next(), 0);  // nothing after the object
    EXPECT_EQ(result["file"].text, image);
    EXPECT_TRUE(result["width"].number == 640 && result["height"].number == 480);
    EXPECT_GE(result["ms"].number, 0);
    ASSERT_EQ(result["symbols"].items.size(), 1u);
    EXPECT_EQ(result["symbols"][0]["type"].text, "datamatrix");
    const json& corners = result["symbols"][0]["corners"];  // each read below must be there
    const cid_tools::quad t = cid_tools::readTruth(kSamples + "truth.json")[0].corners;
    auto near = [&](size_t k, int i) {
        return std::hypot(corners[k][0].number - t[i].x, corners[k][1].number - t[i].y) < 1.5;
    };
    EXPECT_TRUE(near(0, 3) && near(2, 1));
    EXPECT_TRUE((near(1, 0) && near(3, 2)) || (near(1, 2) && near(3, 0)));
}

// Each image twice, with an unreadable file between; search times blanked (they vary).
TEST(Tool, ThreadsKeepTheInputOrder) {
    std::string files;
    for (const char* name : {"pdf417_002", "none_000", "datamatrix_000", "large_pdf417_003",
                             "datamatrix_012", "none_001", "pdf417_005"})
        files += " " + kSamples + name + ".png";
    files += " /nonexistent.png" + files;
    std::string outputs[2], errors;
    for (int threads : {1, 4}) {
        std::vector<std::string> lines;
        EXPECT_EQ(run("--json --threads " + std::to_string(threads) + files, &lines, &errors), 1);
        EXPECT_EQ(lines.size(), 14u);
        for (std::string line : lines) {
            const size_t ms = line.find("\"ms\": ");
            if (ms != std::string::npos) line.erase(ms, line.find(',', ms) - ms);
            outputs[threads / 4] += line;
        }
    }
    EXPECT_EQ(outputs[1], outputs[0]);
}

}  // namespace
