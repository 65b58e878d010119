// Every Data Matrix in an image: the find-next driver over rows (and columns on request), with a
// marker image of the traced cells and a mask of the symbols found, so that each is reported once.
#include <algorithm>

#include "ci_id/dmfinder.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/pixel/image.h"
#include "ci_id/priv/ci_idut/search/search_common.h"
#include "ci_id/priv/ci_idut/search/search_denoise.h"
#include "ci_id/priv/ci_idut/search/search_views.h"
#include "ci_id/search.h"

namespace {

using namespace cidut;

// Masked symbols are grown by this many pixels, so that a seed on the quiet zone's edge is not
// taken for a new symbol.
constexpr double kMaskGrowth = 2.0;

constexpr int32_t kMaxViews = 2;

// Small crops and screen captures: a few modules of a pixel or two fill them, so their content
// looks like noise to the noise measure, and they are searched enlarged as well (viewsFor).
bool isSmallWindow(const cimg_windowConst& window) {
    return std::max(window.width, window.height) <= 160;
}

// Views beyond the image itself, each for a class of real images:
// - labels cropped at or just beyond the symbol (scans and crops, no quiet zone): the finder
//   rejects a contour as wide as the window and an L with no quiet zone beyond it, so the window
//   is framed with its own light level;
// - small crops and screen captures at a pixel or so a module: the tracked contour of such
//   modules is too ragged for a corner fit, so a small window is also enlarged threefold.
int32_t viewsFor(const cimg_windowConst& window, viewPlan* plans) {
    windowFrame frame;
    frameOf(window, &frame);
    const int32_t pad = 8 + std::min(window.width, window.height) / 32;
    int32_t n = 0;
    if (frame.touched) plans[n++] = viewPlan{1, 1, 1, 1, pad, frame.light};
    if (isSmallWindow(window)) {
        plans[n++] = viewPlan{3, 3, 1, 1, 8, frame.light};
    }
    return n;
}

// The records of one search; the scope that opened them releases them.
struct dmSearch {
    cimg_imageConst view;
    cid2d_trackingParams params;
    void* work = nullptr;
    int32_t* lines = nullptr;
    cimg_image marker;
    cid_mask mask;
    cid2d_trackingResult result;
};

int32_t freeBlock(void** block) { return csys_memory_free_internal(block); }
int32_t freeLines(int32_t** lines) {
    void* block = *lines;
    *lines = nullptr;
    return csys_memory_free_internal(&block);
}

cid_symbol symbolOf(const cid2d_trackingResult& r) {
    // Round the symbol from the L vertex: one solid side, the far corner, the other solid side.
    return cid_symbol{
        CID_SYMBOL_DATAMATRIX, r.cornerScore, {r.rect.po, r.rect.px, r.farCorner, r.rect.py}};
}

// Walks the lines of params until the driver finds no more symbols, masking each one found.
int32_t findAlongLines(dmSearch& s, const searchView* view, foundSymbols* found) {
    s.params.firstScanLine = 0;
    for (;;) {
        int32_t status = cf_BndFindNextDMSymbol(&s.view, &s.params, &s.mask, 0, nullptr, 0,
                                                &s.marker, &s.result);
        if (status < 0 || !s.result.found) return status;
        const cid_symbol symbol = symbolOf(s.result);
        if ((status = found->add(view ? symbolInImage(*view, symbol) : symbol)) < 0) return status;
        cid_region region;
        if ((status = regionOfSymbol(symbol, &region)) < 0) return status;
        if ((status = cid_mask_appendRegion(&s.mask, &region, kMaskGrowth)) < 0) return status;
        // The same line again: its edges beyond this symbol are still to be walked.
        s.params.firstScanLine = s.result.scanLineIndex;
    }
}

// Every symbol along the scan lines of one view, with the far sides fitted freely or not. In a
// noisy image the seeds that the noise explains are passed over (markNoiseSeeds).
int32_t searchOnce(const cimg_imageConst* image, const searchView* view,
                   const cimg_windowConst& window, const cid_searchOptions& options, bool skew,
                   bool noisy, foundSymbols* found) {
    csys::cleanupScope<6> scope;
    dmSearch s;
    cid2d_trackingParams_init(&s.params);
    int32_t status = imageCoordinateView(image, &s.view);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_imageConst_destruct>(&s.view);
    status = csys_memory_alloc_internal(CID2D_WORK_BUFFER_MIN, &s.work);
    if (status < 0) return scope.close(status);
    scope.scratch<freeBlock>(&s.work);
    status = cimg_image_construct(&s.marker, CIMG_DEPTH_8U, (window.width + 3) / 4,
                                  (window.height + 3) / 4);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_image_destruct>(&s.marker);
    if ((status = cid_mask_construct(&s.mask, &s.view)) < 0) return scope.close(status);
    scope.scratch<cid_mask_destruct>(&s.mask);
    if ((status = cid2d_trackingResult_construct(&s.result)) < 0) return scope.close(status);
    scope.scratch<cid2d_trackingResult_destruct>(&s.result);

    s.params.workBuffer = static_cast<unsigned char*>(s.work);
    s.params.workBufferSize = CID2D_WORK_BUFFER_MIN;
    s.params.minSymbolSize = options.minSymbolSize;
    s.params.maxSymbolSize = options.maxSymbolSize;
    s.params.allowSkew = skew;
    s.params.allowStrongSkew = skew;
    s.params.allowAtBorder = options.allowAtBorder != 0;
    for (bool rows : {true, false}) {
        if (!rows && !options.columns) break;
        status = newScanLines(window, options.spacing, rows, &s.lines, &s.params.scanLineCount);
        if (status < 0) return scope.close(status);
        const int32_t linesId = scope.scratch<freeLines>(&s.lines);
        s.params.scanLines = s.lines;
        s.params.scanLinesAreRows = rows;
        if (noisy)
            status = markNoiseSeeds(&s.view, s.lines, s.params.scanLineCount, rows, &s.marker);
        if (status >= 0) status = findAlongLines(s, view, found);
        if ((status = scope.releaseNow(linesId, status)) < 0) return scope.close(status);
    }
    return scope.close(0);
}

// The symbols of one view in image coordinates, into found: when asked, free far sides first,
// which follow a symbol seen in perspective, then square ones, so that allowing skew only adds
// symbols (the square fit's are kept where the free fit found nothing).
int32_t searchBothFits(const cimg_imageConst* image, const searchView* view,
                       const cid_searchOptions& options, bool noisy, foundSymbols* found) {
    cimg_windowConst window;
    int32_t status = window8(image, &window);
    for (bool skew : {true, false}) {
        if (status < 0) break;
        if (skew && !options.allowSkew) continue;
        status = searchOnce(image, view, window, options, skew, noisy, found);
    }
    return status;
}

int32_t releaseView(searchView* view) { return cimg_image_destruct(&view->image); }

// The image as given, then the views that classes of real images need (see viewsFor).
int32_t searchDataMatrix(const cimg_imageConst* image, const cimg_windowConst& window,
                         const cid_searchOptions& options, bool noisy, foundSymbols* found) {
    int32_t status = searchBothFits(image, nullptr, options, noisy, found);
    viewPlan plans[kMaxViews];
    const int32_t views = viewsFor(window, plans);
    for (int32_t k = 0; k < views && status >= 0; ++k) {
        if ((status = csys_attention_check()) < 0) break;
        csys::cleanupScope<1> scope;
        searchView view;
        if ((status = searchView_make(window, plans[k], &view)) < 0) break;
        scope.scratch<releaseView>(&view);
        cid_searchOptions scaled = options;
        const double scale = std::max(view.scaleX, view.scaleY);
        scaled.minSymbolSize *= scale;
        scaled.maxSymbolSize *= scale;
        status = scope.close(searchBothFits(&view.image.asConst, &view, scaled, noisy, found));
    }
    return status;
}

// Above this noise level (grey levels) the window is searched through its smoothed copy: every
// noise blob of the window itself makes seeds whose contours wander through the noise until the
// tracker's point limit, and ragged contours spoil the corner fits of the symbols.
constexpr double kNoisy = 5.0;

using copyMaker = int32_t (*)(const cimg_windowConst& window, cimg_image* copy);

// The symbols of a filtered copy of the window (smoothedCopy or sharpenedCopy).
int32_t searchFilteredCopy(const cimg_windowConst& window, copyMaker make,
                           const cid_searchOptions& options, bool noisy, foundSymbols* found) {
    csys::cleanupScope<1> scope;
    cimg_image copy;
    int32_t status = make(window, &copy);
    if (status < 0) return status;
    scope.scratch<cimg_image_destruct>(&copy);
    cimg_windowConst copyWindow;
    if ((status = window8(&copy.asConst, &copyWindow)) < 0) return scope.close(status);
    return scope.close(searchDataMatrix(&copy.asConst, copyWindow, options, noisy, found));
}

// A large noisy window is searched through its smoothed copy alone. A small window is searched as
// it is first, since crisp modules of a pixel or two look like noise to the noise measure; when
// that finds nothing, its smoothed copy if it measures noisy, else its sharpened copy, which
// restores the edges of blurred modules of two or three pixels. Small windows cost little, so the
// second look does not strain the budget.
int32_t searchDenoised(const cimg_imageConst* image, const cimg_windowConst& window,
                       const cid_searchOptions& options, foundSymbols* found) {
    const bool noisy = noiseLevelOf(window) >= kNoisy;
    if (!isSmallWindow(window)) {
        if (noisy) return searchFilteredCopy(window, smoothedCopy, options, true, found);
        return searchDataMatrix(image, window, options, false, found);
    }
    int32_t status = searchDataMatrix(image, window, options, false, found);
    // An empty window has nothing to filter.
    if (status < 0 || !found->list.empty() || window.width < 1 || window.height < 1) return status;
    if ((status = csys_attention_check()) < 0) return status;
    return searchFilteredCopy(window, noisy ? smoothedCopy : sharpenedCopy, options, noisy, found);
}

}  // namespace

extern "C" int32_t cid_findDataMatrix(const cimg_imageConst* image,
                                      const cid_searchOptions* options, cid_symbol* symbols,
                                      int32_t capacity, int32_t* count) {
    CSTD_ASSERT(image && count && capacity >= 0 && (symbols || capacity == 0));
    *count = 0;
    cimg_windowConst window;
    int32_t status = window8(image, &window);
    if (status < 0) return status;
    cid_searchOptions resolved;
    if ((status = resolveOptions(options, window, &resolved)) < 0) return status;
    foundSymbols found;
    status = searchDenoised(image, window, resolved, &found);
    symbolOutput out{symbols, capacity, 0};
    for (const cid_symbol& symbol : found.list) out.add(symbol);
    return finishSearch(status, out, count);
}
