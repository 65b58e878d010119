// Data Matrix from a seed with the adaptive tracker: the contour is cut into straight runs and
// an L is chosen among the three longest, preferring the smoothest sides (the solid finder
// sides are straighter than the dotted timing sides). The answer is whether a Data Matrix's L
// lies at the seed's blob (checked on the image as the plain finder checks it), with its vertex
// and the symbol's corners at the ends of its arms.
#include <algorithm>
#include <cstdlib>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/locate/dm_finder.h"
#include "ci_id/status.h"

namespace {

using namespace cidut;

constexpr int32_t kLAngle = 2605;        // least angle value of an L (about 69 degrees)
constexpr int32_t kReplaceAngle = 2606;  // the same for a third run replacing an arm
constexpr int32_t kImplausibleRatio = 20;

// The line of a run; an end index of 0 stands for the contour's first point.
fixedLine runLine(const contourPoint* smoothed, int32_t n, const segment& s) {
    segment adjusted = s;
    if (s.end == 0) adjusted.end = 1;
    return lineOfSegment(smoothed, n, adjusted);
}

int32_t angleBetween(const contourPoint* smoothed, int32_t n, const segment& a, const segment& b) {
    fixedLine la = runLine(smoothed, n, a), lb = runLine(smoothed, n, b);
    return angleValue(crossOf(la, lb), dotOf(la, lb));
}

struct runCurvature {
    int64_t sum;
    int64_t points;
};

runCurvature curvatureOf(const int32_t* curvature, int32_t n, const segment& s) {
    runCurvature c{0, 0};
    for (int32_t i = s.start; i != s.end && c.points < n; i = (i + 1) % n) {
        c.sum += curvature[i];
        ++c.points;
    }
    return c;
}

// Is a's mean curvature lower than b's?
bool smoother(const runCurvature& a, const runCurvature& b) {
    return a.sum * std::max<int64_t>(b.points, 1) < b.sum * std::max<int64_t>(a.points, 1);
}

// Picks the two runs of the L among the three longest; false when there is none.
bool chooseArms(const contourPoint* smoothed, const int32_t* curvature, int32_t n,
                const segment* runs, int32_t count, int* armA, int* armB) {
    auto isL = [&](int i, int j, int32_t least) {
        return std::abs(angleBetween(smoothed, n, runs[i], runs[j])) >= least;
    };
    runCurvature c[3];
    for (int i = 0; i < std::min(count, 3); ++i) c[i] = curvatureOf(curvature, n, runs[i]);
    if (isL(0, 1, kLAngle)) {
        *armA = 0;
        *armB = 1;
        // A third run of comparable length takes the place of the rougher arm when it forms an
        // L with the other one: dotted timing sides are long and straight too.
        if (count > 2 && 2 * int64_t{runs[1].length} < 3 * int64_t{runs[2].length}) {
            if (smoother(c[2], c[1]) && isL(0, 2, kReplaceAngle)) {
                *armB = 2;
            } else if (smoother(c[2], c[0]) && isL(1, 2, kReplaceAngle)) {
                *armA = 1;
                *armB = 2;
            }
        }
        return true;
    }
    if (count < 3 || runs[2].length <= 31) return false;
    bool between = (runs[0].start < runs[2].start && runs[2].start < runs[1].start) ||
                   (runs[1].start < runs[2].start && runs[2].start < runs[0].start);
    int partner = between && smoother(c[1], c[0]) ? 1 : 0;
    if (!isL(partner, 2, kLAngle + 1)) return false;
    *armA = partner;
    *armB = 2;
    return true;
}

struct pixelPoint {
    int32_t x;
    int32_t y;
};

pixelPoint toWholePixels(const contourPoint& p) {
    return pixelPoint{(p.second + 8) >> 4, (p.first + 8) >> 4};
}

int32_t cityBlock(const pixelPoint& a, const pixelPoint& b) {
    return std::abs(a.x - b.x) + std::abs(a.y - b.y);
}

struct lFound {
    pixelPoint vertex;
    pixelPoint ends[2];           // far ends of the two arms
    cmath_shapeAffineRect exact;  // the same in image coordinates, before rounding
};

cmath_vect imagePointOf(const contourPoint& p) {
    return cmath_vect{p.second / 16.0, p.first / 16.0};
}

// Fits the L to the chosen arms: the vertex where their lines meet, each arm's far end where the
// contour stops reaching away from the other arm (the symbol's corner), and the checks that make
// the L plausible.
int32_t fitArms(const contourPoint* halved, const contourPoint* smoothed, int32_t n,
                const segment& a, const segment& b, const cimg_windowConst& window, lFound* out,
                bool* plausible) {
    *plausible = false;
    fixedLine lines[2] = {runLine(smoothed, n, a), runLine(smoothed, n, b)};
    int64_t cross = crossOf(lines[0], lines[1]);
    if (cross == 0) return 0;
    const contourPoint exactVertex = intersection(lines[0], lines[1]);
    const pixelPoint vertex = toWholePixels(exactVertex);
    const segment* arms[2] = {&a, &b};
    contourPoint exactEnds[2];
    pixelPoint ends[2], nears[2];
    for (int k = 0; k < 2; ++k) {
        const int32_t far = fartherEnd(smoothed, n, *arms[k], exactVertex);
        const int32_t near = far == arms[k]->start
                                 ? (arms[k]->end == 0 ? 0 : (arms[k]->end - 1) % n)
                                 : arms[k]->start;
        armReach reach;
        int32_t status = measureArm(halved, n, far, lines[1 - k], &reach);
        if (status < 0) return status;
        exactEnds[k] = intersection(parallelThrough(lines[1 - k], halved[reach.index]), lines[k]);
        ends[k] = toWholePixels(exactEnds[k]);
        nears[k] = toWholePixels(smoothed[near]);
    }
    // Keep one handedness: the turn from the first arm to the second as in the plain finder.
    if (cross > 0) {
        std::swap(ends[0], ends[1]);
        std::swap(nears[0], nears[1]);
        std::swap(exactEnds[0], exactEnds[1]);
    }
    int32_t d0 = cityBlock(vertex, ends[0]), d1 = cityBlock(vertex, ends[1]);
    if (int64_t{kImplausibleRatio} * std::min(d0, d1) < std::max(d0, d1)) return 0;
    if (cityBlock(vertex, nears[0]) > d0 || cityBlock(vertex, nears[1]) > d1) return 0;
    if (vertex.x < window.xOffset || vertex.x >= window.xOffset + window.width ||
        vertex.y < window.yOffset || vertex.y >= window.yOffset + window.height) {
        return 0;
    }
    *out = lFound{vertex,
                  {ends[0], ends[1]},
                  cmath_shapeAffineRect{imagePointOf(exactVertex), imagePointOf(exactEnds[0]),
                                        imagePointOf(exactEnds[1])}};
    *plausible = true;
    return 0;
}

// Is the seed (image pixels) close to either arm of the L?
bool seedNearL(const pixelPoint& seed, const lFound& l) {
    for (const pixelPoint& end : l.ends) {
        int32_t d1 = cityBlock(seed, l.vertex), d2 = cityBlock(seed, end);
        int32_t d3 = cityBlock(l.vertex, end);
        int32_t slack = std::clamp(d3 >> 5, 2, 5);
        if (d1 + d2 <= d3 + slack || std::min(d1, d2) <= slack) return true;
    }
    return false;
}

// Marks contour cells with the contour's column within its cell (1 .. 4).
void markContour(const markerGrid& grid, const cbt_result& track, int32_t from, int32_t to) {
    for (int32_t i = std::max(from, 0); i < to; ++i) {
        if (unsigned char* cell = grid.ofTrackerPoint(track.points[i])) {
            *cell = static_cast<unsigned char>(
                ((((track.points[i].x + 128) >> 8) - grid.originX) & 3) + 1);
        }
    }
}

bool adaptiveSizeAccepted(const contourPoint* contour, int32_t n, const cid2d_trackingParams& p,
                          const cimg_windowConst& window, int32_t trackMode, int32_t* smoothing) {
    int32_t extentSecond = 0, extentFirst = 0, extentMax = 0;
    extents(contour, n, &extentSecond, &extentFirst, &extentMax);
    if (extentSecond >= window.width - 1 || extentFirst >= window.height - 1) return false;
    if (trackMode == 0) {
        if (extentFirst < p.minSymbolSize || extentSecond < p.minSymbolSize ||
            extentMax > p.maxSymbolSize) {
            return false;
        }
    } else if (extentMax < p.minSymbolSize || extentMax > p.maxSymbolSize) {
        return false;
    }
    if (extentFirst > 5 * extentSecond || extentSecond > 5 * extentFirst) return false;
    int32_t modules = std::max({p.expectedModules1, p.expectedModules2, 32});
    int32_t q = std::max(std::min(extentFirst, extentSecond) / modules,
                         static_cast<int32_t>(p.minSmoothing));
    *smoothing = std::min(q, 25);
    return true;
}

}  // namespace

