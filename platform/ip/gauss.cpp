// Gaussian smoothing with sub-sampling: a separable integer kernel taken at the centre of every
// block of sample x sample pixels, rows first into 16-bit values with 8 fraction bits.
#include <cmath>
#include <cstring>

#include "ci_id/platform/cip_filter.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_status.h"

namespace {

constexpr int32_t kWeightBits = 14;
constexpr int32_t kWeightSum = 1 << kWeightBits;
// radius ceil(3 sigma) = ceil(1.5 smooth) taps on each side, one more for even samples.
constexpr int32_t kMaxTaps = 2 * ((3 * CIP_GAUSS_MAX_FACTOR + 1) / 2) + 2;

// The taps of one direction: weights summing to kWeightSum, symmetric about the block centre,
// and for every result position the source index of each tap, clamped into the window.
struct kernel1d {
    int32_t taps;
    int32_t weights[kMaxTaps];
    int32_t* indices;  // results * taps

    static int32_t radius(int32_t smooth) { return (3 * smooth + 1) / 2; }
    static int32_t tapsFor(int32_t smooth, int32_t sample) {
        return 2 * radius(smooth) + 1 + (sample % 2 == 0 ? 1 : 0);
    }

    void build(int32_t smooth, int32_t sample, int32_t length, int32_t results) {
        const double sigma = 0.5 * smooth;
        taps = tapsFor(smooth, sample);
        double raw[kMaxTaps];
        double total = 0.0;
        for (int32_t t = 0; t < taps; ++t) {
            const double d = t - 0.5 * (taps - 1);
            raw[t] = sigma > 0.0 ? std::exp(-d * d / (2.0 * sigma * sigma)) : 1.0;
            total += raw[t];
        }
        // Rounding the outer half and mirroring it keeps the kernel symmetric; the centre tap
        // (or the central pair) takes what rounding left over.
        int32_t sum = 0;
        for (int32_t t = 0; t < taps / 2; ++t) {
            weights[t] = weights[taps - 1 - t] =
                static_cast<int32_t>(std::lround(raw[t] * kWeightSum / total));
            sum += 2 * weights[t];
        }
        if (taps % 2 == 1) {
            weights[taps / 2] = kWeightSum - sum;
        } else {
            weights[taps / 2 - 1] += (kWeightSum - sum) / 2;
            weights[taps / 2] += (kWeightSum - sum) / 2;
        }
        for (int32_t i = 0; i < results; ++i) {
            const int32_t first = i * sample + (sample - 1) / 2 - radius(smooth);
            for (int32_t t = 0; t < taps; ++t) {
                const int32_t at = first + t;
                indices[i * taps + t] = at < 0 ? 0 : (at >= length ? length - 1 : at);
            }
        }
    }
};

bool inRange(int32_t value, int32_t low) { return value >= low && value <= CIP_GAUSS_MAX_FACTOR; }

int32_t ceilDiv(int32_t a, int32_t b) { return a / b + (a % b != 0 ? 1 : 0); }

// Rows of the window into mid (results x height, 8 fraction bits).
void smoothRows(const cimg_windowConst& in, const kernel1d& k, int32_t results, uint16_t* mid) {
    for (int32_t y = 0; y < in.height; ++y) {
        const uint8_t* row = in.pixels + y * in.pitch;
        uint16_t* out = mid + intptr_t{y} * results;
        for (int32_t i = 0; i < results; ++i) {
            const int32_t* at = k.indices + i * k.taps;
            int32_t acc = 0;
            for (int32_t t = 0; t < k.taps; ++t) acc += k.weights[t] * row[at[t]];
            out[i] = static_cast<uint16_t>((acc + (1 << 5)) >> 6);
        }
    }
}

void smoothColumns(const uint16_t* mid, int32_t results, const kernel1d& k, int32_t rows,
                   int32_t* acc, const cimg_window& out) {
    for (int32_t j = 0; j < rows; ++j) {
        std::memset(acc, 0, sizeof(int32_t) * static_cast<size_t>(results));
        for (int32_t t = 0; t < k.taps; ++t) {
            const uint16_t* in = mid + intptr_t{k.indices[j * k.taps + t]} * results;
            const int32_t w = k.weights[t];
            for (int32_t i = 0; i < results; ++i) acc[i] += w * in[i];
        }
        uint8_t* row = out.pixels + j * out.pitch;
        for (int32_t i = 0; i < results; ++i) {
            row[i] = static_cast<uint8_t>((acc[i] + (1 << 21)) >> 22);
        }
    }
}

int32_t setTransform(const cimg_imageConst* source, const cimg_windowConst& in,
                     const cip_gaussParams& p, cimg_image* result) {
    cmath_matrix scale;
    cmath_matrix_init(&scale, 1.0 / p.sampleX, 0.0, 0.0, 1.0 / p.sampleY);
    const cmath_vect shift{-double(in.xOffset) / p.sampleX, -double(in.yOffset) / p.sampleY};
    cmath_xformLinear toResult;
    cmath_xformLinear_initMatrixTrans(&toResult, &scale, &shift);
    cmath_xformLinear imageFromClient = source->imageFromClient;
    cmath_xformLinear_initCompose(&imageFromClient, &toResult, &imageFromClient);
    return cimg_image_setLinearImageFromClientXform(result, &imageFromClient);
}

}  // namespace

