// The edge library's detection: parameters, working planes, and the edgels and chains handed to
// the caller's lists.
#include <algorithm>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_status.h"
#include "edge/edge_internal.h"

namespace {

using csedge::gradientPlanes;

// A NaN sigma fails the comparison too.
int32_t checkParams(const csEdgeParams& params) {
    const bool layout =
        params.flags == 0 && params.reserved == 0 && params.version == CSEDGE_PARAMS_VERSION;
    return params.sigma <= CSEDGE_MAX_SIGMA && layout ? 0 : CSEDGE_STATUS_INVALID_PARAMS;
}

bool fitsView(const csImage& source, const csImage* output) {
    if (!output) return true;
    return output->width == std::max(source.width - 2, 0) &&
           output->height == std::max(source.height - 2, 0) &&
           int64_t{output->x} == int64_t{source.x} + 1 &&
           int64_t{output->y} == int64_t{source.y} + 1;
}

// One block for the planes: two integer planes for the smoothing (the first then holds gx), gy,
// the magnitudes and the marks.
int32_t allocatePlanes(const csImage& source, void** block, int32_t** smoothed,
                       gradientPlanes* planes) {
    const size_t pixels = size_t(source.width) * size_t(source.height);
    const size_t perPixel = 3 * sizeof(int32_t) + sizeof(float) + 1;
    size_t bytes = 0;
    int32_t status = csys_size_multiply(pixels, perPixel, &bytes);
    if (status >= 0) status = csys_memory_alloc_internal(bytes, block);
    if (status < 0) return status;
    auto* ints = static_cast<int32_t*>(*block);
    *smoothed = ints + pixels;
    *planes = gradientPlanes{source.width,
                             source.height,
                             ints,
                             ints + 2 * pixels,
                             reinterpret_cast<float*>(ints + 3 * pixels),
                             reinterpret_cast<uint8_t*>(ints + 4 * pixels)};
    return csys_memory_fill(0, pixels, planes->marks);
}

template <int N>
int32_t scratchArray(csys::cleanupScope<N>& scope, int64_t count, size_t size, void** block) {
    int32_t status = csys_memory_allocArray_internal(size_t(count), size, block);
    if (status >= 0) scope.template scratch<csys_memory_free_internal>(block);
    return status;
}

// Writes the kept edgels, in raster order or in the given order, after the edgels the list keeps.
void fillEdgels(const gradientPlanes& planes, const csImage& source, const int64_t* order,
                int64_t kept, csEdgeList* edges) {
    const int64_t base = edges->append ? edges->length : 0;
    const int64_t x0 = int64_t{source.x} + edges->xShift;
    const int64_t y0 = int64_t{source.y} + edges->yShift;
    csEdge* out = edges->edges + base;
    if (order) {
        for (int64_t k = 0; k < kept; ++k) {
            const int32_t x = static_cast<int32_t>(order[k] % planes.width);
            const int32_t y = static_cast<int32_t>(order[k] / planes.width);
            out[k] = csedge::edgelAt(planes, x, y, x0, y0);
        }
    } else {
        for (int32_t y = 2; y < planes.height - 2; ++y) {
            for (int32_t x = 2; x < planes.width - 2; ++x) {
                if (planes.marks[csedge::at(planes, x, y)] != csedge::kKept) continue;
                *out++ = csedge::edgelAt(planes, x, y, x0, y0);
            }
        }
    }
    edges->length = base + kept;
}

int32_t roomFor(const csEdgeList& edges, int64_t kept) {
    const int64_t room = edges.capacity - (edges.append ? edges.length : 0);
    return kept <= room ? 0 : CSEDGE_STATUS_LIST_FULL;
}

// Edgels, and chains when asked, from the planes into the lists, which change only on success.
int32_t listEdgels(const gradientPlanes& planes, const csEdgeParams& params, const csImage& source,
                   csEdgeList* edges, csEdgeChainList* chains) {
    csys::cleanupScope<3> scope;
    int64_t kept = csedge::markCandidates(planes, params);
    void* stack = nullptr;
    int32_t status = 0;
    if (csedge::usesHysteresis(params)) {
        status = scratchArray(scope, kept, sizeof(int64_t), &stack);
        if (status < 0) return scope.close(status);
        kept = csedge::keepConnected(planes, static_cast<int64_t*>(stack));
    }
    status = roomFor(*edges, kept);
    if (status < 0 || !chains) {
        if (status >= 0) fillEdgels(planes, source, nullptr, kept, edges);
        return scope.close(status);
    }
    void* order = nullptr;
    void* runs = nullptr;
    status = scratchArray(scope, kept, sizeof(int64_t), &order);
    if (status >= 0) status = scratchArray(scope, kept, sizeof(csEdgeChain), &runs);
    if (status < 0) return scope.close(status);
    auto* chained = static_cast<csEdgeChain*>(runs);
    const int64_t count = csedge::traceChains(planes, static_cast<int64_t*>(order), chained);
    if (count > chains->capacity) return scope.close(CSEDGE_STATUS_LIST_FULL);
    const int64_t base = edges->append ? edges->length : 0;
    fillEdgels(planes, source, static_cast<const int64_t*>(order), kept, edges);
    for (int64_t c = 0; c < count; ++c) {
        chains->chains[c] = csEdgeChain{base + chained[c].start, chained[c].length};
    }
    chains->length = count;
    return scope.close(0);
}

// A view too small for any edgel still replaces what replacing lists held.
void listNothing(csEdgeList* edges, csEdgeChainList* chains) {
    if (edges && !edges->append) edges->length = 0;
    if (chains) chains->length = 0;
}

}  // namespace

extern "C" {

int32_t csEdgeParamsDefault(csEdgeParams* params) {
    CSTD_ASSERT(params);
    *params = csEdgeParams{1.0f, 10.0f, 20.0f, 0, 0, CSEDGE_PARAMS_VERSION};
    return 0;
}

int32_t csEdgeDetect(const csImage* source, const csEdgeParams* params, const csImage* magnitude,
                     const csImage* angle, csEdgeList* edges, csEdgeChainList* chains) {
    CSTD_ASSERT(source && params && (edges || !chains));
    CSTD_ASSERT(source->pixels || source->width <= 0 || source->height <= 0);
    int32_t status = checkParams(*params);
    if (status < 0) return status;
    if (!fitsView(*source, magnitude) || !fitsView(*source, angle)) {
        return CIMG_STATUS_INVALID_IMAGE;
    }
    if (source->width < 3 || source->height < 3) {
        listNothing(edges, chains);
        return 0;
    }
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    int32_t* smoothed = nullptr;
    gradientPlanes planes;
    status = allocatePlanes(*source, &block, &smoothed, &planes);
    scope.scratch<csys_memory_free_internal>(&block);
    if (status < 0) return scope.close(status);
    csedge::smooth(*source, params->sigma, planes.gx, smoothed);
    status = csedge::gradient(smoothed, planes, magnitude, angle);
    if (status >= 0 && edges) status = listEdgels(planes, *params, *source, edges, chains);
    return scope.close(status);
}

}  // extern "C"
