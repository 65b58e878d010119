// Sorts against std::sort on random and adversarial inputs between guard elements (a stray write
// shows without a sanitizer), with NaNs placed last.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "ci_id/sort.h"

namespace {

// Ranks in the median-of-three killer order, which drives a quicksort towards its worst case.
std::vector<size_t> killerRanks(size_t n) {
    std::vector<size_t> k(n, n - 1);
    for (size_t i = 1, m = n / 2; i <= m; ++i) {
        if (i % 2) k[i - 1] = i - 1, k[i] = m + i - 1;
        k[m + i - 1] = 2 * i - 1;
    }
    return k;
}

// Random, sorted, sorted but for a last descent, reversed, few distinct, the killer, and for
// floating point a quarter of NaNs.
template <typename T>
std::vector<std::vector<T>> patterns(size_t n, std::mt19937_64& rng) {
    std::vector<T> random(n), sorted;
    for (T& v : random) v = static_cast<T>(static_cast<int64_t>(rng()) >> (rng() % 40));
    sorted = random;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::vector<T>> out(7, sorted);
    const std::vector<size_t> k = killerRanks(n);
    for (size_t i = 0; i < n; ++i) {
        out[0][i] = random[i];
        out[1][i] = sorted[(i + 1) % n];
        out[2][i] = sorted[n - 1 - i];
        out[3][i] = sorted[rng() % 3 % n];
        out[4][i] = sorted[k[i]];
        out[5][i] = rng() % 4 || !std::is_floating_point_v<T> ? random[i] : T(NAN);
    }
    return out;
}

template <typename T>
void checkType(int32_t (*fn)(T*, T*)) {
    std::mt19937_64 rng(99);
    const size_t guard = 8;
    for (size_t n : {0, 1, 2, 3, 5, 16, 17, 31, 100, 1000, 10007}) {
        for (const std::vector<T>& values : patterns<T>(n, rng)) {
            std::vector<T> buffer(n + 2 * guard, T(0x5A));
            std::copy(values.begin(), values.end(), buffer.begin() + guard);
            std::vector<T> expected(buffer);
            T* first = expected.data() + guard;
            std::sort(first, std::stable_partition(first, first + n,
                                                   [](T v) { return !std::isnan(double(v)); }));
            EXPECT_EQ(fn(buffer.data() + guard, buffer.data() + guard + n), 0);
            // Bytes, not values: NaNs compare unequal.
            ASSERT_EQ(std::memcmp(buffer.data(), expected.data(), buffer.size() * sizeof(T)), 0)
                << "n " << n;
        }
    }
}

TEST(Sort, EveryEntryPointAgreesWithStdSort) {
    const auto sorts =
        std::make_tuple(&csys_double_qsort, &csys_float_qsort, &csys_int8_qsort, &csys_uint8_qsort,
                        &csys_int32_qsort, &csys_uint32_qsort, &csys_uint16_qsort);
    std::apply([](auto... fn) { (checkType(fn), ...); }, sorts);
}

}  // namespace
