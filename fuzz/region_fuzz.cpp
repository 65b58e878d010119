// libFuzzer target for regions built from arbitrary corners: every initialiser, measurement,
// fixed-point conversion, perspective check and mask operation runs on them. Corners are raw
// doubles (NaN, infinities, huge values) or small pixel values, as a byte per corner chooses.
// Inputs keep within each entry's preconditions, so any assertion, sanitizer report or hang is a
// finding.
//
// Built and run as fuzz/README.md describes.
#include <cstddef>
#include <cstdint>

#include "ci_id/fixedregion.h"
#include "ci_id/mask.h"
#include "ci_id/perspective.h"
#include "ci_id/region.h"

#include "fuzz_input.h"

namespace {

using reader = cid_fuzz::input;

cmath_vect point(reader& in) {
    if (in.next<uint8_t>() % 4 == 0) return cmath_vect{in.next<double>(), in.next<double>()};
    return cmath_vect{in.next<int16_t>() / 64.0, in.next<int16_t>() / 64.0};
}

cid_region anyRegion(reader& in) {
    cmath_vect po = point(in), px = point(in), py = point(in), popp = point(in);
    cid_region r;
    cid_region_initPoPxPyPopp(&r, &po, &px, &py, in.next<uint8_t>() % 2 ? &popp : nullptr);
    uint8_t flags = in.next<uint8_t>();
    for (int k = 0; k < 4; ++k) r.tightness[k] = (flags >> k) & 1;
    return r;
}

void measure(const cid_region& r, const cmath_vect& p) {
    cmath_vect v, seg[2], ySeg[2];
    double d = 0;
    int32_t flag = 0;
    for (int atOrigin = 0; atOrigin < 2; ++atOrigin) {
        cid_region_getXAngle(&r, atOrigin, &d);
        cid_region_getYLength(&r, atOrigin, &d);
    }
    double shorter, longer;
    cid_region_getXLengths(&r, &shorter, &longer);
    cid_region_getAvXLength(&r, &d);
    cid_region_getAvYAngle(&r, &d);
    cid_region_getAvXUnitDir(&r, &v);
    cid_region_getXAngleAtPoint(&r, &p, &d);
    cid_region_getYDirAtPoint(&r, &p, &v);
    cid_region_getCenterSegments(&r, &v, seg, ySeg);
    cid_region_getXForshortening(&r, &d);
    cid_region_getYForshortening(&r, &d);
    cid_region_getIsDegenerate(&r, &flag);
    cid_region_within(&r, &p, &flag);
    cmath_rect rect;
    cid_region_getEncloseRect(&r, nullptr, &rect);
    cstd_rect32 image{0, 0, 640, 480};
    cid_region_isWithinImageRect(&r, nullptr, &image, &flag);
}

void derive(reader& in, const cid_region& r, const cid_region& ref) {
    cid_region out;
    cmath_vect scale = point(in), grow = point(in);
    double s = scale.x, g = grow.y;
    cid_region_initRotatePoints(&out, in.next<uint8_t>(), &r);
    cid_region_initMakeAffine(&out, &r);
    cid_region_initChangePersp(&out, &r, &ref, in.next<uint8_t>() % 2, in.next<uint8_t>() % 2);
    cid_region_initDilate(&out, &scale, &grow, &r);
    cid_region_initDilateX(&out, s, g, &r);
    cid_region_initDilateDim(&out, in.next<uint8_t>() % 2, 1, in.next<uint8_t>() % 2, &s, &g, &r);
    cmath_shapeLine ySides[2], xSides[2];
    cid_region_getLines(&r, ySides, xSides);
    cid_region_initLines(&out, ySides, xSides);
    int32_t spawned = 0;
    cid_spawnRegionInYDireciton(&r, &ref, s, g, &out, &spawned);
}

void fixedPoint(const cid_region& r, const cid_region& ref) {
    cid_fixedRegion fixed;
    if (cid_fixedRegion_initRegion(&fixed, &r, 0, 0) >= 0) {
        cmath_vect32 v{fixed.Px.x / 2, fixed.Py.y / 2};
        int32_t flag = 0, first[4], step[4];
        cid_fixedRegion_getIsWithin(&fixed, &v, &flag);
        cid_fixedRegion_getBisectXLength(&fixed, &flag);
        cid_fixedRegion_getAvPoint(&fixed, &v);
        cid_fixedRegion_sampleScans(&fixed, 1 + (flag & 7), first, step);
        cid_region back;
        cid_region_initFixedRegion(&back, &fixed, 0, 0);
    }
    cidut_regionGeom a, b;
    int32_t smallA = 1, smallB = 1, overlapped = 0;
    if (cidut_calculateGeom(&r, &a, &smallA) >= 0 && cidut_calculateGeom(&ref, &b, &smallB) >= 0 &&
        !smallA && !smallB) {
        cidut_evaluateRegionOverlapped(&a, &b, 16, &overlapped);
    }
}

void perspective(const cid_region& r) {
    cmath_shapeAffineRectPoints rect{r.Po, r.Px, r.Py};
    int32_t flag = 0;
    cidut_isPerspectiveMappingRequired(&rect, &r.Popp, &flag);
    cmath_xformPerspective forward, inverse;
    if (cidut_perspectiveMapping_construct(&rect, &r.Popp, &forward, &inverse) >= 0) {
        cid_region mapped;
        cid_region_initMapPersp(&mapped, &inverse, &r);
        cmath_shapeAffineRect in{r.Po, r.Px, r.Py}, out;
        cidut_affine_mapPerspective(&in, &forward, &out);
    }
    cstd_rect32 image{-5, 3, 640, 480};
    cidut_verifyValidBarcodeRgnCorners(&r.Po, &r.Px, &r.Py, &r.Popp, &image, &flag);
}

void masks(reader& in, const cid_region& r, const cid_region& ref) {
    cimg_image source;
    const cstd_rect32 whole{-7, 4, 64, 48};
    if (cimg_image_constructRect(&source, CIMG_DEPTH_8U, &whole) < 0) return;
    cimg_image_window(&source, -3, 6, 40, 30);
    cid_mask m;
    if (cid_mask_construct(&m, in.next<uint8_t>() % 2 ? &source.asConst : nullptr) >= 0) {
        double growth = in.next<int8_t>() / 8.0;
        cid_mask_appendRegion(&m, &r, growth);
        cid_mask_appendRegion(&m, &ref, growth);
        cid_mask_updateRegion(&m, in.next<int8_t>() % 3, &r, growth);
        cmath_vect p = point(in);
        int32_t result = 0;
        cid_mask_isPointUnMasked(&m, &p, nullptr, &result);
        cid_mask_isRegionUnMasked(&m, &ref, nullptr, in.next<uint8_t>(), &result);
        cid_mask_removeRegion(&m, in.next<int8_t>() % 3, 0);
        cid_mask_destruct(&m);
    }
    cimg_image_destruct(&source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reader in(data, size);
    cid_region r = anyRegion(in), ref = anyRegion(in);
    cmath_vect p = point(in);
    measure(r, p);
    derive(in, r, ref);
    fixedPoint(r, ref);
    perspective(r);
    masks(in, r, ref);
    return 0;
}
