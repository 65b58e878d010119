// The peak rule of cidc_peakDetectState_detect, written once so that the exported detector and
// the scanners' pixel loops (which inline it with their own scaling and mid levels) cannot drift
// apart. State is cidc_peakDetectState or a record with the same field names and wider values.
#pragma once

#include <cstdint>
#include <limits>

#include "ci_id/peak.h"
#include "ci_id/platform/csys_assert.h"

namespace cidut {

// Plateau values up to 64 bits wide, for profiles of 32-bit samples.
struct wideDetectState {
    int64_t value;
    int32_t index;
    int64_t prevValue;
    int64_t lastDelta;
    int32_t lastChangeIndex;
    int32_t peakCount;
    int32_t peakCapacity;
    cidc_peakIDFixedX_4* nextPeak;
};

// (value << left) >> right in 32 bits, shift counts modulo 32, without the undefined behaviour
// of shifting a negative value left.
inline int32_t shiftStrength(int64_t value, uint32_t left, uint32_t right) {
    auto shifted = static_cast<int32_t>(static_cast<uint32_t>(value) << (left & 31u));
    return shifted >> (right & 31u);
}

// Only the sign of the last change matters, so a change wider than the field is clamped.
template <typename T>
T clampTo(int64_t value) {
    if (value > std::numeric_limits<T>::max()) return std::numeric_limits<T>::max();
    if (value < std::numeric_limits<T>::min()) return std::numeric_limits<T>::min();
    return static_cast<T>(value);
}

template <typename State>
void recordPeak(State& st, int64_t next, int64_t offset, int32_t strength, uint8_t midLevel) {
    CSTD_ASSERT(st.peakCount < st.peakCapacity);
    const int64_t p = st.prevValue;
    const int64_t v = st.value;
    const int64_t denominator = 2 * (p - 2 * v + next);
    const int64_t fraction = denominator != 0 ? 16 * (p - next) / denominator : 0;
    cidc_peakIDFixedX_4 peak{};
    peak.position = ((16 * (int64_t{st.index} + 1 + st.lastChangeIndex)) >> 1) + fraction + offset;
    peak.strength = strength;
    peak.midLevel = midLevel;
    *st.nextPeak++ = peak;
    ++st.peakCount;
}

// Consumes one sample. strengthOf(value) and midLevel() are called only when a peak is found.
template <typename State, typename Strength, typename MidLevel>
inline void feedSample(State& st, int64_t sample, int64_t threshold, int64_t offset,
                       Strength strengthOf, MidLevel midLevel) {
    const int64_t v = st.value;
    const int64_t d = sample - v;
    if (d == 0) {
        ++st.index;
        return;
    }
    const int64_t lastDelta = st.lastDelta;
    if (lastDelta != 0 && (d ^ lastDelta) < 0 && (d > 0 ? v < -threshold : v > threshold) &&
        st.index - st.lastChangeIndex - 1 < 6) {
        recordPeak(st, sample, offset, strengthOf(v), midLevel());
    }
    st.lastChangeIndex = st.index;
    st.lastDelta = clampTo<decltype(st.lastDelta)>(d);
    st.prevValue = static_cast<decltype(st.prevValue)>(v);
    st.value = static_cast<decltype(st.value)>(sample);
    ++st.index;
}

}  // namespace cidut
