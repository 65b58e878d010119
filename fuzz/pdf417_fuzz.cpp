// Fuzz target for PDF417 location: an image (size, window, image offset and pixels), settings,
// and edge lists with their positions and grey profiles from the input go through the matching
// finder, the row walker and the single-seed finder. Entries of any magnitude and sign, counts
// larger than the arrays, positions anywhere (not finite too) and rows anywhere must give a
// status without reading or writing outside the buffers given. Built as fuzz/README.md describes.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "ci_id/pdf417.h"

namespace {

struct reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t byte() { return at < size ? data[at++] : 0; }
    int32_t small(int32_t range) { return byte() % range; }
    int32_t signedSmall(int32_t range) { return small(2 * range + 1) - range; }
};

// Mostly increasing, alternating entries, now and then anything.
std::vector<int16_t> edgeList(reader& in, int32_t limit) {
    std::vector<int16_t> edges(in.small(24));
    int32_t at = 0;
    for (size_t i = 0; i < edges.size(); ++i) {
        at += 1 + in.small(6);
        int32_t m = in.small(16) == 0 ? in.signedSmall(limit + 4) : at % (limit + 2);
        edges[i] = static_cast<int16_t>((i % 2 == 0) == (in.small(8) != 0) ? m : -m);
    }
    return edges;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reader in{data, size};
    const int32_t width = 1 + in.small(64), height = 1 + in.small(48);
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
    for (uint8_t& p : pixels) p = in.byte() & 1 ? 220 : static_cast<uint8_t>(in.byte() & 0x3F);
    cimg_imageConst image;
    cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, width, height, width, pixels.data());
    cimg_imageConst_setImageOffset(&image, in.signedSmall(20), in.signedSmall(20));
    cimg_image marker;
    cimg_image_construct(&marker, CIMG_DEPTH_8U, in.small(20), in.small(16));
    std::vector<uint32_t> work(CID2D_WORK_BUFFER_MIN / 4 + 1, 0);
    cid2d_trackingParams params;
    cid2d_trackingParams_init(&params);
    params.workBuffer = reinterpret_cast<unsigned char*>(work.data());
    params.workBufferSize = CID2D_WORK_BUFFER_MIN;
    params.minSymbolSize = in.small(20);
    params.minSmoothing = in.small(4);
    params.allowAtBorder = in.small(2);
    std::vector<int32_t> rows = {in.signedSmall(60), in.signedSmall(60)};
    params.scanLines = rows.data();
    params.scanLineCount = 1 + in.small(2);
    params.firstScanLine = in.signedSmall(2);
    cid2d_trackingResult result;
    cid2d_trackingResult_construct(&result);
    result.trackCalls = 0;
    const int32_t length = in.small(80);
    std::vector<cmath_vect> positions(static_cast<size_t>(length) + 1);
    std::vector<uint8_t> profile(static_cast<size_t>(length) + 1);
    for (int32_t k = 0; k < length; ++k) {
        positions[k] = in.small(32) == 0 ? cmath_vect{std::numeric_limits<double>::quiet_NaN(), 0}
                                         : cmath_vect{in.small(70) - 3.5, in.small(52) - 2.5};
        profile[k] = in.byte();
    }
    const std::vector<int16_t> edges = edgeList(in, length), a = edgeList(in, width),
                               b = edgeList(in, width);
    const int32_t patternMode = in.small(2);
    switch (in.small(3)) {
        case 0:
            cf_BndFindMatchingPDP(&image, &params, nullptr, 0, nullptr, &marker, patternMode,
                                  edges.data(), static_cast<int32_t>(edges.size()), length,
                                  in.small(2), positions.data(), profile.data(), &result);
            break;
        case 1:
            cf_BndFindNextPDP(&image, &params, nullptr, 0, nullptr, &marker, patternMode,
                              edges.data(), a.data(), b.data(), static_cast<int32_t>(edges.size()),
                              static_cast<int32_t>(a.size()), static_cast<int32_t>(b.size()),
                              &result);
            break;
        default: {
            cbt_runParams run;
            cbt_runParams_init(&run);
            const int32_t x = in.signedSmall(60), y = in.signedSmall(50);
            cid2d_trackingSeed seed{x, y, 90, in.small(256), 0, in.small(2),
                                    (x + 2) * 256, y * 256, (x - 1) * 256, y * 256};
            cf_BndFindPDPSymbolFromSeed(&image, &params, &seed, &run, &marker, patternMode,
                                        nullptr, 0, nullptr, &result);
        }
    }
    cid2d_trackingResult_destruct(&result);
    cimg_image_destruct(&marker);
    cimg_imageConst_destruct(&image);
    return 0;
}
