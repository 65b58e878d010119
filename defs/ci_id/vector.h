/* Typed vectors and type-check hooks.
 *
 * CSTD_VECTOR_DECLARE(Name, T) declares the typed vector cstd_vector_<Name> of elements T and its
 * 47 members cstd_vector_<Name>_<operation>. Each returns a status and forwards to the generic
 * vector with T's size and element operations:
 *   construction   construct(count), constructWithMtable(count, mtable), constructEmpty(),
 *                  constructEmptyWithMtable(mtable), constructUninit(count),
 *                  constructFill(count, fill), constructFromBlock(first, count),
 *                  constructCopy(source), destruct()
 *   assignment     assign(source), assignElements(first, count)
 *   size           resize(count), resizeUninit(count), resizeFill(count, fill), reserve(count),
 *                  getSize / getSize32 (32-bit), getSizeIntPtr, getCapacity, getElementSize
 *   access         getBeginEnd[Const], getBegin[Const], getBeginSize / getBeginSize32[Const]
 *                  (32-bit count), getBeginSizeIntPtr[Const], getElement[Const](index),
 *                  getNextElement[Const](current)
 *   modification   insert(position, first, count), insertElement(position, element),
 *                  erase(first, count), eraseElement(position), pushBack(element), popBack(),
 *                  clear(), clearAndFreeMemory(), append(source), swap(other)
 *   heap records   new(&pointer), newClone(&pointer, source), delete(&pointer)
 * Counts and indices count elements; positions are element addresses inside the vector. A count,
 * index or position out of range gives CSYS_STATUS_SIZE_OUT_OF_RANGE and changes nothing; so
 * does a 32-bit query of a size beyond INT32_MAX and popBack on an empty vector. Sources may lie
 * inside the vector they are copied into. Uninit variants leave plain elements unset but still
 * construct elements whose type has a constructor.
 *
 * new(&p) deletes what p holds, then stores a new empty vector in p (null on failure).
 * newClone(&p, source) deletes what p holds and, when source is not null, stores a new copy of it
 * (null on failure). delete(&p) destructs and frees *p and sets p to null; a null p is fine.
 * Each family also has the four type-check hooks of cstd_vector_<Name> (csys_typecheck.h). */
#ifndef CI_ID_VECTOR_H
#define CI_ID_VECTOR_H

#include <stddef.h>
#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cstd_vector.h"
#include "ci_id/platform/csys_typecheck.h"

