// The reader tool on several threads: the same lines, in the input's order, as on one thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <string>

namespace {

// The tool's standard output for the arguments, search times blanked (they vary run to run).
std::string run(const std::string& arguments) {
    std::FILE* pipe =
        popen((std::string(CI_ID_FIND) + " --json " + arguments + " 2>/dev/null").c_str(), "r");
    std::string out;
    char chunk[4096];
    for (size_t n; pipe && (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        out.append(chunk, n);
    if (pipe) pclose(pipe);
    return std::regex_replace(out, std::regex("\"ms\": [0-9.e+-]+"), "\"ms\": 0");
}

TEST(ToolThreads, OutputKeepsTheInputOrder) {
    const std::string samples = CI_ID_TEST_DATA_DIR "/samples/";
    std::string files;
    for (const char* name : {"pdf417_002", "none_000", "datamatrix_000", "large_pdf417_003",
                             "datamatrix_012", "none_001", "pdf417_005"})
        files += " " + samples + name + ".png";
    files += " /nonexistent.png" + files;  // an unreadable file between, and each image twice
    const std::string alone = run("--threads 1" + files);
    EXPECT_EQ(std::count(alone.begin(), alone.end(), '\n'), 14);
    EXPECT_EQ(run("--threads 4" + files), alone);
}

}  // namespace
