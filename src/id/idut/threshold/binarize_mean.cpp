// Local-mean binarization (method 5): a pixel is white when p N^2 >= S - meanOffset N^2, S being
// the sum of the N x N window centred on it and moved inwards at the borders. Column sums slide
// down one row at a time and window sums along the row, so the cost per pixel does not depend on
// N; all sums are 32-bit, exact up to CIDUT_BINARIZE_MAX_MEAN_WINDOW. Loops over fixed blocks let
// the compiler vectorise them without a scalar tail of unknown length.
#include <algorithm>

#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/priv/ci_idut/threshold/binarize.h"
#include "ci_id/status.h"

namespace {

constexpr int32_t kBlock = 16;

// sums[x] += entering[x] - leaving[x].
void slideColumns(int32_t* __restrict sums, const uint8_t* __restrict entering,
                  const uint8_t* __restrict leaving, int32_t width) {
    int32_t x = 0;
    for (; x + kBlock <= width; x += kBlock) {
        for (int32_t i = 0; i < kBlock; ++i) sums[x + i] += entering[x + i] - leaving[x + i];
    }
    for (; x < width; ++x) sums[x] += entering[x] - leaving[x];
}

// windows[i] = columns[i] + ... + columns[i + n - 1], i = 0 .. width - n.
void slideRow(const int32_t* columns, int32_t width, int32_t n, int32_t* windows) {
    int32_t sum = 0;
    for (int32_t i = 0; i < n; ++i) sum += columns[i];
    windows[0] = sum;
    for (int32_t i = 0; i + n < width; ++i) {
        sum += columns[i + n] - columns[i];
        windows[i + 1] = sum;
    }
}

uint8_t whiteWhen(int32_t pixel, int32_t area, int32_t limit) {
    return pixel * area >= limit ? 255 : 0;
}

// out[x] for x in [from, to), all against the window sum windows[x - shift] less offset.
void compareRun(const uint8_t* __restrict in, uint8_t* __restrict out,
                const int32_t* __restrict windows, int32_t from, int32_t to, int32_t shift,
                int32_t area, int32_t offset) {
    int32_t x = from;
    for (; x + kBlock <= to; x += kBlock) {
        for (int32_t i = 0; i < kBlock; ++i) {
            out[x + i] = whiteWhen(in[x + i], area, windows[x + i - shift] - offset);
        }
    }
    for (; x < to; ++x) out[x] = whiteWhen(in[x], area, windows[x - shift] - offset);
}

// One row: windows at the borders stay where they touch the border.
void compareRow(const uint8_t* in, uint8_t* out, const int32_t* windows, int32_t width, int32_t n,
                int32_t area, int32_t offset) {
    const int32_t half = n / 2;
    const int32_t lastWindow = width - n;
    for (int32_t x = 0; x < half; ++x) out[x] = whiteWhen(in[x], area, windows[0] - offset);
    compareRun(in, out, windows, half, lastWindow + half + 1, half, area, offset);
    for (int32_t x = lastWindow + half + 1; x < width; ++x) {
        out[x] = whiteWhen(in[x], area, windows[lastWindow] - offset);
    }
}

}  // namespace

namespace cidut {

int32_t binarizeLocalMean(const binarizeJob& job) {
    const cimg_windowConst& in = job.window;
    const int32_t n = job.params->meanWindow;
    if (n < 1 || n > CIDUT_BINARIZE_MAX_MEAN_WINDOW || in.width < n || in.height < n) {
        return CID_STATUS_OUT_OF_RANGE;
    }
    cimg_window out;
    int32_t status = cimg_window_init(&out, job.target);
    if (status < 0) return status;
    csys::cleanupScope<1> scope;
    void* sums = nullptr;
    status = csys_memory_allocArray_internal(2 * size_t(in.width), sizeof(int32_t), &sums);
    if (status < 0) return scope.close(status);
    scope.scratch<csys_memory_free_internal>(&sums);
    int32_t* columns = static_cast<int32_t*>(sums);
    int32_t* windows = columns + in.width;
    const int32_t area = n * n;
    const int32_t offset = job.params->meanOffset * area;
    for (int32_t r = 0; r < n; ++r) {
        const uint8_t* row = in.pixels + r * in.pitch;
        for (int32_t x = 0; x < in.width; ++x) columns[x] += row[x];
    }
    int32_t top = 0;
    for (int32_t y = 0; y < in.height; ++y) {
        const int32_t wanted = std::clamp(y - n / 2, 0, in.height - n);
        if (wanted != top) {
            top = wanted;
            slideColumns(columns, in.pixels + (top + n - 1) * in.pitch,
                         in.pixels + (top - 1) * in.pitch, in.width);
        }
        slideRow(columns, in.width, n, windows);
        compareRow(in.pixels + y * in.pitch, out.pixels + y * out.pitch, windows, in.width, n, area,
                   offset);
    }
    return scope.close(0);
}

}  // namespace cidut
