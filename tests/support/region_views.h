// Regions drawn from perspective views of the unit square, and random region records, for the
// region suites.
#pragma once

#include <random>

#include "ci_id/region.h"
#include "homography.h"

namespace cid_test {

// Po = H(0, 0), Px = H(1, 0), Py = H(0, 1), Popp = H(1, 1), given as four corners (isAffine 0).
cid_region regionOfView(const homography& view);

// A parallelogram (isAffine 1) or a convex quadrilateral (isAffine 0) with random flags, in
// either handedness, with corners on a 1/64 pixel grid so that sums of corners are exact.
cid_region randomRegion(std::mt19937& rng, bool affine);

// Every corner, flag and isAffine equal.
bool sameRegion(const cid_region& a, const cid_region& b);

}  // namespace cid_test
