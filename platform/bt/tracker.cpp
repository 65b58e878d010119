// Crack-following boundary tracker. The state is an object pixel P and a direction of travel;
// the boundary edge followed lies between P and its neighbour on the left-hand side, B, so the
// object stays on the right (outer boundaries run clockwise on the screen). At the end of each
// edge the two pixels ahead, A (beside P) and C (beside B), decide the next edge:
//
//   -->  B C          C object (and A object, or the object 8-connected): turn left onto C
//        P A          A object: go straight onto A
//                     otherwise: turn right around P
//
// Right turns minus left turns add up to +4 around an outer boundary and -4 around a hole.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "ci_id/platform/cbt.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/priv/ci_idut/locate/tracker_limits.h"

namespace {

constexpr int kDx[4] = {1, 0, -1, 0};  // east, south, west, north: clockwise with y down
constexpr int kDy[4] = {0, 1, 0, -1};

int leftOf(int dir) { return (dir + 3) & 3; }
int rightOf(int dir) { return (dir + 1) & 3; }

struct pixelGrid {
    const unsigned char* pixels;
    intptr_t pitch;
    int32_t width;
    int32_t height;
    int32_t x0;
    int32_t y0;

    bool inside(int x, int y) const {
        return static_cast<unsigned>(x) < static_cast<unsigned>(width) &&
               static_cast<unsigned>(y) < static_cast<unsigned>(height);
    }
    int value(int x, int y) const { return pixels[y * pitch + x]; }
};

int32_t growPoints(cbt_result* result, int32_t limit) {
    int64_t wanted = std::max<int64_t>(int64_t{result->capacity} * 2, 256);
    int32_t capacity = static_cast<int32_t>(std::min<int64_t>(wanted, limit));
    void* block = nullptr;
    int32_t status =
        csys_memory_allocArray_internal(static_cast<size_t>(capacity), sizeof(cbt_point), &block);
    if (status < 0) return status;
    if (result->count > 0) {
        std::memcpy(block, result->points, static_cast<size_t>(result->count) * sizeof(cbt_point));
    }
    void* old = result->points;
    csys_memory_free_internal(&old);
    result->points = static_cast<cbt_point*>(block);
    result->capacity = capacity;
    return 0;
}

class tracer {
public:
    tracer(const pixelGrid& grid, const cbt_runParams& params, bool adaptive)
        : grid_(grid),
          darkObject_(params.polarity != 0),
          object8_((params.darkIs8Connected != 0) == (params.polarity != 0)),
          adaptive_(adaptive),
          startThreshold_(params.threshold),
          contrast_(std::max(params.edgeStrength / 3, 0)) {}

