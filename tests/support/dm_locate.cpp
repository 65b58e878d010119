#include "dm_locate.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "ci_id/dmfinder.h"
#include "ci_id/mask.h"
#include "ci_id/region.h"

namespace cid_test {

namespace {

void check(int32_t status, const char* what) {
    if (status < 0)
        throw std::runtime_error(std::string(what) + " failed: " + std::to_string(status));
}

double distance(const cmath_vect& a, const cmath_vect& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Owns the records of one search.
struct searchState {
    cid2d_trackingParams params;
    std::vector<uint32_t> work;
    cimg_image marker;
    cid_mask mask;
    cid2d_trackingResult result;

    explicit searchState(const cimg_imageConst* image) {
        cimg_windowConst window;
        check(cimg_windowConst_init(&window, image), "window");
        cid2d_trackingParams_init(&params);
        work.assign(CID2D_WORK_BUFFER_MIN / 4 + 1, 0);
        params.workBuffer = reinterpret_cast<unsigned char*>(work.data());
        params.workBufferSize = CID2D_WORK_BUFFER_MIN;
        check(cimg_image_construct(&marker, CIMG_DEPTH_8U, (window.width + 3) / 4,
                                   (window.height + 3) / 4),
              "marker");
        check(cid_mask_construct(&mask, image), "mask");
        check(cid2d_trackingResult_construct(&result), "result");
    }
    ~searchState() {
        cid2d_trackingResult_destruct(&result);
        cid_mask_destruct(&mask);
        cimg_image_destruct(&marker);
    }
};

void walkLines(const cimg_imageConst* image, searchState& s, const dmSearch& search,
               std::vector<int32_t> lines, bool rows, std::vector<dmLocated>* found) {
    s.params.scanLines = lines.data();
    s.params.scanLineCount = static_cast<int32_t>(lines.size());
    s.params.scanLinesAreRows = rows ? 1 : 0;
    s.params.firstScanLine = 0;
    for (;;) {
        check(cf_BndFindNextDMSymbol(image, &s.params, &s.mask, 0, nullptr,
                                     search.lowThreshold ? 1 : 0, &s.marker, &s.result),
              "search");
        if (!s.result.found) return;
        const cid2d_trackingResult& r = s.result;
        found->push_back(dmLocated{
            r.rect.po, {r.rect.px, r.rect.py}, r.farCorner, r.farCornerFromShape, r.cornerScore});
        cid_region region;
        check(cid_region_initAffineRect(&region, &r.rect,
                                        r.farCornerFromShape ? nullptr : &r.farCorner),
              "region");
        check(cid_mask_appendRegion(&s.mask, &region, 2.0), "mask append");
        s.params.firstScanLine = r.scanLineIndex;
    }
}

}  // namespace

std::vector<dmLocated> locateDataMatrices(const cimg_imageConst* image, const dmSearch& search) {
    searchState s(image);
    s.params.allowSkew = search.allowSkew ? 1 : 0;
    s.params.allowAtBorder = search.allowAtBorder ? 1 : 0;
    s.params.minSymbolSize = search.minSymbolSize;
    cimg_windowConst window;
    check(cimg_windowConst_init(&window, image), "window");
    std::vector<dmLocated> found;
    std::vector<int32_t> rows, columns;
    for (int32_t y = search.spacing / 2; y < window.height; y += search.spacing)
        rows.push_back(window.yOffset + y);
    walkLines(image, s, search, rows, true, &found);
    if (search.columns) {
        for (int32_t x = search.spacing / 2; x < window.width; x += search.spacing) {
            columns.push_back(window.xOffset + x);
        }
        walkLines(image, s, search, columns, false, &found);
    }
    return found;
}

dmErrors compareWithTruth(const dmLocated& located, const quad& truth) {
    double straight =
        std::max(distance(located.armEnds[0], truth[0]), distance(located.armEnds[1], truth[2]));
    double crossed =
        std::max(distance(located.armEnds[0], truth[2]), distance(located.armEnds[1], truth[0]));
    return dmErrors{distance(located.vertex, truth[3]), std::min(straight, crossed),
                    distance(located.farCorner, truth[1])};
}

}  // namespace cid_test
