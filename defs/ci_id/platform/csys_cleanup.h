/* Cleanup scopes. A function that owns resources registers each one in a small array of
 * entries and runs csys_cleanupExecute_ on every exit: scratch objects are released always,
 * outputs under construction only when the final status is negative. C++ code uses the RAII
 * class csys::cleanupScope below, which is built on the same calls and behaves the same. */
#ifndef CI_ID_CSYS_CLEANUP_H
#define CI_ID_CSYS_CLEANUP_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"

CI_ID_EXTERN_C_BEGIN

typedef int32_t (*csys_cleanupRelease)(void* object);

enum csys_cleanupKind {
    CSYS_CLEANUP_SCRATCH = 0, /* released on every exit */
    CSYS_CLEANUP_OUTPUT = 1   /* released only when the status is negative */
};

typedef struct csys_cleanupEntry {
    int32_t id; /* from the scope's own counter; names the entry for csys_cleanup_doId_ */
    int32_t kind;
    void* object;
    csys_cleanupRelease release;
} csys_cleanupEntry;

/* A non-zero tag identifying a new scope on the calling thread. */
CI_ID_API uint32_t csys_cleanup_getNextTag(void);

/* Appends an entry; asserts that *count stays below capacity and that release is set. */
CI_ID_API int32_t csys_cleanup_add_(csys_cleanupEntry* entries, int32_t capacity, int32_t* count,
                                    int32_t id, int32_t kind, void* object,
                                    csys_cleanupRelease release);

/* Releases the scratch entries, then, when *status is negative, the outputs, each group in the
 * reverse order of registration, and empties the array. A failing release turns a non-negative
 * *status into its failure (and so also releases the outputs); a negative *status is kept.
 * Returns *status. */
CI_ID_API int32_t csys_cleanupExecute_(csys_cleanupEntry* entries, int32_t* count, int32_t* status,
                                       uint32_t tag);

/* Releases the entry with the given id now, whatever its kind, and removes it. A failing
 * release turns a non-negative *status into its failure. Returns *status. */
CI_ID_API int32_t csys_cleanup_doId_(csys_cleanupEntry* entries, int32_t* count, int32_t* status,
                                     int32_t id);

CI_ID_EXTERN_C_END

#ifdef __cplusplus
namespace csys {

/* RAII cleanup scope. Register objects with scratch<Release>(&object) or output<Release>(&object),
 * where Release is the object's release function (taking a pointer to it). A function ends with
 * `return scope.close(status);`; leaving the scope without close (an early `return failure;` or
 * an exception) counts as failure, so outputs under construction are released too. */
template <int Capacity>
class cleanupScope {
public:
    cleanupScope() noexcept : tag_(csys_cleanup_getNextTag()) {}
    cleanupScope(const cleanupScope&) = delete;
    cleanupScope& operator=(const cleanupScope&) = delete;
    ~cleanupScope() {
        int32_t abandoned = (int32_t)0x80000000u;
        csys_cleanupExecute_(entries_, &count_, &abandoned, tag_);
    }

    template <auto Release, typename T>
    int32_t scratch(T* object) {
        return add(CSYS_CLEANUP_SCRATCH, object, &thunk<Release, T>);
    }
    template <auto Release, typename T>
    int32_t output(T* object) {
        return add(CSYS_CLEANUP_OUTPUT, object, &thunk<Release, T>);
    }
    /* Releases the entry id now; returns status, or the release's failure if status was not. */
    int32_t releaseNow(int32_t id, int32_t status) {
        return csys_cleanup_doId_(entries_, &count_, &status, id);
    }
    /* Runs the scope's cleanup for the final status and returns the status to give the caller. */
    int32_t close(int32_t status) { return csys_cleanupExecute_(entries_, &count_, &status, tag_); }

private:
    template <auto Release, typename T>
    static int32_t thunk(void* object) {
        return Release(static_cast<T*>(object));
    }
    int32_t add(int32_t kind, void* object, csys_cleanupRelease release) {
        int32_t id = ++lastId_;
        csys_cleanup_add_(entries_, Capacity, &count_, id, kind, object, release);
        return id;
    }

    csys_cleanupEntry entries_[Capacity];
    int32_t count_ = 0;
    int32_t lastId_ = 0;
    uint32_t tag_;
};

}  // namespace csys
#endif

#endif
