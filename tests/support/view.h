// Library image records over test pixels, for tests that require a function to give identical
// results on a plain image and on the same pixels as the window of a larger padded image
// (catching pitch, offset and out-of-window reads); and seeded random grey images.
//
//     cid_test::windowedImage plain(image);
//     cid_test::windowedImage padded(image, {13, 7, 21, 5, 3, -13, -7});  // same coordinates
//     run(plain.get()); run(padded.get());  // must agree
#pragma once

#include <cstdint>

#include "ci_id/platform/cimg.h"
#include "ci_id/scan.h"
#include "grey_image.h"

namespace cid_test {

struct padding {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t rowSlack = 0;  // bytes past the width of every padded row
    // Image coordinates of the padded image's top-left pixel; the window starts left and top
    // pixels further on, so (-left, -top) keeps the coordinates of a plain image.
    int32_t originX = 0;
    int32_t originY = 0;
    uint32_t seed = 7;  // of the random grey levels of the padding
};

// An 8-bit image record over pixels of its own: a copy of the content inside the padding, whose
// random grey levels show a function that strays out of its window something else than a plain
// image would; the record's window is exactly the content. Without padding the pixels take
// exactly width x height bytes, so that the address sanitizer catches a read past the image.
// Throws std::runtime_error when the library refuses the record.
class windowedImage {
public:
    explicit windowedImage(const greyImage& content, const padding& pad = {});
    ~windowedImage();
    windowedImage(const windowedImage&) = delete;
    windowedImage& operator=(const windowedImage&) = delete;

    const cimg_imageConst* get() const { return &image.asConst; }

    // The whole padded image, to check that nothing outside the window changed.
    greyImage storage;
    cimg_image image;
};

// Random grey levels below `levels` (few levels give many ties), from seed.
greyImage randomGreyImage(int32_t width, int32_t height, uint32_t seed, int levels = 256);
// Scenes full of holes for the finders: dark lines (35) two pixels wide every 13 columns and 11
// rows round light cells, painted over the image except in the clear patch |x - cx| < halfWidth,
// |y - cy| < halfHeight (one blob with a hole in every cell); and pixel noise of two levels (40
// and 200: one blob riddled with holes) or of nine, 28 apart (holes that change with the
// threshold).
void paintLattice(greyImage& image, int32_t cx, int32_t cy, int32_t halfWidth, int32_t halfHeight);
greyImage levelNoise(int32_t width, int32_t height, uint32_t seed, bool twoLevels);
// The window of a bound record, copied; throws std::runtime_error for any other record.
greyImage readWindow(const cimg_imageConst& image);
cimg_windowConst windowOf(const cimg_imageConst* image);
// The same window as the record the scan ROIs are built from.
inline cidc_windowRect roiWindowOf(const cimg_imageConst* image) {
    const cimg_windowConst w = windowOf(image);
    return cidc_windowRect{w.width, w.height, w.xOffset, w.yOffset};
}

}  // namespace cid_test
