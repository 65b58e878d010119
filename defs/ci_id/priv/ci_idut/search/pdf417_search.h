// Pieces of the whole-image PDF417 search: grey profiles and edge lists along scan lines, and the
// measurement of a symbol from its start pattern's wide bar.
#pragma once

#include <cstdint>

#include "ci_id/platform/cimg.h"
#include "ci_id/search.h"
#include "ci_id/tracking.h"

namespace cidut {

// Arrays of one scan line, capacity entries each, from the library allocator.
struct lineScratch {
    uint8_t* samples;
    cmath_vect* points;  // image point of each sample
    int32_t* strengths;  // of the edges, in list order
    int32_t* positions;  // of the edges, 1/256 pixel from the line's start
    int16_t* edges;      // signed sample index of the last sample before each edge
    double* along;       // pixels from the line's start to each edge
    int32_t capacity;
};

int32_t lineScratch_allocate(int32_t capacity, lineScratch* s);
void lineScratch_release(lineScratch* s);

// One sample per pixel from `from` to `to`, and the edges between them: alternating in
// polarity, at least a quarter as strong as the strongest, the stronger kept of two of the same
// polarity in a row. *length is 0 when the line misses the window.
struct sampledLine {
    cmath_vect from;
    cmath_vect step;  // from one sample to the next
    int32_t length;   // samples
    int32_t edgeCount;
};
int32_t sampleLine(const cimg_windowConst& window, const cmath_vect& from, const cmath_vect& to,
                   lineScratch* s, sampledLine* line);
// The same line walked the other way.
void reverseLine(lineScratch* s, sampledLine* line);

// The symbol one of whose wide bars (the start pattern's or the stop pattern's) the finder
// located in `bar`: rows across the bar, up to maxLength pixels either way, must show the start
// pattern and after it the stop pattern; the corners are where the lines fitted through the
// patterns' outer edges meet the lines through the ends of their wide bars.
int32_t measureSymbol(const cimg_windowConst& window, const cid2d_trackingResult& bar,
                      double maxLength, lineScratch* s,
                      cid_symbol* symbol, bool* found);

}  // namespace cidut
