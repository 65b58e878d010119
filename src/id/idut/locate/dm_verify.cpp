// Checks that an L fitted to a contour is a Data Matrix finder: both arms solid in the symbol's
// colour, the quiet zone beyond them in the other, and both far sides carrying the alternating
// timing pattern. An L cut out of text, noise, a barcode or a symbol's own data fails at least
// one of these.
#include <algorithm>
#include <cmath>
#include <optional>

#include "ci_id/platform/cx_vector.h"
#include "ci_id/priv/ci_idut/locate/dm_finder.h"
#include "ci_id/priv/ci_idut/locate/grey_sample.h"

namespace cidut {

namespace {

constexpr double kArmInk = 0.85;        // share of arm samples in the symbol's colour
constexpr double kQuietZone = 0.75;     // share of quiet-zone samples in the other colour
constexpr int kLeastTimingModules = 8;  // the narrowest symbol side
constexpr double kRegularRuns = 0.75;   // share of timing runs of a plausible length
constexpr double kModuleRatio = 1.6;    // modules of the two timing sides: squares, seen askew
constexpr double kLevelMatch = 0.4;     // share of the ink-to-quiet-zone contrast by which the
                                        // timing's light and dark modules may differ from them

struct side {
    cmath_vect from;
    cmath_vect to;
    cmath_vect inward;  // unit normal pointing into the symbol
};

struct run {
    int value;
    int length;
};

// The working arrays of one check, from the library allocator and reused by every reading. The
// first allocation that fails is kept in status; every reading after it comes back empty, which
// fails the check, and the check returns the status.
struct readings {
    cxVector<double> greys;
    cxVector<int> classes;  // ink (1), paper (0) or outside the window (-1) per grey level
    cxVector<run> runs;
    cxVector<int> lengths;
    int32_t status = 0;

