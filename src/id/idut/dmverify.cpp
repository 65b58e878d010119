// Checks that an L fitted to a contour is a Data Matrix finder: both arms solid in the symbol's
// colour, the quiet zone beyond them in the other, and both far sides carrying the alternating
// timing pattern. An L cut out of text, noise, a barcode or a symbol's own data fails at least
// one of these.
#include <algorithm>
#include <cmath>
#include <vector>

#include "ci_id/priv/ci_idut/dmfind.h"

namespace cidut {

namespace {

constexpr double kArmInk = 0.85;         // share of arm samples in the symbol's colour
constexpr double kQuietZone = 0.75;      // share of quiet-zone samples in the other colour
constexpr int kLeastTimingModules = 8;   // the narrowest symbol side
constexpr double kRegularRuns = 0.75;    // share of timing runs of a plausible length
constexpr double kModuleRatio = 1.6;     // modules of the two timing sides: squares, seen askew

struct side {
    cmath_vect from;
    cmath_vect to;
    cmath_vect inward;  // unit normal pointing into the symbol
};

// Bilinear grey level at an image point; false outside the window.
bool greyAt(const cimg_windowConst& w, double x, double y, double* value) {
    double u = x - w.xOffset - 0.5, v = y - w.yOffset - 0.5;
    if (!(u >= 0 && v >= 0 && u <= w.width - 1 && v <= w.height - 1)) return false;
    int i = std::min(static_cast<int>(u), w.width - 2 < 0 ? 0 : w.width - 2);
    int j = std::min(static_cast<int>(v), w.height - 2 < 0 ? 0 : w.height - 2);
    double fu = u - i, fv = v - j;
    auto p = [&](int a, int b) {
        int ca = std::min(a, w.width - 1), cb = std::min(b, w.height - 1);
        return static_cast<double>(w.pixels[cb * w.pitch + ca]);
    };
    double top = p(i, j) * (1 - fu) + p(i + 1, j) * fu;
    double bottom = p(i, j + 1) * (1 - fu) + p(i + 1, j + 1) * fu;
    *value = top * (1 - fv) + bottom * fv;
    return true;
}

// Ink (1), paper (0) or outside the window (-1) along a side, offset by inset towards the inside,
// between fractions t0 and t1 of its length, about every half pixel.
std::vector<int> profile(const cimg_windowConst& w, const side& s, double inset, double t0,
                         double t1, double threshold, bool darkInk) {
    double length = std::hypot(s.to.x - s.from.x, s.to.y - s.from.y);
    int count = std::max(8, static_cast<int>((t1 - t0) * length * 2));
    std::vector<int> out(count);
    for (int k = 0; k < count; ++k) {
        double t = t0 + (t1 - t0) * (k + 0.5) / count;
        double x = s.from.x + t * (s.to.x - s.from.x) + inset * s.inward.x;
        double y = s.from.y + t * (s.to.y - s.from.y) + inset * s.inward.y;
        double grey = 0;
        out[k] = greyAt(w, x, y, &grey) ? ((grey < threshold) == darkInk ? 1 : 0) : -1;
    }
    return out;
}

double shareOf(const std::vector<int>& samples, int value) {
    int hits = 0, valid = 0;
    for (int s : samples) {
        if (s < 0) continue;
        ++valid;
        hits += s == value;
    }
    return valid == 0 ? 0.0 : static_cast<double>(hits) / valid;
}

struct run {
    int value;
    int length;
};

// Runs of equal samples (a sample outside the window ends the profile).
std::vector<run> runsOf(const std::vector<int>& samples) {
    std::vector<run> runs;
    for (size_t k = 0; k < samples.size() && samples[k] >= 0; ++k) {
        if (runs.empty() || samples[k] != runs.back().value) runs.push_back(run{samples[k], 0});
        ++runs.back().length;
    }
    return runs;
}

// Alternating modules of about equal length, starting with the symbol's colour at the arm's end:
// the inner runs (the end runs may be cut) must mostly lie within a factor of two of their median,
// and there must be enough of them. A leading sliver of the other colour is the corner's edge.
bool looksLikeTiming(std::vector<run> runs, int leastRuns, double* moduleSamples) {
    if (static_cast<int>(runs.size()) < leastRuns) return false;
    std::vector<int> inner;
    for (size_t k = 1; k + 1 < runs.size(); ++k) inner.push_back(runs[k].length);
    std::vector<int> sorted = inner;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    if (runs[0].value != 1 && runs[0].length < 0.5 * median) runs.erase(runs.begin());
    if (runs[0].value != 1) return false;
    int regular = 0;
    for (int r : inner) regular += r >= 0.5 * median && r <= 2.0 * median;
    *moduleSamples = median;
    return regular >= kRegularRuns * inner.size();
}

cmath_vect unitNormalTowards(const cmath_vect& from, const cmath_vect& to, const cmath_vect& inside) {
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
                double* module) {
    const double length = std::hypot(s.to.x - s.from.x, s.to.y - s.from.y);
    // The far corner is the least certain point under perspective: read from the arm's end
    // over three quarters of the side.
    const double covered = 0.75;
    for (double inset : {1.0, 1.5, 2.2, 3.2, 4.5}) {
        if (inset > length / (2 * kLeastTimingModules)) break;
        std::vector<run> runs = runsOf(profile(w, s, inset, 0.0, covered, threshold, darkInk));
        double moduleSamples = 0;
        int leastRuns = static_cast<int>(kLeastTimingModules * covered);
        if (!looksLikeTiming(runs, leastRuns, &moduleSamples)) continue;
        double samplesPerPixel = std::max(8, static_cast<int>(covered * length * 2)) / (covered * length);
        double candidate = moduleSamples / samplesPerPixel;
        // The inset must land in the timing row, not beyond it.
        if (inset > 0.8 * candidate) continue;
        *module = candidate;
        return true;
    }
    return false;
}

}  // namespace

bool looksLikeDataMatrix(const cimg_windowConst& window, const cmath_shapeAffineRect& rect,
                         const cmath_vect& farCorner, int32_t threshold) {
    const cmath_vect centre{(rect.po.x + rect.px.x + rect.py.x + farCorner.x) / 4,
                            (rect.po.y + rect.px.y + rect.py.y + farCorner.y) / 4};
    const side arms[2] = {sideOf(rect.po, rect.px, centre), sideOf(rect.po, rect.py, centre)};
    const side timing[2] = {sideOf(rect.px, farCorner, centre), sideOf(rect.py, farCorner, centre)};
    // The symbol's colour is the arms' colour just inside them.
    double dark = 0;
    for (const side& arm : arms) {
        dark += shareOf(profile(window, arm, 1.0, 0.1, 0.9, threshold, true), 1);
    }
    const bool darkInk = dark >= 1.0;
    double modules[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        if (!timingSide(window, timing[k], threshold, darkInk, &modules[k])) return false;
    }
    if (std::max(modules[0], modules[1]) > kModuleRatio * std::min(modules[0], modules[1])) {
        return false;
    }
    for (int k = 0; k < 2; ++k) {
        // Arm k is as thick as a module of the timing side that runs across it, timing[k].
        const double half = 0.5 * modules[k];
        if (shareOf(profile(window, arms[k], half, 0.1, 0.9, threshold, darkInk), 1) < kArmInk) {
            return false;
        }
        std::vector<int> quiet = profile(window, arms[k], -half, 0.1, 0.9, threshold, darkInk);
        if (shareOf(quiet, 0) < kQuietZone) return false;
    }
    return true;
}

}  // namespace cidut
