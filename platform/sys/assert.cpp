// Precondition reports go through one installable handler.
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "ci_id/platform/csys_assert.h"

namespace {

void defaultHandler(const char* file, int32_t line) {
    std::fprintf(stderr, "ci_id: precondition violated at %s:%d\n", file ? file : "(unknown)",
                 static_cast<int>(line));
    std::abort();
}

std::atomic<cstd_assertHandler> installedHandler{&defaultHandler};

}  // namespace

extern "C" {

cstd_assertHandler cstd_assert_setHandler(cstd_assertHandler handler) {
    return installedHandler.exchange(handler ? handler : &defaultHandler);
}

void cstd_assertAt_(const char* file, int32_t line) {
    installedHandler.load()(file, line);
    // A handler that returns must not let the caller go on with the bad argument.
    std::abort();
}

void cstd_assert_(int32_t line) { cstd_assertAt_(nullptr, line); }
}
