// Box averaging of 8-bit pixels: column sums slide down the rows, box sums along each row.
#include <cstring>

#include "ci_id/cluster.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"

namespace {

void addRow(uint64_t* sums, const uint8_t* row, int32_t width) {
    for (int32_t x = 0; x < width; ++x) sums[x] += row[x];
}

void slideRow(uint64_t* sums, const uint8_t* entering, const uint8_t* leaving, int32_t width) {
    for (int32_t x = 0; x < width; ++x) sums[x] = sums[x] + entering[x] - leaving[x];
}

// One destination row from the column sums; columns past the last box repeat its value.
void averageRow(const uint64_t* sums, int32_t width, int32_t boxWidth, uint64_t area,
                uint8_t* out) {
    uint64_t box = 0;
    for (int32_t x = 0; x < boxWidth; ++x) box += sums[x];
    const int32_t anchors = width - boxWidth + 1;
    for (int32_t x = 0; x < anchors; ++x) {
        out[x] = static_cast<uint8_t>((box + area / 2) / area);
        if (x + boxWidth < width) box = box + sums[x + boxWidth] - sums[x];
    }
    std::memset(out + anchors, out[anchors - 1], static_cast<size_t>(width - anchors));
}

}  // namespace

extern "C" int32_t cid_spatialAverage(const uint8_t* source, int32_t width, int32_t height,
                                      intptr_t sourceStride, int32_t boxWidth, int32_t boxHeight,
                                      uint8_t* destination, intptr_t destinationStride) {
    CSTD_ASSERT(source && destination);
    CSTD_ASSERT(boxWidth >= 1 && boxHeight >= 1 && width >= boxWidth && height >= boxHeight);
    csys::cleanupScope<1> scope;
    void* block = nullptr;
    int32_t status = csys_memory_allocArray_internal(size_t(width), sizeof(uint64_t), &block);
    if (status < 0) return scope.close(status);
    scope.scratch<csys_memory_free_internal>(&block);
    auto* sums = static_cast<uint64_t*>(block);
    const uint64_t area = uint64_t(boxWidth) * uint64_t(boxHeight);
    for (int32_t r = 0; r < boxHeight; ++r) addRow(sums, source + r * sourceStride, width);
    const int32_t anchorRows = height - boxHeight + 1;
    for (int32_t y = 0; y < anchorRows; ++y) {
        if (y > 0) {
            slideRow(sums, source + (y + boxHeight - 1) * sourceStride,
                     source + (y - 1) * sourceStride, width);
        }
        averageRow(sums, width, boxWidth, area, destination + y * destinationStride);
    }
    const uint8_t* last = destination + (anchorRows - 1) * destinationStride;
    for (int32_t y = anchorRows; y < height; ++y) {
        std::memcpy(destination + y * destinationStride, last, static_cast<size_t>(width));
    }
    return scope.close(0);
}