extern "C" int32_t cf_BndFindDMSymbolFromSeed_Adaptive(
    const cimg_imageConst* image, const cid2d_trackingParams* params,
    const cid2d_trackingSeed* seed, const cbt_runParams* runParams, cimg_image* marker,
    const cid_mask* mask, const cmath_xformLinear* maskArgument, int32_t trackMode,
    cid2d_trackingResult* result) {
    CSTD_ASSERT(image && params && seed && runParams && marker && result);
    CSTD_ASSERT(params->workBuffer && params->workBufferSize >= CID2D_WORK_BUFFER_MIN);
    cimg_windowConst window;
    markerGrid grid;
    unsigned char* seedCell = nullptr;
    int32_t status =
        openSeed(image, *seed, marker, mask, maskArgument, result, &window, &grid, &seedCell);
    if (status < 0 || !seedCell) return status;

    cbt_runParams run = seedRunParams(*runParams, *seed, window, params->maxBoundaryPoints);
    run.edgeStrength = seed->strength;
    run.followLocalLevel = 1;
    cbt_result& track = result->track;
    track.mode = 1;
    status = cbt_boundaryTrack_Adaptive(image, &run, trackMode, &track);
    if (status == CBT_STATUS_NO_CONTOUR) return 0;
    if (status < 0) return status;
    *seedCell = static_cast<unsigned char>((seed->x & 3) + 1);
    if (!(track.flags & CBT_FLAG_CLOSED)) return 0;
    if (track.count == 0) return CID_STATUS_EMPTY_CONTOUR;
    const int32_t count = std::min(track.count, kMaxTrackedPoints);
    if (count >= 400 && (status = csys_attention_check()) < 0) return status;

    contourWorkArea area = workAreaOf(params->workBuffer);
    copyContour(track, count, window, area.contour);
    if (track.mode != 0) markContour(grid, track, 0, track.mode == 16 ? count - 10 : count);
    if (count < 2 * params->minSymbolSize || (track.flags & CBT_FLAG_UNUSABLE) ||
        (!params->allowAtBorder && (track.flags & CBT_FLAG_TOUCHES_BORDER))) {
        return 0;
    }

    int32_t n = 0, q = 0, largestCurvature = 0, runs = 0;
    halve(area.contour, count, &n);
    if (!adaptiveSizeAccepted(area.contour, n, *params, window, trackMode, &q)) return 0;
    smooth(area.smoothed, area.contour, n, q);
    curvature(area.curvature, area.smoothed, n, 2 * q, &largestCurvature);
    if (largestCurvature < 32) return 0;
    const int32_t threshold = q > 3 ? 16 * std::min((3 * q + 1) >> 1, 7) : 64;
    straightRuns(area.segments, area.curvature, area.smoothed, 1, n, q, threshold, kSegmentCapacity,
                 &runs);
    sortSegments(area.segments, runs);
    if (runs < 2 || area.segments[1].length < 32) return 0;

    int armA = 0, armB = 0;
    lFound l;
    bool found = false;
    if (chooseArms(area.smoothed, area.curvature, n, area.segments, runs, &armA, &armB)) {
        status = fitArms(area.contour, area.smoothed, n, area.segments[armA], area.segments[armB],
                         window, &l, &found);
        if (status < 0) return status;
        finderReading reading;
        if (found) {
            status = looksLikeDataMatrix(window, l.exact, seed->mean, params->allowSkew != 0,
                                         &reading, &found);
            if (status < 0) return status;
        }
    }
    if (found) {
        track.slots[0] = track.slots[1] = cbt_point{l.vertex.x, l.vertex.y};
        track.slots[2] = cbt_point{l.ends[0].x, l.ends[0].y};
        track.slots[3] = cbt_point{l.ends[1].x, l.ends[1].y};
        pixelPoint seedPixel{seed->x + window.xOffset, seed->y + window.yOffset};
        if (trackMode == 0 && track.mode == 0 && count > 20 && seedNearL(seedPixel, l)) {
            markContour(grid, track, 10, count - 10);
        }
    }
    result->found = found ? 1 : 0;
    result->scanLineIndex = params->firstScanLine;
    return 0;
}
