// Profiles and features of the classifier's unwrapped log spectrum.
#pragma once

#include <cstdint>

#include "ci_id/classifier.h"

namespace cidut {

// From the polar image (58 rows, outermost radius first, at most 256 angle columns): the angular
// profile (mean of rows 13 .. 52 per column), its two peaks, the radial profiles through them
// (innermost radius first) and the radial peak. CID_STATUS_OUT_OF_RANGE for another shape.
int32_t buildProfiles(const cimg_windowConst& polar, SpectrumProfiles* profiles);

SpectrumFeatures measureFeatures(const SpectrumProfiles& profiles);

// The peak of a circular profile among count positions from first on: the first position of the
// largest value, moved right by half the run of equal values that follows it within the range.
int32_t profilePeak(const uint8_t* profile, int32_t length, int32_t first, int32_t count);

}  // namespace cidut
