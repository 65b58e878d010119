// k-means of tooth measurements with one split: a cluster that hides a distinct group among its
// outliers is cut in two.
#pragma once

#include <cstdint>

#include "ci_id/cluster.h"
#include "ci_id/fixpt.h"

namespace cidut {

constexpr int32_t kMaxToothClusters = 6;

struct splitClusters {
    cmath_statisticsFixed stats[kMaxToothClusters];
    int32_t count = 0;
    bool converged = false;
};

// Clusters values[0..n) with params (shift 8). Entries equal to *marker, when marker is given,
// are set aside with label -1; the others get their cluster's label. A cluster whose outliers
// (further than mergeDistance * 256 * factor from its mean) have a mean that far away too is
// clustered again in two; more than one such cluster, or a second clustering that does not give
// two, leaves the result not converged. scratch holds 2 n values.
int32_t clusterWithOneSplit(const ClusterParams& params, const int32_t* values, int32_t n,
                            int32_t factor, const int32_t* marker, int32_t* labels,
                            int32_t* scratch, splitClusters* out);

}  // namespace cidut
