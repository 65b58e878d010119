// Edgel and chain lists of the edge library: fixed room allocated up front, read in order.
#include <utility>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_memory.h"
#include "edge/edge_internal.h"

namespace {

// Room for capacity records of Record, or CSEDGE_STATUS_LIST_FULL: a list that cannot be had is
// a list that cannot hold what it was asked for, which is what callers recover from.
template <typename Record>
int32_t allocateRoom(int64_t capacity, Record** records) {
    size_t bytes = 0;
    void* block = nullptr;
    if (csys_size_multiply(size_t(capacity), sizeof(Record), &bytes) < 0 ||
        csys_memory_alloc_internal(bytes, &block) < 0) {
        return CSEDGE_STATUS_LIST_FULL;
    }
    *records = static_cast<Record*>(block);
    return 0;
}

template <typename Record>
const Record* nextOf(const Record* records, int64_t length, const Record* current) {
    const Record* next = current + 1;
    return next < records + length ? next : nullptr;
}

}  // namespace

extern "C" {

int32_t csEdgeListNew(int64_t capacity, csEdgeList** list) {
    CSTD_ASSERT(list && capacity >= 0);
    *list = nullptr;
    void* block = nullptr;
    if (csys_memory_alloc_internal(sizeof(csEdgeList), &block) < 0) return CSEDGE_STATUS_LIST_FULL;
    auto* created = static_cast<csEdgeList*>(block);
    *created = csEdgeList{nullptr, 0, capacity, 1, 0, 0};
    if (allocateRoom(capacity, &created->edges) < 0) {
        csys_memory_free_internal(&block);
        return CSEDGE_STATUS_LIST_FULL;
    }
    *list = created;
    return 0;
}

int32_t csEdgeListInit(csEdgeList* list, int32_t append, int32_t xShift, int32_t yShift) {
    CSTD_ASSERT(list);
    list->length = 0;
    list->append = append != 0;
    list->xShift = xShift;
    list->yShift = yShift;
    return 0;
}

int64_t csEdgeListLen(const csEdgeList* list) {
    CSTD_ASSERT(list);
    return list->length;
}

int32_t csEdgeListAssign(csEdgeList* destination, csEdgeList* source) {
    CSTD_ASSERT(destination && source);
    if (destination == source) return 0;
    std::swap(*destination, *source);
    source->length = 0;
    return 0;
}

int32_t csEdgeListDelete(csEdgeList** list) {
    CSTD_ASSERT(list);
    if (!*list) return 0;
    void* edges = (*list)->edges;
    csys_memory_free_internal(&edges);
    void* block = *list;
    *list = nullptr;
    return csys_memory_free_internal(&block);
}

const csEdge* csEdgeListFirst(const csEdgeList* list) {
    CSTD_ASSERT(list);
    return list->length > 0 ? list->edges : nullptr;
}

const csEdge* csEdgeListNext(const csEdgeList* list, const csEdge* edge) {
    CSTD_ASSERT(list && edge);
    return nextOf(list->edges, list->length, edge);
}

const csEdge* csEdgeListAt(const csEdgeList* list, int64_t index) {
    CSTD_ASSERT(list);
    return index >= 0 && index < list->length ? list->edges + index : nullptr;
}

int32_t csEdgePi(const csEdge* edge) {
    CSTD_ASSERT(edge);
    return edge->i;
}

int32_t csEdgePj(const csEdge* edge) {
    CSTD_ASSERT(edge);
    return edge->j;
}

uint8_t csEdgeMag(const csEdge* edge) {
    CSTD_ASSERT(edge);
    return edge->magnitude;
}

double csEdgeX(const csEdge* edge) {
    CSTD_ASSERT(edge);
    return edge->x;
}

double csEdgeY(const csEdge* edge) {
    CSTD_ASSERT(edge);
    return edge->y;
}

int32_t csEdgeChainListNew(int64_t capacity, csEdgeChainList** list) {
    CSTD_ASSERT(list && capacity >= 0);
    *list = nullptr;
    void* block = nullptr;
    if (csys_memory_alloc_internal(sizeof(csEdgeChainList), &block) < 0)
        return CSEDGE_STATUS_LIST_FULL;
    auto* created = static_cast<csEdgeChainList*>(block);
    *created = csEdgeChainList{nullptr, 0, capacity};
    if (allocateRoom(capacity, &created->chains) < 0) {
        csys_memory_free_internal(&block);
        return CSEDGE_STATUS_LIST_FULL;
    }
    *list = created;
    return 0;
}

int64_t csEdgeChainListLen(const csEdgeChainList* list) {
    CSTD_ASSERT(list);
    return list->length;
}

int32_t csEdgeChainListDelete(csEdgeChainList** list) {
    CSTD_ASSERT(list);
    if (!*list) return 0;
    void* chains = (*list)->chains;
    csys_memory_free_internal(&chains);
    void* block = *list;
    *list = nullptr;
    return csys_memory_free_internal(&block);
}

const csEdgeChain* csEdgeChainListFirst(const csEdgeChainList* list) {
    CSTD_ASSERT(list);
    return list->length > 0 ? list->chains : nullptr;
}

const csEdgeChain* csEdgeChainListNext(const csEdgeChainList* list, const csEdgeChain* chain) {
    CSTD_ASSERT(list && chain);
    return nextOf(list->chains, list->length, chain);
}

int64_t csEdgeChainStart(const csEdgeChain* chain) {
    CSTD_ASSERT(chain);
    return chain->start;
}

int64_t csEdgeChainLength(const csEdgeChain* chain) {
    CSTD_ASSERT(chain);
    return chain->length;
}

}  // extern "C"
