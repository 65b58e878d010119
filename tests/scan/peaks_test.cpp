// Edge peaks: the incremental detector, the detection on ready 32-bit profiles and the three pixel
// loops of the edge scan against the peak rule stated on whole plateaus; the scan's sub-pixel
// accuracy on rendered step edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <random>
#include <vector>

#include "ci_id/edgescan.h"
#include "ci_id/status.h"
#include "scene.h"
#include "view.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Calls found(i, j, f) for every plateau x[i..j] (a maximal run of equal values, i >= 1) that is a
// peak: entered by a change, left by one of the opposite sign, at most 6 long, its value beyond
// the threshold on its extremum's side. f is the truncated vertex of the parabola through
// x[i - 1], x[i] and x[j + 1]; sample j + 1 reveals the peak.
template <typename Found>
void plateauPeaks(const std::vector<int64_t>& x, int64_t threshold, Found found) {
    for (size_t i = 1; i < x.size(); ++i) {
        if (x[i] == x[i - 1]) continue;
        size_t j = i;
        while (j + 1 < x.size() && x[j + 1] == x[i]) ++j;
        if (j + 1 == x.size()) return;
        const int64_t in = x[i] - x[i - 1], out = x[j + 1] - x[j], v = x[i];
        if ((in > 0) != (out > 0) && (out > 0 ? v < -threshold : v > threshold) && j - i < 6) {
            const int64_t den = 2 * (x[i - 1] - 2 * v + x[j + 1]);
            found(int64_t(i), int64_t(j), den != 0 ? 16 * (x[i - 1] - x[j + 1]) / den : 0);
        }
        i = j;
    }
}

// Position, strength, mid level and a digest of the caller's fields (identifiers and block).
using peakKey = std::array<int64_t, 4>;

std::vector<peakKey> keysOf(cstd_vector_cidc_peakIDFixedX_4* v) {
    cidc_peakIDFixedX_4 *p = nullptr, *end = nullptr;
    cstd_vector_cidc_peakIDFixedX_4_getBeginEnd(v, &p, &end);
    std::vector<peakKey> keys;
    for (; p != end; ++p) {
        uint64_t caller = uint64_t(p->id1) * 65537 + uint32_t(p->id2);
        for (unsigned char b : p->userData) caller = caller * 31 + b;
        keys.push_back({p->position, p->strength, p->midLevel, int64_t(caller)});
    }
    return keys;
}

// Profiles of few values (many plateaus, ties with the threshold) or of any 16-bit value, cut by
// advances after gaps; new peaks follow the peaks already in the vector, which stay as they were.
TEST(PeakDetect, RandomProfilesFollowTheRuleAcrossAdvances) {
    std::mt19937 rng(21);
    for (int trial = 0; trial < 3000; ++trial) {
        const bool few = trial % 2 == 0;
        auto value = [&] { return few ? int16_t(int(rng() % 7) * 10 - 30) : int16_t(rng()); };
        const int32_t threshold = (int32_t(rng() % 60) - 10) * (few ? 1 : 500);
        const int32_t offset = int32_t(rng() % 100000) - 50000;
        const uint32_t left = rng() % 40, right = rng() % 40;
        cidc_peakIDFixedX_4 old[2] = {{int64_t(rng()), 1, 2, 3, {4, 5}, 6}, {}};
        cstd_vector_cidc_peakIDFixedX_4 v;
        ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructFromBlock(&v, old, trial % 3), 0);
        std::vector<peakKey> want = keysOf(&v);
        std::vector<int64_t> x{value()};
        std::vector<uint8_t> mid{0};
        int64_t first = 0, last = 0, length = rng() % 200;  // numbers of x.front() and x.back()
        auto stretchPeaks = [&] {
            plateauPeaks(x, threshold, [&](int64_t i, int64_t j, int64_t f) {
                const int32_t strength = int32_t(uint32_t(x[i]) << (left % 32)) >> (right % 32);
                want.push_back({8 * (i + j) + 16 * first + f + offset, strength, mid[j + 1], 0});
            });
        };
        cidc_peakDetectState st;
        ASSERT_EQ(cidc_peakDetectState_init(&st, &v, int32_t(x[0]), int32_t(length)), 0);
        for (int k = 0; k < length; ++k) {
            const auto s = rng() % 3 == 0 ? int16_t(x.back()) : value();
            const uint8_t a = uint8_t(rng()), b = uint8_t(rng());
            if (rng() % 25 == 0) {  // s becomes sample last + a % 5, without slope history
                stretchPeaks();
                ASSERT_EQ(cidc_peakDetectState_advance(&st, s, a % 5), 0);
                first = last += a % 5;
                x = {s};
                mid = {0};
                continue;
            }
            ASSERT_EQ(cidc_peakDetectState_detect(&st, a, b, s, threshold, offset, left, right), 0);
            x.push_back(s);
            mid.push_back(uint8_t((a + b) >> 1));
            ++last;
        }
        stretchPeaks();
        ASSERT_EQ(cidc_peakDetectState_finish(&st, &v), 0);
        ASSERT_EQ(keysOf(&v), want) << "trial " << trial;
        cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
    }
}

