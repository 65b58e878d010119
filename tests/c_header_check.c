/* The public headers must compile as C: this file includes them all and uses a few calls. */
#include "ci_id/ci_id.h"

int ci_id_c_header_check(void) {
    cidut_line line;
    cmath_vect pos;
    cstd_vector_cidc_peakIDFixedX_4 peaks;
    int32_t size = -1;
    cmath_vect_init(&pos, 1.0, 2.0);
    if (cidut_line_initAngPos(&line, 0.0, &pos) != 0) return 1;
    if (cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&peaks) != 0) return 2;
    cstd_vector_cidc_peakIDFixedX_4_getSize(&peaks, &size);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&peaks);
    return size == 0 ? 0 : 3;
}
