// Chains of the edge library: kept edgels linked into 8-connected paths.
#include "edge/edge_internal.h"

namespace csedge {

namespace {

// Side neighbours come first: on a staircase a diagonal step would skip the corner pixel and
// leave it a chain of its own.
constexpr int32_t kSteps[8][2] = {{1, 0}, {0, 1},  {-1, 0},  {0, -1},
                                  {1, 1}, {-1, 1}, {-1, -1}, {1, -1}};

// Kept pixels are never on the plane's two outer rings, so every neighbour exists.
int64_t unchainedNeighbour(const gradientPlanes& planes, int64_t p, int32_t skip) {
    for (const auto& step : kSteps) {
        const int64_t q = p + int64_t(step[1]) * planes.width + step[0];
        if (planes.marks[q] == kKept && skip-- == 0) return q;
    }
    return -1;
}

bool endsLine(const gradientPlanes& planes, int64_t p) {
    return unchainedNeighbour(planes, p, 1) < 0;
}

int64_t follow(const gradientPlanes& planes, int64_t p, int64_t* order) {
    int64_t length = 0;
    while (p >= 0) {
        planes.marks[p] = kChained;
        order[length++] = p;
        p = unchainedNeighbour(planes, p, 0);
    }
    return length;
}

}  // namespace

int64_t traceChains(const gradientPlanes& planes, int64_t* order, csEdgeChain* chains) {
    int64_t placed = 0;
    int64_t count = 0;
    // Open lines first, from their ends; what is left then lies on closed curves.
    for (int32_t pass = 0; pass < 2; ++pass) {
        for (int32_t y = 2; y < planes.height - 2; ++y) {
            for (int32_t x = 2; x < planes.width - 2; ++x) {
                const int64_t p = int64_t(at(planes, x, y));
                if (planes.marks[p] != kKept || (pass == 0 && !endsLine(planes, p))) continue;
                const int64_t length = follow(planes, p, order + placed);
                chains[count++] = csEdgeChain{placed, length};
                placed += length;
            }
        }
    }
    return count;
}

}  // namespace csedge
