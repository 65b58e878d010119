// Definitions behind CSTD_VECTOR_DECLARE: one template holds the forwarding logic, and
// CSTD_VECTOR_DEFINE(Name, T, Ops) emits the exported C entry points of one family. Ops is a
// pointer constant to the element operations of T, or nullptr for plain records.
#pragma once

#include <type_traits>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/vector.h"
#include "ci_id/priv/ci_idut/containers/cstd_vector_generic.h"

namespace cidut {

template <typename V, typename T, const cstd_vector_elementOps* Ops>
struct typedVector {
    static cstd_vector_* g(V* v) {
        CSTD_ASSERT(v);
        return &v->base;
    }
    static const cstd_vector_* g(const V* v) {
        CSTD_ASSERT(v);
        return &v->base;
    }

    static int32_t construct(V* v, intptr_t count) {
        return cstd_vector__constructWithVtable(g(v), count, sizeof(T), Ops);
    }
    static int32_t constructWithMtable(V* v, intptr_t count, const csys_memoryTable* mtable) {
        return cstd_vector__constructWithVtableWithMtable(g(v), count, sizeof(T), Ops, mtable);
    }
    static int32_t constructEmpty(V* v) { return construct(v, 0); }
    static int32_t constructUninit(V* v, intptr_t count) {
        return cstd_vector__constructWithVtableUninit(g(v), count, sizeof(T), Ops);
    }
    static int32_t constructFill(V* v, intptr_t count, const T* fill) {
        return cstd_vector__constructFillWithVtable(g(v), count, sizeof(T), fill, Ops);
    }
    static int32_t constructFromBlock(V* v, const T* first, intptr_t count) {
        return cstd_vector__constructFromBlockWithVtable(g(v), sizeof(T), first, count, Ops);
    }

    // Reads a generic result through a void pointer and hands it out typed on success only.
    template <typename P, typename Call>
    static int32_t typedOut(P** out, Call call) {
        CSTD_ASSERT(out);
        std::conditional_t<std::is_const_v<P>, const void*, void*> raw = nullptr;
        int32_t status = call(&raw);
        if (status >= 0) *out = static_cast<P*>(raw);
        return status;
    }
    template <typename P, typename Call>
    static int32_t typedPair(P** first, P** second, Call call) {
        CSTD_ASSERT(first && second);
        std::conditional_t<std::is_const_v<P>, const void*, void*> a = nullptr, b = nullptr;
        int32_t status = call(&a, &b);
        if (status >= 0) {
            *first = static_cast<P*>(a);
            *second = static_cast<P*>(b);
        }
        return status;
    }

    static int32_t getBeginEnd(V* v, T** begin, T** end) {
        return typedPair(begin, end,
                         [v](void** b, void** e) { return cstd_vector__getBeginEnd(g(v), b, e); });
    }
    static int32_t getBeginEndConst(const V* v, const T** begin, const T** end) {
        return typedPair(begin, end, [v](const void** b, const void** e) {
            return cstd_vector__getBeginEndConst(g(v), b, e);
        });
    }
    static int32_t getBegin(V* v, T** begin) {
        return typedOut(begin, [v](void** b) { return cstd_vector__getBegin(g(v), b); });
    }
    static int32_t getBeginConst(const V* v, const T** begin) {
        return typedOut(begin, [v](const void** b) { return cstd_vector__getBeginConst(g(v), b); });
    }
    static int32_t getBeginSize32(V* v, T** begin, int32_t* size) {
        return typedOut(begin,
                        [v, size](void** b) { return cstd_vector__getBeginSize32(g(v), b, size); });
    }
    static int32_t getBeginSizeIntPtr(V* v, T** begin, intptr_t* size) {
        return typedOut(begin,
                        [v, size](void** b) { return cstd_vector__getBeginSize(g(v), b, size); });
    }
    static int32_t getBeginSize32Const(const V* v, const T** begin, int32_t* size) {
        return typedOut(begin, [v, size](const void** b) {
            return cstd_vector__getBeginSize32Const(g(v), b, size);
        });
    }
    static int32_t getBeginSizeIntPtrConst(const V* v, const T** begin, intptr_t* size) {
        return typedOut(begin, [v, size](const void** b) {
            return cstd_vector__getBeginSizeConst(g(v), b, size);
        });
    }
    static int32_t getElement(V* v, intptr_t index, T** element) {
        return typedOut(element,
                        [v, index](void** e) { return cstd_vector__getElement(g(v), index, e); });
    }
    static int32_t getElementConst(const V* v, intptr_t index, const T** element) {
        return typedOut(element, [v, index](const void** e) {
            return cstd_vector__getElementConst(g(v), index, e);
        });
    }
    static int32_t getNextElement(V* v, T* current, T** next) {
        return typedOut(
            next, [v, current](void** n) { return cstd_vector__getNextElement(g(v), current, n); });
    }
    static int32_t getNextElementConst(const V* v, const T* current, const T** next) {
        return typedOut(next, [v, current](const void** n) {
            return cstd_vector__getNextElementConst(g(v), current, n);
        });
    }

