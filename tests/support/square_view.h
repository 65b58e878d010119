// Perspective views for property tests: views of the unit square built from a known
// homography (so that the images of its centre, mid-lines and vanishing points are known
// exactly), and a brute-force point-in-convex-quadrilateral test.
#pragma once

#include <random>

#include "ci_id/platform/cmath_vect.h"

namespace cid_test {

// p -> (H p) / w in homogeneous coordinates.
struct homography {
    double h[3][3];

    cmath_vect map(double x, double y) const;
    // The homogeneous image of (x, y, w), for points at infinity.
    void mapHomogeneous(const double in[3], double out[3]) const;
};

// An affine map (rotation, scales, shear, translation around the image centre) after the pure
// perspective (x, y) -> (x, y) / (g x + h y + 1), with |g| + |h| <= strength < 1 so that the unit
// square stays in front of the camera. size is the rough side length of the view in pixels;
// strength 0 gives an affine view.
homography randomSquareView(std::mt19937& rng, double size, double strength);

// Strictly inside the convex quadrilateral with corners in perimeter order, by the signs of the
// four edge cross products; *margin is the distance to the nearest edge line.
bool insideConvexQuad(const cmath_vect perimeter[4], const cmath_vect& p, double* margin);

}  // namespace cid_test
