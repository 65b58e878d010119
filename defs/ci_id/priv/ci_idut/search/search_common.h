// Pieces shared by the whole-image searches: their options, scan lines, the records of found
// symbols they keep, and the caller's array they fill.
#pragma once

#include <cstdint>

#include "ci_id/mask.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/search.h"

namespace cidut {

// The options a search runs with: the caller's, or the defaults for null, checked (a spacing
// below 1, a negative or non-finite size, or a maximum below the minimum give
// CID_STATUS_INVALID_VALUE), with a maximum size of 0 replaced by the window's diagonal.
int32_t resolveOptions(const cid_searchOptions* given, const cimg_windowConst& window,
                       cid_searchOptions* out);

// Every spacing-th row (alongRows) or column of the window, starting half a spacing in, in image
// coordinates; an array from the library allocator, released with csys_memory_free_internal.
int32_t newScanLines(const cimg_windowConst& window, int32_t spacing, bool alongRows,
                     int32_t** lines, int32_t* count);

// The caller's array: symbols are written while there is room and all are counted.
struct symbolOutput {
    cid_symbol* symbols;
    int32_t capacity;
    int32_t count;

    void add(const cid_symbol& symbol) {
        if (count < capacity) symbols[count] = symbol;
        if (count < INT32_MAX) ++count;
    }
};

// What a search reports: the symbols found when it ended well or was stopped, none after any
// other failure.
inline int32_t finishSearch(int32_t status, const symbolOutput& out, int32_t* count) {
    *count = status >= 0 || status == CSYS_STATUS_STOP_REQUESTED ? out.count : 0;
    return status;
}

// A record of the image's pixels whose client coordinates are its image coordinates, so that the
// regions and masks of a search are in the coordinates it reports; release it with
// cimg_imageConst_destruct.
int32_t imageCoordinateView(const cimg_imageConst* image, cimg_imageConst* view);

// The region of a symbol's corners, which go round it from corners[0].
int32_t regionOfSymbol(const cid_symbol& symbol, cid_region* region);

}  // namespace cidut
