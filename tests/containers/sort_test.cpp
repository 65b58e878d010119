// Sorts against std::sort on random and adversarial inputs, with guard elements around the range
// so that any write outside it is seen even without a sanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "ci_id/sort.h"

namespace {

template <typename T>
using sortFunction = int32_t (*)(T*, T*);

template <typename T>
std::vector<T> randomValues(size_t n, std::mt19937_64& rng) {
    std::vector<T> values(n);
    for (auto& v : values) {
        if constexpr (std::is_floating_point_v<T>) {
            v = static_cast<T>(std::uniform_real_distribution<double>(-1e6, 1e6)(rng));
        } else {
            v = static_cast<T>(rng());
        }
    }
    return values;
}

// Sorts values in place through fn, inside a buffer with guard bytes on both sides.
template <typename T>
void sortGuarded(sortFunction<T> fn, std::vector<T>& values) {
    const size_t guard = 8;
    std::vector<T> buffer(values.size() + 2 * guard);
    std::memset(static_cast<void*>(buffer.data()), 0x5A, buffer.size() * sizeof(T));
    std::copy(values.begin(), values.end(), buffer.begin() + guard);
    std::vector<T> before(buffer);
    EXPECT_EQ(fn(buffer.data() + guard, buffer.data() + guard + values.size()), 0);
    EXPECT_EQ(std::memcmp(buffer.data(), before.data(), guard * sizeof(T)), 0);
    EXPECT_EQ(std::memcmp(buffer.data() + guard + values.size(),
                          before.data() + guard + values.size(), guard * sizeof(T)),
              0);
    std::copy(buffer.begin() + guard, buffer.end() - guard, values.begin());
}

template <typename T>
void checkAgainstStdSort(sortFunction<T> fn, std::vector<T> values) {
    std::vector<T> expected(values);
    std::sort(expected.begin(), expected.end());
    sortGuarded(fn, values);
    ASSERT_EQ(values, expected);
}

template <typename T>
void checkType(sortFunction<T> fn) {
    std::mt19937_64 rng(99);
    for (size_t n : {0, 1, 2, 3, 5, 16, 17, 31, 100, 1000, 10007}) {
        checkAgainstStdSort(fn, randomValues<T>(n, rng));
    }
    // Few distinct values, organ pipe, sawtooth.
    std::vector<T> fewDistinct(5000), organ(5000), saw(5000);
    for (size_t i = 0; i < 5000; ++i) {
        fewDistinct[i] = static_cast<T>(rng() % 3);
        organ[i] = static_cast<T>(i < 2500 ? i % 100 : (5000 - i) % 100);
        saw[i] = static_cast<T>(i % 37);
    }
    checkAgainstStdSort(fn, fewDistinct);
    checkAgainstStdSort(fn, organ);
    checkAgainstStdSort(fn, saw);
}

TEST(Sort, EveryEntryPointAgreesWithStdSort) {
    checkType<double>(&csys_double_qsort);
    checkType<float>(&csys_float_qsort);
    checkType<int8_t>(&csys_int8_qsort);
    checkType<uint8_t>(&csys_uint8_qsort);
    checkType<int32_t>(&csys_int32_qsort);
    checkType<uint32_t>(&csys_uint32_qsort);
    checkType<uint16_t>(&csys_uint16_qsort);
}

TEST(Sort, ComparisonsUseTheTypesSignedness) {
    std::vector<uint32_t> u32{4294967295u, 1};
    csys_uint32_qsort(u32.data(), u32.data() + 2);
    EXPECT_EQ(u32, (std::vector<uint32_t>{1, 4294967295u}));
    std::vector<int8_t> i8{1, -1};
    csys_int8_qsort(i8.data(), i8.data() + 2);
    EXPECT_EQ(i8, (std::vector<int8_t>{-1, 1}));
    std::vector<uint8_t> u8{255, 1};
    csys_uint8_qsort(u8.data(), u8.data() + 2);
    EXPECT_EQ(u8, (std::vector<uint8_t>{1, 255}));
    std::vector<int32_t> i32{std::numeric_limits<int32_t>::max(),
                             std::numeric_limits<int32_t>::min(), 0};
    csys_int32_qsort(i32.data(), i32.data() + 3);
    EXPECT_EQ(i32.front(), std::numeric_limits<int32_t>::min());
}

TEST(Sort, NullAndTinyRangesAreLeftAlone) {
    int32_t one = 5;
    EXPECT_EQ(csys_int32_qsort(nullptr, nullptr), 0);
    EXPECT_EQ(csys_int32_qsort(nullptr, &one), 0);
    EXPECT_EQ(csys_int32_qsort(&one, nullptr), 0);
    EXPECT_EQ(csys_int32_qsort(&one, &one), 0);
    EXPECT_EQ(csys_int32_qsort(&one, &one + 1), 0);
    int32_t pair[2] = {2, 1};
    EXPECT_EQ(csys_int32_qsort(pair + 1, pair), 0);  // reversed pointers: empty
    EXPECT_EQ(pair[0], 2);
}

// Sorted, reverse-sorted and all-equal inputs of a million elements, plus a descending run
// with duplicates that the linear shortcuts cannot take.
template <typename T>
void checkMillionElementPatterns(sortFunction<T> fn) {
    const size_t n = 1000000;
    std::mt19937_64 rng(17);
    std::vector<T> sorted = randomValues<T>(n, rng);
    std::sort(sorted.begin(), sorted.end());
    std::vector<T> reversed(sorted.rbegin(), sorted.rend());
    std::vector<T> equal(n, sorted[n / 2]);
    std::vector<T> descendingPairs(n);
    for (size_t i = 0; i < n; ++i) descendingPairs[i] = sorted[(n - 1 - i) / 2 * 2];
    for (auto* values : {&sorted, &reversed, &equal, &descendingPairs}) {
        std::vector<T> expected(*values);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(fn(values->data(), values->data() + n), 0);
        ASSERT_EQ(*values, expected);
    }
}

TEST(Sort, MillionElementPatternsComeOutNonDecreasing) {
    checkMillionElementPatterns<double>(&csys_double_qsort);
    checkMillionElementPatterns<float>(&csys_float_qsort);
    checkMillionElementPatterns<int8_t>(&csys_int8_qsort);
    checkMillionElementPatterns<uint8_t>(&csys_uint8_qsort);
    checkMillionElementPatterns<int32_t>(&csys_int32_qsort);
    checkMillionElementPatterns<uint32_t>(&csys_uint32_qsort);
    checkMillionElementPatterns<uint16_t>(&csys_uint16_qsort);
    std::vector<double> doubles(1000000);
    for (size_t i = 0; i < doubles.size(); ++i) doubles[i] = -static_cast<double>(i % 1000);
    std::vector<double> expected(doubles);
    std::sort(expected.begin(), expected.end());
    csys_vector_qsort<double>(doubles.data(), doubles.data() + doubles.size());
    EXPECT_EQ(doubles, expected);
}

TEST(Sort, NaNsStayInsideTheRangeAndNumbersAreSorted) {
    std::mt19937_64 rng(5);
    for (int trial = 0; trial < 50; ++trial) {
        std::vector<double> values = randomValues<double>(500 + trial, rng);
        size_t nanCount = 0;
        for (auto& v : values) {
            if (rng() % 4 == 0) {
                v = std::numeric_limits<double>::quiet_NaN();
                ++nanCount;
            }
        }
        sortGuarded<double>(&csys_double_qsort, values);
        size_t numbers = values.size() - nanCount;
        EXPECT_TRUE(std::is_sorted(values.begin(), values.begin() + numbers));
        for (size_t i = numbers; i < values.size(); ++i) EXPECT_TRUE(std::isnan(values[i]));
    }
    std::vector<float> floats(100, std::numeric_limits<float>::quiet_NaN());
    sortGuarded<float>(&csys_float_qsort, floats);
}

TEST(Sort, TemplateInstances) {
    std::vector<int32_t> values{5, -3, 9, 0, -3};
    csys_vector_qsort<int32_t>(values.data(), values.data() + values.size());
    EXPECT_EQ(values, (std::vector<int32_t>{-3, -3, 0, 5, 9}));
}

}  // namespace
