/* Precondition reports. A violated precondition (a null pointer, a bad count) goes to the
 * installed handler; a function never goes on with the bad argument. The default handler
 * prints the source location to stderr and aborts. A handler may throw (tests do) or abort;
 * if it returns, the process is aborted. */
#ifndef CI_ID_CSYS_ASSERT_H
#define CI_ID_CSYS_ASSERT_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"

CI_ID_EXTERN_C_BEGIN

/* file may be null when only the line is known. */
typedef void (*cstd_assertHandler)(const char* file, int32_t line);

/* Installs handler (null restores the default) and returns the previous one. Safe to call from
 * any thread; the handler in effect when a violation happens is the one called. */
CI_ID_API cstd_assertHandler cstd_assert_setHandler(cstd_assertHandler handler);

/* Reports a violated precondition at the caller's source line. Does not return normally. */
CI_ID_API void cstd_assert_(int32_t line);

/* The same with the source file, used by CSTD_ASSERT. */
CI_ID_API void cstd_assertAt_(const char* file, int32_t line);

CI_ID_EXTERN_C_END

#define CSTD_ASSERT(condition)                                         \
    do {                                                               \
        if (!(condition)) cstd_assertAt_(__FILE__, (int32_t)__LINE__); \
    } while (0)

#endif
