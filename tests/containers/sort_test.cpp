// Sorts against std::sort on random and adversarial inputs between guard elements (a stray write
// shows without a sanitizer), with NaNs placed last; long ranges with and without the optimised
// sort inhibited.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <random>
#include <tuple>
#include <vector>

#include "ci_id/platform/csys_runtime.h"
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

// Runs of equal values, both zeros, infinities and NaNs of both signs; integers of the full
// range and near zero.
template <typename T>
std::vector<T> mixedValues(size_t n, std::mt19937_64& rng) {
    std::vector<T> values(n);
    for (T& v : values) {
        const uint64_t r = rng();
        v = T(r % 4 ? r : int64_t(r % 64) - 32);
        if constexpr (std::is_floating_point_v<T>) {
            const T pool[] = {
                T(0),   -T(0),   T(INFINITY), -T(INFINITY),
                T(NAN), -T(NAN), v / 4,       T(std::ldexp(double(int64_t(r)), -int(r % 90)))};
            v = pool[r >> 60 & 7];
        }
    }
    return values;
}

const wchar_t* gAsked = L"";  // the last name the inhibiting hook was asked about

// Lengths around the switch to the radix sort and one long enough for its top-digit split, each
// also with the optimised sort inhibited. The result must hold the input's bit patterns, in
// ascending order with NaNs last; equal values (-0.0 and +0.0, NaNs) may come in any order.
template <typename T>
void checkLongRanges(int32_t (*fn)(T*, T*), const wchar_t* name) {
    auto bitPatterns = [](const std::vector<T>& values) {
        std::vector<uint64_t> bits(values.size());
        for (size_t i = 0; i < values.size(); ++i) std::memcpy(&bits[i], &values[i], sizeof(T));
        return std::sort(bits.begin(), bits.end()), bits;
    };
    auto isNumber = [](T v) { return !std::isnan(double(v)); };
    std::mt19937_64 rng(7);
    for (size_t n : {1023, 1024, 1025, 4099, 70001, 600000}) {
        std::vector<T> expected = mixedValues<T>(n, rng);
        const std::vector<uint64_t> patterns = bitPatterns(expected);
        std::sort(expected.begin(), std::partition(expected.begin(), expected.end(), isNumber));
        for (bool inhibit : {false, true}) {
            std::vector<T> out(expected);
            std::shuffle(out.begin(), out.end(), rng);
            gAsked = L"";
            if (inhibit)
                cprt_isOptimizationInhibitedFP = [](const wchar_t* k) { return (gAsked = k), 1; };
            EXPECT_EQ(fn(out.data(), out.data() + n), 0);
            cprt_isOptimizationInhibitedFP = nullptr;
            EXPECT_TRUE(n < 2000 || !inhibit || std::wcscmp(gAsked, name) == 0) << "n " << n;
            EXPECT_TRUE(bitPatterns(out) == patterns) << "n " << n;
            for (size_t i = 0; i < n; ++i)
                ASSERT_TRUE(out[i] == expected[i] || !(isNumber(out[i]) || isNumber(expected[i])));
        }
    }
}

TEST(Sort, LongRangesKeepEveryValueOptimisedOrNot) {
    checkLongRanges(csys_double_qsort, L"csys_double_qsort");
    checkLongRanges(csys_float_qsort, L"csys_float_qsort");
    checkLongRanges(csys_int32_qsort, L"csys_int32_qsort");
    checkLongRanges(csys_uint32_qsort, L"csys_uint32_qsort");
    checkLongRanges(csys_uint16_qsort, L"csys_uint16_qsort");
}

}  // namespace
