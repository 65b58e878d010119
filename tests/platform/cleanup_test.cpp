// Cleanup scopes: scratch released on every exit, outputs only on failure, statuses unchanged.
#include <gtest/gtest.h>

#include <string>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_status.h"
#include "test_support.h"

namespace {

std::string releaseLog;

struct tracked {
    char name;
    int32_t releaseStatus;
};

int32_t releaseTracked(void* object) {
    auto* t = static_cast<tracked*>(object);
    releaseLog += t->name;
    return t->releaseStatus;
}

TEST(CleanupC, ScratchAlwaysOutputsOnlyOnFailureInReverseOrder) {
    tracked a{'a', 0}, b{'b', 0}, c{'c', 0};
    for (int32_t status : {0, 5, -7}) {
        releaseLog.clear();
        csys_cleanupEntry entries[4];
        int32_t count = 0;
        uint32_t tag = csys_cleanup_getNextTag();
        csys_cleanup_add_(entries, 4, &count, 1, CSYS_CLEANUP_SCRATCH, &a, &releaseTracked);
        csys_cleanup_add_(entries, 4, &count, 2, CSYS_CLEANUP_OUTPUT, &b, &releaseTracked);
        csys_cleanup_add_(entries, 4, &count, 3, CSYS_CLEANUP_SCRATCH, &c, &releaseTracked);
        int32_t result = status;
        EXPECT_EQ(csys_cleanupExecute_(entries, &count, &result, tag), status);
        EXPECT_EQ(result, status);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(releaseLog, status < 0 ? "cab" : "ca");
    }
}

TEST(CleanupC, FailingReleaseTurnsSuccessIntoFailureAndReleasesOutputs) {
    releaseLog.clear();
    tracked output{'o', 0}, bad{'x', -3};
    csys_cleanupEntry entries[2];
    int32_t count = 0;
    csys_cleanup_add_(entries, 2, &count, 1, CSYS_CLEANUP_OUTPUT, &output, &releaseTracked);
    csys_cleanup_add_(entries, 2, &count, 2, CSYS_CLEANUP_SCRATCH, &bad, &releaseTracked);
    int32_t status = 0;
    EXPECT_EQ(csys_cleanupExecute_(entries, &count, &status, csys_cleanup_getNextTag()), -3);
    EXPECT_EQ(releaseLog, "xo");
    // An earlier failure is kept, not replaced by the release's.
    releaseLog.clear();
    csys_cleanup_add_(entries, 2, &count, 1, CSYS_CLEANUP_SCRATCH, &bad, &releaseTracked);
    status = -9;
    EXPECT_EQ(csys_cleanupExecute_(entries, &count, &status, csys_cleanup_getNextTag()), -9);
}

TEST(CleanupC, DoIdReleasesOneEntryEarly) {
    releaseLog.clear();
    tracked a{'a', 0}, b{'b', 0};
    csys_cleanupEntry entries[2];
    int32_t count = 0;
    csys_cleanup_add_(entries, 2, &count, 10, CSYS_CLEANUP_OUTPUT, &a, &releaseTracked);
    csys_cleanup_add_(entries, 2, &count, 11, CSYS_CLEANUP_SCRATCH, &b, &releaseTracked);
    int32_t status = 0;
    EXPECT_EQ(csys_cleanup_doId_(entries, &count, &status, 10), 0);
    EXPECT_EQ(releaseLog, "a");
    EXPECT_EQ(count, 1);
    status = -1;
    csys_cleanupExecute_(entries, &count, &status, csys_cleanup_getNextTag());
    EXPECT_EQ(releaseLog, "ab");  // a is not released twice
    EXPECT_PRECONDITION(csys_cleanup_doId_(entries, &count, &status, 99));
}

TEST(CleanupC, CapacityAndTagsAreChecked) {
    tracked a{'a', 0};
    csys_cleanupEntry entries[1];
    int32_t count = 0;
    csys_cleanup_add_(entries, 1, &count, 1, CSYS_CLEANUP_SCRATCH, &a, &releaseTracked);
    EXPECT_PRECONDITION(
        csys_cleanup_add_(entries, 1, &count, 2, CSYS_CLEANUP_SCRATCH, &a, &releaseTracked));
    EXPECT_EQ(count, 1);
    int32_t status = 0;
    EXPECT_PRECONDITION(csys_cleanupExecute_(entries, &count, &status, 0));
    uint32_t first = csys_cleanup_getNextTag();
    EXPECT_NE(first, 0u);
    EXPECT_NE(csys_cleanup_getNextTag(), first);
}

// A function in the library's style: one scratch buffer, one output buffer handed to the caller.
int32_t makeOutput(void** output, int32_t failAt, bool throwInside) {
    csys::cleanupScope<4> scope;
    void* scratch = nullptr;
    int32_t status = csys_memory_alloc_internal(64, &scratch);
    if (status < 0) return status;
    scope.scratch<csys_memory_free_internal>(&scratch);
    status = csys_memory_alloc_internal(32, output);
    if (status < 0) return status;
    scope.output<csys_memory_free_internal>(output);
    if (throwInside) cstd_assert_(__LINE__);
    if (failAt == 1) return -5;
    return scope.close(status);
}

TEST(CleanupScope, ReleasesScratchAlwaysAndOutputsOnlyOnFailure) {
    cid_test::countingAllocator counter;
    void* output = nullptr;
    EXPECT_EQ(makeOutput(&output, 0, false), 0);
    EXPECT_NE(output, nullptr);
    EXPECT_EQ(counter.live(), 1);  // only the output survives
    csys_memory_free_internal(&output);

    EXPECT_EQ(makeOutput(&output, 1, false), -5);
    EXPECT_EQ(output, nullptr);
    EXPECT_EQ(counter.live(), 0);

    EXPECT_PRECONDITION(makeOutput(&output, 0, true));
    EXPECT_EQ(output, nullptr);
    EXPECT_EQ(counter.live(), 0);

    for (long allowed = 0; allowed < 2; ++allowed) {
        counter.failAfter(allowed);
        EXPECT_EQ(makeOutput(&output, 0, false), CSYS_STATUS_OUT_OF_MEMORY);
        EXPECT_EQ(output, nullptr);
        EXPECT_EQ(counter.live(), 0);
    }
}

TEST(CleanupScope, ReleaseNowFreesEarly) {
    cid_test::countingAllocator counter;
    csys::cleanupScope<2> scope;
    void* block = nullptr;
    csys_memory_alloc_internal(8, &block);
    int32_t id = scope.scratch<csys_memory_free_internal>(&block);
    EXPECT_EQ(scope.releaseNow(id, 3), 3);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(counter.live(), 0);
    EXPECT_EQ(scope.close(0), 0);
}

}  // namespace
