// The PDF417 finder and its matching driver, with a search's memory of turned-away holes (or
// null), which may serve every scan line of one image.
#pragma once

#include <cstdint>

#include "ci_id/pdf417.h"

namespace cidut {

class holeMemory;

// cf_BndFindPDPSymbolFromSeed.
int32_t findPdpFromSeed(const cimg_imageConst* image, const cid2d_trackingParams* params,
                        const cid2d_trackingSeed* seed, const cbt_runParams* runParams,
                        cimg_image* marker, int32_t patternMode, const cid_mask* mask,
                        const cmath_xformLinear* maskArgument, holeMemory* holes,
                        cid2d_trackingResult* result);

// cf_BndFindMatchingPDP.
int32_t findMatchingPdp(const cimg_imageConst* image, const cid2d_trackingParams* params,
                        const cid_mask* mask, const cmath_xformLinear* maskArgument,
                        cimg_image* marker, int32_t patternMode, const int16_t* edges,
                        int32_t edgeCount, int32_t profileLength, int32_t stopPattern,
                        const cmath_vect* edgePositions, const uint8_t* profile, holeMemory* holes,
                        cid2d_trackingResult* result);

}  // namespace cidut
