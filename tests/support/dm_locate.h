// Finds every Data Matrix in an image the way a caller would: scan lines every few rows, a
// marker image and a mask of the symbols found so far, calling the find-next driver until it
// finds nothing more. Also compares located symbols with their true corners.
#pragma once

#include <cstdint>
#include <vector>

#include "ci_id/platform/cimg.h"
#include "homography.h"

namespace cid_test {

struct dmSearch {
    int32_t spacing = 8;  // pixels between scan lines
    bool allowSkew = false;
    bool allowAtBorder = false;
};

struct dmLocated {
    cmath_vect vertex;      // where the solid sides meet
    cmath_vect armEnds[2];  // the far ends of the solid sides
    cmath_vect farCorner;
};

// Throws std::runtime_error when a library call fails.
std::vector<dmLocated> locateDataMatrices(const cimg_imageConst* image,
                                          const dmSearch& search = {});

// Distances, in pixels, between a located symbol and true corners (top-left, top-right,
// bottom-right, bottom-left as printed: the vertex is the bottom-left one).
struct dmErrors {
    double vertex;
    double arms;  // the larger of the two arm ends, matched in the better order
    double farCorner;
};
dmErrors compareWithTruth(const dmLocated& located, const quad& truth);

}  // namespace cid_test
