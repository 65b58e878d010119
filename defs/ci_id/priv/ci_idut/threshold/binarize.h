// The methods of cidut_binarizeImage, each writing the binarized source window into a target
// image whose window has the source window's size and shares no pixels with the source.
#pragma once

#include <cstdint>

#include "ci_id/threshold.h"

namespace cidut {

struct binarizeJob {
    const cimg_imageConst* source;
    cimg_windowConst window;  // the source's
    const cidut_binarizeParams* params;
    cimg_image* target;
    cimg_image* contrastMask;  // prepared like the target, or null
};

// The look-up table that makes levels from firstWhite on 255 and the others 0.
void binaryTable(int32_t firstWhite, uint8_t table[256]);

// Methods 2 and 3; reference is the statistics image, or null for the whole source.
int32_t binarizeTiled(const binarizeJob& job, const cimg_imageConst* reference);
// Method 4.
int32_t binarizeLocalContrast(const binarizeJob& job);
// Method 5.
int32_t binarizeLocalMean(const binarizeJob& job);

}  // namespace cidut
