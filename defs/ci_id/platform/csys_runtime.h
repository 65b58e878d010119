/* Process services: stop requests, one-time set-up, critical sections, shut-down registration
 * and the optimisation-inhibit hook. */
#ifndef CI_ID_CSYS_RUNTIME_H
#define CI_ID_CSYS_RUNTIME_H

#include <stddef.h>
#include <stdint.h>

#include "ci_id/ci_id_export.h"

CI_ID_EXTERN_C_BEGIN

/* ---- Stop requests ----------------------------------------------------------------------
 * Long operations poll csys_attention_check. To make them stoppable, a thread binds a token of
 * its own (csys_attention_bindToken); any thread may then call csys_attention_requestStop on
 * that token, and the next poll on the bound thread returns CSYS_STATUS_STOP_REQUESTED until the
 * token is reset. The token must outlive its binding; bind null to unbind. */
typedef struct csys_attentionToken {
    int32_t stopRequested; /* read and written atomically by the calls below */
} csys_attentionToken;

CI_ID_API void csys_attention_initToken(csys_attentionToken* token);
CI_ID_API void csys_attention_requestStop(csys_attentionToken* token);
CI_ID_API void csys_attention_resetToken(csys_attentionToken* token);
/* Binds token to the calling thread and returns the token bound before (may be null). */
CI_ID_API csys_attentionToken* csys_attention_bindToken(csys_attentionToken* token);
/* 0, or CSYS_STATUS_STOP_REQUESTED when the calling thread's token asks for a stop. */
CI_ID_API int32_t csys_attention_check(void);

/* ---- One-time set-up and critical sections ------------------------------------------------ */
typedef struct csys_criticalSection csys_criticalSection;
typedef int32_t (*csys_guardedFunction)(void* argument);

/* Makes *section a critical section exactly once, however many threads race for it; later calls
 * leave it as it is. The section is released at library shut-down. */
CI_ID_API int32_t csys_criticalSection_constructSingleton(csys_criticalSection** section);
/* Runs function(argument) with section held and returns its status. */
CI_ID_API int32_t csys_criticalSection_protect(csys_criticalSection* section,
                                               csys_guardedFunction function, void* argument);

/* State of a one-time initialisation; zero-initialise it (static storage does). */
typedef struct csys_onceState {
    int32_t done; /* read and written atomically */
} csys_onceState;

/* Runs function(argument) unless a call on the same state has already succeeded; concurrent
 * callers wait for the running one. A failing function leaves the state not done, so a later
 * call tries again; its status is returned. May be nested for other states. */
CI_ID_API int32_t csys_initializeOnce(csys_guardedFunction function, csys_onceState* state,
                                      void* argument);

/* Registers function(argument) to run when the library is unloaded, in the reverse order of
 * registration. The table holds 64 entries and never allocates; a full table gives
 * CSYS_STATUS_SIZE_OUT_OF_RANGE. */
CI_ID_API int32_t csys_shutdown_register(void (*function)(void* argument), void* argument);

/* ---- Optimised kernels -------------------------------------------------------------------
 * Absent (null) by default. When set, kernels that have an optimised variant ask it with their
 * own wide name (for example L"cf2DFFT_32x32_fixed"); non-zero forces the portable kernel. Set it
 * before kernels run on other threads. */
typedef int32_t (*cprt_optimizationInhibitedFunction)(const wchar_t* kernelName);
CI_ID_API extern cprt_optimizationInhibitedFunction cprt_isOptimizationInhibitedFP;

/* 1 when the hook is set and forbids the optimised variant of kernelName, else 0. */
CI_ID_API int32_t cprt_isOptimizationInhibited(const wchar_t* kernelName);

CI_ID_EXTERN_C_END

#endif
