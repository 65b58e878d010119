// Projective maps of the plane: flat things placed in a scene (a plane rectangle onto four image
// corners, or by centre, scale, rotation, aspect, skew and perspective tilt), and random
// perspective views of the unit square for property tests.
//
// A plane point (u, v) has u growing to the right along the rectangle's top edge and v growing
// down its left edge; image points have x to the right and y down, in pixels, with pixel (i, j)
// covering [i, i + 1) x [j, j + 1).
#pragma once

#include <array>
#include <random>

#include "ci_id/platform/cmath_vect.h"

namespace cid_test {

// Corners in the order top-left, top-right, bottom-right, bottom-left of the plane rectangle.
using quad = std::array<cmath_vect, 4>;

class homography {
public:
    // p -> (H p) / w in homogeneous coordinates. Throws std::invalid_argument when H is singular.
    explicit homography(const double (&matrix)[3][3]);
    // The map taking (0, 0), (width, 0), (width, height), (0, height) to the corners. Unless the
    // corners make a convex quadrilateral, divisor() is negative at one of them: the rectangle
    // would fold over through the line at infinity.
    static homography rectangleToQuad(double width, double height, const quad& corners);

    cmath_vect planeToImage(cmath_vect plane) const;
    cmath_vect imageToPlane(cmath_vect image) const;
    // The projective divisor at a plane point; positive everywhere the plane is in front.
    double divisor(cmath_vect plane) const;
    double at(int row, int column) const { return forward_[row][column]; }

private:
    double forward_[3][3];
    double backward_[3][3];
};

struct placement {
    cmath_vect centre{0, 0};  // image point of the rectangle's centre
    double unit = 4;          // pixels per plane unit along the top edge (one module)
    double rotation = 0;      // radians, direction of the top edge from left to right
    double aspect = 1;        // plane unit down the left edge over the unit along the top edge
    double skew = 0;          // radians by which the left edge leans away from perpendicular
    // Perspective: the right edge is (1 - tiltX) / (1 + tiltX) times as long as the left one
    // (it is turned away for tiltX > 0), and the bottom edge (1 - tiltY) / (1 + tiltY) times as
    // long as the top one. Both lie in (-1, 1); the centre stays where it is.
    double tiltX = 0;
    double tiltY = 0;
};

// The image corners of the plane rectangle [0, width] x [0, height] so placed.
quad placeRectangle(const placement& where, double width, double height);

// A view of the unit square: the pure perspective (x, y) -> (x, y) / (g x + h y + 1), with
// |g| + |h| <= strength < 1 so that the square stays in front of the camera, then an affine map
// (rotation, scales, shear of either handedness, translation to around (4 size, 4 size)). size
// is the rough side length of the view in pixels; strength 0 gives an affine view.
homography randomSquareView(std::mt19937& rng, double size, double strength);

// Strictly inside the convex quadrilateral with corners in perimeter order, by the signs of the
// four edge cross products; *margin is the distance to the nearest edge line.
bool insideConvexQuad(const cmath_vect perimeter[4], const cmath_vect& p, double* margin);

}  // namespace cid_test
