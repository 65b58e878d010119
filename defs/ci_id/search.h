/* Whole-image searches: every symbol of the chosen kinds in an image, in one call.
 *
 * A search walks scan lines over the image's window, hands what it meets on them to the location
 * entry points (the Data Matrix and PDF417 finders of dmfinder.h and pdf417.h, the barcode
 * candidate test of barcode.h) and records every symbol found in a mask, so that each is reported
 * once. It is the loop a caller would otherwise write around those entry points: a work buffer,
 * scan lines, a marker image, a mask.
 *
 * Coordinates are image coordinates, pixel (i, j) covering [i, i + 1) x [j, j + 1). Corners go
 * round the symbol:
 * - Data Matrix: corners[0] is the L vertex (where the two solid sides meet), corners[1] the end of
 *   one solid side, corners[2] the far corner, corners[3] the end of the other solid side;
 * - PDF417: the outer boundary, start and stop patterns included, corners[0] and corners[3] on the
 *   start pattern's side, corners[0] at the top of the symbol as printed. The PDF417 search walks
 *   rows, columns and both diagonals, each both ways, whatever `columns` says (a start pattern is
 *   only seen by a line that runs nearly along the symbol's rows); a symbol needs both its start
 *   and stop patterns, and its quality is the share of the rows sampled across it that showed
 *   them (per mille);
 * - barcode candidates: the candidate region's corners Po, Px, Popp, Py, turned to the measured bar
 *   direction: Po to Px runs across the bars, Po to Py along them.
 *
 * Beyond the window itself, the Data Matrix and PDF417 searches look at copies of it, and report
 * what they find there in image coordinates, each symbol once (one whose centre lies within a
 * symbol of its kind already found is the same one):
 * - a copy framed by a margin of the window's light level (8 pixels plus a 32nd of its shorter
 *   side) when something as dark as its darkest twentieth reaches its outer three pixels: labels
 *   cropped at the symbol, without a quiet zone;
 * - Data Matrix: a threefold enlargement of windows of at most 160 pixels a side (modules of a
 *   pixel or so); allowSkew adds a pass with free far sides before the one with square ones
 *   (a symbol in perspective keeps its fitted corners), and it only adds symbols;
 * - PDF417: copies reduced threefold along the bars, upright and turned, alone and enlarged
 *   twofold across them (start bars of many rows, more than three times as tall as wide), and
 *   for windows of at most 400 pixels a side twofold enlargements across the bars (modules of
 *   about a pixel). These copies serve symbols whose bars run along the reduction, and only the
 *   lines across those bars are walked there. They are searched only when the window itself
 *   gives no PDF417 symbol, since they cost three to four times its search. A symbol is reported when its shortest side
 *   reaches minSymbolSize and its longest keeps within maxSymbolSize, in image pixels.
 * Symbols that the finders reject stay unreported whatever the copy: Data Matrix contours more
 * than five times as long as wide (rectangular symbols of 8 or 12 rows and many columns), and
 * PDF417 without a full stop pattern (compact PDF417).
 *
 * Barcode candidates are proposed by bar texture: on each scan line, a run of at least 8 edges
 * with no gap over 32 pixels is tracked bar by bar as cid2d_getIsCandidateBarcodeLike tracks them
 * (at most 20 bars, sides of more than 6 halved contour points); when more than two bars give a
 * straight edge, more than two thirds of those tracked do, and two thirds of the edges lie within
 * 9 degrees of their median, they propose a region: its y side along the median edge, as long as
 * those edges reach (plus 3 pixels at each end), its x side across the bar texture on the line
 * through them at right angles to the bars. cid2d_getIsCandidateBarcodeLike then decides, and its
 * turned region is the candidate. As that test measures, only bars of up to about 45 pixels are
 * seen. Rows alone find bars within about 50 degrees of upright; walking columns finds the others.
 *
 * Results: the caller-owned form writes up to capacity symbols and sets *count to the number
 * found, which may exceed capacity (then only the first capacity, in the order found, are
 * written). The library-released form allocates the array with the library allocator; release it
 * with cid_symbols_release.
 *
 * Stopping: a stop request on the attention token bound on the calling thread
 * (csys_attention_requestStop, csys_runtime.h) ends a search with CSYS_STATUS_STOP_REQUESTED; the
 * symbols found before it are written and counted. Other failures return their status with
 * *count 0. An unbound image gives CIMG_STATUS_NOT_BOUND, one that is not 8-bit
 * CIMG_STATUS_INVALID_IMAGE. Null pointers are preconditions (symbols may be null when capacity is
 * 0). */
