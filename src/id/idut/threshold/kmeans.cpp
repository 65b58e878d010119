// One-dimensional k-means over running statistics, in fixed point and in double precision: one
// algorithm, two kinds of statistics records.
#include <algorithm>
#include <cmath>
#include <utility>

#include "ci_id/cluster.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/status.h"

namespace {

constexpr int32_t kMaxRounds = 20;

struct fixedStats {
    using value = int32_t;
    using record = cmath_statisticsFixed;
    static int32_t init(record* s, int32_t shift) { return cmath_statisticsFixed_init(s, shift); }
    static int32_t clear(record* s) { return cmath_statisticsFixed_clear(s); }
    static int32_t add(record* s, value v) { return cmath_statisticsFixed_add(s, v); }
    static int64_t count(const record& s) { return s.count; }
    static int32_t mean(const record& s, int64_t* m) {
        int32_t v = 0;
        const int32_t status = cmath_statisticsFixed_getMean(&s, &v);
        *m = v;
        return status;
    }
    static int32_t spread(const record& s, int64_t* d) {
        int32_t v = 0;
        const int32_t status = cmath_statisticsFixed_getStdDev(&s, &v);
        *d = v;
        return status;
    }
    static int64_t distance(value v, int64_t m) { return v > m ? v - m : m - v; }
    // trunc(x 2^shift + 0.5), held where products with a deviation stay in 64 bits.
    static int64_t threshold(double x, int32_t shift) {
        const double scaled = std::floor(std::ldexp(x, shift) + 0.5);
        return scaled >= 0x1p40 ? int64_t{1} << 40 : static_cast<int64_t>(scaled);
    }
};

struct doubleStats {
    using value = double;
    using record = cmath_statistics;
    static int32_t init(record* s, int32_t) { return cmath_statistics_init(s); }
    static int32_t clear(record* s) { return cmath_statistics_init(s); }
    static int32_t add(record* s, value v) { return cmath_statistics_add(s, v); }
    static int64_t count(const record& s) { return s.count; }
    static int32_t mean(const record& s, double* m) { return cmath_statistics_getMean(&s, m); }
    static int32_t spread(const record& s, double* d) { return cmath_statistics_getStdDev(&s, d); }
    static double distance(value v, double m) { return std::fabs(v - m); }
    static double threshold(double x, int32_t) { return x; }
};

template <typename T>
struct kmeansRun {
    using value = typename T::value;
    using record = typename T::record;
    using measure = decltype(T::threshold(0.0, 0));

    const value* values;
    int32_t count;
    int32_t* labels;
    record* stats;
    int32_t k;

    int32_t gather() {
        for (int32_t c = 0; c < k; ++c) T::clear(&stats[c]);
        for (int32_t i = 0; i < count; ++i) {
            const int32_t status = T::add(&stats[labels[i]], values[i]);
            if (status < 0) return status;
        }
        return 0;
    }

    // Every value to the non-empty cluster of nearest mean (the first on ties).
    int32_t assign(bool* changed) {
        *changed = false;
        for (int32_t i = 0; i < count; ++i) {
            int32_t best = labels[i];
            measure bestDistance{};
            bool found = false;
            for (int32_t c = 0; c < k; ++c) {
                if (T::count(stats[c]) == 0) continue;
                measure m{};
                const int32_t status = T::mean(stats[c], &m);
                if (status < 0) return status;
                const measure d = T::distance(values[i], m);
                if (!found || d < bestDistance) {
                    found = true;
                    best = c;
                    bestDistance = d;
                }
            }
            *changed = *changed || best != labels[i];
            labels[i] = best;
        }
        return 0;
    }

    int32_t mergeInto(int32_t into, int32_t from) {
        for (int32_t i = 0; i < count; ++i) {
            if (labels[i] != from) continue;
            labels[i] = into;
            const int32_t status = T::add(&stats[into], values[i]);
            if (status < 0) return status;
        }
        return T::clear(&stats[from]);
    }

