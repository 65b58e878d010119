// The whole-image PDF417 search: scan lines in four directions, both ways, give edge lists; the
// matching finder tracks every start pattern's wide bar on them, and each bar is measured into a
// symbol, which the mask then keeps from being found again.
#include <algorithm>
#include <cmath>

#include "ci_id/pdf417.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/priv/ci_idut/locate/hole_memory.h"
#include "ci_id/priv/ci_idut/locate/pdf_finder.h"
#include "ci_id/priv/ci_idut/pixel/image.h"
#include "ci_id/priv/ci_idut/search/pdf417_search.h"
#include "ci_id/priv/ci_idut/search/search_common.h"
#include "ci_id/priv/ci_idut/search/search_views.h"
#include "ci_id/region.h"
#include "ci_id/status.h"

namespace {

using namespace cidut;

constexpr int32_t kMaxViews = 7;
constexpr int32_t kSmallWindow = 400;  // pixels along the longer side

struct searchState {
    const cimg_imageConst* image;
    const searchView* view;  // null for the image itself
    foundSymbols* found;
    cid_searchOptions options;  // in image coordinates
    // A view stretched one way serves the symbols whose bars run the other way: only the lines
    // across those bars, at acrossAngle, are walked there.
    bool acrossOnly;
    double acrossAngle;
    cimg_windowConst window;
    cid2d_trackingParams params;
    cimg_image marker;
    cid_mask mask;
    cid2d_trackingResult result;
    lineScratch scratch;   // the scan line
    lineScratch measure;   // lines across a candidate symbol
    holeMemory* holes;     // of every line of this view
};

double sideLength(const cid_symbol& s, int k) {
    const cmath_vect a = s.corners[k], b = s.corners[(k + 1) % 4];
    return std::hypot(b.x - a.x, b.y - a.y);
}

int32_t record(searchState& st, const cid_symbol& symbol) {
    cid_region region;
    int32_t status = regionOfSymbol(symbol, &region);
    if (status >= 0) status = cid_mask_appendRegion(&st.mask, &region, 0);
    if (status < 0) return status;
    const cid_symbol inImage = st.view ? symbolInImage(*st.view, symbol) : symbol;
    double shortest = sideLength(inImage, 0), longest = shortest;
    for (int k = 1; k < 4; ++k) {
        shortest = std::min(shortest, sideLength(inImage, k));
        longest = std::max(longest, sideLength(inImage, k));
    }
    if (shortest < st.options.minSymbolSize || longest > st.options.maxSymbolSize) return 0;
    return st.found->add(inImage);
}

// Every start pattern on the sampled line, walked along `direction`.
int32_t searchLine(searchState& st, const sampledLine& line) {
    const lineScratch& s = st.scratch;
    const double maxLength = std::max(st.params.maxSymbolSize, 1.0);
    for (;;) {
        int32_t status = findMatchingPdp(st.image, &st.params, &st.mask, nullptr, &st.marker, 1,
                                         s.edges, line.edgeCount, line.length, 0, s.points,
                                         s.samples, st.holes, &st.result);
        if (status < 0 || !st.result.found) return status;
        cid_symbol symbol;
        bool found = false;
        status = measureSymbol(st.window, st.result, maxLength, &st.measure, &symbol, &found);
        if (status >= 0 && found) status = record(st, symbol);
        if (status < 0) return status;
    }
}

// Lines across the window in direction angle, spacing apart, each searched both ways.
int32_t searchDirection(searchState& st, double angle, int32_t spacing) {
    const cimg_windowConst& w = st.window;
    const cmath_vect d{std::cos(angle), std::sin(angle)}, normal{-d.y, d.x};
    const cmath_vect centre{w.xOffset + w.width / 2.0, w.yOffset + w.height / 2.0};
    const double reach = std::hypot(w.width, w.height) / 2;
    for (double offset = -reach + spacing / 2.0; offset < reach; offset += spacing) {
        int32_t status = csys_attention_check();
        if (status < 0) return status;
        const cmath_vect middle{centre.x + offset * normal.x, centre.y + offset * normal.y};
        sampledLine line;
        status = sampleLine(w, {middle.x - reach * d.x, middle.y - reach * d.y},
                            {middle.x + reach * d.x, middle.y + reach * d.y}, &st.scratch, &line);
        if (status >= 0 && line.length > 0) status = searchLine(st, line);
        if (status >= 0 && line.length > 0) {
            reverseLine(&st.scratch, &line);
            status = searchLine(st, line);
        }
        if (status < 0) return status;
    }
    return 0;
}

int32_t releaseScratch(lineScratch* s) {
    lineScratch_release(s);
    return 0;
}

int32_t releaseBuffer(unsigned char** p) {
    void* q = *p;
    return csys_memory_free_internal(&q);
}

// Every symbol of one view (or of the image itself) into st.found.
int32_t searchOnce(searchState& st) {
    csys::cleanupScope<6> scope;
    int32_t status = window8(st.image, &st.window);
    if (status < 0) return scope.close(status);
    if (st.window.width < 16 || st.window.height < 16) return scope.close(0);
    const double diagonal = std::hypot(st.window.width, st.window.height);
    const cid_searchOptions& o = st.options;
    const double scale = st.view ? std::max(st.view->scaleX, st.view->scaleY) : 1.0;
    cid2d_trackingParams_init(&st.params);
    st.params.minSymbolSize = o.minSymbolSize;
    st.params.maxSymbolSize = o.maxSymbolSize * scale;
    st.params.allowAtBorder = o.allowAtBorder;
    // Narrow bars of small symbols need shorter smoothing than the default.
    st.params.minSmoothing = 1;
    void* work = nullptr;
    if ((status = csys_memory_alloc_internal(CID2D_WORK_BUFFER_MIN, &work)) < 0) return scope.close(status);
    st.params.workBuffer = static_cast<unsigned char*>(work);
    st.params.workBufferSize = CID2D_WORK_BUFFER_MIN;
    scope.scratch<releaseBuffer>(&st.params.workBuffer);
    status = cimg_image_construct(&st.marker, CIMG_DEPTH_8U, (st.window.width + 3) / 4,
                                  (st.window.height + 3) / 4);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_image_destruct>(&st.marker);
    if ((status = cid_mask_construct(&st.mask, nullptr)) < 0) return scope.close(status);
    scope.scratch<cid_mask_destruct>(&st.mask);
    if ((status = cid2d_trackingResult_construct(&st.result)) < 0) return scope.close(status);
    scope.scratch<cid2d_trackingResult_destruct>(&st.result);
    st.result.trackCalls = 0;
    const int32_t capacity = static_cast<int32_t>(std::ceil(diagonal)) + 4;
    if ((status = lineScratch_allocate(capacity, &st.scratch)) < 0) return scope.close(status);
    scope.scratch<releaseScratch>(&st.scratch);
    if ((status = lineScratch_allocate(capacity, &st.measure)) < 0) return scope.close(status);
    scope.scratch<releaseScratch>(&st.measure);
    holeMemory holes(st.window);
    st.holes = cprt_isOptimizationInhibited(L"cid_findPdf417") ? nullptr : &holes;
    const double pi = std::acos(-1.0);
    for (double angle : {0.0, pi / 2, pi / 4, 3 * pi / 4}) {
        if (!st.acrossOnly || angle == st.acrossAngle) {
            if ((status = searchDirection(st, angle, o.spacing)) < 0) break;
        }
    }
    return scope.close(status);
}

// Views beyond the image itself, each for a class of real images:
// - labels cropped at the symbol (no quiet zone, the symbol touching the edge): the window is
//   framed with its own light level;
// - symbols of many rows, whose start bar is more than three times as tall as it is wide, which
//   the finder's aspect test rejects: copies reduced threefold along the bars, upright (rows
//   across the image) and turned (rows down it), bring the bar within that test;
// - the same at a pixel or two a module (photographs of small labels), whose narrow elements
//   blur into each other once reduced: enlarged twofold across the bars as well;
// - small crops and screen captures at about a pixel a module: enlarged twofold across the bars
//   alone, since their few rows keep the bar within the aspect test.
int32_t viewsFor(const cimg_windowConst& window, viewPlan* plans) {
    windowFrame frame;
    frameOf(window, &frame);
    const int32_t pad = 8 + std::min(window.width, window.height) / 32;
    const uint8_t fill = frame.light;
    int32_t n = 0;
    if (frame.touched) plans[n++] = viewPlan{1, 1, 1, 1, pad, fill};
    plans[n++] = viewPlan{1, 1, 1, 3, pad, fill};
    plans[n++] = viewPlan{1, 1, 3, 1, pad, fill};
    plans[n++] = viewPlan{2, 1, 1, 3, pad, fill};
    plans[n++] = viewPlan{1, 2, 3, 1, pad, fill};
    if (std::max(window.width, window.height) <= kSmallWindow) {
        plans[n++] = viewPlan{2, 1, 1, 1, pad, fill};
        plans[n++] = viewPlan{1, 2, 1, 1, pad, fill};
    }
    return n;
}

int32_t releaseView(searchView* view) { return cimg_image_destruct(&view->image); }

int32_t search(const cimg_imageConst* image, const cid_searchOptions* options,
               foundSymbols* found) {
    cimg_windowConst window;
    int32_t status = window8(image, &window);
    if (status < 0) return status;
    searchState st{};
    st.image = image;
    st.found = found;
    if ((status = resolveOptions(options, window, &st.options)) < 0) return status;
    if ((status = searchOnce(st)) < 0) return status;
    // The views cost three to four times the search of the image itself; they serve symbols the
    // image as given does not show the finder, so a window that gave symbols is left at that.
    if (found->list.size() > 0) return status;
    viewPlan plans[kMaxViews];
    const int32_t views = viewsFor(window, plans);
    for (int32_t k = 0; k < views && status >= 0; ++k) {
        if ((status = csys_attention_check()) < 0) break;
        csys::cleanupScope<1> scope;
        searchView view;
        if ((status = searchView_make(window, plans[k], &view)) < 0) break;
        scope.scratch<releaseView>(&view);
        searchState viewState{};
        viewState.image = &view.image.asConst;
        viewState.view = &view;
        viewState.found = found;
        viewState.options = st.options;
        const bool upright = plans[k].growX > plans[k].growY || plans[k].shrinkY > plans[k].shrinkX;
        const bool turned = plans[k].growY > plans[k].growX || plans[k].shrinkX > plans[k].shrinkY;
        viewState.acrossOnly = upright || turned;
        viewState.acrossAngle = upright ? 0.0 : std::acos(-1.0) / 2;
        status = scope.close(searchOnce(viewState));
    }
    return status;
}

}  // namespace

extern "C" int32_t cid_findPdf417(const cimg_imageConst* image, const cid_searchOptions* options,
                                  cid_symbol* symbols, int32_t capacity, int32_t* count) {
    CSTD_ASSERT(image && count && capacity >= 0 && (symbols || capacity == 0));
    *count = 0;
    foundSymbols found;
    const int32_t status = search(image, options, &found);
    symbolOutput out{symbols, capacity, 0};
    for (const cid_symbol& symbol : found.list) out.add(symbol);
    return finishSearch(status, out, count);
}