    // The adaptive threshold depends on the pixel's place only, never on the path that reached
    // it: the object is then one fixed set of pixels, and following its boundary always comes
    // back to the start.
    int thresholdAt(int x, int y) const {
        if (!adaptive_) return startThreshold_;
        int lo = 255, hi = 0;
        for (int j = std::max(y - 1, 0); j <= std::min(y + 1, grid_.height - 1); ++j) {
            for (int i = std::max(x - 1, 0); i <= std::min(x + 1, grid_.width - 1); ++i) {
                int v = grid_.value(i, j);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
        if (hi - lo < std::max(contrast_ / 2, 8)) return startThreshold_;
        return std::clamp((hi + lo + 1) >> 1, startThreshold_ - contrast_ / 2,
                          startThreshold_ + contrast_ / 2);
    }

    bool isObject(int x, int y) const {
        if (!grid_.inside(x, y)) return false;
        int v = grid_.value(x, y);
        // A level beyond the threshold's whole range decides without the neighbourhood.
        if (v < startThreshold_ - contrast_ / 2) return darkObject_;
        if (v >= startThreshold_ + contrast_ / 2) return !darkObject_;
        int t = thresholdAt(x, y);
        return darkObject_ ? v < t : v >= t;
    }

    // First object pixel followed by a non-object one on a 4-connected path from (x, y) to
    // (tx, ty); the edge direction is the step between them.
    bool findStartEdge(int x, int y, int tx, int ty, int* px, int* py, int* step) const {
        int ax = std::abs(tx - x), ay = std::abs(ty - y);
        int sx = tx > x ? 0 : 2, sy = ty > y ? 1 : 3;
        for (int ix = 0, iy = 0; ix < ax || iy < ay;) {
            bool alongX = int64_t{2 * ix + 1} * ay < int64_t{2 * iy + 1} * ax;
            int d = alongX ? sx : sy;
            int nx = x + kDx[d], ny = y + kDy[d];
            if (isObject(x, y) && !isObject(nx, ny)) {
                *px = x;
                *py = y;
                *step = d;
                return true;
            }
            x = nx;
            y = ny;
            (alongX ? ix : iy)++;
        }
        return false;
    }

    // The crossing of the pair's threshold between P and its left-hand neighbour, 24.8 image
    // coordinates; notes how far the threshold strayed from the start.
    cbt_point edgePoint(int px, int py, int dir) {
        int n = leftOf(dir);
        int bx = px + kDx[n], by = py + kDy[n];
        // Along the window's edge the point stays just inside, so that it rounds to P.
        int offset = 127;
        int threshold = thresholdAt(px, py);
        if (grid_.inside(bx, by)) {
            threshold = (threshold + thresholdAt(bx, by) + 1) >> 1;
            int vp = grid_.value(px, py);
            int num = (threshold - vp) * 256;
            int den = grid_.value(bx, by) - vp;
            if (den < 0) {
                num = -num;
                den = -den;
            }
            offset = den > 0 ? std::clamp((2 * num + den) / (2 * den), 0, 256) : 128;
        }
        maxDrift_ = std::max(maxDrift_, std::abs(threshold - startThreshold_));
        return cbt_point{(px + grid_.x0) * 256 + kDx[n] * offset,
                         (py + grid_.y0) * 256 + kDy[n] * offset};
    }

    bool onBorder(int x, int y) const {
        return x == 0 || y == 0 || x == grid_.width - 1 || y == grid_.height - 1;
    }

    bool object8() const { return object8_; }
    bool adaptive() const { return adaptive_; }
    int drift() const { return maxDrift_; }
    int contrast() const { return contrast_; }

private:
    pixelGrid grid_;
    bool darkObject_;
    bool object8_;
    bool adaptive_;
    int startThreshold_;
    int contrast_;
    int maxDrift_ = 0;
};

// The pixel whose centre is nearest to a 24.8 point.
int32_t startPixel(int32_t fixed, int32_t origin) { return ((fixed + 128) >> 8) - origin; }

int32_t trace(const cimg_imageConst* image, const cbt_runParams* params, bool adaptive,
              cbt_result* result) {
    CSTD_ASSERT(image && params && result);
    result->count = 0;
    result->flags = 0;
    cimg_windowConst window;
    int32_t status = cimg_windowConst_init(&window, image);
    if (status < 0) return status;
    if (window.depth != CIMG_DEPTH_8U) return CIMG_STATUS_INVALID_IMAGE;
    if (!cidut::fitsTrackerCoordinates(window)) return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    pixelGrid grid{window.pixels, window.pitch,   window.width,
                   window.height, window.xOffset, window.yOffset};
    tracer walker(grid, *params, adaptive);

    int px = 0, py = 0, step = 0;
    if (!walker.findStartEdge(startPixel(params->start2X, grid.x0),
                              startPixel(params->start2Y, grid.y0),
                              startPixel(params->start1X, grid.x0),
                              startPixel(params->start1Y, grid.y0), &px, &py, &step)) {
        return CBT_STATUS_NO_CONTOUR;
    }
    const int startX = px, startY = py, startDir = rightOf(step);
    const int32_t limit = std::max(params->maxPoints, 1);
    int dir = startDir;
    int turns = 0;
    bool closed = false;
    for (;;) {
        if (result->count == limit) break;
        if (result->count == result->capacity) {
            status = growPoints(result, limit);
            if (status < 0) return status;
        }
        result->points[result->count++] = walker.edgePoint(px, py, dir);
        if (walker.onBorder(px, py)) {
            result->flags |= CBT_FLAG_TOUCHES_BORDER;
            int n = leftOf(dir);
            if (params->stopAtBorder && !grid.inside(px + kDx[n], py + kDy[n])) {
                result->flags |= CBT_FLAG_UNUSABLE;
                break;
            }
        }
        int ax = px + kDx[dir], ay = py + kDy[dir];
        int left = leftOf(dir);
        int cx = ax + kDx[left], cy = ay + kDy[left];
        bool a = walker.isObject(ax, ay);
        if (walker.isObject(cx, cy) && (a || walker.object8())) {
            px = cx;
            py = cy;
            dir = left;
            --turns;
        } else if (a) {
            px = ax;
            py = ay;
        } else {
            dir = rightOf(dir);
            ++turns;
        }
        if (px == startX && py == startY && dir == startDir) {
            closed = true;
            break;
        }
    }
    if (closed) {
        if (params->outerOnly && turns < 0) {
            result->count = 0;
            result->flags = 0;
            return CBT_STATUS_NO_CONTOUR;
        }
        result->flags |= CBT_FLAG_CLOSED;
    }
    if (walker.adaptive() && 4 * walker.drift() > walker.contrast()) result->mode = 0;
    return 0;
}

}  // namespace

extern "C" {

int32_t cbt_runParams_init(cbt_runParams* params) {
    CSTD_ASSERT(params);
    *params = cbt_runParams{1, 1, 0, 0, 0, 0, 128, 1, 0, INT32_MAX, 0, 0};
    return 0;
}

int32_t cbt_result_construct(cbt_result* result, int32_t initialCapacity) {
    CSTD_ASSERT(result);
    CSTD_ASSERT(initialCapacity >= 0);
    *result = cbt_result{};
    if (initialCapacity == 0) return 0;
    void* block = nullptr;
    int32_t status = csys_memory_allocArray_internal(static_cast<size_t>(initialCapacity),
                                                     sizeof(cbt_point), &block);
    if (status < 0) return status;
    result->points = static_cast<cbt_point*>(block);
    result->capacity = initialCapacity;
    return 0;
}

int32_t cbt_result_destruct(cbt_result* result) {
    CSTD_ASSERT(result);
    void* block = result->points;
    int32_t status = csys_memory_free_internal(&block);
    *result = cbt_result{};
    return status;
}

int32_t cbt_boundaryTrack(const cimg_imageConst* image, const cbt_runParams* params,
                          cbt_result* result) {
    return trace(image, params, false, result);
}

int32_t cbt_boundaryTrack_Adaptive(const cimg_imageConst* image, const cbt_runParams* params,
                                   int32_t trackMode, cbt_result* result) {
    CSTD_ASSERT(params);
    return trace(image, params, trackMode == 0 && params->followLocalLevel != 0, result);
}
}
