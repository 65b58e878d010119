// Runs a fuzz target on the inputs of its regression folder (the first argument, when given) and
// on seeded random inputs of many lengths, so that every test build (the sanitizer build
// included) exercises it without libFuzzer. Any crash, sanitizer report or assertion is a failure.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    std::vector<uint8_t> input;
    if (argc > 1 && std::filesystem::is_directory(argv[1])) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
            std::ifstream file(entry.path(), std::ios::binary);
            input.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(input.data(), input.size());
        }
    }
    std::mt19937 rng(20261206);
    for (int run = 0; run < 3000; ++run) {
        size_t length = run < 64 ? static_cast<size_t>(run) : rng() % (run % 7 == 0 ? 4096 : 256);
        input.resize(length);
        for (uint8_t& byte : input) byte = static_cast<uint8_t>(rng());
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::puts("fuzz smoke run passed");
    return 0;
}
