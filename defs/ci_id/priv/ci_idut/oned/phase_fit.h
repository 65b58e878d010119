// The run-segmented phase regression behind the pitch estimators: phases of positions within a
// trial pitch, fitted against their grid indices as f = a + b k, in 1/256 of a pitch. Products
// are taken in 128 bits: indices reach 2^32 for positions spread over 32 bits.
#pragma once

#include <cstdint>

namespace cidut {

using wideInt = __int128;

struct phasePair {
    int64_t k;  // grid index
    int32_t f;  // phase, 0..255
};

// Sums over a set of pairs. span is the number of grid steps the merged runs cover.
struct phaseStats {
    int64_t n = 0;
    wideInt sk = 0;
    wideInt sf = 0;
    wideInt skk = 0;
    wideInt sff = 0;
    wideInt skf = 0;
    int64_t span = 0;

    void add(phasePair p, int sign = 1);
};

// The line f = a + b k through a set of pairs, with truncating divisions; undefined (b at
// INT32_MAX) for fewer than two pairs or a single index.
struct phaseLine {
    wideInt a;
    wideInt b;
    bool defined() const { return b != INT32_MAX; }
    wideInt offsetOf(phasePair p) const { return b * p.k + a - p.f; }
};
phaseLine fitLine(const phaseStats& s);
// The sum of squared differences from the line, or INT32_MAX when the line is undefined.
wideInt residualOf(const phaseStats& s, const phaseLine& line);

struct phaseSearch {
    const int32_t* positions;
    int32_t n;
    int64_t runLength;   // K, grid indices per run
    int64_t halfOffset;  // the second hypothesis starts this far before the first position
    int32_t pitch;
    int64_t threshold;  // leave-out distance in 1/256 pitch
};

// What one trial pitch gives.
struct phaseFit {
    phaseLine line;   // refitted after leaving out the points beyond the threshold
    phaseStats kept;  // sums of the points kept (span: of all merged runs)
    int64_t origin;   // the first position, or the half-pitch origin, as the first run chose
    int32_t pairCount;
};

// Fits the phases of the search's positions; false when fewer than two points survive the runs
// or a line is undefined. pairs has room for n pairs and receives the merged pairs.
bool fitPhases(const phaseSearch& search, phasePair* pairs, phaseFit* fit);

inline wideInt magnitude(wideInt v) { return v < 0 ? -v : v; }

// p + b p / 256, the pitch that the fitted phase drift b (1/256 pitch per index) calls for.
inline wideInt correctedPitch(int32_t pitch, const phaseFit& fit) {
    return pitch + ((fit.line.b * pitch) >> 8);
}

inline int32_t clamp32(wideInt v) {
    return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

}  // namespace cidut
