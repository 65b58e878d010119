/* Grey-level histograms of 8-bit windows and their inverse cumulative table.
 *
 * Histograms are arrays of 32-bit unsigned counts, one per grey level. Null pointers are
 * preconditions. */
#ifndef CI_ID_CIP_HIST_H
#define CI_ID_CIP_HIST_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

/* counts[v] = the number of pixels of the window holding v, for the 256 grey levels (the counts
 * are cleared first). CIMG_STATUS_NOT_BOUND for an unbound image, CIMG_STATUS_INVALID_IMAGE for
 * one that is not 8-bit; counts are then left as they were. */
CI_ID_API int32_t cip_pelHistogram8(const cimg_imageConst* image, uint32_t* counts);

/* table[p], p = 0 .. 100: the grey level at p percent of the pixels, that is the lowest bin whose
 * cumulative count c satisfies 100 c >= p * total and c > 0 (so table[0] is the lowest occupied
 * bin and table[100] the highest). CSYS_STATUS_SIZE_OUT_OF_RANGE, table untouched, for an empty
 * histogram; numBins below 1 is a precondition. */
CI_ID_API int32_t cip_pelHistogramStat_invCum(const uint32_t* histogram, int32_t numBins,
                                              int32_t* table);

CI_ID_EXTERN_C_END

#endif
