// Tooth candidates: the working positions (perspective-corrected when mapped), the fixed-point
// parameters, and the pairs of opposite edges of about the expected width.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ci_id/perspective.h"
#include "ci_id/priv/ci_idut/oned/teeth_work.h"
#include "ci_id/status.h"

namespace cidut {
namespace {

// v + 0.5 truncated, held within 32 bits.
int32_t roundedWithin32(double v) {
    return static_cast<int32_t>(std::clamp(v + 0.5, -2147483648.0, 2147483647.0));
}

bool isLength(double v) { return std::fabs(v) < kLongestLength; }

// Carries the scan line and every edge position through the forward mapping and scales the
// lengths of the parameters by the ratio of the mapped to the image scan length.
int32_t correctPerspective(teethCall* call, const cmath_xform* forward,
                           const cmath_shapeAffineRect& rect) {
    cmath_shapeAffineRect mapped;
    cmath_shapeAffineRectCenter centre;
    int32_t status = cidut_affine_mapPerspective(&rect, forward, &mapped);
    if (status >= 0) status = cmath_shapeAffineRect_getCenter(&mapped, &centre);
    if (status < 0) return status;
    if (!(centre.xLength > 0 && centre.xLength < kLongestLength))
        return CID_STATUS_INVALID_GEOMETRY;
    call->workLine = centreLineOf(centre);
    call->workLength = centre.xLength;
    // Every length of the parameters takes the mapped scale, the width range's bounds included.
    const double k = centre.xLength / call->imageLength;
    cidut_edgePairingParams& p = call->params;
    p.expectedWidth *= k;
    p.widthRange.low *= k;
    p.widthRange.high *= k;
    p.expectedPitch *= k;
    p.gridOrigin *= k;
    for (int32_t i = 0; i < call->list->count; ++i) {
        cmath_vect onLine;
        cmath_vect image;
        status = cmath_shapeLine_pointAlong(&call->imageLine, call->list->edges[i].position / 256.0,
                                            &onLine);
        if (status >= 0) status = cmath_xform_mapPoint(forward, &onLine, &image);
        if (status < 0) return status;
        const cmath_vect& at = call->workLine.point;
        const cmath_vect& dir = call->workLine.dir;
        const double along = (image.x - at.x) * dir.x + (image.y - at.y) * dir.y;
        if (!isLength(along)) return CID_STATUS_OUT_OF_RANGE;
        call->positions[i] = toFixed8(along);
    }
    return 0;
}

int32_t fixParameters(teethCall* call) {
    const cidut_edgePairingParams& p = call->params;
    if (p.slotCount < 2 || !isLength(p.expectedWidth) || !isLength(p.expectedPitch) ||
        !isLength(p.gridOrigin)) {
        return CID_STATUS_INVALID_VALUE;
    }
    teethFixed& f = call->fixed;
    f.width = toFixed8(p.expectedWidth);
    f.pitch = toFixed8(p.expectedPitch);
    // Both divide the scores as (v + 8) >> 4.
    if (f.width < 8 || f.pitch < 8) return CID_STATUS_INVALID_VALUE;
    f.minWidth = roundedWithin32(p.widthRange.low * f.width);
    f.maxWidth = roundedWithin32(p.widthRange.high * f.width);
    f.minStrength = roundedWithin32(p.minEdgeStrength * 256.0);
    f.minRatio = roundedWithin32(p.minStrengthRatio * 256.0);
    f.halfLength = toFixed8(call->workLength / 2);
    f.origin = p.gridOrigin < 0 ? f.halfLength : toFixed8(p.gridOrigin);
    f.bins = static_cast<int32_t>(call->workLength / (0.8 * p.expectedPitch) + 0.5);
    return 0;
}

bool opensTooth(int32_t strength, bool dark) { return dark ? strength < 0 : strength > 0; }

int64_t magnitude(int32_t strength) { return std::llabs(int64_t{strength}); }

// Settled: the minimum applies to |strength|, since every tooth has one falling edge.
bool strongEnough(int32_t strength, int32_t minimum) {
    return minimum < 0 || magnitude(strength) >= minimum;
}

// The candidate of edges i and j, w apart with strength ratio r, and its bin.
cidut_toothCand candidateOf(const teethCall& call, int32_t i, int32_t j, int64_t w, int32_t r,
                            int64_t* bin) {
    const cidut_edge* edges = call.list->edges;
    const int32_t width = call.fixed.width;
    cidut_toothCand c;
    cidut_toothCand_init(&c);
    c.center = static_cast<int32_t>((int64_t{call.positions[i]} + call.positions[j]) / 2);
    c.imageCenter = static_cast<int32_t>((int64_t{edges[i].position} + edges[j].position) / 2);
    c.firstEdge = i;
    c.secondEdge = j;
    c.strength =
        static_cast<int32_t>((magnitude(edges[i].strength) + magnitude(edges[j].strength)) / 2);
    c.width = static_cast<int32_t>(w);
    c.strengthRatio = r;
    // 256 means exactly the expected width.
    c.widthScore = w <= width ? ratio256(w, width) : ratio256(width, w);
    c.score = (c.widthScore * r + 128) >> 8;
    *bin = (int64_t{call.fixed.halfLength} + c.center) / call.fixed.pitch;
    return c;
}

// Calls take(candidate, bin) for every pair of an opening edge and a later closing edge of
// acceptable width and strength ratio; CID_STATUS_OUT_OF_RANGE for a candidate outside the bins.
template <typename Take>
int32_t forEachCandidate(const teethCall& call, Take take) {
    const cidut_edge* edges = call.list->edges;
    const int32_t n = call.list->count;
    const bool dark = call.params.darkTeeth != 0;
    const teethFixed& f = call.fixed;
    for (int32_t i = 0; i + 1 < n; ++i) {
        if (!opensTooth(edges[i].strength, dark) ||
            !strongEnough(edges[i].strength, f.minStrength)) {
            continue;
        }
        for (int32_t j = i + 1; j < n; ++j) {
            if (!opensTooth(edges[j].strength, !dark) ||
                !strongEnough(edges[j].strength, f.minStrength)) {
                continue;
            }
            const int64_t w = std::llabs(int64_t{call.positions[i]} - call.positions[j]);
            if (w >= f.maxWidth) break;
            const int64_t si = magnitude(edges[i].strength);
            const int64_t sj = magnitude(edges[j].strength);
            const int32_t r = ratio256(std::min(si, sj), std::max(si, sj));
            if (w <= f.minWidth || r <= f.minRatio) continue;
            int64_t bin = 0;
            const cidut_toothCand c = candidateOf(call, i, j, w, r, &bin);
            if (bin < 0 || bin >= f.bins) return CID_STATUS_OUT_OF_RANGE;
            take(c, static_cast<int32_t>(bin));
            // One opening edge may pair with several closing ones while they still score.
            if (c.score <= 0) break;
        }
    }
    return 0;
}

}  // namespace

cmath_shapeLine centreLineOf(const cmath_shapeAffineRectCenter& centre) {
    return cmath_shapeLine{cmath_vect{std::cos(centre.xRotation), std::sin(centre.xRotation)},
                           centre.center};
}

int32_t toFixed8(double v) {
    return static_cast<int32_t>(v >= 0 ? v * 256.0 + 0.5 : v * 256.0 - 0.4999999999);
}

int32_t ratio256(int64_t num, int64_t den) {
    const int64_t divisor = (den + 8) >> 4;
    return divisor == 0 ? 0 : static_cast<int32_t>((num * 16) / divisor);
}

int32_t prepareTeethCall(teethCall* call, const cmath_xform* forward,
                         const cmath_shapeAffineRect& rect) {
    int32_t status = 0;
    call->workLine = call->imageLine;
    call->workLength = call->imageLength;
    call->corrected = forward != nullptr;
    if (forward) {
        status = correctPerspective(call, forward, rect);
    } else {
        for (int32_t i = 0; i < call->list->count; ++i) {
            call->positions[i] = call->list->edges[i].position;
        }
    }
    return status < 0 ? status : fixParameters(call);
}

int32_t countCandidates(const teethCall& call, int32_t* count) {
    *count = 0;
    return forEachCandidate(call, [count](const cidut_toothCand&, int32_t) { ++*count; });
}

void collectCandidates(teethCall* call, int32_t* bins) {
    int32_t count = 0;
    forEachCandidate(*call, [call, bins, &count](const cidut_toothCand& c, int32_t bin) {
        // Candidates come almost in bin order: insertion keeps equal bins in order of finding.
        int32_t at = count++;
        for (; at > 0 && bins[at - 1] > bin; --at) {
            call->candidates[at] = call->candidates[at - 1];
            bins[at] = bins[at - 1];
        }
        call->candidates[at] = c;
        bins[at] = bin;
    });
    call->candidateCount = count;
}

}  // namespace cidut
