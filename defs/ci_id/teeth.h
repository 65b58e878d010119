/* Teeth: pairs of opposite edges that bound one element of a one-dimensional symbol, placed on
 * the grid of the symbol's pitch.
 *
 * Fixed point with 8 fraction bits throughout: positions and widths in 1/256 pixel, ratios and
 * scores in 1/256 (256 = 1.0). -256 marks an unset score, -1 an empty index.
 *
 * The scan line is the centre line of the symbol rectangle along its x side: it passes through
 * the rectangle's centre in the direction of the x side, and its length is the x side's. Edge
 * positions are signed distances from the centre along that direction, so they run from minus to
 * plus half the scan length. */
#ifndef CI_ID_TEETH_H
#define CI_ID_TEETH_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cmath_perspective.h"
#include "ci_id/platform/cmath_shape.h"
#include "ci_id/platform/cmath_vect.h"
#include "ci_id/platform/cmath_xform.h"
#include "ci_id/platform/csys_typecheck.h"
#include "ci_id/vector.h"

/* The flag an edge list must carry for pairing: its positions ascend along the scan line. */
#define CIDUT_EDGE_LIST_ORDERED 2

/* One edge: position along the scan line (1/256 pixel) and strength, whose sign is the polarity
 * (positive from dark to light along the line), in 1/256 of a grey level: the strength scores
 * take 255 * 256 as the strongest edge. */
typedef struct cidut_edge {
    int32_t position;
    int32_t strength;
} cidut_edge;

typedef struct cidut_edgeList {
    int32_t count;
    int32_t flags; /* CIDUT_EDGE_LIST_ORDERED must be set */
    int32_t reserved;
    const cidut_edge* edges; /* count edges */
} cidut_edgeList;

/* Width limits as fractions of the expected width. It stands in for the mathematics library's
 * range record, which the platform layer does not provide. */
typedef struct cidut_widthRange {
    double low;
    double high;
} cidut_widthRange;

typedef struct cidut_edgePairingParams {
    int32_t slotCount;           /* grid slots to fill, at least 2 */
    int32_t everySecondSlot;     /* teeth occupy every second slot (grid index step 2) */
    int32_t skipFirstSlot;       /* slots shift by one; the last two are not filled from edges */
    int32_t darkTeeth;           /* 1: a tooth is a dark element (falling, then rising edge) */
    double expectedWidth;        /* pixels */
    cidut_widthRange widthRange; /* allowed width / expectedWidth, open interval */
    double expectedPitch;        /* pixels between neighbouring slots */
    double gridOrigin;           /* pixels from the centre back to the grid's origin;
                                    negative: half the scan length */
    double minEdgeStrength;      /* minimum |strength| of both edges, in grey levels;
                                    negative: none */
    double minStrengthRatio;     /* weaker over stronger edge must exceed it */
    double reserved;
    int32_t minTeeth;    /* fewer filled slots leave the result empty */
    int32_t pointOutput; /* every slot also receives its centre as an image point */
} cidut_edgePairingParams;

/* A tooth candidate, or the tooth of one grid slot. */
typedef struct cidut_toothCand {
    cmath_vect point;    /* image point of the centre; only with pointOutput */
    int32_t imageCenter; /* centre in the edge list's own positions */
    int32_t score;
    int32_t strength;  /* mean |strength| of the two edges */
    int32_t firstEdge; /* indices into the edge list; -1 for a synthesised tooth */
    int32_t secondEdge;
    int32_t slot;   /* grid index; -1 for an empty slot */
    int32_t center; /* centre in working positions (perspective-corrected when mapped) */
    int32_t width;
    int32_t gridScore;
    int32_t widthScore;
    int32_t strengthRatio;
    int32_t reserved;
} cidut_toothCand;

CSTD_VECTOR_DECLARE(cidut_toothCand, cidut_toothCand)

typedef struct cidut_teethResults {
    int32_t dominantWidth;  /* mean width of the chosen width cluster */
    int32_t gridShift;      /* the teeth's mean distance from the nearest grid line */
    int32_t meanPitch;      /* (last slot's centre - first slot's centre) / (slots - 1) */
    int32_t widthDeviation; /* mean of width / expected width - 1 over the filled slots */
    int32_t meanWidth;      /* mean width of the filled slots */
    int32_t expectedWidth;  /* the expected width used, rounded */
    cstd_vector_cidut_toothCand teeth; /* one per grid slot */
    int32_t reservedScore;             /* -256 after construction, not set here */
    int32_t reservedIndex;             /* -1 after construction, not set here */
} cidut_teethResults;

CSYS_TYPECHECK_DECLARE(cidut_teethResults)

