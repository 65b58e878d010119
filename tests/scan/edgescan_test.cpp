// The edge-scan runner on rendered scenes: exact values on a vertical step, sub-pixel accuracy on
// step edges at random angles and offsets in all three pixel loops, identical results inside a
// padded image, and the guards on images and ROIs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "ci_id/edgescan.h"
#include "ci_id/status.h"
#include "edge_scene.h"
#include "test_support.h"

namespace {

using cid_test::sceneImage;
using peakVector = cstd_vector_cidc_peakIDFixedX_4;

constexpr double kPi = 3.14159265358979323846;

struct scanResult {
    int32_t status;
    std::vector<cidc_peakIDFixedX_4> peaks;
    cidc_scanLineSeg segment;
};

std::vector<cidc_peakIDFixedX_4> contents(peakVector* v) {
    cidc_peakIDFixedX_4* begin = nullptr;
    int32_t size = 0;
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_getBeginSize32(v, &begin, &size), 0);
    return std::vector<cidc_peakIDFixedX_4>(begin, begin + size);
}

scanResult scan(const cimg_imageConst* image, const cidc_windowROI& roi, const cidc_scanLine& line,
                cidc_gradientDir16 gradient, int32_t threshold) {
    peakVector v;
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&v), 0);
    cidc_scanShape shape;
    cidc_scanShape_initScanLine(&shape, &line);
    const cidc_edgeScanParams params{threshold};
    scanResult r{};
    r.status = cidc_runEdgeScan(image, &roi, &params, &shape, &gradient, &v, &r.segment);
    r.peaks = contents(&v);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
    return r;
}

cidc_scanLine lineThrough(int64_t x, int64_t y, cidc_unitDir16 dir) {
    cidc_scanLine line;
    const cidc_point64_4 p{x, y};
    EXPECT_EQ(cidc_scanLine_initPointDir(&line, &p, &dir), 0);
    return line;
}

// A window of 20 x 5 pixels: grey 0 in columns 0 to 9, 200 from column 10.
class VerticalStep : public ::testing::Test {
protected:
    VerticalStep() : scene_(20, 5, 2, cid_test::stepEdgeScene(0, 10, 0, 200), 1) {
        const cidc_windowRect w = scene_.window();
        cidc_windowROI_initCorner(&roi_, &w, 1, 1);
    }
    sceneImage scene_;
    cidc_windowROI roi_;
};

TEST_F(VerticalStep, SmoothedDifferenceAlongTheRow) {
    const cidc_unitDir16 right{65536, 0}, left{-65536, 0};
    for (cidc_gradientDir16 g : {cidc_gradientDir16{1, 0}, cidc_gradientDir16{-1, 0}}) {
        scanResult r = scan(scene_.image(), roi_, lineThrough(0, 40, right), g, 10);
        ASSERT_EQ(r.status, 0);
        ASSERT_EQ(r.peaks.size(), 1u);
        EXPECT_EQ(r.peaks[0].strength, 3200);
        // Midway between the centres of columns 9 (u = 152) and 10 (u = 168).
        EXPECT_EQ(r.peaks[0].position, 160);
        EXPECT_EQ(r.peaks[0].midLevel, 100);
        cmath_vect image;
        cidc_convertPeakToImage(&r.peaks[0].position, &r.segment, roi_.originX, roi_.originY,
                                &image);
        EXPECT_DOUBLE_EQ(image.x, 2 + 10.0);
        EXPECT_DOUBLE_EQ(image.y, 2 + 2.5);
    }
    scanResult r = scan(scene_.image(), roi_, lineThrough(0, 40, left), {1, 0}, 10);
    ASSERT_EQ(r.peaks.size(), 1u);
    EXPECT_EQ(r.peaks[0].strength, -3200);
    EXPECT_EQ(r.peaks[0].position, -160);
}

