// Fuzz target for the binarization and the histogram thresholds: image size, pitch, window and
// offset, the binarization parameters, the output's kind, and histograms come from the input.
// Built and run as fuzz/README.md describes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ci_id/platform/cip_hist.h"
#include "ci_id/platform/cip_thresh.h"
#include "ci_id/threshold.h"

#include "fuzz_input.h"

namespace {

using reader = cid_fuzz::input;

// Parameters within the preconditions (a known regionMode, a window mode window of some size);
// everything else as the input says, bad values included.
cidut_binarizeParams randomParams(reader& in) {
    cidut_binarizeParams p;
    cidut_binarizeParams_construct(&p);
    p.method = static_cast<int32_t>(in.within(0, 6));
    p.regionMode = static_cast<int32_t>(in.within(0, 2));
    p.window =
        cstd_rect32{in.signedBelow(50), in.signedBelow(50), in.signedBelow(50), in.signedBelow(50)};
    if (p.window.width == 0) p.window.width = 1;
    if (p.window.height == 0) p.window.height = 1;
    if (in.next<uint8_t>() % 2) {
        p.rect.po = cmath_vect{double(in.signedBelow(60)), double(in.signedBelow(60))};
        p.rect.px = cmath_vect{double(in.signedBelow(60)), double(in.signedBelow(60))};
        p.rect.py = cmath_vect{double(in.signedBelow(60)), double(in.signedBelow(60))};
    }
    p.minContrast = in.next<uint8_t>();
    p.tilesX = static_cast<int32_t>(in.within(-1, 40));
    p.tilesY = static_cast<int32_t>(in.within(-1, 40));
    p.tilesAcross = in.signedBelow(40) / 4.0;
    p.contrastThreshold = in.signedBelow(100);
    p.reductionFactor = in.signedBelow(10);
    p.meanOffset = in.next<uint8_t>();
    p.meanWindow = static_cast<int32_t>(in.within(-1, 40));
    return p;
}

void binarize(const cimg_image& source, reader& in) {
    const cidut_binarizeParams p = randomParams(in);
    cimg_image out, mask;
    cimg_image_constructUnbound(&out);
    cimg_image_constructUnbound(&mask);
    switch (in.next<uint8_t>() % 3) {
        case 0:
            cidut_binarizeImage(&out, nullptr, nullptr, &mask, &source.asConst, &p);
            break;
        case 1:  // a bound output of some size
            cimg_image_construct(&out, CIMG_DEPTH_8U, in.signedBelow(48), in.signedBelow(48));
            cidut_binarizeImage(&out, nullptr, nullptr, nullptr, &source.asConst, &p);
            break;
        default:  // in place
            cimg_image_assign(&out, &source);
            cidut_binarizeImage(&out, nullptr, nullptr, &mask, &source.asConst, &p);
            break;
    }
    cimg_image_destruct(&out);
    cimg_image_destruct(&mask);
}

void thresholds(const cimg_image& source, reader& in) {
    cid_thresholdResult result;
    cid_thresholdResult_init(&result);
    cid_threshold(&source.asConst, &result);
    cid_thresholdBasedOnPercentage(&source.asConst, in.next<int8_t>() / 64.0f, &result);
    const int32_t bins = static_cast<int32_t>(in.within(1, 300));
    std::vector<uint32_t> histogram(static_cast<size_t>(bins));
    bool occupied = false;
    for (uint32_t& count : histogram) {
        count = in.next<uint8_t>() % 4 == 0 ? in.next<uint16_t>() : 0;
        occupied = occupied || count > 0;
    }
    if (!occupied) histogram[static_cast<size_t>(in.within(0, bins - 1))] = 1;
    cid_thresholdHist(histogram.data(), bins, &result);
    cip_threshParams params;
    cip_threshParams_init(&params);
    params.minClassFraction = in.next<uint8_t>() / 256.0;
    cip_threshResult wgv;
    cip_threshComputeWGVThresholdFromHistogram(histogram.data(), bins - 1, in.signedBelow(100),
                                               in.signedBelow(100) + 100, &params, &wgv);
    double means[4];
    cidut_getDarkLightMeanPercent_(histogram.data(), bins, static_cast<int32_t>(in.within(0, 100)),
                                   static_cast<int32_t>(in.within(0, 100)), &means[0], &means[1],
                                   &means[2], &means[3]);
    cidut_getDarkLightMeanThreshold_(histogram.data(), bins, in.signedBelow(120) * 3,
                                     in.signedBelow(120) * 3, &means[0], &means[1], &means[2],
                                     &means[3]);
    std::vector<uint8_t> quotients(histogram.size());
    cidut_divideBufferByConstant32_8(histogram.data(), bins, in.next<uint8_t>(), quotients.data());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first bytes set the sizes and parameters, the rest are pixels.
    const size_t head = size < 128 ? size : 128;
    reader in(data, head), body(data + head, size - head);
    const int32_t width = static_cast<int32_t>(in.within(0, 63));
    const int32_t height = static_cast<int32_t>(in.within(0, 63));
    const int32_t pitch = width + static_cast<int32_t>(in.within(0, 5));
    std::vector<uint8_t> pixels(static_cast<size_t>(pitch) * static_cast<size_t>(height));
    body.copyTo(pixels.data(), pixels.size());
    cimg_image source;
    if (cimg_image_constructWrap(&source, CIMG_DEPTH_8U, width, height, pitch, pixels.data()) < 0) {
        return 0;
    }
    cimg_image_setImageOffset(&source, in.signedBelow(100), in.signedBelow(100));
    if (in.next<uint8_t>() % 2) {
        cimg_image_window(&source, source.asConst.xOffset + in.signedBelow(16),
                          source.asConst.yOffset + in.signedBelow(16), in.signedBelow(64),
                          in.signedBelow(64));
    }
    binarize(source, in);
    thresholds(source, in);
    cimg_image_destruct(&source);
    return 0;
}
