// Fuzz target for the contour machinery: contours of arbitrary points (within the range an image
// of 32767 pixels gives, in sixteenths), halved, smoothed, measured for curvature, cut into runs
// with arbitrary settings, merged, sorted and handed to the L-corner finder. Nothing may read or
// write outside the work area or overflow. Built and run as fuzz/README.md describes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ci_id/priv/ci_idut/locate/contour.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t at = 0;
    auto byte = [&]() -> uint32_t { return at < size ? data[at++] : 0u; };
    auto word = [&]() {
        return static_cast<int32_t>((byte() << 12 | byte() << 4 | (byte() & 15)) & 0x7FFFF);
    };
    std::vector<uint32_t> buffer(cidut::kWorkAreaBytes / 4 + 1);
    cidut::contourWorkArea area =
        cidut::workAreaOf(reinterpret_cast<unsigned char*>(buffer.data()));
    const int32_t window = static_cast<int32_t>(byte() % 30);
    const int32_t minRun = static_cast<int32_t>(byte() % 20);
    const int32_t threshold = static_cast<int32_t>(byte() * 2);
    const int32_t split = static_cast<int32_t>(byte() & 1);
    const int32_t flags = static_cast<int32_t>(byte());
    int32_t n = 0;
    // Points either from the input or along a wobbly polygon, so that runs and corners occur.
    const bool polygon = byte() & 1;
    while (n < cidut::kMaxTrackedPoints && at + 3 <= size) {
        if (polygon) {
            int32_t corner = n / 64;
            area.contour[n] = cidut::contourPoint{
                ((corner & 1) * 4000 + (n % 64) * 40 + static_cast<int32_t>(byte() % 9)),
                ((corner & 2) * 2000 + (n % 64) * 16 + static_cast<int32_t>(byte() % 9))};
        } else {
            area.contour[n] = cidut::contourPoint{word(), word()};
        }
        ++n;
    }
    cidut::halve(area.contour, n, &n);
    int32_t extentSecond = 0, extentFirst = 0, extentMax = 0, largest = 0, runs = 0;
    cidut::extents(area.contour, n, &extentSecond, &extentFirst, &extentMax);
    cidut::smooth(area.smoothed, area.contour, n, window);
    cidut::curvature(area.curvature, area.smoothed, n, 2 * window, &largest);
    if (n == 0) return 0;
    cidut::straightRuns(area.segments, area.curvature, area.smoothed, split, n, minRun, threshold,
                        cidut::kSegmentCapacity, &runs);
    cidut::mergeSegments(area.segments, area.smoothed, n, runs, 4 * window, 64);
    cidut::sortSegments(area.segments, runs);
    cidut::trimSegments(area.segments, &runs);
    cidut::cornerFinding corner;
    cidut::findCorner(area.contour, area.smoothed, area.segments, runs, n, flags & 1, flags & 2,
                      (flags >> 2) % 3 - 1, &corner);
    return 0;
}
