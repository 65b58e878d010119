// Radix sort behind the numeric sorts' long ranges; the introsort stays in charge of short ranges,
// of the cases the radix sort declines, and of runs where the optimised sort is inhibited.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cidut {

// Below this length the introsort wins: the radix sort's fixed cost (clearing and scanning its
// count tables, borrowing its scratch block) is then larger than what it saves.
constexpr std::ptrdiff_t kRadixSortMinCount = 1024;

// Sorts [first, last), which holds no NaN, into non-decreasing order; -0.0 comes before +0.0.
// Buckets too short for digit passes go to sortShort. Returns false and leaves the range as it
// was when its scratch memory (the size of the range plus up to a hundred kilobytes) cannot be
// had.
template <typename T>
bool radixSort(T* first, T* last, void (*sortShort)(T* first, T* last));

extern template bool radixSort<uint16_t>(uint16_t* first, uint16_t* last,
                                         void (*sortShort)(uint16_t*, uint16_t*));
extern template bool radixSort<int32_t>(int32_t* first, int32_t* last,
                                        void (*sortShort)(int32_t*, int32_t*));
extern template bool radixSort<uint32_t>(uint32_t* first, uint32_t* last,
                                         void (*sortShort)(uint32_t*, uint32_t*));
extern template bool radixSort<float>(float* first, float* last, void (*sortShort)(float*, float*));
extern template bool radixSort<double>(double* first, double* last,
                                       void (*sortShort)(double*, double*));

}  // namespace cidut
