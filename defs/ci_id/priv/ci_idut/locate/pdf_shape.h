// Shapes of the PDF417 finder: the quadrilateral of four straight runs, the convex hull of a
// contour and the parallelogram fitted to it (the pattern path).
#pragma once

#include <cstdint>

#include "ci_id/priv/ci_idut/locate/contour.h"

namespace cidut {

// Four runs in contour order, of a contour of n points: their lines must meet at four convex
// corners; out gets the quadrilateral, found or not.
void quadrilateralOfRuns(const contourPoint* smoothed, const segment* runs, int32_t n,
                         cornerFinding* out);

// Replaces points[0 .. n) by their convex hull (clockwise on the screen, as the tracker runs)
// and returns its point count.
int32_t convexHull(contourPoint* points, int32_t n);

// The pattern path over the sorted runs of a contour of n points: a parallelogram along the
// reference, cross and parallel sides of the hull of `halved` (which it replaces by the hull);
// the hull's sides are listed in `sides`, of which there are sideCapacity.
int32_t parallelogramOfHull(contourPoint* halved, const contourPoint* smoothed, int32_t n,
                            const segment* runs, int32_t runCount, segment* sides,
                            int32_t sideCapacity, cornerFinding* out);

}  // namespace cidut
