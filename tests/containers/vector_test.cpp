// Typed vectors through the exported families of peaks and vectors of peaks.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "ci_id/peak.h"
#include "ci_id/platform/csys_status.h"
#include "test_support.h"

namespace {

using peakVector = cstd_vector_cidc_peakIDFixedX_4;
using peakVectors = cstd_vector_vector_cidc_peakIDFixedX_4;

cidc_peakIDFixedX_4 peak(int64_t position) {
    cidc_peakIDFixedX_4 p{};
    p.position = position;
    p.strength = static_cast<int32_t>(position * 3);
    return p;
}

std::vector<int64_t> positions(peakVector* v) {
    cidc_peakIDFixedX_4* begin = nullptr;
    int32_t size = 0;
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_getBeginSize32(v, &begin, &size), 0);
    std::vector<int64_t> out;
    for (int32_t i = 0; i < size; ++i) out.push_back(begin[i].position);
    return out;
}

// Random operations applied to a typed vector and to std::vector must agree at every step.
TEST(TypedVector, RandomOperationsMatchStdVector) {
    std::mt19937 rng(1);
    peakVector v;
    ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&v), 0);
    std::vector<int64_t> model;
    for (int step = 0; step < 3000; ++step) {
        int64_t value = static_cast<int64_t>(rng() % 1000);
        cidc_peakIDFixedX_4* begin = nullptr;
        cstd_vector_cidc_peakIDFixedX_4_getBegin(&v, &begin);
        size_t index = model.empty() ? 0 : rng() % (model.size() + 1);
        switch (rng() % 7) {
            case 0:
            case 1: {
                cidc_peakIDFixedX_4 p = peak(value);
                ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_pushBack(&v, &p), 0);
                model.push_back(value);
                break;
            }
            case 2: {
                cidc_peakIDFixedX_4 p = peak(value);
                ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_insertElement(&v, begin + index, &p), 0);
                model.insert(model.begin() + index, value);
                break;
            }
            case 3:
                if (index < model.size()) {
                    ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_eraseElement(&v, begin + index), 0);
                    model.erase(model.begin() + index);
                }
                break;
            case 4: {
                // Insert a copy of part of the vector into itself, possibly while it grows.
                size_t count = model.empty() ? 0 : rng() % (model.size() - index + 1);
                if (index + count > model.size()) count = 0;
                ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_insert(&v, begin + index, begin + index,
                                                                 static_cast<intptr_t>(count)),
                          0);
                std::vector<int64_t> copy(model.begin() + index, model.begin() + index + count);
                model.insert(model.begin() + index, copy.begin(), copy.end());
                break;
            }
            case 5:
                if (!model.empty()) {
                    ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_popBack(&v), 0);
                    model.pop_back();
                }
                break;
            case 6: {
                size_t size = rng() % 40;
                ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_resize(&v, static_cast<intptr_t>(size)),
                          0);
                model.resize(size, 0);
                break;
            }
        }
        ASSERT_EQ(positions(&v), model) << "step " << step;
    }
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
}

TEST(TypedVector, SelfReferencesSurviveReallocation) {
    peakVector v;
    cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&v);
    cidc_peakIDFixedX_4 first = peak(5);
    cstd_vector_cidc_peakIDFixedX_4_pushBack(&v, &first);
    for (int i = 0; i < 10; ++i) {
        cidc_peakIDFixedX_4* begin = nullptr;
        cstd_vector_cidc_peakIDFixedX_4_getBegin(&v, &begin);
        ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_pushBack(&v, begin), 0);  // own first element
    }
    cidc_peakIDFixedX_4* begin = nullptr;
    cstd_vector_cidc_peakIDFixedX_4_getBegin(&v, &begin);
    ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_resizeFill(&v, 100, begin), 0);
    EXPECT_EQ(positions(&v), std::vector<int64_t>(100, 5));
    cstd_vector_cidc_peakIDFixedX_4_getBegin(&v, &begin);
    begin[1].position = 9;
    ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_assignElements(&v, begin + 1, 3), 0);
    EXPECT_EQ(positions(&v), (std::vector<int64_t>{9, 5, 5}));
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
}

