// Least-significant-digit radix sort. Each value maps onto an unsigned key of its own width whose
// integer order is the value's order; stable counting passes over the key's digits, lowest first,
// then sort in a fixed number of linear sweeps. The values themselves travel (keys are recomputed
// on the fly), so the result holds exactly the input's bit patterns.
#include "ci_id/priv/ci_idut/containers/radix_sort.h"

#include <cstring>
#include <type_traits>
#include <utility>

#include "ci_id/platform/csys_memory.h"

namespace {

template <typename T>
struct keyType {
    using type = std::make_unsigned_t<T>;
};
template <>
struct keyType<float> {
    using type = uint32_t;
};
template <>
struct keyType<double> {
    using type = uint64_t;
};

template <typename T>
using keyOf = typename keyType<T>::type;

// Signed integers: flipping the sign bit moves negatives below positives, order kept inside each.
// Floating point: positive patterns already count up with the value and only need to rise above
// every negative one; negative patterns count up as the value falls, so all their bits flip.
template <typename T>
keyOf<T> sortKey(T value) {
    using K = keyOf<T>;
    constexpr int kTopBit = 8 * sizeof(K) - 1;
    constexpr K kTop = static_cast<K>(K(1) << kTopBit);
    if constexpr (std::is_floating_point_v<T>) {
        K bits;
        std::memcpy(&bits, &value, sizeof bits);
        const K negativeMask = static_cast<K>(K(0) - static_cast<K>(bits >> kTopBit));
        return static_cast<K>(bits ^ (negativeMask | kTop));
    } else if constexpr (std::is_signed_v<T>) {
        return static_cast<K>(static_cast<K>(value) ^ kTop);
    } else {
        return value;
    }
}

// 11-bit digits keep each count table (8 KB) in the first-level cache while needing a third fewer
// passes than bytes would; 16-bit keys take two byte passes.
template <typename T>
struct digitLayout {
    static constexpr int kBits = sizeof(T) == 2 ? 8 : 11;
    static constexpr int kCount = (8 * static_cast<int>(sizeof(T)) + kBits - 1) / kBits;
    static constexpr size_t kBuckets = size_t(1) << kBits;
    static constexpr keyOf<T> kMask = static_cast<keyOf<T>>(kBuckets - 1);
};

// Digits are counted from the top of the key, so that the highest, which splits long ranges,
// is a full one; the lowest shares a few bits with its neighbour, which costs the passes nothing.
template <typename T>
size_t digitOf(T value, int digit) {
    using layout = digitLayout<T>;
    const int shift = 8 * static_cast<int>(sizeof(T)) - (layout::kCount - digit) * layout::kBits;
    return static_cast<size_t>((sortKey(value) >> (shift > 0 ? shift : 0)) & layout::kMask);
}

// One table per digit below digitEnd, all filled in a single read of the values.
template <typename T>
void countDigits(const T* values, size_t count, int digitEnd, uint32_t* tables) {
    using layout = digitLayout<T>;
    std::memset(tables, 0, static_cast<size_t>(digitEnd) * layout::kBuckets * sizeof(uint32_t));
    for (const T* p = values; p < values + count; ++p) {
        for (int digit = 0; digit < digitEnd; ++digit)
            ++tables[digit * layout::kBuckets + digitOf(*p, digit)];
    }
}

// Turns the counts of one digit into the first output slot of each bucket, then moves every
// value to its slot in input order, which keeps the lower digits' order among equal digits.
// Afterwards each entry holds the end of its bucket.
template <typename T>
void scatterByDigit(const T* source, size_t count, T* target, uint32_t* buckets, int digit) {
    uint32_t next = 0;
    for (size_t b = 0; b < digitLayout<T>::kBuckets; ++b) {
        const uint32_t inBucket = buckets[b];
        buckets[b] = next;
        next += inBucket;
    }
    for (const T* p = source; p < source + count; ++p) target[buckets[digitOf(*p, digit)]++] = *p;
}

template <typename T>
void moveTo(T* home, T* values, size_t count) {
    if (values != home) std::memcpy(home, values, count * sizeof(T));
}

// A bucket with fewer than kBuckets / kShortRatio values per remaining digit goes to the
// comparison sort: clearing and summing the count tables would cost more than the passes save.
constexpr size_t kShortRatio = 16;
// Buckets up to this size, with their spare half, stay in the second-level cache: plain digit
// passes over them are fastest. Larger ones are split by their top digit first, so that the
// passes over the lower digits run in the cache, unless the split would leave pieces so short
// (below kMinSplitPiece values on average) that sorting them costs more than the passes it saves.
constexpr size_t kCacheResidentBytes = 256 * 1024;
constexpr size_t kMinSplitPiece = 256;

template <typename T>
struct radixRun {
    void (*sortShort)(T* first, T* last);
    uint32_t* splitTables;  // one per digit: the bucket ends of each split level
    uint32_t* passTables;   // one per digit: the counts of the passes over a cached bucket
};

// Passes over digits [0, digitEnd), lowest first, between values and spare; the result ends at
// home, which is one of the two.
template <typename T>
void sortLowDigits(uint32_t* tables, T* values, T* spare, size_t count, int digitEnd, T* home) {
    countDigits(values, count, digitEnd, tables);
    T* source = values;
    T* target = spare;
    for (int digit = 0; digit < digitEnd; ++digit) {
        uint32_t* buckets = tables + digit * digitLayout<T>::kBuckets;
        // A digit that every value shares would only copy the values.
        if (buckets[digitOf(*source, digit)] == count) continue;
        scatterByDigit(source, count, target, buckets, digit);
        std::swap(source, target);
    }
    moveTo(home, source, count);
}

// Sorts values by digits [0, digit] into home (values or spare, which are the same size).
template <typename T>
void sortFromDigit(const radixRun<T>& run, T* values, T* spare, size_t count, int digit, T* home) {
    if (digit < 0) return moveTo(home, values, count);
    using layout = digitLayout<T>;
    if (count * kShortRatio < static_cast<size_t>(digit + 1) * layout::kBuckets) {
        moveTo(home, values, count);
        return run.sortShort(home, home + count);
    }
    if (count * sizeof(T) <= kCacheResidentBytes || count < kMinSplitPiece * layout::kBuckets)
        return sortLowDigits(run.passTables, values, spare, count, digit + 1, home);
    uint32_t* ends = run.splitTables + digit * layout::kBuckets;
    std::memset(ends, 0, layout::kBuckets * sizeof(uint32_t));
    for (const T* p = values; p < values + count; ++p) ++ends[digitOf(*p, digit)];
    if (ends[digitOf(*values, digit)] == count)
        return sortFromDigit(run, values, spare, count, digit - 1, home);
    scatterByDigit(values, count, spare, ends, digit);
    T* childHome = home == values ? values : spare;
    size_t start = 0;
    for (size_t b = 0; b < layout::kBuckets; start = ends[b++]) {
        sortFromDigit(run, spare + start, values + start, ends[b] - start, digit - 1,
                      childHome + start);
    }
}

}  // namespace