extern "C" {

int32_t cip_gaussParams_init(cip_gaussParams* params) {
    CSTD_ASSERT(params);
    *params = cip_gaussParams{1, 1, 1, 1};
    return 0;
}

int32_t cip_gauss_smooth8_8(const cimg_imageConst* source, cimg_image* destination,
                            const cip_gaussParams* params) {
    CSTD_ASSERT(source && destination && params);
    const cip_gaussParams p = *params;
    cimg_windowConst in;
    int32_t status = cimg_windowConst_init(&in, source);
    if (status < 0) return status;
    if (in.depth != CIMG_DEPTH_8U) return CIMG_STATUS_INVALID_IMAGE;
    if (!inRange(p.smoothX, 0) || !inRange(p.smoothY, 0) || !inRange(p.sampleX, 1) ||
        !inRange(p.sampleY, 1) || in.width < 1 || in.height < 1) {
        return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    }
    const int32_t columns = ceilDiv(in.width, p.sampleX);
    const int32_t rows = ceilDiv(in.height, p.sampleY);
    csys::cleanupScope<5> scope;
    void* blocks[4] = {nullptr, nullptr, nullptr, nullptr};
    const size_t sizes[4] = {
        sizeof(int32_t) * size_t(kernel1d::tapsFor(p.smoothX, p.sampleX)) * size_t(columns),
        sizeof(int32_t) * size_t(kernel1d::tapsFor(p.smoothY, p.sampleY)) * size_t(rows),
        sizeof(uint16_t) * size_t(columns) * size_t(in.height), sizeof(int32_t) * size_t(columns)};
    for (int32_t b = 0; b < 4; ++b) {
        status = csys_memory_alloc_internal(sizes[b], &blocks[b]);
        if (status < 0) return scope.close(status);
        scope.scratch<csys_memory_free_internal>(&blocks[b]);
    }
    kernel1d alongX{0, {}, static_cast<int32_t*>(blocks[0])};
    kernel1d alongY{0, {}, static_cast<int32_t*>(blocks[1])};
    alongX.build(p.smoothX, p.sampleX, in.width, columns);
    alongY.build(p.smoothY, p.sampleY, in.height, rows);
    cimg_image result;
    status = cimg_image_construct(&result, CIMG_DEPTH_8U, columns, rows);
    if (status < 0) return scope.close(status);
    scope.scratch<cimg_image_destruct>(&result);
    cimg_window out;
    cimg_window_init(&out, &result);
    auto* mid = static_cast<uint16_t*>(blocks[2]);
    smoothRows(in, alongX, columns, mid);
    smoothColumns(mid, columns, alongY, rows, static_cast<int32_t*>(blocks[3]), out);
    status = setTransform(source, in, p, &result);
    if (status >= 0) status = cimg_image_assign(destination, &result);
    return scope.close(status);
}
}
