/* Statistics of an integer histogram, bin i counting the samples of value i: sample count, mean,
 * sample variance, standard deviation, mode and the percentiles 0..100. Each is computed on first
 * use and kept until the next init; the const queries fill these caches, so one object must not
 * be queried from several threads at once. */
#ifndef CI_ID_HISTOSTATS_H
#define CI_ID_HISTOSTATS_H

#ifdef __cplusplus
#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cx_vector.h"

class CI_ID_API cxHistoStats {
public:
    /* An empty histogram (no bins). */
    cxHistoStats();
    ~cxHistoStats();
    cxHistoStats(const cxHistoStats&) = delete;
    cxHistoStats& operator=(const cxHistoStats&) = delete;

    /* Takes the counts of hist: with take, by exchanging contents (hist receives the previous
     * counts, no copy); otherwise by copying (a failed copy returns its status and leaves no
     * bins). Clears every cached value. */
    int32_t init(cxVector<uint32_t>& hist, bool take);

    /* Mean, sample variance (divided by nSamp() - 1; 0 below two samples) and its square root;
     * all 0 without samples. */
    double mean() const;
    double var() const;
    double sDev() const;
    /* The first bin with the largest count. Precondition: isValid(). */
    int32_t mode() const;
    /* inverseCum(p), p clamped to 0..100: the first bin at which the cumulative count exceeds p
     * percent of the samples; 0 gives the first and 100 the last non-empty bin. All 0 without
     * samples. */
    int32_t inverseCum(int percent) const;
    int32_t median() const;
    int32_t histMin() const;
    int32_t histMax() const;
    int32_t min() const;
    int32_t max() const;
    /* The sample count. Mend: counted in 64 bits, so that a histogram of more than 2^32 - 1
     * samples keeps its true count instead of wrapping. */
    uint64_t nSamp() const;
    const cxVector<uint32_t>& histogram() const;
    /* True when the histogram has at least one bin. */
    bool isValid() const;
    /* Asserts that the sample count and the cached values agree with the counts. */
    void repInvariant() const;

private:
    int32_t computeInverseCum(int percent) const;
    void computeMoments() const;

    cxVector<uint32_t> histogram_;
    mutable bool momentsValid;
    mutable bool inverseCumValid;
    mutable bool modeValid;
    uint64_t numSamples;
    mutable int32_t modeBin;
    mutable double meanValue;
    mutable double sDevValue;
    mutable double varValue;
    mutable int32_t inverseCumTable[101];
};
#endif

#endif
