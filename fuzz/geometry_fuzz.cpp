// libFuzzer target for the fits, histogram statistics, ranges and fixed-point shapes: the first
// byte picks the entry, the rest becomes its numbers. Inputs keep within each entry's
// preconditions, so any assertion, sanitizer report or hang is a finding.
//
// Built and run as fuzz/README.md describes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ci_id/fixpt.h"
#include "ci_id/histostats.h"
#include "ci_id/linefit.h"
#include "ci_id/platform/cx_exception.h"
#include "ci_id/range.h"

#include "fuzz_input.h"

namespace {

using reader = cid_fuzz::input;

void fuzzFloatFits(reader& in) {
    int k = in.next<uint8_t>() % 3;
    cxVector<cx2Vect> pts;
    std::vector<cmath_vect> plain;
    while (in.left() >= 16 && plain.size() < 24) {
        double x = in.next<double>(), y = in.next<double>();
        plain.push_back(cmath_vect{x, y});
        pts.pushBack(cx2Vect(x, y));
    }
    cidut_line line{};
    cidut_lineFitting(&line, plain.data(), static_cast<int32_t>(plain.size()));
    ccCidLSLineFitter fitter(pts);
    double err = 0;
    if (fitter.fitAndError(&line, &err)) fitter.error(line);
    fitter.fit(line);
    cidut_linefit_params params{};
    cidut_linefit_params_set(&params, k, 1.0);
    cidut_linefit_result result;
    cidut_linefit_result_init(&result);
    cidut_line_fit(&params, &pts, &result);
}

void fuzzFixedFit(reader& in) {
    int32_t fracBits = in.next<uint8_t>() % 31;
    std::vector<cidut_fixedPoint> pts;
    // 24-bit coordinates keep the sums of squares of 64 points within 64 bits, and the foot
    // point, no farther from the origin than the centroid, within 32.
    while (in.left() >= 8 && pts.size() < 64) {
        pts.push_back(cidut_fixedPoint{in.next<int32_t>() >> 8, in.next<int32_t>() >> 8});
    }
    cidut_fixedLine line{};
    cidut_lineFitting_Fixed(nullptr, &line, pts.data(), static_cast<int32_t>(pts.size()), fracBits);
}

void fuzzHistogram(reader& in) {
    cxVector<uint32_t> counts;
    while (in.left() >= 4 && counts.size() < 4096) counts.pushBack(in.next<uint32_t>());
    cxHistoStats stats;
    stats.init(counts, counts.size() % 2 == 0);
    stats.mean();
    stats.sDev();
    for (int q = -1; q <= 101; ++q) stats.inverseCum(q);
    if (stats.isValid()) stats.mode();
    stats.repInvariant();
}

cxRange rangeFrom(reader& in) {
    uint8_t kind = in.next<uint8_t>() % 3;
    double a = in.next<double>(), b = in.next<double>();
    if (kind == 1) return cxRange::EmptyRange();
    if (kind == 2) return cxRange::FullRange();
    try {
        return cxRange(a, b);
    } catch (const cxException&) {
        return cxRange(b, a);
    }
}

void fuzzRanges(reader& in) {
    cxRange a = rangeFrom(in), b = rangeFrom(in);
    double v = in.next<double>();
    a.intersect(b).length();
    a.dilate(b).erode(b).isWithin(v);
    a.someOverlap(b, v);
    a.translate(v);
    try {
        a.scale(v);
        a.middle();
    } catch (const cxException&) {
    }
}

void fuzzFixedShapes(reader& in) {
    // Sixteenths within 600 pixels: every point then lies within 4096 pixels of every corner,
    // the containment test's precondition.
    auto coord = [&in] { return static_cast<int32_t>(in.next<int16_t>()) * 9600 / 32768; };
    cmath_shapeFixPtAffineRectPoints rect{
        {coord(), coord()}, {coord(), coord()}, {coord(), coord()}};
    cmath_vect32_4 p{coord(), coord()};
    int32_t out = 0;
    cmath_shapeFixPtAffineRectPoints_getIsWithin(&rect, &p, &out);
    cmath_shapeFixPtLineSeg seg{rect.Po, rect.Px};
    cmath_shapeFixPtLineSeg_distanceFrom(&seg, &p, &out);
    cmath_statisticsFixed stats;
    cmath_statisticsFixed_init(&stats, in.next<uint8_t>() % 34);
    while (in.left() >= 4) cmath_statisticsFixed_add(&stats, in.next<int32_t>());
    cmath_statisticsFixed_getStdDev(&stats, &out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    reader in(data + 1, size - 1);
    switch (data[0] % 5) {
        case 0:
            fuzzFloatFits(in);
            break;
        case 1:
            fuzzFixedFit(in);
            break;
        case 2:
            fuzzHistogram(in);
            break;
        case 3:
            fuzzRanges(in);
            break;
        default:
            fuzzFixedShapes(in);
            break;
    }
    return 0;
}
