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

    // The pixel after k steps, without walking them: the error term carries
    // floor((2 k dMinor + dMajor) / (2 dMajor)) times in k steps.
    pixelPtr after(pixelPtr start, int64_t k) const {
        return start + k * majorStep + (2 * k * dMinor + dMajor) / (2 * dMajor) * minorStep;
    }
};

}  // namespace

int32_t runKernelOblique(const cidc_scanLineSeg& seg, pixelPtr windowPixels,
                         const cidc_windowROI& roi, const edgeKernel& k, const scanSetup& s) {
    const bresenhamWalk walk = bresenhamWalk::of(seg, k.pitch);
    const int64_t samples = walk.dMajor + 1;
    if (samples < 3) return 0;
    const pixelPtr start = windowPixels + (intptr_t{seg.pix[0].y} + roi.winOriginY) * k.pitch +
                           seg.pix[0].x + roi.winOriginX;
    auto sampleAt = [&](int32_t j) { return k.at(walk.after(start, j)); };
    cidc_peakDetectState state;
    loopTracker t;
    int32_t status = startScan(s, sampleAt(0), samples, &state, &t);
    if (status < 0) return status;
    const int32_t threshold = loopThreshold(s.threshold * 8);
    pixelPtr p = start;
    int64_t error = 0;
    for (int64_t j = 1; j < samples; ++j) {
        p += walk.majorStep;
        error += walk.dMinor;
        if (walk.dMajor <= 2 * error) {
            p += walk.minorStep;
            error -= walk.dMajor;
        }
        t.feed(k.at(p), threshold, j);
    }
    return finishScan(
        s, t, &state, [](int64_t j) { return static_cast<int32_t>(j); }, sampleAt,
        [&](cidc_peakIDFixedX_4* peak, int32_t j, int32_t v) {
            peak->strength = v >> 3;
            peak->midLevel = meanOf(*walk.after(start, j), *walk.after(start, j - 2));
        });
}

}  // namespace cidut