CI_ID_EXTERN_C_BEGIN

/* Every field to its empty value: indices -1, scores, strength and ratios -256, the rest 0. */
CI_ID_API int32_t cidut_toothCand_init(cidut_toothCand* tooth);
CI_ID_API int32_t cidut_toothCand_assign(cidut_toothCand* destination,
                                         const cidut_toothCand* source);

/* The six values and reservedScore -256, reservedIndex -1, an empty vector with room for 5. */
CI_ID_API int32_t cidut_teethResults_construct(cidut_teethResults* results);
CI_ID_API int32_t cidut_teethResults_constructCopy(cidut_teethResults* results,
                                                   const cidut_teethResults* source);
CI_ID_API int32_t cidut_teethResults_assign(cidut_teethResults* destination,
                                            const cidut_teethResults* source);
CI_ID_API int32_t cidut_teethResults_destruct(cidut_teethResults* results);

/* Defaults: no slots, width range [0.3, 1.7], grid origin and strength minimum unset, strength
 * ratio 0.45, at least 2 teeth, dark teeth, no points. */
CI_ID_API int32_t cidut_edgePairingParams_init(cidut_edgePairingParams* params);

/* Turns an ordered edge list into params->slotCount grid slots, each holding the best tooth for
 * it or a synthesised one (edges -1) where the symbol shows none. Steps: pairs of a starting edge
 * (falling for dark teeth) and a later opposite edge whose distance lies strictly within the
 * width range and whose strength ratio exceeds the minimum become candidates; their widths are
 * clustered (k-means with one split), and for each width cluster the strengths, and the best
 * pair of width and strength cluster by size, strength and closeness to the expected width gives
 * the dominant width; the phases of its candidates within the pitch give the grid shift; every
 * candidate is scored by strength ratio, width and distance from the grid and put in its slot
 * where it beats the slot's holder; neighbours that overlap lose the weaker; gaps between the
 * first and last tooth are filled where the teeth lie furthest apart, then the slots beyond them
 * outwards at the pitch.
 *
 * forward and inverse (both or neither): a perspective transform that carries image points into
 * a frame where the symbol is regular, and its inverse. The scan line and edge positions are then
 * carried into that frame, the expected width, width range, pitch and grid origin are scaled by
 * the ratio of the mapped to the image scan length, and synthesised teeth are carried back for
 * their imageCenter. linear (optional) maps the image points of pointOutput (client coordinates,
 * say). results must be constructed; its values and teeth are replaced.
 *
 * No teeth (status 0) for fewer than 5 edges, no candidates or no clear grid, or fewer than
 * minTeeth filled slots. CID_STATUS_INVALID_VALUE for a list without CIDUT_EDGE_LIST_ORDERED, for
 * fewer than 2 slots, for an expected width or pitch below 8/256 pixel, and for an expected
 * width, pitch or grid origin of 2^22 pixels or more; CID_STATUS_INVALID_GEOMETRY for a scan line
 * (mapped or not) without length or 2^22 pixels or longer; CID_STATUS_OUT_OF_RANGE for a
 * candidate outside the scan line's bins (an edge beyond the scan) or a corrected position
 * beyond 2^22 pixels. Mapping, allocation, vector and stop-request statuses are passed on.
 *
 * Settled here: the strength minimum is compared with |strength|. The signed comparison would
 * turn away every falling edge for any positive minimum, so no tooth could ever pass it.
 *
 * Mended, where the steps would divide by zero, index out of bounds or overflow: the statuses
 * above for a zero pitch (which also sizes the bins) or width, one slot (the mean pitch divides
 * by the slot count less one), a scan line without length (the perspective ratio divides by it)
 * and a candidate outside the bins, where an assertion used to stand; a strength ratio or width
 * score whose divisor rounds to 0 (strengths below 8, a dominant width below 8/256 pixel) counts
 * as 0, as the closeness to the expected width already does; candidates whose slot would lie
 * before slot 0 are left out instead of being written before the vector; sums of positions and
 * strengths are taken in 64 bits. Neighbours conflict when this tooth's centre lies within the
 * neighbour's edges (the reverse test would reset every other real tooth). Synthesised teeth are
 * mapped back only when the positions were corrected: an uncorrected position mapped through the
 * inverse lands elsewhere. */
CI_ID_API int32_t cidut_edgesToTeeth(const cidut_edgePairingParams* params,
                                     const cidut_edgeList* edges, const cmath_xform* forward,
                                     const cmath_xform* inverse, const cmath_shapeAffineRect* rect,
                                     const cmath_xformLinear* linear, cidut_teethResults* results);

CI_ID_EXTERN_C_END

#endif