#define CSTD_VECTOR_DECLARE(Name, T)                                                               \
    typedef struct cstd_vector_##Name {                                                            \
        cstd_vector_ base;                                                                         \
    } cstd_vector_##Name;                                                                          \
    CI_ID_EXTERN_C_BEGIN                                                                           \
    CI_ID_API int32_t cstd_vector_##Name##_construct(cstd_vector_##Name* v, intptr_t count);       \
    CI_ID_API int32_t cstd_vector_##Name##_constructWithMtable(                                    \
        cstd_vector_##Name* v, intptr_t count, const csys_memoryTable* mtable);                    \
    CI_ID_API int32_t cstd_vector_##Name##_constructEmpty(cstd_vector_##Name* v);                  \
    CI_ID_API int32_t cstd_vector_##Name##_constructEmptyWithMtable(                               \
        cstd_vector_##Name* v, const csys_memoryTable* mtable);                                    \
    CI_ID_API int32_t cstd_vector_##Name##_constructUninit(cstd_vector_##Name* v, intptr_t count); \
    CI_ID_API int32_t cstd_vector_##Name##_constructFill(cstd_vector_##Name* v, intptr_t count,    \
                                                         const T* fill);                           \
    CI_ID_API int32_t cstd_vector_##Name##_constructFromBlock(cstd_vector_##Name* v,               \
                                                              const T* first, intptr_t count);     \
    CI_ID_API int32_t cstd_vector_##Name##_constructCopy(cstd_vector_##Name* v,                    \
                                                         const cstd_vector_##Name* source);        \
    CI_ID_API int32_t cstd_vector_##Name##_assign(cstd_vector_##Name* v,                           \
                                                  const cstd_vector_##Name* source);               \
    CI_ID_API int32_t cstd_vector_##Name##_assignElements(cstd_vector_##Name* v, const T* first,   \
                                                          intptr_t count);                         \
    CI_ID_API int32_t cstd_vector_##Name##_destruct(cstd_vector_##Name* v);                        \
    CI_ID_API int32_t cstd_vector_##Name##_resize(cstd_vector_##Name* v, intptr_t count);          \
    CI_ID_API int32_t cstd_vector_##Name##_resizeUninit(cstd_vector_##Name* v, intptr_t count);    \
    CI_ID_API int32_t cstd_vector_##Name##_resizeFill(cstd_vector_##Name* v, intptr_t count,       \
                                                      const T* fill);                              \
    CI_ID_API int32_t cstd_vector_##Name##_reserve(cstd_vector_##Name* v, intptr_t count);         \
    CI_ID_API int32_t cstd_vector_##Name##_getSize(const cstd_vector_##Name* v, int32_t* size);    \
    CI_ID_API int32_t cstd_vector_##Name##_getSize32(const cstd_vector_##Name* v, int32_t* size);  \
    CI_ID_API int32_t cstd_vector_##Name##_getSizeIntPtr(const cstd_vector_##Name* v,              \
                                                         intptr_t* size);                          \
    CI_ID_API int32_t cstd_vector_##Name##_getCapacity(const cstd_vector_##Name* v,                \
                                                       intptr_t* capacity);                        \
    CI_ID_API int32_t cstd_vector_##Name##_getElementSize(const cstd_vector_##Name* v,             \
                                                          int32_t* elementSize);                   \
    CI_ID_API int32_t cstd_vector_##Name##_getBeginEnd(cstd_vector_##Name* v, T** begin, T** end); \
    CI_ID_API int32_t cstd_vector_##Name##_getBeginEndConst(const cstd_vector_##Name* v,           \
                                                            const T** begin, const T** end);       \
    CI_ID_API int32_t cstd_vector_##Name##_getBegin(cstd_vector_##Name* v, T** begin);             \
    CI_ID_API int32_t cstd_vector_##Name##_getBeginConst(const cstd_vector_##Name* v,              \
                                                         const T** begin);                         \
    CI_ID_API int32_t cstd_vector_##Name##_getBeginSize(cstd_vector_##Name* v, T** begin,          \
                                                        int32_t* size);                            \
    CI_ID_API int32_t cstd_vector_##Name##_getBeginSize32(cstd_vector_##Name* v, T** begin,        \
                                                          int32_t* size);                          \
    CI_ID_API int32_t cstd_vector_##Name##_getBeginSizeIntPtr(cstd_vector_##Name* v, T** begin,    \
                                                              intptr_t* size);                     \
    CI_ID_API int32_t cstd_vector_##Name##_getBeginSizeConst(const cstd_vector_##Name* v,          \
                                                             const T** begin, int32_t* size);      \
    CI_ID_API int32_t cstd_vector_##Name##_getBeginSize32Const(const cstd_vector_##Name* v,        \
                                                               const T** begin, int32_t* size);    \
    CI_ID_API int32_t cstd_vector_##Name##_getBeginSizeIntPtrConst(                                \
        const cstd_vector_##Name* v, const T** begin, intptr_t* size);                             \
    CI_ID_API int32_t cstd_vector_##Name##_getElement(cstd_vector_##Name* v, intptr_t index,       \
                                                      T** element);                                \
    CI_ID_API int32_t cstd_vector_##Name##_getElementConst(const cstd_vector_##Name* v,            \
                                                           intptr_t index, const T** element);     \
    CI_ID_API int32_t cstd_vector_##Name##_getNextElement(cstd_vector_##Name* v, T* current,       \
                                                          T** next);                               \
    CI_ID_API int32_t cstd_vector_##Name##_getNextElementConst(const cstd_vector_##Name* v,        \
                                                               const T* current, const T** next);  \
    CI_ID_API int32_t cstd_vector_##Name##_insert(cstd_vector_##Name* v, T* position,              \
                                                  const T* first, intptr_t count);                 \
    CI_ID_API int32_t cstd_vector_##Name##_insertElement(cstd_vector_##Name* v, T* position,       \
                                                         const T* element);                        \
    CI_ID_API int32_t cstd_vector_##Name##_erase(cstd_vector_##Name* v, T* first, intptr_t count); \
    CI_ID_API int32_t cstd_vector_##Name##_eraseElement(cstd_vector_##Name* v, T* position);       \
    CI_ID_API int32_t cstd_vector_##Name##_pushBack(cstd_vector_##Name* v, const T* element);      \
    CI_ID_API int32_t cstd_vector_##Name##_popBack(cstd_vector_##Name* v);                         \
    CI_ID_API int32_t cstd_vector_##Name##_clear(cstd_vector_##Name* v);                           \
    CI_ID_API int32_t cstd_vector_##Name##_clearAndFreeMemory(cstd_vector_##Name* v);              \
    CI_ID_API int32_t cstd_vector_##Name##_append(cstd_vector_##Name* v,                           \
                                                  const cstd_vector_##Name* source);               \
    CI_ID_API int32_t cstd_vector_##Name##_swap(cstd_vector_##Name* v, cstd_vector_##Name* other); \
    CI_ID_API int32_t cstd_vector_##Name##_new(cstd_vector_##Name** v);                            \
    CI_ID_API int32_t cstd_vector_##Name##_newClone(cstd_vector_##Name** v,                        \
                                                    const cstd_vector_##Name* source);             \
    CI_ID_API int32_t cstd_vector_##Name##_delete(cstd_vector_##Name** v);                         \
    CI_ID_EXTERN_C_END                                                                             \
    CSYS_TYPECHECK_DECLARE(cstd_vector_##Name)

#endif