TEST_F(VerticalStep, KernelLoopFollowsTheGradientDirection) {
    const cidc_unitDir16 right{65536, 0};
    scanResult r = scan(scene_.image(), roi_, lineThrough(0, 40, right), {1, 1}, 10);
    ASSERT_EQ(r.peaks.size(), 1u);
    // Weights 0, 42, 42, 42: (42 + 42) 200 / 8.
    EXPECT_EQ(r.peaks[0].strength, 2100);
    EXPECT_EQ(r.peaks[0].position, 160);
    EXPECT_EQ(r.peaks[0].midLevel, 100);
    r = scan(scene_.image(), roi_, lineThrough(0, 40, right), {-1, -1}, 10);
    ASSERT_EQ(r.peaks.size(), 1u);
    EXPECT_EQ(r.peaks[0].strength, -2100);
    // Across the scan the step has no gradient.
    r = scan(scene_.image(), roi_, lineThrough(0, 40, right), {0, 1}, 10);
    EXPECT_TRUE(r.peaks.empty());
}

// Axis-parallel gradient directions are normalised like all others: only the direction of
// (gx, gy) matters, whatever its size, and a large one cannot overflow the 16-bit gradient.
TEST(EdgeScan, AxisGradientsAreNormalisedLikeTheOthers) {
    sceneImage diagonal(40, 40, 2, cid_test::stepEdgeScene(kPi / 4, 28, 0, 250), 4);
    const cidc_windowRect w = diagonal.window();
    cidc_windowROI roi;
    cidc_windowROI_initCorner(&roi, &w, 1, 1);
    const cidc_unitDir16 right{65536, 0};
    const cidc_scanLine row = lineThrough(0, 16 * 20 + 8, right);
    const scanResult small = scan(diagonal.image(), roi, row, {0, 1}, 10);
    ASSERT_EQ(small.peaks.size(), 1u);
    EXPECT_GT(small.peaks[0].strength, 0);
    for (int16_t size : {int16_t{7}, int16_t{32}, int16_t{1000}, int16_t{32767}}) {
        const scanResult big = scan(diagonal.image(), roi, row, {0, size}, 10);
        ASSERT_EQ(big.peaks.size(), 1u) << size;
        EXPECT_EQ(big.peaks[0].strength, small.peaks[0].strength) << size;
        EXPECT_EQ(big.peaks[0].position, small.peaks[0].position) << size;
    }
    // A threshold beyond 16 bits once scaled is still a threshold, not a wrapped one.
    EXPECT_TRUE(scan(diagonal.image(), roi, row, {0, 1}, 5000).peaks.empty());
    EXPECT_TRUE(scan(diagonal.image(), roi, row, {1, 0}, 1 << 20).peaks.empty());
}

TEST_F(VerticalStep, ShapesThatMissOrBarelyTouch) {
    peakVector v;
    cidc_peakIDFixedX_4 old{};
    old.position = 77;
    ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructFill(&v, 1, &old), 0);
    const cidc_unitDir16 right{65536, 0};
    const cidc_scanLine outside = lineThrough(0, 16 * 4 + 8, right);  // row 4 is in the margin
    cidc_scanShape shape;
    cidc_scanShape_initScanLine(&shape, &outside);
    const cidc_edgeScanParams params{10};
    const cidc_gradientDir16 g{1, 0};
    cidc_scanLineSeg segment{};
    ASSERT_EQ(cidc_runEdgeScan(scene_.image(), &roi_, &params, &shape, &g, &v, &segment), 0);
    EXPECT_EQ(segment.degenerate, 1);
    ASSERT_EQ(contents(&v).size(), 1u);
    EXPECT_EQ(contents(&v)[0].position, 77);
    // A diagonal through the corner pixel of the ROI only: fewer than 3 pixels.
    cidc_unitDir16 diagonal;
    cidc_unitDir16_initVect(&diagonal, 1, -1);
    const cidc_scanLine corner = lineThrough(16 * 1 + 8, 16 * 1 + 8, diagonal);
    cidc_scanShape_initScanLine(&shape, &corner);
    ASSERT_EQ(cidc_runEdgeScan(scene_.image(), &roi_, &params, &shape, &g, &v, &segment), 0);
    EXPECT_EQ(contents(&v).size(), 1u);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
}

