// Generic vector. Element storage comes from the vector's memory table or the process-wide
// allocator; growth doubles the capacity so that repeated pushBack is amortised constant time.
#include <algorithm>
#include <cstring>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/priv/ci_idut/containers/cstd_vector_generic.h"

namespace {

constexpr int32_t kOutOfRange = CSYS_STATUS_SIZE_OUT_OF_RANGE;

unsigned char* elementAt(const cstd_vector_* v, size_t index) {
    return v->begin + index * v->elementSize;
}

int32_t toCount(intptr_t count, size_t* out) {
    if (count < 0) return kOutOfRange;
    *out = static_cast<size_t>(count);
    return 0;
}

int32_t allocBlock(const cstd_vector_* v, size_t count, unsigned char** block) {
    size_t bytes = 0;
    int32_t status = csys_size_multiply(count, v->elementSize, &bytes);
    if (status < 0) return status;
    void* memory = nullptr;
    status = v->mtable ? v->mtable->alloc(v->mtable->context, bytes, &memory)
                       : csys_memory_alloc_internal(bytes, &memory);
    if (status < 0) return status;
    *block = static_cast<unsigned char*>(memory);
    return 0;
}

int32_t freeBlock(const cstd_vector_* v, unsigned char* block) {
    if (!block) return 0;
    if (v->mtable) return v->mtable->free(v->mtable->context, block);
    void* memory = block;
    return csys_memory_free_internal(&memory);
}

int32_t reallocate(cstd_vector_* v, size_t capacity) {
    unsigned char* block = nullptr;
    int32_t status = allocBlock(v, capacity, &block);
    if (status < 0) return status;
    if (v->size > 0) std::memcpy(block, v->begin, v->size * v->elementSize);
    unsigned char* old = v->begin;
    v->begin = block;
    v->capacity = capacity;
    return freeBlock(v, old);
}

int32_t ensureCapacity(cstd_vector_* v, size_t needed) {
    if (needed <= v->capacity) return 0;
    size_t bytes = 0;
    int32_t status = csys_size_multiply(needed, v->elementSize, &bytes);
    if (status < 0) return status;
    size_t doubled = v->capacity <= SIZE_MAX / 2 ? v->capacity * 2 : SIZE_MAX;
    size_t capacity = std::max({needed, doubled, size_t{4}});
    if (csys_size_multiply(capacity, v->elementSize, &bytes) < 0) capacity = needed;
    return reallocate(v, capacity);
}

int32_t destructRange(const cstd_vector_* v, unsigned char* first, size_t count) {
    if (!v->ops || !v->ops->destruct) return 0;
    int32_t result = 0;
    for (size_t i = 0; i < count; ++i) {
        int32_t status = v->ops->destruct(first + i * v->elementSize);
        if (status < 0 && result >= 0) result = status;
    }
    return result;
}

int32_t constructRange(const cstd_vector_* v, unsigned char* first, size_t count, bool zero) {
    if (!v->ops || !v->ops->construct) {
        if (zero) std::memset(first, 0, count * v->elementSize);
        return 0;
    }
    for (size_t i = 0; i < count; ++i) {
        int32_t status = v->ops->construct(first + i * v->elementSize);
        if (status < 0) {
            destructRange(v, first, i);
            return status;
        }
    }
    return 0;
}

// Copy-constructs count elements at first from source, advancing through source by
// sourceStride bytes (0 repeats one fill element).
int32_t copyConstructRange(const cstd_vector_* v, unsigned char* first, const unsigned char* source,
                           size_t sourceStride, size_t count) {
    size_t es = v->elementSize;
    for (size_t i = 0; i < count; ++i) {
        unsigned char* destination = first + i * es;
        const unsigned char* from = source + i * sourceStride;
        if (v->ops && v->ops->constructCopy) {
            int32_t status = v->ops->constructCopy(destination, from);
            if (status < 0) {
                destructRange(v, first, i);
                return status;
            }
        } else {
            std::memcpy(destination, from, es);
        }
    }
    return 0;
}

bool overlapsStorage(const cstd_vector_* v, const void* first, size_t count) {
    if (!v->begin || count == 0) return false;
    uintptr_t lo = reinterpret_cast<uintptr_t>(v->begin);
    uintptr_t hi = lo + v->capacity * v->elementSize;
    uintptr_t a = reinterpret_cast<uintptr_t>(first);
    return a < hi && lo < a + count * v->elementSize;
}

// Index of position within [begin, begin + limit]; rejects positions between elements.
int32_t indexOf(const cstd_vector_* v, const void* position, size_t limit, size_t* index) {
    uintptr_t base = reinterpret_cast<uintptr_t>(v->begin);
    uintptr_t p = reinterpret_cast<uintptr_t>(position);
    if (p < base) return kOutOfRange;
    uintptr_t offset = p - base;
    if (offset % v->elementSize != 0 || offset / v->elementSize > limit) return kOutOfRange;
    *index = offset / v->elementSize;
    return 0;
}

void initRecord(cstd_vector_* v, size_t elementSize, const cstd_vector_elementOps* ops,
                const csys_memoryTable* mtable) {
    CSTD_ASSERT(elementSize > 0);
    v->begin = nullptr;
    v->size = 0;
    v->capacity = 0;
    v->elementSize = elementSize;
    v->ops = ops;
    v->mtable = mtable;
}

// Gives a source range that stays valid while v reallocates: a private copy when the range lies
// in v's own storage.
class stableRange {
public:
    stableRange(const cstd_vector_* v, const void* first, size_t count)
        : data_(static_cast<const unsigned char*>(first)) {
        if (!overlapsStorage(v, first, count)) return;
        initRecord(&copy_, v->elementSize, v->ops, nullptr);
        status_ = cstd_vector__constructFromBlockWithVtable(&copy_, v->elementSize, first,
                                                            static_cast<intptr_t>(count), v->ops);
        data_ = copy_.begin;
        owned_ = true;
    }
    ~stableRange() {
        if (owned_) cstd_vector__destruct(&copy_);
    }
    int32_t status() const { return status_; }
    const unsigned char* data() const { return data_; }

private:
    cstd_vector_ copy_{};
    const unsigned char* data_;
    int32_t status_ = 0;
    bool owned_ = false;
};

int32_t insertAt(cstd_vector_* v, size_t index, const void* first, size_t count) {
    if (count == 0) return 0;
    if (count > SIZE_MAX - v->size) return kOutOfRange;
    stableRange source(v, first, count);
    if (source.status() < 0) return source.status();
    int32_t status = ensureCapacity(v, v->size + count);
    if (status < 0) return status;
    size_t es = v->elementSize;
    unsigned char* gap = elementAt(v, index);
    size_t tailBytes = (v->size - index) * es;
    std::memmove(gap + count * es, gap, tailBytes);
    status = copyConstructRange(v, gap, source.data(), es, count);
    if (status < 0) {
        std::memmove(gap, gap + count * es, tailBytes);
        return status;
    }
    v->size += count;
    return 0;
}

int32_t assignFrom(cstd_vector_* v, const void* first, size_t count) {
    stableRange source(v, first, count);
    if (source.status() < 0) return source.status();
    int32_t status = ensureCapacity(v, count);
    if (status < 0) return status;
    size_t es = v->elementSize;
    size_t common = std::min(v->size, count);
    for (size_t i = 0; i < common; ++i) {
        unsigned char* destination = elementAt(v, i);
        const unsigned char* from = source.data() + i * es;
        if (v->ops && v->ops->assign) {
            status = v->ops->assign(destination, from);
            if (status < 0) return status;
        } else {
            std::memcpy(destination, from, es);
        }
    }
    if (count > v->size) {
        status = copyConstructRange(v, elementAt(v, v->size), source.data() + v->size * es, es,
                                    count - v->size);
        if (status < 0) return status;
    } else {
        status = destructRange(v, elementAt(v, count), v->size - count);
    }
    v->size = count;
    return status;
}

int32_t resizeTo(cstd_vector_* v, size_t count, const void* fill, bool zero) {
    if (count <= v->size) {
        int32_t status = destructRange(v, elementAt(v, count), v->size - count);
        v->size = count;
        return status;
    }
    stableRange fillSource(v, fill, fill ? 1 : 0);
    if (fillSource.status() < 0) return fillSource.status();
    int32_t status = ensureCapacity(v, count);
    if (status < 0) return status;
    unsigned char* tail = elementAt(v, v->size);
    status = fill ? copyConstructRange(v, tail, fillSource.data(), 0, count - v->size)
                  : constructRange(v, tail, count - v->size, zero);
    if (status < 0) return status;
    v->size = count;
    return 0;
}

int32_t constructSized(cstd_vector_* v, intptr_t count, size_t elementSize,
                       const cstd_vector_elementOps* ops, const csys_memoryTable* mtable,
                       const void* fill, bool zero) {
    CSTD_ASSERT(v);
    initRecord(v, elementSize, ops, mtable);
    size_t n = 0;
    int32_t status = toCount(count, &n);
    if (status < 0) return status;
    status = resizeTo(v, n, fill, zero);
    if (status < 0) cstd_vector__destruct(v);
    return status;
}

int32_t sizeTo32(size_t size, int32_t* out) {
    if (size > static_cast<size_t>(INT32_MAX)) return kOutOfRange;
    *out = static_cast<int32_t>(size);
    return 0;
}

}  // namespace