// The rule on the central differences s[i + 1] - s[i - 1], i = 1 .. n - 2. A negative count, more
// samples than the window holds and samples of another depth are refused, leaving the peaks as
// they were.
TEST(ProfilePeaks, RandomProfilesFollowTheRule) {
    std::mt19937 rng(41);
    for (int trial = 0; trial < 2000; ++trial) {
        const bool wide = trial % 3 == 0;
        std::vector<int32_t> s(rng() % 120);
        for (auto& v : s) v = wide ? int32_t(rng()) : int32_t(rng() % 9) * 20;
        const int32_t threshold = wide ? int32_t(rng()) / 4 : int32_t(rng() % 50);
        const int32_t n = int32_t(s.size());
        std::vector<int64_t> g;
        for (int32_t i = 1; i + 1 < n; ++i) g.push_back(int64_t{s[i + 1]} - s[i - 1]);
        std::vector<peakKey> want;
        plateauPeaks(g, threshold, [&](int64_t i, int64_t j, int64_t f) {
            const int64_t strength = std::clamp<int64_t>(g[i], INT32_MIN, INT32_MAX);
            want.push_back({8 * (i + j) + f, strength, uint8_t((int64_t{s[j]} + s[j + 2]) / 2), 0});
        });
        // Count, sample depth, status: the profile, then three refused.
        const int32_t calls[][3] = {{n, CIMG_DEPTH_32S, 0},
                                    {-1 - n, CIMG_DEPTH_32S, CID_STATUS_OUT_OF_RANGE},
                                    {n + 1, CIMG_DEPTH_32S, CID_STATUS_INVALID_IMAGE},
                                    {n, CIMG_DEPTH_8U, CID_STATUS_INVALID_IMAGE}};
        for (const auto& c : calls) {
            const cimg_windowConst count{c[0], 1, 0, 0, 0, CIMG_DEPTH_32S, nullptr};
            const auto* bytes = reinterpret_cast<const unsigned char*>(s.data());
            const cimg_windowConst samples{n, 1, 0, 0, 4 * intptr_t{n}, c[1], bytes};
            const cidc_edgeScanParams params{threshold};
            cstd_vector_cidc_peakIDFixedX_4 v;
            ASSERT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&v), 0);
            ASSERT_EQ(cidc_runEdgeScanPeakDetection(&count, &samples, &params, &v), c[2]);
            EXPECT_EQ(keysOf(&v), c[2] ? std::vector<peakKey>{} : want) << trial;
            cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
        }
    }
}