    int32_t closeEnough(int32_t i, int32_t j, measure factor, measure distance, bool* close) {
        measure mi{}, mj{}, si{}, sj{};
        int32_t status = T::mean(stats[i], &mi);
        if (status >= 0) status = T::mean(stats[j], &mj);
        if (status >= 0) status = T::spread(stats[i], &si);
        if (status >= 0) status = T::spread(stats[j], &sj);
        if (status < 0) return status;
        const measure d = mj > mi ? mj - mi : mi - mj;
        *close =
            (factor >= 0 && d <= factor * std::max(si, sj)) || (distance >= 0 && d <= distance);
        return 0;
    }

    int32_t merge(const ClusterParams& p) {
        const measure factor =
            p.deviationFactor < 0 ? -1 : T::threshold(p.deviationFactor, p.shift);
        const measure distance = p.mergeDistance < 0 ? -1 : T::threshold(p.mergeDistance, p.shift);
        for (int32_t i = 0; i + 1 < k; ++i) {
            for (int32_t j = i + 1; j < k && T::count(stats[i]) > 0; ++j) {
                if (T::count(stats[j]) == 0) continue;
                bool close = false;
                int32_t status = closeEnough(i, j, factor, distance, &close);
                if (status >= 0 && close) status = mergeInto(i, j);
                if (status < 0) return status;
            }
        }
        return 0;
    }

    // Largest first; the lower index keeps its place on ties.
    void orderBySize() {
        for (int32_t p = 0; p < k; ++p) {
            int64_t best = 0;
            int32_t chosen = -1;
            for (int32_t c = p; c < k; ++c) {
                if (T::count(stats[c]) > best) {
                    best = T::count(stats[c]);
                    chosen = c;
                }
            }
            if (chosen < 0) return;
            if (chosen == p) continue;
            std::swap(stats[p], stats[chosen]);
            for (int32_t i = 0; i < count; ++i) {
                if (labels[i] == p || labels[i] == chosen) labels[i] = p + chosen - labels[i];
            }
        }
    }
};

template <typename T>
int32_t clusterKMeans(const ClusterParams* params, const typename T::value* values, int32_t count,
                      int32_t* labels, typename T::record* stats, int32_t statsCount,
                      int32_t* clusterCount, int32_t* converged) {
    CSTD_ASSERT(params && clusterCount && converged);
    *clusterCount = 0;
    *converged = 0;
    const int32_t k =
        static_cast<int32_t>(std::min<int64_t>(count, int64_t{params->extraClusters} + 2));
    if (k <= 0) return 0;
    CSTD_ASSERT(values && labels && stats);
    if (statsCount < k) return CID_STATUS_OUT_OF_RANGE;
    for (int32_t c = 0; c < statsCount; ++c) {
        const int32_t status = T::init(&stats[c], params->shift);
        if (status < 0) return status;
    }
    const int32_t per = count / k;
    for (int32_t i = 0; i < count; ++i) labels[i] = i < per * k ? i / per : k - 1;
    kmeansRun<T> run{values, count, labels, stats, k};
    int32_t rounds = 0;
    for (bool changed = true; changed && rounds < kMaxRounds; ++rounds) {
        int32_t status = run.gather();
        if (status >= 0) status = run.assign(&changed);
        if (status < 0) return status;
    }
    *converged = rounds < kMaxRounds ? 1 : 0;
    if (params->deviationFactor >= 0 || params->mergeDistance >= 0) {
        const int32_t status = run.merge(*params);
        if (status < 0) return status;
    }
    for (int32_t c = 0; c < k; ++c) *clusterCount += T::count(stats[c]) > 0 ? 1 : 0;
    run.orderBySize();
    return 0;
}

}  // namespace

extern "C" {

int32_t cidut_clusterKMeans_fixed(const ClusterParams* params, const int32_t* values, int32_t count,
                                  int32_t* labels, cmath_statisticsFixed* stats, int32_t statsCount,
                                  int32_t* clusterCount, int32_t* converged) {
    return clusterKMeans<fixedStats>(params, values, count, labels, stats, statsCount, clusterCount,
                                     converged);
}

int32_t cidut_clusterKMeans(const ClusterParams* params, const double* values, int32_t count,
                            int32_t* labels, cmath_statistics* stats, int32_t statsCount,
                            int32_t* clusterCount, int32_t* converged) {
    return clusterKMeans<doubleStats>(params, values, count, labels, stats, statsCount,
                                      clusterCount, converged);
}
}
