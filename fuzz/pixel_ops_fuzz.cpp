// Fuzz target for the pixel operations on images: image size, window, kernel sizes, factors,
// modes and pixels come from the input.
// Built and run as fuzz/README.md describes.
#include <cstddef>
#include <cstdint>

#include "ci_id/edgeid.h"
#include "ci_id/morph.h"
#include "ci_id/pelops.h"

#include "fuzz_input.h"

namespace {

using reader = cid_fuzz::input;

// Runs every operation on source and a second image; results are thrown away.
void exercise(const cimg_image& source, const cimg_image& other, reader& in) {
    cimg_image out;
    cimg_image_constructUnbound(&out);
    const uint32_t type = static_cast<uint32_t>(in.signedBelow(6));
    cidut_morph2d_run(&source.asConst, &out, type, in.signedBelow(40), in.signedBelow(40));
    cidut_morph2d_run(&source.asConst, const_cast<cimg_image*>(&source), type, in.signedBelow(9),
                      in.signedBelow(9));
    // A mode other than 0 is a broken precondition wherever the windows overlap.
    cidut_ip_pelAdd8(&source.asConst, &other.asConst, &out, 0);
    cidut_ip_pelSub8(&other.asConst, &source.asConst, &out, 0);
    cidut_ip_pelTranspose8(&source.asConst, &out);
    cidut_ip_pelExpand8(&source.asConst, &out, in.signedBelow(5), in.signedBelow(5));
    uint8_t low = 0, high = 0;
    cidut_ip_pelMinMax8(&source.asConst, &low, &high);
    cimg_image magnitude, direction;
    cimg_image_constructUnbound(&magnitude);
    cimg_image_constructUnbound(&direction);
    cfEdgeDetectIDMagAng(&source.asConst, &magnitude, &direction, in.signedBelow(2) != 0 ? 1 : 0,
                         static_cast<uint8_t>(in.signedBelow(128)), in.signedBelow(4));
    cimg_image_destruct(&magnitude);
    cimg_image_destruct(&direction);
    cimg_image_destruct(&out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reader in(data, size);
    const int32_t width = in.signedBelow(48), height = in.signedBelow(48);
    cimg_image source, other;
    if (cimg_image_construct(&source, CIMG_DEPTH_8U, width, height) < 0) return 0;
    if (cimg_image_construct(&other, CIMG_DEPTH_8U, in.signedBelow(48), in.signedBelow(48)) < 0) {
        cimg_image_destruct(&source);
        return 0;
    }
    for (int32_t y = 0; y < source.asConst.height && in.left() > 0; ++y) {
        in.copyTo(source.asConst.pixels + y * source.asConst.pitch,
                  static_cast<size_t>(source.asConst.width));
    }
    cimg_image_window(&source, in.signedBelow(48), in.signedBelow(48), in.signedBelow(48),
                      in.signedBelow(48));
    cimg_image_setImageOffset(&other, in.signedBelow(48), in.signedBelow(48));
    exercise(source, other, in);
    cimg_image_destruct(&source);
    cimg_image_destruct(&other);
    return 0;
}
