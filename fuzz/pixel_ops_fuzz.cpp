// Fuzz target for the pixel operations on images: image size, window, kernel sizes, factors,
// modes and pixels come from the input.
// Built and run as fuzz/README.md describes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ci_id/edgeid.h"
#include "ci_id/morph.h"
#include "ci_id/pelops.h"

namespace {

struct reader {
    const uint8_t* data;
    size_t size;
    int32_t take(int32_t limit) {
        if (size == 0) return 0;
        int32_t value = static_cast<int8_t>(*data);
        ++data;
        --size;
        return value % limit;
    }
};

// Runs every operation on source and a second image; results are thrown away.
void exercise(const cimg_image& source, const cimg_image& other, reader& in) {
    cimg_image out;
    cimg_image_constructUnbound(&out);
    const uint32_t type = static_cast<uint32_t>(in.take(6));
    cidut_morph2d_run(&source.asConst, &out, type, in.take(40), in.take(40));
    cidut_morph2d_run(&source.asConst, const_cast<cimg_image*>(&source), type, in.take(9),
                      in.take(9));
    cidut_ip_pelAdd8(&source.asConst, &other.asConst, &out, static_cast<uint32_t>(in.take(2)));
    cidut_ip_pelSub8(&other.asConst, &source.asConst, &out, 0);
    cidut_ip_pelTranspose8(&source.asConst, &out);
    cidut_ip_pelExpand8(&source.asConst, &out, in.take(5), in.take(5));
    uint8_t low = 0, high = 0;
    cidut_ip_pelMinMax8(&source.asConst, &low, &high);
    cimg_image magnitude, direction;
    cimg_image_constructUnbound(&magnitude);
    cimg_image_constructUnbound(&direction);
    cfEdgeDetectIDMagAng(&source.asConst, &magnitude, &direction, in.take(2) != 0 ? 1 : 0,
                         static_cast<uint8_t>(in.take(128)), in.take(4));
    cimg_image_destruct(&magnitude);
    cimg_image_destruct(&direction);
    cimg_image_destruct(&out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reader in{data, size};
    const int32_t width = in.take(48), height = in.take(48);
    cimg_image source, other;
    if (cimg_image_construct(&source, CIMG_DEPTH_8U, width, height) < 0) return 0;
    if (cimg_image_construct(&other, CIMG_DEPTH_8U, in.take(48), in.take(48)) < 0) {
        cimg_image_destruct(&source);
        return 0;
    }
    for (int32_t y = 0; y < source.asConst.height && in.size > 0; ++y) {
        const size_t row = static_cast<size_t>(source.asConst.width);
        const size_t bytes = in.size < row ? in.size : row;
        std::memcpy(source.asConst.pixels + y * source.asConst.pitch, in.data, bytes);
        in.data += bytes;
        in.size -= bytes;
    }
    cimg_image_window(&source, in.take(48), in.take(48), in.take(48), in.take(48));
    cimg_image_setImageOffset(&other, in.take(48), in.take(48));
    exercise(source, other, in);
    cimg_image_destruct(&source);
    cimg_image_destruct(&other);
    return 0;
}
