// Scan rays, the shape view over lines, segments and rays, and the typed vectors of all four.
#include "ci_id/platform/csys_assert.h"
#include "ci_id/priv/ci_idut/scan/scan_fixed.h"
#include "ci_id/priv/ci_idut/containers/typed_vector.h"
#include "ci_id/scan.h"

extern "C" {

int32_t cidc_scanRay_init(cidc_scanRay* ray) {
    CSTD_ASSERT(ray);
    cidc_scanRay out{};
    cidc_scanLine_init(&out.line);
    out.origin = out.line.foot;
    *ray = out;
    return 0;
}

int32_t cidc_scanRay_initPointDir(cidc_scanRay* ray, const cidc_point64_4* origin,
                                  const cidc_unitDir16* dir, const cidc_scanLine* line) {
    CSTD_ASSERT(ray && origin && dir);
    cidc_scanRay out{};
    out.origin = *origin;
    cidut::assertPoint(out.origin);
    if (line) {
        out.line = *line;
    } else {
        int32_t status = cidc_scanLine_initPointDir(&out.line, &out.origin, dir);
        if (status < 0) return status;
    }
    *ray = out;
    return 0;
}

int32_t cidc_scanShape_initScanLine(cidc_scanShape* shape, const cidc_scanLine* line) {
    CSTD_ASSERT(shape && line);
    *shape = cidc_scanShape{nullptr, line, nullptr};
    return 0;
}

int32_t cidc_scanShape_initScanLineSeg(cidc_scanShape* shape, const cidc_scanLineSeg* seg) {
    CSTD_ASSERT(shape && seg);
    *shape = cidc_scanShape{seg, &seg->line, nullptr};
    return 0;
}

int32_t cidc_scanShape_initScanRay(cidc_scanShape* shape, const cidc_scanRay* ray) {
    CSTD_ASSERT(shape && ray);
    *shape = cidc_scanShape{nullptr, &ray->line, ray};
    return 0;
}
}

CSTD_VECTOR_DEFINE(cidc_scanLine, cidc_scanLine, nullptr)
CSTD_VECTOR_DEFINE(cidc_scanLineSeg, cidc_scanLineSeg, nullptr)
CSTD_VECTOR_DEFINE(cidc_scanRay, cidc_scanRay, nullptr)
CSTD_VECTOR_DEFINE(cidc_scanShape, cidc_scanShape, nullptr)
