// The edge-scan runner: clipping, the guard on the ROI's margin, and the three pixel loops.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "ci_id/edgescan.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/peak_rule.h"
#include "ci_id/status.h"

namespace {

using pixelPtr = const uint8_t*;

// The Sobel gradient projected onto a gradient direction, in 16-bit weights whose sum of
// magnitudes never exceeds 128, so a gradient of 8-bit pixels always fits 16 bits.
struct kernel {
    int32_t w1, w2, w3, w4;  // below-left - above-right, below - above, below-right - above-left,
                             // right - left
    intptr_t pitch;

    int32_t at(pixelPtr p) const {
        const intptr_t s = pitch;
        return w1 * (p[s - 1] - p[-s + 1]) + w2 * (p[s] - p[-s]) + w3 * (p[s + 1] - p[-s - 1]) +
               w4 * (p[1] - p[-1]);
    }
};

kernel kernelFor(const cidc_gradientDir16& g, intptr_t pitch) {
    const int32_t a = g.x < 0 ? -g.x : g.x;
    const int32_t b = g.y < 0 ? -g.y : g.y;
    if (a == 0 && b == 0) return kernel{0, 0, 0, 0, pitch};
    const int32_t n = b < a ? 2 * a + b : a + 2 * b;
    const auto gx = static_cast<int16_t>(g.x * 64 / n);
    const auto gy = static_cast<int16_t>(g.y * 64 / n);
    return kernel{gy - gx, 2 * gy, gx + gy, 2 * gx, pitch};
}

using tracker = cidut::peakTracker<int32_t>;

// What every loop of one scan shares: the threshold, the position offset (the scan coordinate u
// of the start pixel's centre) and the peak vector.
struct scanSetup {
    int64_t threshold;
    int64_t offset;
    cstd_vector_cidc_peakIDFixedX_4* peaks;
};

int32_t startTracker(const scanSetup& s, int32_t first, int64_t samples,
                     cidc_peakDetectState* state, tracker* t) {
    CSTD_ASSERT(samples <= INT32_MAX);
    int32_t status =
        cidc_peakDetectState_init(state, s.peaks, first, static_cast<int32_t>(samples));
    if (status >= 0) *t = tracker::of(*state);
    return status;
}

int32_t finishTracker(const scanSetup& s, const tracker& t, cidc_peakDetectState* state) {
    t.settleAll(state->nextPeak, s.offset);
    t.storeInto(state);
    return cidc_peakDetectState_finish(state, s.peaks);
}

uint8_t meanOf(int32_t a, int32_t b) { return static_cast<uint8_t>((a + b) >> 1); }

// Axis-parallel scan with the gradient along it: smoothed differences of column sums. `along`
// steps toward the end, `across` to the neighbouring row or column; count >= 1 steps.
__attribute__((noinline)) int32_t runSmoothedDifference(pixelPtr start, intptr_t along,
                                                        intptr_t across, int32_t count,
                                                        const scanSetup& s) {
    // Column sums through a pointer to the first of their three pixels.
    auto columnSum = [across](pixelPtr q) { return q[0] + 2 * q[across] + q[2 * across]; };
    pixelPtr q = start - across;
    int32_t before2 = columnSum(q - along);  // S(k - 2)
    int32_t before = columnSum(q);           // S(k - 1)
    int32_t current = columnSum(q + along);  // S(k)
    cidc_peakDetectState state;
    tracker t;
    int32_t status =
        startTracker(s, static_cast<int16_t>(current - before2), int64_t{count} + 1, &state, &t);
    if (status < 0) return status;
    const auto threshold = cidut::clampTo<int32_t>(s.threshold >> 2);
    const pixelPtr end = q + (intptr_t{count} + 2) * along;
    for (q += 2 * along; q != end; q += along) {
        const int32_t after = columnSum(q);  // S(k + 1)
        t.feedInLoop(
            static_cast<int16_t>(after - before), threshold, [](int32_t v) { return v * 4; },
            [&] { return meanOf(current >> 2, before2 >> 2); });
        before2 = before;
        before = current;
        current = after;
    }
    return finishTracker(s, t, &state);
}

// Axis-parallel scan with any other gradient direction: the kernel at every pixel.
__attribute__((noinline)) int32_t runKernelAxis(pixelPtr start, intptr_t along, int32_t count,
                                                const kernel& k, const scanSetup& s) {
    cidc_peakDetectState state;
    tracker t;
    int32_t status =
        startTracker(s, static_cast<int16_t>(k.at(start)), int64_t{count} + 1, &state, &t);
    if (status < 0) return status;
    const auto threshold = cidut::clampTo<int32_t>(s.threshold * 8);
    pixelPtr p = start + along;
    for (int32_t i = 1; i <= count; ++i, p += along) {
        t.feedInLoop(
            static_cast<int16_t>(k.at(p)), threshold, [](int32_t v) { return v >> 3; },
            [&] { return meanOf(p[0], p[-2 * along]); });
    }
    return finishTracker(s, t, &state);
}

// One axis of the oblique walk: a position in 2^-20 pixel with pixel centres at whole pixels,
// advanced by the line's step and held between the centres of the segment's end pixels.
constexpr int64_t kUnit = int64_t{1} << 20;

struct walkAxis {
    int64_t position, step, lo, hi;

