/* Running statistics of double samples: count, mean and standard deviation, kept by Welford's
 * update so that the spread of large values about a large mean keeps its precision. Null
 * pointers are preconditions. */
#ifndef CI_ID_CMATH_STATISTICS_H
#define CI_ID_CMATH_STATISTICS_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"

CI_ID_EXTERN_C_BEGIN

/* No samples: the same value as the fixed-point statistics' (fixpt.h). */
#define CMATH_STATUS_NO_SAMPLES ((int32_t)0x80000542u)

typedef struct cmath_statistics {
    int64_t count;
    double mean;
    double sumSqDev; /* sum of squared deviations from the mean */
} cmath_statistics;

/* Empties stats. Always 0. */
CI_ID_API int32_t cmath_statistics_init(cmath_statistics* stats);
/* Adds one sample. Always 0. */
CI_ID_API int32_t cmath_statistics_add(cmath_statistics* stats, double value);
/* The number of samples. Always 0. */
CI_ID_API int32_t cmath_statistics_getN(const cmath_statistics* stats, int64_t* count);
/* CMATH_STATUS_NO_SAMPLES, *mean untouched, without samples. */
CI_ID_API int32_t cmath_statistics_getMean(const cmath_statistics* stats, double* mean);
/* The sample standard deviation (divisor count - 1; 0 for one sample). CMATH_STATUS_NO_SAMPLES
 * without samples. */
CI_ID_API int32_t cmath_statistics_getStdDev(const cmath_statistics* stats, double* deviation);

CI_ID_EXTERN_C_END

#endif
