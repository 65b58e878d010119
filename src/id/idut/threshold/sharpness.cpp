// Sharpness of a symbol region: the strength of its strongest edges against the spread between
// its dark and light grey levels. A sharp step of contrast c has an edge magnitude close to c,
// a blurred one less.
#include <algorithm>

#include "ci_id/edge.h"
#include "ci_id/platform/cip_hist.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/threshold.h"

namespace {

constexpr int32_t kClassPercent = 10;

// The light-class mean of the edge magnitudes of the region.
int32_t edgeStrength(const cimg_imageConst* image, double* strength) {
    csys::cleanupScope<2> scope;
    cimg_image magnitude, angle;
    cimg_image_constructUnbound(&magnitude);
    cimg_image_constructUnbound(&angle);
    scope.scratch<cimg_image_destruct>(&magnitude);
    scope.scratch<cimg_image_destruct>(&angle);
    const cip_edgeParams params{1.0, 0.0, 0.0};
    int32_t status = cip_edge_detectMagAng(image, &params, &magnitude, &angle);
    uint32_t histogram[256];
    if (status >= 0) status = cip_pelHistogram8(&magnitude.asConst, histogram);
    double darkMean = 0.0, darkDeviation = 0.0, lightDeviation = 0.0;
    if (status >= 0) {
        status =
            cidut_getDarkLightMeanPercent_(histogram, 256, kClassPercent, kClassPercent, &darkMean,
                                           strength, &darkDeviation, &lightDeviation);
    }
    return scope.close(status);
}

}  // namespace

extern "C" int32_t cidut_getImageSharpnessFromSymbolRegion_(const cimg_imageConst* image,
                                                            int32_t ignoreBlack,
                                                            double* sharpness) {
    CSTD_ASSERT(image && sharpness);
    uint32_t histogram[256];
    int32_t status = cip_pelHistogram8(image, histogram);
    if (status < 0) return status;
    if (ignoreBlack) histogram[0] = 0;
    double darkMean = 0.0, lightMean = 0.0, darkDeviation = 0.0, lightDeviation = 0.0;
    status = cidut_getDarkLightMeanPercent_(histogram, 256, kClassPercent, kClassPercent, &darkMean,
                                            &lightMean, &darkDeviation, &lightDeviation);
    double strength = 0.0;
    if (status >= 0) status = edgeStrength(image, &strength);
    if (status < 0) return status;
    const double spread = lightMean - darkMean;
    *sharpness = spread > 1.0 ? std::min(1.0, strength / spread) : 0.0;
    return 0;
}
