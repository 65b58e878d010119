// Wall-clock timer on the steady clock.
#include <chrono>

#include "ci_id/platform/cx_timer.h"

cxTimer::cxTimer(bool startNow, bool accumulate)
    : running_(false), accumulate_(accumulate), startNs_(0), elapsedNs_(0) {
    if (startNow) start();
}

int64_t cxTimer::nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void cxTimer::start() {
    if (running_) return;
    if (!accumulate_) elapsedNs_ = 0;
    startNs_ = nowNs();
    running_ = true;
}

void cxTimer::stop() {
    if (!running_) return;
    elapsedNs_ += nowNs() - startNs_;
    running_ = false;
}

double cxTimer::msec() const {
    int64_t total = elapsedNs_ + (running_ ? nowNs() - startNs_ : 0);
    return static_cast<double>(total) / 1e6;
}