extern "C" {

int32_t cstd_vector__constructWithVtable(cstd_vector_* v, intptr_t count, size_t elementSize,
                                         const cstd_vector_elementOps* ops) {
    return constructSized(v, count, elementSize, ops, nullptr, nullptr, true);
}

int32_t cstd_vector__constructWithVtableWithMtable(cstd_vector_* v, intptr_t count,
                                                   size_t elementSize,
                                                   const cstd_vector_elementOps* ops,
                                                   const csys_memoryTable* mtable) {
    return constructSized(v, count, elementSize, ops, mtable, nullptr, true);
}

int32_t cstd_vector__constructWithVtableUninit(cstd_vector_* v, intptr_t count, size_t elementSize,
                                               const cstd_vector_elementOps* ops) {
    return constructSized(v, count, elementSize, ops, nullptr, nullptr, false);
}

int32_t cstd_vector__constructFillWithVtable(cstd_vector_* v, intptr_t count, size_t elementSize,
                                             const void* fill, const cstd_vector_elementOps* ops) {
    CSTD_ASSERT(fill);
    return constructSized(v, count, elementSize, ops, nullptr, fill, true);
}

int32_t cstd_vector__constructFromBlockWithVtable(cstd_vector_* v, size_t elementSize,
                                                  const void* first, intptr_t count,
                                                  const cstd_vector_elementOps* ops) {
    CSTD_ASSERT(v);
    CSTD_ASSERT(first || count == 0);
    initRecord(v, elementSize, ops, nullptr);
    size_t n = 0;
    int32_t status = toCount(count, &n);
    if (status < 0) return status;
    status = insertAt(v, 0, first, n);
    if (status < 0) cstd_vector__destruct(v);
    return status;
}

int32_t cstd_vector__constructCopy(cstd_vector_* v, const cstd_vector_* source) {
    CSTD_ASSERT(v && source);
    initRecord(v, source->elementSize, source->ops, source->mtable);
    int32_t status = insertAt(v, 0, source->begin, source->size);
    if (status < 0) cstd_vector__destruct(v);
    return status;
}

int32_t cstd_vector__assign(cstd_vector_* v, const cstd_vector_* source) {
    CSTD_ASSERT(v && source);
    if (v == source) return 0;
    CSTD_ASSERT(v->elementSize == source->elementSize);
    return assignFrom(v, source->begin, source->size);
}

int32_t cstd_vector__assignElements(cstd_vector_* v, const void* first, intptr_t count) {
    CSTD_ASSERT(v);
    CSTD_ASSERT(first || count == 0);
    size_t n = 0;
    int32_t status = toCount(count, &n);
    if (status < 0) return status;
    return assignFrom(v, first, n);
}

int32_t cstd_vector__destruct(cstd_vector_* v) {
    CSTD_ASSERT(v);
    int32_t status = destructRange(v, v->begin, v->size);
    int32_t freed = freeBlock(v, v->begin);
    v->begin = nullptr;
    v->size = 0;
    v->capacity = 0;
    return status < 0 ? status : freed;
}

int32_t cstd_vector__resize(cstd_vector_* v, intptr_t count) {
    CSTD_ASSERT(v);
    size_t n = 0;
    int32_t status = toCount(count, &n);
    return status < 0 ? status : resizeTo(v, n, nullptr, true);
}

int32_t cstd_vector__resizeUninit(cstd_vector_* v, intptr_t count) {
    CSTD_ASSERT(v);
    size_t n = 0;
    int32_t status = toCount(count, &n);
    return status < 0 ? status : resizeTo(v, n, nullptr, false);
}

int32_t cstd_vector__resizeFill(cstd_vector_* v, intptr_t count, const void* fill) {
    CSTD_ASSERT(v && fill);
    size_t n = 0;
    int32_t status = toCount(count, &n);
    return status < 0 ? status : resizeTo(v, n, fill, true);
}

int32_t cstd_vector__reserve(cstd_vector_* v, intptr_t count) {
    CSTD_ASSERT(v);
    size_t n = 0;
    int32_t status = toCount(count, &n);
    if (status < 0 || n <= v->capacity) return status;
    return reallocate(v, n);
}

int32_t cstd_vector__getSize32(const cstd_vector_* v, int32_t* size) {
    CSTD_ASSERT(v && size);
    return sizeTo32(v->size, size);
}

int32_t cstd_vector__getSize(const cstd_vector_* v, intptr_t* size) {
    CSTD_ASSERT(v && size);
    *size = static_cast<intptr_t>(v->size);
    return 0;
}

int32_t cstd_vector__getCapacity(const cstd_vector_* v, intptr_t* capacity) {
    CSTD_ASSERT(v && capacity);
    *capacity = static_cast<intptr_t>(v->capacity);
    return 0;
}

int32_t cstd_vector__getElementSize(const cstd_vector_* v, int32_t* elementSize) {
    CSTD_ASSERT(v && elementSize);
    return sizeTo32(v->elementSize, elementSize);
}

int32_t cstd_vector__getBeginEnd(cstd_vector_* v, void** begin, void** end) {
    CSTD_ASSERT(v && begin && end);
    *begin = v->begin;
    *end = v->begin ? elementAt(v, v->size) : nullptr;
    return 0;
}

int32_t cstd_vector__getBeginEndConst(const cstd_vector_* v, const void** begin, const void** end) {
    CSTD_ASSERT(v && begin && end);
    *begin = v->begin;
    *end = v->begin ? elementAt(v, v->size) : nullptr;
    return 0;
}

int32_t cstd_vector__getBegin(cstd_vector_* v, void** begin) {
    CSTD_ASSERT(v && begin);
    *begin = v->begin;
    return 0;
}

int32_t cstd_vector__getBeginConst(const cstd_vector_* v, const void** begin) {
    CSTD_ASSERT(v && begin);
    *begin = v->begin;
    return 0;
}

int32_t cstd_vector__getBeginSize32(cstd_vector_* v, void** begin, int32_t* size) {
    CSTD_ASSERT(v && begin && size);
    int32_t status = sizeTo32(v->size, size);
    if (status >= 0) *begin = v->begin;
    return status;
}

int32_t cstd_vector__getBeginSize(cstd_vector_* v, void** begin, intptr_t* size) {
    CSTD_ASSERT(v && begin && size);
    *begin = v->begin;
    *size = static_cast<intptr_t>(v->size);
    return 0;
}

int32_t cstd_vector__getBeginSize32Const(const cstd_vector_* v, const void** begin, int32_t* size) {
    CSTD_ASSERT(v && begin && size);
    int32_t status = sizeTo32(v->size, size);
    if (status >= 0) *begin = v->begin;
    return status;
}

int32_t cstd_vector__getBeginSizeConst(const cstd_vector_* v, const void** begin, intptr_t* size) {
    CSTD_ASSERT(v && begin && size);
    *begin = v->begin;
    *size = static_cast<intptr_t>(v->size);
    return 0;
}

int32_t cstd_vector__getElement(cstd_vector_* v, intptr_t index, void** element) {
    CSTD_ASSERT(v && element);
    if (index < 0 || static_cast<size_t>(index) >= v->size) return kOutOfRange;
    *element = elementAt(v, static_cast<size_t>(index));
    return 0;
}

int32_t cstd_vector__getElementConst(const cstd_vector_* v, intptr_t index, const void** element) {
    CSTD_ASSERT(v && element);
    if (index < 0 || static_cast<size_t>(index) >= v->size) return kOutOfRange;
    *element = elementAt(v, static_cast<size_t>(index));
    return 0;
}

int32_t cstd_vector__getNextElement(cstd_vector_* v, void* current, void** next) {
    CSTD_ASSERT(v && next);
    size_t index = 0;
    int32_t status = indexOf(v, current, v->size, &index);
    if (status < 0 || index >= v->size) return kOutOfRange;
    *next = elementAt(v, index + 1);
    return 0;
}

int32_t cstd_vector__getNextElementConst(const cstd_vector_* v, const void* current,
                                         const void** next) {
    CSTD_ASSERT(v && next);
    size_t index = 0;
    int32_t status = indexOf(v, current, v->size, &index);
    if (status < 0 || index >= v->size) return kOutOfRange;
    *next = elementAt(v, index + 1);
    return 0;
}

int32_t cstd_vector__insert(cstd_vector_* v, void* position, const void* first, intptr_t count) {
    CSTD_ASSERT(v);
    CSTD_ASSERT(first || count == 0);
    size_t index = 0;
    size_t n = 0;
    int32_t status = toCount(count, &n);
    if (status >= 0) status = indexOf(v, position, v->size, &index);
    return status < 0 ? status : insertAt(v, index, first, n);
}

int32_t cstd_vector__insertElement(cstd_vector_* v, void* position, const void* element) {
    CSTD_ASSERT(v && element);
    return cstd_vector__insert(v, position, element, 1);
}

int32_t cstd_vector__erase(cstd_vector_* v, void* first, intptr_t count) {
    CSTD_ASSERT(v);
    size_t index = 0;
    size_t n = 0;
    int32_t status = toCount(count, &n);
    if (status >= 0) status = indexOf(v, first, v->size, &index);
    if (status < 0) return status;
    if (n > v->size - index) return kOutOfRange;
    unsigned char* gap = elementAt(v, index);
    status = destructRange(v, gap, n);
    size_t es = v->elementSize;
    size_t after = (v->size - index - n) * es;
    // An empty vector has no storage: memmove must not see its null pointer, even for 0 bytes.
    if (after > 0) std::memmove(gap, gap + n * es, after);
    v->size -= n;
    return status;
}

int32_t cstd_vector__eraseElement(cstd_vector_* v, void* position) {
    return cstd_vector__erase(v, position, 1);
}

int32_t cstd_vector__pushBack(cstd_vector_* v, const void* element) {
    CSTD_ASSERT(v && element);
    return insertAt(v, v->size, element, 1);
}

int32_t cstd_vector__popBack(cstd_vector_* v) {
    CSTD_ASSERT(v);
    if (v->size == 0) return kOutOfRange;
    return resizeTo(v, v->size - 1, nullptr, true);
}

int32_t cstd_vector__clear(cstd_vector_* v) {
    CSTD_ASSERT(v);
    return resizeTo(v, 0, nullptr, true);
}

int32_t cstd_vector__clearAndFreeMemory(cstd_vector_* v) { return cstd_vector__destruct(v); }

int32_t cstd_vector__append(cstd_vector_* v, const cstd_vector_* source) {
    CSTD_ASSERT(v && source);
    CSTD_ASSERT(v->elementSize == source->elementSize);
    return insertAt(v, v->size, source->begin, source->size);
}

int32_t cstd_vector__swap(cstd_vector_* v, cstd_vector_* other) {
    CSTD_ASSERT(v && other);
    std::swap(*v, *other);
    return 0;
}
}
