// The peak rule of cidc_peakDetectState_detect, written once so that the exported detector and
// the scanners' pixel loops cannot drift apart. The loops keep the tracker in locals, so that it
// lives in registers.
#pragma once

#include <cstdint>
#include <limits>

#include "ci_id/peak.h"
#include "ci_id/platform/csys_assert.h"

namespace cidut {

// (value << left) >> right in 32 bits, shift counts modulo 32, without the undefined behaviour
// of shifting a negative value left.
inline int32_t shiftStrength(int64_t value, uint32_t left, uint32_t right) {
    auto shifted = static_cast<int32_t>(static_cast<uint32_t>(value) << (left & 31u));
    return shifted >> (right & 31u);
}

template <typename T>
T clampTo(int64_t value) {
    if (value > std::numeric_limits<T>::max()) return std::numeric_limits<T>::max();
    if (value < std::numeric_limits<T>::min()) return std::numeric_limits<T>::min();
    return static_cast<T>(value);
}

// The vertex f = 16 (p - s) / (2 (p - 2 v + s)) of the parabola through a plateau v and its
// neighbours p and s, truncated, 0 for a zero denominator; |f| <= 8 on a peak.
inline int64_t vertexOf(int64_t p, int64_t v, int64_t s) {
    const int64_t denominator = 2 * (p - 2 * v + s);
    return denominator != 0 ? 16 * (p - s) / denominator : 0;
}

// The rule's decision for the change d from a plateau of value v, entered by the last non-zero
// change lastDelta (0 when none was seen) and holding `length` samples: v is a peak when the
// slope reverses, v lies beyond the threshold on the side that makes it an extremum (v > T for
// d < 0, v < -T for d > 0) and the plateau holds at most 6 samples. The conditions are folded
// into the sign of one AND, negative only when every term is, so that they cost no branch. The
// caller gives a length of 7 or more while lastDelta is 0, so that the sign of lastDelta alone
// tells the reversal. Values must be within 2^30, as every difference of 16-bit samples is.
inline bool isPeakNarrow(int32_t d, int32_t lastDelta, int32_t v, int32_t threshold,
                         int32_t length) {
    const int32_t decreasing = d >> 31;                                  // all ones when d < 0
    const int32_t changed = d | -d;                                      // negative when d != 0
    const int32_t beyond = threshold + ((v ^ decreasing) - decreasing);  // T - v or T + v
    return ((d ^ lastDelta) & changed & beyond & (length - 7)) < 0;
}

// The same decision for values of any size.
inline bool isPeakWide(int64_t d, int64_t lastDelta, int64_t v, int64_t threshold, int64_t length) {
    const bool reverses = d != 0 && lastDelta != 0 && (d < 0) != (lastDelta < 0);
    const bool beyond = d > 0 ? v < -threshold : v > threshold;
    return reverses && beyond && length < 7;
}

// The detector's state with values of type Value, wide enough for the difference of any two
// samples fed (int32_t for 16-bit samples, int64_t for 32-bit ones).
template <typename Value>
struct peakTracker {
    Value value;
    Value prevValue;
    Value lastDelta;
    int32_t index;
    int32_t lastChangeIndex;
    cidc_peakIDFixedX_4* next;
    cidc_peakIDFixedX_4* end;  // one past the last slot

    static peakTracker of(const cidc_peakDetectState& st) {
        return peakTracker{st.value,
                           st.prevValue,
                           st.lastDelta,
                           st.index,
                           st.lastChangeIndex,
                           st.nextPeak,
                           st.nextPeak + (st.peakCapacity - st.peakCount)};
    }

    void storeInto(cidc_peakDetectState* st) const {
        st->peakCount += static_cast<int32_t>(next - st->nextPeak);
        st->nextPeak = next;
        st->value = clampTo<int32_t>(value);
        st->prevValue = clampTo<int32_t>(prevValue);
        // Only the sign of the last change matters.
        st->lastDelta = clampTo<int32_t>(lastDelta);
        st->index = index;
        st->lastChangeIndex = lastChangeIndex;
    }

