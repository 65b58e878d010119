// Squared normalised correlation of two profiles over a range of shifts, and the best shift.
#include "ci_id/correlate.h"

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/priv/ci_idut/pixel/image.h"
#include "ci_id/status.h"

namespace {

using wide = __int128;

// Accumulators wide enough that no sum of n < 2^31 samples (or their products) overflows.
template <typename Sample>
struct sums;
template <>
struct sums<uint8_t> {
    using type = int64_t;  // below 2^31 * 2^16
    using product = uint32_t;
};
template <>
struct sums<uint32_t> {
    using type = unsigned __int128;  // below 2^31 * 2^64
    using product = uint64_t;
};

int32_t checkSizes(int32_t n, int32_t m, int32_t maxShift) {
    if (n < 1 || m < 1 || maxShift < 0 || m < n || maxShift >= n) return CID_STATUS_OUT_OF_RANGE;
    return 0;
}

int64_t scoreCount(int32_t n, int32_t m, int32_t maxShift) {
    return int64_t{m} - n + 2 * int64_t{maxShift} + 1;
}

// Running sums over one side's paired samples; the products are summed afresh for each shift.
template <typename Sample>
struct side {
    typename sums<Sample>::type sum = 0;
    typename sums<Sample>::type squares = 0;

    void add(Sample v) {
        sum += v;
        squares += static_cast<typename sums<Sample>::product>(v) * v;
    }
    void remove(Sample v) {
        sum -= v;
        squares -= static_cast<typename sums<Sample>::product>(v) * v;
    }
    // c * Sxx - Sx^2, exact.
    wide spread(int32_t pairs) const { return wide(pairs) * wide(squares) - wide(sum) * wide(sum); }
};

template <typename Sample>
double squaredCorrelation(int32_t pairs, wide products, const side<Sample>& a,
                          const side<Sample>& b) {
    const wide exactNum = wide(pairs) * products - wide(a.sum) * wide(b.sum);
    if (exactNum < 0) return 0.0;
    const double num = static_cast<double>(exactNum);
    const double den = static_cast<double>(b.spread(pairs)) * static_cast<double>(a.spread(pairs));
    if (den <= 0.0) return 0.0;
    const double num2 = num * num;
    return den <= num2 ? 1.0 : num2 / den;
}

template <typename Sample>
int32_t correlate(const Sample* a, int32_t n, const Sample* b, int32_t m, int32_t maxShift,
                  double* scores) {
    if (!a || !b || !scores) return CID_STATUS_NULL_ARGUMENT;
    int32_t status = checkSizes(n, m, maxShift);
    if (status < 0) return status;
    // Pairs of shift s: a[j], b[j + s] for first <= j < last.
    side<Sample> sa, sb;
    for (int32_t j = maxShift; j < n; ++j) sa.add(a[j]);
    for (int32_t j = 0; j < n - maxShift; ++j) sb.add(b[j]);
    const int32_t lastShift = m - n + maxShift;
    for (int32_t s = -maxShift;; ++s) {
        const int32_t first = s < 0 ? -s : 0;
        const int32_t last = m - s < n ? m - s : n;
        typename sums<Sample>::type products = 0;
        for (int32_t j = first; j < last; ++j) {
            products += static_cast<typename sums<Sample>::product>(a[j]) * b[j + s];
        }
        *scores++ = squaredCorrelation(last - first, wide(products), sa, sb);
        if (s == lastShift) break;
        // Move to shift s + 1: a gains a[-s - 1] on the left while s < 0 and loses a[m - s - 1]
        // on the right once b ends inside a; b loses b[s] and gains b[n + s].
        if (s < 0) sa.add(a[-s - 1]);
        if (m - s - 1 < n) sa.remove(a[m - s - 1]);
        if (s >= 0) sb.remove(b[s]);
        if (n + s < m) sb.add(b[n + s]);
    }
    return 0;
}

// Index of the first strictly largest positive score, or -1.
int64_t bestIndex(const double* scores, int64_t count) {
    int64_t best = -1;
    double bestScore = 0.0;
    for (int64_t k = 0; k < count; ++k) {
        if (scores[k] > bestScore) {
            bestScore = scores[k];
            best = k;
        }
    }
    return best;
}

// Offset of the parabola's vertex through the scores around an interior maximum.
double vertexOffset(double l, double v, double r) {
    const double curvature = 2.0 * v - l - r;
    if (l <= v && r < v && curvature > 0.0001) return (r - l) / (2.0 * curvature);
    return 0.0;
}

template <typename Sample>
int32_t runCorrelate(const Sample* a, int32_t n, const Sample* b, int32_t m, int32_t maxShift,
                     double* bestShift, double* bestScore) {
    CSTD_ASSERT(a && b && bestShift && bestScore);
    *bestShift = 0.0;
    *bestScore = 0.0;
    if (m < n) return 0;
    int32_t status = checkSizes(n, m, maxShift);
    if (status < 0) return status;
    const int64_t count = scoreCount(n, m, maxShift);
    csys::cleanupScope<1> scope;
    void* memory = nullptr;
    status =
        csys_memory_allocFastMem_internal(sizeof(double) * static_cast<size_t>(count), &memory);
    if (status < 0) return scope.close(status);
    scope.scratch<csys_memory_free_internal>(&memory);
    double* scores = static_cast<double*>(memory);
    status = correlate(a, n, b, m, maxShift, scores);
    if (status < 0) return scope.close(status);
    const int64_t k = bestIndex(scores, count);
    if (k < 0) return scope.close(0);
    double offset = 0.0;
    if (k > 0 && k < count - 1) offset = vertexOffset(scores[k - 1], scores[k], scores[k + 1]);
    *bestShift = static_cast<double>(k - maxShift) + offset;
    *bestScore = scores[k];
    return scope.close(0);
}

}  // namespace

extern "C" {

int32_t cf_correlate1D_U8(const uint8_t* a, int32_t n, const uint8_t* b, int32_t m,
                          int32_t maxShift, double* scores) {
    return correlate(a, n, b, m, maxShift, scores);
}

int32_t cf_correlate1D_U32(const uint32_t* a, int32_t n, const uint32_t* b, int32_t m,
                           int32_t maxShift, double* scores) {
    return correlate(a, n, b, m, maxShift, scores);
}

int32_t cf_RunCorrelate_U8(const uint8_t* a, int32_t n, const uint8_t* b, int32_t m,
                           int32_t maxShift, double* bestShift, double* bestScore) {
    return runCorrelate(a, n, b, m, maxShift, bestShift, bestScore);
}

int32_t cidut_RunCorrelate_UInt32(const uint32_t* a, int32_t n, const uint32_t* b, int32_t m,
                                  int32_t maxShift, double* bestShift, double* bestScore) {
    return runCorrelate(a, n, b, m, maxShift, bestShift, bestScore);
}

int32_t cidut_ip_correlate8(const cimg_imageConst* image1, const cimg_imageConst* image2,
                            double* bestShift, double* bestScore) {
    CSTD_ASSERT(image1 && image2 && bestShift && bestScore);
    cimg_windowConst first;
    cimg_windowConst second;
    int32_t status = cidut::window8(image1, &first);
    if (status >= 0) status = cidut::window8(image2, &second);
    if (status < 0) return status;
    if (first.height < 1 || second.height < 1) return CID_STATUS_OUT_OF_RANGE;
    return cf_RunCorrelate_U8(first.pixels, first.width, second.pixels, second.width, 0, bestShift,
                              bestScore);
}
}
