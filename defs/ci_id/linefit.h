/* Line fitting: total least squares (the line that minimises the sum of squared perpendicular
 * distances) on floating-point and fixed-point point arrays, the accumulator class
 * ccCidLSLineFitter, and a robust fit that leaves out a given number of outliers.
 *
 * Every fit finds the direction (c, s) of the principal axis of the points' second moments, with
 * s >= 0, reversed if needed so that the centroid's signed distance d along the normal (-s, c) is
 * not negative; the line is { p : p . (-s, c) = d }. Points that give no unique direction (fewer
 * than two distinct points, or a perfectly isotropic spread such as the corners of a square) give
 * no fit. */
#ifndef CI_ID_LINEFIT_H
#define CI_ID_LINEFIT_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/line.h"
#include "ci_id/platform/cmath_vect.h"

CI_ID_EXTERN_C_BEGIN

/* A point with a caller-chosen number of fraction bits. */
typedef struct cidut_fixedPoint {
    int32_t x;
    int32_t y;
} cidut_fixedPoint;

/* cidut_line in fixed point: a point and a unit direction, with the same fraction bits. */
typedef struct cidut_fixedLine {
    cidut_fixedPoint pos;
    cidut_fixedPoint dir;
} cidut_fixedLine;

typedef struct cidut_linefit_params {
    int32_t numOutliers; /* points to leave out of the fit; 0 fits all of them */
    double maxRmsError;  /* a fit is good when its RMS distance is below this */
} cidut_linefit_params;

/* Fits pts[0 .. numPts - 1]. On success line->pos is the foot of the perpendicular from the origin
 * and line->dir the unit direction. Points that give no unique direction (numPts below 2
 * included) return 0 and leave line untouched; NaN or infinite coordinates, or sums that overflow
 * the double range, return CID_STATUS_NO_LINE_FIT with line untouched. */
CI_ID_API int32_t cidut_lineFitting(cidut_line* line, const cmath_vect* pts, int32_t numPts);

/* The same on points with fracBits fraction bits (0..30); reserved is not read. The five sums
 * are integers, converted to float and scaled by 2^-fracBits (2^-2 fracBits for the second-order
 * sums); the moments, the direction and the distance are then computed in float (square roots in
 * double, rounded back), so points far from the origin lose precision as float does. Each output
 * value v (dir.x, dir.y, pos.x, pos.y) is v * 2^fracBits + 0.5 for v >= 0 and
 * v * 2^fracBits - 0.4999999999 for v < 0, truncated. Points that give no unique direction return
 * 0 with line untouched. Mend: the sums are kept in 128 bits, where 64-bit ones overflow for long
 * lists of large coordinates. Precondition: the foot point fits in 32 bits. */
CI_ID_API int32_t cidut_lineFitting_Fixed(const void* reserved, cidut_fixedLine* line,
                                          const cidut_fixedPoint* pts, int32_t numPts,
                                          int32_t fracBits);

/* Stores both values. */
CI_ID_API int32_t cidut_linefit_params_set(cidut_linefit_params* params, int32_t numOutliers,
                                           double maxRmsError);

CI_ID_EXTERN_C_END

#ifdef __cplusplus
#include "ci_id/platform/cx_math.h"
#include "ci_id/platform/cx_vector.h"

/* Running sums of n points (n, sum of x, y, x^2, y^2, xy): points are added one at a time and not
 * kept; fitters add, and map through affine transforms, from their sums alone. A plain value:
 * copy it freely. Failures throw cxException. Reads may run on several threads at once. */
class CI_ID_API ccCidLSLineFitter {
public:
    ccCidLSLineFitter();
    /* The fitter of pts, added in index order. */
    explicit ccCidLSLineFitter(const cxVector<cx2Vect>& pts);
    ccCidLSLineFitter(const ccCidLSLineFitter& o);

    void reset();
    void update(const cx2Vect& p);
    int numPoints() const;

    /* False, line untouched, with fewer than 2 points, no unique direction (both the centred
     * cross moment and the difference of the centred variances below 1e-12) or non-finite sums.
     * Otherwise line is cidut_line_initAngDis of the fitted angle and distance, so its reference
     * position lies on a coordinate axis. */
    bool fit(cidut_line& line) const;
    /* As above; throws cxException(CID_STATUS_NO_LINE_FIT) instead of returning false. */
    cidut_line fit() const;
    /* Fits once and writes the line and/or its error (either pointer may be null); false exactly
     * when fit() is. */
    bool fitAndError(cidut_line* line, double* err) const;
    /* Sum of squared distances of the accumulated points from line, from the sums alone. A line
     * direction with no angle throws cxException with that status, an empty text, the file
     * "src/id/idut/linefit" and the line of the throw. */
    double error(const cidut_line& line) const;

    ccCidLSLineFitter& operator+=(const ccCidLSLineFitter& o);
    ccCidLSLineFitter operator+(const ccCidLSLineFitter& o) const;
    ccCidLSLineFitter& operator=(const ccCidLSLineFitter& o);

    /* The fitter of the points of f mapped through T. */
    friend CI_ID_API ccCidLSLineFitter operator*(const cx2Xform& T, const ccCidLSLineFitter& f);

private:
    // Direction (c, s) and distance d of the fitted line, before d's sign is settled; false when
    // there is no fit.
    bool principalAxis(double* c, double* s, double* d) const;

    int32_t numPts;
    double sumX;
    double sumY;
    double sumXX;
    double sumYY;
    double sumXY;
};

CI_ID_API ccCidLSLineFitter operator*(const cx2Xform& T, const ccCidLSLineFitter& f);

/* Result of cidut_line_fit; initialise it with cidut_linefit_result_init before use. */
struct cidut_linefit_result {
    uint8_t isGood;              /* 1 when rmsError < params.maxRmsError */
    cidut_line line;             /* the best line */
    double rmsError;             /* RMS distance of the points kept from line */
    cidut_linefit_params params; /* copy of the parameters used */
    cxVector<uint32_t> outliers; /* caller's indices of the points left out, largest first */
    double elapsedMs;            /* wall time of the fit */
};

CI_ID_EXTERN_C_BEGIN

/* isGood, rmsError and elapsedMs 0, line and params all zero bytes, outliers emptied. */
CI_ID_API int32_t cidut_linefit_result_init(cidut_linefit_result* result);

/* Fits a line to the n points of pts leaving out k = params->numOutliers (k >= 0) of them: every
 * way of leaving out k points is tried (n choose k fits of ccCidLSLineFitter, so keep k small), and
 * the line of the points kept with the smallest RMS distance wins; of equal ones, the first in the
 * order of enumeration (index sets i0 > i1 > ..., starting at (k - 1, ..., 0), i0 varying
 * fastest). Candidates with no fit (no unique direction, non-finite points) are skipped. Returns
 * CID_STATUS_ROBUST_FIT_FAILED with result untouched when n < k + 2, and with result initialised
 * when no candidate fits. A stop request or a failed allocation returns its status. */
CI_ID_API int32_t cidut_line_fit(const cidut_linefit_params* params, const cxVector<cx2Vect>* pts,
                                 cidut_linefit_result* result);

CI_ID_EXTERN_C_END
#endif

#endif
