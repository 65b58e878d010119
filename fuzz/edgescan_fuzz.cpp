// Fuzz target for edge scans: arbitrary pixels, window placement, ROI margins and origin, scan
// shapes of every kind and gradient directions, and arbitrary 32-bit profiles. Every call must
// return a status without reading outside the pixels it was given.
// Built and run as fuzz/README.md describes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ci_id/edgescan.h"

#include "fuzz_input.h"

namespace {

using reader = cid_fuzz::input;

cidc_scanLine anyLine(reader& in) {
    cidc_unitDir16 dir;
    cidc_unitDir16_initVect(&dir, in.next<int32_t>(), in.next<int32_t>());
    const cidc_point64_4 p{in.within(-20000, 20000), in.within(-20000, 20000)};
    cidc_scanLine line;
    cidc_scanLine_initPointDir(&line, &p, &dir);
    return line;
}

void scanImage(reader& in) {
    const auto width = static_cast<int32_t>(in.within(4, 80));
    const auto height = static_cast<int32_t>(in.within(4, 80));
    const auto padding = static_cast<int32_t>(in.within(0, 3));
    const int32_t fullWidth = width + 2 * padding, fullHeight = height + 2 * padding;
    std::vector<uint8_t> pixels(static_cast<size_t>(fullWidth) * fullHeight);
    for (auto& p : pixels) p = in.next<uint8_t>();
    cimg_image image;
    if (cimg_image_constructWrap(&image, CIMG_DEPTH_8U, fullWidth, fullHeight, fullWidth,
                                 pixels.data()) != 0) {
        return;
    }
    cimg_image_window(&image, padding, padding, width, height);
    const cidc_windowRect window{width, height, padding, padding};
    const auto marginX = static_cast<int32_t>(in.within(0, (width - 2) / 2));
    const auto marginY = static_cast<int32_t>(in.within(0, (height - 2) / 2));
    cidc_windowROI roi;
    cidc_windowROI_init(&roi, &window, marginX, marginY, static_cast<int32_t>(in.within(-100, 200)),
                        static_cast<int32_t>(in.within(-100, 200)));
    const cidc_scanLine line = anyLine(in);
    cidc_scanLineSeg seg;
    cidc_scanRay ray;
    const cidc_point64_4 a{in.within(-3000, 3000), in.within(-3000, 3000)};
    const cidc_point64_4 b{in.within(-3000, 3000), in.within(-3000, 3000)};
    cidc_scanLineSeg_initPoints(&seg, &a, &b, nullptr);
    cidc_scanRay_initPointDir(&ray, &a, &line.dir, nullptr);
    cidc_scanShape shape;
    switch (in.next<uint8_t>() % 3) {
        case 0:
            cidc_scanShape_initScanLine(&shape, &line);
            break;
        case 1:
            cidc_scanShape_initScanLineSeg(&shape, &seg);
            break;
        default:
            cidc_scanShape_initScanRay(&shape, &ray);
            break;
    }
    const cidc_gradientDir16 gradient{in.next<int16_t>(), in.next<int16_t>()};
    const cidc_edgeScanParams params{in.next<int32_t>()};
    cstd_vector_cidc_peakIDFixedX_4 peaks;
    cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&peaks);
    cidc_scanLineSeg out;
    cidc_runEdgeScan(&image.asConst, &roi, &params, &shape, &gradient, &peaks, &out);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&peaks);
    cimg_image_destruct(&image);
}

void scanProfile(reader& in) {
    size_t size = 0;
    const uint8_t* rest = in.rest(&size);
    std::vector<int32_t> samples(size / 4);
    if (!samples.empty()) std::memcpy(samples.data(), rest, samples.size() * 4);
    const cimg_windowConst window{static_cast<int32_t>(samples.size()),
                                  1,
                                  0,
                                  0,
                                  static_cast<intptr_t>(4 * samples.size()),
                                  CIMG_DEPTH_32S,
                                  reinterpret_cast<const unsigned char*>(samples.data())};
    const cidc_edgeScanParams params{samples.empty() ? 0 : samples[0]};
    cstd_vector_cidc_peakIDFixedX_4 peaks;
    cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&peaks);
    cidc_runEdgeScanPeakDetection(&window, &window, &params, &peaks);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&peaks);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reader in(data, size);
    if (in.next<uint8_t>() % 2 == 0) {
        scanImage(in);
    } else {
        scanProfile(in);
    }
    return 0;
}
