// The state of one cidut_edgesToTeeth call, shared by its stages: candidates, clustering and
// grid, slots.
#pragma once

#include <cstdint>

#include "ci_id/cluster.h"
#include "ci_id/platform/cmath_line.h"
#include "ci_id/teeth.h"

namespace cidut {

// The fixed-point parameters of a call (1/256 pixel, 1/256 for ratios).
struct teethFixed {
    int32_t width;     // W, the expected width
    int32_t pitch;     // P
    int32_t minWidth;  // open interval of tooth widths
    int32_t maxWidth;
    int32_t minStrength;  // negative: none
    int32_t minRatio;
    int32_t halfLength;  // L, half the scan length
    int32_t origin;      // O, the grid origin before the centre
    int32_t bins;        // scan length / (0.8 pitch), rounded
};

struct teethCall {
    cidut_edgePairingParams params;  // the caller's, rescaled into the working frame
    const cidut_edgeList* list;
    cmath_shapeLine imageLine;  // the scan line; positions are distances from its point
    double imageLength;
    cmath_shapeLine workLine;  // the same in the working frame
    double workLength;
    bool corrected;      // positions were carried through the perspective mapping
    int32_t* positions;  // working positions, one per edge
    teethFixed fixed;
    cidut_toothCand* candidates;  // in bin order
    int32_t candidateCount;
    int32_t dominantWidth;
    int32_t phase;  // the grid shift
};

// The values of the results as a call starts: all unset.
void resetTeethValues(cidut_teethResults* results);

// The scan line of a rectangle's centre form: through the centre along the x side.
cmath_shapeLine centreLineOf(const cmath_shapeAffineRectCenter& centre);

// Fixed point as the library converts: v * 256 rounded half away from zero, then truncated.
int32_t toFixed8(double v);

// Lengths of the scan line and the parameters stay below this many pixels (2^22), so that their
// values in 1/256 pixel, and ten pitches, fit in 32 bits.
constexpr double kLongestLength = 4194304.0;

// Working positions (through forward when given), rescaled parameters and the fixed-point set of
// the call. The statuses are those of cidut_edgesToTeeth.
int32_t prepareTeethCall(teethCall* call, const cmath_xform* forward,
                         const cmath_shapeAffineRect& rect);

// The candidate pairs of the call, counted; then, into room for that many candidates and as many
// bin numbers, filled in bin order.
int32_t countCandidates(const teethCall& call, int32_t* count);
void collectCandidates(teethCall* call, int32_t* bins);

// Dominant width and grid phase, with work for 6 values per candidate; *found = false when the
// candidates show no clear grid.
int32_t findGrid(teethCall* call, int32_t* work, bool* found);

// Scores the candidates against the grid and fills results->teeth; then conflicts, gaps, image
// centres and points. *kept = false when fewer than minTeeth slots were filled.
int32_t assignSlots(const teethCall& call, cidut_teethResults* results);
int32_t completeSlots(const teethCall& call, const cmath_xform* inverse,
                      const cmath_xformLinear* linear, cidut_teethResults* results, bool* kept);

// The ratio num / den in 1/256 as the scores take it, (num * 16) / ((den + 8) >> 4); 0 when the
// divisor rounds to 0.
int32_t ratio256(int64_t num, int64_t den);

}  // namespace cidut
