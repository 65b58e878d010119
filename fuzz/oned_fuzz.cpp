// libFuzzer target for one-dimensional symbols: the first byte picks the entry, the rest becomes
// a window and line for the samplers, a profile for the edge locators, positions for the pitch
// and grid, or an edge list, parameters, rectangle and mapping for the teeth. Inputs keep within
// each entry's preconditions (coordinates within 65536 pixels, non-null outputs), so any assertion,
// sanitizer report or hang is a finding; out-of-range counts, lines off the window and bad
// parameters must come back as statuses.
//
// Built and run as fuzz/README.md describes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ci_id/oned.h"
#include "ci_id/pitch.h"
#include "ci_id/teeth.h"

#include "fuzz_input.h"

namespace {

using reader = cid_fuzz::input;

// A window exactly as large as its pixels, so that any read outside it leaves the buffer.
struct window {
    std::vector<uint8_t> pixels;
    cimg_windowConst record{};
    explicit window(reader& in) {
        const int32_t width = int32_t(in.within(0, 40)), height = int32_t(in.within(0, 40));
        const intptr_t pitch = width + in.within(0, 3);
        // An empty window still needs a pixel address.
        pixels.resize(std::max<size_t>(size_t(pitch * height), 1));
        record = cimg_windowConst{
            width, height,       int32_t(in.within(-50, 50)), int32_t(in.within(-50, 50)), pitch,
            1,     pixels.data()};
    }
};

// A point within 8 pixels of the window, in sixteenths.
cmath_vect pointNear(reader& in, const cimg_windowConst& w) {
    return cmath_vect{w.xOffset + in.within(-128, 16 * w.width + 128) / 16.0,
                      w.yOffset + in.within(-128, 16 * w.height + 128) / 16.0};
}

void fuzzSamplers(reader& in) {
    window w(in);
    const cmath_vect p0 = pointNear(in, w.record), p1 = pointNear(in, w.record);
    const int32_t n = int32_t(in.within(-3, 200));
    std::vector<uint8_t> samples(size_t(n > 0 ? n : 1));
    uint8_t mean = 0;
    double spacing = 0;
    uint32_t sum = 0;
    const int32_t maxEdges = int32_t(in.within(-1, 32)), threshold = in.signedBelow(60);
    const int32_t adaptive = in.signedBelow(2);
    in.copyTo(w.pixels.data(), w.pixels.size());
    cidut_linePixels(&w.record, &p0, &p1, samples.data(), n, &mean, &spacing);
    cidut_linePixels1(&w.record, &p0, &p1, samples.data(), n, &mean);
    cidut_linePixels_LowPPM(&w.record, &p0, &p1, samples.data(), n, &spacing);
    cidut_linePixels2D(&w.record, &p0, &p1, n, &sum);
    std::vector<int32_t> strengths(size_t(maxEdges > 0 ? maxEdges : 1)), positions(strengths);
    int32_t count = 0;
    cidut_caliperLite(&w.record, &p0, &p1, maxEdges, threshold, adaptive, strengths.data(),
                      positions.data(), &count);
}

void fuzzEdgeLocators(reader& in) {
    const int32_t maxEdges = int32_t(in.within(-1, 32)), threshold = in.next<int8_t>();
    const int32_t adaptive = in.signedBelow(2), rising = in.signedBelow(2);
    const double spacing = in.next<int16_t>() / 1024.0;
    std::vector<uint8_t> profile(in.within(0, 300));
    in.copyTo(profile.data(), profile.size());
    std::vector<int32_t> strengths(size_t(maxEdges > 0 ? maxEdges : 1)), positions(strengths);
    int32_t count = 0;
    const auto n = int32_t(profile.size());
    cidut_lineEdgeLoc(profile.data(), n, maxEdges, threshold, adaptive, spacing, strengths.data(),
                      positions.data(), &count);
    cidut_lineEdgeLoc2D(profile.data(), n, maxEdges, threshold, adaptive, rising, spacing,
                        strengths.data(), positions.data(), &count);
}

cidut_edgePairingParams pairingParams(reader& in) {
    cidut_edgePairingParams p;
    cidut_edgePairingParams_init(&p);
    p.slotCount = int32_t(in.within(-1, 24));
    p.everySecondSlot = in.signedBelow(2);
    p.skipFirstSlot = in.signedBelow(2);
    p.darkTeeth = in.signedBelow(2);
    p.expectedWidth = in.within(-16, 1024) / 256.0;
    p.expectedPitch = in.within(-16, 2048) / 256.0;
    if (in.signedBelow(2))
        p.widthRange = cidut_widthRange{in.next<int8_t>() / 16.0, in.next<int8_t>() / 16.0};
    if (in.signedBelow(2)) p.gridOrigin = in.next<int16_t>() / 16.0;
    if (in.signedBelow(2)) p.minEdgeStrength = in.next<int8_t>();
    p.minStrengthRatio = in.next<int8_t>() / 128.0;
    p.minTeeth = int32_t(in.within(-1, 6));
    p.pointOutput = in.signedBelow(2);
    return p;
}

void fuzzTeeth(reader& in) {
    const cidut_edgePairingParams params = pairingParams(in);
    // A rectangle around (100, 100) whose x side is up to 300 pixels long.
    const cmath_vect po{in.within(0, 3200) / 16.0, in.within(0, 3200) / 16.0};
    const cmath_vect px{po.x + in.within(-4800, 4800) / 16.0, po.y + in.within(-4800, 4800) / 16.0};
    const cmath_shapeAffineRect rect{po, px, {po.x - (px.y - po.y) / 8, po.y + (px.x - po.x) / 8}};
    double length = 0;
    cmath_shapeAffineRect_getXLength(&rect, &length);
    // A mild perspective of the rectangle's own corners, or none.
    cmath_xformPerspective forward, inverse;
    const bool mapped = in.signedBelow(2) != 0;
    if (mapped) {
        const cmath_vect from[4] = {
            rect.po,
            rect.px,
            rect.py,
            {rect.px.x + rect.py.x - rect.po.x, rect.px.y + rect.py.y - rect.po.y}};
        cmath_vect to[4];
        for (int i = 0; i < 4; ++i)
            to[i] = {from[i].x + in.signedBelow(8) / 4.0, from[i].y + in.signedBelow(8) / 4.0};
        if (cmath_xformPerspective_constructPointsAllowNonUnique(&forward, from, to, 4) < 0 ||
            cmath_xformPerspective_getInverse(&forward, &inverse) < 0) {
            return;
        }
    }
    cmath_xformLinear linear;
    cmath_xformLinear_initIdentity(&linear);
    // Mostly ascending positions from near the scan's start, mostly alternating polarities.
    std::vector<cidut_edge> edges;
    int32_t position = int32_t(-length * 128) + in.next<int8_t>() * 64;
    while (in.left() >= 4 && edges.size() < 60) {
        position += in.next<uint8_t>() * 4 - 64;
        const int32_t strength = in.next<uint8_t>() * 128 + in.next<uint8_t>();
        edges.push_back(cidut_edge{
            position, (edges.size() % 2 == 0) == (in.signedBelow(8) != 0) ? -strength : strength});
    }
    const cidut_edgeList list{int32_t(edges.size()), CIDUT_EDGE_LIST_ORDERED, 0, edges.data()};
    cidut_teethResults results;
    if (cidut_teethResults_construct(&results) < 0) return;
    cidut_edgesToTeeth(&params, &list, mapped ? &forward : nullptr, mapped ? &inverse : nullptr,
                       &rect, params.pointOutput ? &linear : nullptr, &results);
    cidut_teethResults_destruct(&results);
}

// Positions anywhere in 32 bits or close together, and pitches, bounds, scales and windows within
// the preconditions (each run of the fits K >= 2 grid indices long).
void fuzzPitchAndGrid(reader& in) {
    const int32_t pitch = int32_t(in.within(8, 1 << 20)), spread = int32_t(in.within(1, pitch / 4));
    const int32_t tolerance = int32_t(in.within(1, pitch / 2 - 1)),
                  window = int32_t(in.within(1, pitch));
    const int32_t low = int32_t(in.within(751, 1000)), high = int32_t(in.within(1001, 1249));
    const int32_t sorted = in.signedBelow(2), shift = int32_t(in.within(0, 24));
    std::vector<int32_t> x(size_t(in.within(2, 200)));
    for (auto& v : x) v = in.next<int32_t>() >> shift;
    const auto n = int32_t(x.size());
    std::vector<int32_t> work(x.size()), indices(x.size());
    int32_t out[4], origin = 0, flag = 0;
    cidut_estimatePitch(x.data(), n, sorted, tolerance, pitch, pitch + spread, pitch - spread, out,
                        out + 1);
    cidut_cg1dComputeScaledPitch(n, x.data(), pitch, low, high, tolerance, out, out + 1, window,
                                 out + 2, out + 3);
    cidut_cg1dOnGrid(n, x.data(), work.data(), pitch, window, indices.data(), &origin, &flag);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reader in(data, size);
    switch (in.next<uint8_t>() % 4) {
        case 0:
            fuzzSamplers(in);
            break;
        case 1:
            fuzzEdgeLocators(in);
            break;
        case 2:
            fuzzPitchAndGrid(in);
            break;
        default:
            fuzzTeeth(in);
            break;
    }
    return 0;
}
