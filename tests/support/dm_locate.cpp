// The find-next loop over scan lines, masking every symbol found so that it is reported once.
#include "dm_locate.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "ci_id/dmfinder.h"
#include "ci_id/mask.h"
#include "ci_id/region.h"
#include "view.h"

namespace cid_test {

namespace {

void check(int32_t status, const char* what) {
    if (status < 0) {
        throw std::runtime_error(std::string(what) + " failed: " + std::to_string(status));
    }
}

double distance(const cmath_vect& a, const cmath_vect& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// The records of one search, released however it ends.
struct searchState {
    std::vector<uint32_t> work = std::vector<uint32_t>(CID2D_WORK_BUFFER_MIN / 4 + 1);
    cid2d_trackingParams params;
    cimg_image marker;
    cid_mask mask;
    cid2d_trackingResult result;

    searchState(const cimg_imageConst* image, const cimg_windowConst& window) {
        cid2d_trackingParams_init(&params);
        params.workBuffer = reinterpret_cast<unsigned char*>(work.data());
        params.workBufferSize = CID2D_WORK_BUFFER_MIN;
        int32_t status = cimg_image_construct(&marker, CIMG_DEPTH_8U, (window.width + 3) / 4,
                                              (window.height + 3) / 4);
        if (status >= 0 && (status = cid_mask_construct(&mask, image)) < 0) {
            cimg_image_destruct(&marker);
        }
        if (status >= 0 && (status = cid2d_trackingResult_construct(&result)) < 0) {
            cid_mask_destruct(&mask);
            cimg_image_destruct(&marker);
        }
        check(status, "the search's records");
    }
    ~searchState() {
        cid2d_trackingResult_destruct(&result);
        cid_mask_destruct(&mask);
        cimg_image_destruct(&marker);
    }
};

}  // namespace

std::vector<dmLocated> locateDataMatrices(const cimg_imageConst* image, const dmSearch& search) {
    const cimg_windowConst window = windowOf(image);
    searchState s(image, window);
    std::vector<int32_t> rows;
    for (int32_t y = search.spacing / 2; y < window.height; y += search.spacing) {
        rows.push_back(window.yOffset + y);
    }
    s.params.allowSkew = search.allowSkew;
    s.params.allowAtBorder = search.allowAtBorder;
    s.params.scanLines = rows.data();
    s.params.scanLineCount = static_cast<int32_t>(rows.size());
    s.params.scanLinesAreRows = 1;
    std::vector<dmLocated> found;
    for (;;) {
        check(
            cf_BndFindNextDMSymbol(image, &s.params, &s.mask, 0, nullptr, 0, &s.marker, &s.result),
            "search");
        const cid2d_trackingResult& r = s.result;
        if (!r.found) return found;
        found.push_back({r.rect.po, {r.rect.px, r.rect.py}, r.farCorner});
        // Masked, so that the next search does not report it again.
        cid_region region;
        check(cid_region_initAffineRect(&region, &r.rect,
                                        r.farCornerFromShape ? nullptr : &r.farCorner),
              "region");
        check(cid_mask_appendRegion(&s.mask, &region, 2.0), "mask append");
        s.params.firstScanLine = r.scanLineIndex;
    }
}

dmErrors compareWithTruth(const dmLocated& located, const quad& truth) {
    const cmath_vect* arms = located.armEnds;
    const double straight = std::max(distance(arms[0], truth[0]), distance(arms[1], truth[2]));
    const double crossed = std::max(distance(arms[0], truth[2]), distance(arms[1], truth[0]));
    return {distance(located.vertex, truth[3]), std::min(straight, crossed),
            distance(located.farCorner, truth[1])};
}

}  // namespace cid_test
