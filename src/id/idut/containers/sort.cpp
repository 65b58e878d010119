// Introspective quicksort: median-of-three pivots, recursion into the smaller side only, a
// heapsort fallback when the partitions keep coming out unbalanced, and a final insertion
// pass. The unguarded inner loops rely on a strict weak order, so NaNs are moved out of the way
// first; 8-bit values are counted instead of compared, and long ranges go to the radix sort
// unless it is inhibited under the entry point's name or finds no scratch memory.
#include <cmath>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/containers/radix_sort.h"
#include "ci_id/sort.h"

namespace {

constexpr std::ptrdiff_t kInsertionThreshold = 16;

template <typename T>
void insertionSort(T* first, T* last) {
    for (T* i = first + 1; i < last; ++i) {
        T value = *i;
        T* j = i;
        for (; j > first && value < *(j - 1); --j) *j = *(j - 1);
        *j = value;
    }
}

// Insertion without a bound check: an element no larger than value is known to lie to the left.
template <typename T>
void unguardedInsertionSort(T* first, T* last) {
    for (T* i = first; i < last; ++i) {
        T value = *i;
        T* j = i;
        for (; value < *(j - 1); --j) *j = *(j - 1);
        *j = value;
    }
}

template <typename T>
void siftDown(T* heap, std::ptrdiff_t root, std::ptrdiff_t size) {
    T value = heap[root];
    for (std::ptrdiff_t child = 2 * root + 1; child < size; child = 2 * root + 1) {
        if (child + 1 < size && heap[child] < heap[child + 1]) ++child;
        if (!(value < heap[child])) break;
        heap[root] = heap[child];
        root = child;
    }
    heap[root] = value;
}

template <typename T>
void heapSort(T* first, T* last) {
    std::ptrdiff_t size = last - first;
    for (std::ptrdiff_t root = size / 2 - 1; root >= 0; --root) siftDown(first, root, size);
    for (std::ptrdiff_t end = size - 1; end > 0; --end) {
        std::swap(first[0], first[end]);
        siftDown(first, 0, end);
    }
}

// Puts the median of *a, *b, *c into *result.
template <typename T>
void moveMedianTo(T* result, T* a, T* b, T* c) {
    if (*a < *b) {
        if (*b < *c)
            std::swap(*result, *b);
        else if (*a < *c)
            std::swap(*result, *c);
        else
            std::swap(*result, *a);
    } else if (*a < *c) {
        std::swap(*result, *a);
    } else if (*b < *c) {
        std::swap(*result, *c);
    } else {
        std::swap(*result, *b);
    }
}

// Partitions [first + 1, last) around the pivot held in *first. The pivot itself stops the
// downward scan and the median-of-three partner at the top stops the upward one.
template <typename T>
T* partitionAroundFirst(T* first, T* last) {
    moveMedianTo(first, first + 1, first + (last - first) / 2, last - 1);
    const T pivot = *first;
    T* low = first + 1;
    T* high = last;
    for (;;) {
        while (*low < pivot) ++low;
        --high;
        while (pivot < *high) --high;
        if (!(low < high)) return low;
        std::swap(*low, *high);
        ++low;
    }
}

template <typename T>
void introsortLoop(T* first, T* last, int depthLimit) {
    while (last - first > kInsertionThreshold) {
        if (depthLimit-- == 0) {
            heapSort(first, last);
            return;
        }
        T* cut = partitionAroundFirst(first, last);
        if (cut - first < last - cut) {
            introsortLoop(first, cut, depthLimit);
            first = cut;
        } else {
            introsortLoop(cut, last, depthLimit);
            last = cut;
        }
    }
}

template <typename T>
bool isNonDecreasing(const T* first, const T* last) {
    for (const T* p = first + 1; p < last; ++p) {
        if (*p < *(p - 1)) return false;
    }
    return true;
}

template <typename T>
bool isStrictlyDecreasing(const T* first, const T* last) {
    for (const T* p = first + 1; p < last; ++p) {
        if (!(*p < *(p - 1))) return false;
    }
    return true;
}

template <typename T>
void reverse(T* first, T* last) {
    while (first < --last) std::swap(*first++, *last);
}

// The name under which the optimised sort of T may be inhibited; the template instances share
// the names of the entry points of their element types.
template <typename T>
const wchar_t* radixSortName() {
    if constexpr (std::is_same_v<T, double>) return L"csys_double_qsort";
    if constexpr (std::is_same_v<T, float>) return L"csys_float_qsort";
    if constexpr (std::is_same_v<T, int32_t>) return L"csys_int32_qsort";
    if constexpr (std::is_same_v<T, uint32_t>) return L"csys_uint32_qsort";
    if constexpr (std::is_same_v<T, uint16_t>) return L"csys_uint16_qsort";
}

template <typename T>
void introsort(T* first, T* last) {
    int depthLimit = 0;
    for (std::ptrdiff_t n = last - first; n > 1; n >>= 1) depthLimit += 2;
    introsortLoop(first, last, depthLimit);
    if (last - first > kInsertionThreshold) {
        insertionSort(first, first + kInsertionThreshold);
        unguardedInsertionSort(first + kInsertionThreshold, last);
    } else {
        insertionSort(first, last);
    }
}

template <typename T>
void sortOrdered(T* first, T* last) {
    if (last - first < 2 || isNonDecreasing(first, last)) return;
    if (isStrictlyDecreasing(first, last)) {
        reverse(first, last);
        return;
    }
    if (last - first >= cidut::kRadixSortMinCount &&
        !cprt_isOptimizationInhibited(radixSortName<T>()) &&
        cidut::radixSort(first, last, introsort<T>))
        return;
    introsort(first, last);
}

template <typename T>
void countingSort(T* first, T* last) {
    using unsignedT = std::make_unsigned_t<T>;
    constexpr int kOffset = std::is_signed_v<T> ? 128 : 0;
    std::size_t counts[256] = {};
    for (T* p = first; p < last; ++p) ++counts[static_cast<unsignedT>(*p) ^ kOffset];
    T* out = first;
    for (int key = 0; key < 256; ++key) {
        T value = static_cast<T>(static_cast<unsignedT>(key ^ kOffset));
        for (std::size_t n = counts[key]; n > 0; --n) *out++ = value;
    }
}

template <typename T>
void sortRange(T* begin, T* end) {
    if (!begin || !end || end - 1 <= begin) return;
    if constexpr (sizeof(T) == 1) {
        countingSort(begin, end);
    } else if constexpr (std::is_floating_point_v<T>) {
        T* numbersEnd = begin;
        for (T* p = begin; p < end; ++p) {
            if (!std::isnan(*p)) std::swap(*numbersEnd++, *p);
        }
        sortOrdered(begin, numbersEnd);
    } else {
        sortOrdered(begin, end);
    }
}

}  // namespace

template <typename T>
void csys_vector_qsort(T* begin, T* end) {
    sortRange(begin, end);
}

template CI_ID_API void csys_vector_qsort<int32_t>(int32_t* begin, int32_t* end);
template CI_ID_API void csys_vector_qsort<double>(double* begin, double* end);

extern "C" {

int32_t csys_double_qsort(double* begin, double* end) {
    sortRange(begin, end);
    return 0;
}

int32_t csys_float_qsort(float* begin, float* end) {
    sortRange(begin, end);
    return 0;
}

int32_t csys_int8_qsort(int8_t* begin, int8_t* end) {
    sortRange(begin, end);
    return 0;
}

int32_t csys_uint8_qsort(uint8_t* begin, uint8_t* end) {
    sortRange(begin, end);
    return 0;
}

int32_t csys_int32_qsort(int32_t* begin, int32_t* end) {
    sortRange(begin, end);
    return 0;
}

int32_t csys_uint32_qsort(uint32_t* begin, uint32_t* end) {
    sortRange(begin, end);
    return 0;
}

int32_t csys_uint16_qsort(uint16_t* begin, uint16_t* end) {
    sortRange(begin, end);
    return 0;
}
}
