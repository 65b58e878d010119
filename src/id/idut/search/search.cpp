// The search over every kind of symbol, its library-allocated form, and the options and scan
// lines the searches share.
#include "ci_id/search.h"

#include <algorithm>
#include <cmath>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/priv/ci_idut/pixel/image.h"
#include "ci_id/priv/ci_idut/search/search_common.h"
#include "ci_id/status.h"

namespace cidut {

int32_t resolveOptions(const cid_searchOptions* given, const cimg_windowConst& window,
                       cid_searchOptions* out) {
    if (given) {
        *out = *given;
    } else {
        cid_searchOptions_init(out);
    }
    const double minSize = out->minSymbolSize, maxSize = out->maxSymbolSize;
    if (out->spacing < 1 || !(minSize >= 0) || !(maxSize >= 0) || !std::isfinite(minSize) ||
        !std::isfinite(maxSize) || (maxSize > 0 && maxSize < minSize)) {
        return CID_STATUS_INVALID_VALUE;
    }
    // A symbol's side cannot be longer than the window's diagonal.
    if (maxSize == 0) out->maxSymbolSize = std::hypot(double(window.width), double(window.height));
    return 0;
}

int32_t newScanLines(const cimg_windowConst& window, int32_t spacing, bool alongRows,
                     int32_t** lines, int32_t* count) {
    const int32_t origin = alongRows ? window.yOffset : window.xOffset;
    const int32_t extent = alongRows ? window.height : window.width;
    const int32_t first = std::min(spacing / 2, std::max(extent - 1, 0));
    const int32_t n = extent > 0 ? (extent - 1 - first) / spacing + 1 : 0;
    void* block = nullptr;
    int32_t status =
        csys_memory_allocArray_internal(size_t(std::max(n, 1)), sizeof(int32_t), &block);
    if (status < 0) return status;
    *lines = static_cast<int32_t*>(block);
    for (int32_t k = 0; k < n; ++k) (*lines)[k] = origin + first + k * spacing;
    *count = n;
    return 0;
}

int32_t imageCoordinateView(const cimg_imageConst* image, cimg_imageConst* view) {
    int32_t status = cimg_imageConst_constructCopy(view, image);
    if (status < 0) return status;
    cmath_xformLinear identity;
    cmath_xformLinear_initIdentity(&identity);
    status = cimg_imageConst_setLinearImageFromClientXform(view, &identity);
    if (status < 0) cimg_imageConst_destruct(view);
    return status;
}

int32_t regionOfSymbol(const cid_symbol& symbol, cid_region* region) {
    return cid_region_initVectPoints(region, symbol.corners, 1);
}

}  // namespace cidut

namespace {

using kindSearch = int32_t (*)(const cimg_imageConst*, const cid_searchOptions*, cid_symbol*,
                               int32_t, int32_t*);

struct symbolKind {
    int32_t type;
    kindSearch search;
};

// The kinds cid_findSymbols searches, in this order: its single dispatch.
constexpr symbolKind kKinds[] = {
    {CID_SYMBOL_DATAMATRIX, &cid_findDataMatrix},
    {CID_SYMBOL_PDF417, &cid_findPdf417},
    {CID_SYMBOL_BARCODE, &cid_findBarcodes},
};

// A first guess at the array cid_findSymbolsNew needs; a scene with more symbols is searched
// again with room for all of them.
constexpr int32_t kFirstCapacity = 32;

}  // namespace

extern "C" {

int32_t cid_searchOptions_init(cid_searchOptions* options) {
    CSTD_ASSERT(options);
    *options = cid_searchOptions{CID_SYMBOL_ALL, 8, 0, 0, 0, 15.0, 0.0};
    return 0;
}

int32_t cid_findSymbols(const cimg_imageConst* image, const cid_searchOptions* options,
                        cid_symbol* symbols, int32_t capacity, int32_t* count) {
    CSTD_ASSERT(image && count && capacity >= 0 && (symbols || capacity == 0));
    *count = 0;
    cid_searchOptions defaults;
    cid_searchOptions_init(&defaults);
    const int32_t types = options ? options->types : defaults.types;
    if (types & ~CID_SYMBOL_ALL) return CID_STATUS_INVALID_VALUE;
    cimg_windowConst window;
    int32_t status = cidut::window8(image, &window);
    if (status < 0) return status;
    int32_t total = 0;
    for (const symbolKind& kind : kKinds) {
        if (!(types & kind.type)) continue;
        const int32_t written = std::min(total, capacity);
        int32_t found = 0;
        status = kind.search(image, options, symbols + written, capacity - written, &found);
        total = int32_t(std::min<int64_t>(int64_t{total} + found, INT32_MAX));
        if (status < 0) {
            *count = status == CSYS_STATUS_STOP_REQUESTED ? total : 0;
            return status;
        }
    }
    *count = total;
    return 0;
}

int32_t cid_findSymbolsNew(const cimg_imageConst* image, const cid_searchOptions* options,
                           cid_symbol** symbols, int32_t* count) {
    CSTD_ASSERT(image && symbols && count);
    *symbols = nullptr;
    *count = 0;
    int32_t capacity = kFirstCapacity, found = 0, status = 0;
    void* block = nullptr;
    for (;;) {
        status = csys_memory_allocArray_internal(size_t(capacity), sizeof(cid_symbol), &block);
        if (status < 0) return status;
        status = cid_findSymbols(image, options, static_cast<cid_symbol*>(block), capacity, &found);
        if (found <= capacity) break;
        csys_memory_free_internal(&block);
        capacity = found;
    }
    if (found == 0) {
        csys_memory_free_internal(&block);
        return status;
    }
    *symbols = static_cast<cid_symbol*>(block);
    *count = found;
    return status;
}

int32_t cid_symbols_release(cid_symbol** symbols) {
    CSTD_ASSERT(symbols);
    void* block = *symbols;
    *symbols = nullptr;
    return csys_memory_free_internal(&block);
}
}