    bool ok(int32_t result) {
        if (result < 0 && status >= 0) status = result;
        return status >= 0;
    }
};

// Grey levels along a side, offset by inset towards the inside, between fractions t0 and t1 of
// its length, about every half pixel; -1 outside the window.
void greysAlong(const cimg_windowConst& w, const side& s, double inset, double t0, double t1,
                readings* r) {
    double length = std::hypot(s.to.x - s.from.x, s.to.y - s.from.y);
    int count = std::max(8, static_cast<int>((t1 - t0) * length * 2));
    if (!r->ok(r->greys.resize(static_cast<size_t>(count), 0.0))) {
        r->greys.clear();
        return;
    }
    for (int k = 0; k < count; ++k) {
        double t = t0 + (t1 - t0) * (k + 0.5) / count;
        double x = s.from.x + t * (s.to.x - s.from.x) + inset * s.inward.x;
        double y = s.from.y + t * (s.to.y - s.from.y) + inset * s.inward.y;
        if (!greyAt(w, x, y, &r->greys[k])) r->greys[k] = -1;
    }
}

// The classes of the grey levels along a side, in r->classes (with the levels in r->greys).
const cxVector<int>& profile(const cimg_windowConst& w, const side& s, double inset, double t0,
                             double t1, double threshold, bool darkInk, readings* r) {
    greysAlong(w, s, inset, t0, t1, r);
    if (!r->ok(r->classes.resize(r->greys.size(), 0))) r->classes.clear();
    for (size_t k = 0; k < r->classes.size(); ++k) {
        const double g = r->greys[k];
        r->classes[k] = g < 0 ? -1 : ((g < threshold) == darkInk ? 1 : 0);
    }
    return r->classes;
}

// Mean grey level of the samples of one class (ink or paper); -1 when there are none.
double levelOf(const cimg_windowConst& w, const side& s, double inset, double t0, double t1,
               double threshold, bool darkInk, int value, readings* r) {
    const cxVector<int>& classes = profile(w, s, inset, t0, t1, threshold, darkInk, r);
    double sum = 0;
    int count = 0;
    for (size_t k = 0; k < classes.size(); ++k) {
        if (classes[k] != value) continue;
        sum += r->greys[k];
        ++count;
    }
    return count == 0 ? -1 : sum / count;
}

// Share of the samples inside the window that have value; empty when fewer than half of them lie
// inside the window (a symbol allowed to touch the window's edge has no quiet zone to see there).
std::optional<double> shareOf(const cxVector<int>& samples, int value) {
    int hits = 0, valid = 0;
    for (int s : samples) {
        if (s < 0) continue;
        ++valid;
        hits += s == value;
    }
    if (2 * valid < static_cast<int>(samples.size())) return std::nullopt;
    return static_cast<double>(hits) / valid;
}

// Runs of equal samples into r->runs; the profile starts at the first sample inside the window
// and ends at the next one outside it.
void runsOf(const cxVector<int>& samples, readings* r) {
    r->runs.clear();
    size_t k = 0;
    while (k < samples.size() && samples[k] < 0) ++k;
    for (; k < samples.size() && samples[k] >= 0; ++k) {
        if (r->runs.empty() || samples[k] != r->runs[r->runs.size() - 1].value) {
            if (!r->ok(r->runs.pushBack(run{samples[k], 0}))) {
                r->runs.clear();
                return;
            }
        }
        ++r->runs[r->runs.size() - 1].length;
    }
}

// Alternating modules of about equal length, starting with the symbol's colour at the arm's end:
// the inner runs (the end runs may be cut) must mostly lie within a factor of two of their median,
// and there must be enough of them. A leading sliver of the other colour is the corner's edge.
bool looksLikeTiming(int leastRuns, double* moduleSamples, readings* r) {
    const cxVector<run>& runs = r->runs;
    if (static_cast<int>(runs.size()) < leastRuns) return false;
    const size_t inner = runs.size() - 2;
    if (!r->ok(r->lengths.resize(inner, 0))) return false;
    for (size_t k = 0; k < inner; ++k) r->lengths[k] = runs[k + 1].length;
    int* middle = r->lengths.begin() + inner / 2;
    std::nth_element(r->lengths.begin(), middle, r->lengths.end());
    const double median = *middle;
    size_t first = 0;
    if (runs[0].value != 1 && runs[0].length < 0.5 * median) first = 1;
    if (runs[first].value != 1) return false;
    int regular = 0;
    for (size_t k = 1; k + 1 < runs.size(); ++k) {
        regular += runs[k].length >= 0.5 * median && runs[k].length <= 2.0 * median;
    }
    *moduleSamples = median;
    return regular >= kRegularRuns * inner;
}

cmath_vect unitNormalTowards(const cmath_vect& from, const cmath_vect& to,
                             const cmath_vect& inside) {
    double dx = to.x - from.x, dy = to.y - from.y;
    double length = std::hypot(dx, dy);
    cmath_vect n{-dy / length, dx / length};
    double towards = (inside.x - from.x) * n.x + (inside.y - from.y) * n.y;
    return towards < 0 ? cmath_vect{-n.x, -n.y} : n;
}

side sideOf(const cmath_vect& from, const cmath_vect& to, const cmath_vect& centre) {
    return side{from, to, unitNormalTowards(from, to, centre)};
}

// Reads a timing side at a few insets and keeps the most convincing; the module length in pixels
// when one convinces.
bool timingSide(const cimg_windowConst& w, const side& s, double threshold, bool darkInk,
                double* module, double* insetUsed, readings* r) {
    const double length = std::hypot(s.to.x - s.from.x, s.to.y - s.from.y);
    // The far corner is the least certain point under perspective: read from the arm's end
    // over three quarters of the side.
    const double covered = 0.75;
    for (double inset : {1.0, 1.5, 2.2, 3.2, 4.5}) {
        if (inset > length / (2 * kLeastTimingModules)) break;
        runsOf(profile(w, s, inset, 0.0, covered, threshold, darkInk, r), r);
        double moduleSamples = 0;
        int leastRuns = static_cast<int>(kLeastTimingModules * covered);
        if (!looksLikeTiming(leastRuns, &moduleSamples, r)) continue;
        double samplesPerPixel =
            std::max(8, static_cast<int>(covered * length * 2)) / (covered * length);
        double candidate = moduleSamples / samplesPerPixel;
        // The inset must land in the timing row, not beyond it.
        if (inset > 0.8 * candidate) continue;
        *module = candidate;
        *insetUsed = inset;
        return true;
    }
    return false;
}

bool checkFinder(const cimg_windowConst& window, const cmath_shapeAffineRect& rect,
                 double threshold, bool askew, finderReading* reading, readings* r) {
    double* modules = reading->modules;
    const cmath_vect centre{(rect.px.x + rect.py.x) / 2, (rect.px.y + rect.py.y) / 2};
    const side arms[2] = {sideOf(rect.po, rect.px, centre), sideOf(rect.po, rect.py, centre)};
    auto share = [&](const side& s, double inset, double t0, double t1, bool ink, int value) {
        return shareOf(profile(window, s, inset, t0, t1, threshold, ink, r), value);
    };
    // The symbol's colour is the arms' colour just inside them.
    double dark = 0;
    for (const side& arm : arms) dark += share(arm, 1.0, 0.1, 0.9, true, 1).value_or(0.0);
    const bool darkInk = dark >= 1.0;
    reading->darkInk = darkInk;
    // A first look a pixel either side of the arms rules out most shapes that are no symbol
    // before the far sides are searched for.
    for (const side& arm : arms) {
        if (share(arm, 1.0, 0.1, 0.9, darkInk, 1).value_or(0.0) < kArmInk ||
            share(arm, -1.0, 0.1, 0.9, darkInk, 0).value_or(1.0) < kQuietZone) {
            return false;
        }
    }
    reading->sides[0] = findFarSide(window, rect.po, rect.px, rect.py, darkInk, askew);
    reading->sides[1] = findFarSide(window, rect.po, rect.py, rect.px, darkInk, askew);
    side timing[2];
    double timingInset[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        const farSide& f = reading->sides[k];
        timing[k] = side{f.from,
                         {f.from.x + f.length * f.along.x, f.from.y + f.length * f.along.y},
                         {-f.outward.x, -f.outward.y}};
        if (!timingSide(window, timing[k], threshold, darkInk, &modules[k], &timingInset[k], r)) {
            return false;
        }
    }
    if (std::max(modules[0], modules[1]) > kModuleRatio * std::min(modules[0], modules[1])) {
        return false;
    }
    for (int k = 0; k < 2; ++k) {
        // Arm k is as thick as a module of the timing side that runs across it, timing[k].
        const double half = 0.5 * modules[k];
        if (share(arms[k], half, 0.1, 0.9, darkInk, 1).value_or(0.0) < kArmInk) return false;
        if (share(arms[k], -half, 0.1, 0.9, darkInk, 0).value_or(1.0) < kQuietZone) return false;
        // The timing sides have their quiet zone too; an L cut from the edge of a symbol's quiet
        // zone, read as a light symbol, has the symbol itself there.
        if (share(timing[k], -0.5 * modules[1 - k], 0.05, 0.75, darkInk, 0).value_or(1.0) <
            kQuietZone) {
            return false;
        }
    }
    // The timing modules are the symbol's two colours: an L cut from something else (the edge of
    // a quiet zone against a darker ground, read as a light symbol) shows other levels there.
    const double ink =
        levelOf(window, arms[0], 0.5 * modules[0], 0.1, 0.9, threshold, darkInk, 1, r);
    const double paper =
        levelOf(window, arms[0], -0.5 * modules[0], 0.1, 0.9, threshold, darkInk, 0, r);
    if (ink < 0 || paper < 0) return r->status >= 0;
    for (int k = 0; k < 2; ++k) {
        double light =
            levelOf(window, timing[k], timingInset[k], 0.0, 0.75, threshold, darkInk, 0, r);
        if (light >= 0 && std::fabs(light - paper) > kLevelMatch * std::fabs(ink - paper))
            return false;
    }
    return r->status >= 0;
}

}  // namespace

int32_t looksLikeDataMatrix(const cimg_windowConst& window, const cmath_shapeAffineRect& rect,
                            int32_t threshold, bool askew, finderReading* reading, bool* found) {
    readings r;
    *found = checkFinder(window, rect, threshold, askew, reading, &r);
    if (r.status < 0) *found = false;
    return r.status;
}

}  // namespace cidut
