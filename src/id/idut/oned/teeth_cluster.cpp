// k-means with one split, for the widths, strengths and phases of tooth candidates.
#include "ci_id/priv/ci_idut/oned/teeth_cluster.h"

#include <cstdlib>

namespace cidut {
namespace {

struct outlierTest {
    int32_t candidates = 0;  // clusters whose outliers form a group of their own
    int32_t cluster = -1;    // the last of them
};

// Counts the clusters whose members further than t from the mean have a mean further than t.
int32_t findSplit(const int32_t* values, const int32_t* labels, int32_t n,
                  const splitClusters& clusters, int64_t t, outlierTest* test) {
    for (int32_t c = 0; c < clusters.count; ++c) {
        int32_t mean = 0;
        const int32_t status = cmath_statisticsFixed_getMean(&clusters.stats[c], &mean);
        if (status < 0) return status;
        int64_t sum = 0;
        int64_t outliers = 0;
        for (int32_t i = 0; i < n; ++i) {
            if (labels[i] != c || std::llabs(int64_t{values[i]} - mean) <= t) continue;
            sum += values[i];
            ++outliers;
        }
        if (outliers > 0 && std::llabs(sum / outliers - mean) > t) {
            ++test->candidates;
            test->cluster = c;
        }
    }
    return 0;
}

// Clusters the members of cluster c again in two; the second part becomes a new cluster.
int32_t split(const ClusterParams& params, const int32_t* values, int32_t n, int32_t c,
              int32_t* labels, int32_t* scratch, splitClusters* out) {
    int32_t* members = scratch;
    int32_t* memberLabels = scratch + n;
    int32_t count = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (labels[i] == c) members[count++] = values[i];
    }
    ClusterParams two = params;
    two.extraClusters = 1;
    splitClusters parts;
    int32_t converged = 0;
    const int32_t status = cidut_clusterKMeans_fixed(&two, members, count, memberLabels,
                                                     parts.stats, 3, &parts.count, &converged);
    if (status < 0) return status;
    if (!converged || parts.count != 2 || out->count + 1 > kMaxToothClusters) {
        out->converged = false;
        return 0;
    }
    for (int32_t i = 0, m = 0; i < n; ++i) {
        if (labels[i] == c && memberLabels[m++] == 1) labels[i] = out->count;
    }
    out->stats[c] = parts.stats[0];
    out->stats[out->count++] = parts.stats[1];
    return 0;
}

}  // namespace

int32_t clusterWithOneSplit(const ClusterParams& params, const int32_t* values, int32_t n,
                            int32_t factor, const int32_t* marker, int32_t* labels,
                            int32_t* scratch, splitClusters* out) {
    int32_t* kept = scratch;
    int32_t* keptLabels = scratch + n;
    int32_t count = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (!marker || values[i] != *marker) kept[count++] = values[i];
    }
    int32_t converged = 0;
    int32_t status = cidut_clusterKMeans_fixed(&params, kept, count, keptLabels, out->stats,
                                               kMaxToothClusters, &out->count, &converged);
    if (status < 0) return status;
    for (int32_t i = 0, k = 0; i < n; ++i) {
        labels[i] = (!marker || values[i] != *marker) ? keptLabels[k++] : -1;
    }
    out->converged = converged != 0;
    if (!out->converged || out->count < 1) return 0;
    const int64_t t = static_cast<int64_t>(params.mergeDistance * 256 + 0.5) * factor;
    outlierTest test;
    status = findSplit(values, labels, n, *out, t, &test);
    if (status < 0 || test.candidates == 0) return status;
    if (test.candidates > 1) {
        out->converged = false;
        return 0;
    }
    return split(params, values, n, test.cluster, labels, scratch, out);
}

}  // namespace cidut