TEST_F(VerticalStep, TwoScansAppend) {
    peakVector v;
    ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&v), 0);
    const cidc_unitDir16 right{65536, 0}, left{-65536, 0};
    const cidc_scanLine forward = lineThrough(0, 40, right);
    const cidc_scanLine back = lineThrough(0, 24, left);
    const cidc_edgeScanParams params{10};
    const cidc_gradientDir16 g{1, 0};
    cidc_scanShape shape;
    cidc_scanLineSeg segment;
    cidc_scanShape_initScanLine(&shape, &forward);
    ASSERT_EQ(cidc_runEdgeScan(scene_.image(), &roi_, &params, &shape, &g, &v, &segment), 0);
    cidc_scanShape_initScanLine(&shape, &back);
    ASSERT_EQ(cidc_runEdgeScan(scene_.image(), &roi_, &params, &shape, &g, &v, &segment), 0);
    auto all = contents(&v);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].strength, 3200);
    EXPECT_EQ(all[1].strength, -3200);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
}

TEST_F(VerticalStep, GuardsOnImagesAndROIs) {
    peakVector v;
    cidc_peakIDFixedX_4 old{};
    ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructFill(&v, 2, &old), 0);
    const cidc_unitDir16 right{65536, 0};
    const cidc_scanLine row = lineThrough(0, 40, right);
    cidc_scanShape shape;
    cidc_scanShape_initScanLine(&shape, &row);
    const cidc_edgeScanParams params{10};
    const cidc_gradientDir16 g{1, 0};
    cidc_scanLineSeg segment{}, untouched{};
    segment.pts[0].x = 12345;
    untouched = segment;
    // Margins of 0 would read outside the window.
    const cidc_windowRect w = scene_.window();
    cidc_windowROI noMargin, sideMargin;
    cidc_windowROI_initCorner(&noMargin, &w, 0, 0);
    cidc_windowROI_initCorner(&sideMargin, &w, 1, 0);
    for (const cidc_windowROI* bad : {&noMargin, &sideMargin}) {
        EXPECT_EQ(cidc_runEdgeScan(scene_.image(), bad, &params, &shape, &g, &v, &segment),
                  CID_STATUS_INVALID_PARAMETER);
    }
    // A ROI of a larger window.
    const cidc_windowRect larger{40, 20, 0, 0};
    cidc_windowROI foreign;
    cidc_windowROI_initCorner(&foreign, &larger, 1, 1);
    EXPECT_EQ(cidc_runEdgeScan(scene_.image(), &foreign, &params, &shape, &g, &v, &segment),
              CID_STATUS_INVALID_PARAMETER);
    cimg_image wide;
    ASSERT_EQ(cimg_image_construct(&wide, CIMG_DEPTH_32S, 20, 5), 0);
    EXPECT_EQ(cidc_runEdgeScan(&wide.asConst, &roi_, &params, &shape, &g, &v, &segment),
              CID_STATUS_INVALID_IMAGE);
    cimg_image_destruct(&wide);
    cimg_image unbound;
    cimg_image_constructUnbound(&unbound);
    EXPECT_EQ(cidc_runEdgeScan(&unbound.asConst, &roi_, &params, &shape, &g, &v, &segment),
              CIMG_STATUS_NOT_BOUND);
    cimg_image_destruct(&unbound);
    EXPECT_EQ(std::memcmp(&segment, &untouched, sizeof segment), 0);
    EXPECT_EQ(contents(&v).size(), 2u);
    {
        cid_test::countingAllocator allocator;
        allocator.failAfter(0);
        EXPECT_EQ(cidc_runEdgeScan(scene_.image(), &roi_, &params, &shape, &g, &v, &segment),
                  CSYS_STATUS_OUT_OF_MEMORY);
    }
    EXPECT_EQ(contents(&v).size(), 2u);
    EXPECT_PRECONDITION(
        cidc_runEdgeScan(scene_.image(), &roi_, &params, &shape, nullptr, &v, &segment));
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
}

