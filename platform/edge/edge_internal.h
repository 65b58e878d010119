// Internals of the edge library: the list records and the stages of a detection.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ci_id/platform/csedge.h"

struct csEdge {
    float x;
    float y;
    int32_t i;
    int32_t j;
    uint8_t magnitude;
};

struct csEdgeList {
    csEdge* edges;
    int64_t length;
    int64_t capacity;
    int32_t append;
    int32_t xShift;
    int32_t yShift;
};

struct csEdgeChain {
    int64_t start;
    int64_t length;
};

struct csEdgeChainList {
    csEdgeChain* chains;
    int64_t length;
    int64_t capacity;
};

namespace csedge {

// Smoothed-gradient planes over the whole view, row after row without padding; the gradient
// exists on columns 1 .. width - 2 of rows 1 .. height - 2. Magnitudes are in 8-bit units but
// kept unrounded, so that maxima compare exactly.
struct gradientPlanes {
    int32_t width;
    int32_t height;
    int32_t* gx;
    int32_t* gy;
    float* magnitude;
    uint8_t* marks;  // per pixel: 0, or an edgel candidate, strong one or kept one (below)
};

constexpr uint8_t kCandidate = 1;
constexpr uint8_t kStrong = 2;
constexpr uint8_t kKept = 3;
constexpr uint8_t kChained = 4;

inline size_t at(const gradientPlanes& planes, int32_t x, int32_t y) {
    return size_t(y) * size_t(planes.width) + size_t(x);
}

inline uint8_t magnitudeByte(float magnitude) {
    return magnitude >= 254.5f ? uint8_t{255} : static_cast<uint8_t>(magnitude + 0.5f);
}

// Smooths the source into `scratch` and then into `smoothed` (both width * height values).
void smooth(const csImage& source, float sigma, int32_t* scratch, int32_t* smoothed);

// Sobel gradient of the smoothed pixels into the planes; fills the output images when given.
// Polls for a stop request once per row.
int32_t gradient(const int32_t* smoothed, const gradientPlanes& planes, const csImage* magnitude,
                 const csImage* angle);

// Marks the pixels that pass the low threshold and are maxima across the edge, and returns their
// number. Without hysteresis they are kept at once (kKept); with it they are kCandidate, or
// kStrong when they also pass the high threshold.
int64_t markCandidates(const gradientPlanes& planes, const csEdgeParams& params);
bool usesHysteresis(const csEdgeParams& params);

// Keeps (kKept) the candidates 8-connected to a strong one and returns their number; stack has
// room for every candidate.
int64_t keepConnected(const gradientPlanes& planes, int64_t* stack);

// The edgel of the kept pixel (x, y) of a source whose top-left pixel is at (x0, y0).
csEdge edgelAt(const gradientPlanes& planes, int32_t x, int32_t y, int64_t x0, int64_t y0);

// Orders the kept pixels along chains (marking them kChained): order receives their plane
// indices, chains the runs of order that make up each chain (start relative to order). Returns
// the number of chains.
int64_t traceChains(const gradientPlanes& planes, int64_t* order, csEdgeChain* chains);

}  // namespace csedge
