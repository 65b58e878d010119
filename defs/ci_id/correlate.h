/* Matching of two grey profiles by shifting one along the other.
 *
 * Profile a (n samples) slides along profile b (m >= n samples). At shift s, sample a[j] is paired
 * with b[j + s] for every j where both exist, and the score is the squared correlation
 * coefficient of those pairs, or 0 when their correlation is negative or either side is constant:
 * with c pairs and the sums Sa, Saa, Sb, Sbb, Sab over them, num = c Sab - Sa Sb and
 * den = (c Sbb - Sb^2) (c Saa - Sa^2); the score is 0 when num < 0 or den <= 0, 1 when
 * den <= num^2, else num^2 / den. Sums and the two products in num and in each factor of den are
 * exact integers (no overflow for any n), turned into doubles only for the division.
 *
 * Best shift. The score array covers the shifts -maxShift .. m - n + maxShift; its first strictly
 * largest positive score, at index k, gives the best score v and shift k - maxShift. When k has a
 * neighbour on both sides (l before, r after) with l <= v, r < v and 2v - l - r > 0.0001, the
 * shift is refined to the vertex of the parabola through the three scores, by
 * d = (r - l) / (2 (2v - l - r)), which lies in [-0.5, 0.5). At either end of the array the best
 * shift is the shift of that end: -maxShift for the first score and m - n + maxShift for the last.
 * When every score is 0 both outputs stay 0. */
#ifndef CI_ID_CORRELATE_H
#define CI_ID_CORRELATE_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

/* Writes the m - n + 2 maxShift + 1 scores of shifts -maxShift .. m - n + maxShift, in order.
 * CID_STATUS_NULL_ARGUMENT when a, b or scores is null; CID_STATUS_OUT_OF_RANGE when n < 1,
 * m < 1, maxShift < 0, m < n or maxShift >= n. Nothing is written on failure. */
CI_ID_API int32_t cf_correlate1D_U8(const uint8_t* a, int32_t n, const uint8_t* b, int32_t m,
                                    int32_t maxShift, double* scores);
CI_ID_API int32_t cf_correlate1D_U32(const uint32_t* a, int32_t n, const uint32_t* b, int32_t m,
                                     int32_t maxShift, double* scores);

/* The best shift (in samples, refined to a fraction) and its score, by the rule above. Null
 * pointers are preconditions. Both outputs are set to 0 first; m < n then ends the call with
 * status 0. Other bad sizes give the statuses of cf_correlate1D_U8. */
CI_ID_API int32_t cf_RunCorrelate_U8(const uint8_t* a, int32_t n, const uint8_t* b, int32_t m,
                                     int32_t maxShift, double* bestShift, double* bestScore);
CI_ID_API int32_t cidut_RunCorrelate_UInt32(const uint32_t* a, int32_t n, const uint32_t* b,
                                            int32_t m, int32_t maxShift, double* bestShift,
                                            double* bestScore);

/* cf_RunCorrelate_U8 on the first row of each 8-bit window (image1's as a, image2's as b) with
 * maxShift 0. CIMG_STATUS_NOT_BOUND or CIMG_STATUS_INVALID_IMAGE for an unbound or non-8-bit
 * image, CID_STATUS_OUT_OF_RANGE for a window without rows. */
CI_ID_API int32_t cidut_ip_correlate8(const cimg_imageConst* image1, const cimg_imageConst* image2,
                                      double* bestShift, double* bestScore);

CI_ID_EXTERN_C_END

#endif
