// Edgels of a whole window into one list, and the recovery by horizontal strips when a list for
// the whole window cannot be had.
#include <algorithm>

#include "ci_id/edge.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/priv/ci_idut/edge/edge_view.h"
#include "ci_id/priv/ci_idut/pixel/image.h"
#include "ci_id/status.h"

namespace {

// Rows of the detector's context on either side of a row it reports: strips overlap by this much
// so that each reports the rows next to its neighbours' last ones.
constexpr int32_t kStripOverlap = 4;
constexpr int64_t kMinimumRoom = 64;

struct stripPlan {
    int32_t strips;
    int64_t room;  // the list's room, which every strip but the last must leave enough of
};

int32_t detectRect(const cimg_imageConst* source, const cstd_rect32& rect,
                   const csEdgeParams& record, csEdgeList* list) {
    cxImage95 view;
    int32_t status = cidut::edgeView(source, rect, &view);
    if (status >= 0) status = csEdgeDetect(view, &record, 0, 0, list, 0);
    return status;
}

// The first strip takes what the others leave of the height; each later one starts kStripOverlap
// rows before the previous one ends. A first strip lower than the overlap would put the second
// one above the window, so such heights cannot be split.
int32_t detectStrips(const cimg_imageConst* source, const cimg_windowConst& in,
                     const csEdgeParams& record, const stripPlan& plan, csEdgeList* list) {
    const int32_t n = plan.strips;
    const int32_t h = in.height / n;
    const int32_t first = in.height - (n - 1) * h;
    if (in.height < n + kStripOverlap || first < kStripOverlap) return CID_STATUS_EDGE_LIST_FULL;
    const int64_t stripRoom = std::max(int64_t{in.width} * h, kMinimumRoom);
    int32_t top = 0;
    int32_t rows = first;
    for (int32_t s = 0; s < n; ++s) {
        const cstd_rect32 strip{in.xOffset, in.yOffset + top, in.width, rows};
        const int32_t status = detectRect(source, strip, record, list);
        if (status < 0) return status;
        if (s < n - 1 && plan.room - csEdgeListLen(list) < stripRoom) {
            return CID_STATUS_EDGE_LIST_FULL;
        }
        top += rows - kStripOverlap;
        rows = h + kStripOverlap;
    }
    return 0;
}

// A new list of the given room, set up to collect the edgels of several detections.
int32_t newList(int64_t room, csEdgeList** list) {
    int32_t status = csEdgeListNew(room, list);
    if (status >= 0) status = csEdgeListInit(*list, 1, 0, 0);
    return status;
}

int32_t detectInStrips(const cimg_imageConst* source, const cimg_windowConst& in,
                       const csEdgeParams& record, int64_t room, csEdgeList** list) {
    stripPlan plan{4, room / 2};
    int32_t status = newList(plan.room, list);
    if (status == CID_STATUS_EDGE_LIST_FULL) {
        plan = stripPlan{8, room / 4};
        status = newList(plan.room, list);
    }
    if (status >= 0) status = detectStrips(source, in, record, plan, *list);
    return status;
}

}  // namespace

extern "C" {

int32_t cip_edge_detectEdges(const cimg_imageConst* source, const cip_edgeParams* params,
                             csEdgeList* edges) {
    CSTD_ASSERT(source && params && edges);
    cimg_windowConst in;
    int32_t status = cidut::window8(source, &in);
    if (status < 0) return status;
    const csEdgeParams record = cidut::edgeRecord(*params);
    const int64_t room = std::max(int64_t{in.width} * in.height, kMinimumRoom);
    csys::cleanupScope<1> scope;
    csEdgeList* list = nullptr;
    scope.scratch<csEdgeListDelete>(&list);
    status = newList(room, &list);
    if (status >= 0) status = detectRect(source, cidut::rectOf(in), record, list);
    if (status == CID_STATUS_EDGE_LIST_FULL) {
        csEdgeListDelete(&list);
        status = detectInStrips(source, in, record, room, &list);
    }
    if (status >= 0) status = csEdgeListAssign(edges, list);
    return scope.close(status);
}

}  // extern "C"