#ifndef CI_ID_SEARCH_H
#define CI_ID_SEARCH_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cmath_vect.h"

CI_ID_EXTERN_C_BEGIN

#define CID_SYMBOL_DATAMATRIX 1
#define CID_SYMBOL_PDF417 2
#define CID_SYMBOL_BARCODE 4
#define CID_SYMBOL_ALL 7

typedef struct cid_symbol {
    int32_t type; /* one CID_SYMBOL_* value */
    /* the finder's quality, 0 .. 1000: for a Data Matrix the straightness of its solid sides
     * (cornerScore of tracking.h), for a barcode candidate the share of its tracked bars whose
     * edges agree with the median */
    int32_t quality;
    cmath_vect corners[4]; /* see above */
} cid_symbol;

typedef struct cid_searchOptions {
    int32_t types;         /* CID_SYMBOL_* bits (CID_SYMBOL_ALL); the per-kind calls ignore it */
    int32_t spacing;       /* pixels between scan lines (8) */
    int32_t columns;       /* non-zero: walk columns as well as rows (0) */
    int32_t allowSkew;     /* non-zero: Data Matrix far sides fitted freely, for perspective (0) */
    int32_t allowAtBorder; /* non-zero: 2-D symbols may touch the window's edge (0) */
    double minSymbolSize;  /* pixels (15) */
    double maxSymbolSize;  /* pixels (0: no limit below the window's size) */
} cid_searchOptions;

CI_ID_API int32_t cid_searchOptions_init(cid_searchOptions* options);

/* Every symbol of the kinds in options->types (options may be null: the defaults). */
CI_ID_API int32_t cid_findSymbols(const cimg_imageConst* image, const cid_searchOptions* options,
                                  cid_symbol* symbols, int32_t capacity, int32_t* count);
CI_ID_API int32_t cid_findDataMatrix(const cimg_imageConst* image,
                                     const cid_searchOptions* options, cid_symbol* symbols,
                                     int32_t capacity, int32_t* count);
CI_ID_API int32_t cid_findPdf417(const cimg_imageConst* image, const cid_searchOptions* options,
                                 cid_symbol* symbols, int32_t capacity, int32_t* count);
CI_ID_API int32_t cid_findBarcodes(const cimg_imageConst* image, const cid_searchOptions* options,
                                   cid_symbol* symbols, int32_t capacity, int32_t* count);

/* cid_findSymbols into an array the library allocates (*symbols null when none is found). */
CI_ID_API int32_t cid_findSymbolsNew(const cimg_imageConst* image,
                                     const cid_searchOptions* options, cid_symbol** symbols,
                                     int32_t* count);
/* Releases an array of cid_findSymbolsNew and sets *symbols to null; null is accepted. */
CI_ID_API int32_t cid_symbols_release(cid_symbol** symbols);

CI_ID_EXTERN_C_END

#ifdef __cplusplus
#include <stdexcept>
#include <string>
#include <vector>

namespace ci_id {

/* A failed search: the status the library returned. */
struct searchError : std::runtime_error {
    explicit searchError(int32_t s)
        : std::runtime_error("ci_id search failed with status " + std::to_string(s)), status(s) {}
    int32_t status;
};

/* Every symbol of the kinds in options->types; throws searchError on failure (a stop request
 * included). */
inline std::vector<cid_symbol> findSymbols(const cimg_imageConst& image,
                                           const cid_searchOptions* options = nullptr) {
    struct released {
        cid_symbol* symbols = nullptr;
        ~released() { cid_symbols_release(&symbols); }
    } found;
    int32_t count = 0;
    const int32_t status = cid_findSymbolsNew(&image, options, &found.symbols, &count);
    if (status < 0) throw searchError(status);
    return std::vector<cid_symbol>(found.symbols, found.symbols + count);
}

}  // namespace ci_id
#endif

#endif
