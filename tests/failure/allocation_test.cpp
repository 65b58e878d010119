// Failing allocations: every row whose valid call allocates runs again with the allocator failing
// at its first, second, ... allocation until the call succeeds. Each failing run returns the
// out-of-memory status (or the row's own, such as a full edge list), throws nothing, leaks
// nothing and leaves untouched what the contracts keep: image, code, mask, vector and edge-list
// outputs, the row buffer of the running extrema.
#include "failure_table.h"

namespace {

template <class T>
std::string bytes(const T* first, size_t count = 1) {
    return std::string(reinterpret_cast<const char*>(first), count * sizeof(T));
}

std::string untouched(const cid_fail::scene& f) {
    const cidc_peakIDFixedX_4* peaks = nullptr;
    const cid_region* regions = nullptr;
    int32_t peakCount = 0, regionCount = 0;
    cstd_vector_cidc_peakIDFixedX_4_getBeginSizeConst(&f.peaks, &peaks, &peakCount);
    cstd_vector_cid_region_getBeginSizeConst(&f.mask2.regions, &regions, &regionCount);
    const cimg_imageConst& painted = f.mask2.image.asConst;
    return bytes(&f.o) + bytes(&f.o2) + bytes(&f.code2) + bytes(&f.mask3) + bytes(&f.block) +
           bytes(&f.t8) + bytes(peaks, size_t(peakCount)) + bytes(regions, size_t(regionCount)) +
           bytes(painted.pixels, size_t(painted.pitch * painted.height)) +
           bytes(f.counts.begin(), f.counts.size()) + bytes(f.b, 16) + bytes(f.cw + 8, 8) +
           bytes(&f.noEdges) + bytes(&f.noChains) + std::to_string(csEdgeListLen(f.edges)) + "/" +
           std::to_string(csEdgeChainListLen(f.chains));
}

// Runs the row with the allocator failing after `allowed` allocations; false once the call
// needed no more than that.
bool failsAfter(const cid_fail::entry& e, long allowed) {
    SCOPED_TRACE("allocations allowed: " + std::to_string(allowed));
    cid_test::countingAllocator counter;
    int32_t status = 0;
    long failures = 0;
    {
        cid_fail::scene f;
        cid_fail::call run = e.make(f);
        const std::string before = untouched(f);
        counter.failAfter(allowed);
        EXPECT_NO_THROW(status = run(-1));
        failures = counter.failures();
        counter.neverFail();
        EXPECT_TRUE(failures == 0 || untouched(f) == before) << "outputs changed";
    }
    EXPECT_EQ(counter.live(), 0) << "leak";
    const bool outOfMemory = status == CSYS_STATUS_OUT_OF_MEMORY || status == e.outOfMemory;
    EXPECT_TRUE(failures ? outOfMemory : e.gives ? status == e.gives : status >= 0) << status;
    return failures > 0;
}

TEST(FailingAllocations, EveryAllocatingRowFailsCleanly) {
    int allocating = 0;
    for (const cid_fail::entry& e : cid_fail::entries()) {
        if (e.broken) continue;
        SCOPED_TRACE(e.name);
        long allowed = 0;
        while (failsAfter(e, allowed) && allowed < 1000) ++allowed;
        allocating += allowed > 0;
    }
    EXPECT_GE(allocating, 94);  // as many as the table held when it was written
}

}  // namespace
