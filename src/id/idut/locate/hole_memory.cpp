// Remembered holes. The walk below restates the plain tracker's rules (object on one side of a
// fixed threshold, nothing outside the window, the followed edge on the left of the travel, the
// same start-edge search), so that the edges remembered are the ones its trace went through.
#include "ci_id/priv/ci_idut/locate/hole_memory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_status.h"

namespace cidut {

namespace {

constexpr int kDx[4] = {1, 0, -1, 0};  // east, south, west, north
constexpr int kDy[4] = {0, 1, 0, -1};

// Remembering a hole costs about three traces of it, which pays when a hole is long enough to
// cross many scan lines; the holes of glyphs and of small cells are traced a time or two.
constexpr int32_t kShortestRemembered = 256;
// Past this many edges the memory stops taking holes (32 MB of slots at the table's fullest).
constexpr int64_t kMostRemembered = int64_t{1} << 20;
constexpr int64_t kFirstCapacity = 1024;

struct edgeState {
    int x, y, dir;
    bool operator==(const edgeState& o) const { return x == o.x && y == o.y && dir == o.dir; }
};

class thresholdObject {
public:
    thresholdObject(const cimg_windowConst& window, const cbt_runParams& run)
        : w_(window),
          threshold_(run.threshold),
          dark_(run.polarity != 0),
          object8_((run.darkIs8Connected != 0) == (run.polarity != 0)) {}

    // The grey level of a window pixel; false outside the window, where nothing is object.
    bool level(int x, int y, int* v) const {
        if (static_cast<unsigned>(x) >= static_cast<unsigned>(w_.width) ||
            static_cast<unsigned>(y) >= static_cast<unsigned>(w_.height)) {
            return false;
        }
        *v = w_.pixels[y * w_.pitch + x];
        return true;
    }

    bool contains(int x, int y) const {
        int v = 0;
        return level(x, y, &v) && (dark_ ? v < threshold_ : v >= threshold_);
    }

    int threshold() const { return threshold_; }

    // The first object pixel followed by a non-object one on the 4-connected path between the
    // run's start points; the state leaves that edge on its left.
    bool startEdge(const cbt_runParams& run, edgeState* start) const {
        int x = pixel(run.start2X, w_.xOffset), y = pixel(run.start2Y, w_.yOffset);
        const int tx = pixel(run.start1X, w_.xOffset), ty = pixel(run.start1Y, w_.yOffset);
        const int ax = std::abs(tx - x), ay = std::abs(ty - y);
        const int sx = tx > x ? 0 : 2, sy = ty > y ? 1 : 3;
        for (int ix = 0, iy = 0; ix < ax || iy < ay;) {
            const bool alongX = int64_t{2 * ix + 1} * ay < int64_t{2 * iy + 1} * ax;
            const int d = alongX ? sx : sy;
            const int nx = x + kDx[d], ny = y + kDy[d];
            if (contains(x, y) && !contains(nx, ny)) {
                *start = edgeState{x, y, (d + 1) & 3};
                return true;
            }
            x = nx;
            y = ny;
            (alongX ? ix : iy)++;
        }
        return false;
    }

    // The next state along the boundary; turns counts right turns less left ones.
    edgeState next(edgeState s, int* turns) const {
        const int ax = s.x + kDx[s.dir], ay = s.y + kDy[s.dir];
        const int left = (s.dir + 3) & 3;
        const int cx = ax + kDx[left], cy = ay + kDy[left];
        const bool a = contains(ax, ay);
        if (contains(cx, cy) && (a || object8_)) {
            --*turns;
            return edgeState{cx, cy, left};
        }
        if (a) return edgeState{ax, ay, s.dir};
        ++*turns;
        return edgeState{s.x, s.y, (s.dir + 1) & 3};
    }

private:
    static int pixel(int32_t fixed, int32_t origin) { return ((fixed + 128) >> 8) - origin; }

    const cimg_windowConst& w_;
    int threshold_;
    bool dark_;
    bool object8_;
};

// The thresholds that put every pixel a trace looks at on the side it lies on at the object's
// threshold: lowest .. highest.
struct thresholdRange {
    int32_t lowest = INT32_MIN;
    int32_t highest = INT32_MAX;