// Runs the edge scan on a vector holding `old` blank peaks, which must stay, and gives the peaks it
// adds. A refused scan must leave the peaks and *segment alone.
int32_t scan(const cimg_imageConst* image, const cidc_windowROI& roi, const cidc_scanShape& shape,
             cidc_gradientDir16 g, int32_t threshold, std::vector<peakKey>* peaks,
             cidc_scanLineSeg* segment, int old = 0) {
    cstd_vector_cidc_peakIDFixedX_4 v;
    const cidc_peakIDFixedX_4 blank{};
    EXPECT_EQ(cstd_vector_cidc_peakIDFixedX_4_constructFill(&v, old, &blank), 0);
    const cidc_edgeScanParams params{threshold};
    segment->degenerate = 7;
    const int32_t status = cidc_runEdgeScan(image, &roi, &params, &shape, &g, &v, segment);
    *peaks = keysOf(&v);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&v);
    const auto kept = peaks->begin() + std::min(peaks->size(), size_t(old));
    EXPECT_EQ(std::count(peaks->begin(), kept, peakKey{}), old);
    peaks->erase(peaks->begin(), kept);
    EXPECT_TRUE(status == 0 || (peaks->empty() && segment->degenerate == 7));
    return status;
}

// The peaks that the definitions in edgescan.h give for the clipped segment on the window pixels
// grey(x, y): smoothed differences S(k + 1) - S(k - 1) of the sums across an axis-parallel scan
// whose gradient runs along it, else the projected Sobel kernel with weights W1 .. W4 at every
// pixel of the walk between the end pixels.
std::vector<peakKey> referencePeaks(const cid_test::greyImage& grey, const cidc_scanLineSeg& seg,
                                    const cidc_windowROI& roi, cidc_gradientDir16 g, int64_t t) {
    const int64_t dx = seg.pix[1].x - seg.pix[0].x, dy = seg.pix[1].y - seg.pix[0].y;
    const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
    const int64_t m = std::llabs(dx) + std::llabs(dy) - n;
    // Pixel k of the walk, moved by (ox, oy): x is major on ties, and the error term carries
    // floor((2 k m + n) / 2 n) times in k steps.
    auto at = [&](int64_t k, int64_t ox, int64_t oy) {
        const int64_t c = n > 0 ? (2 * k * m + n) / (2 * n) : 0;
        const int64_t sx = std::llabs(dx) == n ? k : c, sy = std::llabs(dx) == n ? c : k;
        return int64_t{grey.at(int32_t(seg.pix[0].x + roi.winOriginX + (dx < 0 ? -sx : sx) + ox),
                               int32_t(seg.pix[0].y + roi.winOriginY + (dy < 0 ? -sy : sy) + oy))};
    };
    const bool horizontal = seg.line.dir.y == 0;
    const bool smoothed = horizontal ? g.y == 0 : seg.line.dir.x == 0 && g.x == 0;
    auto sum = [&](int64_t k) {
        return at(k, -!horizontal, -horizontal) + 2 * at(k, 0, 0) + at(k, !horizontal, horizontal);
    };
    const int64_t gx = g.x, gy = g.y, a = std::llabs(gx), b = std::llabs(gy);
    const int64_t norm = std::max<int64_t>(1, b < a ? 2 * a + b : a + 2 * b);
    const int64_t x = gx * 64 / norm, y = gy * 64 / norm;
    std::array<int64_t, 4> w{y - x, 2 * y, x + y, 2 * x};
    if (gx == 0) w = {gy, 2 * gy, gy, 0};
    if (gx != 0 && gy == 0) w = {-gx, 0, gx, 2 * gx};
    std::vector<int64_t> profile;
    for (int64_t k = 0; k <= n; ++k) {
        profile.push_back(smoothed ? sum(k + 1) - sum(k - 1)
                                   : w[0] * (at(k, -1, 1) - at(k, 1, -1)) +
                                         w[1] * (at(k, 0, 1) - at(k, 0, -1)) +
                                         w[2] * (at(k, 1, 1) - at(k, -1, -1)) +
                                         w[3] * (at(k, 1, 0) - at(k, -1, 0)));
    }
    std::vector<peakKey> peaks;
    plateauPeaks(profile, smoothed ? t >> 2 : 8 * t, [&](int64_t i, int64_t j, int64_t f) {
        const int64_t v = profile[i], position = 8 * (i + j) + f + seg.scanPos[0].u;
        peaks.push_back(
            smoothed ? peakKey{position, 4 * v, ((sum(j + 1) >> 2) + (sum(j - 1) >> 2)) >> 1, 0}
                     : peakKey{position, v >> 3, (at(j + 1, 0, 0) + at(j - 1, 0, 0)) >> 1, 0});
    });
    return peaks;
}

