/* Edge peaks found along scans, and the typed vectors that carry them. */
#ifndef CI_ID_PEAK_H
#define CI_ID_PEAK_H

#include <stdint.h>

#include "ci_id/vector.h"

/* One edge peak along a scan. */
typedef struct cidc_peakIDFixedX_4 {
    /* Sixteenths of a sample (4 fraction bits), plus the offset the detector was given; scanners
     * give the scan coordinate u. */
    int64_t position;
    /* Gradient at the extremum, rescaled as the detector was told: positive for a rising edge,
     * negative for a falling one. */
    int32_t strength;
    /* Zero when the peak is created; a caller marks a peak as assigned by setting either. */
    int32_t id1;
    int32_t id2;
    /* Belongs to the caller: the library never reads or writes it. */
    unsigned char userData[16];
    /* Mean of the grey levels on either side of the edge. */
    uint8_t midLevel;
} cidc_peakIDFixedX_4;

CSTD_VECTOR_DECLARE(cidc_peakIDFixedX_4, cidc_peakIDFixedX_4)

/* Incremental detector of edge peaks in a signed gradient profile, fed one sample at a time.
 *
 * The rule. A run of equal samples (a plateau) of value v is recorded as a peak when the sample
 * after it differs by d and all of these hold: a non-zero change led into the plateau since init
 * or the last advance; the slope reverses (d and that change have opposite signs); v lies beyond
 * the threshold on the extremum's side (v < -T when d > 0, a minimum; v > T when d < 0, a
 * maximum); the plateau holds at most 6 samples. The peak's position is the plateau's centre in
 * sixteenths of a sample, plus the sub-sample vertex f = 16 (p - s) / (2 (p - 2 v + s)) of the
 * parabola through the value p before the plateau, v and the new sample s (truncating; 0 when
 * the denominator is 0), plus the caller's offset. The initial value given to init is sample 0,
 * so a peak on the single sample j lies at 16 j + f + offset. Strength is (v << leftShift) >>
 * rightShift (32-bit, arithmetic, shift counts modulo 32), the mid level (a + b) >> 1 of the two
 * grey levels passed with the sample that revealed the peak, both identifiers 0, and the caller
 * block zero (new peaks occupy slots that the vector has just grown by).
 *
 * Calling order: init, any number of detect and advance, finish. Between init and finish the
 * vector holds peakCapacity elements of which the first peakCount are valid; finish trims it.
 * Peaks already in the vector are kept: detection appends. */
typedef struct cidc_peakDetectState {
    int32_t value;                 /* the current plateau's value */
    int32_t index;                 /* samples consumed since init, plus any skips */
    int32_t prevValue;             /* the plateau value before value */
    int32_t lastDelta;             /* value - prevValue; 0 when no change was seen yet */
    int32_t lastChangeIndex;       /* index at which value was entered; -1 when none */
    int32_t peakCount;             /* peaks in the vector, those present before init included */
    int32_t peakCapacity;          /* the vector's size while detecting */
    cidc_peakIDFixedX_4* nextPeak; /* the next free slot */
} cidc_peakDetectState;

CI_ID_EXTERN_C_BEGIN

/* Starts a detection appending at most maxNewPeaks (>= 0) peaks to peaks (one per sample fed
 * is always enough). Fails with the vector's status, or CSYS_STATUS_SIZE_OUT_OF_RANGE when the
 * capacity would not fit 32 bits; the vector is then unchanged and the state unusable. */
CI_ID_API int32_t cidc_peakDetectState_init(cidc_peakDetectState* state,
                                            cstd_vector_cidc_peakIDFixedX_4* peaks,
                                            int32_t initialValue, int32_t maxNewPeaks);
/* Consumes one sample. Recording more peaks than the capacity is a broken precondition. The state
 * pointer is asserted although this call is documented without assertions: a null state
 * would otherwise be dereferenced. */
CI_ID_API int32_t cidc_peakDetectState_detect(cidc_peakDetectState* state, uint8_t levelA,
                                              uint8_t levelB, int16_t sample, int32_t threshold,
                                              int32_t positionOffset, uint32_t leftShift,
                                              uint32_t rightShift);
/* Restarts the slope history at sample after a gap of skip samples, so that no peak straddles
 * the gap; peaks found so far are kept. */
CI_ID_API int32_t cidc_peakDetectState_advance(cidc_peakDetectState* state, int16_t sample,
                                               uint32_t skip);
/* Trims the vector to the peaks found. The state must be initialised again before reuse. */
CI_ID_API int32_t cidc_peakDetectState_finish(cidc_peakDetectState* state,
                                              cstd_vector_cidc_peakIDFixedX_4* peaks);

/* Contrast of the peaks [first, end): over every peak (includeAll != 0) or only over those with
 * a non-zero identifier, *minimum is the smallest |strength| and *mean the mean |strength|
 * (truncating), leaving out the smallest and the largest when more than 6 peaks count. Both are
 * 0 when no peak counts. |strength| of INT32_MIN counts as INT32_MAX. */
CI_ID_API int32_t cidc_peakIDFixedX_4_getContrastStats(const cidc_peakIDFixedX_4* first,
                                                       const cidc_peakIDFixedX_4* end,
                                                       int32_t includeAll, int32_t* minimum,
                                                       int32_t* mean);

CI_ID_EXTERN_C_END
/* Peaks per scan shape: each element is a vector of peaks, owned by the outer vector, which
 * constructs, copies (deeply), assigns and destructs its inner vectors. */
CSTD_VECTOR_DECLARE(vector_cidc_peakIDFixedX_4, cstd_vector_cidc_peakIDFixedX_4)

#endif