    void keep(const thresholdObject& object, int x, int y) {
        int v = 0;
        if (!object.level(x, y, &v)) return;  // outside the window, whatever the threshold
        if (v < object.threshold()) {
            lowest = std::max(lowest, v + 1);
        } else {
            highest = std::min(highest, v);
        }
    }
};

// The length of the closed boundary through start, or 0 when it does not close within limit;
// range takes in the pixels each step looks at, the one ahead and the one ahead on the left.
int32_t closedLength(const thresholdObject& object, edgeState start, int32_t limit, int* turns,
                     thresholdRange* range) {
    edgeState s = start;
    for (int32_t length = 1; length <= limit; ++length) {
        const int ax = s.x + kDx[s.dir], ay = s.y + kDy[s.dir], left = (s.dir + 3) & 3;
        range->keep(object, ax, ay);
        range->keep(object, ax + kDx[left], ay + kDy[left]);
        s = object.next(s, turns);
        if (s == start) return length;
    }
    return 0;
}

int64_t slotOf(uint64_t key, int64_t capacity) {
    return static_cast<int64_t>((key * 0x9E3779B97F4A7C15u) >> 20) & (capacity - 1);
}

}  // namespace

holeMemory::~holeMemory() {
    void* block = slots_;
    csys_memory_free_internal(&block);
}

holeMemory::settings holeMemory::settingsOf(const cbt_runParams& run) {
    return settings{run.darkIs8Connected, run.maxPoints, run.stopAtBorder};
}

uint64_t holeMemory::key(int32_t x, int32_t y, int32_t dir, int32_t polarity) const {
    const uint64_t pixel =
        static_cast<uint64_t>(y) * static_cast<uint64_t>(window_.width) + static_cast<uint64_t>(x);
    return (pixel << 3 | static_cast<uint64_t>(dir) << 1 | (polarity != 0)) + 1;
}

const holeMemory::entry* holeMemory::find(uint64_t key) const {
    for (int64_t i = slotOf(key, capacity_);; i = (i + 1) & (capacity_ - 1)) {
        if (slots_[i].key == key) return &slots_[i];
        if (slots_[i].key == 0) return nullptr;
    }
}

// An edge already held, from a hole at other thresholds, takes the newer hole's range.
int32_t holeMemory::insert(const entry& e) {
    if (2 * (count_ + 1) > capacity_) {
        const int32_t status = grow();
        if (status < 0) return status;
    }
    int64_t i = slotOf(e.key, capacity_);
    while (slots_[i].key != 0 && slots_[i].key != e.key) i = (i + 1) & (capacity_ - 1);
    if (slots_[i].key == 0) ++count_;
    slots_[i] = e;
    return 0;
}

int32_t holeMemory::grow() {
    const int64_t capacity = capacity_ ? 2 * capacity_ : kFirstCapacity;
    void* block = nullptr;
    const int32_t status =
        csys_memory_allocArray_internal(static_cast<size_t>(capacity), sizeof(entry), &block);
    if (status < 0) return status;
    entry* slots = static_cast<entry*>(block);
    std::fill(slots, slots + capacity, entry{0, 0, 0});
    for (int64_t k = 0; k < capacity_; ++k) {
        if (slots_[k].key == 0) continue;
        int64_t i = slotOf(slots_[k].key, capacity);
        while (slots[i].key != 0) i = (i + 1) & (capacity - 1);
        slots[i] = slots_[k];
    }
    void* old = slots_;
    csys_memory_free_internal(&old);
    slots_ = slots;
    capacity_ = capacity;
    return 0;
}

bool holeMemory::holds(const cbt_runParams& run) const {
    if (count_ == 0 || !run.outerOnly || !(settingsOf(run) == held_)) return false;
    const thresholdObject object(window_, run);
    edgeState start{};
    if (!object.startEdge(run, &start)) return false;
    const entry* e = find(key(start.x, start.y, start.dir, run.polarity));
    return e && e->lowest <= run.threshold && run.threshold <= e->highest;
}

int32_t holeMemory::remember(const cbt_runParams& run) {
    if (!run.outerOnly) return 0;
    const thresholdObject object(window_, run);
    edgeState start{};
    if (!object.startEdge(run, &start)) return 0;
    // Most holes are short: a plain walk tells them for what they cost.
    edgeState s = start;
    int turns = 0;
    for (int32_t k = 0; k < kShortestRemembered; ++k) {
        s = object.next(s, &turns);
        if (s == start) return 0;
    }
    turns = 0;
    thresholdRange range;
    const int32_t length = closedLength(object, start, run.maxPoints, &turns, &range);
    if (length == 0 || turns >= 0) return 0;
    if (!(settingsOf(run) == held_)) {
        if (slots_) std::fill(slots_, slots_ + capacity_, entry{0, 0, 0});
        count_ = 0;
        held_ = settingsOf(run);
    }
    if (count_ + length > kMostRemembered) return 0;
    s = start;
    for (int32_t k = 0; k < length; ++k, s = object.next(s, &turns)) {
        const int32_t status =
            insert(entry{key(s.x, s.y, s.dir, run.polarity), range.lowest, range.highest});
        if (status < 0) return status;
    }
    return 0;
}

int32_t trackRememberingHoles(holeMemory* holes, const cimg_imageConst* image,
                              const cbt_runParams& run, cbt_result* track) {
    if (!holes) return cbt_boundaryTrack(image, &run, track);
    if (holes->holds(run)) {
        track->count = 0;
        track->flags = 0;
        return CBT_STATUS_NO_CONTOUR;
    }
    // The tracker fills the track as it goes and grows it when full: a turned-away hole that
    // wrote over a marked slot, or made the track grow past it, may be long enough to remember.
    // Every other one is not walked again. (Past its count the track's content means nothing.)
    constexpr int32_t slot = kShortestRemembered - 1;
    constexpr cbt_point kUnwritten{INT32_MIN, INT32_MIN};
    const int32_t capacity = track->capacity;
    if (capacity > slot) track->points[slot] = kUnwritten;
    const int32_t status = cbt_boundaryTrack(image, &run, track);
    if (status != CBT_STATUS_NO_CONTOUR) return status;
    const bool mayBeLong = capacity > slot ? track->points[slot].x != kUnwritten.x ||
                                                 track->points[slot].y != kUnwritten.y
                                           : track->capacity > slot;
    if (!mayBeLong) return status;
    const int32_t remembered = holes->remember(run);
    return remembered < 0 ? remembered : status;
}

}  // namespace cidut
