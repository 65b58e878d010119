// Fixed-point unit directions and infinite scan lines.
#include <algorithm>
#include <cstdint>

#include "ci_id/platform/cmath_fixed.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/scan/scan_fixed.h"
#include "ci_id/scan.h"

namespace {

constexpr int32_t kOne = 65536;

int64_t magnitude(int64_t v) { return v < 0 ? -v : v; }

// major, step and projCoef from dir. Axis-parallel directions keep exact unit steps; the others
// divide by major >> 3 so that every product stays in 32 bits.
void setDirectionTerms(cidc_scanLine* line) {
    const int32_t dx = line->dir.x;
    const int32_t dy = line->dir.y;
    CSTD_ASSERT(dx >= -kOne && dx <= kOne && dy >= -kOne && dy <= kOne);
    if (dx == 0 || dy == 0) {
        line->major = kOne;
        line->step = cidc_point32{dx, dy};
        line->projCoef = cidc_projCoef{dx, -dy};
        return;
    }
    const auto major = static_cast<int32_t>(std::max(magnitude(dx), magnitude(dy)));
    const int32_t eighth = major >> 3;
    CSTD_ASSERT(eighth != 0);
    line->major = major;
    line->step = cidc_point32{static_cast<int32_t>(int64_t{dx} * 8192 / eighth),
                              static_cast<int32_t>(int64_t{dy} * 8192 / eighth)};
    line->projCoef = cidc_projCoef{(dx * eighth) >> 13, -((dy * eighth) >> 13)};
}

// The foot of the perpendicular from the origin to the line at signed distance dist.
cidc_point64_4 footAt(int64_t dist, const cidc_unitDir16& dir) {
    return cidc_point64_4{(dist * -int64_t{dir.y}) >> 16, (dist * dir.x) >> 16};
}

void translateInPlace(cidc_scanLine* line, const cidc_point64_4& offset) {
    cidut::assertPoint(offset);
    const int64_t nx = -int64_t{line->dir.y};
    const int64_t ny = line->dir.x;
    const int64_t delta = (offset.x * nx + offset.y * ny) >> 16;
    line->dist += delta;
    line->foot.x += (delta * nx) >> 16;
    line->foot.y += (delta * ny) >> 16;
}

}  // namespace

extern "C" {

int32_t cidc_unitDir16_initVect(cidc_unitDir16* dir, int32_t dx, int32_t dy) {
    CSTD_ASSERT(dir);
    if (dx == 0) {
        *dir = cidc_unitDir16{0, dy > 0 ? kOne : -kOne};
        return 0;
    }
    if (dy == 0) {
        *dir = cidc_unitDir16{dx > 0 ? kOne : -kOne, 0};
        return 0;
    }
    // Bring the larger component into [16384, 32767] so that the squares fit 32 bits.
    int64_t x = dx;
    int64_t y = dy;
    int64_t m = std::max(magnitude(x), magnitude(y));
    while (m >= 32768) {
        m >>= 1;
        x >>= 1;
        y >>= 1;
    }
    while (m < 16384) {
        m *= 2;
        x *= 2;
        y *= 2;
    }
    const int64_t length = cmath_sqrt32(static_cast<uint32_t>(x * x + y * y)) & 0xFFFF;
    CSTD_ASSERT(length > 0);
    const int64_t ux = x * kOne / length;
    const int64_t uy = y * kOne / length;
    CSTD_ASSERT(ux >= -kOne && ux <= kOne && uy >= -kOne && uy <= kOne);
    *dir = cidc_unitDir16{static_cast<int32_t>(ux), static_cast<int32_t>(uy)};
    return 0;
}

int32_t cidc_scanLine_init(cidc_scanLine* line) {
    CSTD_ASSERT(line);
    *line = cidc_scanLine{0, {kOne, 0}, {0, 0}, kOne, {kOne, 0}, {kOne, 0}};
    return 0;
}

int32_t cidc_scanLine_initPointDir(cidc_scanLine* line, const cidc_point64_4* point,
                                   const cidc_unitDir16* dir) {
    CSTD_ASSERT(line && point && dir);
    const cidc_point64_4 p = *point;
    cidut::assertPoint(p);
    cidc_scanLine out{};
    out.dir = *dir;
    if (out.dir.x == 0 && out.dir.y == 0) {
        cidc_scanLine_init(&out);
        out.foot = p;
    } else if (out.dir.x == 0) {
        out.foot = cidc_point64_4{p.x, 0};
        out.dist = out.dir.y > 0 ? -p.x : p.x;
        setDirectionTerms(&out);
    } else if (out.dir.y == 0) {
        out.foot = cidc_point64_4{0, p.y};
        out.dist = out.dir.x > 0 ? p.y : -p.y;
        setDirectionTerms(&out);
    } else {
        setDirectionTerms(&out);
        out.dist = (p.x * -int64_t{out.dir.y} + p.y * out.dir.x) >> 16;
        out.foot = footAt(out.dist, out.dir);
    }
    *line = out;
    return 0;
}

int32_t cidc_scanLine_initDirDist(cidc_scanLine* line, const uint16_t* angle,
                                  const int64_t* distance, const cidc_point64_4* offset) {
    CSTD_ASSERT(line && angle && distance);
    const uint16_t a = *angle;
    const int64_t d = *distance;
    cidut::assertPosition(d);
    if (offset) cidut::assertPoint(*offset);
    cidc_scanLine out{};
    out.dist = d;
    if ((a & 0x7FFF) == 0) {
        const bool forward = a == 0;
        out.dir = cidc_unitDir16{forward ? kOne : -kOne, 0};
        out.foot = cidc_point64_4{0, forward ? d : -d};
        if (offset) {
            out.foot.y += offset->y;
            out.dist = forward ? out.foot.y : -out.foot.y;
        }
    } else if ((a & 0x3FFF) == 0) {
        const bool down = a < 32768;
        out.dir = cidc_unitDir16{0, down ? kOne : -kOne};
        out.foot = cidc_point64_4{down ? -d : d, 0};
        if (offset) {
            out.foot.x += offset->x;
            out.dist = down ? -out.foot.x : out.foot.x;
        }
    } else {
        out.dir = cidc_unitDir16{cmath_cos16FixedPoint(&a, 16), cmath_sin16FixedPoint(&a, 16)};
        out.foot = footAt(d, out.dir);
        if (offset) translateInPlace(&out, *offset);
    }
    setDirectionTerms(&out);
    *line = out;
    return 0;
}

int32_t cidc_scanLine_translate(const cidc_scanLine* source, const cidc_point64_4* offset,
                                cidc_scanLine* out) {
    CSTD_ASSERT(source && offset && out);
    cidc_scanLine moved = *source;
    translateInPlace(&moved, *offset);
    *out = moved;
    return 0;
}
}