TEST(TypedVector, OutOfRangeRequestsChangeNothing) {
    peakVector v;
    cidc_peakIDFixedX_4 fill = peak(1);
    cstd_vector_cidc_peakIDFixedX_4_constructFill(&v, 3, &fill);
    cidc_peakIDFixedX_4* begin = nullptr;
    cidc_peakIDFixedX_4* element = nullptr;
    cstd_vector_cidc_peakIDFixedX_4_getBegin(&v, &begin);
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_getElement(&v, 3, &element),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_getElement(&v, -1, &element),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(element, nullptr);
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_erase(&v, begin + 2, 2),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_eraseElement(&v, begin + 3),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    auto* misaligned = reinterpret_cast<cidc_peakIDFixedX_4*>(reinterpret_cast<char*>(begin) + 4);
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_insertElement(&v, misaligned, &fill),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_resize(&v, -1), CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_getNextElement(&v, begin + 3, &element),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_getNextElement(&v, begin + 2, &element), 0);
    EXPECT_EQ(element, begin + 3);  // the end
    EXPECT_EQ(positions(&v), (std::vector<int64_t>{1, 1, 1}));
    cstd_vector_cidc_peakIDFixedX_4_clear(&v);
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_popBack(&v), CSYS_STATUS_SIZE_OUT_OF_RANGE);
    intptr_t capacity = 0;
    cstd_vector_cidc_peakIDFixedX_4_getCapacity(&v, &capacity);
    EXPECT_GE(capacity, 3);
    cstd_vector_cidc_peakIDFixedX_4_clearAndFreeMemory(&v);
    cstd_vector_cidc_peakIDFixedX_4_getCapacity(&v, &capacity);
    EXPECT_EQ(capacity, 0);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
}

TEST(TypedVector, SharedEntryPointsAreExportedUnderBothNames) {
    EXPECT_EQ(&cstd_vector_cidc_peakIDFixedX_4_getSize, &cstd_vector_cidc_peakIDFixedX_4_getSize32);
    EXPECT_EQ(&cstd_vector_cidc_peakIDFixedX_4_getBeginSize,
              &cstd_vector_cidc_peakIDFixedX_4_getBeginSize32);
    EXPECT_EQ(&cstd_vector_cidc_peakIDFixedX_4_getBeginSizeConst,
              &cstd_vector_cidc_peakIDFixedX_4_getBeginSize32Const);
    peakVector v;
    cstd_vector_cidc_peakIDFixedX_4_construct(&v, 4);
    int32_t elementSize = 0;
    intptr_t size = 0;
    cstd_vector_cidc_peakIDFixedX_4_getElementSize(&v, &elementSize);
    cstd_vector_cidc_peakIDFixedX_4_getSizeIntPtr(&v, &size);
    EXPECT_EQ(elementSize, static_cast<int32_t>(sizeof(cidc_peakIDFixedX_4)));
    EXPECT_EQ(size, 4);
    const cidc_peakIDFixedX_4* begin = nullptr;
    const cidc_peakIDFixedX_4* end = nullptr;
    cstd_vector_cidc_peakIDFixedX_4_getBeginEndConst(&v, &begin, &end);
    EXPECT_EQ(end - begin, 4);
    EXPECT_EQ(begin[3].position, 0);  // default elements are zero
    csys_typeCheck_cstd_vector_cidc_peakIDFixedX_4(&v);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
}

void fillOuter(peakVectors* outer, int count) {
    ASSERT_EQ(cstd_vector_vector_cidc_peakIDFixedX_4_construct(outer, count), 0);
    for (int i = 0; i < count; ++i) {
        peakVector* inner = nullptr;
        cstd_vector_vector_cidc_peakIDFixedX_4_getElement(outer, i, &inner);
        for (int k = 0; k <= i; ++k) {
            cidc_peakIDFixedX_4 p = peak(10 * i + k);
            ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_pushBack(inner, &p), 0);
        }
    }
}

TEST(VectorOfVectors, CopiesAreDeepAndEverythingIsReleased) {
    cid_test::countingAllocator counter;
    {
        peakVectors outer, copy;
        fillOuter(&outer, 5);
        ASSERT_EQ(cstd_vector_vector_cidc_peakIDFixedX_4_constructCopy(&copy, &outer), 0);
        peakVector* copiedInner = nullptr;
        peakVector* originalInner = nullptr;
        cstd_vector_vector_cidc_peakIDFixedX_4_getElement(&copy, 3, &copiedInner);
        cstd_vector_vector_cidc_peakIDFixedX_4_getElement(&outer, 3, &originalInner);
        EXPECT_NE(copiedInner->base.begin, originalInner->base.begin);
        EXPECT_EQ(positions(copiedInner), positions(originalInner));
        cstd_vector_cidc_peakIDFixedX_4_clear(copiedInner);
        EXPECT_EQ(positions(originalInner).size(), 4u);

        // Assigning a shorter vector destructs the surplus inner vectors.
        peakVectors shorter;
        fillOuter(&shorter, 2);
        ASSERT_EQ(cstd_vector_vector_cidc_peakIDFixedX_4_assign(&copy, &shorter), 0);
        int32_t size = 0;
        cstd_vector_vector_cidc_peakIDFixedX_4_getSize(&copy, &size);
        EXPECT_EQ(size, 2);
        ASSERT_EQ(cstd_vector_vector_cidc_peakIDFixedX_4_append(&copy, &copy), 0);
        cstd_vector_vector_cidc_peakIDFixedX_4_getSize(&copy, &size);
        EXPECT_EQ(size, 4);
        cstd_vector_vector_cidc_peakIDFixedX_4_destruct(&shorter);
        cstd_vector_vector_cidc_peakIDFixedX_4_destruct(&copy);
        cstd_vector_vector_cidc_peakIDFixedX_4_destruct(&outer);
    }
    EXPECT_EQ(counter.live(), 0);
}

