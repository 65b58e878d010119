/* One-dimensional k-means clustering of scalar values, and box averaging of 8-bit pixels.
 *
 * k-means starts from k = min(count, extraClusters + 2) clusters of consecutive values (the
 * last one taking the remainder), moves every value to the non-empty cluster of nearest mean
 * until no label changes (at most 20 rounds), merges close clusters and numbers the clusters by
 * decreasing size (the lower index first on ties). Null pointers are preconditions. */
#ifndef CI_ID_CLUSTER_H
#define CI_ID_CLUSTER_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/fixpt.h"
#include "ci_id/platform/cmath_statistics.h"

CI_ID_EXTERN_C_BEGIN

typedef struct ClusterParams {
    int32_t extraClusters;  /* clusters to start with, beyond 2 */
    double deviationFactor; /* merge when the means are at most this many (larger) deviations
                               apart; negative disables the rule */
    double mergeDistance;   /* merge when the means are at most this far apart; negative
                               disables the rule */
    int32_t shift;          /* fixed-point form: fraction bits of the statistics and of both
                               thresholds above */
} ClusterParams;

/* Clusters count values: labels[i] receives value i's cluster, stats[c] its statistics (stats
 * holds statsCount records, at least k, else CID_STATUS_OUT_OF_RANGE before anything is
 * written), clusterCount the number of non-empty clusters and converged 1 when the labels
 * settled in fewer than 20 rounds. With mergeDistance D and deviationFactor F scaled by
 * 2^shift and rounded, cluster j merges into an earlier cluster i when |mean_j - mean_i| <= D or
 * <= F max(stddev_i, stddev_j). Statistics statuses end the call (a shift below 3:
 * CID_STATUS_STATS_NOT_INITIALISED). count below 1 leaves everything but clusterCount and
 * converged (both 0) untouched. */
CI_ID_API int32_t cidut_clusterKMeans_fixed(const ClusterParams* params, const int32_t* values,
                                            int32_t count, int32_t* labels,
                                            cmath_statisticsFixed* stats, int32_t statsCount,
                                            int32_t* clusterCount, int32_t* converged);

/* The same in double precision: the thresholds are mergeDistance and deviationFactor as they
 * are, the statistics cmath_statistics records (shift is not read). */
CI_ID_API int32_t cidut_clusterKMeans(const ClusterParams* params, const double* values,
                                      int32_t count, int32_t* labels, cmath_statistics* stats,
                                      int32_t statsCount, int32_t* clusterCount,
                                      int32_t* converged);

/* destination[y][x] = the rounded mean ((sum + area / 2) / area) of the boxWidth x boxHeight
 * source pixels whose top-left pixel is (x, y), for x <= width - boxWidth and
 * y <= height - boxHeight; the columns after the last such x repeat the row's last value, the
 * rows after the last such y repeat the last computed row. Strides are in bytes. Box sides
 * from 1 up to width and height are preconditions. CSYS_STATUS_OUT_OF_MEMORY when the column
 * sums cannot be had. */
CI_ID_API int32_t cid_spatialAverage(const uint8_t* source, int32_t width, int32_t height,
                                     intptr_t sourceStride, int32_t boxWidth, int32_t boxHeight,
                                     uint8_t* destination, intptr_t destinationStride);

CI_ID_EXTERN_C_END

#endif