// Scans of one kind over step edges at random angles and sub-pixel offsets.
enum class loopKind { smoothed, kernelAxis, oblique };

struct edgeCase {
    double normal;  // angle of the edge normal (grey rises along it)
    double offset;  // the edge is x cos(normal) + y sin(normal) = offset, window coordinates
    cidc_scanLine line;
    cidc_gradientDir16 gradient;
};

constexpr int32_t kSize = 48;

// maxTilt bounds the angle between an oblique scan and the nearest axis.
edgeCase randomCase(std::mt19937& rng, loopKind kind, double maxTilt) {
    std::uniform_real_distribution<double> unit(0, 1);
    edgeCase c{};
    // The scan direction, then an edge normal within 35 degrees of it.
    double scanAngle = kPi / 2 * static_cast<int>(rng() % 4);
    if (kind == loopKind::oblique) {
        const double tilt = 0.01 + (maxTilt - 0.01) * unit(rng);
        scanAngle += rng() % 2 ? tilt : -tilt;
    }
    c.normal = scanAngle + (unit(rng) - 0.5) * 2 * (35 * kPi / 180);
    // Through a point near the window's centre, the edge offset random to a sub-pixel.
    const double cx = kSize / 2 + (unit(rng) - 0.5) * 12, cy = kSize / 2 + (unit(rng) - 0.5) * 12;
    c.offset = cx * std::cos(c.normal) + cy * std::sin(c.normal) + (unit(rng) - 0.5) * 6;
    cidc_unitDir16 dir;
    cidc_unitDir16_initVect(&dir, static_cast<int32_t>(std::lround(1e6 * std::cos(scanAngle))),
                            static_cast<int32_t>(std::lround(1e6 * std::sin(scanAngle))));
    // The line's point, relative to the ROI origin at the window's centre.
    const int64_t px = std::llround((cx - kSize / 2) * 16 + (unit(rng) - 0.5) * 64);
    const int64_t py = std::llround((cy - kSize / 2) * 16 + (unit(rng) - 0.5) * 64);
    c.line = lineThrough(px, py, dir);
    // The gradient direction: along the scan for the smoothed loop; the edge normal, off the
    // axes, for the kernel loops.
    const double g = kind == loopKind::smoothed ? scanAngle : c.normal;
    c.gradient = cidc_gradientDir16{static_cast<int16_t>(std::lround(300 * std::cos(g))),
                                    static_cast<int16_t>(std::lround(300 * std::sin(g)))};
    if (kind == loopKind::smoothed) {
        (dir.x == 0 ? c.gradient.x : c.gradient.y) = 0;
    } else if (c.gradient.x == 0 || c.gradient.y == 0) {
        c.gradient.x += 1;
        c.gradient.y += 1;
    }
    return c;
}