    static int32_t deleteVector(V** pointer) {
        CSTD_ASSERT(pointer);
        if (!*pointer) return 0;
        int32_t status = cstd_vector__destruct(g(*pointer));
        if (status < 0) return status;
        void* memory = *pointer;
        status = csys_memory_free_internal(&memory);
        *pointer = static_cast<V*>(memory);
        return status;
    }
    static int32_t newVector(V** pointer) {
        CSTD_ASSERT(pointer);
        int32_t status = deleteVector(pointer);
        if (status < 0) return status;
        void* memory = nullptr;
        status = csys_memory_alloc_internal(sizeof(V), &memory);
        if (status < 0) return status;
        status = constructEmpty(static_cast<V*>(memory));
        if (status < 0) {
            csys_memory_free_internal(&memory);
            return status;
        }
        *pointer = static_cast<V*>(memory);
        return status;
    }
    static int32_t newClone(V** pointer, const V* source) {
        CSTD_ASSERT(pointer);
        // Cloning a vector into the pointer that holds it would delete the source first; the
        // pointer already holds an equal vector, so there is nothing to do.
        if (source && source == *pointer) return 0;
        if (!source) return deleteVector(pointer);
        int32_t status = newVector(pointer);
        if (status < 0) return status;
        status = cstd_vector__assign(g(*pointer), g(source));
        if (status < 0) deleteVector(pointer);
        return status;
    }

    // Element operations for vectors whose elements are vectors of this family.
    static int32_t elementConstruct(void* e) { return constructEmpty(static_cast<V*>(e)); }
    static int32_t elementCopy(void* d, const void* s) {
        return cstd_vector__constructCopy(g(static_cast<V*>(d)), g(static_cast<const V*>(s)));
    }
    static int32_t elementAssign(void* d, const void* s) {
        return cstd_vector__assign(g(static_cast<V*>(d)), g(static_cast<const V*>(s)));
    }
    static int32_t elementDestruct(void* e) { return cstd_vector__destruct(g(static_cast<V*>(e))); }
    static constexpr cstd_vector_elementOps asElementOps = {elementConstruct, elementCopy,
                                                            elementAssign, elementDestruct};
};

}  // namespace cidut

// Members that share one generic operation are one entry point exported under two names.
#define CSTD_VECTOR_ALIAS_(Name, Target) __attribute__((alias("cstd_vector_" #Name "_" #Target)))