// Random images of few grey levels (so that plateaus occur), exact-size (a read outside is the
// address sanitizer's to catch) or padded; ROIs with the narrowest margin the scan accepts, a
// wider one, or none (refused); random gradient directions, random segments, some missing the ROI.
TEST(EdgeScan, EveryLoopGivesTheReferencePeaks) {
    std::mt19937 rng(2024);
    const cidc_gradientDir16 listed[] = {{0, 1}, {0, 64}, {1, 0}, {3, -5}, {-7, 0}, {0, -300}};
    int compared = 0;
    for (int trial = 0; trial < 900; ++trial) {
        const int levels = 2 + trial % 4, margin = trial % 29 == 0 ? 0 : 1 + trial % 5 / 3;
        cid_test::greyImage content = cid_test::randomGreyImage(40, 40, trial, levels);
        for (uint8_t& p : content.pixels) p = uint8_t(p * (255 / (levels - 1)));
        const cid_test::windowedImage view(
            content, trial % 2 ? cid_test::padding{3, 3, 3, 3, 5} : cid_test::padding{});
        const cidc_windowRect w = cid_test::roiWindowOf(view.get());
        cidc_windowROI roi;
        cidc_windowROI_initCenter(&roi, &w, margin, margin + trial % 2);
        cidc_gradientDir16 g = listed[trial / 3 % 6];
        if (trial % 3 == 0) g = {int16_t(int(rng() % 201) - 100), int16_t(int(rng() % 201) - 100)};
        // Axis-parallel scans for a third of the trials, oblique ones otherwise.
        const cidc_point64_4 a{int64_t(rng() % 700) - 350, int64_t(rng() % 700) - 350};
        cidc_point64_4 b{int64_t(rng() % 700) - 350, int64_t(rng() % 700) - 350};
        if (trial % 3 == 1) (trial / 6 % 2 ? b.x : b.y) = trial / 6 % 2 ? a.x : a.y;
        cidc_scanLineSeg seg, clipped;
        if (a.x == b.x && a.y == b.y) continue;
        ASSERT_EQ(cidc_scanLineSeg_initPoints(&seg, &a, &b, nullptr), 0);
        const cidc_scanShape shape{&seg, &seg.line, nullptr};
        const int32_t t = int32_t(rng() % 200);  // the contrast threshold
        std::vector<peakKey> got;
        const int32_t status = scan(view.get(), roi, shape, g, t, &got, &clipped, trial % 7 % 3);
        ASSERT_EQ(status, margin ? 0 : CID_STATUS_INVALID_PARAMETER);
        const bool none = status != 0 || clipped.degenerate;
        EXPECT_EQ(got, none ? std::vector<peakKey>{} : referencePeaks(content, clipped, roi, g, t));
        compared += !got.empty();
    }
    EXPECT_GT(compared, 400);
}

enum class loop { smoothed, kernelAxis, oblique };

struct edgeRow {
    const char* name;
    loop kind;
    uint32_t seed;
    double minBlur, maxBlur, maxTilt, maxError;  // maxTilt: of an oblique scan from an axis
};

void PrintTo(const edgeRow& row, std::ostream* out) { *out << row.name; }

class RenderedStepEdges : public ::testing::TestWithParam<edgeRow> {};