// Every scan finds exactly one peak, within 0.25 pixel of the edge once converted to image
// coordinates, and the same scan on the window of an exact-size image (no padding: a read
// outside the window would differ, or be caught by the address sanitizer) gives the same peaks.
void checkEdges(loopKind kind, uint32_t seed, double minBlur, double maxBlur, double maxTilt) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> blurOf(minBlur, maxBlur);
    double worst = 0;
    for (int trial = 0; trial < 120; ++trial) {
        const edgeCase c = randomCase(rng, kind, maxTilt);
        const double blur = blurOf(rng);
        const auto edge = cid_test::stepEdgeScene(c.normal, c.offset, 40, 190, blur);
        // A blurred edge varies slowly within a pixel: fewer area samples render it as well.
        const int samples = blur > 0 ? 3 : 8;
        sceneImage padded(kSize, kSize, 6, edge, samples, seed + trial);
        sceneImage exact(kSize, kSize, 0, edge, samples);
        cidc_windowROI roiPadded, roiExact;
        const cidc_windowRect wp = padded.window(), we = exact.window();
        cidc_windowROI_initCenter(&roiPadded, &wp, 2, 2);
        cidc_windowROI_initCenter(&roiExact, &we, 2, 2);
        const scanResult r = scan(padded.image(), roiPadded, c.line, c.gradient, 300);
        ASSERT_EQ(r.status, 0);
        ASSERT_EQ(r.segment.degenerate, 0);
        ASSERT_EQ(r.peaks.size(), 1u) << "trial " << trial;
        EXPECT_GT(r.peaks[0].strength, 0);
        cmath_vect at;
        cidc_convertPeakToImage(&r.peaks[0].position, &r.segment, roiPadded.originX,
                                roiPadded.originY, &at);
        // Back to window coordinates, then the distance to the edge.
        const double x = at.x - wp.x, y = at.y - wp.y;
        const double error = x * std::cos(c.normal) + y * std::sin(c.normal) - c.offset;
        EXPECT_LE(std::fabs(error), 0.25) << "trial " << trial;
        worst = std::max(worst, std::fabs(error));
        const scanResult same = scan(exact.image(), roiExact, c.line, c.gradient, 300);
        ASSERT_EQ(same.peaks.size(), 1u);
        EXPECT_EQ(same.peaks[0].position, r.peaks[0].position);
        EXPECT_EQ(same.peaks[0].strength, r.peaks[0].strength);
        EXPECT_EQ(same.peaks[0].midLevel, r.peaks[0].midLevel);
        EXPECT_EQ(std::memcmp(&same.segment, &r.segment, sizeof r.segment), 0);
    }
    std::printf("worst distance from the edge: %.3f pixel\n", worst);
}

constexpr double kAnyTilt = kPi / 4;

TEST(EdgeScan, SharpStepEdgesSmoothedDifferenceLoop) {
    checkEdges(loopKind::smoothed, 100, 0, 0, 0);
}
TEST(EdgeScan, SharpStepEdgesKernelLoop) { checkEdges(loopKind::kernelAxis, 200, 0, 0, 0); }
TEST(EdgeScan, BlurredStepEdgesAxisLoops) {
    checkEdges(loopKind::smoothed, 300, 0.4, 1.2, 0);
    checkEdges(loopKind::kernelAxis, 400, 0.4, 1.2, 0);
}
TEST(EdgeScan, BlurredStepEdgesObliqueLoop) {
    checkEdges(loopKind::oblique, 500, 0.5, 1.2, kAnyTilt);
}
// Samples one major-axis pixel apart lie up to 1.41 pixel apart along the scan; on perfectly
// sharp edges the three-sample parabola of the detector then errs by up to 0.3 pixel near 45
// degrees, and stays within 0.25 up to 30 degrees from an axis.
TEST(EdgeScan, SharpStepEdgesObliqueLoop) {
    checkEdges(loopKind::oblique, 600, 0, 0, 30 * kPi / 180);
}

// The axis-parallel loops feed exactly the samples their definitions give, and detect exactly
// the peaks cidc_peakDetectState_detect finds in them: the samples are recomputed here from the
// pixels and fed to the exported detector.
struct axisScan {
    bool horizontal;
    bool forward;
    int32_t fixed;  // the row (or column) scanned, window pixels
    cidc_gradientDir16 gradient;
};

