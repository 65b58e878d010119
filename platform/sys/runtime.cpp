// Stop requests, one-time set-up, critical sections and shut-down registration.
#include <atomic>
#include <mutex>
#include <new>
#include <utility>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/platform/csys_status.h"

struct csys_criticalSection {
    std::recursive_mutex mutex;
};

namespace {

thread_local csys_attentionToken* boundToken = nullptr;

// One lock serialises every one-time initialisation; it is recursive so that an initialiser may
// run another one (a table built from another table).
std::recursive_mutex& onceMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

// Functions to run at unload, kept in a function-local static so that registration works from
// other static initialisers too. A fixed table: registering must not allocate (the library's
// few lazily built tables and critical sections need a handful of entries).
class shutdownList {
public:
    static constexpr int kCapacity = 64;

    bool add(void (*function)(void*), void* argument) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (count_ == kCapacity) return false;
        entries_[count_++] = entry{function, argument};
        return true;
    }
    ~shutdownList() {
        while (count_ > 0) {
            const entry e = entries_[--count_];
            e.function(e.argument);
        }
    }

private:
    struct entry {
        void (*function)(void*);
        void* argument;
    };
    std::mutex mutex_;
    entry entries_[kCapacity];
    int count_ = 0;
};

shutdownList& shutdownFunctions() {
    static shutdownList list;
    return list;
}

void deleteSection(void* section) { delete static_cast<csys_criticalSection*>(section); }

}  // namespace

extern "C" {

void csys_attention_initToken(csys_attentionToken* token) {
    CSTD_ASSERT(token);
    __atomic_store_n(&token->stopRequested, 0, __ATOMIC_RELEASE);
}

void csys_attention_requestStop(csys_attentionToken* token) {
    CSTD_ASSERT(token);
    __atomic_store_n(&token->stopRequested, 1, __ATOMIC_RELEASE);
}

void csys_attention_resetToken(csys_attentionToken* token) { csys_attention_initToken(token); }

csys_attentionToken* csys_attention_bindToken(csys_attentionToken* token) {
    return std::exchange(boundToken, token);
}

int32_t csys_attention_check(void) {
    csys_attentionToken* token = boundToken;
    if (token && __atomic_load_n(&token->stopRequested, __ATOMIC_ACQUIRE) != 0) {
        return CSYS_STATUS_STOP_REQUESTED;
    }
    return CSYS_STATUS_OK;
}

int32_t csys_criticalSection_constructSingleton(csys_criticalSection** section) {
    CSTD_ASSERT(section);
    if (__atomic_load_n(section, __ATOMIC_ACQUIRE)) return CSYS_STATUS_OK;
    std::lock_guard<std::recursive_mutex> lock(onceMutex());
    if (*section) return CSYS_STATUS_OK;
    // Process-lifetime objects, released at unload: not from the installable allocator, whose
    // owner may have gone by then. nothrow: no exception may leave a C entry point.
    auto* created = new (std::nothrow) csys_criticalSection;
    if (!created) return CSYS_STATUS_OUT_OF_MEMORY;
    if (!shutdownFunctions().add(&deleteSection, created)) {
        deleteSection(created);
        return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    }
    __atomic_store_n(section, created, __ATOMIC_RELEASE);
    return CSYS_STATUS_OK;
}

int32_t csys_criticalSection_protect(csys_criticalSection* section, csys_guardedFunction function,
                                     void* argument) {
    CSTD_ASSERT(section && function);
    std::lock_guard<std::recursive_mutex> lock(section->mutex);
    return function(argument);
}

int32_t csys_initializeOnce(csys_guardedFunction function, csys_onceState* state, void* argument) {
    CSTD_ASSERT(function && state);
    if (__atomic_load_n(&state->done, __ATOMIC_ACQUIRE)) return CSYS_STATUS_OK;
    std::lock_guard<std::recursive_mutex> lock(onceMutex());
    if (state->done) return CSYS_STATUS_OK;
    int32_t status = function(argument);
    if (status >= 0) __atomic_store_n(&state->done, 1, __ATOMIC_RELEASE);
    return status;
}

int32_t csys_shutdown_register(void (*function)(void* argument), void* argument) {
    CSTD_ASSERT(function);
    return shutdownFunctions().add(function, argument) ? CSYS_STATUS_OK
                                                        : CSYS_STATUS_SIZE_OUT_OF_RANGE;
}

cprt_optimizationInhibitedFunction cprt_isOptimizationInhibitedFP = nullptr;

int32_t cprt_isOptimizationInhibited(const wchar_t* kernelName) {
    cprt_optimizationInhibitedFunction hook = cprt_isOptimizationInhibitedFP;
    return hook && hook(kernelName) != 0 ? 1 : 0;
}
}
