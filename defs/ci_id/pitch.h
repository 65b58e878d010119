/* Pitch and grid of regularly spaced features (bars, teeth, module centres) along a line.
 *
 * Positions and pitches are integers in the caller's unit (1/256 pixel, say). A feature's phase is
 * where it falls within its pitch, in 1/256 of a pitch. A pitch that is slightly wrong makes the
 * phases drift linearly with the grid index; the pitch estimators fit that drift. To stay clear of
 * the wrap of phases from 255 to 0, the positions are cut into runs of K grid indices, short
 * enough that the allowed pitch error moves a phase by less than half a pitch inside one run;
 * each run is fitted both from the first position and from half a pitch before it, and the better
 * of the two is kept. Runs are then shifted onto common mean index and mean phase, so a constant
 * phase offset between runs does not bias the slope, and the slope b (phase per index) corrects
 * the pitch: p + b p / 256. Points further than a tolerance from the first fit are left out of the
 * second.
 *
 * Mended: the sums and products of the fit are kept in 128 bits; in 32 bits they overflow for a
 * few thousand points or for positions far apart in pitches, and the fit then goes wrong silently.
 *
 * Null pointers and the preconditions stated with each function are assertions. Allocation
 * failures are passed on. */
#ifndef CI_ID_PITCH_H
#define CI_ID_PITCH_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"

CI_ID_EXTERN_C_BEGIN

/* Refines initialPitch from n positions (sorted ascending unless sorted is 0; the caller's array
 * is never reordered) in at most two rounds, each stopping the search when its pitch leaves
 * [minPitch, maxPitch] or the fit fails. *pitch = the pitch of the smallest residual (the initial
 * one when no round succeeded); *residual = that fit's mean squared phase residual times
 * 1024 / initialPitch^2, or 1024 when no round succeeded. Points more than tolerance from the
 * first fit are left out of the second. Preconditions: n >= 2, initialPitch >= 1,
 * minPitch <= initialPitch <= maxPitch, minPitch < maxPitch, maxPitch < 2 initialPitch,
 * minPitch > initialPitch / 2, 0 < tolerance < initialPitch / 2, and K = (initialPitch / 2) /
 * max(initialPitch - minPitch, maxPitch - initialPitch) >= 2. */
CI_ID_API int32_t cidut_estimatePitch(const int32_t* positions, int32_t n, int32_t sorted,
                                      int32_t tolerance, int32_t initialPitch, int32_t maxPitch,
                                      int32_t minPitch, int32_t* pitch, int32_t* residual);

/* Searches the pitch between initialPitch lowScale / 1000 and initialPitch highScale / 1000 by
 * rounds of the fit over growing runs. Positions may come in either order along the line
 * (ascending or descending). Runs start K = min(499 / (1000 - lowScale), 499 / (highScale -
 * 1000)) indices long, and the fit window at w = initialPitch (highScale - lowScale) / 1000 +
 * 2 tolerance: points further than w / 2 from the first fit are left out of the second.
 *
 * Settled here, where the search was left open: the fit's point measure m is the number of grid
 * steps its merged runs span (the sum of each kept run's last index less its first; runs on a
 * single index are dropped), so that a larger m means a pitch fixed over a longer stretch. A round
 * is accepted when its pitch stays within the scale bounds and its m exceeds the previous
 * round's. The search stops after a round that is not accepted, a round that moved the pitch by
 * less than 2, a round that already ran with runs longer than the positions' span in pitches
 * (one run covered everything), or before a round whose pitch is below w. After an accepted
 * round the window shrinks to min(w, 2 tolerance / m + 2 tolerance) and the runs grow to
 * max(K, 499 m p / (1000 tolerance)) indices. inlierWindow is in 1/256 of a pitch, like the
 * phases.
 *
 * Outputs, from the last accepted round (and as set before the first when none is accepted):
 * *pitch (initialPitch); *span = its m (0); *inliers = its merged points within inlierWindow / 2
 * of the fitted line (0); *origin = its fit origin, the first position or half a pitch before it
 * moved by the fit's intercept, divided by initialPitch (the first position divided by
 * initialPitch).
 *
 * Mended: CID_STATUS_INVALID_VALUE for lowScale >= 1000, where K would divide by zero.
 * Preconditions: n >= 2, initialPitch >= 1, 501 <= lowScale <= highScale,
 * 1001 <= highScale <= 1999, 1 <= tolerance < initialPitch / 2, and K >= 2. */
CI_ID_API int32_t cidut_cg1dComputeScaledPitch(int32_t n, const int32_t* positions,
                                               int32_t initialPitch, int32_t lowScale,
                                               int32_t highScale, int32_t tolerance, int32_t* span,
                                               int32_t* inliers, int32_t inlierWindow,
                                               int32_t* origin, int32_t* pitch);

/* Grid indices for a known pitch: the densest set of phases |x mod pitch| within a window of the
 * given width on the phase circle (the most members, then the smallest spread, then the first
 * found in ascending phase, windows that wrap past the pitch last) are on the grid. *origin = c =
 * (first member phase + last member phase, plus pitch when the window wraps, - window) / 2; member
 * i gets (x_i - c) / pitch, truncated after a negative difference is lowered by a pitch, less the
 * smallest of these over the members, so indices start at 0; every other position gets -1. work
 * (n values) receives the phases and is then scratch; indices (n values) is scratch during the
 * call. *flag = 0. Preconditions: n >= 2, 0 < window <= pitch. */
CI_ID_API int32_t cidut_cg1dOnGrid(int32_t n, const int32_t* positions, int32_t* work,
                                   int32_t pitch, int32_t window, int32_t* indices, int32_t* origin,
                                   int32_t* flag);

CI_ID_EXTERN_C_END

#endif
