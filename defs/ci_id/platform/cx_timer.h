/* Wall-clock timer for diagnostics (never for results). */
#ifndef CI_ID_CX_TIMER_H
#define CI_ID_CX_TIMER_H

#ifdef __cplusplus
#include <stdint.h>

#include "ci_id/ci_id_export.h"

class CI_ID_API cxTimer {
public:
    /* startNow starts timing at once. With accumulate, start() after stop() adds to the time
     * measured so far; without it, start() begins a new measurement. */
    explicit cxTimer(bool startNow = false, bool accumulate = false);

    void start();
    void stop();
    /* Milliseconds measured: up to now while running, up to stop() otherwise. */
    double msec() const;

private:
    static int64_t nowNs();

    bool running_;
    bool accumulate_;
    int64_t startNs_;
    int64_t elapsedNs_;
};
#endif

#endif
