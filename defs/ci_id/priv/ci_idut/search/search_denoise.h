// Camera noise that makes the Data Matrix search trace noise blobs: its level, a smoothed copy of
// the window to search instead, and the seeds that noise alone explains; and a sharpened copy for
// small blurred modules.
#pragma once

#include <cstdint>

#include "ci_id/platform/cimg.h"

namespace cidut {

// The window's noise in grey levels (its standard deviation, estimated from the median second
// difference along sampled rows, which flat areas dominate whatever the content).
double noiseLevelOf(const cimg_windowConst& window);

// A copy of window smoothed by the 3 x 3 binomial filter (edges repeated), at the window's image
// coordinates; release it with cimg_image_destruct.
int32_t smoothedCopy(const cimg_windowConst& window, cimg_image* copy);

// The window sharpened by the same filter (twice each pixel less its smoothed value, clamped),
// likewise a copy at the window's image coordinates.
int32_t sharpenedCopy(const cimg_windowConst& window, cimg_image* copy);

// Marks the marker cells (as the Data Matrix drivers address them) of the seeds along the scan
// lines that are no stronger than the window's noise makes likely, unless a stronger seed shares
// the cell, so that the drivers pass over them. The seeds are those of the drivers' row walk
// (rows) or column walk; the noise is measured on the same lines.
int32_t markNoiseSeeds(const cimg_imageConst* image, const int32_t* lines, int32_t lineCount,
                       bool rows, cimg_image* marker);

}  // namespace cidut
