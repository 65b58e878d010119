// Helpers shared by the test suites: precondition violations as exceptions, and an allocator
// that counts and can be told to fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "ci_id/platform/csys_memory.h"

namespace cid_test {

// Thrown by the assertion handler that every test program installs.
struct preconditionViolation : std::runtime_error {
    preconditionViolation(const char* file, int32_t line)
        : std::runtime_error(std::string("precondition at ") + (file ? file : "?") + ":" +
                             std::to_string(line)),
          line(line) {}
    int32_t line;
};

void installThrowingAssertHandler();

// Installs itself as the process-wide allocator for its lifetime. Counts blocks handed out and
// returned; failAfter(n) lets n more allocations succeed and fails every one after them.
class countingAllocator {
public:
    countingAllocator();
    ~countingAllocator();
    countingAllocator(const countingAllocator&) = delete;
    countingAllocator& operator=(const countingAllocator&) = delete;

    void failAfter(long allowed) { remaining_ = allowed; }
    void neverFail() { remaining_ = -1; }
    long allocations() const { return allocations_; }
    long frees() const { return frees_; }
    long live() const { return allocations_ - frees_; }
    long failures() const { return failures_; }

private:
    static void* alloc(void* context, size_t bytes, size_t alignment);
    static void release(void* context, void* block);

    csys_allocator record_;
    const csys_allocator* previous_;
    long remaining_ = -1;
    long allocations_ = 0;
    long frees_ = 0;
    long failures_ = 0;
};

}  // namespace cid_test

#define EXPECT_PRECONDITION(statement) EXPECT_THROW(statement, cid_test::preconditionViolation)
