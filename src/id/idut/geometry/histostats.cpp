// Histogram statistics, each computed once and cached until the next init.
#include <cmath>

#include "ci_id/histostats.h"
#include "ci_id/platform/csys_assert.h"

namespace {

constexpr int kPercentiles = 101;

int clampPercent(int percent) { return percent < 0 ? 0 : (percent > 100 ? 100 : percent); }

// floor(q percent of n), exactly and without overflow.
uint64_t percentOf(uint64_t n, int q) {
    uint64_t uq = static_cast<uint64_t>(q);
    return uq * (n / 100) + uq * (n % 100) / 100;
}

}  // namespace

cxHistoStats::cxHistoStats()
    : momentsValid(false),
      inverseCumValid(false),
      modeValid(false),
      numSamples(0),
      modeBin(0),
      meanValue(0.0),
      sDevValue(0.0),
      varValue(0.0),
      inverseCumTable{} {}

cxHistoStats::~cxHistoStats() = default;

int32_t cxHistoStats::init(cxVector<uint32_t>& hist, bool take) {
    momentsValid = inverseCumValid = modeValid = false;
    numSamples = 0;
    modeBin = 0;
    meanValue = sDevValue = varValue = 0.0;
    for (int32_t& entry : inverseCumTable) entry = 0;
    int32_t status = 0;
    if (take) {
        histogram_.swap(hist);
    } else {
        status = histogram_.assign(hist);
        if (status < 0) histogram_.clear();
    }
    for (uint32_t count : histogram_) numSamples += count;
    return status;
}

void cxHistoStats::computeMoments() const {
    meanValue = varValue = sDevValue = 0.0;
    if (numSamples > 0) {
        // The weighted sum is exact in double up to 2^53, far beyond 32-bit arithmetic.
        double weighted = 0.0;
        for (size_t i = 0; i < histogram_.size(); ++i) {
            weighted += static_cast<double>(i) * histogram_[i];
        }
        meanValue = weighted / static_cast<double>(numSamples);
    }
    if (numSamples > 1) {
        double squares = 0.0;
        for (size_t i = 0; i < histogram_.size(); ++i) {
            if (histogram_[i] == 0) continue;
            double deviation = static_cast<double>(i) - meanValue;
            squares += deviation * deviation * histogram_[i];
        }
        varValue = squares / static_cast<double>(numSamples - 1);
        sDevValue = std::sqrt(varValue);
    }
    momentsValid = true;
}

double cxHistoStats::mean() const {
    if (!momentsValid) computeMoments();
    return meanValue;
}

double cxHistoStats::var() const {
    if (!momentsValid) computeMoments();
    return varValue;
}

double cxHistoStats::sDev() const {
    if (!momentsValid) computeMoments();
    return sDevValue;
}

int32_t cxHistoStats::computeInverseCum(int percent) const {
    // Entry q is the first bin whose cumulative count exceeds q percent of the samples, compared
    // in integers so that a share of exactly q percent never counts as exceeding it.
    if (numSamples > 0) {
        uint64_t cumulative = 0;
        int next = 0;
        for (size_t i = 0; i < histogram_.size(); ++i) {
            if (histogram_[i] == 0) continue;
            int32_t bin = static_cast<int32_t>(i);
            inverseCumTable[100] = bin;
            cumulative += histogram_[i];
            while (next < 100 && cumulative > percentOf(numSamples, next)) {
                inverseCumTable[next++] = bin;
            }
        }
    }
    inverseCumValid = true;
    return inverseCumTable[percent];
}

int32_t cxHistoStats::inverseCum(int percent) const {
    percent = clampPercent(percent);
    return inverseCumValid ? inverseCumTable[percent] : computeInverseCum(percent);
}

int32_t cxHistoStats::median() const { return inverseCum(50); }
int32_t cxHistoStats::histMin() const { return inverseCum(0); }
int32_t cxHistoStats::histMax() const { return inverseCum(100); }
int32_t cxHistoStats::min() const { return inverseCum(0); }
int32_t cxHistoStats::max() const { return inverseCum(100); }

int32_t cxHistoStats::mode() const {
    CSTD_ASSERT(isValid());
    if (!modeValid) {
        // Bins past the last non-empty one cannot win, so the table's last bin ends the scan.
        size_t last =
            inverseCumValid ? static_cast<size_t>(inverseCumTable[100]) : histogram_.size() - 1;
        size_t best = 0;
        for (size_t i = 1; i <= last; ++i) {
            if (histogram_[i] > histogram_[best]) best = i;
        }
        modeBin = static_cast<int32_t>(best);
        modeValid = true;
    }
    return modeBin;
}

uint64_t cxHistoStats::nSamp() const { return numSamples; }

const cxVector<uint32_t>& cxHistoStats::histogram() const { return histogram_; }

bool cxHistoStats::isValid() const { return !histogram_.empty(); }

void cxHistoStats::repInvariant() const {
    uint64_t total = 0;
    for (uint32_t count : histogram_) total += count;
    CSTD_ASSERT(total == numSamples);
    if (inverseCumValid) {
        for (int q = 1; q < kPercentiles; ++q) {
            CSTD_ASSERT(inverseCumTable[q - 1] <= inverseCumTable[q]);
        }
    }
    CSTD_ASSERT(!modeValid || static_cast<size_t>(modeBin) < histogram_.size());
}
