// libFuzzer target for the transforms, spectra and the classifier: the first bytes choose the
// entry point and the sizes, the rest are pixels. Built and run as fuzz/README.md describes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ci_id/classifier.h"
#include "ci_id/fft.h"

namespace {

// Pixels for width x height taken from data, repeated when data runs short.
std::vector<uint8_t> pixelsFrom(const uint8_t* data, size_t size, int width, int height) {
    // Never empty, so that data() is a valid pointer even for an empty window.
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) + 1);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = size ? data[i % size] : 0;
    return pixels;
}

void runImageEntries(uint8_t choice, const std::vector<uint8_t>& pixels, int width, int height) {
    cimg_imageConst image;
    if (cimg_imageConst_constructWrap(&image, CIMG_DEPTH_8U, width, height, width, pixels.data()) <
        0) {
        return;
    }
    cimg_image out;
    cimg_image_constructUnbound(&out);
    switch (choice % 5) {
        case 0:
            cfPelFFT(&image, &out, choice / 5 % 4, choice / 20 % 2);
            break;
        case 1:
            cfLimitedPelPowerSpectrum(&image, choice % 7, choice % 3, &out);
            break;
        case 2:
            if (cfPelPowerSpectrum(&image, &out) >= 0) {
                cimg_image shifted, view;
                cimg_image_constructUnbound(&shifted);
                cimg_image_constructUnbound(&view);
                cfPowerSpectrumShift(&out.asConst, &shifted);
                cfFFTShift(&out.asConst, &shifted);
                cfViewableFFT(&out.asConst, &view);
                cimg_image_destruct(&shifted);
                cimg_image_destruct(&view);
            }
            break;
        case 3: {
            cid_symbolClassifierParams params;
            cid_symbolClassifierParams_init(&params);
            ClassScore scores[4];
            cid_symbolClassifier_runWindow8(&image, &params, scores);
            break;
        }
        default: {
            std::vector<cf_fixedComplex32> spectrum(pixels.size());
            cf2DFFT_32x32_fixed(width == height, choice % 32, pixels.data(), spectrum.data(), width,
                                height, choice % 4, choice % 3);
            break;
        }
    }
    cimg_image_destruct(&out);
    cimg_imageConst_destruct(&image);
}

int sideFrom(uint8_t byte) {
    const int side = byte % 130;
    return (side & (side - 1)) == 0 ? side : side % 40;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    // Sizes that are not powers of two go through the direct DFT, whose cost grows with the cube
    // of the side: keeping those below 40 keeps the campaign at thousands of runs a second, while
    // the fast paths still see every power of two up to 128.
    const int width = sideFrom(data[1]);
    const int height = sideFrom(data[2]);
    runImageEntries(data[0], pixelsFrom(data + 3, size - 3, width, height), width, height);
    return 0;
}
