// Holes that outer-only tracking turned away, remembered by a find-next driver for one call.
//
// A seed on the boundary of a hole traces the whole hole before the tracker can tell it is one,
// and the finder marks nothing for a contour it did not get. Every later seed on that hole then
// traces it again: on a blob with a long hole (a pattern of bars joined at their ends, a noisy
// area) that is most of a search's time. The memory keeps each turned-away hole's pixel edges,
// so that a seed starting on one is answered with "no contour" at once. The answer is the
// tracker's own: each step of a trace is fixed by its edge and the side of the threshold two
// pixels lie on, so a start edge on a known hole, at a threshold that puts every pixel the hole
// was traced through on the same side, follows that hole round to where it began.
#pragma once

#include <cstdint>

#include "ci_id/platform/cbt.h"
#include "ci_id/platform/cimg.h"

namespace cidut {

class holeMemory {
public:
    // window: the searched image's window, as the tracker views it; the image must not change
    // while the memory serves it.
    explicit holeMemory(const cimg_windowConst& window) : window_(window) {}
    ~holeMemory();
    holeMemory(const holeMemory&) = delete;
    holeMemory& operator=(const holeMemory&) = delete;

    // Whether the plain tracker, run with `run` on the window, would start on a remembered hole.
    bool holds(const cbt_runParams& run) const;

    // Called when tracking with `run` gave no contour: remembers the hole the trace started on,
    // if it started on one long enough to be worth it. Running out of memory gives its status.
    int32_t remember(const cbt_runParams& run);

private:
    // A remembered edge: its pixel, direction and polarity, and the thresholds at which every
    // pixel the hole's trace looked at falls on the same side as when it was traced, so that
    // the same hole comes back.
    struct entry {
        uint64_t key;  // 0 marks a free slot
        int32_t lowest;
        int32_t highest;
    };
    // Settings a driver keeps for all its seeds; the memory holds holes of one set of them.
    struct settings {
        int32_t darkIs8Connected, maxPoints, stopAtBorder;
        bool operator==(const settings& o) const {
            return darkIs8Connected == o.darkIs8Connected && maxPoints == o.maxPoints &&
                   stopAtBorder == o.stopAtBorder;
        }
    };
    static settings settingsOf(const cbt_runParams& run);
    uint64_t key(int32_t x, int32_t y, int32_t dir, int32_t polarity) const;
    const entry* find(uint64_t key) const;
    int32_t insert(const entry& e);
    int32_t grow();

    cimg_windowConst window_;
    settings held_{};
    entry* slots_ = nullptr;
    int64_t capacity_ = 0;  // a power of two
    int64_t count_ = 0;
};

// cbt_boundaryTrack for a finder: a start on a hole the memory holds gives no contour at once
// (an empty track, as the tracker leaves it), and a hole the tracker turns away is remembered.
// Without a memory (null) it is the tracker alone.
int32_t trackRememberingHoles(holeMemory* holes, const cimg_imageConst* image,
                              const cbt_runParams& run, cbt_result* track);

}  // namespace cidut
