// libFuzzer target for the numeric sorts: the first byte picks the element type, whether the
// optimised sort is inhibited and a shift for the length, the next two bytes the length (up to
// 8191 elements, shifted right, so that short ranges are tried as often as long), which the rest
// fills by repetition, each repetition after the first shifted by its index, so that long ranges
// reach the radix sort with runs of equal digits and of equal values. (The radix sort's top-digit
// split needs half a million values, too slow to fuzz; the sort tests cover it.) The result must
// hold the input's bit patterns, numbers in ascending order and NaNs after them.
//
// Built and run as fuzz/README.md describes.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>

#include "ci_id/platform/csys_runtime.h"
#include "ci_id/sort.h"
#include "fuzz_input.h"

namespace {

template <typename T>
using bitsOf =
    std::conditional_t<sizeof(T) == 8, uint64_t,
                       std::conditional_t<sizeof(T) == 4, uint32_t,
                                          std::conditional_t<sizeof(T) == 2, uint16_t, uint8_t>>>;

template <typename T>
std::vector<bitsOf<T>> sortedPatterns(const std::vector<T>& values) {
    std::vector<bitsOf<T>> bits(values.size());
    if (!values.empty()) std::memcpy(bits.data(), values.data(), values.size() * sizeof(T));
    std::sort(bits.begin(), bits.end());
    return bits;
}

template <typename T>
void checkSort(int32_t (*sort)(T*, T*), const uint8_t* body, size_t size, size_t count) {
    const size_t given = size / sizeof(T);
    if (given == 0) return;
    std::vector<T> values(count);
    for (size_t i = 0; i < count; ++i) {
        bitsOf<T> bits;
        std::memcpy(&bits, body + (i % given) * sizeof(T), sizeof bits);
        bits = static_cast<bitsOf<T>>(bits + i / given);
        std::memcpy(&values[i], &bits, sizeof bits);
    }
    const std::vector<bitsOf<T>> before = sortedPatterns(values);
    if (sort(values.data(), values.data() + count) != 0) std::abort();
    if (sortedPatterns(values) != before) std::abort();
    auto isNumber = [](T v) { return !std::isnan(static_cast<double>(v)); };
    const auto numbersEnd = std::partition_point(values.begin(), values.end(), isNumber);
    if (!std::is_sorted(values.begin(), numbersEnd)) std::abort();
    if (std::any_of(numbersEnd, values.end(), isNumber)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cid_fuzz::input in(data, size);
    const uint8_t choice = in.next<uint8_t>();
    const size_t count = size_t{in.next<uint16_t>() & 0x1fffu} >> (choice >> 3 & 15);
    size_t bodySize = 0;
    const uint8_t* body = in.rest(&bodySize);
    if (choice & 0x80) cprt_isOptimizationInhibitedFP = [](const wchar_t*) { return int32_t(1); };
    switch (choice % 7) {
        case 0:
            checkSort(csys_double_qsort, body, bodySize, count);
            break;
        case 1:
            checkSort(csys_float_qsort, body, bodySize, count);
            break;
        case 2:
            checkSort(csys_int32_qsort, body, bodySize, count);
            break;
        case 3:
            checkSort(csys_uint32_qsort, body, bodySize, count);
            break;
        case 4:
            checkSort(csys_uint16_qsort, body, bodySize, count);
            break;
        case 5:
            checkSort(csys_int8_qsort, body, bodySize, count);
            break;
        default:
            checkSort(csys_uint8_qsort, body, bodySize, count);
            break;
    }
    cprt_isOptimizationInhibitedFP = nullptr;
    return 0;
}
