// Placing flat things in an image: the projective map from a plane rectangle to a quadrilateral,
// and the placement of a rectangle by centre, scale, rotation, aspect, skew and perspective tilt.
//
// A plane point (u, v) has u growing to the right along the rectangle's top edge and v growing
// down its left edge; image points have x to the right and y down, in pixels, with pixel (i, j)
// covering [i, i + 1) x [j, j + 1).
#pragma once

#include <array>

#include "ci_id/platform/cmath_vect.h"

namespace cid_test {

// Corners in the order top-left, top-right, bottom-right, bottom-left of the plane rectangle.
using quad = std::array<cmath_vect, 4>;

class homography {
public:
    // The map taking (0, 0), (width, 0), (width, height), (0, height) to the corners. Throws
    // std::invalid_argument when the corners do not make a convex quadrilateral, for then the
    // rectangle would fold over or reach the line at infinity.
    static homography rectangleToQuad(double width, double height, const quad& corners);

    cmath_vect planeToImage(cmath_vect plane) const;
    cmath_vect imageToPlane(cmath_vect image) const;
    // The projective divisor at a plane point; positive everywhere the plane is in front.
    double divisor(cmath_vect plane) const;

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

}  // namespace cid_test
