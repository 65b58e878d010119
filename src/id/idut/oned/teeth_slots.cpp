// Grid slots after assignment: overlapping neighbours, gaps filled with synthesised teeth where
// the teeth lie furthest apart, the slots beyond the teeth, image centres and points.
#include <algorithm>
#include <cmath>

#include "ci_id/priv/ci_idut/oned/teeth_work.h"

namespace cidut {
namespace {

bool filled(const cidut_toothCand& t) { return t.slot != -1; }

bool strictlyBetween(int64_t v, int32_t a, int32_t b) {
    return v > std::min(a, b) && v < std::max(a, b);
}

bool shareEdge(const cidut_toothCand& a, const cidut_toothCand& b) {
    return a.firstEdge == b.firstEdge || a.firstEdge == b.secondEdge ||
           a.secondEdge == b.firstEdge || a.secondEdge == b.secondEdge;
}

// Neighbours that share an edge, or of which one's centre lies within the other's edges, are one
// element seen twice: the weaker goes.
void resolveConflicts(const int32_t* positions, cidut_toothCand* slots, int32_t count) {
    for (int32_t k = 1; k < count; ++k) {
        cidut_toothCand& tooth = slots[k];
        cidut_toothCand& left = slots[k - 1];
        if (!filled(tooth) || !filled(left)) continue;
        const bool overlap =
            strictlyBetween(left.center, positions[tooth.firstEdge], positions[tooth.secondEdge]) ||
            strictlyBetween(tooth.center, positions[left.firstEdge], positions[left.secondEdge]);
        if (!overlap && !shareEdge(tooth, left)) continue;
        cidut_toothCand_init(left.score < tooth.score ? &left : &tooth);
    }
}

// A tooth where the symbol showed none: on the grid, of the expected width.
cidut_toothCand synthesised(int64_t center, int32_t slot, int32_t width) {
    cidut_toothCand t;
    cidut_toothCand_init(&t);
    t.center = static_cast<int32_t>(std::clamp<int64_t>(center, INT32_MIN, INT32_MAX));
    t.imageCenter = t.center;
    t.slot = slot;
    t.score = 256;
    t.gridScore = 256;
    t.width = width;
    return t;
}

// The filled neighbours a and a's successor furthest apart.
int32_t widestGap(const cidut_toothCand* slots, int32_t first, int32_t last) {
    int32_t widestAt = first;
    int64_t widest = INT64_MIN;
    for (int32_t k = first + 1, previous = first; k <= last; ++k) {
        if (!filled(slots[k])) continue;
        const int64_t gap = int64_t{slots[k].center} - slots[previous].center;
        if (gap > widest) {
            widest = gap;
            widestAt = previous;
        }
        previous = k;
    }
    return widestAt;
}

// Each empty slot between the first and the last tooth goes where the teeth lie furthest apart:
// the slots between that gap and the empty slot move one slot towards it, the teeth among them
// taking their new grid index.
void fillGaps(cidut_toothCand* slots, int32_t first, int32_t last, int32_t spacing, int32_t width) {
    int32_t empty = 0;
    for (int32_t k = first + 1; k < last; ++k) empty += filled(slots[k]) ? 0 : 1;
    for (; empty > 0; --empty) {
        const int32_t gap = widestGap(slots, first, last);
        int32_t vacant = first + 1;
        while (filled(slots[vacant])) ++vacant;
        int32_t opened = gap;
        if (vacant > gap) {
            for (int32_t j = vacant; j > gap + 1; --j) {
                slots[j] = slots[j - 1];
                if (filled(slots[j])) ++slots[j].slot;
            }
            opened = gap + 1;
        } else {
            for (int32_t j = vacant; j < gap; ++j) {
                slots[j] = slots[j + 1];
                if (filled(slots[j])) --slots[j].slot;
            }
        }
        const cidut_toothCand& previous = slots[opened - 1];
        const cidut_toothCand& next = slots[opened + 1];
        const int64_t center = filled(next) ? (int64_t{previous.center} + next.center) / 2
                                            : int64_t{previous.center} + spacing;
        slots[opened] = synthesised(center, previous.slot + 1, width);
    }
}

void fillOutwards(cidut_toothCand* slots, int32_t count, int32_t first, int32_t last,
                  int32_t spacing, int32_t width) {
    for (int32_t k = first - 1; k >= 0; --k) {
        slots[k] =
            synthesised(int64_t{slots[k + 1].center} - spacing, slots[k + 1].slot - 1, width);
    }
    for (int32_t k = last + 1; k < count; ++k) {
        slots[k] =
            synthesised(int64_t{slots[k - 1].center} + spacing, slots[k - 1].slot + 1, width);
    }
}

// The image centre of a synthesised tooth: its working centre carried back to the image line.
int32_t mapBack(const teethCall& call, const cmath_xform* inverse, cidut_toothCand* tooth) {
    cmath_vect working;
    cmath_vect image;
    double distance = 0.0;
    int32_t status = cmath_shapeLine_pointAlong(&call.workLine, tooth->center / 256.0, &working);
    if (status >= 0) status = cmath_xform_mapPoint(inverse, &working, &image);
    if (status >= 0) status = cmath_vect_getDistance(&image, &call.imageLine.point, &distance);
    if (status < 0) return status;
    const double fixed = std::min(std::floor(256.0 * distance + 0.5), 2147483647.0);
    tooth->imageCenter = static_cast<int32_t>(tooth->center < 0 ? -fixed : fixed);
    return 0;
}

int32_t placePoint(const teethCall& call, const cmath_xformLinear* linear, cidut_toothCand* tooth) {
    int32_t status =
        cmath_shapeLine_pointAlong(&call.imageLine, tooth->imageCenter / 256.0, &tooth->point);
    if (status >= 0 && linear)
        status = cmath_xformLinear_mapPoint(linear, &tooth->point, &tooth->point);
    return status;
}

}  // namespace

int32_t completeSlots(const teethCall& call, const cmath_xform* inverse,
                      const cmath_xformLinear* linear, cidut_teethResults* results, bool* kept) {
    const int32_t count = call.params.slotCount;
    cidut_toothCand* slots = nullptr;
    int32_t status = cstd_vector_cidut_toothCand_getBegin(&results->teeth, &slots);
    if (status < 0) return status;
    resolveConflicts(call.positions, slots, count);
    int32_t first = -1;
    int32_t last = -1;
    int32_t teeth = 0;
    for (int32_t k = 0; k < count; ++k) {
        if (!filled(slots[k])) continue;
        if (first < 0) first = k;
        last = k;
        ++teeth;
    }
    *kept = teeth >= call.params.minTeeth && teeth > 0;
    if (!*kept) return cstd_vector_cidut_toothCand_clear(&results->teeth);
    const int32_t spacing = call.fixed.pitch / (call.params.everySecondSlot ? 2 : 1);
    fillGaps(slots, first, last, spacing, call.fixed.width);
    fillOutwards(slots, count, first, last, spacing, call.fixed.width);
    for (int32_t k = 0; k < count && status >= 0; ++k) {
        if (call.corrected && inverse && slots[k].firstEdge < 0)
            status = mapBack(call, inverse, &slots[k]);
        if (status >= 0 && call.params.pointOutput) status = placePoint(call, linear, &slots[k]);
    }
    results->meanPitch =
        static_cast<int32_t>((int64_t{slots[count - 1].center} - slots[0].center) / (count - 1));
    return status;
}

}  // namespace cidut
