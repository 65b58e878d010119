/* cxObject, the root of the system library's container classes, and cxVector<T>, its growable
 * array of plain (trivially copyable) elements.
 *
 * Storage comes from the process-wide allocator (csys_memory.h). Operations that may need memory
 * return a status (CSYS_STATUS_OUT_OF_MEMORY, CSYS_STATUS_SIZE_OUT_OF_RANGE) and leave the vector
 * unchanged on failure; that is why copies are made with assign() and the copy constructor and
 * copy assignment do not exist. An index out of range is a precondition violation. */
#ifndef CI_ID_CX_VECTOR_H
#define CI_ID_CX_VECTOR_H

#ifdef __cplusplus
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <type_traits>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_memory.h"

/* No virtual members: containers built on it stay plain, and are never deleted through it. */
class cxObject {
protected:
    cxObject() = default;
    ~cxObject() = default;
};

template <typename T>
class cxVector : public cxObject {
    static_assert(std::is_trivially_copyable<T>::value, "cxVector holds plain elements");

public:
    cxVector() = default;
    ~cxVector() { release(); }
    cxVector(const cxVector&) = delete;
    cxVector& operator=(const cxVector&) = delete;
    /* Moves take the contents and leave the source empty; they cannot fail. */
    cxVector(cxVector&& other) noexcept { swap(other); }
    cxVector& operator=(cxVector&& other) noexcept {
        if (&other != this) {
            release();
            swap(other);
        }
        return *this;
    }

    size_t size() const { return static_cast<size_t>(end_ - begin_); }
    bool empty() const { return end_ == begin_; }
    T& operator[](size_t index) {
        CSTD_ASSERT(index < size());
        return begin_[index];
    }
    const T& operator[](size_t index) const {
        CSTD_ASSERT(index < size());
        return begin_[index];
    }
    T* begin() { return begin_; }
    T* end() { return end_; }
    const T* begin() const { return begin_; }
    const T* end() const { return end_; }

    /* Makes this a copy of source. */
    int32_t assign(const cxVector& source) {
        if (&source == this) return 0;
        int32_t status = reserve(source.size());
        if (status < 0) return status;
        if (!source.empty()) memcpy(begin_, source.begin_, source.size() * sizeof(T));
        end_ = begin_ + source.size();
        return 0;
    }
    /* Grows or shrinks to count elements; new elements are copies of fill. */
    int32_t resize(size_t count, const T& fill) {
        int32_t status = reserve(count);
        if (status < 0) return status;
        for (T* p = end_; p < begin_ + count; ++p) *p = fill;
        end_ = begin_ + count;
        return 0;
    }
    int32_t pushBack(const T& value) {
        T copy = value;  // value may be one of the elements that growing moves
        if (end_ == capacityEnd_) {
            int32_t status = reserve(size() ? 2 * size() : 4);
            if (status < 0) return status;
        }
        *end_++ = copy;
        return 0;
    }
    /* Removes every element and keeps the memory. */
    void clear() { end_ = begin_; }
    void swap(cxVector& other) {
        T* b = begin_;
        T* e = end_;
        T* c = capacityEnd_;
        begin_ = other.begin_;
        end_ = other.end_;
        capacityEnd_ = other.capacityEnd_;
        other.begin_ = b;
        other.end_ = e;
        other.capacityEnd_ = c;
    }

private:
    int32_t reserve(size_t count) {
        if (count <= static_cast<size_t>(capacityEnd_ - begin_)) return 0;
        void* block = nullptr;
        int32_t status = csys_memory_allocArray_internal(count, sizeof(T), &block);
        if (status < 0) return status;
        T* fresh = static_cast<T*>(block);
        size_t kept = size();
        if (kept) memcpy(fresh, begin_, kept * sizeof(T));
        release();
        begin_ = fresh;
        end_ = fresh + kept;
        capacityEnd_ = fresh + count;
        return 0;
    }
    void release() {
        void* block = begin_;
        csys_memory_free_internal(&block);
        begin_ = end_ = capacityEnd_ = nullptr;
    }

    T* begin_ = nullptr;
    T* end_ = nullptr;
    T* capacityEnd_ = nullptr;
};
#endif

#endif
