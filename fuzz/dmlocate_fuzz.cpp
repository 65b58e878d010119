// Fuzz target for Data Matrix location: an image (size, window, image offset and pixels) and
// settings from the input go through the boundary tracker, the seed finders, the single-seed
// finders and the find-next drivers, with scan lines and seeds anywhere, marker images too small
// or unbound, and small point limits. Every call must return a status without reading or writing
// outside the buffers it was given. Built and run as fuzz/README.md describes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ci_id/dmfinder.h"
#include "ci_id/tracking.h"

namespace {

struct reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t byte() { return at < size ? data[at++] : 0; }
    int32_t small(int32_t range) { return byte() % range; }
    int32_t signedSmall(int32_t range) { return small(2 * range + 1) - range; }
};

struct fixture {
    std::vector<uint8_t> pixels;
    cimg_imageConst image;
    cimg_image marker;
    std::vector<uint32_t> work;
    cid2d_trackingParams params;
    cid2d_trackingResult result;
    std::vector<int32_t> lines;

    explicit fixture(reader& in) {
        const int32_t width = 1 + in.small(48), height = 1 + in.small(48);
        const intptr_t pitch = width + in.small(5);
        pixels.resize(static_cast<size_t>(pitch) * height);
        for (uint8_t& p : pixels) p = in.byte() & 1 ? 230 : static_cast<uint8_t>(in.byte());
        cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, width, height, pitch, pixels.data());
        const int32_t xOffset = in.signedSmall(100), yOffset = in.signedSmall(100);
        cimg_imageConst_setImageOffset(&image, xOffset, yOffset);
        cimg_imageConst_window(&image, image.xOffset + in.small(width),
                               image.yOffset + in.small(height), in.small(width + 1),
                               in.small(height + 1));
        if (in.byte() % 8 == 0) {
            cimg_image_constructUnbound(&marker);
        } else {
            cimg_image_construct(&marker, CIMG_DEPTH_8U, in.small(16), in.small(16));
        }
        work.assign(CID2D_WORK_BUFFER_MIN / 4 + 1, 0);
        cid2d_trackingParams_init(&params);
        params.workBuffer = reinterpret_cast<unsigned char*>(work.data());
        params.workBufferSize = CID2D_WORK_BUFFER_MIN;
        params.minSymbolSize = in.small(20);
        params.maxBoundaryPoints = 1 + in.small(200) * in.small(100);
        params.allowAtBorder = in.small(2);
        params.allowSkew = in.small(2);
        params.allowStrongSkew = in.small(2);
        params.expectedModules1 = in.small(3) * 10;
        params.expectedModules2 = in.small(3) * 10;
        params.maxCornerPasses = in.small(4);
        params.scanLinesAreRows = in.small(2);
        for (int k = in.small(8); k > 0; --k) lines.push_back(in.signedSmall(120));
        params.scanLines = lines.data();
        params.scanLineCount = static_cast<int32_t>(lines.size());
        params.firstScanLine = in.signedSmall(3);
        cid2d_trackingResult_construct(&result);
    }
    ~fixture() {
        cid2d_trackingResult_destruct(&result);
        cimg_image_destruct(&marker);
        cimg_imageConst_destruct(&image);
    }
};

cid2d_trackingSeed seedFrom(reader& in) {
    cid2d_trackingSeed seed{};
    seed.x = in.signedSmall(60);
    seed.y = in.signedSmall(60);
    seed.strength = in.small(255);
    seed.mean = in.small(256);
    seed.polarity = in.small(2);
    seed.aheadX = (seed.x + in.signedSmall(3)) * 256 + in.signedSmall(128);
    seed.aheadY = (seed.y + in.signedSmall(3)) * 256 + in.signedSmall(128);
    seed.behindX = (seed.x + in.signedSmall(3)) * 256 + in.signedSmall(128);
    seed.behindY = (seed.y + in.signedSmall(3)) * 256 + in.signedSmall(128);
    return seed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reader in{data, size};
    fixture f(in);
    cbt_runParams run;
    cbt_runParams_init(&run);
    run.maxPoints = f.params.maxBoundaryPoints;
    const cid2d_trackingSeed seed = seedFrom(in);
    switch (in.small(6)) {
        case 0: {
            run.start1X = seed.aheadX;
            run.start1Y = seed.aheadY;
            run.start2X = seed.behindX;
            run.start2Y = seed.behindY;
            run.threshold = seed.mean;
            run.polarity = seed.polarity;
            run.outerOnly = in.small(2);
            run.stopAtBorder = in.small(2);
            run.edgeStrength = seed.strength;
            run.followLocalLevel = in.small(2);
            cbt_boundaryTrack_Adaptive(&f.image, &run, in.small(2), &f.result.track);
            break;
        }
        case 1:
            cf_BndFindDMSymbolFromSeed(&f.image, &f.params, &seed, &run, &f.marker, nullptr, 0,
                                       nullptr, &f.result);
            break;
        case 2:
            cf_BndFindDMSymbolFromSeed_Adaptive(&f.image, &f.params, &seed, &run, &f.marker,
                                                nullptr, nullptr, in.small(2), &f.result);
            break;
        case 3:
            cf_DcdFindDMSymbolFromSeed(&f.image, &f.params, &seed, &run, &f.marker, nullptr, 0,
                                       nullptr, &f.result);
            break;
        case 4:
            cf_BndFindNextDMSymbol(&f.image, &f.params, nullptr, 0, nullptr, in.small(2), &f.marker,
                                   &f.result);
            cidut_BoundaryTrackerSearchDMSymbolAdaptiveThreshold(
                &f.image, &f.params, nullptr, nullptr, in.small(2), &f.marker, &f.result);
            break;
        default: {
            cid2d_trackingSeed seeds[8];
            int32_t count = 0;
            int32_t rows[3] = {in.signedSmall(60), in.signedSmall(60), in.signedSmall(60)};
            cid2d_getHorizontalTrackingSeeds(&f.image, rows, 3, 1 + in.small(8), in.small(100),
                                             in.small(2), seeds, &count, in.small(2), in.small(10));
            cid2d_getHorizontalTrackingSeeds_threeScanlines(
                &f.image, rows, 0, 1 + in.small(8), in.small(4), in.small(100), seeds, &count);
            break;
        }
    }
    return 0;
}
