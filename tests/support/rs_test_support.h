// Helpers of the Reed-Solomon suites: a code record released on scope exit, random symbols and
// seeded corruption of codewords.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "ci_id/reedsolomon.h"
#include "rs_reference.h"

namespace cid_test {

struct rsCode {
    cid2d_ReedSolomonCode code{};
    rsCode() = default;
    rsCode(const rsCode&) = delete;
    rsCode& operator=(const rsCode&) = delete;
    ~rsCode() { cid2d_ReedSolomonCode_destruct(&code); }
};

inline std::vector<int32_t> randomSymbols(int count, int32_t maxSymbol, std::mt19937& rng) {
    std::uniform_int_distribution<int32_t> symbol(0, maxSymbol);
    std::vector<int32_t> values(count);
    for (int32_t& v : values) v = symbol(rng);
    return values;
}

struct corruption {
    std::vector<int32_t> received;
    std::vector<int> positions;  // errors and erasures, ascending
};

// Changes `errors` symbols to other field values and marks `erasures` others with negative
// values, all at distinct random places.
inline corruption corrupt(const std::vector<int32_t>& codeword, int errors, int erasures,
                          int32_t maxSymbol, std::mt19937& rng) {
    corruption c{codeword,
                 distinctPositions(errors + erasures, static_cast<int>(codeword.size()), rng)};
    std::uniform_int_distribution<int32_t> delta(1, maxSymbol);
    std::uniform_int_distribution<int32_t> mark(INT_MIN, -1);
    for (int i = 0; i < errors + erasures; ++i) {
        int32_t& symbol = c.received[c.positions[i]];
        symbol = i < errors ? (symbol + delta(rng)) % (maxSymbol + 1) : (i % 2 ? -1 : mark(rng));
    }
    std::sort(c.positions.begin(), c.positions.end());
    return c;
}

inline std::vector<int> sortedPositions(const int32_t* positions, int32_t count) {
    std::vector<int> sorted(positions, positions + std::max(count, 0));
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

}  // namespace cid_test
