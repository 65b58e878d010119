// Scan line segments: construction from points and from positions along a line, translation, and
// the way back from a position along a segment to image coordinates.
#include <algorithm>
#include <cstdint>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/scan/scan_fixed.h"
#include "ci_id/scan.h"

namespace {

int64_t magnitude(int64_t v) { return v < 0 ? -v : v; }

// The direction of a difference of two positions. Differences wider than 32 bits are halved
// together until they fit, which keeps their ratio instead of wrapping.
int32_t directionOf(int64_t dx, int64_t dy, cidc_unitDir16* dir) {
    while (std::max(magnitude(dx), magnitude(dy)) > INT32_MAX) {
        dx >>= 1;
        dy >>= 1;
    }
    return cidc_unitDir16_initVect(dir, static_cast<int32_t>(dx), static_cast<int32_t>(dy));
}

int64_t pixelCentre(int64_t position) { return (position >> 4) * 16 + 8; }

}  // namespace

extern "C" {

int32_t cidc_scanLineSeg_initDegen(cidc_scanLineSeg* seg) {
    CSTD_ASSERT(seg);
    cidc_scanLineSeg out{};
    cidc_scanLine_init(&out.line);
    out.degenerate = 1;
    *seg = out;
    return 0;
}

int32_t cidc_scanLineSeg_initPoints(cidc_scanLineSeg* seg, const cidc_point64_4* start,
                                    const cidc_point64_4* end, const cidc_scanLine* line) {
    CSTD_ASSERT(seg && start && end);
    cidc_scanLineSeg out{};
    out.pts[0] = *start;
    out.pts[1] = *end;
    cidut::assertPoint(out.pts[0]);
    cidut::assertPoint(out.pts[1]);
    if (line) {
        out.line = *line;
    } else {
        cidc_unitDir16 dir;
        int32_t status =
            directionOf(out.pts[1].x - out.pts[0].x, out.pts[1].y - out.pts[0].y, &dir);
        if (status < 0) return status;
        status = cidc_scanLine_initPointDir(&out.line, &out.pts[0], &dir);
        if (status < 0) return status;
    }
    for (int i = 0; i < 2; ++i) {
        out.pix[i] = cidc_point32{static_cast<int32_t>(out.pts[i].x >> 4),
                                  static_cast<int32_t>(out.pts[i].y >> 4)};
        const cidc_point64_4 centre{pixelCentre(out.pts[i].x), pixelCentre(out.pts[i].y)};
        out.scanPos[i] = cidut::scanCoordsOf(out.line, centre);
    }
    CSTD_ASSERT(out.scanPos[1].u >= out.scanPos[0].u);
    *seg = out;
    return 0;
}

int32_t cidc_scanLineSeg_initPeakPos(cidc_scanLineSeg* seg, const cidc_scanLine* line,
                                     int64_t startPos, int64_t endPos) {
    CSTD_ASSERT(seg && line);
    cidut::assertPosition(startPos);
    cidut::assertPosition(endPos);
    const cidc_scanLine l = *line;
    const int64_t sx = l.step.x;
    const int64_t sy = l.step.y;
    auto pointAt = [&](int64_t s) {
        if (sx == 0) return cidc_point64_4{l.foot.x, sy > 0 ? s : -s};
        if (sy == 0) return cidc_point64_4{sx > 0 ? s : -s, l.foot.y};
        const cidc_point64_4 base{(l.dist * -int64_t{l.dir.y}) >> 16, (l.dist * l.dir.x) >> 16};
        return cidc_point64_4{base.x + ((s * sx) >> 16), base.y + ((s * sy) >> 16)};
    };
    const cidc_point64_4 start = pointAt(startPos);
    const cidc_point64_4 end = pointAt(endPos);
    return cidc_scanLineSeg_initPoints(seg, &start, &end, &l);
}

int32_t cidc_scanLineSeg_translate(const cidc_scanLineSeg* source, const cidc_point64_4* offset,
                                   cidc_scanLineSeg* out) {
    CSTD_ASSERT(source && offset && out);
    cidc_scanLine line;
    int32_t status = cidc_scanLine_translate(&source->line, offset, &line);
    if (status < 0) return status;
    const cidc_point64_4 start{source->pts[0].x + offset->x, source->pts[0].y + offset->y};
    const cidc_point64_4 end{source->pts[1].x + offset->x, source->pts[1].y + offset->y};
    return cidc_scanLineSeg_initPoints(out, &start, &end, &line);
}

int32_t cidc_convertPeakToImage(const int64_t* position, const cidc_scanLineSeg* seg,
                                int32_t originX, int32_t originY, cmath_vect* out) {
    CSTD_ASSERT(position && seg && out);
    cidut::assertPosition(*position);
    const int64_t s = *position;
    const int64_t sx = seg->line.step.x;
    const int64_t sy = seg->line.step.y;
    const int64_t v = seg->scanPos[0].v;
    cidut::assertPosition(v);
    constexpr double kScale = 1.0 / 1048576.0;
    out->x = static_cast<double>(sx * s - sy * v) * kScale + originX;
    out->y = static_cast<double>(sy * s + sx * v) * kScale + originY;
    return 0;
}
}
