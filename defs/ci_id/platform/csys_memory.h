/* Memory services. Every call returns a status; sizes are checked so that an overflowing byte
 * count is reported (CSYS_STATUS_SIZE_OUT_OF_RANGE) and never turns into a short buffer. All
 * blocks are aligned to 64 bytes, so the fast-memory and cache-aligned variants give the same
 * kind of block as the plain one, and any block may be released with csys_memory_free_internal. */
#ifndef CI_ID_CSYS_MEMORY_H
#define CI_ID_CSYS_MEMORY_H

#include <stddef.h>
#include <stdint.h>

#include "ci_id/ci_id_export.h"

CI_ID_EXTERN_C_BEGIN

#define CSYS_MEMORY_ALIGNMENT 64

/* Allocates bytes (a zero count gives a distinct non-null block) into *pointer. On failure
 * *pointer is set to null. */
CI_ID_API int32_t csys_memory_alloc_internal(size_t bytes, void** pointer);
CI_ID_API int32_t csys_memory_allocClear_internal(size_t bytes, void** pointer);
CI_ID_API int32_t csys_memory_allocFastMem_internal(size_t bytes, void** pointer);
CI_ID_API int32_t csys_memory_allocCacheAligned_internal(size_t bytes, void** pointer);
/* count * elementSize bytes, zero-filled, with the product checked for overflow. */
CI_ID_API int32_t csys_memory_allocArray_internal(size_t count, size_t elementSize, void** pointer);
/* Releases *pointer (null is accepted) and sets it to null. */
CI_ID_API int32_t csys_memory_free_internal(void** pointer);
/* Sets bytes bytes of destination to the low 8 bits of value. */
CI_ID_API int32_t csys_memory_fill(int32_t value, size_t bytes, void* destination);
/* Copies bytes bytes; the two blocks may overlap. */
CI_ID_API int32_t csys_memory_copy(size_t bytes, void* destination, const void* source);

/* *product = a * b, or CSYS_STATUS_SIZE_OUT_OF_RANGE when it does not fit in size_t. */
CI_ID_API int32_t csys_size_multiply(size_t a, size_t b, size_t* product);

/* The process-wide allocator behind every call above. alloc returns null on failure; alignment
 * is a power of two. Tests install counting or failing allocators; install one before other
 * threads use the library and restore the previous one afterwards. */
typedef struct csys_allocator {
    void* (*alloc)(void* context, size_t bytes, size_t alignment);
    void (*free)(void* context, void* block);
    void* context;
} csys_allocator;

/* Installs allocator (null restores the default, which is not null) and returns the previous
 * one. The record must stay valid while installed. */
CI_ID_API const csys_allocator* csys_memory_setAllocator(const csys_allocator* allocator);

/* A memory table: an allocator a caller gives to one container instead of the process-wide one.
 * alloc stores the block in *block and returns a status. */
typedef struct csys_memoryTable {
    int32_t (*alloc)(void* context, size_t bytes, void** block);
    int32_t (*free)(void* context, void* block);
    void* context;
} csys_memoryTable;

CI_ID_EXTERN_C_END

#endif
