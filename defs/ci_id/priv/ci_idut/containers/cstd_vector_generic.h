// Operations of the generic vector. Counts and indices are element counts; positions are element
// addresses inside the vector. A negative count, an index or position outside the vector, or a
// byte size that overflows gives CSYS_STATUS_SIZE_OUT_OF_RANGE and changes nothing. Source ranges
// and fill elements may lie inside the vector they are copied into. When an element operation
// fails, the elements built so far by the call are destructed again and its status is returned.
#pragma once

#include <stdint.h>

#include "ci_id/platform/cstd_vector.h"

extern "C" {

int32_t cstd_vector__constructWithVtable(cstd_vector_* v, intptr_t count, size_t elementSize,
                                         const cstd_vector_elementOps* ops);
int32_t cstd_vector__constructWithVtableWithMtable(cstd_vector_* v, intptr_t count,
                                                   size_t elementSize,
                                                   const cstd_vector_elementOps* ops,
                                                   const csys_memoryTable* mtable);
// Elements of a type without a construct slot are left as the allocator gave them; a type with
// one is still constructed, so that destructing the vector later stays sound.
int32_t cstd_vector__constructWithVtableUninit(cstd_vector_* v, intptr_t count, size_t elementSize,
                                               const cstd_vector_elementOps* ops);
int32_t cstd_vector__constructFillWithVtable(cstd_vector_* v, intptr_t count, size_t elementSize,
                                             const void* fill, const cstd_vector_elementOps* ops);
int32_t cstd_vector__constructFromBlockWithVtable(cstd_vector_* v, size_t elementSize,
                                                  const void* first, intptr_t count,
                                                  const cstd_vector_elementOps* ops);
int32_t cstd_vector__constructCopy(cstd_vector_* v, const cstd_vector_* source);
int32_t cstd_vector__assign(cstd_vector_* v, const cstd_vector_* source);
int32_t cstd_vector__assignElements(cstd_vector_* v, const void* first, intptr_t count);
int32_t cstd_vector__destruct(cstd_vector_* v);

int32_t cstd_vector__resize(cstd_vector_* v, intptr_t count);
int32_t cstd_vector__resizeUninit(cstd_vector_* v, intptr_t count);
int32_t cstd_vector__resizeFill(cstd_vector_* v, intptr_t count, const void* fill);
int32_t cstd_vector__reserve(cstd_vector_* v, intptr_t count);

int32_t cstd_vector__getSize32(const cstd_vector_* v, int32_t* size);
int32_t cstd_vector__getSize(const cstd_vector_* v, intptr_t* size);
int32_t cstd_vector__getCapacity(const cstd_vector_* v, intptr_t* capacity);
int32_t cstd_vector__getElementSize(const cstd_vector_* v, int32_t* elementSize);
int32_t cstd_vector__getBeginEnd(cstd_vector_* v, void** begin, void** end);
int32_t cstd_vector__getBeginEndConst(const cstd_vector_* v, const void** begin, const void** end);
int32_t cstd_vector__getBegin(cstd_vector_* v, void** begin);
int32_t cstd_vector__getBeginConst(const cstd_vector_* v, const void** begin);
int32_t cstd_vector__getBeginSize32(cstd_vector_* v, void** begin, int32_t* size);
int32_t cstd_vector__getBeginSize(cstd_vector_* v, void** begin, intptr_t* size);
int32_t cstd_vector__getBeginSize32Const(const cstd_vector_* v, const void** begin, int32_t* size);
int32_t cstd_vector__getBeginSizeConst(const cstd_vector_* v, const void** begin, intptr_t* size);
int32_t cstd_vector__getElement(cstd_vector_* v, intptr_t index, void** element);
int32_t cstd_vector__getElementConst(const cstd_vector_* v, intptr_t index, const void** element);
int32_t cstd_vector__getNextElement(cstd_vector_* v, void* current, void** next);
int32_t cstd_vector__getNextElementConst(const cstd_vector_* v, const void* current,
                                         const void** next);

int32_t cstd_vector__insert(cstd_vector_* v, void* position, const void* first, intptr_t count);
int32_t cstd_vector__insertElement(cstd_vector_* v, void* position, const void* element);
int32_t cstd_vector__erase(cstd_vector_* v, void* first, intptr_t count);
int32_t cstd_vector__eraseElement(cstd_vector_* v, void* position);
int32_t cstd_vector__pushBack(cstd_vector_* v, const void* element);
int32_t cstd_vector__popBack(cstd_vector_* v);
int32_t cstd_vector__clear(cstd_vector_* v);
int32_t cstd_vector__clearAndFreeMemory(cstd_vector_* v);
int32_t cstd_vector__append(cstd_vector_* v, const cstd_vector_* source);
int32_t cstd_vector__swap(cstd_vector_* v, cstd_vector_* other);
}
