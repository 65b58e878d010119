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
#include "scene.h"
#include "test_support.h"
#include "view.h"

namespace {

using cid_test::greyImage;
using cid_test::padding;
using cid_test::windowedImage;
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

// The profile rendered into width x height pixels.
greyImage render(const cid_test::profile& across, int32_t width, int32_t height, double blur = 0,
                 double noise = 0, uint32_t seed = 1) {
    cid_test::scene layout(width, height);
    layout.addProfile(across);
    cid_test::imagingConditions conditions;
    conditions.blurSigma = blur;
    conditions.noiseSigma = noise;
    conditions.noiseSeed = seed;
    return layout.render(conditions);
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
    VerticalStep() : scene_(render(cid_test::stepEdge(0, 10, 0, 200), 20, 5), {2, 2, 2, 2}) {
        const cidc_windowRect w = cid_test::roiWindowOf(scene_.get());
        cidc_windowROI_initCorner(&roi_, &w, 1, 1);
    }
    windowedImage scene_;
    cidc_windowROI roi_;
};

TEST_F(VerticalStep, SmoothedDifferenceAlongTheRow) {
    const cidc_unitDir16 right{65536, 0}, left{-65536, 0};
    for (cidc_gradientDir16 g : {cidc_gradientDir16{1, 0}, cidc_gradientDir16{-1, 0}}) {
        scanResult r = scan(scene_.get(), roi_, lineThrough(0, 40, right), g, 10);
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
    scanResult r = scan(scene_.get(), roi_, lineThrough(0, 40, left), {1, 0}, 10);
    ASSERT_EQ(r.peaks.size(), 1u);
    EXPECT_EQ(r.peaks[0].strength, -3200);
    EXPECT_EQ(r.peaks[0].position, -160);
}

TEST_F(VerticalStep, KernelLoopFollowsTheGradientDirection) {
    const cidc_unitDir16 right{65536, 0};
    scanResult r = scan(scene_.get(), roi_, lineThrough(0, 40, right), {1, 1}, 10);
    ASSERT_EQ(r.peaks.size(), 1u);
    // Weights 0, 42, 42, 42: (42 + 42) 200 / 8.
    EXPECT_EQ(r.peaks[0].strength, 2100);
    EXPECT_EQ(r.peaks[0].position, 160);
    EXPECT_EQ(r.peaks[0].midLevel, 100);
    r = scan(scene_.get(), roi_, lineThrough(0, 40, right), {-1, -1}, 10);
    ASSERT_EQ(r.peaks.size(), 1u);
    EXPECT_EQ(r.peaks[0].strength, -2100);
    // Across the scan the step has no gradient.
    r = scan(scene_.get(), roi_, lineThrough(0, 40, right), {0, 1}, 10);
    EXPECT_TRUE(r.peaks.empty());
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
    ASSERT_EQ(cidc_runEdgeScan(scene_.get(), &roi_, &params, &shape, &g, &v, &segment), 0);
    EXPECT_EQ(segment.degenerate, 1);
    ASSERT_EQ(contents(&v).size(), 1u);
    EXPECT_EQ(contents(&v)[0].position, 77);
    // A diagonal through the corner pixel of the ROI only: fewer than 3 pixels.
    cidc_unitDir16 diagonal;
    cidc_unitDir16_initVect(&diagonal, 1, -1);
    const cidc_scanLine corner = lineThrough(16 * 1 + 8, 16 * 1 + 8, diagonal);
    cidc_scanShape_initScanLine(&shape, &corner);
    ASSERT_EQ(cidc_runEdgeScan(scene_.get(), &roi_, &params, &shape, &g, &v, &segment), 0);
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
    ASSERT_EQ(cidc_runEdgeScan(scene_.get(), &roi_, &params, &shape, &g, &v, &segment), 0);
    cidc_scanShape_initScanLine(&shape, &back);
    ASSERT_EQ(cidc_runEdgeScan(scene_.get(), &roi_, &params, &shape, &g, &v, &segment), 0);
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
    const cidc_windowRect w = cid_test::roiWindowOf(scene_.get());
    cidc_windowROI noMargin, sideMargin;
    cidc_windowROI_initCorner(&noMargin, &w, 0, 0);
    cidc_windowROI_initCorner(&sideMargin, &w, 1, 0);
    for (const cidc_windowROI* bad : {&noMargin, &sideMargin}) {
        EXPECT_EQ(cidc_runEdgeScan(scene_.get(), bad, &params, &shape, &g, &v, &segment),
                  CID_STATUS_INVALID_PARAMETER);
    }
    // A ROI of a larger window.
    const cidc_windowRect larger{40, 20, 0, 0};
    cidc_windowROI foreign;
    cidc_windowROI_initCorner(&foreign, &larger, 1, 1);
    EXPECT_EQ(cidc_runEdgeScan(scene_.get(), &foreign, &params, &shape, &g, &v, &segment),
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
        EXPECT_EQ(cidc_runEdgeScan(scene_.get(), &roi_, &params, &shape, &g, &v, &segment),
                  CSYS_STATUS_OUT_OF_MEMORY);
    }
    EXPECT_EQ(contents(&v).size(), 2u);
    EXPECT_PRECONDITION(
        cidc_runEdgeScan(scene_.get(), &roi_, &params, &shape, nullptr, &v, &segment));
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

// Every scan finds exactly one peak, within maxError of the edge once converted to image
// coordinates, and the same scan on the window of an exact-size image (no padding: a read
// outside the window would differ, or be caught by the address sanitizer) gives the same peaks.
void checkEdges(loopKind kind, uint32_t seed, double minBlur, double maxBlur, double maxTilt,
                double maxError = 0.25) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> blurOf(minBlur, maxBlur);
    double worst = 0;
    for (int trial = 0; trial < 120; ++trial) {
        const edgeCase c = randomCase(rng, kind, maxTilt);
        const double blur = blurOf(rng);
        const greyImage edge =
            render(cid_test::stepEdge(c.normal, c.offset, 40, 190), kSize, kSize, blur);
        windowedImage padded(edge, padding{6, 6, 6, 6, 0, 0, 0, seed + trial});
        windowedImage exact(edge);
        cidc_windowROI roiPadded, roiExact;
        const cidc_windowRect wp = cid_test::roiWindowOf(padded.get()),
                              we = cid_test::roiWindowOf(exact.get());
        cidc_windowROI_initCenter(&roiPadded, &wp, 2, 2);
        cidc_windowROI_initCenter(&roiExact, &we, 2, 2);
        const scanResult r = scan(padded.get(), roiPadded, c.line, c.gradient, 300);
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
        EXPECT_LE(std::fabs(error), maxError) << "trial " << trial;
        worst = std::max(worst, std::fabs(error));
        const scanResult same = scan(exact.get(), roiExact, c.line, c.gradient, 300);
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
// The oblique walk visits whole pixels, up to half a pixel off the line, with steps of one or 1.41
// pixel along it; an edge that crosses the scan obliquely is found where it crosses the walked
// pixels, which may lie that far from where it crosses the line itself (0.74 pixel at worst over
// 1,200 blurred edges at any tilt, 0.55 over sharp ones tilted up to 30 degrees).
TEST(EdgeScan, BlurredStepEdgesObliqueLoop) {
    checkEdges(loopKind::oblique, 500, 0.5, 1.2, kAnyTilt, 0.8);
}
TEST(EdgeScan, SharpStepEdgesObliqueLoop) {
    checkEdges(loopKind::oblique, 600, 0, 0, 30 * kPi / 180, 0.6);
}

// Scans along the very border of an exact-size image: with a margin of one pixel the loops read
// up to the last row and column and no further (the address sanitizer would tell).
TEST(EdgeScan, BorderScansStayInsideTheImage) {
    windowedImage exact(render(cid_test::randomBars(0.4, 2, 5, 9), 24, 18));
    const cidc_windowRect w = cid_test::roiWindowOf(exact.get());
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
        const scanResult r = scan(exact.get(), roi, lineThrough(x, y, dir), g, 20);
        ASSERT_EQ(r.status, 0);
        found += static_cast<int>(r.peaks.size());
    }
    EXPECT_GT(found, 100);
}

}  // namespace
