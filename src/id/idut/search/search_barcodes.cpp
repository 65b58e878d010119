// Barcode candidates over a whole image. Scan lines find bar texture (runs of closely spaced
// edges); the bars of each run are tracked, and when their edges are straight and parallel they
// propose a region: its y side along them, as long as their edges reach, and its x side across the
// texture on the line through them at right angles to the bars. The candidate test of barcode.h
// confirms it.
#include <algorithm>
#include <cmath>

#include "ci_id/barcode.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/locate/bars.h"
#include "ci_id/priv/ci_idut/locate/seeds.h"
#include "ci_id/priv/ci_idut/search/search_common.h"
#include "ci_id/search.h"

namespace {

using namespace cidut;

constexpr double kPi = 3.14159265358979323846;
// Bar texture: at least this many edges, none further than kMaxGap pixels from the next (four
// modules of six pixels, seen at 45 degrees).
constexpr int32_t kMinEdges = 8;
constexpr int32_t kMaxGap = 32;
// Bar sides shorter than this many halved contour points (about twice as many pixels) are not
// taken for bar edges when a region is proposed.
constexpr int32_t kProposalMinRun = 6;
// Proposed bars agree when at least two thirds of their edges lie within this angle of the median.
constexpr double kAgreement = kPi / 20;
// The straight sides end short of the bars' ends by about the curvature span.
constexpr double kBarEndMargin = 3.0;
constexpr double kMaskGrowth = 2.0;

// A line's grey levels and the positions of the edges found along it.
struct lineProfile {
    unsigned char* grey;
    int32_t* edges;
    int32_t edgeCount;
};

struct barSearch {
    cimg_imageConst view;
    cimg_windowConst window;
    double minSize, maxSize;  // of either side of a candidate, pixels
    barScratch scratch;
    cid_mask mask;
    void* block = nullptr;  // the two profiles' memory
    int32_t capacity;       // samples a profile holds: any line through the window fits
    lineProfile scan, across;
};

int32_t freeBlock(void** block) { return csys_memory_free_internal(block); }

// The edges of the first `length` grey levels, with the seed finders' gradient and threshold:
// edge k lies between samples edges[k] - 1 and edges[k].
void findEdges(lineProfile* p, int32_t length) {
    p->edgeCount = 0;
    walkRowPeaks(p->grey, 3, length - 5, 45, 1000, [&](int i, int) {
        p->edges[p->edgeCount++] = i + 1;
        return true;
    });
}

// The run of edges around edge k: none further than kMaxGap from the next.
void textureAround(const lineProfile& p, int32_t k, int32_t* first, int32_t* last) {
    *first = *last = k;
    while (*first > 0 && p.edges[*first] - p.edges[*first - 1] <= kMaxGap) --*first;
    while (*last + 1 < p.edgeCount && p.edges[*last + 1] - p.edges[*last] <= kMaxGap) ++*last;
}

double angleBetweenLines(double a, double b) {
    double d = std::fmod(std::fabs(a - b), kPi);
    return std::min(d, kPi - d);
}

cmath_vect pixelsOf(const contourPoint& p) {
    return cmath_vect{p.second / 16.0 + 0.5, p.first / 16.0 + 0.5};
}

double dot(const cmath_vect& a, const cmath_vect& b) { return a.x * b.x + a.y * b.y; }

// Samples the window along the line through c in the unit direction d, from where it enters the
// window to where it leaves; *start is the position along the line of the first sample.
int32_t sampleLine(barSearch& b, const cmath_vect& c, const cmath_vect& d, double* start) {
    const cimg_windowConst& w = b.window;
    double lo = -b.capacity / 2.0, hi = b.capacity / 2.0 - 1;
    auto clip = [&](double origin, double step, double low, double high) {
        if (std::fabs(step) < 1e-12) return;
        double t0 = (low - origin) / step, t1 = (high - origin) / step;
        lo = std::max(lo, std::min(t0, t1));
        hi = std::min(hi, std::max(t0, t1));
    };
    clip(c.x, d.x, w.xOffset + 0.5, w.xOffset + w.width - 0.5);
    clip(c.y, d.y, w.yOffset + 0.5, w.yOffset + w.height - 0.5);
    *start = std::ceil(lo);
    int32_t n = 0;
    for (double t = *start; t <= hi && n < b.capacity; t += 1.0, ++n) {
        const int32_t x =
            std::clamp(int32_t(std::floor(c.x + t * d.x)) - w.xOffset, 0, w.width - 1);
        const int32_t y =
            std::clamp(int32_t(std::floor(c.y + t * d.y)) - w.yOffset, 0, w.height - 1);
        b.across.grey[n] = w.pixels[y * w.pitch + x];
    }
    return n;
}

// How far the bar texture reaches either way across the bars from c: [*from, *to] along d.
bool textureAcross(barSearch& b, const cmath_vect& c, const cmath_vect& d, double* from,
                   double* to) {
    double start = 0;
    findEdges(&b.across, sampleLine(b, c, d, &start));
    const lineProfile& p = b.across;
    int32_t nearest = -1;
    for (int32_t k = 0; k < p.edgeCount; ++k) {
        if (nearest < 0 || std::fabs(start + p.edges[k]) < std::fabs(start + p.edges[nearest])) {
            nearest = k;
        }
    }
    if (nearest < 0) return false;
    int32_t first = 0, last = 0;
    textureAround(p, nearest, &first, &last);
    *from = dot(c, d) + start + p.edges[first] - 0.5;
    *to = dot(c, d) + start + p.edges[last] - 0.5;
    return last - first + 1 >= kMinEdges;
}

// The region the measured bars propose; false when too few of their edges agree or no bar
// texture runs across them. *agreeing counts the edges within kAgreement of the median.
bool proposeRegion(barSearch& b, const barEdges& edges, cid_region* region, int32_t* agreeing) {
    int32_t median = 0;
    if (!medianBarSlope(edges, &median)) return false;
    const double phi = slopeAngle(median);
    const cmath_vect along{std::cos(phi), std::sin(phi)}, across{-along.y, along.x};
    double lo = INFINITY, hi = -INFINITY;
    cmath_vect centre{0, 0};
    *agreeing = 0;
    for (int32_t k = 0; k < edges.count; ++k) {
        if (angleBetweenLines(slopeAngle(edges.slopes[k]), phi) > kAgreement) continue;
        ++*agreeing;
        for (const contourPoint& end : edges.ends[k]) {
            const cmath_vect p = pixelsOf(end);
            lo = std::min(lo, dot(p, along));
            hi = std::max(hi, dot(p, along));
            centre = cmath_vect{centre.x + p.x, centre.y + p.y};
        }
    }
    if (3 * *agreeing < 2 * edges.count) return false;
    centre = cmath_vect{centre.x / (2 * *agreeing), centre.y / (2 * *agreeing)};
    double a0 = 0, a1 = 0;
    if (!textureAcross(b, centre, across, &a0, &a1)) return false;
    lo -= kBarEndMargin;
    hi += kBarEndMargin;
    auto at = [&](double u, double v) {
        return cmath_vect{u * along.x + v * across.x, u * along.y + v * across.y};
    };
    const cmath_vect corners[4] = {at(lo, a0), at(lo, a1), at(hi, a1), at(hi, a0)};
    return cid_region_initVectPoints(region, corners, 1) >= 0;
}

// The seeds of a stretch of texture on a scan line, on a window just around it.
int32_t stretchSeeds(const barSearch& b, bool alongRows, int32_t position, int32_t from, int32_t to,
                     cid2d_trackingSeed* seeds, int32_t* count, cimg_windowConst* part) {
    if (alongRows) {
        *part = clippedWindow(b.window, int64_t{from} - 4, int64_t{position} - 3,
                              int64_t{to} - from + 10, 7);
        return rowSeeds(*part, position, kBarSeeds, 0, seeds, count);
    }
    *part = clippedWindow(b.window, int64_t{position} - 3, int64_t{from} - 4, 7,
                          int64_t{to} - from + 10);
    return columnSeeds(*part, position, kBarSeeds, 0, seeds, count);
}

int32_t isMasked(const barSearch& b, const cmath_vect& p, bool* masked) {
    int32_t covered = 0;
    int32_t status = cid_mask_isPointUnMasked(&b.mask, &p, nullptr, &covered);
    *masked = covered != 0;
    return status;
}

bool sizeAccepted(const barSearch& b, const cid_region& r) {
    const double across = std::hypot(r.Px.x - r.Po.x, r.Px.y - r.Po.y);
    const double along = std::hypot(r.Py.x - r.Po.x, r.Py.y - r.Po.y);
    return std::min(across, along) >= b.minSize && std::max(across, along) <= b.maxSize;
}

// Measures the bars of a stretch (image positions from .. to on the scan line) and reports the
// candidate they make, if the candidate test agrees.
int32_t tryStretch(barSearch& b, bool alongRows, int32_t position, int32_t from, int32_t to,
                   symbolOutput* out) {
    const double middle = (from + to) / 2.0, line = position + 0.5;
    bool masked = false;
    int32_t status =
        isMasked(b, alongRows ? cmath_vect{middle, line} : cmath_vect{line, middle}, &masked);
    if (status < 0 || masked) return status;
    cid2d_trackingSeed seeds[kBarSeeds];
    int32_t seedCount = 0;
    cimg_windowConst part;
    status = stretchSeeds(b, alongRows, position, from, to, seeds, &seedCount, &part);
    barEdges edges;
    if (status >= 0) {
        status = measureBars(&b.view, b.window, part, seeds, seedCount, kProposalMinRun, &b.scratch,
                             &edges);
    }
    cid_region proposed, aligned;
    int32_t agreeing = 0, isBarcode = 0;
    if (status < 0 || !proposeRegion(b, edges, &proposed, &agreeing)) return status;
    cmath_vect centre;
    cid_region_getCenter(&proposed, &centre);
    if ((status = isMasked(b, centre, &masked)) < 0 || masked) return status;
    status = cid2d_getIsCandidateBarcodeLike(&b.view, &proposed, &isBarcode, &aligned);
    if (status < 0 || !isBarcode || !sizeAccepted(b, aligned)) return status;
    const int32_t quality = 1000 * agreeing / edges.tracked;
    out->add(cid_symbol{
        CID_SYMBOL_BARCODE, quality, {aligned.Po, aligned.Px, aligned.Popp, aligned.Py}});
    return cid_mask_appendRegion(&b.mask, &aligned, kMaskGrowth);
}

// Walks one scan line for edges and tries every stretch of bar texture on it.
int32_t walkLine(barSearch& b, bool alongRows, int32_t position, symbolOutput* out) {
    const cimg_windowConst& w = b.window;
    const int32_t length = alongRows ? w.width : w.height;
    const int32_t origin = alongRows ? w.xOffset : w.yOffset;
    const intptr_t step = alongRows ? 1 : w.pitch;
    const unsigned char* first =
        alongRows ? w.pixels + (position - w.yOffset) * w.pitch : w.pixels + (position - w.xOffset);
    for (int32_t i = 0; i < length; ++i) b.scan.grey[i] = first[i * step];
    findEdges(&b.scan, length);
    for (int32_t k = 0; k < b.scan.edgeCount;) {
        int32_t from = 0, to = 0;
        textureAround(b.scan, k, &from, &to);
        if (to - from + 1 >= kMinEdges) {
            int32_t status = tryStretch(b, alongRows, position, origin + b.scan.edges[from],
                                        origin + b.scan.edges[to], out);
            if (status < 0) return status;
        }
        k = to + 1;
    }
    return 0;
}

int32_t walkLines(barSearch& b, const cid_searchOptions& options, bool alongRows,
                  symbolOutput* out) {
    int32_t* lines = nullptr;
    int32_t count = 0;
    int32_t status = newScanLines(b.window, options.spacing, alongRows, &lines, &count);
    if (status < 0) return status;
    for (int32_t k = 0; k < count && status >= 0; ++k) {
        status = csys_attention_check();
        if (status >= 0) status = walkLine(b, alongRows, lines[k], out);
    }
    void* block = lines;
    csys_memory_free_internal(&block);
    return status;
}

// One block for both profiles: grey levels and edge positions of capacity samples each.
int32_t openProfiles(barSearch& b) {
    b.capacity = 2 * (b.window.width + b.window.height) + 8;
    size_t bytes = 0;
    int32_t status = csys_size_multiply(size_t(b.capacity), 2 * (1 + sizeof(int32_t)), &bytes);
    if (status < 0 || (status = csys_memory_alloc_internal(bytes, &b.block)) < 0) return status;
    auto* edges = static_cast<int32_t*>(b.block);
    auto* grey = reinterpret_cast<unsigned char*>(edges + 2 * size_t(b.capacity));
    b.scan = lineProfile{grey, edges, 0};
    b.across = lineProfile{grey + b.capacity, edges + b.capacity, 0};
    return 0;
}

int32_t searchBarcodes(const cimg_imageConst* image, const cimg_windowConst& window,
                       const cid_searchOptions& options, symbolOutput* out) {
    csys::cleanupScope<4> scope;
    barSearch b;
    b.window = window;
    b.minSize = options.minSymbolSize;
    b.maxSize = options.maxSymbolSize;
    int32_t status = imageCoordinateView(image, &b.view);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_imageConst_destruct>(&b.view);
    if ((status = openBarScratch(&b.scratch)) < 0) return scope.close(status);
    scope.scratch<closeBarScratch>(&b.scratch);
    if ((status = cid_mask_construct(&b.mask, &b.view)) < 0) return scope.close(status);
    scope.scratch<cid_mask_destruct>(&b.mask);
    if ((status = openProfiles(b)) < 0) return scope.close(status);
    scope.scratch<freeBlock>(&b.block);
    status = walkLines(b, options, true, out);
    if (status >= 0 && options.columns) status = walkLines(b, options, false, out);
    return scope.close(status);
}

}  // namespace

extern "C" int32_t cid_findBarcodes(const cimg_imageConst* image, const cid_searchOptions* options,
                                    cid_symbol* symbols, int32_t capacity, int32_t* count) {
    CSTD_ASSERT(image && count && capacity >= 0 && (symbols || capacity == 0));
    *count = 0;
    cimg_windowConst window;
    int32_t status = trackableWindow(image, &window);
    if (status < 0) return status;
    cid_searchOptions resolved;
    if ((status = resolveOptions(options, window, &resolved)) < 0) return status;
    symbolOutput out{symbols, capacity, 0};
    return finishSearch(searchBarcodes(image, window, resolved, &out), out, count);
}