    // Consumes one sample. strengthOf(value) and midLevel() are called only when a peak is
    // found; recording beyond the capacity is a broken precondition.
    template <typename Strength, typename MidLevel>
    void feed(Value sample, Value threshold, int64_t offset, Strength strengthOf,
              MidLevel midLevel) {
        const int64_t d = int64_t{sample} - value;
        if (isPeakWide(d, lastDelta, value, threshold, int64_t{index} - lastChangeIndex)) {
            CSTD_ASSERT(next != end);
            cidc_peakIDFixedX_4 peak{};
            peak.position = ((16 * (int64_t{index} + 1 + lastChangeIndex)) >> 1) +
                            vertexOf(prevValue, value, sample) + offset;
            peak.strength = strengthOf(value);
            peak.midLevel = midLevel();
            *next++ = peak;
        }
        if (d != 0) {
            lastChangeIndex = index;
            lastDelta = static_cast<Value>(d);
            prevValue = value;
        }
        value = sample;
        ++index;
    }
};

// The same rule for the scanners' pixel loops, which feed 16-bit samples, at most one fewer than
// the capacity, so that the next slot is always free. Whether the slope reverses is as good as
// random on real profiles, so no branch depends on the profile: each sample's tag (whatever
// tells the loop where it is, such as its pixel pointer) is written to the next slot, which is
// kept only on a peak, and settleAll completes the kept peaks afterwards from the profile
// itself. Only what the rule needs to decide is tracked, the plateau's start as its length, so
// that the loop's state fits in registers.
struct loopTracker {
    int32_t value;
    int32_t lastDelta;
    int32_t length;  // samples in the current plateau: index - lastChangeIndex
    cidc_peakIDFixedX_4* next;

    static loopTracker of(const cidc_peakDetectState& st) {
        const int32_t length = st.lastDelta == 0 ? 7 : st.index - st.lastChangeIndex;
        return loopTracker{st.value, st.lastDelta, length, st.nextPeak};
    }

    // Hands the peaks found to the state, for cidc_peakDetectState_finish.
    void storeInto(cidc_peakDetectState* st) const {
        st->peakCount += static_cast<int32_t>(next - st->nextPeak);
        st->nextPeak = next;
    }

    inline void feed(int32_t sample, int32_t threshold, int64_t tag) {
        const int32_t d = sample - value;
        next->position = tag;
        next += isPeakNarrow(d, lastDelta, value, threshold, length);
        const int32_t keep = -static_cast<int32_t>(d == 0);  // all ones on the same plateau
        lastDelta = d | (lastDelta & keep);
        length = (length & keep) + 1;
        value = sample;
    }

    // Completes the peaks kept by feed from first on. revealedBy(tag) gives the index k of the
    // sample fed with that tag (the initial value being sample 0), sampleAt(k) sample k as it
    // was fed, and complete(peak, k, v) sets the strength and mid level of a peak of plateau
    // value v revealed by sample k.
    template <typename Index, typename Profile, typename Complete>
    void settleAll(cidc_peakIDFixedX_4* first, int64_t offset, Index revealedBy, Profile sampleAt,
                   Complete complete) const {
        for (cidc_peakIDFixedX_4* peak = first; peak != next; ++peak) {
            // The plateau runs from sample start to sample last, entered by a change.
            const int32_t last = revealedBy(peak->position) - 1;
            const int32_t v = sampleAt(last);
            int32_t start = last;
            while (sampleAt(start - 1) == v) --start;
            const int32_t p = sampleAt(start - 1);
            const int32_t s = sampleAt(last + 1);
            *peak = cidc_peakIDFixedX_4{};
            // Within 16 bits each, so the division is a 32-bit one.
            const int32_t denominator = 2 * (p - 2 * v + s);
            const int32_t fraction = denominator != 0 ? 16 * (p - s) / denominator : 0;
            peak->position = 8 * (int64_t{start} + last) + fraction + offset;
            complete(peak, last + 1, v);
        }
    }
};

}  // namespace cidut