namespace cidut {

template <typename T>
bool radixSort(T* first, T* last, void (*sortShort)(T* first, T* last)) {
    using layout = digitLayout<T>;
    const size_t count = static_cast<size_t>(last - first);
    constexpr size_t kTableBytes = 2 * layout::kCount * layout::kBuckets * sizeof(uint32_t);
    if (count > UINT32_MAX || count > (SIZE_MAX - kTableBytes) / sizeof(T)) return false;
    void* block = nullptr;
    if (csys_memory_alloc_internal(kTableBytes + count * sizeof(T), &block) < 0) return false;
    uint32_t* tables = static_cast<uint32_t*>(block);
    const radixRun<T> run{sortShort, tables, tables + layout::kCount * layout::kBuckets};
    T* scratch = reinterpret_cast<T*>(static_cast<unsigned char*>(block) + kTableBytes);
    sortFromDigit(run, first, scratch, count, layout::kCount - 1, first);
    csys_memory_free_internal(&block);
    return true;
}

template bool radixSort<uint16_t>(uint16_t* first, uint16_t* last, void (*)(uint16_t*, uint16_t*));
template bool radixSort<int32_t>(int32_t* first, int32_t* last, void (*)(int32_t*, int32_t*));
template bool radixSort<uint32_t>(uint32_t* first, uint32_t* last, void (*)(uint32_t*, uint32_t*));
template bool radixSort<float>(float* first, float* last, void (*)(float*, float*));
template bool radixSort<double>(double* first, double* last, void (*)(double*, double*));

}  // namespace cidut
