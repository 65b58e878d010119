// Robust line fit: least squares on every subset that leaves out a fixed number of points.
#include <cmath>
#include <cstring>

#include "ci_id/linefit.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/platform/cx_exception.h"
#include "ci_id/platform/cx_timer.h"
#include "ci_id/status.h"

namespace {

// A set of k left-out indices, kept in strictly decreasing order (left[0] largest).
using indexSet = cxVector<uint32_t>;

// Calls f(i) for the indices 0 .. n - 1 not in left.
template <typename Visit>
void forKeptPoints(size_t n, const indexSet& left, Visit f) {
    size_t next = left.size();  // left[next - 1] is the smallest index not yet passed
    for (size_t i = 0; i < n; ++i) {
        if (next > 0 && left[next - 1] == i) {
            --next;
            continue;
        }
        f(i);
    }
}

double rmsDistance(const cidut_line& line, const cxVector<cx2Vect>& pts, const indexSet& left) {
    size_t kept = pts.size() - left.size();
    CSTD_ASSERT(kept > 0);
    double sum = 0.0;
    forKeptPoints(pts.size(), left, [&](size_t i) {
        cmath_vect p = pts[i].vect();
        double dist = 0.0;
        int32_t status = cidut_line_getDistToPoint(&line, &p, &dist);
        if (status < 0) throw cxException(status, L"src/id/idut/linefit", __FILE__, __LINE__);
        sum += dist * dist;
    });
    return std::sqrt(sum / static_cast<double>(kept));
}

// Steps to the next index set, the largest index varying fastest: false after the last one.
bool nextIndexSet(indexSet& left, size_t n) {
    size_t k = left.size();
    for (size_t j = 0; j < k; ++j) {
        ++left[j];
        if (left[j] < n - j) {
            for (size_t t = j; t > 0; --t) left[t - 1] = left[t] + 1;
            return true;
        }
    }
    return false;
}

struct bestFit {
    cidut_line line{};
    double rms = HUGE_VAL;
    indexSet left;
};

// Tries every set of k left-out points; best.rms stays HUGE_VAL when no candidate fits.
int32_t searchOutliers(const cxVector<cx2Vect>& pts, size_t k, bestFit* best) {
    indexSet left;
    int32_t status = left.resize(k, 0);
    if (status < 0) return status;
    for (size_t j = 0; j < k; ++j) left[j] = static_cast<uint32_t>(k - 1 - j);
    do {
        status = csys_attention_check();
        if (status < 0) return status;
        ccCidLSLineFitter fitter;
        forKeptPoints(pts.size(), left, [&](size_t i) { fitter.update(pts[i]); });
        cidut_line line;
        if (!fitter.fit(line)) continue;
        double rms = rmsDistance(line, pts, left);
        if (rms < best->rms) {
            status = best->left.assign(left);
            if (status < 0) return status;
            best->rms = rms;
            best->line = line;
        }
    } while (nextIndexSet(left, pts.size()));
    return 0;
}

int32_t fitAll(const cxVector<cx2Vect>& pts, bestFit* best) {
    ccCidLSLineFitter fitter(pts);
    if (!fitter.fit(best->line)) return CID_STATUS_ROBUST_FIT_FAILED;
    best->rms = rmsDistance(best->line, pts, best->left);
    return 0;
}

int32_t robustFit(const cidut_linefit_params& params, const cxVector<cx2Vect>& pts,
                  cidut_linefit_result* result) {
    cxTimer timer(false, false);
    timer.start();
    int32_t status = cidut_linefit_result_init(result);
    if (status < 0) return status;
    size_t k = static_cast<size_t>(params.numOutliers);
    bestFit best;
    status = k > 0 ? searchOutliers(pts, k, &best) : fitAll(pts, &best);
    if (status < 0) return status;
    if (best.rms == HUGE_VAL) return CID_STATUS_ROBUST_FIT_FAILED;
    status = result->outliers.assign(best.left);
    if (status < 0) return status;
    timer.stop();
    result->elapsedMs = timer.msec();
    result->params = params;
    result->rmsError = best.rms;
    result->isGood = best.rms < params.maxRmsError ? 1 : 0;
    result->line = best.line;
    return 0;
}

}  // namespace

extern "C" {

int32_t cidut_linefit_result_init(cidut_linefit_result* result) {
    CSTD_ASSERT(result);
    result->isGood = 0;
    result->rmsError = 0.0;
    result->outliers.clear();
    result->elapsedMs = 0.0;
    std::memset(&result->line, 0, sizeof result->line);
    std::memset(&result->params, 0, sizeof result->params);
    return 0;
}

int32_t cidut_line_fit(const cidut_linefit_params* params, const cxVector<cx2Vect>* pts,
                       cidut_linefit_result* result) {
    CSTD_ASSERT(params && pts && result);
    CSTD_ASSERT(params->numOutliers >= 0 && pts->size() <= UINT32_MAX);
    if (static_cast<size_t>(params->numOutliers) + 2 > pts->size()) {
        return CID_STATUS_ROBUST_FIT_FAILED;
    }
    try {
        return robustFit(*params, *pts, result);
    } catch (const cxException& e) {
        // Nothing may leave a C entry point by exception.
        return e.code();
    }
}
}