TEST(VectorOfVectors, EveryAllocationFailureIsCleanAndReported) {
    cid_test::countingAllocator counter;
    peakVectors outer;
    fillOuter(&outer, 6);
    long baseline = counter.live();
    for (long allowed = 0;; ++allowed) {
        counter.failAfter(allowed);
        peakVectors copy;
        int32_t status = cstd_vector_vector_cidc_peakIDFixedX_4_constructCopy(&copy, &outer);
        counter.neverFail();
        if (status == 0) {
            cstd_vector_vector_cidc_peakIDFixedX_4_destruct(&copy);
            EXPECT_EQ(counter.live(), baseline);
            EXPECT_GT(allowed, 5);
            break;
        }
        EXPECT_EQ(status, CSYS_STATUS_OUT_OF_MEMORY);
        EXPECT_EQ(counter.live(), baseline) << "leak when failing after " << allowed;
    }
    cstd_vector_vector_cidc_peakIDFixedX_4_destruct(&outer);
}

TEST(HeapVectors, NewCloneDeleteOwnership) {
    cid_test::countingAllocator counter;
    peakVectors source;
    fillOuter(&source, 3);
    long baseline = counter.live();

    peakVectors* held = nullptr;
    EXPECT_EQ(cstd_vector_vector_cidc_peakIDFixedX_4_delete(&held), 0);
    ASSERT_EQ(cstd_vector_vector_cidc_peakIDFixedX_4_new(&held), 0);
    ASSERT_NE(held, nullptr);
    ASSERT_EQ(cstd_vector_vector_cidc_peakIDFixedX_4_newClone(&held, &source), 0);
    int32_t size = 0;
    cstd_vector_vector_cidc_peakIDFixedX_4_getSize(held, &size);
    EXPECT_EQ(size, 3);
    ASSERT_EQ(cstd_vector_vector_cidc_peakIDFixedX_4_newClone(&held, held), 0);  // its own clone
    cstd_vector_vector_cidc_peakIDFixedX_4_getSize(held, &size);
    EXPECT_EQ(size, 3);
    EXPECT_EQ(cstd_vector_vector_cidc_peakIDFixedX_4_newClone(&held, nullptr), 0);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(counter.live(), baseline);

    for (long allowed = 0; allowed < 4; ++allowed) {
        ASSERT_EQ(cstd_vector_vector_cidc_peakIDFixedX_4_new(&held), 0);
        counter.failAfter(allowed);
        int32_t status = cstd_vector_vector_cidc_peakIDFixedX_4_newClone(&held, &source);
        counter.neverFail();
        EXPECT_EQ(status, CSYS_STATUS_OUT_OF_MEMORY);
        EXPECT_EQ(held, nullptr);
        EXPECT_EQ(counter.live(), baseline);
    }
    counter.failAfter(0);
    EXPECT_EQ(cstd_vector_vector_cidc_peakIDFixedX_4_new(&held), CSYS_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(held, nullptr);
    counter.neverFail();
    EXPECT_PRECONDITION(cstd_vector_vector_cidc_peakIDFixedX_4_delete(nullptr));
    cstd_vector_vector_cidc_peakIDFixedX_4_destruct(&source);
}

struct tableCounts {
    int allocs = 0;
    int frees = 0;
};

int32_t tableAlloc(void* context, size_t bytes, void** block) {
    ++static_cast<tableCounts*>(context)->allocs;
    return csys_memory_alloc_internal(bytes, block);
}

int32_t tableFree(void* context, void* block) {
    ++static_cast<tableCounts*>(context)->frees;
    return csys_memory_free_internal(&block);
}

TEST(TypedVector, MemoryTableServesTheStorage) {
    tableCounts counts;
    csys_memoryTable table{&tableAlloc, &tableFree, &counts};
    peakVector v;
    ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructEmptyWithMtable(&v, &table), 0);
    for (int i = 0; i < 100; ++i) {
        cidc_peakIDFixedX_4 p = peak(i);
        cstd_vector_cidc_peakIDFixedX_4_pushBack(&v, &p);
    }
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
    EXPECT_GT(counts.allocs, 1);
    EXPECT_EQ(counts.allocs, counts.frees);
}

}  // namespace
