// Cleanup scopes: entries are released in reverse order of registration, scratch first, then
// the outputs under construction when the scope ends in failure.
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"

namespace {

thread_local uint32_t lastTag = 0;

void releaseEntry(const csys_cleanupEntry& entry, int32_t* status) {
    int32_t released = entry.release(entry.object);
    if (released < 0 && *status >= 0) *status = released;
}

void releaseKind(csys_cleanupEntry* entries, int32_t count, int32_t kind, int32_t* status) {
    for (int32_t i = count - 1; i >= 0; --i) {
        if (entries[i].kind == kind) releaseEntry(entries[i], status);
    }
}

}  // namespace

extern "C" {

uint32_t csys_cleanup_getNextTag(void) {
    if (++lastTag == 0) ++lastTag;
    return lastTag;
}

int32_t csys_cleanup_add_(csys_cleanupEntry* entries, int32_t capacity, int32_t* count, int32_t id,
                          int32_t kind, void* object, csys_cleanupRelease release) {
    CSTD_ASSERT(entries && count && release);
    CSTD_ASSERT(*count >= 0 && *count < capacity);
    CSTD_ASSERT(kind == CSYS_CLEANUP_SCRATCH || kind == CSYS_CLEANUP_OUTPUT);
    entries[*count] = csys_cleanupEntry{id, kind, object, release};
    ++*count;
    return 0;
}

int32_t csys_cleanupExecute_(csys_cleanupEntry* entries, int32_t* count, int32_t* status,
                             uint32_t tag) {
    CSTD_ASSERT(count && status && tag != 0);
    CSTD_ASSERT(entries || *count == 0);
    releaseKind(entries, *count, CSYS_CLEANUP_SCRATCH, status);
    if (*status < 0) releaseKind(entries, *count, CSYS_CLEANUP_OUTPUT, status);
    *count = 0;
    return *status;
}

int32_t csys_cleanup_doId_(csys_cleanupEntry* entries, int32_t* count, int32_t* status,
                           int32_t id) {
    CSTD_ASSERT(entries && count && status);
    int32_t index = 0;
    while (index < *count && entries[index].id != id) ++index;
    CSTD_ASSERT(index < *count);
    csys_cleanupEntry entry = entries[index];
    for (int32_t j = index + 1; j < *count; ++j) entries[j - 1] = entries[j];
    --*count;
    releaseEntry(entry, status);
    return *status;
}
}
