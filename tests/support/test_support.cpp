#include "test_support.h"

#include "ci_id/platform/csys_assert.h"

namespace cid_test {

namespace {
void throwingHandler(const char* file, int32_t line) { throw preconditionViolation(file, line); }
}  // namespace

void installThrowingAssertHandler() { cstd_assert_setHandler(&throwingHandler); }

countingAllocator::countingAllocator()
    : record_{&countingAllocator::alloc, &countingAllocator::release, this},
      previous_(csys_memory_setAllocator(&record_)) {}

countingAllocator::~countingAllocator() { csys_memory_setAllocator(previous_); }

void* countingAllocator::alloc(void* context, size_t bytes, size_t alignment) {
    auto* self = static_cast<countingAllocator*>(context);
    if (self->remaining_ == 0) {
        ++self->failures_;
        return nullptr;
    }
    if (self->remaining_ > 0) --self->remaining_;
    void* block = self->previous_->alloc(self->previous_->context, bytes, alignment);
    if (block) ++self->allocations_;
    return block;
}

void countingAllocator::release(void* context, void* block) {
    auto* self = static_cast<countingAllocator*>(context);
    ++self->frees_;
    self->previous_->free(self->previous_->context, block);
}

}  // namespace cid_test
