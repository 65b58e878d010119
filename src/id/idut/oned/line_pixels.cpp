// Grey profiles along a line: bilinear and nearest-pixel samplers, the variation measure and the
// sample count.
#include <cstddef>

#include "ci_id/oned.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/priv/ci_idut/oned/line_walk.h"

namespace {

using cidut::lineWalk;

// Repeats the first and the last sample inside the window over the samples clipped off.
int32_t padClippedEnds(uint8_t* samples, int32_t n, const lineWalk& walk) {
    int32_t status =
        csys_memory_fill(samples[walk.first], static_cast<size_t>(walk.first), samples);
    if (status >= 0) {
        status = csys_memory_fill(samples[walk.end - 1], static_cast<size_t>(n - walk.end),
                                  samples + walk.end);
    }
    return status;
}

// Bilinear samples along the walk; returns their mean.
uint8_t sampleBilinear(const cimg_windowConst& window, const lineWalk& walk, uint8_t* samples) {
    uint64_t sum = 0;
    int64_t x = walk.x;
    int64_t y = walk.y;
    for (int32_t k = walk.first; k < walk.end; ++k, x += walk.dx, y += walk.dy) {
        const uint32_t v = cidut::bilinear(window, x, y);
        samples[k] = static_cast<uint8_t>(v >> 16);
        sum += v >> 8;
    }
    return static_cast<uint8_t>((sum / static_cast<uint64_t>(walk.end - walk.first)) >> 8);
}

int32_t sampleLine(const cimg_windowConst* window, const cmath_vect* p0, const cmath_vect* p1,
                   uint8_t* samples, int32_t n, bool halfStep, uint8_t* mean) {
    CSTD_ASSERT(window && p0 && p1 && samples && mean);
    lineWalk walk;
    int32_t status = cidut::startLineWalk(*window, *p0, *p1, n, halfStep, &walk);
    if (status < 0) return status;
    *mean = sampleBilinear(*window, walk, samples);
    return padClippedEnds(samples, n, walk);
}

int32_t spacingOf(const cmath_vect* p0, const cmath_vect* p1, int32_t n, double* spacing) {
    double distance = 0.0;
    const int32_t status = cmath_vect_getDistance(p0, p1, &distance);
    if (status >= 0) *spacing = distance / n;
    return status;
}

}  // namespace

extern "C" {

int32_t cidut_getPixelCount(const cmath_vect* p0, const cmath_vect* p1, int32_t* count) {
    CSTD_ASSERT(p0 && p1 && count);
    double distance = 0.0;
    const int32_t status = cmath_vect_getDistance(p0, p1, &distance);
    if (status >= 0) *count = cmath_double_round(distance);
    return status;
}

int32_t cidut_linePixels(const cimg_windowConst* window, const cmath_vect* p0, const cmath_vect* p1,
                         uint8_t* samples, int32_t n, uint8_t* mean, double* spacing) {
    CSTD_ASSERT(spacing);
    const int32_t status = sampleLine(window, p0, p1, samples, n, true, mean);
    return status < 0 ? status : spacingOf(p0, p1, n, spacing);
}

int32_t cidut_linePixels1(const cimg_windowConst* window, const cmath_vect* p0,
                          const cmath_vect* p1, uint8_t* samples, int32_t n, uint8_t* mean) {
    return sampleLine(window, p0, p1, samples, n, false, mean);
}

int32_t cidut_linePixels_LowPPM(const cimg_windowConst* window, const cmath_vect* p0,
                                const cmath_vect* p1, uint8_t* samples, int32_t n,
                                double* spacing) {
    CSTD_ASSERT(window && p0 && p1 && samples && spacing);
    lineWalk walk;
    int32_t status = cidut::startLineWalk(*window, *p0, *p1, n, true, &walk);
    if (status < 0) return status;
    int64_t x = walk.x;
    int64_t y = walk.y;
    for (int32_t k = walk.first; k < walk.end; ++k, x += walk.dx, y += walk.dy) {
        samples[k] = *cidut::neighbourhood(*window, x, y);
    }
    status = padClippedEnds(samples, n, walk);
    return status < 0 ? status : spacingOf(p0, p1, n, spacing);
}

int32_t cidut_linePixels2D(const cimg_windowConst* window, const cmath_vect* p0,
                           const cmath_vect* p1, int32_t n, uint32_t* sum) {
    CSTD_ASSERT(window && p0 && p1 && sum);
    lineWalk walk;
    const int32_t status = cidut::startLineWalk(*window, *p0, *p1, n, false, &walk);
    if (status < 0) return status;
    int64_t x = walk.x;
    int64_t y = walk.y;
    uint32_t previous = cidut::bilinear(*window, x, y) >> 16;
    uint32_t total = 0;
    for (int32_t k = walk.first + 1; k < (walk.end >> 1); ++k) {
        x += 2 * walk.dx;
        y += 2 * walk.dy;
        const uint32_t sample = cidut::bilinear(*window, x, y) >> 16;
        total += sample > previous ? sample - previous : previous - sample;
        previous = sample;
    }
    *sum = total;
    return 0;
}

}  // extern "C"
