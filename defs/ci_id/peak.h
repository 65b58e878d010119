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
/* Peaks per scan shape: each element is a vector of peaks, owned by the outer vector, which
 * constructs, copies (deeply), assigns and destructs its inner vectors. */
CSTD_VECTOR_DECLARE(vector_cidc_peakIDFixedX_4, cstd_vector_cidc_peakIDFixedX_4)

#endif
