// The oblique pixel loop of the edge-scan runner.
//
// Samples lie on the parallel of the scan line through the centre of the start pixel, one line
// step apart (one pixel, plus the rounding of the step, along the major axis), so that the
// position of each sample converts back to exactly where it was taken. The kernel is
// interpolated there rather than taken at the nearest pixel, whose offset from the line would
// shift edges that cross the scan obliquely. The walk is held within the box of the segment's
// end pixels, which the parallel may leave by up to a pixel near the ends.
#include <algorithm>
#include <cstdlib>

#include "ci_id/priv/ci_idut/scan/edge_loops.h"

namespace cidut {
namespace {

// Positions in 2^-20 pixel, pixel centres at whole pixels.
constexpr int64_t kUnit = int64_t{1} << 20;

// One axis of the walk: advanced by the line's step, held between the end pixels' centres.
struct walkAxis {
    int64_t start, step, lo, hi;

    static walkAxis of(int32_t from, int32_t to, int32_t lineStep) {
        const int64_t a = from * kUnit, b = to * kUnit;
        return walkAxis{a, int64_t{lineStep} * 16, std::min(a, b), std::max(a, b)};
    }
    int64_t held(int64_t position) const { return std::min(std::max(position, lo), hi); }
};

// The kernel gradient and grey level at a point between four pixel centres, interpolated
// bilinearly (the kernel being linear, this is the kernel of the interpolated image). p is the
// pixel at or before the point on both axes, wx and wy the 16-bit weights of the next ones; a
// zero weight reads no further pixel.
struct interpolated {
    int32_t gradient;
    int32_t grey;
};

interpolated sampleBetween(const edgeKernel& k, pixelPtr p, int64_t x, int64_t y) {
    const auto wx = static_cast<int32_t>((x & (kUnit - 1)) >> 4);
    const auto wy = static_cast<int32_t>((y & (kUnit - 1)) >> 4);
    const intptr_t ex = wx != 0 ? 1 : 0;
    const intptr_t ey = wy != 0 ? k.pitch : 0;
    auto blend = [wx, wy](int64_t a, int64_t b, int64_t c, int64_t d) {
        const int64_t top = a * (65536 - wx) + b * wx;
        const int64_t bottom = c * (65536 - wx) + d * wx;
        return static_cast<int32_t>((top * (65536 - wy) + bottom * wy + (int64_t{1} << 31)) >> 32);
    };
    return interpolated{blend(k.at(p), k.at(p + ex), k.at(p + ey), k.at(p + ex + ey)),
                        blend(p[0], p[ex], p[ey], p[ex + ey])};
}

}  // namespace

int32_t runKernelOblique(const cidc_scanLineSeg& seg, pixelPtr windowPixels,
                         const cidc_windowROI& roi, const edgeKernel& k, const scanSetup& s) {
    const walkAxis x = walkAxis::of(seg.pix[0].x, seg.pix[1].x, seg.line.step.x);
    const walkAxis y = walkAxis::of(seg.pix[0].y, seg.pix[1].y, seg.line.step.y);
    const walkAxis& major = std::abs(seg.line.dir.x) >= std::abs(seg.line.dir.y) ? x : y;
    const int64_t majorSpan = (major.hi - major.lo) / kUnit;
    if (majorSpan + 1 < 3) return 0;
    // The step's major component is at least a pixel: at most majorSpan + 1 samples.
    const int64_t samples = majorSpan * kUnit / std::abs(major.step) + 1;
    const intptr_t pitch = k.pitch;
    auto pixelAt = [&](int64_t hx, int64_t hy) {
        return windowPixels + ((hy >> 20) + roi.winOriginY) * pitch + (hx >> 20) + roi.winOriginX;
    };
    auto at = [&](int32_t j) {
        const int64_t hx = x.held(x.start + j * x.step), hy = y.held(y.start + j * y.step);
        return sampleBetween(k, pixelAt(hx, hy), hx, hy);
    };
    cidc_peakDetectState state;
    loopTracker t;
    int32_t status = startScan(s, static_cast<int16_t>(at(0).gradient), majorSpan + 1, &state, &t);
    if (status < 0) return status;
    const int32_t threshold = loopThreshold(s.threshold * 8);
    int64_t px = x.start >> 20, py = y.start >> 20;
    pixelPtr p = pixelAt(x.start, y.start);
    int64_t xPosition = x.start, yPosition = y.start;
    for (int64_t j = 1; j < samples; ++j) {
        xPosition += x.step;
        yPosition += y.step;
        const int64_t hx = x.held(xPosition), hy = y.held(yPosition);
        p += ((hx >> 20) - px) + ((hy >> 20) - py) * pitch;
        px = hx >> 20;
        py = hy >> 20;
        t.feed(static_cast<int16_t>(sampleBetween(k, p, hx, hy).gradient), threshold, j);
    }
    return finishScan(
        s, t, &state, [](int64_t j) { return static_cast<int32_t>(j); },
        [&](int32_t j) { return static_cast<int16_t>(at(j).gradient); },
        [&](cidc_peakIDFixedX_4* peak, int32_t j, int32_t v) {
            peak->strength = v >> 3;
            peak->midLevel = meanOf(at(j).grey, at(j - 2).grey);
        });
}

}  // namespace cidut
