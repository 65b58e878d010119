// The typed-vector generator over an element type whose operations are counted and can fail:
// every element is constructed once and destructed once, and copies and assignments happen
// exactly as often as the operation needs. Each element carries an identity that survives the
// bitwise relocation the vector does when it grows or shifts.
#include <gtest/gtest.h>

#include <set>

#include "ci_id/platform/csys_status.h"
#include "ci_id/priv/ci_idut/containers/typed_vector.h"
#include "test_support.h"

namespace {

struct tracked {
    int identity;
    int value;
};

struct opCounts {
    int constructs = 0, copies = 0, assigns = 0, destructs = 0;
    int failCopyAt = -1;  // the copy with this number fails
    int nextIdentity = 1;
    std::set<int> live;
};
opCounts counts;

void born(tracked* e) {
    e->identity = counts.nextIdentity++;
    counts.live.insert(e->identity);
}

int32_t constructTracked(void* e) {
    ++counts.constructs;
    born(static_cast<tracked*>(e));
    static_cast<tracked*>(e)->value = -1;
    return 0;
}
int32_t copyTracked(void* d, const void* s) {
    const auto* source = static_cast<const tracked*>(s);
    EXPECT_EQ(counts.live.count(source->identity), 1u) << "copy from a dead element";
    if (counts.copies++ == counts.failCopyAt) return -77;
    born(static_cast<tracked*>(d));
    static_cast<tracked*>(d)->value = source->value;
    return 0;
}
int32_t assignTracked(void* d, const void* s) {
    auto* destination = static_cast<tracked*>(d);
    const auto* source = static_cast<const tracked*>(s);
    EXPECT_EQ(counts.live.count(destination->identity), 1u) << "assignment to a dead element";
    EXPECT_EQ(counts.live.count(source->identity), 1u);
    ++counts.assigns;
    destination->value = source->value;
    return 0;
}
int32_t destructTracked(void* e) {
    EXPECT_EQ(counts.live.erase(static_cast<tracked*>(e)->identity), 1u)
        << "destructed a dead element";
    ++counts.destructs;
    return 0;
}

const cstd_vector_elementOps trackedOps = {constructTracked, copyTracked, assignTracked,
                                           destructTracked};

}  // namespace

CSTD_VECTOR_DECLARE(test_tracked, tracked)
CSTD_VECTOR_DEFINE(test_tracked, tracked, &trackedOps)

namespace {

class GeneratedVector : public testing::Test {
protected:
    void SetUp() override { counts = opCounts{}; }
    void TearDown() override { EXPECT_TRUE(counts.live.empty()) << "elements leaked"; }
};

TEST_F(GeneratedVector, ConstructionCopyAndAssignmentCountsAreExact) {
    cstd_vector_test_tracked a, b, three;
    ASSERT_EQ(cstd_vector_test_tracked_construct(&a, 5), 0);
    EXPECT_EQ(counts.constructs, 5);
    ASSERT_EQ(cstd_vector_test_tracked_constructCopy(&b, &a), 0);
    EXPECT_EQ(counts.copies, 5);
    EXPECT_EQ(counts.live.size(), 10u);

    tracked fill{0, 7};
    born(&fill);
    cstd_vector_test_tracked_constructFill(&three, 3, &fill);
    counts.live.erase(fill.identity);

    // 3 elements assigned over 5: 3 assignments and 2 destructions, no copies.
    counts.copies = counts.assigns = counts.destructs = 0;
    ASSERT_EQ(cstd_vector_test_tracked_assign(&b, &three), 0);
    EXPECT_EQ(counts.assigns, 3);
    EXPECT_EQ(counts.destructs, 2);
    EXPECT_EQ(counts.copies, 0);

    // 5 over 3: 3 assignments and 2 copies.
    counts.assigns = counts.copies = counts.destructs = 0;
    ASSERT_EQ(cstd_vector_test_tracked_assign(&b, &a), 0);
    EXPECT_EQ(counts.assigns, 3);
    EXPECT_EQ(counts.copies, 2);
    EXPECT_EQ(counts.destructs, 0);

    counts.destructs = 0;
    cstd_vector_test_tracked_destruct(&a);
    cstd_vector_test_tracked_destruct(&b);
    cstd_vector_test_tracked_destruct(&three);
    EXPECT_EQ(counts.destructs, 13);
}

TEST_F(GeneratedVector, FailingCopyUndoesTheElementsItBuilt) {
    cstd_vector_test_tracked source, copy, target;
    cstd_vector_test_tracked_construct(&source, 6);
    counts.failCopyAt = 3;
    EXPECT_EQ(cstd_vector_test_tracked_constructCopy(&copy, &source), -77);
    EXPECT_EQ(counts.live.size(), 6u);  // the three copies made were destructed again

    cstd_vector_test_tracked_construct(&target, 2);
    tracked* from = nullptr;
    tracked* at = nullptr;
    cstd_vector_test_tracked_getBegin(&source, &from);
    cstd_vector_test_tracked_getBegin(&target, &at);
    at[0].value = 10;
    at[1].value = 11;
    counts.copies = 0;
    counts.failCopyAt = 2;
    EXPECT_EQ(cstd_vector_test_tracked_insert(&target, at + 1, from, 3), -77);
    int32_t size = 0;
    cstd_vector_test_tracked_getBeginSize32(&target, &at, &size);
    ASSERT_EQ(size, 2);
    EXPECT_EQ(at[0].value, 10);  // the tail moved back in place
    EXPECT_EQ(at[1].value, 11);
    EXPECT_EQ(counts.live.size(), 8u);
    counts.failCopyAt = -1;
    cstd_vector_test_tracked_destruct(&target);
    cstd_vector_test_tracked_destruct(&source);
}

TEST_F(GeneratedVector, EraseAndResizeDestructExactlyTheRemovedElements) {
    cstd_vector_test_tracked v;
    cstd_vector_test_tracked_construct(&v, 10);
    tracked* begin = nullptr;
    cstd_vector_test_tracked_getBegin(&v, &begin);
    for (int i = 0; i < 10; ++i) begin[i].value = i;
    ASSERT_EQ(cstd_vector_test_tracked_erase(&v, begin + 2, 3), 0);
    EXPECT_EQ(counts.destructs, 3);
    EXPECT_EQ(begin[2].value, 5);
    ASSERT_EQ(cstd_vector_test_tracked_resize(&v, 4), 0);
    EXPECT_EQ(counts.destructs, 6);
    // Uninit growth still constructs elements of a type that has a constructor.
    ASSERT_EQ(cstd_vector_test_tracked_resizeUninit(&v, 9), 0);
    EXPECT_EQ(counts.constructs, 15);
    // Pushing an element of the vector itself while it grows copies it before the move.
    for (int i = 0; i < 20; ++i) {
        cstd_vector_test_tracked_getBegin(&v, &begin);
        ASSERT_EQ(cstd_vector_test_tracked_pushBack(&v, begin), 0);
    }
    EXPECT_EQ(counts.live.size(), 29u);
    cstd_vector_test_tracked_destruct(&v);
}

}  // namespace
