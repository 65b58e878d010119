// The peak rule of cidc_peakDetectState_detect, written once so that the exported detector and
// the scanners' pixel loops (which inline it with their own scaling and mid levels) cannot drift
// apart. The loops keep the tracker in locals, so that it lives in registers.
#pragma once

#include <cstdint>
#include <cstring>
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
        if (isPeak(sample, threshold)) {
            CSTD_ASSERT(next != end);
            cidc_peakIDFixedX_4 peak = candidate(offset, strengthOf(value), midLevel());
            peak.position += vertex(int64_t{prevValue} - sample,
                                    int64_t{prevValue} - 2 * int64_t{value} + sample);
            *next++ = peak;
        }
        advance(sample);
    }

    // The same for pixel loops of 16-bit samples, which feed at most one sample fewer than the
    // capacity, so that the next slot is always free. Whether the slope reverses is as good as
    // random on real profiles, so no branch depends on it: every sample's candidate is written
    // to the next slot, in as few stores as possible, and kept only on a peak. Its position holds
    // the plateau's index sum and its identifiers the halves of the sub-sample fraction (they fit:
    // each is within four times the largest sample) until settleAll completes it.
    template <typename Strength, typename MidLevel>
    inline void feedInLoop(Value sample, Value threshold, Strength strengthOf, MidLevel midLevel) {
        static_assert(sizeof(Value) <= 4, "16-bit samples only");
        next->position = index + lastChangeIndex;
        next->strength = strengthOf(value);
        next->id1 = prevValue - sample;
        next->id2 = prevValue - 2 * value + sample;
        next->midLevel = midLevel();
        next += isPeak(sample, threshold);
        advance(sample);
    }

    // Completes the peaks kept by feedInLoop from first on.
    void settleAll(cidc_peakIDFixedX_4* first, int64_t offset) const {
        for (cidc_peakIDFixedX_4* peak = first; peak != next; ++peak) {
            peak->position =
                ((16 * (peak->position + 1)) >> 1) + vertex(peak->id1, peak->id2) + offset;
            peak->id1 = 0;
            peak->id2 = 0;
            std::memset(peak->userData, 0, sizeof peak->userData);
        }
    }

private:
    // The four conditions of the rule are folded into the sign of one AND, negative only when
    // every term is, so that they cost no branch.
    inline bool isPeak(Value sample, Value threshold) const {
        const int64_t v = value;
        const Value d = sample - value;
        const int64_t towardPeak = -int64_t{d > 0};  // all ones when v would be a minimum
        const int64_t beyond = int64_t{threshold} - ((v ^ towardPeak) - towardPeak);
        const int64_t shortPlateau = int64_t{index} - lastChangeIndex - 7;
        return (reversal(d) & beyond & shortPlateau) < 0;
    }

    // Negative exactly when d and the last change are non-zero and of opposite signs.
    inline int64_t reversal(Value d) const {
        if constexpr (sizeof(Value) <= 4) {
            return int64_t{d} * lastDelta;
        } else {
            return (d != 0 && lastDelta != 0 && (d ^ lastDelta) < 0) ? -1 : 0;
        }
    }

    // A change starts a new plateau; masks rather than branches, the change being as random.
    inline void advance(Value sample) {
        const Value d = sample - value;
        const Value keep = -static_cast<Value>(d == 0);  // all ones on the same plateau
        const int32_t keepIndex = -static_cast<int32_t>(d == 0);
        lastChangeIndex = (lastChangeIndex & keepIndex) | (index & ~keepIndex);
        lastDelta = (lastDelta & keep) | (d & ~keep);
        prevValue = (prevValue & keep) | (value & ~keep);
        value = sample;  // unchanged when d is 0
        ++index;
    }

    // The peak at the current plateau, its position still without the sub-sample fraction.
    inline cidc_peakIDFixedX_4 candidate(int64_t offset, int32_t strength, uint8_t midLevel) const {
        cidc_peakIDFixedX_4 peak{};
        peak.position = ((16 * (int64_t{index} + 1 + lastChangeIndex)) >> 1) + offset;
        peak.strength = strength;
        peak.midLevel = midLevel;
        return peak;
    }

    // The vertex f = 16 (p - s) / (2 (p - 2 v + s)) of the parabola through the plateau v and
    // its neighbours p and s, truncated, 0 for a zero denominator; |f| <= 8 on a peak.
    static int64_t vertex(int64_t pMinusS, int64_t curvature) {
        const int64_t denominator = 2 * curvature;
        return denominator != 0 ? 16 * pMinusS / denominator : 0;
    }
};

}  // namespace cidut