std::vector<cidc_peakIDFixedX_4> referencePeaks(const sceneImage& img, const cidc_windowROI& roi,
                                                const axisScan& a, int32_t threshold) {
    const int32_t first = a.horizontal ? roi.x0 + roi.winOriginX : roi.y0 + roi.winOriginY;
    const int32_t last = (a.horizontal ? roi.x1 + roi.winOriginX : roi.y1 + roi.winOriginY) - 1;
    const int32_t from = a.forward ? first : last, step = a.forward ? 1 : -1;
    const int32_t count = last - first;
    auto pixel = [&](int32_t along, int32_t across) {
        return int32_t{a.horizontal ? img.at(along, a.fixed + across)
                                    : img.at(a.fixed + across, along)};
    };
    auto at = [&](int32_t k, int32_t dx, int32_t dy) {  // (dx, dy) from pixel k of the scan
        const int32_t along = from + k * step;
        return a.horizontal ? int32_t{img.at(along + dx, a.fixed + dy)}
                            : int32_t{img.at(a.fixed + dx, along + dy)};
    };
    const bool smoothed = a.horizontal ? a.gradient.y == 0 : a.gradient.x == 0;
    auto columnSum = [&](int32_t k) {
        const int32_t along = from + k * step;
        return pixel(along, -1) + 2 * pixel(along, 0) + pixel(along, 1);
    };
    // Sobel weights from the normalised gradient direction.
    const int32_t ax = std::abs(a.gradient.x), ay = std::abs(a.gradient.y);
    const int32_t n = std::max(ay < ax ? 2 * ax + ay : ax + 2 * ay, 1);
    const int32_t gx = a.gradient.x * 64 / n, gy = a.gradient.y * 64 / n;
    auto sobel = [&](int32_t k) {
        auto p = [&](int32_t dx, int32_t dy) { return at(k, dx, dy); };
        return (gy - gx) * (p(-1, 1) - p(1, -1)) + 2 * gy * (p(0, 1) - p(0, -1)) +
               (gx + gy) * (p(1, 1) - p(-1, -1)) + 2 * gx * (p(1, 0) - p(-1, 0));
    };
    auto sample = [&](int32_t k) {
        return smoothed ? columnSum(k + 1) - columnSum(k - 1) : sobel(k);
    };
    const int32_t u0 =
        16 * (a.forward
                  ? first - roi.winOriginX * a.horizontal - roi.winOriginY * !a.horizontal
                  : -(last - roi.winOriginX * a.horizontal - roi.winOriginY * !a.horizontal)) +
        (a.forward ? 8 : -8);
    peakVector v;
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&v), 0);
    cidc_peakDetectState st;
    EXPECT_EQ(cidc_peakDetectState_init(&st, &v, static_cast<int16_t>(sample(0)), count + 1), 0);
    for (int32_t k = 1; k <= count; ++k) {
        const int32_t levelA = smoothed ? columnSum(k) >> 2 : at(k, 0, 0);
        const int32_t levelB = smoothed ? columnSum(k - 2) >> 2 : at(k - 2, 0, 0);
        cidc_peakDetectState_detect(&st, static_cast<uint8_t>(levelA), static_cast<uint8_t>(levelB),
                                    static_cast<int16_t>(sample(k)),
                                    smoothed ? threshold >> 2 : threshold * 8, u0, smoothed ? 2 : 0,
                                    smoothed ? 0 : 3);
    }
    EXPECT_EQ(cidc_peakDetectState_finish(&st, &v), 0);
    auto out = contents(&v);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
    return out;
}