// Scans across step edges at random angles (the edge normal within 35 degrees of the scan) and
// sub-pixel offsets near the centre of 48 x 48 images, exact-size or the windows of padded ones,
// each find one rising peak within maxError of the edge.
TEST_P(RenderedStepEdges, OnePeakOnTheEdge) {
    const edgeRow& row = GetParam();
    std::mt19937 rng(row.seed);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int trial = 0; trial < 120; ++trial) {
        const double axis = (rng() % 4) * kPi / 2, tilt = 0.01 + (row.maxTilt - 0.01) * unit(rng);
        const double scanAngle = axis + (row.kind != loop::oblique ? 0 : rng() % 2 ? tilt : -tilt);
        const double normal = scanAngle + (unit(rng) - 0.5) * 70 * kPi / 180;
        const double cx = (unit(rng) - 0.5) * 12, cy = (unit(rng) - 0.5) * 12;  // from the centre
        const double offset =
            (cx + 24) * std::cos(normal) + (cy + 24) * std::sin(normal) + (unit(rng) - 0.5) * 6;
        cidc_unitDir16 dir;
        cidc_unitDir16_initVect(&dir, int32_t(std::lround(1e6 * std::cos(scanAngle))),
                                int32_t(std::lround(1e6 * std::sin(scanAngle))));
        const cidc_point64_4 through{std::llround(cx * 16 + (unit(rng) - 0.5) * 64),
                                     std::llround(cy * 16 + (unit(rng) - 0.5) * 64)};
        cidc_scanLine line;
        ASSERT_EQ(cidc_scanLine_initPointDir(&line, &through, &dir), 0);
        // Along the scan for the smoothed loop; the edge normal, off the axes, for the kernels.
        const double gAngle = row.kind == loop::smoothed ? scanAngle : normal;
        cidc_gradientDir16 g{int16_t(std::lround(300 * std::cos(gAngle))),
                             int16_t(std::lround(300 * std::sin(gAngle)))};
        if (row.kind != loop::smoothed && !(g.x && g.y)) g = {int16_t(g.x + 1), int16_t(g.y + 1)};
        cid_test::scene layout(48, 48);
        layout.addProfile(cid_test::stepEdge(normal, offset, 40, 190));
        cid_test::imagingConditions blurred;
        blurred.blurSigma = row.minBlur + (row.maxBlur - row.minBlur) * unit(rng);
        const cid_test::padding pad{6, 6, 6, 6, 0, 0, 0, row.seed + trial};
        const cid_test::windowedImage view(layout.render(blurred),
                                           trial % 2 ? pad : cid_test::padding{});
        const cidc_windowRect w = cid_test::roiWindowOf(view.get());
        cidc_windowROI roi;
        cidc_windowROI_initCenter(&roi, &w, 2, 2);
        std::vector<peakKey> peaks;
        cidc_scanLineSeg segment;
        ASSERT_EQ(scan(view.get(), roi, {nullptr, &line, nullptr}, g, 300, &peaks, &segment), 0);
        ASSERT_EQ(peaks.size(), 1u) << "trial " << trial;
        cmath_vect p;
        cidc_convertPeakToImage(&peaks[0][0], &segment, roi.originX, roi.originY, &p);
        const double e = (p.x - w.x) * std::cos(normal) + (p.y - w.y) * std::sin(normal) - offset;
        EXPECT_TRUE(peaks[0][1] > 0 && std::fabs(e) <= row.maxError)
            << "trial " << trial << ": " << e;
    }
}

// The oblique walk visits whole pixels, up to half a pixel off the line, with steps of one or 1.41
// pixel along it; an edge that crosses the scan obliquely is found where it crosses the walked
// pixels, which may lie that far from where it crosses the line itself (0.71 and 0.46 pixel at
// worst with these seeds, up to 0.83 and 0.74 with others).
const edgeRow kEdgeRows[] = {{"SmoothedDifference", loop::smoothed, 100, 0, 1.2, 0, 0.25},
                             {"KernelAlongAnAxis", loop::kernelAxis, 200, 0, 1.2, 0, 0.25},
                             {"BlurredOblique", loop::oblique, 500, 0.5, 1.2, kPi / 4, 0.8},
                             {"SharpOblique", loop::oblique, 600, 0, 0, kPi / 6, 0.6}};
INSTANTIATE_TEST_SUITE_P(Loops, RenderedStepEdges, ::testing::ValuesIn(kEdgeRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
