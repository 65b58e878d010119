// Running maximum or minimum of a row with a monotonic double-ended queue of sample indices,
// shared by the exported row functions and the two-dimensional filter.
#pragma once

#include <stdint.h>

namespace cidut {

struct greater {
    bool operator()(uint8_t a, uint8_t b) const { return a > b; }
};
struct less {
    bool operator()(uint8_t a, uint8_t b) const { return a < b; }
};

// Half-width of a kernel of k samples: (k - 1) / 2, at least 1.
inline int32_t kernelHalfWidth(int32_t kernel) {
    int32_t half = (kernel - 1) / 2;
    return half < 1 ? 1 : half;
}

// Ring slots the queue needs for half-width h over n samples: the queue holds distinct indices
// of one window of 2h + 1 samples at most.
inline int32_t queueCapacity(int32_t half, int32_t n) {
    int64_t window = 2 * int64_t{half} + 1;
    return window < n ? static_cast<int32_t>(window) : n;
}

// destination[p] = best of source[p - half .. p + half] cut to the row, for 1 <= half < n, with
// ring holding queueCapacity(half, n) slots. From head to tail the indices grow and the samples
// get strictly worse. Returns the number of entries dropped from the tail.
template <typename Better>
int32_t runningExtremum(const uint8_t* source, uint8_t* destination, int32_t n, int32_t half,
                        int32_t* ring) {
    const Better better;
    const int32_t capacity = queueCapacity(half, n);
    int32_t head = capacity - 1;
    int32_t tail = capacity - 1;
    ring[head] = half;
    for (int32_t j = half - 1; j >= 0; --j) {
        if (better(source[j], source[ring[head]])) {
            head = head == 0 ? capacity - 1 : head - 1;
            ring[head] = j;
        }
    }
    int32_t dropped = 0;
    for (int32_t p = 0;; ++p) {
        destination[p] = source[ring[head]];
        if (p == n - 1) break;
        if (ring[head] == p - half) head = head == capacity - 1 ? 0 : head + 1;
        const int32_t q = p + half + 1;
        if (q >= n) continue;
        const uint8_t incoming = source[q];
        for (;;) {
            if (better(source[ring[tail]], incoming)) {
                tail = tail == capacity - 1 ? 0 : tail + 1;
                ring[tail] = q;
                break;
            }
            ++dropped;
            if (tail == head) {
                ring[tail] = q;
                break;
            }
            tail = tail == 0 ? capacity - 1 : tail - 1;
        }
    }
    return dropped;
}

}  // namespace cidut
