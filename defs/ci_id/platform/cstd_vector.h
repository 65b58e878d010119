/* The generic growable array behind every typed vector of the library. Callers use the typed
 * families (ci_id/vector.h) and never touch these fields. Elements are relocated bitwise when
 * the array grows or elements are shifted, so element types must not point into themselves. */
#ifndef CI_ID_CSTD_VECTOR_H
#define CI_ID_CSTD_VECTOR_H

#include <stddef.h>
#include <stdint.h>

#include "ci_id/platform/csys_memory.h"

/* Element operations; any slot may be null: construct then zero-fills, copy and assign copy the
 * bytes, destruct does nothing. Each returns a status. */
typedef struct cstd_vector_elementOps {
    int32_t (*construct)(void* element);
    int32_t (*constructCopy)(void* destination, const void* source);
    int32_t (*assign)(void* destination, const void* source);
    int32_t (*destruct)(void* element);
} cstd_vector_elementOps;

typedef struct cstd_vector_ {
    unsigned char* begin;
    size_t size;
    size_t capacity;
    size_t elementSize;
    const cstd_vector_elementOps* ops; /* may be null */
    const csys_memoryTable* mtable;    /* null: the process-wide allocator */
} cstd_vector_;

#endif
