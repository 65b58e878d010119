/* The symbol classifier: what kind of periodic structure a 128 x 128 window holds, from the
 * spectrum of its gradient.
 *
 * cid_symbolClassifier_runWindow8 takes the gradient magnitude inside the disc of radius 63
 * around the window's centre, its centred fixed-point spectrum, and the logarithm of the
 * spectrum's magnitude as an 8-bit image (30 ln(1 + |F|), saturated at 255, where F is the DFT of
 * the gradient divided by 128, the window side). The upper half of that image is unwrapped into
 * polar form (radii 4 .. 61, one column per 1/195 of a half turn); the mean over radii 9 .. 48 per
 * angle gives an angular profile whose two strongest directions at least a quarter of a half turn
 * apart, and the radial profiles along them, lead to the scores.
 *
 * Mends (the scores then depend on them):
 * - The spectrum is taken with an output shift of 16, not 0. Unshifted, the fixed-point spectrum of
 *   any window with structure is so large that 30 * fastLog(|F|) passes 255 almost everywhere in
 *   the upper half (up to about 590 for rendered symbols), and a byte keeps only its low 8 bits:
 *   strong directions would read as weak ones. Shifted by 16, the levels of rendered symbols stay
 *   below 256.
 * - The log level is held to 0 .. 255 (the cap) rather than truncated to its low byte, so that the
 *   rare spectrum value that still passes 255 reads as the strongest, not as a weak one.
 * Choices where the definition leaves room:
 * - Angular peak: the first position of the largest value, moved right by half (rounded down) the
 *   run of equal values that follows it. The run is counted within the search range: for peak 1
 *   it stops at the profile's last column (it does not wrap to column 0), for peak 2 at the end of
 *   the arc at least a quarter of the profile away from peak 1.
 * - Radial peak: after the leading non-increasing run of radial profile 1, the first position of
 *   the largest value of the rest ("first strict maximum": a later equal value does not replace
 *   it), not the first local maximum.
 *
 * Directions are in units of 1/65536 of a full turn, taken modulo a half turn: the direction in
 * which the grey levels vary (the normal of bars), angle 0 along +x growing towards +y. The period
 * is that of the gradient in pixels * 256 (rounded): for bars it is the distance between
 * neighbouring edges. */
#ifndef CI_ID_CLASSIFIER_H
#define CI_ID_CLASSIFIER_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

#define CID_CLASSIFIER_WINDOW_SIDE 128
#define CID_CLASSIFIER_RADIAL_LENGTH 58

/* One score of the classifier. Record 0 scores the absence of structure, 1 a single direction,
 * 2 two directions of matching period, 3 the two-direction fallback. */
typedef struct ClassScore {
    int32_t score; /* 0 .. 100 */
    uint16_t direction1;
    uint16_t direction2;
    int32_t period; /* pixels * 256 */
} ClassScore;

typedef struct SpectrumProfiles {
    uint8_t angularProfile[256];
    int32_t angularProfileLength;
    uint8_t radialProfile1[64]; /* entry i: radius 4 + i, along angular peak 1 */
    uint8_t radialProfile2[64]; /* along angular peak 2 */
    int32_t radialProfileLength;
    int32_t angularPeak1;
    int32_t angularPeak2;
    int32_t radialPeak;
} SpectrumProfiles;

typedef struct SpectrumFeatures {
    double angularCorrelation;
    double radialCorrelation;
    uint32_t outerRadialEnergy; /* sum of radial profile 1 over radii 33 .. 61 */
    uint16_t direction1;
    uint16_t direction2;
    double period; /* pixels */
    double peak1Level;
    double peak2Level;
    double radialPeakRatio; /* radial profile 1 at the radial peak over its first entry; 0 if
                               that entry is 0 */
} SpectrumFeatures;

/* What a run saw, for callers that want to inspect it. */
typedef struct cid_symbolClassifierDiagnostics {
    SpectrumFeatures features;
    SpectrumProfiles profiles;
    /* The log-magnitude image, centred; rows 0 .. 65 are computed, the rest is 0. */
    uint8_t logSpectrum[CID_CLASSIFIER_WINDOW_SIDE * CID_CLASSIFIER_WINDOW_SIDE];
} cid_symbolClassifierDiagnostics;

typedef struct cid_symbolClassifierParams {
    /* Null, or a caller-owned block that each run fills. */
    cid_symbolClassifierDiagnostics* diagnostics;
} cid_symbolClassifierParams;

/* Sets every field to its default (no diagnostics). Returns 0. */
CI_ID_API int32_t cid_symbolClassifierParams_init(cid_symbolClassifierParams* params);

/* Scores the 8-bit window of image, which must be 128 x 128 (else
 * CID_STATUS_CLASSIFIER_WINDOW_SIZE). scores (four records) are cleared first, also on failure.
 * An unbound image gives CID_STATUS_IMAGE_NOT_BOUND, another depth CID_STATUS_INVALID_IMAGE. */
CI_ID_API int32_t cid_symbolClassifier_runWindow8(const cimg_imageConst* image,
                                                  const cid_symbolClassifierParams* params,
                                                  ClassScore* scores);

/* destination[x][y] = source[y][x] over the source window: the destination window must have the
 * same depth and be at least source height wide and source width high (else
 * CID_STATUS_INVALID_IMAGE). The two may share pixels. */
CI_ID_API int32_t cid_txImage(const cimg_imageConst* source, cimg_image* destination);

/* The angle of the vector (x, y) in 256ths of a full turn, from +x towards +y, by a table over
 * four refinement steps: within 2.5 units of the true angle for vectors of length 64 or more,
 * coarser for shorter ones (within 4.5 units from length 16). (0, 0) gives 32. */
CI_ID_API uint8_t cidut_atan2(int32_t x, int32_t y);

CI_ID_EXTERN_C_END

#endif