TEST(EdgeScan, AxisLoopsDetectExactlyTheDetectorsPeaks) {
    std::mt19937 rng(77);
    for (int trial = 0; trial < 60; ++trial) {
        sceneImage img(
            40, 30, 3,
            cid_test::barsScene(std::uniform_real_distribution<double>(0, 6.3)(rng), 1, 5, trial),
            2, trial);
        img.addNoise(static_cast<int>(rng() % 8), trial);
        const cidc_windowRect w = img.window();
        cidc_windowROI roi;
        cidc_windowROI_initCenter(&roi, &w, 1 + static_cast<int32_t>(rng() % 3),
                                  1 + static_cast<int32_t>(rng() % 3));
        for (int scanIndex = 0; scanIndex < 8; ++scanIndex) {
            axisScan a{};
            a.horizontal = scanIndex % 2 == 0;
            a.forward = rng() % 2 == 0;
            const int32_t lo = a.horizontal ? roi.y0 : roi.x0, hi = a.horizontal ? roi.y1 : roi.x1;
            const int32_t fixedROI = lo + static_cast<int32_t>(rng() % (hi - lo));
            a.fixed = fixedROI + (a.horizontal ? roi.winOriginY : roi.winOriginX);
            const bool smoothed = scanIndex % 4 < 2;
            const auto g = [&] {
                return static_cast<int16_t>(static_cast<int32_t>(rng() % 601) - 300);
            };
            a.gradient =
                smoothed ? (a.horizontal ? cidc_gradientDir16{g(), 0} : cidc_gradientDir16{0, g()})
                         : cidc_gradientDir16{g(), g()};
            if (!smoothed && (a.horizontal ? a.gradient.y : a.gradient.x) == 0) a.gradient = {5, 5};
            const cidc_unitDir16 dir = a.horizontal ? cidc_unitDir16{a.forward ? 65536 : -65536, 0}
                                                    : cidc_unitDir16{0, a.forward ? 65536 : -65536};
            const int64_t c = 16 * int64_t{fixedROI} + 8;
            const cidc_scanLine line =
                a.horizontal ? lineThrough(0, c, dir) : lineThrough(c, 0, dir);
            const int32_t threshold = static_cast<int32_t>(rng() % 400);
            const scanResult r = scan(img.image(), roi, line, a.gradient, threshold);
            ASSERT_EQ(r.status, 0);
            const auto want = referencePeaks(img, roi, a, threshold);
            ASSERT_EQ(r.peaks.size(), want.size()) << "trial " << trial << " scan " << scanIndex;
            for (size_t k = 0; k < want.size(); ++k) {
                ASSERT_EQ(r.peaks[k].position, want[k].position)
                    << "trial " << trial << " scan " << scanIndex;
                EXPECT_EQ(r.peaks[k].strength, want[k].strength);
                EXPECT_EQ(r.peaks[k].midLevel, want[k].midLevel);
                EXPECT_EQ(r.peaks[k].id1, 0);
            }
        }
    }
}

// Scans along the very border of an exact-size image: with a margin of one pixel the loops read
// up to the last row and column and no further (the address sanitizer would tell).
TEST(EdgeScan, BorderScansStayInsideTheImage) {
    sceneImage exact(24, 18, 0, cid_test::barsScene(0.4, 2, 5, 9), 4);
    const cidc_windowRect w = exact.window();
    cidc_windowROI roi;
    cidc_windowROI_initCorner(&roi, &w, 1, 1);
    std::mt19937 rng(5);
    int found = 0;
    for (int trial = 0; trial < 400; ++trial) {
        cidc_unitDir16 dir;
        cidc_unitDir16_initVect(&dir, static_cast<int32_t>(rng() % 2001) - 1000,
                                static_cast<int32_t>(rng() % 2001) - 1000);
        if (trial % 4 == 0) dir = cidc_unitDir16{trial % 8 ? 65536 : -65536, 0};
        if (trial % 4 == 1) dir = cidc_unitDir16{0, trial % 8 == 1 ? 65536 : -65536};
        const int64_t x = trial % 3 == 0 ? 24 : static_cast<int64_t>(rng() % (16 * 24));
        const int64_t y = trial % 3 == 1 ? 16 * 17 - 8 : static_cast<int64_t>(rng() % (16 * 18));
        const cidc_gradientDir16 g{static_cast<int16_t>(rng() % 3), 1};
        const scanResult r = scan(exact.image(), roi, lineThrough(x, y, dir), g, 20);
        ASSERT_EQ(r.status, 0);
        found += static_cast<int>(r.peaks.size());
    }
    EXPECT_GT(found, 100);
}

}  // namespace
