// Assertions, memory, integer rectangles, the exception object and the timer.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "ci_id/platform/cstd_rect32.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/platform/cx_exception.h"
#include "ci_id/platform/cx_timer.h"
#include "test_support.h"

namespace {

const char* lastFile = nullptr;
int32_t lastLine = 0;
void recordingHandler(const char* file, int32_t line) {
    lastFile = file;
    lastLine = line;
    throw cid_test::preconditionViolation(file, line);
}

TEST(Assert, HandlerReceivesLocationAndCanBeSwapped) {
    cstd_assertHandler previous = cstd_assert_setHandler(&recordingHandler);
    EXPECT_THROW(cstd_assert_(42), cid_test::preconditionViolation);
    EXPECT_EQ(lastLine, 42);
    EXPECT_EQ(lastFile, nullptr);
    EXPECT_THROW(CSTD_ASSERT(1 + 1 == 3), cid_test::preconditionViolation);
    EXPECT_NE(lastFile, nullptr);
    EXPECT_NE(std::strstr(lastFile, "sys_test.cpp"), nullptr);
    EXPECT_EQ(cstd_assert_setHandler(previous), &recordingHandler);
}

TEST(Assert, NullRestoresTheDefaultHandler) {
    cstd_assertHandler previous = cstd_assert_setHandler(nullptr);
    cstd_assertHandler fallback = cstd_assert_setHandler(previous);
    EXPECT_NE(fallback, nullptr);
    EXPECT_NE(fallback, previous);
}

TEST(Memory, BlocksAreAlignedDistinctAndReleased) {
    cid_test::countingAllocator counter;
    void* a = nullptr;
    void* b = nullptr;
    ASSERT_EQ(csys_memory_alloc_internal(0, &a), 0);
    ASSERT_EQ(csys_memory_allocCacheAligned_internal(100, &b), 0);
    EXPECT_NE(a, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 64, 0u);
    EXPECT_EQ(counter.live(), 2);
    EXPECT_EQ(csys_memory_free_internal(&a), 0);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(csys_memory_free_internal(&a), 0);  // null is accepted
    csys_memory_free_internal(&b);
    EXPECT_EQ(counter.live(), 0);
}

TEST(Memory, ClearVariantsZeroFill) {
    void* block = nullptr;
    ASSERT_EQ(csys_memory_allocClear_internal(4096, &block), 0);
    std::vector<unsigned char> zeros(4096, 0);
    EXPECT_EQ(std::memcmp(block, zeros.data(), zeros.size()), 0);
    csys_memory_free_internal(&block);
    ASSERT_EQ(csys_memory_allocArray_internal(100, 8, &block), 0);
    EXPECT_EQ(std::memcmp(block, zeros.data(), 800), 0);
    csys_memory_free_internal(&block);
}

TEST(Memory, OverflowingSizesAreRefusedWithoutAllocating) {
    cid_test::countingAllocator counter;
    void* block = reinterpret_cast<void*>(0x1);
    size_t huge = std::numeric_limits<size_t>::max() / 2 + 2;
    EXPECT_EQ(csys_memory_allocArray_internal(huge, 2, &block), CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(counter.allocations() + counter.failures(), 0);
    size_t product = 7;
    EXPECT_EQ(csys_size_multiply(huge, 2, &product), CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(product, 7u);
    EXPECT_EQ(csys_size_multiply(1u << 20, 1u << 20, &product), 0);
    EXPECT_EQ(product, size_t{1} << 40);
}

TEST(Memory, AllocatorFailureGivesStatusAndNullPointer) {
    cid_test::countingAllocator counter;
    counter.failAfter(0);
    void* block = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(csys_memory_alloc_internal(16, &block), CSYS_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(counter.failures(), 1);
}

TEST(Memory, FillAndOverlappingCopy) {
    unsigned char bytes[16];
    EXPECT_EQ(csys_memory_fill(0x1AB, sizeof bytes, bytes), 0);
    for (unsigned char b : bytes) EXPECT_EQ(b, 0xAB);
    for (int i = 0; i < 16; ++i) bytes[i] = static_cast<unsigned char>(i);
    EXPECT_EQ(csys_memory_copy(8, bytes + 2, bytes), 0);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(bytes[i + 2], i);
}

TEST(Memory, PreconditionsComeBeforeAnyAllocation) {
    cid_test::countingAllocator counter;
    EXPECT_PRECONDITION(csys_memory_alloc_internal(16, nullptr));
    EXPECT_PRECONDITION(csys_memory_free_internal(nullptr));
    EXPECT_PRECONDITION(csys_memory_copy(4, nullptr, "abc"));
    EXPECT_EQ(counter.allocations() + counter.failures(), 0);
}

TEST(Rect32, IntersectionAndNullness) {
    cstd_rect32 a{0, 0, 10, 10}, b{5, -3, 10, 6}, out{};
    EXPECT_EQ(cstd_rect32_intersect(&a, &b, &out), 0);
    EXPECT_EQ(out.x, 5);
    EXPECT_EQ(out.y, 0);
    EXPECT_EQ(out.width, 5);
    EXPECT_EQ(out.height, 3);
    cstd_rect32 far{20, 20, 5, 5};
    cstd_rect32_intersect(&a, &far, &out);
    int32_t isNull = 0;
    cstd_rect32_getIsNull(&out, &isNull);
    EXPECT_EQ(isNull, 1);
    cstd_rect32 touching{10, 0, 5, 5};  // shares only an edge line, no pixel
    cstd_rect32_intersect(&a, &touching, &out);
    cstd_rect32_getIsNull(&out, &isNull);
    EXPECT_EQ(isNull, 1);
}

TEST(Rect32, ContainmentIsExactNearTheIntegerLimits) {
    const int32_t big = std::numeric_limits<int32_t>::max();
    cstd_rect32 outer{big - 100, 0, 100, 10};
    cstd_rect32 inner{big - 10, 0, 10, 10};
    cstd_rect32 sticksOut{big - 10, 0, 11, 10};
    int32_t contains = -1;
    cstd_rect32_containsRect(&outer, &inner, &contains);
    EXPECT_EQ(contains, 1);
    cstd_rect32_containsRect(&outer, &sticksOut, &contains);
    EXPECT_EQ(contains, 0);
    cstd_rect32 empty{5, 5, 0, 3};
    cstd_rect32_containsRect(&outer, &empty, &contains);
    EXPECT_EQ(contains, 1);
    cstd_rect32 huge{-big, -big, big, big};
    cstd_rect32 out{};
    cstd_rect32_intersect(&huge, &outer, &out);
    cstd_rect32_getIsNull(&out, &contains);
    EXPECT_EQ(contains, 1);
}

TEST(Exception, CarriesStatusMessageAndLocation) {
    try {
        throw cxException(static_cast<int32_t>(0x80000846u), L"start > end", "src/x.cpp", 12);
    } catch (const cxException& e) {
        EXPECT_EQ(static_cast<uint32_t>(e.code()), 0x80000846u);
        EXPECT_EQ(e.message(), L"start > end");
        EXPECT_EQ(e.file(), "src/x.cpp");
        EXPECT_EQ(e.line(), 12);
        EXPECT_STREQ(e.what(), "status 0x80000846: start > end (src/x.cpp:12)");
    }
    cxException plain(-1, nullptr);
    EXPECT_TRUE(plain.message().empty());
    EXPECT_STREQ(plain.what(), "status 0xFFFFFFFF");
}

TEST(Timer, MeasuresOnlyWhileRunning) {
    cxTimer timer(false, false);
    EXPECT_EQ(timer.msec(), 0.0);
    timer.start();
    volatile double sink = 0;
    for (int i = 0; i < 100000; ++i) sink = sink + i;
    timer.stop();
    double first = timer.msec();
    EXPECT_GT(first, 0.0);
    EXPECT_EQ(timer.msec(), first);  // stopped: no longer grows
    cxTimer accumulating(true, true);
    accumulating.stop();
    double once = accumulating.msec();
    accumulating.start();
    accumulating.stop();
    EXPECT_GE(accumulating.msec(), once);
}

}  // namespace
