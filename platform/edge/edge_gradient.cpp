// Gaussian smoothing and Sobel gradient of the edge library, in integers so that mirrored
// pixels give exactly mirrored gradients and ties between neighbours stay ties.
#include <algorithm>
#include <cmath>

#include "ci_id/platform/csys_runtime.h"
#include "edge/edge_internal.h"

namespace csedge {

namespace {

constexpr int32_t kMaxRadius = 16;  // ceil(2 * CSEDGE_MAX_SIGMA)
// Each smoothing pass scales by 256, the Sobel operator by 4 and its magnitude is halved: an
// 8-bit magnitude is the Sobel response over 4, twice the grey-level change per pixel.
constexpr float kMagnitudeScale = 1.0f / (256.0f * 256.0f * 4.0f);
constexpr double kAngleUnitsPerRadian = 128.0 / 3.14159265358979323846;

// Weights for offsets 0 .. radius of a Gaussian, summing to 256 over both sides.
int32_t gaussianKernel(float sigma, int32_t* weights) {
    if (!(sigma > 0.0f)) {
        weights[0] = 256;
        return 0;
    }
    const int32_t radius = std::min(kMaxRadius, static_cast<int32_t>(std::ceil(2.0f * sigma)));
    double samples[kMaxRadius + 1];
    double total = 0.0;
    for (int32_t k = 0; k <= radius; ++k) {
        samples[k] = std::exp(-double(k) * k / (2.0 * double(sigma) * sigma));
        total += k == 0 ? samples[k] : 2.0 * samples[k];
    }
    int32_t sides = 0;
    for (int32_t k = 1; k <= radius; ++k) {
        weights[k] = static_cast<int32_t>(std::lround(256.0 * samples[k] / total));
        sides += 2 * weights[k];
    }
    weights[0] = 256 - sides;
    return radius;
}

int32_t smoothedAt(const unsigned char* row, int32_t width, const int32_t* weights, int32_t radius,
                   int32_t x) {
    int32_t sum = weights[0] * row[x];
    for (int32_t k = 1; k <= radius; ++k) {
        sum += weights[k] * (row[std::max(x - k, 0)] + row[std::min(x + k, width - 1)]);
    }
    return sum;
}

// Columns whose kernel stays inside the row need no clamping.
void smoothRow(const unsigned char* row, int32_t width, const int32_t* weights, int32_t radius,
               int32_t* out) {
    const int32_t inner = std::min(radius, width);
    const int32_t outer = std::max(width - radius, inner);
    for (int32_t x = 0; x < inner; ++x) out[x] = smoothedAt(row, width, weights, radius, x);
    for (int32_t x = inner; x < outer; ++x) {
        int32_t sum = weights[0] * row[x];
        for (int32_t k = 1; k <= radius; ++k) sum += weights[k] * (row[x - k] + row[x + k]);
        out[x] = sum;
    }
    for (int32_t x = outer; x < width; ++x) out[x] = smoothedAt(row, width, weights, radius, x);
}

void smoothColumns(const int32_t* in, int32_t width, int32_t height, const int32_t* weights,
                   int32_t radius, int32_t* out) {
    for (int32_t y = 0; y < height; ++y) {
        int32_t* row = out + size_t(y) * size_t(width);
        const int32_t* centre = in + size_t(y) * size_t(width);
        for (int32_t x = 0; x < width; ++x) row[x] = weights[0] * centre[x];
        for (int32_t k = 1; k <= radius; ++k) {
            const int32_t* above = in + size_t(std::max(y - k, 0)) * size_t(width);
            const int32_t* below = in + size_t(std::min(y + k, height - 1)) * size_t(width);
            for (int32_t x = 0; x < width; ++x) row[x] += weights[k] * (above[x] + below[x]);
        }
    }
}

uint8_t angleByte(int32_t gx, int32_t gy) {
    const double angle = std::atan2(double(gy), double(gx)) * kAngleUnitsPerRadian;
    return static_cast<uint8_t>(std::lround(angle) & 0xFF);
}

void writeOutputs(const gradientPlanes& planes, int32_t y, const csImage* magnitude,
                  const csImage* angle) {
    // Output pixel x - 1 of row y - 1 belongs to view pixel (x, y).
    unsigned char* magnitudes = magnitude ? magnitude->pixels + (y - 1) * magnitude->pitch : 0;
    unsigned char* angles = angle ? angle->pixels + (y - 1) * angle->pitch : 0;
    for (int32_t x = 1; x < planes.width - 1; ++x) {
        const size_t p = at(planes, x, y);
        if (magnitudes) magnitudes[x - 1] = magnitudeByte(planes.magnitude[p]);
        if (angles) angles[x - 1] = angleByte(planes.gx[p], planes.gy[p]);
    }
}

}  // namespace

void smooth(const csImage& source, float sigma, int32_t* scratch, int32_t* smoothed) {
    int32_t weights[kMaxRadius + 1];
    const int32_t radius = gaussianKernel(sigma, weights);
    for (int32_t y = 0; y < source.height; ++y) {
        smoothRow(source.pixels + y * source.pitch, source.width, weights, radius,
                  scratch + size_t(y) * size_t(source.width));
    }
    smoothColumns(scratch, source.width, source.height, weights, radius, smoothed);
}

int32_t gradient(const int32_t* smoothed, const gradientPlanes& planes, const csImage* magnitude,
                 const csImage* angle) {
    const size_t w = size_t(planes.width);
    for (int32_t y = 1; y < planes.height - 1; ++y) {
        const int32_t status = csys_attention_check();
        if (status < 0) return status;
        const int32_t* above = smoothed + (y - 1) * w;
        const int32_t* row = above + w;
        const int32_t* below = row + w;
        for (int32_t x = 1; x < planes.width - 1; ++x) {
            const int32_t gx = (above[x + 1] + 2 * row[x + 1] + below[x + 1]) -
                               (above[x - 1] + 2 * row[x - 1] + below[x - 1]);
            const int32_t gy = (below[x - 1] + 2 * below[x] + below[x + 1]) -
                               (above[x - 1] + 2 * above[x] + above[x + 1]);
            const size_t p = at(planes, x, y);
            planes.gx[p] = gx;
            planes.gy[p] = gy;
            planes.magnitude[p] =
                static_cast<float>(std::sqrt(double(gx) * gx + double(gy) * gy) * kMagnitudeScale);
        }
        if (magnitude || angle) writeOutputs(planes, y, magnitude, angle);
    }
    return 0;
}

}  // namespace csedge
