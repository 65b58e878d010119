// The constructions every region operation rests on: the centre, the perspective direction
// through a point, the centre segments and the region rebuilt from two centre segments.
#pragma once

#include <stdint.h>

#include "ci_id/region.h"

namespace cidut {

enum class regionAxis { x, y };

// Where the diagonals cross; the midpoint of Po-Popp for an affine region or parallel diagonals.
cmath_vect regionCentre(const cid_region& r);

// Through p, towards the point where the two x sides (axis x) or y sides (axis y) meet, parallel
// to them when they are parallel. Not normalised; zero when p is that meeting point.
cmath_vect perspectiveDirection(const cid_region& r, regionAxis axis, const cmath_vect& p);

// The midpoints of the two sides the centre segment of axis joins: of the y sides for x, of the x
// sides for y. This is the centre segment of an affine region.
void sideMidpoints(const cid_region& r, regionAxis axis, cmath_vect seg[2]);

// The centre segment of axis through centre (the region's own centre when null); the affine
// region's ignores it. seg is written only on success.
int32_t centreSegment(const cid_region& r, regionAxis axis, const cmath_vect* centre,
                      cmath_vect seg[2]);

// The region whose y sides pass through the ends of xs and whose x sides pass through the ends
// of ys, with ref's perspective (a missing segment keeps src's own sides); for an affine ref, the
// parallelogram spanned by xs and the length and direction of ys, centred on xs. Flags from src;
// dst is written only on success.
int32_t regionFromSegments(cid_region* dst, const cmath_vect* xs, const cmath_vect* ys,
                           const cid_region& src, const cid_region& ref);

// The region from its three or four corners (popp null: derived, affine), flags 1.
cid_region regionOf(const cmath_vect& po, const cmath_vect& px, const cmath_vect& py,
                    const cmath_vect* popp);

void copyFlags(cid_region& dst, const cid_region& src);

}  // namespace cidut
