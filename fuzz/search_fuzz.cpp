// Fuzz target for the whole-image searches and the barcode candidate tests: an image from the
// input (size, image offset, window and pixels, often bars of two levels so that edges, texture
// and blobs occur), options with any values, and regions with any corners, NaN and huge ones
// included. Every call must return a status, write no more symbols than there is room for, and
// read nothing outside the image. Built and run as fuzz/README.md describes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ci_id/barcode.h"
#include "ci_id/search.h"
#include "fuzz_input.h"

namespace {

// Bars of random widths across rows or columns, two grey levels, or any pixels.
void paint(cid_fuzz::input& in, std::vector<uint8_t>& pixels, int32_t width, intptr_t pitch) {
    const int kind = int(in.within(0, 2));
    for (size_t k = 0; k < pixels.size(); ++k) {
        const int32_t x = int32_t(k % size_t(pitch)), y = int32_t(k / size_t(pitch));
        pixels[k] = kind == 2                                    ? in.next<uint8_t>()
                    : ((kind ? y : x) / 3 + (x < width / 2)) % 2 ? 40
                                                                 : 210;
    }
}

double coordinate(cid_fuzz::input& in) {
    const int8_t pick = in.next<int8_t>();
    if (pick == -128) return NAN;
    if (pick == 127) return 1e300;
    return pick + in.next<uint8_t>() / 256.0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cid_fuzz::input in(data, size);
    const int32_t width = int32_t(in.within(1, 72)), height = int32_t(in.within(1, 72));
    const intptr_t pitch = width + in.within(0, 4);
    std::vector<uint8_t> pixels(size_t(pitch) * size_t(height));
    paint(in, pixels, width, pitch);
    cimg_imageConst image;
    cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, width, height, pitch, pixels.data());
    cimg_imageConst_setImageOffset(&image, in.signedBelow(100), in.signedBelow(100));
    cimg_imageConst_window(&image, image.xOffset + int32_t(in.within(0, width - 1)),
                           image.yOffset + int32_t(in.within(0, height - 1)),
                           int32_t(in.within(0, width)), int32_t(in.within(0, height)));

    cid_searchOptions options;
    cid_searchOptions_init(&options);
    options.types = int32_t(in.within(0, 8));
    options.spacing = int32_t(in.within(-1, 12));
    options.columns = in.next<uint8_t>() & 1;
    options.allowSkew = in.next<uint8_t>() & 1;
    options.allowAtBorder = in.next<uint8_t>() & 1;
    options.minSymbolSize = in.next<uint8_t>() % 16 ? double(in.within(0, 20)) : coordinate(in);
    options.maxSymbolSize = in.next<uint8_t>() & 1 ? 0 : coordinate(in);
    // The two entries share the whole search, so each input runs one of them.
    const int32_t capacity = int32_t(in.within(0, 4));
    int32_t count = 0;
    if (capacity < 4) {
        cid_symbol symbols[4];
        symbols[capacity].type = -1;
        cid_findSymbols(&image, &options, capacity ? symbols : nullptr, capacity, &count);
        if (count < 0 || symbols[capacity].type != -1) std::abort();
    } else {
        cid_symbol* found = nullptr;
        cid_findSymbolsNew(&image, &options, &found, &count);
        cid_symbols_release(&found);
    }

    cmath_shapeAffineRect rect;
    int32_t flag = 0;
    cid2d_findOneBarcode(&image, &rect, &flag);
    cmath_vect corners[4];
    for (cmath_vect& c : corners) c = cmath_vect{coordinate(in), coordinate(in)};
    cid_region region, aligned;
    cid_region_initVectPoints(&region, corners, 1);
    cid2d_getIsCandidateBarcodeLike(&image, &region, &flag, &aligned);
    cimg_imageConst_destruct(&image);
    return 0;
}