#define CSTD_VECTOR_DEFINE(Name, T, Ops)                                                           \
    namespace {                                                                                    \
    using cstd_vector_##Name##_impl = cidut::typedVector<cstd_vector_##Name, T, Ops>;              \
    }                                                                                              \
    extern "C" {                                                                                   \
    int32_t cstd_vector_##Name##_construct(cstd_vector_##Name* v, intptr_t count) {                \
        return cstd_vector_##Name##_impl::construct(v, count);                                     \
    }                                                                                              \
    int32_t cstd_vector_##Name##_constructWithMtable(cstd_vector_##Name* v, intptr_t count,        \
                                                     const csys_memoryTable* mtable) {             \
        return cstd_vector_##Name##_impl::constructWithMtable(v, count, mtable);                   \
    }                                                                                              \
    int32_t cstd_vector_##Name##_constructEmpty(cstd_vector_##Name* v) {                           \
        return cstd_vector_##Name##_impl::constructEmpty(v);                                       \
    }                                                                                              \
    int32_t cstd_vector_##Name##_constructEmptyWithMtable(cstd_vector_##Name* v,                   \
                                                          const csys_memoryTable* mtable) {        \
        return cstd_vector_##Name##_impl::constructWithMtable(v, 0, mtable);                       \
    }                                                                                              \
    int32_t cstd_vector_##Name##_constructUninit(cstd_vector_##Name* v, intptr_t count) {          \
        return cstd_vector_##Name##_impl::constructUninit(v, count);                               \
    }                                                                                              \
    int32_t cstd_vector_##Name##_constructFill(cstd_vector_##Name* v, intptr_t count,              \
                                               const T* fill) {                                    \
        return cstd_vector_##Name##_impl::constructFill(v, count, fill);                           \
    }                                                                                              \
    int32_t cstd_vector_##Name##_constructFromBlock(cstd_vector_##Name* v, const T* first,         \
                                                    intptr_t count) {                              \
        return cstd_vector_##Name##_impl::constructFromBlock(v, first, count);                     \
    }                                                                                              \
    int32_t cstd_vector_##Name##_constructCopy(cstd_vector_##Name* v,                              \
                                               const cstd_vector_##Name* source) {                 \
        return cstd_vector__constructCopy(cstd_vector_##Name##_impl::g(v),                         \
                                          cstd_vector_##Name##_impl::g(source));                   \
    }                                                                                              \
    int32_t cstd_vector_##Name##_assign(cstd_vector_##Name* v, const cstd_vector_##Name* source) { \
        return cstd_vector__assign(cstd_vector_##Name##_impl::g(v),                                \
                                   cstd_vector_##Name##_impl::g(source));                          \
    }                                                                                              \
    int32_t cstd_vector_##Name##_assignElements(cstd_vector_##Name* v, const T* first,             \
                                                intptr_t count) {                                  \
        return cstd_vector__assignElements(cstd_vector_##Name##_impl::g(v), first, count);         \
    }                                                                                              \
    int32_t cstd_vector_##Name##_destruct(cstd_vector_##Name* v) {                                 \
        return cstd_vector__destruct(cstd_vector_##Name##_impl::g(v));                             \
    }                                                                                              \
    int32_t cstd_vector_##Name##_resize(cstd_vector_##Name* v, intptr_t count) {                   \
        return cstd_vector__resize(cstd_vector_##Name##_impl::g(v), count);                        \
    }                                                                                              \
    int32_t cstd_vector_##Name##_resizeUninit(cstd_vector_##Name* v, intptr_t count) {             \
        return cstd_vector__resizeUninit(cstd_vector_##Name##_impl::g(v), count);                  \
    }                                                                                              \
    int32_t cstd_vector_##Name##_resizeFill(cstd_vector_##Name* v, intptr_t count,                 \
                                            const T* fill) {                                       \
        return cstd_vector__resizeFill(cstd_vector_##Name##_impl::g(v), count, fill);              \
    }                                                                                              \
    int32_t cstd_vector_##Name##_reserve(cstd_vector_##Name* v, intptr_t count) {                  \
        return cstd_vector__reserve(cstd_vector_##Name##_impl::g(v), count);                       \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getSize32(const cstd_vector_##Name* v, int32_t* size) {           \
        return cstd_vector__getSize32(cstd_vector_##Name##_impl::g(v), size);                      \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getSize(const cstd_vector_##Name* v, int32_t* size)               \
        CSTD_VECTOR_ALIAS_(Name, getSize32);                                                       \
    int32_t cstd_vector_##Name##_getSizeIntPtr(const cstd_vector_##Name* v, intptr_t* size) {      \
        return cstd_vector__getSize(cstd_vector_##Name##_impl::g(v), size);                        \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getCapacity(const cstd_vector_##Name* v, intptr_t* capacity) {    \
        return cstd_vector__getCapacity(cstd_vector_##Name##_impl::g(v), capacity);                \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getElementSize(const cstd_vector_##Name* v,                       \
                                                int32_t* elementSize) {                            \
        return cstd_vector__getElementSize(cstd_vector_##Name##_impl::g(v), elementSize);          \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getBeginEnd(cstd_vector_##Name* v, T** begin, T** end) {          \
        return cstd_vector_##Name##_impl::getBeginEnd(v, begin, end);                              \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getBeginEndConst(const cstd_vector_##Name* v, const T** begin,    \
                                                  const T** end) {                                 \
        return cstd_vector_##Name##_impl::getBeginEndConst(v, begin, end);                         \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getBegin(cstd_vector_##Name* v, T** begin) {                      \
        return cstd_vector_##Name##_impl::getBegin(v, begin);                                      \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getBeginConst(const cstd_vector_##Name* v, const T** begin) {     \
        return cstd_vector_##Name##_impl::getBeginConst(v, begin);                                 \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getBeginSize32(cstd_vector_##Name* v, T** begin, int32_t* size) { \
        return cstd_vector_##Name##_impl::getBeginSize32(v, begin, size);                          \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getBeginSize(cstd_vector_##Name* v, T** begin, int32_t* size)     \
        CSTD_VECTOR_ALIAS_(Name, getBeginSize32);                                                  \
    int32_t cstd_vector_##Name##_getBeginSizeIntPtr(cstd_vector_##Name* v, T** begin,              \
                                                    intptr_t* size) {                              \
        return cstd_vector_##Name##_impl::getBeginSizeIntPtr(v, begin, size);                      \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getBeginSize32Const(const cstd_vector_##Name* v, const T** begin, \
                                                     int32_t* size) {                              \
        return cstd_vector_##Name##_impl::getBeginSize32Const(v, begin, size);                     \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getBeginSizeConst(const cstd_vector_##Name* v, const T** begin,   \
                                                   int32_t* size)                                  \
        CSTD_VECTOR_ALIAS_(Name, getBeginSize32Const);                                             \
    int32_t cstd_vector_##Name##_getBeginSizeIntPtrConst(const cstd_vector_##Name* v,              \
                                                         const T** begin, intptr_t* size) {        \
        return cstd_vector_##Name##_impl::getBeginSizeIntPtrConst(v, begin, size);                 \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getElement(cstd_vector_##Name* v, intptr_t index, T** element) {  \
        return cstd_vector_##Name##_impl::getElement(v, index, element);                           \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getElementConst(const cstd_vector_##Name* v, intptr_t index,      \
                                                 const T** element) {                              \
        return cstd_vector_##Name##_impl::getElementConst(v, index, element);                      \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getNextElement(cstd_vector_##Name* v, T* current, T** next) {     \
        return cstd_vector_##Name##_impl::getNextElement(v, current, next);                        \
    }                                                                                              \
    int32_t cstd_vector_##Name##_getNextElementConst(const cstd_vector_##Name* v,                  \
                                                     const T* current, const T** next) {           \
        return cstd_vector_##Name##_impl::getNextElementConst(v, current, next);                   \
    }                                                                                              \
    int32_t cstd_vector_##Name##_insert(cstd_vector_##Name* v, T* position, const T* first,        \
                                        intptr_t count) {                                          \
        return cstd_vector__insert(cstd_vector_##Name##_impl::g(v), position, first, count);       \
    }                                                                                              \
    int32_t cstd_vector_##Name##_insertElement(cstd_vector_##Name* v, T* position,                 \
                                               const T* element) {                                 \
        return cstd_vector__insertElement(cstd_vector_##Name##_impl::g(v), position, element);     \
    }                                                                                              \
    int32_t cstd_vector_##Name##_erase(cstd_vector_##Name* v, T* first, intptr_t count) {          \
        return cstd_vector__erase(cstd_vector_##Name##_impl::g(v), first, count);                  \
    }                                                                                              \
    int32_t cstd_vector_##Name##_eraseElement(cstd_vector_##Name* v, T* position) {                \
        return cstd_vector__eraseElement(cstd_vector_##Name##_impl::g(v), position);               \
    }                                                                                              \
    int32_t cstd_vector_##Name##_pushBack(cstd_vector_##Name* v, const T* element) {               \
        return cstd_vector__pushBack(cstd_vector_##Name##_impl::g(v), element);                    \
    }                                                                                              \
    int32_t cstd_vector_##Name##_popBack(cstd_vector_##Name* v) {                                  \
        return cstd_vector__popBack(cstd_vector_##Name##_impl::g(v));                              \
    }                                                                                              \
    int32_t cstd_vector_##Name##_clear(cstd_vector_##Name* v) {                                    \
        return cstd_vector__clear(cstd_vector_##Name##_impl::g(v));                                \
    }                                                                                              \
    int32_t cstd_vector_##Name##_clearAndFreeMemory(cstd_vector_##Name* v) {                       \
        return cstd_vector__clearAndFreeMemory(cstd_vector_##Name##_impl::g(v));                   \
    }                                                                                              \
    int32_t cstd_vector_##Name##_append(cstd_vector_##Name* v, const cstd_vector_##Name* source) { \
        return cstd_vector__append(cstd_vector_##Name##_impl::g(v),                                \
                                   cstd_vector_##Name##_impl::g(source));                          \
    }                                                                                              \
    int32_t cstd_vector_##Name##_swap(cstd_vector_##Name* v, cstd_vector_##Name* other) {          \
        return cstd_vector__swap(cstd_vector_##Name##_impl::g(v),                                  \
                                 cstd_vector_##Name##_impl::g(other));                             \
    }                                                                                              \
    int32_t cstd_vector_##Name##_new(cstd_vector_##Name** v) {                                     \
        return cstd_vector_##Name##_impl::newVector(v);                                            \
    }                                                                                              \
    int32_t cstd_vector_##Name##_newClone(cstd_vector_##Name** v,                                  \
                                          const cstd_vector_##Name* source) {                      \
        return cstd_vector_##Name##_impl::newClone(v, source);                                     \
    }                                                                                              \
    int32_t cstd_vector_##Name##_delete(cstd_vector_##Name** v) {                                  \
        return cstd_vector_##Name##_impl::deleteVector(v);                                         \
    }                                                                                              \
    }                                                                                              \
    CSYS_TYPECHECK_DEFINE(cstd_vector_##Name)