    int64_t held() const { return std::min(std::max(position, lo), hi); }
    static walkAxis of(int32_t from, int32_t to, int32_t lineStep) {
        const int64_t a = int64_t{from} * kUnit, b = int64_t{to} * kUnit;
        return walkAxis{a, int64_t{lineStep} * 16, std::min(a, b), std::max(a, b)};
    }
};

// The kernel gradient and grey level at a point between four pixel centres, interpolated
// bilinearly (the kernel being linear, this is the kernel of the interpolated image). p is the
// pixel at or before the point on both axes, wx and wy the 16-bit weights of the next ones; a
// zero weight reads no further pixel.
struct interpolated {
    int32_t gradient;
    int32_t grey;
};

interpolated sampleAt(const kernel& k, pixelPtr p, int32_t wx, int32_t wy) {
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

// Oblique scan: samples on the parallel of the line through the centre of the start pixel, one
// line step apart (one pixel, plus the rounding of the step, along the major axis), so that the
// position of each sample converts back to exactly where it was taken; the kernel is
// interpolated there rather than taken at the nearest pixel, whose offset from the line would
// shift edges that cross the scan obliquely. The walk is held within the box of the segment's
// end pixels, which the parallel may leave by up to a pixel near the ends.
__attribute__((noinline)) int32_t runKernelOblique(const cidc_scanLineSeg& seg,
                                                   pixelPtr windowPixels, intptr_t pitch,
                                                   const cidc_windowROI& roi, const kernel& k,
                                                   const scanSetup& s) {
    walkAxis x = walkAxis::of(seg.pix[0].x, seg.pix[1].x, seg.line.step.x);
    walkAxis y = walkAxis::of(seg.pix[0].y, seg.pix[1].y, seg.line.step.y);
    const bool xMajor = std::abs(seg.line.dir.x) >= std::abs(seg.line.dir.y);
    const walkAxis& major = xMajor ? x : y;
    const int64_t majorSpan = (major.hi - major.lo) >> 20;
    if (majorSpan + 1 < 3) return 0;
    // The step's major component is at least a pixel: at most majorSpan + 1 samples.
    const int64_t samples = majorSpan * kUnit / std::abs(major.step) + 1;
    int64_t px = seg.pix[0].x, py = seg.pix[0].y;
    pixelPtr p = windowPixels + (py + intptr_t{roi.winOriginY}) * pitch + px + roi.winOriginX;
    cidc_peakDetectState state;
    tracker t;
    int32_t status = startTracker(s, static_cast<int16_t>(k.at(p)), majorSpan + 1, &state, &t);
    if (status < 0) return status;
    const auto threshold = cidut::clampTo<int32_t>(s.threshold * 8);
    int32_t grey2 = 0;  // grey level two samples back
    int32_t grey1 = p[0];
    for (int64_t j = 1; j < samples; ++j) {
        x.position += x.step;
        y.position += y.step;
        const int64_t hx = x.held(), hy = y.held();
        p += ((hx >> 20) - px) + ((hy >> 20) - py) * pitch;
        px = hx >> 20;
        py = hy >> 20;
        const interpolated at = sampleAt(k, p, static_cast<int32_t>((hx & 0xFFFFF) >> 4),
                                         static_cast<int32_t>((hy & 0xFFFFF) >> 4));
        t.feedInLoop(
            static_cast<int16_t>(at.gradient), threshold, [](int32_t v) { return v >> 3; },
            [&] { return meanOf(at.grey, grey2); });
        grey2 = grey1;
        grey1 = at.grey;
    }
    return finishTracker(s, t, &state);
}

// The loops read one pixel around every pixel of the ROI's inner rectangle (and one beyond the
// ends of axis-parallel scans, which lie in that rectangle too).
bool marginFits(const cidc_windowROI& roi, const cimg_windowConst& w) {
    if (roi.minX16 > roi.maxX16 || roi.minY16 > roi.maxY16) return false;
    const int64_t left = (roi.minX16 >> 4) + roi.winOriginX;
    const int64_t right = (roi.maxX16 >> 4) + roi.winOriginX;
    const int64_t top = (roi.minY16 >> 4) + roi.winOriginY;
    const int64_t bottom = (roi.maxY16 >> 4) + roi.winOriginY;
    return left >= 1 && top >= 1 && right <= int64_t{w.width} - 2 &&
           bottom <= int64_t{w.height} - 2;
}

}  // namespace

extern "C" {

int32_t cidc_runEdgeScan(const cimg_imageConst* image, const cidc_windowROI* roi,
                         const cidc_edgeScanParams* params, const cidc_scanShape* shape,
                         const cidc_gradientDir16* gradient, cstd_vector_cidc_peakIDFixedX_4* peaks,
                         cidc_scanLineSeg* segment) {
    CSTD_ASSERT(image && roi && params && shape && gradient && peaks && segment);
    cimg_windowConst w;
    int32_t status = cimg_windowConst_init(&w, image);
    if (status < 0) return status;
    if (w.depth != CIMG_DEPTH_8U) return CID_STATUS_INVALID_IMAGE;
    if (!marginFits(*roi, w)) return CID_STATUS_INVALID_PARAMETER;
    cidc_scanLineSeg seg;
    status = cidc_scanShape_clip(shape, roi, &seg);
    if (status < 0) return status;
    *segment = seg;
    if (seg.degenerate) return 0;
    const scanSetup setup{params->contrastThreshold, seg.scanPos[0].u, peaks};
    const kernel k = kernelFor(*gradient, w.pitch);
    const bool horizontal = seg.line.dir.y == 0;
    if (!horizontal && seg.line.dir.x != 0) {
        return runKernelOblique(seg, w.pixels, w.pitch, *roi, k, setup);
    }
    const intptr_t column = intptr_t{seg.pix[0].x} + roi->winOriginX;
    const intptr_t row = intptr_t{seg.pix[0].y} + roi->winOriginY;
    const pixelPtr start = w.pixels + row * w.pitch + column;
    const int64_t from = horizontal ? seg.pix[0].x : seg.pix[0].y;
    const int64_t to = horizontal ? seg.pix[1].x : seg.pix[1].y;
    if (from == to) return 0;
    const intptr_t unit = horizontal ? 1 : w.pitch;
    const intptr_t along = to > from ? unit : -unit;
    const intptr_t across = horizontal ? w.pitch : 1;
    const auto count = static_cast<int32_t>(std::abs(to - from));
    const bool gradientAlong = horizontal ? gradient->y == 0 : gradient->x == 0;
    if (gradientAlong) return runSmoothedDifference(start, along, across, count, setup);
    return runKernelAxis(start, along, count, k, setup);
}
}
