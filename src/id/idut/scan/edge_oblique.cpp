// The oblique pixel loop of the edge-scan runner: an integer Bresenham walk between the end
// pixels of the clipped segment, with the kernel gradient at every pixel walked.
#include <cstdlib>

#include "ci_id/priv/ci_idut/scan/edge_loops.h"

namespace cidut {
namespace {

// The walk: one pixel along the major axis per step (y is major only when it is strictly
// longer, so ties go to x), and one along the minor axis whenever twice the error term, which
// gains dMinor per step, reaches dMajor.
struct bresenhamWalk {
    int64_t dMajor;
    int64_t dMinor;
    intptr_t majorStep;  // pointer increments
    intptr_t minorStep;

    static bresenhamWalk of(const cidc_scanLineSeg& seg, intptr_t pitch) {
        const int64_t dx = int64_t{seg.pix[1].x} - seg.pix[0].x;
        const int64_t dy = int64_t{seg.pix[1].y} - seg.pix[0].y;
        const intptr_t xStep = dx < 0 ? -1 : 1;
        const intptr_t yStep = dy < 0 ? -pitch : pitch;
        if (std::llabs(dx) < std::llabs(dy)) {
            return bresenhamWalk{std::llabs(dy), std::llabs(dx), yStep, xStep};
        }
        return bresenhamWalk{std::llabs(dx), std::llabs(dy), xStep, yStep};
    }
};

// Samples `from` to n - 1 of the walk, the first at pixel *p and with the error term *error;
// leaves both at the next one. The step after the last sample stays within the ROI's margin and
// reads nothing.
template <typename Sample>
void walkSamples(const bresenhamWalk& walk, const edgeKernel& k, pixelPtr* p, int64_t* error,
                 int32_t n, Sample* sample, uint8_t* level) {
    // Locals, so that they stay in registers across the stores of levels, which might alias
    // anything.
    const edgeKernel kernel = k;
    const int64_t dMajor = walk.dMajor, dMinor = walk.dMinor;
    const intptr_t majorStep = walk.majorStep, minorStep = walk.minorStep;
    pixelPtr q = *p;
    int64_t e = *error;
    for (int32_t i = 0; i < n; ++i) {
        sample[i] = static_cast<Sample>(kernel.at(q));
        level[i] = *q;
        e += dMinor;
        const bool carries = dMajor <= 2 * e;
        q += majorStep + (carries ? minorStep : 0);
        e -= carries ? dMajor : 0;
    }
    *p = q, *error = e;
}

}  // namespace

int32_t runKernelOblique(const cidc_scanLineSeg& seg, pixelPtr windowPixels,
                         const cidc_windowROI& roi, const edgeKernel& k, const scanSetup& s) {
    const bresenhamWalk walk = bresenhamWalk::of(seg, k.pitch);
    const int64_t samples = walk.dMajor + 1;
    if (samples < 3) return 0;
    pixelPtr p = windowPixels + (intptr_t{seg.pix[0].y} + roi.winOriginY) * k.pitch + seg.pix[0].x +
                 roi.winOriginX;
    int64_t error = 0;
    auto fill = [&](auto* sample, uint8_t* level, int32_t n) {
        walkSamples(walk, k, &p, &error, n, sample, level);
    };
    const int32_t threshold = loopThreshold(s.threshold * 8);
    auto strengthOf = [](int32_t v) { return v >> 3; };
    if (k.isNarrow()) return runBlocks<int16_t>(s, threshold, samples, fill, strengthOf);
    return runBlocks<int32_t>(s, threshold, samples, fill, strengthOf);
}

}  // namespace cidut
