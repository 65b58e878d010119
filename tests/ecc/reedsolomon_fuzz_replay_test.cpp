// Runs the Reed-Solomon fuzz target on seeded random inputs in both of its forms, so that every
// test build (the sanitizer build included) exercises it without libFuzzer.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> randomBytes(size_t count, std::mt19937& rng) {
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
    return bytes;
}

// Selector (damaged form), check symbol count, message length, message, then a few
// (place, value) changes, so that many decodes lie within the correction capacity.
std::vector<uint8_t> damagedInput(std::mt19937& rng) {
    const uint8_t selector = static_cast<uint8_t>(rng() | 4);
    const uint8_t lengthByte = static_cast<uint8_t>(rng());
    const int dataLength = lengthByte % ((selector % 4) < 2 ? 120 : 200) + 1;
    std::vector<uint8_t> input{selector, static_cast<uint8_t>(rng()), lengthByte};
    std::vector<uint8_t> rest = randomBytes(2 * dataLength + 3 * (rng() % 14), rng);
    input.insert(input.end(), rest.begin(), rest.end());
    return input;
}

TEST(ReedSolomonFuzzReplay, RandomRawAndDamagedInputs) {
    std::mt19937 rng(41);
    for (int i = 0; i < 4000; ++i) {
        std::vector<uint8_t> input = i % 2 ? randomBytes(rng() % 700, rng) : damagedInput(rng);
        ASSERT_EQ(LLVMFuzzerTestOneInput(input.data(), input.size()), 0);
    }
}

}  // namespace
