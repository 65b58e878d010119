// Memory services over an installable allocator. Every block is 64-byte aligned so that one
// release call serves all the allocation variants.
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_status.h"

namespace {

void* systemAlloc(void*, size_t bytes, size_t alignment) {
    void* block = nullptr;
    return posix_memalign(&block, alignment, bytes) == 0 ? block : nullptr;
}

void systemFree(void*, void* block) { std::free(block); }

const csys_allocator systemAllocator = {&systemAlloc, &systemFree, nullptr};
std::atomic<const csys_allocator*> installedAllocator{&systemAllocator};

int32_t allocate(size_t bytes, void** pointer, bool clear) {
    CSTD_ASSERT(pointer);
    *pointer = nullptr;
    // A zero-byte request still gets a distinct block, so a null result always means failure.
    size_t size = bytes == 0 ? 1 : bytes;
    const csys_allocator* allocator = installedAllocator.load();
    void* block = allocator->alloc(allocator->context, size, CSYS_MEMORY_ALIGNMENT);
    if (!block) return CSYS_STATUS_OUT_OF_MEMORY;
    if (clear) std::memset(block, 0, size);
    *pointer = block;
    return CSYS_STATUS_OK;
}

}  // namespace

extern "C" {

int32_t csys_memory_alloc_internal(size_t bytes, void** pointer) {
    return allocate(bytes, pointer, false);
}

int32_t csys_memory_allocClear_internal(size_t bytes, void** pointer) {
    return allocate(bytes, pointer, true);
}

int32_t csys_memory_allocFastMem_internal(size_t bytes, void** pointer) {
    return allocate(bytes, pointer, false);
}

int32_t csys_memory_allocCacheAligned_internal(size_t bytes, void** pointer) {
    return allocate(bytes, pointer, false);
}

int32_t csys_memory_allocArray_internal(size_t count, size_t elementSize, void** pointer) {
    CSTD_ASSERT(pointer);
    *pointer = nullptr;
    size_t bytes = 0;
    int32_t status = csys_size_multiply(count, elementSize, &bytes);
    return status < 0 ? status : allocate(bytes, pointer, true);
}

int32_t csys_memory_free_internal(void** pointer) {
    CSTD_ASSERT(pointer);
    if (*pointer) {
        const csys_allocator* allocator = installedAllocator.load();
        allocator->free(allocator->context, *pointer);
        *pointer = nullptr;
    }
    return CSYS_STATUS_OK;
}

int32_t csys_memory_fill(int32_t value, size_t bytes, void* destination) {
    CSTD_ASSERT(destination || bytes == 0);
    if (bytes > 0) std::memset(destination, value & 0xFF, bytes);
    return CSYS_STATUS_OK;
}

int32_t csys_memory_copy(size_t bytes, void* destination, const void* source) {
    CSTD_ASSERT((destination && source) || bytes == 0);
    if (bytes > 0) std::memmove(destination, source, bytes);
    return CSYS_STATUS_OK;
}

int32_t csys_size_multiply(size_t a, size_t b, size_t* product) {
    CSTD_ASSERT(product);
    size_t result = 0;
    if (__builtin_mul_overflow(a, b, &result)) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    *product = result;
    return CSYS_STATUS_OK;
}

const csys_allocator* csys_memory_setAllocator(const csys_allocator* allocator) {
    return installedAllocator.exchange(allocator ? allocator : &systemAllocator);
}
}
