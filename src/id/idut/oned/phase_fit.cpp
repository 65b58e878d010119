// Run-segmented regression of phases against grid indices under two origin hypotheses.
#include "ci_id/priv/ci_idut/oned/phase_fit.h"

namespace cidut {

void phaseStats::add(phasePair p, int sign) {
    n += sign;
    sk += sign * wideInt{p.k};
    sf += sign * p.f;
    skk += sign * wideInt{p.k} * p.k;
    sff += sign * wideInt{p.f} * p.f;
    skf += sign * wideInt{p.k} * p.f;
}

phaseLine fitLine(const phaseStats& s) {
    const wideInt den = s.n * s.skk - s.sk * s.sk;
    if (s.n < 2 || den == 0) return phaseLine{INT32_MAX, INT32_MAX};
    return phaseLine{(s.skk * s.sf - s.sk * s.skf) / den, (s.n * s.skf - s.sk * s.sf) / den};
}

wideInt residualOf(const phaseStats& s, const phaseLine& line) {
    if (!line.defined()) return INT32_MAX;
    const wideInt a = line.a;
    const wideInt b = line.b;
    return s.sff - 2 * a * s.sf - 2 * b * s.skf + s.n * a * a + 2 * a * b * s.sk + b * b * s.skk;
}

namespace {

phasePair pairAt(int64_t x, int64_t origin, int32_t pitch) {
    const int64_t d = x > origin ? x - origin : origin - x;
    const int64_t k = d / pitch;
    return phasePair{k, static_cast<int32_t>((256 * d) / pitch - 256 * k)};
}

// Consecutive positions [from, to) whose grid indices start at base.
struct run {
    int32_t from;
    int32_t to;
    int64_t base;
};

// Collects the chosen hypothesis of each run, shifted onto the common means.
class runMerger {
public:
    runMerger(const phaseSearch& search, phasePair* pairs)
        : s_(search),
          pairs_(pairs),
          originA_(search.positions[0]),
          originB_(search.positions[0] - search.halfOffset) {}

    void close(const run& r) {
        if (r.from >= r.to) return;
        const int64_t extent = pairAt(s_.positions[r.to - 1], originA_, s_.pitch).k - r.base;
        // A run on a single index says nothing about the slope.
        if (extent <= 0) return;
        phaseStats a;
        phaseStats b;
        for (int32_t i = r.from; i < r.to; ++i) {
            a.add(pairAt(s_.positions[i], originA_, s_.pitch));
            b.add(pairAt(s_.positions[i], originB_, s_.pitch));
        }
        const bool useB = prefersSecond(a, b);
        const int64_t origin = useB ? originB_ : originA_;
        const phaseStats& chosen = useB ? b : a;
        int64_t dk = 0;
        int32_t df = 0;
        if (merged.n == 0) {
            fitOrigin = origin;
        } else {
            dk = static_cast<int64_t>(chosen.sk / chosen.n - merged.sk / merged.n);
            df = static_cast<int32_t>(chosen.sf / chosen.n - merged.sf / merged.n);
        }
        for (int32_t i = r.from; i < r.to; ++i) {
            const phasePair p = pairAt(s_.positions[i], origin, s_.pitch);
            pairs_[count] = phasePair{p.k - dk, p.f - df};
            merged.add(pairs_[count++]);
        }
        merged.span += extent;
    }

    phaseStats merged;
    int64_t fitOrigin = 0;
    int32_t count = 0;

private:
    // The hypothesis with the smaller residual; on equal residuals the flatter one, A on a tie.
    static bool prefersSecond(const phaseStats& a, const phaseStats& b) {
        const phaseLine lineA = fitLine(a);
        const phaseLine lineB = fitLine(b);
        const wideInt ra = residualOf(a, lineA);
        const wideInt rb = residualOf(b, lineB);
        if (ra != rb) return rb < ra;
        return magnitude(lineB.b) < magnitude(lineA.b);
    }

    const phaseSearch& s_;
    phasePair* pairs_;
    int64_t originA_;
    int64_t originB_;
};

}  // namespace

bool fitPhases(const phaseSearch& search, phasePair* pairs, phaseFit* fit) {
    runMerger merger(search, pairs);
    const int64_t x0 = search.positions[0];
    // The first position is the origin, not a data point.
    run current{1, 1, 0};
    for (int32_t i = 1; i < search.n; ++i) {
        const int64_t d =
            search.positions[i] > x0 ? search.positions[i] - x0 : x0 - search.positions[i];
        // A run ends once its indices pass base + K, half a phase step early.
        if (256 * (current.base + search.runLength) < (256 * d) / search.pitch - 128) {
            current.to = i;
            merger.close(current);
            current = run{i, i, d / search.pitch};
        }
    }
    current.to = search.n;
    merger.close(current);
    if (merger.merged.n < 2) return false;
    const phaseLine first = fitLine(merger.merged);
    if (!first.defined()) return false;
    phaseStats kept = merger.merged;
    for (int32_t i = 0; i < merger.count; ++i) {
        if (magnitude(first.offsetOf(pairs[i])) > search.threshold) kept.add(pairs[i], -1);
    }
    const phaseLine line = fitLine(kept);
    if (!line.defined()) return false;
    *fit = phaseFit{line, kept, merger.fitOrigin, merger.count};
    return true;
}

}  // namespace cidut
