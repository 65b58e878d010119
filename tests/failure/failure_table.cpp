// The scene and the rows, family by family. In a row, f as an argument stands for the scene's
// object of the parameter's type, and opt(k) marks argument k as allowed to be null.
#include "failure_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ci_id/search.h"
#include "dm_symbol.h"

namespace cid_fail {

namespace {

// The process-wide edge tables are built once and kept until unload: build them before any
// suite counts blocks.
[[maybe_unused]] const int32_t kEdgeTables = cfEdgeDetectID_install();
constexpr int32_t kId = CF_EDGE_ID_TABLE_SIZE;

// A record whose first member, a range's kind or a fitter's point count, is forged.
template <class T>
T forged(T record, int32_t first) {
    std::memcpy(static_cast<void*>(&record), &first, sizeof first);
    return record;
}
cxRange corrupted() { return forged(cxRange(1, 2), 7); }  // none of the three kinds
ccCidLSLineFitter full() { return forged(ccCidLSLineFitter(), INT32_MAX); }
int32_t releaseNothing(void*) { return 0; }
void ignore(void*) {}

// While installed, records the size of every block asked for and refuses those above limit.
struct blocks {
    size_t limit = SIZE_MAX;
    std::vector<size_t> sizes;
    csys_allocator record{&alloc, &release, this};
    const csys_allocator* previous = csys_memory_setAllocator(&record);
    ~blocks() { csys_memory_setAllocator(previous); }
    static void* alloc(void* self, size_t bytes, size_t alignment) {
        blocks& b = *static_cast<blocks*>(self);
        b.sizes.push_back(bytes);
        return bytes > b.limit ? nullptr : b.previous->alloc(b.previous->context, bytes, alignment);
    }
    static void release(void* self, void* p) {
        blocks& b = *static_cast<blocks*>(self);
        b.previous->free(b.previous->context, p);
    }
};

// run's status, once it has asked for blocks of these sizes.
template <class Run>
int32_t asking(const std::vector<size_t>& sizes, Run run) {
    blocks seen;
    const int32_t status = run();
    EXPECT_EQ(seen.sizes, sizes);
    return status;
}

// g binarized by method v[0] with statistics from region mode v[1] (a window or a rectangle
// inside g) into o, with o2 as the contrast mask, or with v[2] into its own pixels.
int32_t binarize(scene& f, const std::vector<int32_t>& v) {
    f.bp.method = v[0];
    f.bp.regionMode = v[1];
    f.bp.window = {4, 4, 16, 16};
    f.bp.tilesX = f.bp.tilesY = 4;
    if (v[1] == CIDUT_BINARIZE_REGION_RECT) f.bp.rect = f.ar;
    return cidut_binarizeImage(v[2] ? &f.g : &f.o, nullptr, nullptr, &f.o2, f, f);
}

// Caller memory around an output: guard bytes of a pattern before and after it, and between the
// rows of an image; the guards must come back as they went in.
class guarded {
public:
    static constexpr size_t kGuard = 64;
    static constexpr unsigned char kPattern = 0xA5;
    explicit guarded(size_t bytes) : bytes_(bytes + 2 * kGuard, kPattern), size_(bytes) {}
    ~guarded() {
        for (size_t k = 0; k < bytes_.size(); ++k) {
            const bool output = k >= kGuard && k < kGuard + size_ && owned(k - kGuard);
            EXPECT_TRUE(output || bytes_[k] == kPattern) << "caller byte " << int64_t(k - kGuard);
        }
    }
    template <class T>
    T* get() {
        return reinterpret_cast<T*>(bytes_.data() + kGuard);
    }
    // *image = an 8-bit image of width x height whose rows are 8 guard bytes apart, windowed to
    // window; the status of making it.
    int32_t image(int32_t width, int32_t height, cstd_rect32 window, cimg_image* image) {
        pitch_ = width + 8;
        window_ = window;
        const int32_t status =
            cimg_image_constructWrap(image, CIMG_DEPTH_8U, width, height, pitch_, get<uint8_t>());
        return status < 0 ? status : cimg_image_setWindowRect(image, &window_);
    }
    guarded(const guarded&) = delete;
    guarded& operator=(const guarded&) = delete;

private:
    bool owned(size_t at) const {
        if (!pitch_) return true;
        const int32_t x = int32_t(at % size_t(pitch_)), y = int32_t(at / size_t(pitch_));
        return x >= window_.x && x < window_.x + window_.width && y >= window_.y &&
               y < window_.y + window_.height;
    }
    std::vector<unsigned char> bytes_;
    size_t size_;
    intptr_t pitch_ = 0;
    cstd_rect32 window_{};
};

// run(output) on count values of T between guards.
template <class T, class Run>
int32_t intoGuarded(size_t count, Run run) {
    guarded g(count * sizeof(T));
    return run(g.get<T>());
}

// run(image) on a 16 x 16 image over guarded memory, windowed to its middle 8 x 8 pixels.
template <class Run>
int32_t intoGuardedImage(Run run) {
    guarded g(16 * 24);
    cimg_image image = made(cimg_image_constructUnbound);
    int32_t status = g.image(16, 16, {4, 4, 8, 8}, &image);
    if (status >= 0) status = run(&image);
    cimg_image_destruct(&image);
    return status;
}

// run's status while every allocation above limit bytes is refused; the sizes asked for must
// reach at least `least` (no product wrapped round to a small block).
template <class Run>
int32_t refusingAbove(size_t limit, size_t least, Run run) {
    blocks seen;
    seen.limit = limit;
    const int32_t status = run();
    for (size_t bytes : seen.sizes) EXPECT_TRUE(bytes <= limit || bytes >= least) << bytes;
    return status;
}

// run's status; the n values at values must be as they were.
template <class Run>
int32_t untouched(const int32_t* values, size_t n, Run run) {
    const std::vector<int32_t> before(values, values + n);
    const int32_t status = run();
    EXPECT_EQ(std::vector<int32_t>(values, values + n), before);
    return status;
}

// A rectangle of g with corners (x, y) + the given sides.
cmath_shapeAffineRect rectOf(double x, double y, double side) {
    return {{x, y}, {x + side, y}, {x, y + side}};
}

// The symbol found by the find-next driver, or from the seeds of a row through it.
int32_t findSymbol(scene& f, bool fromSeed) {
    cid2d_trackingSeed seeds[16];
    int32_t status = 0, count = 0;
    if (fromSeed)
        cid2d_getHorizontalTrackingSeeds(&f.dm.asConst, f.dmRows + 8, 1, 16, 20, 0, seeds, &count,
                                         0, 0.0);
    for (int32_t k = 0; k < count && status >= 0 && !f.result.found; ++k)
        status = cf_BndFindDMSymbolFromSeed(&f.dm.asConst, f, seeds + k, f, &f.dmMarker, nullptr, 0,
                                            nullptr, f);
    if (!fromSeed)
        status = cf_BndFindNextDMSymbol(&f.dm.asConst, f, nullptr, 0, nullptr, 0, &f.dmMarker, f);
    EXPECT_TRUE(status < 0 || f.result.found) << "no symbol found";
    return status;
}

// A search of every kind on the Data Matrix scene, into an array of two (nullArray: none, with
// no room).
int32_t searchSymbols(scene& f,
                      int32_t (*search)(const cimg_imageConst*, const cid_searchOptions*,
                                        cid_symbol*, int32_t, int32_t*),
                      bool nullArray = false) {
    cid_symbol found[2];
    int32_t count = -1;
    return search(&f.dm.asConst, nullptr, nullArray ? nullptr : found, nullArray ? 0 : 2, &count);
}

// The whole-image search into a library array, released again.
int32_t searchSymbolsNew(scene& f) {
    cid_symbol* found = nullptr;
    int32_t count = 0;
    const int32_t status = cid_findSymbolsNew(&f.dm.asConst, nullptr, &found, &count);
    EXPECT_EQ(cid_symbols_release(&found), 0);
    return status;
}

// The PDF417 finders on row 16 of g, across the dark square: a falling edge into it and a
// rising one out of it, with the row's pixels as profile.
struct pdfRow {
    int16_t edges[2] = {-7, 23};
    cmath_vect positions[32];
    uint8_t profile[32];
    explicit pdfRow(const scene& f) {
        for (int k = 0; k < 32; ++k) {
            positions[k] = {k + 0.5, 16.5};
            profile[k] = f.g.asConst.pixels[16 * f.g.asConst.pitch + k];
        }
    }
};

// The tracker or the seed finder on g moved so that its window's right edge reaches 2^23 pixels,
// beyond their 24.8 fixed point; the seed finder then reports no seeds.
int32_t beyondTheTrackers(scene& f, bool seeds) {
    const int32_t left = (1 << 23) - 32;
    cimg_image_setImageOffset(&f.g, left, 0);
    f.trackRun.start1X += left * 256, f.trackRun.start2X += left * 256, f.i[8] = -1;
    if (!seeds) return cbt_boundaryTrack(f, f, f);
    const int32_t status = cid2d_getHorizontalTrackingSeeds(f, f.rows, 1, 4, 10, 0, f, f, 0, 0.0);
    EXPECT_EQ(f.i[8], 0);
    return status;
}

// A region whose corners are so far apart that its area overflows: a mask refuses it, and then
// covers nothing.
int32_t appendHuge(cid_mask* mask) {
    const cmath_vect po{-1e200, -1e200}, px{1e200, -1e200}, py{-1e200, 1e200}, centre{16, 16};
    const cid_region huge = made(cid_region_initPoPxPyPopp, &po, &px, &py, nullptr);
    int32_t covered = -1, status = cid_mask_appendRegion(mask, &huge, 0.0);
    cid_mask_isPointUnMasked(mask, &centre, nullptr, &covered);
    EXPECT_EQ(covered, 0);
    return status;
}

}  // namespace

cimg_image scene::square(int side) {
    cimg_image image = made(cimg_image_construct, CIMG_DEPTH_8U, side, side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            bool inside = 4 * x >= side && 4 * x < 3 * side && 4 * y >= side && 4 * y < 3 * side;
            image.asConst.pixels[y * image.asConst.pitch + x] = uint8_t(inside ? 40 : 180 + x);
        }
    }
    return image;
}

cimg_image scene::symbol() {
    const cid_test::dmSymbol modules(12, 12, 5);
    cimg_image image = made(cimg_image_construct, CIMG_DEPTH_8U, 128, 128);
    for (int p = 0; p < 128 * 128; ++p) {
        const int c = (p % 128 - 28) / 6, r = (p / 128 - 28) / 6;
        const bool dark =
            p % 128 >= 28 && p / 128 >= 28 && c < 12 && r < 12 && modules.dark[r * 12 + c];
        image.asConst.pixels[p / 128 * image.asConst.pitch + p % 128] = uint8_t(dark ? 30 : 220);
    }
    return image;
}

scene::scene() {
    for (int k = 0; k < 32 * 32; ++k) px16[k] = px[k] = uint8_t(k * 37 % 251);
    for (int k = 0; k < 256; ++k) b[k] = uint8_t(k);
    for (int k = 0; k < 32; ++k) u32s[k] = px[k] * 1000u;
    for (int k = 0; k < 16; ++k) reinterpret_cast<int32_t*>(s32.asConst.pixels)[k] = k % 5 * 40;
    cf2DFFT_32x32_fixed(0, 0, px, sp, 32, 32, 0, 0);
    cf2DFFT_16x16_fixed(px16, sp16, 32);
    cid_region_getLines(&r, sl, sl + 2);
    cidut_calculateGeom(&r, &geom, nullptr);
    for (int32_t sample : {3, 5, 9}) cmath_statisticsFixed_add(&st, sample);
    cid_mask_appendRegion(&mask, &r, 1.0);
    for (double k : {0.0, 1.0, 2.0, 3.0, 4.0}) pts.pushBack(cx2Vect(k, k == 3.0 ? 5.0 : 0.0));
    counts.resize(3, 3u);
    hist.init(counts, false);
    counts.resize(50, 1u);
    cidc_scanLine_clip(&line, &roi, &seg);
    seg2 = seg;
    tracking.workBuffer = work.data();
    tracking.workBufferSize = CID2D_WORK_BUFFER_MIN;
    tracking.scanLines = dmRows;
    tracking.scanLineCount = 16;
    cid2d_getHorizontalTrackingSeeds(&g.asConst, rows, 1, 4, 10, 0, seed, i + 8, 0, 0);
    trackRun.start1X = 4 * 256;
    trackRun.start1Y = trackRun.start2Y = 16 * 256;
    trackRun.start2X = 12 * 256;
    for (int k = 0; k < 16; ++k) dmRows[k] = 4 + 8 * k;
    csEdgeListNew(256, &edges);
    csEdgeChainListNew(64, &chains);
    cip_edge_detectEdgesChains(&g.asConst, &ep, edges, chains);
    edgel = csEdgeListFirst(edges);
    chain = csEdgeChainListFirst(chains);
    for (double sample : {1.0, 2.0, 4.0}) cmath_statistics_add(&ds, sample);
    for (int k = 0; k < 12; ++k) bars[k] = {(k / 2 * 8 - 96 + (k % 2 ? 2 : -2)) * 256, 25600};
    for (int k = 0; k < 12; k += 2) bars[k].strength = -25600;  // falling into each bar
    pairing.slotCount = 6, pairing.expectedWidth = 4, pairing.expectedPitch = 8;
    cidut_edgesToTeeth(&pairing, &barList, nullptr, nullptr, &scan, nullptr, &teeth);
}

scene::~scene() {
    for (cimg_image* image : {&g, &g2, &h, &c, &dbl, &s32, &marker, &o, &o2, &dm, &dmMarker}) {
        cimg_image_destruct(image);
    }
    cimg_imageConst_destruct(&ic);
    csys_memory_free_internal(&block);
    for (cid2d_ReedSolomonCode* rs : {&code, &code2}) cid2d_ReedSolomonCode_destruct(rs);
    for (cid_mask* m : {&mask, &mask2, &mask3}) cid_mask_destruct(m);
    for (cid2d_imageMemoryManager* m : {&mgr, &mgr2}) cid2d_imageMemoryManager_destruct(m);
    cstd_vector_8_destruct(&t8);
    cstd_vector_cidc_peakIDFixedX_4_destruct(&peaks);
    cstd_vector_vector_cidc_peakIDFixedX_4_destruct(&peakLists);
    cstd_vector_vector_cidc_peakIDFixedX_4_delete(&clone);
    cid2d_trackingResult_destruct(&result);
    cbt_result_destruct(&track);
    for (csEdgeList** list : {&edges, &noEdges}) csEdgeListDelete(list);
    for (csEdgeChainList** list : {&chains, &noChains}) csEdgeChainListDelete(list);
    for (cidut_teethResults* t : {&teeth, &teeth2, &teeth3}) cidut_teethResults_destruct(t);
    cprt_isOptimizationInhibitedFP = hook;
}

const std::vector<entry>& entries() {
    static const std::vector<entry> table = [] {
        const std::vector<std::vector<entry>> groups = {
            // 160-bit integers
            AUTO(cmath_bigInt_bigIntBase, cmath_bigInt_assign, cmath_bigInt_isEqual,
                 cmath_bigInt_isZero, cmath_bigInt_add, cmath_bigInt_sub, cmath_bigInt_mul,
                 cmath_bigInt_inc, cmath_bigInt_neg, cmath_bigInt_lessThan,
                 cmath_bigInt_greaterThan),
            SAME(0, (f, 3u), cmath_bigInt_init, cmath_bigInt_shiftRight, cmath_bigInt_shiftLeft,
                 cmath_bigInt_addBase, cmath_bigInt_multBase),
            NUL(cmath_bigInt_divideBase, 0, f, f, f, 3u),
            SAME(0, (f, 20, f), cmath_bigInt_bigInt2Buf, cmath_bigInt_bigInt2Base256),
            // Classifier, transposition and polar resampling
            AUTO(cid_symbolClassifierParams_init),
            NUL(cid_symbolClassifier_runWindow8, 0, &f.c.asConst, f, f),
            NUL(cid_txImage, 0, f, &f.g2),
            NUL(cip_polarUnwrapImage8, 0, f, 16.0, 16.0, 0.0, 3.0, 2, 10, f),
            // Correlation: the plain correlations report null arguments as a status
            SAME(opt(0, 2, 5), (f, 8, f, 16, 2, f), cf_correlate1D_U8, cf_correlate1D_U32),
            SAME(0, (f, 8, f, 16, 2, f, f), cf_RunCorrelate_U8, cidut_RunCorrelate_UInt32),
            AUTO(cidut_ip_correlate8),
            // Edge directions: a null table vector is a status, counts are optional
            NUL(cf_EdgeDetectIDTableInit, opt(0), f, 5),
            NUL(cf_EdgeDetectIDCount, opt(10), f.px + 65, 64, f, 8, 8, 8, f.idTable.data(), kId, 0,
                4, f, 0, 0, 0),
            NUL(cf_EdgeDetectID, 0, f.px + 65, 64, f, 8, 8, 8, f.idTable.data(), kId, 0, 0, 0, 0),
            NUL(cfEdgeDetectIDMagAng, 0, f, f, &f.o2, 0, 10, 0),
            // Transforms: the inverse's negative peak and either part of a direct DFT are optional
            NUL(cf2DFFT_32x32_fixed, 0, 0, 0, f, f, 32, 32, 0, 0),
            NUL(cf2DIFFT_32x32_fixed, opt(5), 0, f, f.im, 32, 32, f),
            SAME(0, (f, f, 32), cf2DFFT_16x16_fixed, cf2DIFFT_16x16_fixed),
            NUL(cf1DFFT_32x32_fixed, 0, f, 32, f, 32),
            NUL(cfRowDFT, opt(1, 2), f, f, f, 8),
            NUL(cf2DDFT, opt(3, 4), f, 2, 4, f, f),
            NUL(cf2DPowerSpectrum, 0, f, 64, 2, 4, f, 4),
            SAME(0, (&f.h.asConst, f), cfPelPowerSpectrum, cfPowerSpectrum),
            NUL(cfLimitedPelPowerSpectrum, 0, &f.h.asConst, 2, 2, f),
            SAME(0, (&f.dbl.asConst, f), cfPowerSpectrumShift, cfFFTShift, cfViewableFFT),
            NUL(cfPelFFT, 0, f, f, 1, 0),
            NUL(cidut_2dFFTPwrSpec_win8_, 0, &f.h.asConst, f, 128, f),
            // Fixed regions; whether a region is small is optional
            AUTO(cid_fixedRegion_getAvPoint, cid_fixedRegion_getBisectXLength,
                 cid_fixedRegion_getBisectXVect, cid_fixedRegion_getBisectYLength,
                 cid_fixedRegion_getBisectYVect, cid_fixedRegion_getIsWithin, cid_fixedRegion_init),
            SAME(0, (f, f, 0.0, 0.0), cid_fixedRegion_initRegion, cid_region_initFixedRegion),
            NUL(cid_fixedRegion_sampleScans, 0, f, 2, f, f),
            NUL(cid_spawnRegionInYDireciton, 0, f, &f.r3, 1.0, 1.0, f, f),
            NUL(cidut_calculateGeom, opt(2), f, f, f),
            NUL(cidut_evaluateRegionOverlapped, 0, f, f, 0u, f),
            // Fixed-point shapes and statistics
            AUTO(cmath_vect32_4_getDistance, cmath_shapeFixPtAffineRectPoints_init,
                 cmath_shapeAffineRect_initFixPtPoints, cmath_shapeAffineRect_getFixPtPoints,
                 cmath_shapeFixPtAffineRectPoints_getIsWithin, cmath_shapeFixPtLineSeg_getLine,
                 cmath_shapeFixPtLineSeg_distanceFrom, cmath_shapeFixPtLine_distanceFrom,
                 cmath_shapeFixPtLine_distanceAlong, cmath_statisticsFixed_clear,
                 cmath_statisticsFixed_getMean, cmath_statisticsFixed_getVariance,
                 cmath_statisticsFixed_getStdDev),
            SAME(0, (f, 8), cmath_statisticsFixed_init, cmath_statisticsFixed_add),
            // Trigonometry and affine rectangles of the mathematics library
            SAME(0, (f, 14), cmath_sin16FixedPoint, cmath_cos16FixedPoint),
            AUTO(cmath_shapeAffineRect_initPoints, cmath_shapeAffineRect_getPoints),
            // Image manager: each getter ignores the other image
            NUL(cid2d_imageMemoryManager_construct, 0, &f.mgr2, f, &f.h.asConst),
            NUL(cid2d_imageMemoryManager_getCoarseImage, opt(2), f, f, f),
            NUL(cid2d_imageMemoryManager_getFineImage, opt(1), f, f, f),
            AUTO(cid2d_imageMemoryManager_destruct, cimg_imageConst_aliasToFastMem),
            // Lines
            AUTO(cidut_line_initDirPos, cidut_line_projectPoint, cidut_line_getDistToPoint,
                 cidut_lineSeg_initP1P2, cidut_lineSeg_getLine, cidut_lineSeg_getAngle,
                 cidut_lineSeg_getDistToPoint, cf_affineRect_within),
            NUL(cidut_line_initAngPos, 0, f, 0.5, f),
            NUL(cidut_line_initAngDis, 0, f, 0.5, 2.0),
            NUL(cidut_line_getIntersection, 0, f, &f.ln2, f),
            NUL(cidut_lineSeg_getIntersection, 0, f, &f.sg2, f),
            // Line fits; the reserved argument is not read
            AUTO(cidut_linefit_result_init, cidut_line_fit),
            NUL(cidut_lineFitting, 0, f, f, 4),
            NUL(cidut_lineFitting_Fixed, opt(0), nullptr, f, f, 4, 4),
            NUL(cidut_linefit_params_set, 0, f, 1, 1.0),
            CALL(cxHistoStats::init,
                 [&] {
                     int32_t status = f.hist.init(f.counts, false);
                     EXPECT_EQ(f.hist.isValid(), status >= 0);  // a failed copy leaves no bins
                     return status;
                 }()),
            // Masks: a null mask covers nothing; no transform means the regions' own frame
            AUTO(cid_mask_destruct),
            NUL(cid_mask_appendRegion, opt(0), &f.mask2, f, 1.0),
            NUL(cid_mask_construct, opt(1), &f.mask3, f),
            NUL(cid_mask_isPointUnMasked, opt(0, 2), f, f, f, f),
            NUL(cid_mask_isRegionUnMasked, opt(0, 2), f, f, f, 0.5, f),
            NUL(cid_mask_removeRegion, 0, f, -1, 0.0),
            NUL(cid_mask_updateRegion, 0, f, -1, f, 1.0),
            // Morphology: the running extrema's work count is optional; the 2-D run is an opening,
            // which makes an image between its two passes
            SAME(opt(4), (3, f, f, 16, f), rowExtremaMax, rowExtremaMin),
            NUL(cidut_morph2d_run, 0, f, f, CIDUT_MORPH_OPEN, 3, 3),
            portable(NUL(cidut_morph2d_run, 0, f, f, CIDUT_MORPH_OPEN, 3, 3)),
            // Platform pixels, rectangles and matrices
            AUTO(cip_pelCopy8, cstd_rect32_intersect, cstd_rect32_getIsNull,
                 cstd_rect32_containsRect, cmath_xformLinear_initCompose),
            NUL(cip_pelCopyWindow8, 0, f, &f.g2),
            NUL(cip_pelSet8, 0, &f.g2, 5),
            NUL(cip_pelfunc_checkMemoryOverlap, 0, f, &f.g2.asConst),
            SAME(0, (f, 1, 1), cimg_image_setImageOffset, cimg_imageConst_setImageOffset),
            NUL(cstd_rect32_init, 0, f, 0, 0, 4, 4),
            NUL(cmath_matrix_init, 0, f, 1.0, 0.0, 0.0, 1.0),
            // Pixel arithmetic
            AUTO(cip_image8_map, cidut_ip_pelMinMax8, cidut_ip_pelTranspose8),
            SAME(0, (f, &f.g2.asConst, f, 0u), cidut_ip_pelAdd8, cidut_ip_pelSub8),
            NUL(cidut_ip_pelInvert8, 0, &f.g2),
            NUL(cidut_ip_pelExpand8, 0, &f.h.asConst, f, 2, 2),
            // Perspective; a missing fourth corner needs no mapping
            AUTO(cidut_affine_mapPerspective),
            NUL(cidut_isPerspectiveMappingRequired, opt(1), f, f.v + 3, f),
            NUL(cidut_isPerspectiveSevere, 0, f, f.v + 3, 1.0, f),
            NUL(cidut_perspectiveMapping_construct, 0, f, f.v + 3, &f.xp, f),
            NUL(cidut_verifyConvexHull4Points, 0, f.v, f.v + 1, f.v + 2, f.v + 3, f),
            NUL(cidut_verifyValidBarcodeRgnCorners, 0, f.v, f.v + 1, f.v + 2, f.v + 3, f, f),
            // Platform services
            AUTO(csys_memory_free_internal, cimg_windowConst_init, cmath_vect_getUnit),
            NUL(csys_memory_alloc_internal, 0, size_t{16}, f),
            NUL(cimg_image_construct, 0, f, CIMG_DEPTH_8U, 8, 8),
            // Reed-Solomon codes; destructing nothing is allowed, erasures only when there are none
            NUL(cid2d_ReedSolomonCode_construct, 0, &f.code2, 8, 4, 0x12D, 2),
            NUL(cid2d_qrReedSolomonCode_construct, 0, &f.code2, 8, 4, 0x11D, 2),
            NUL(cid2d_PDF417RScode_construct, 0, &f.code2, 4),
            SAME(opt(0), (f), cid2d_ReedSolomonCode_destruct, cid2d_PDF417RScode_destruct),
            NUL(cid2d_ReedSolomonCode_GetECCWords, 0, f, f.cw + 4, 4, f.cw, 4),
            NUL(cid2d_ReedSolomonCode_CorrectErrs, 0, f, f.cw, 8, f),
            NUL(cid_RSSCCA_RSCorrectErrors_, opt(4), f.cw + 8, 8, 4, 0, f.cw, f, f),
            // Regions; transforms, fourth corners, scales and growths are optional
            AUTO(cid_region_copyTightness, cid_region_getAffineRect,
                 cid_region_getAffineRectAndPopp, cid_region_getAvXAngle, cid_region_getAvXLength,
                 cid_region_getAvXUnitDir, cid_region_getAvYAngle, cid_region_getAvYLength,
                 cid_region_getAvYUnitDir, cid_region_getCenter, cid_region_getCenterSegments,
                 cid_region_getIsDegenerate, cid_region_getLines, cid_region_getXAngleAtPoint,
                 cid_region_getXCenterSegment, cid_region_getXDirAtPoint,
                 cid_region_getXForshortening, cid_region_getXLengths, cid_region_getYAngleAtPoint,
                 cid_region_getYCenterSegment, cid_region_getYDirAtPoint,
                 cid_region_getYForshortening, cid_region_getYLengths, cid_region_init,
                 cid_region_initFlipX, cid_region_initFlipY, cid_region_initMakeAffine,
                 cid_region_initMap, cid_region_initMapPersp, cid_region_initShift,
                 cid_region_within),
            SAME(0, (f, 1, f), cid_region_getXAngle, cid_region_getXLength, cid_region_getXVect,
                 cid_region_getYAngle, cid_region_getYLength, cid_region_getYVect),
            SAME(0, (f, f, 0), cid_region_getPoints, cid_region_getVectPoints,
                 cid_region_initPoints, cid_region_initVectPoints),
            SAME(opt(1), (f, f, f), cid_region_getEncloseImageRect, cid_region_getEncloseRect),
            SAME(opt(2), (f, f, f), cid_region_initAffineRect, cid_region_initAffineRectCenter,
                 cid_region_initAffineRectPoints),
            NUL(cid_region_initChangePersp, 0, f, f, &f.r3, 1, 1),
            NUL(cid_region_initDilate, opt(1, 2), f, f, f, f),
            NUL(cid_region_initDilateDim, opt(4, 5), f, 1, 1, 1, f, f, f),
            NUL(cid_region_initDilateX, 0, f, 1.5, 1.0, f),
            NUL(cid_region_initLines, 0, f, f.sl, f.sl + 2),
            NUL(cid_region_initPoPxPyPopp, opt(4), f, f.v, f.v + 1, f.v + 2, f.v + 3),
            NUL(cid_region_initRotatePoints, 0, f, 1, f),
            NUL(cid_region_isWithinImageRect, opt(1), f, f, f, f),
            // Geometry of the platform behind the regions
            AUTO(cmath_matrix_getDeterminant, cmath_shapeAffineRect_initNull,
                 cmath_shapeAffineRect_initCenter, cmath_shapeAffineRect_getCenter,
                 cmath_shapeAffineRect_getXLength, cmath_shapeAffineRect_getYLength,
                 cmath_shapeAffineRect_getIsDegenerate, cmath_shapeAffineRect_getEncloseImageRect,
                 cmath_shapeAffineRectPoints_getPopp, cmath_xformPerspective_construct,
                 cmath_xformPerspective_getInverse, cmath_xformPerspective_mapPoint,
                 cmath_xformPerspective_destruct, cmath_xform_mapPoint),
            NUL(cmath_matrix_initRotationScale, 0, f, 0.5, 1.0, 1.0),
            NUL(cmath_shapeLine_intersection, 0, f.sl, f.sl + 2, f),
            NUL(cmath_shapeLine_pointAlong, 0, f, 1.0, f),
            NUL(cmath_xformPerspective_constructPointsAllowNonUnique, 0, f, f.v, f.v + 4, 4),
            NUL(cdraw_rasterize_rotatedRectangle_forID, 0, &f.g2, f, 0, 1),
            // Scans; an offset, a segment's line and a ray's line are optional
            AUTO(cidc_scanLine_init, cidc_scanLine_initPointDir, cidc_scanLine_translate,
                 cidc_scanLine_clip, cidc_scanLineSeg_initDegen, cidc_scanLineSeg_translate,
                 cidc_scanLineSeg_clip, cidc_scanRay_init, cidc_scanRay_clip,
                 cidc_scanShape_initScanLine, cidc_scanShape_initScanLineSeg,
                 cidc_scanShape_initScanRay, cidc_scanShape_clip, cidc_windowROI_initNULL,
                 cidc_windowROI_initCopyShrink, cidc_peakDetectState_finish, cidc_runEdgeScan),
            NUL(cidc_unitDir16_initVect, 0, f, 3, 4),
            NUL(cidc_scanLine_initDirDist, opt(3), f, f, f, f),
            NUL(cidc_scanLineSeg_initPoints, opt(3), f, &f.start, &f.end, f),
            NUL(cidc_scanLineSeg_initPeakPos, 0, f, f, int64_t{0}, int64_t{64}),
            NUL(cidc_convertPeakToImage, 0, f, f, 0, 0, f),
            NUL(cidc_scanRay_initPointDir, opt(3), f, &f.start, f, f),
            NUL(cidc_windowROI_init, 0, f, f, 2, 2, 16, 16),
            SAME(0, (f, f, 2, 2), cidc_windowROI_initCenter, cidc_windowROI_initCorner),
            NUL(cidc_windowROI_initSameOrigin, 0, f, f, f, 2, 2),
            NUL(cidc_bresWalk, 0, f, &f.fraction, f),
            NUL(cidc_peakDetectState_init, 0, f, f, 0, 4),
            NUL(cidc_peakDetectState_detect, 0, f, 1, 2, 5, 3, 0, 0u, 0u),
            NUL(cidc_peakDetectState_advance, 0, f, 5, 1u),
            NUL(cidc_peakIDFixedX_4_getContrastStats, 0, f.found, f.found + 2, 1, f, f),
            NUL(cidc_runEdgeScanPeakDetection, 0, &f.w32, &f.w32, f, f),
            SAME(0, (f, 2), cidc_trackStateConstantVal1D_init, cidc_trackStateConstantRate1D_init),
            NUL(cidc_trackStateConstantVal1D_initVal, 0, f, f, 1),
            NUL(cidc_trackStateConstantRate1D_initVal, 0, f, f, f, 1),
            // Typed vectors, one row per family; cloning nothing is allowed
            AUTO(cstd_vector_8_delete, cstd_vector_cid_fixedRegion_delete,
                 cstd_vector_cid_region_delete, cstd_vector_cidc_peakIDFixedX_4_delete,
                 cstd_vector_cidc_scanLine_delete, cstd_vector_cidc_scanLineSeg_delete,
                 cstd_vector_cidc_scanRay_delete, cstd_vector_cidc_scanShape_delete,
                 cstd_vector_cidut_toothCand_delete),
            NUL(cstd_vector_vector_cidc_peakIDFixedX_4_newClone, opt(1), &f.clone, f),
            CALL(cxVector::resize, f.counts.resize(1000, 1u)),
            // Exported beyond the lists: seeds, the boundary tracker, images and memory
            NUL(cid2d_getHorizontalTrackingSeeds, 0, f, f.rows, 1, 4, 10, 0, f, f, 0, 0.0),
            NUL(cbt_result_construct, 0, f, 8),
            AUTO(cbt_boundaryTrack),
            NUL(cimg_image_constructRect, 0, f, CIMG_DEPTH_8U, f),
            NUL(cimg_image_assignNew, 0, f, CIMG_DEPTH_8U, 4, 4),
            NUL(csys_memory_copy, 0, size_t{4}, f.b, f.px),
            CALL(csys_shutdown_register,  // never allocates
                 asking({}, [] { return csys_shutdown_register(&ignore, nullptr); })),
            CALL(cf2DIFFT_32x32_fixed,  // one block: two planes of 16-byte values
                 asking({2 * 32 * 32 * 16},
                        [&] { return cf2DIFFT_32x32_fixed(0, f.sp, f.im, 32, 32, nullptr); })),
            // The Data Matrix finders on a symbol, which they verify and refine
            CALL(cf_BndFindNextDMSymbol, findSymbol(f, false)),
            CALL(cf_BndFindDMSymbolFromSeed, findSymbol(f, true)),
            // PDF417 finders and barcode candidates on g; the whole-image searches on the symbol
            NUL(cf_BndFindPDPSymbolFromSeed, opt(6, 8), f, f, f, f, &f.marker, 0, nullptr, 0,
                nullptr, f),
            CALL(cf_BndFindMatchingPDP,
                 [&] {
                     const pdfRow row(f);
                     return cf_BndFindMatchingPDP(f, f, nullptr, 0, nullptr, &f.marker, 0,
                                                  row.edges, 2, 32, 0, row.positions, row.profile,
                                                  f);
                 }()),
            CALL(cf_BndFindNextPDP,
                 [&] {
                     const pdfRow row(f);
                     return cf_BndFindNextPDP(f, f, nullptr, 0, nullptr, &f.marker, 0, row.edges,
                                              row.edges, row.edges, 2, 2, 2, f);
                 }()),
            NUL(cid2d_findOneBarcode, 0, f, f, f),
            NUL(cid2d_getIsCandidateBarcodeLike, 0, f, f, f, &f.r2),
            CALL(cid_searchOptions_init,
                 [] {
                     cid_searchOptions options;
                     return cid_searchOptions_init(&options);
                 }()),
            CALL(cid_findSymbols, searchSymbols(f, cid_findSymbols)),
            CALL(cid_findDataMatrix, searchSymbols(f, cid_findDataMatrix)),
            CALL(cid_findPdf417, searchSymbols(f, cid_findPdf417)),
            CALL(cid_findBarcodes, searchSymbols(f, cid_findBarcodes, true)),
            CALL(cid_findSymbolsNew, searchSymbolsNew(f)),
            // Edges; the edge library reports a list it cannot have as a full one, and a
            // detection that cannot have its list for the whole window tries strips
            AUTO(cip_edgeParams_init, csEdgeParamsDefault, csEdgeListLen, csEdgeListAssign,
                 csEdgeListDelete, csEdgeListFirst, csEdgeListNext, csEdgePi, csEdgePj, csEdgeMag,
                 csEdgeX, csEdgeY, csEdgeChainListLen, csEdgeChainListDelete, csEdgeChainListFirst,
                 csEdgeChainListNext, csEdgeChainStart, csEdgeChainLength),
            NUL(csEdgeListInit, 0, f, 1, 0, 0),
            NUL(csEdgeListAt, 0, f, int64_t{0}),
            NUL(cip_edge_detectMagAng, 0, f, f, &f.o, &f.o2),
            failing(CSEDGE_STATUS_LIST_FULL,
                    SAME(0, (int64_t{16}, f), csEdgeListNew, csEdgeChainListNew),
                    NUL(cip_edge_detectEdges, 0, f, f, f),
                    CALL(cip_edge_detectEdges,  // no room for the list of the whole window
                         (blocks{15000, {}}, cip_edge_detectEdges(f, f, f))),
                    NUL(cip_edge_detectEdgesChains, 0, f, f, f, f),
                    NUL(csEdgeDetect, opt(2, 3, 5), f, f, nullptr, nullptr, f, f),
                    portable(NUL(cip_truepeak8, 0, f, &f.o, 10, f),
                             NUL(cip_truepeak8, 0, f, &f.g, 10, f)),  // over its source
                    SAME(0, (f, &f.o, 10), cf_GetTrueEdgePeakFromEdgelets,
                         cf_GetTrueEdgePeakFromEdgelets_noPadding)),
            // Thresholds and binarization: methods 0 to 5, statistics from the whole image, a
            // rectangle or a window, in place; the pixel operations they use
            AUTO(cidut_binarizeParams_construct, cidut_binarizeParams_destruct,
                 cid_thresholdResult_init, cid_threshold, cip_pelHistogram8, cip_pelUnaryMinMax8,
                 cip_gaussParams_init, cip_gmorphElementArray_destruct, cip_threshParams_init,
                 cip_threshComputeWGVThresholdFromImage),
            NUL(cidut_binarizeImage, opt(1, 2, 3), &f.o, nullptr, nullptr, &f.o2, f, f),
            each("cidut_binarizeImage", false, binarize,
                 {{0, 1, 0}, {1, 0, 0}, {2, 2, 0}, {3, 1, 0}, {3, 2, 1}, {4, 2, 0}, {5, 2, 0}}),
            NUL(cid_thresholdHist, 0, f, 32, f),
            NUL(cid_thresholdBasedOnPercentage, 0, f, 0.5f, f),
            NUL(cidut_getDarkLightMeanPercent_, 0, f, 32, 10, 10, f, f, f, f),
            NUL(cidut_getDarkLightMeanThreshold_, 0, f, 32, 10, 20, f, f, f, f),
            NUL(cidut_divideBufferByConstant32_8, 0, f, 32, 7u, f),
            NUL(cidut_getImageSharpnessFromSymbolRegion_, 0, f, 0, f),
            NUL(cfPelHistogramSmall, 0, f, 32, 32, 32, f),
            NUL(cip_pelHistogramStat_invCum, 0, f, 32, f.im),
            NUL(cip_pelMap8, 0, f, &f.g, f),  // in place
            CALL(cip_pelMap8,  // one column along its source's pixels: through a copy
                 (cimg_image_assign(&f.marker, &f.g), cimg_image_window(&f.g, 0, 0, 31, 32),
                  cimg_image_window(&f.marker, 1, 0, 31, 32), cip_pelMap8(f, &f.marker, f))),
            NUL(cip_pelSub8, 0, f, &f.g2.asConst, CIP_PEL_SUB_CLAMP, &f.o),
            NUL(cip_pelExpand8, 0, &f.h.asConst, &f.o, 2, 2),
            NUL(cip_gauss_smooth8_8, 0, f, &f.o, f),
            NUL(cip_gmorphElementArray_constructType, 0, f, CIP_GMORPH_SQUARE, 1),
            SAME(0, (f, f, &f.o), cip_gmorphDilate8, cip_gmorphErode8),
            SAME(0, (&f.h.asConst, f, &f.o), cip_gmorphDilate8, cip_gmorphErode8),  // framed
            NUL(cip_affine8, 0, f, f, &f.o),
            NUL(cip_threshComputeWGVThresholdFromHistogram, 0, f, 31, 1, 31, f, f),
            // Clusters, box averages and the statistics behind them
            AUTO(cmath_statistics_init, cmath_statistics_getN, cmath_statistics_getMean,
                 cmath_statistics_getStdDev),
            NUL(cmath_statistics_add, 0, f, 2.5),
            SAME(0, (f, f, 6, f.im, f, 1, f, f), cidut_clusterKMeans_fixed, cidut_clusterKMeans),
            NUL(cid_spatialAverage, 0, f.b, 16, 16, 16, 3, 3, f.px, 16),
            // One-dimensional symbols: profiles along g's diagonal and a row, teeth, pitch and grid
            NUL(cidut_getPixelCount, 0, f.v, f.v + 1, f),
            NUL(cidut_linePixels, 0, f, f.v, f.v + 1, f.b, 16, f.b + 200, f),
            NUL(cidut_linePixels1, 0, f, f.v, f.v + 1, f.b, 16, f.b + 200),
            NUL(cidut_linePixels_LowPPM, 0, f, f.v, f.v + 1, f.b, 16, f),
            NUL(cidut_linePixels2D, 0, f, f.v, f.v + 1, 16, f),
            NUL(cidut_lineEdgeLoc, 0, f.px, 64, 8, 10, 0, 1.0, f.im, f.im + 8, f),
            NUL(cidut_lineEdgeLoc2D, 0, f.px, 64, 8, 10, 0, 1, 1.0, f.im, f.im + 8, f),
            NUL(cidut_caliperLite, 0, f, f.v, f.v + 3, 8, 10, 0, f.im, f.im + 8, f),
            AUTO(cidut_toothCand_init, cidut_toothCand_assign, cidut_teethResults_destruct,
                 cidut_edgePairingParams_init),
            NUL(cidut_teethResults_construct, 0, &f.teeth3),
            NUL(cidut_teethResults_constructCopy, 0, &f.teeth3, f),
            NUL(cidut_teethResults_assign, 0, &f.teeth2, f),
            NUL(cidut_edgesToTeeth, opt(2, 3, 5), f, f, nullptr, nullptr, &f.scan, nullptr,
                &f.teeth2),
            NUL(cidut_estimatePitch, 0, f.pos, 8, 1, 20, 100, 120, 80, f, f),
            NUL(cidut_cg1dComputeScaledPitch, 0, 8, f.pos, 100, 900, 1100, 10, f, f, 64, f, f),
            NUL(cidut_cg1dOnGrid, 0, 8, f.pos, f.im, 100, 20, f.im + 8, f, f),
            // Bad input that gets a status: images beyond the trackers' coordinates, regions too
            // large for a mask; positions and shrinks at their limits
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cbt_boundaryTrack, beyondTheTrackers(f, false)),
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cid2d_getHorizontalTrackingSeeds,
                  beyondTheTrackers(f, true)),
            GIVES(CID_STATUS_INVALID_GEOMETRY, cid_mask_appendRegion, appendHuge(&f.mask2)),
            GIVES(CID_STATUS_INVALID_GEOMETRY, cid_mask_appendRegion, appendHuge(&f.mask3)),
            CALL(cidc_scanLine_initPointDir, (f.p64 = {int64_t{1} << 35, -(int64_t{1} << 35)},
                                              cidc_scanLine_initPointDir(f, f, f))),
            CALL(cidc_windowROI_initCopyShrink,
                 (f.shrink = f.roi.spanX16 / 2, cidc_windowROI_initCopyShrink(f, f, f, f))),
            NUL(cstd_vector_cid_region_erase, opt(1), &f.mask2.regions, nullptr, 0),  // from none
            // Bad input, family by family (the README's table): each gives its status, and
            // caller memory around every output keeps its guard bytes.
            GIVES(CIMG_STATUS_INVALID_IMAGE, cimg_image_construct,
                  cimg_image_construct(&f.o, CIMG_DEPTH_8U, -1, 8)),
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cimg_image_constructRect,
                  (f.rc = {1, 0, INT32_MAX, 1}, cimg_image_constructRect(&f.o, CIMG_DEPTH_8U, f))),
            GIVES(CSYS_STATUS_OUT_OF_MEMORY, cimg_image_construct,
                  refusingAbove(
                      1 << 20, 1ull << 32,
                      [&] { return cimg_image_construct(&f.o, CIMG_DEPTH_8U, 65536, 65536); })),
            GIVES(CIMG_STATUS_INVALID_IMAGE, cimg_image_constructWrap,
                  cimg_image_constructWrap(&f.o, CIMG_DEPTH_64F, 1 << 28, 1, 1 << 30, f.px)),
            GIVES(CIMG_STATUS_NOT_BOUND, cip_pelCopy8, cip_pelCopy8(&f.ic, &f.o)),
            GIVES(CIMG_STATUS_INVALID_IMAGE, cip_pelCopy8, cip_pelCopy8(&f.dbl.asConst, &f.o)),
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cip_pelCopyWindow8,
                  intoGuardedImage(
                      [&](cimg_image* out) { return cip_pelCopyWindow8(&f.g.asConst, out); })),
            GIVES(0, cip_pelCopyWindow8, intoGuardedImage([&](cimg_image* out) {
                      return cip_pelCopyWindow8(&f.h.asConst, out);
                  })),
            GIVES(0, cip_pelSet8,
                  intoGuardedImage([](cimg_image* out) { return cip_pelSet8(out, 9); })),
            GIVES(0, cip_pelMap8, intoGuardedImage([&](cimg_image* out) {
                      return cip_pelMap8(&f.h.asConst, out, f.b);
                  })),
            GIVES(CIMG_STATUS_INVALID_IMAGE, cip_pelExpand8,
                  cip_pelExpand8(&f.h.asConst, &f.o, 0, 2)),
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cip_pelExpand8,
                  cip_pelExpand8(&f.h.asConst, &f.o, 1 << 28, 1)),
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cip_affine8,
                  (f.ar = rectOf(NAN, 2, 8), cip_affine8(f, f, &f.o))),
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cip_affine8,
                  (f.ar = rectOf(2, 2, 1e5), cip_affine8(f, f, &f.o))),
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cip_affine8,
                  (f.ar = rectOf(2, 2, 0.2), cip_affine8(f, f, &f.o))),
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cip_polarUnwrapImage8,
                  cip_polarUnwrapImage8(f, 16.0, 16.0, 0.0, NAN, 2, 10, &f.o)),
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cip_polarUnwrapImage8,
                  cip_polarUnwrapImage8(f, 16.0, 16.0, 0.0, 1e300, 2, 10, &f.o)),
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cip_polarUnwrapImage8,
                  cip_polarUnwrapImage8(f, 16.0, 16.0, 0.0, 1.0, -1, 10, &f.o)),
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cip_gauss_smooth8_8,
                  (f.gp.sampleX = 0, cip_gauss_smooth8_8(f, &f.o, f))),
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cip_gmorphElementArray_constructType,
                  cip_gmorphElementArray_constructType(f, CIP_GMORPH_ROW, -1)),
            GIVES(CSYS_STATUS_SIZE_OUT_OF_RANGE, cip_gmorphElementArray_constructType,
                  cip_gmorphElementArray_constructType(f, CIP_GMORPH_ROW, INT32_MAX)),
            GIVES(CID_STATUS_NOT_POWER_OF_TWO, cfPelFFT,
                  (cimg_image_window(&f.g, 0, 0, 24, 32), cfPelFFT(f, &f.o, 0, 0))),
            GIVES(CID_STATUS_INVALID_VALUE, cfPelFFT, cfPelFFT(f, &f.o, 4, 0)),
            GIVES(CIMG_STATUS_NOT_BOUND, cfPelFFT, cfPelFFT(&f.ic, &f.o, 0, 0)),
            GIVES(CID_STATUS_OUT_OF_RANGE, cf1DFFT_32x32_fixed,
                  intoGuarded<uint32_t>(
                      32, [&](uint32_t* power) { return cf1DFFT_32x32_fixed(f, 33, power, 32); })),
            GIVES(0, cf1DFFT_32x32_fixed,
                  intoGuarded<uint32_t>(
                      32, [&](uint32_t* power) { return cf1DFFT_32x32_fixed(f, 32, power, 32); })),
            GIVES(CID_STATUS_INVALID_PARAMETER, cid2d_ReedSolomonCode_construct,
                  cid2d_ReedSolomonCode_construct(&f.code2, 8, 0, 0x12D, 2)),
            GIVES(CID_STATUS_INVALID_PARAMETER, cid2d_ReedSolomonCode_construct,
                  cid2d_ReedSolomonCode_construct(&f.code2, 8, 255, 0x12D, 2)),
            GIVES(CID_STATUS_INVALID_PARAMETER, cid2d_PDF417RScode_construct,
                  cid2d_PDF417RScode_construct(&f.code2, -1)),
            GIVES(CID_STATUS_OUT_OF_RANGE, cid2d_ReedSolomonCode_CorrectErrs,
                  cid2d_ReedSolomonCode_CorrectErrs(f, f.cw, -1, f)),
            GIVES(CID_STATUS_OUT_OF_RANGE, cid2d_ReedSolomonCode_CorrectErrs,
                  intoGuarded<int32_t>(256,
                                       [&](int32_t* codeword) {
                                           return cid2d_ReedSolomonCode_CorrectErrs(f, codeword,
                                                                                    256, f);
                                       })),
            GIVES(CID_STATUS_INVALID_VALUE, cid2d_ReedSolomonCode_CorrectErrs,
                  (f.cw[0] = 256,
                   untouched(f.cw, 8,
                             [&] { return cid2d_ReedSolomonCode_CorrectErrs(f, f.cw, 8, f); }))),
            GIVES(
                CID_STATUS_INVALID_PARAMETER, cid2d_ReedSolomonCode_CorrectErrs,
                untouched(f.cw, 8,
                          [&] { return cid2d_ReedSolomonCode_CorrectErrs(&f.code2, f.cw, 8, f); })),
            GIVES(0, cid2d_ReedSolomonCode_CorrectErrs,
                  intoGuarded<int32_t>(255,
                                       [&](int32_t* codeword) {
                                           std::fill(codeword, codeword + 255,
                                                     -1);  // every symbol erased
                                           return cid2d_ReedSolomonCode_CorrectErrs(f, codeword,
                                                                                    255, f);
                                       })),
            GIVES(CID_STATUS_OUT_OF_RANGE, cid_RSSCCA_RSCorrectErrors_,
                  cid_RSSCCA_RSCorrectErrors_(f.cw, 0, 4, 0, nullptr, f, f)),
            GIVES(CID_STATUS_INVALID_VALUE, cid_RSSCCA_RSCorrectErrors_,
                  (f.i[0] = 9, cid_RSSCCA_RSCorrectErrors_(f.cw, 8, 4, 1, f, f, f))),
            GIVES(CID_STATUS_INVALID_VALUE, cid_RSSCCA_RSCorrectErrors_,
                  (f.cw[3] = 929, cid_RSSCCA_RSCorrectErrors_(f.cw, 8, 4, 0, nullptr, f, f))),
            GIVES(CID_STATUS_INVALID_VALUE, cid_findSymbols,
                  intoGuarded<cid_symbol>(1,
                                          [&](cid_symbol* symbols) {
                                              cid_searchOptions options;
                                              cid_searchOptions_init(&options);
                                              options.minSymbolSize = NAN,
                                              options.maxSymbolSize = -INFINITY;
                                              return cid_findSymbols(&f.dm.asConst, &options,
                                                                     symbols, 1, f.i);
                                          })),
            GIVES(CIMG_STATUS_NOT_BOUND, cid_findSymbols,
                  cid_findSymbols(&f.ic, nullptr, nullptr, 0, f.i)),
            GIVES(0, cid_findSymbols,
                  intoGuarded<cid_symbol>(1,
                                          [&](cid_symbol* symbols) {
                                              return cid_findSymbols(&f.dm.asConst, nullptr,
                                                                     symbols, 1, f.i);
                                          })),
            GIVES(0, cid_findSymbols,
                  (cimg_image_window(&f.dm, 8, 8, 0, 0),
                   cid_findSymbols(&f.dm.asConst, nullptr, nullptr, 0, f.i))),
            GIVES(CID_STATUS_OUT_OF_RANGE, cid_threshold,
                  (cimg_image_window(&f.g, 8, 8, 0, 4), cid_threshold(f, f))),
            GIVES(CID_STATUS_IMAGE_NOT_BOUND, cid_threshold, cid_threshold(&f.ic, f)),
            GIVES(CID_STATUS_DIVISION_BY_ZERO, cidut_divideBufferByConstant32_8,
                  intoGuarded<uint8_t>(32,
                                       [&](uint8_t* out) {
                                           return cidut_divideBufferByConstant32_8(f, 32, 0u, out);
                                       })),
            GIVES(0, cidut_divideBufferByConstant32_8,
                  intoGuarded<uint8_t>(32,
                                       [&](uint8_t* out) {
                                           return cidut_divideBufferByConstant32_8(f, 32, 7u, out);
                                       })),
            GIVES(CID_STATUS_OUT_OF_RANGE, cidut_binarizeImage,
                  (f.bp.tilesX = 0, cidut_binarizeImage(&f.o, nullptr, nullptr, nullptr, f, f))),
            GIVES(CID_STATUS_INVALID_VALUE, cidut_binarizeImage,
                  (f.bp.method = 6, cidut_binarizeImage(&f.o, nullptr, nullptr, nullptr, f, f))),
            GIVES(CSEDGE_STATUS_INVALID_PARAMS, cip_edge_detectMagAng,
                  (f.ep.sigma = std::nan(""), cip_edge_detectMagAng(f, &f.ep, &f.o, &f.o2))),
            GIVES(CSEDGE_STATUS_INVALID_PARAMS, cip_edge_detectMagAng,
                  (f.ep.sigma = 8.01, cip_edge_detectMagAng(f, &f.ep, &f.o, &f.o2))),
            // One-dimensional symbols: no pitch, no width, one slot, no samples
            GIVES(CID_STATUS_INVALID_VALUE, cidut_edgesToTeeth,
                  (f.pairing.expectedPitch = 0,
                   cidut_edgesToTeeth(f, f, nullptr, nullptr, &f.scan, nullptr, &f.teeth2))),
            GIVES(CID_STATUS_INVALID_VALUE, cidut_edgesToTeeth,
                  (f.pairing.expectedWidth = 0,
                   cidut_edgesToTeeth(f, f, nullptr, nullptr, &f.scan, nullptr, &f.teeth2))),
            GIVES(CID_STATUS_INVALID_VALUE, cidut_edgesToTeeth,
                  (f.pairing.slotCount = 1,
                   cidut_edgesToTeeth(f, f, nullptr, nullptr, &f.scan, nullptr, &f.teeth2))),
            GIVES(CID_STATUS_OUT_OF_RANGE, cidut_linePixels2D,
                  cidut_linePixels2D(f, f.v, f.v + 1, 0, f)),
            GIVES(0, cidut_binarizeImage, intoGuardedImage([&](cimg_image* out) {
                      return cidut_binarizeImage(out, nullptr, nullptr, nullptr, &f.h.asConst, f);
                  })),
            // Calls that break a precondition: bad counts and bounds, corrupted records
            {
                BAD_ARGS(cf2DFFT_32x32_fixed, 1, 0, f, f, 64, 32, 0, 0),  // centred but not square
                BAD_ARGS(cf2DFFT_32x32_fixed, 0, 32, f, f, 32, 32, 0, 0),
                BAD_ARGS(cf2DIFFT_32x32_fixed, 1, f, f.im, 64, 32, nullptr),
                BAD_ARGS(cfRowDFT, f, f, f, -1),
                BAD_ARGS(cf2DDFT, f, -1, 4, f, f),
                BAD_ARGS(cf2DPowerSpectrum, f, 64, 2, -1, f, 4),
                BAD_ARGS(cidut_2dFFTPwrSpec_win8_, &f.h.asConst, f, 64, f),
                BAD(cf_EdgeDetectIDTableInit, cstd_vector_8_resize(f, 100);
                    cf_EdgeDetectIDTableInit(f, 3)),
                BAD_ARGS(cf_EdgeDetectID, f.px + 65, 64, f, 8, 8, 8, f.idTable.data(), 65536, 0, 0,
                         0, 0),
                BAD_ARGS(cfEdgeDetectIDMagAng, f, f, &f.o2, 2, 0, 0),
                BAD_ARGS(cid_fixedRegion_sampleScans, f, 0, f, f),
                BAD(cidut_evaluateRegionOverlapped,
                    cidut_regionGeom none{};  // both half lengths zero
                    none.cx = f.geom.cx + 20; none.cy = f.geom.cy;
                    cidut_evaluateRegionOverlapped(f, &none, 0, f)),
                BAD(cidut_evaluateRegionOverlapped, f.geom.xLen = -1;
                    cidut_evaluateRegionOverlapped(f, f, 0, f)),
                BAD(cmath_vect32_4_getDistance, cmath_vect32_4 far{262140 + 16, 16};
                    cmath_vect32_4_getDistance(f, &far, f)),
                BAD(cmath_shapeFixPtLine_distanceFrom, f.p4 = {65535, 0};
                    cmath_shapeFixPtLine_distanceFrom(f, f, f)),
                BAD(cmath_shapeFixPtLine_distanceAlong, f.p4 = {65535, 0};
                    cmath_shapeFixPtLine_distanceAlong(f, f, f)),
                BAD_ARGS(cmath_sin16FixedPoint, f, 31),
                BAD_ARGS(cmath_cos16FixedPoint, f, -1),
                BAD_ARGS(cxfILimit, 2, 3, 0),
                BAD(cx2Matrix::element, cx2Matrix().element(2, 0)),
                BAD(cxVector::operator[], f.counts[f.counts.size()]),
                BAD(cxHistoStats::mode, cxHistoStats().mode()),
                BAD(cxRange::length, corrupted().length()),
                BAD(cxRange::isWithin, corrupted().isWithin(1)),
                BAD(cxRange::intersect, corrupted().intersect(cxRange(0, 1))),
                BAD(cxRange::intersect, cxRange(0, 1).intersect(corrupted())),
                BAD(cxRange::dilate, corrupted().dilate(cxRange(0, 1))),
                BAD(cxRange::erode, corrupted().erode(cxRange(0, 1))),
                BAD(cxRange::translate, corrupted().translate(1)),
                BAD(cxRange::scale, corrupted().scale(1)),
                BAD(cxRange::someOverlap, corrupted().someOverlap(cxRange(0, 1), 0)),
                BAD(ccCidLSLineFitter::update, full().update(cx2Vect(1, 1))),
                BAD(ccCidLSLineFitter::operator+=, ccCidLSLineFitter(full()) += full()),
                BAD(ccCidLSLineFitter::operator+, full() + full()),
                BAD_ARGS(cidut_lineFitting, f, f, -1),
                BAD_ARGS(cidut_lineFitting_Fixed, nullptr, f, f, 4, 31),
                BAD_ARGS(cidut_lineFitting_Fixed, nullptr, f, f, 4, -1),
                BAD(cidut_line_fit, f.fitParams.numOutliers = -1; cidut_line_fit(f, f, f)),
                BAD(cid_mask_isRegionUnMasked, f.mask.testCentres = f.mask.testRects = 0;
                    cid_mask_isRegionUnMasked(f, f, nullptr, 0, f)),
                BAD_ARGS(rowExtremaMax, 1, f, f, 6, nullptr),
                BAD_ARGS(rowExtremaMax, 6, f, f, 6, nullptr),
                BAD_ARGS(rowExtremaMin, 0, f, f, 6, nullptr),
                BAD_ARGS(rowExtremaMax, 3, f.b, f.b + 2, 4, nullptr),  // overlapping rows
                BAD_ARGS(cid_region_initRotatePoints, f, -1, f),
                BAD(cidc_scanLine_initPointDir, f.dir = {70000, 0};
                    cidc_scanLine_initPointDir(f, f, f)),
                BAD_ARGS(cidc_scanLineSeg_initPoints, f, &f.end, &f.start, f),  // end before start
                BAD(cidc_scanLineSeg_initPoints, f.end.x = int64_t{1} << 41;
                    cidc_scanLineSeg_initPoints(f, &f.start, &f.end, nullptr)),
                BAD(cidc_scanShape_clip, f.shape = {nullptr, nullptr, nullptr};
                    cidc_scanShape_clip(f, f, f)),
                BAD_ARGS(cidc_windowROI_initCorner, f, f, 16, 2),
                BAD(cidc_windowROI_initCopyShrink, f.shrink = 16 * 16;
                    cidc_windowROI_initCopyShrink(f, f, f, f)),
                BAD(cidc_windowROI_init, f.wr.width = 5; cidc_windowROI_init(f, f, 2, 2, 0, 0)),
                BAD(cidc_windowROI_initCenter, f.wr.height = 5;
                    cidc_windowROI_initCenter(f, f, 2, 2)),
                BAD(cidc_windowROI_initSameOrigin, f.wr.width = 5;
                    cidc_windowROI_initSameOrigin(f, f, f, 2, 2)),
                BAD(cidc_windowROI_initCopyShrink, f.shrink = INT64_MAX - 3;
                    cidc_windowROI_initCopyShrink(f, f, f, f)),
                BAD(cidc_scanLine_initPointDir, f.p64 = {int64_t{1} << 38, -(int64_t{1} << 38)};
                    cidc_scanLine_initPointDir(f, f, f)),
                BAD(cidc_bresWalk, f.dir = {0, 0}; cidc_bresWalk(f, &f.fraction, f)),
                BAD_ARGS(cidc_peakDetectState_init, f, f, 0, -1),
                BAD(cidc_peakDetectState_detect,
                    cidc_peakDetectState_init(f, f, 0, 1);  // a second peak
                    for (int16_t s
                         : {10, 0, 10, 0}) cidc_peakDetectState_detect(f, 0, 0, s, 5, 0, 0, 0)),
                BAD_ARGS(cidc_trackStateConstantVal1D_init, f, 8),
                BAD(cidc_trackStateConstantRate1D_initVal, cidc_trackValue other{5, 2, 4};
                    cidc_trackStateConstantRate1D_initVal(f, f, &other, 0)),
                BAD_ARGS(cid_RSSCCA_RSCorrectErrors_, f.cw, 8, 4, 1, nullptr, f, f),
                BAD_ARGS(cstd_assert_, __LINE__),
                BAD_ARGS(cid2d_getHorizontalTrackingSeeds, f, f.rows, 1, 0, 10, 0, f, f, 0, 0),
                BAD(cf_BndFindMatchingPDP, const pdfRow row(f);  // edges without their profile
                    cf_BndFindMatchingPDP(f, f, nullptr, 0, nullptr, &f.marker, 0, row.edges, 2, 32,
                                          0, nullptr, nullptr, f)),
                BAD(cid_findSymbols, int32_t count;  // room for two in no array
                    cid_findSymbols(f, nullptr, nullptr, 2, &count)),
                BAD_ARGS(cid_findDataMatrix, f, nullptr, nullptr, 0, nullptr),
                BAD_ARGS(cid_findPdf417, f, nullptr, nullptr, -1, f.i),
                BAD_ARGS(cid_findBarcodes, f, nullptr, nullptr, 0, nullptr),
                BAD_ARGS(cid_findSymbolsNew, f, nullptr, nullptr, f.i),
                BAD_ARGS(cid_symbols_release, nullptr),
                BAD_ARGS(cid_searchOptions_init, nullptr),
                BAD(cf_BndFindDMSymbolFromSeed,
                    f.tracking.workBufferSize = CID2D_WORK_BUFFER_MIN - 1;
                    cf_BndFindDMSymbolFromSeed(f, f, f, f, &f.marker, nullptr, 0, nullptr, f)),
                BAD_ARGS(cbt_result_construct, f, -1),
                BAD(csys_cleanup_add_, csys_cleanupEntry one[1];
                    int32_t n = 1;  // beyond the capacity
                    csys_cleanup_add_(one, 1, &n, 2, CSYS_CLEANUP_SCRATCH, nullptr,
                                      &releaseNothing)),
                BAD_ARGS(cidut_ip_pelAdd8, f, &f.g2.asConst, f, 1u),  // overlapping windows
                BAD_ARGS(cidut_ip_pelSub8, f, &f.g2.asConst, f, 2u),
                BAD_ARGS(csys_shutdown_register, nullptr, nullptr),
                BAD_ARGS(cip_edge_detectMagAng, f, f, &f.o, &f.o),
                BAD(csEdgeDetect, csImage none{8, 8, 0, 0, 8, nullptr};
                    csEdgeDetect(&none, f, nullptr, nullptr, f, f)),
                BAD_ARGS(csEdgeListNew, -1, f),
                BAD_ARGS(csEdgeChainListNew, -1, f),
                BAD(cxImage95::init,
                    cxImage95().init(static_cast<const cimg_imageConst*>(nullptr))),
                BAD(cxImage95::init, cxImage95().init(static_cast<cimg_image*>(nullptr))),
                BAD_ARGS(cid_thresholdHist, f, 0, f),
                BAD(cid_thresholdHist, const uint32_t none[4] = {}; cid_thresholdHist(none, 4, f)),
                BAD_ARGS(cidut_getDarkLightMeanThreshold_, f, 0, 10, 20, f, f, f, f),
                BAD_ARGS(cip_pelHistogramStat_invCum, f, 0, f.im),
                BAD(cidut_edgesToTeeth, f.barList.edges = nullptr;
                    cidut_edgesToTeeth(f, f, nullptr, nullptr, &f.scan, nullptr, f)),
                BAD(cidut_linePixels, f.w.pixels = nullptr;
                    cidut_linePixels(f, f.v, f.v + 1, f.b, 16, f.b, f)),
                BAD(cidut_linePixels2D, f.w.pixels = nullptr;
                    cidut_linePixels2D(f, f.v, f.v + 1, 16, f)),
                BAD(cidut_caliperLite, f.w.pixels = nullptr;
                    cidut_caliperLite(f, f.v, f.v + 3, 8, 10, 0, f.im, f.im + 8, f)),
                BAD(cidut_linePixels1, const cmath_vect far{70000, 5};
                    cidut_linePixels1(f, &far, f.v + 1, f.b, 16, f.b)),
                BAD(cidut_linePixels_LowPPM, const cmath_vect far{70000, 5};
                    cidut_linePixels_LowPPM(f, f.v, &far, f.b, 16, f)),
                BAD(csys_cleanupExecute_, int32_t n = 0;
                    csys_cleanupExecute_(nullptr, &n, &n, 0)),                    // no tag
                BAD(csys_cleanup_doId_, csys_cleanupEntry one[1]; int32_t n = 0;  // no such entry
                    csys_cleanup_add_(one, 1, &n, 1, CSYS_CLEANUP_SCRATCH, nullptr,
                                      &releaseNothing);
                    csys_cleanup_doId_(one, &n, &n, 99)),
            },
            // Bad counts and bounds, each list of values one call
            BAD_EACH(cidut_binarizeImage,  // region mode, window width and height
                     (f.bp.regionMode = v[0], f.bp.window = {0, 0, v[1], v[2]},
                      cidut_binarizeImage(&f.o, nullptr, nullptr, nullptr, f, f)),
                     {7, 4, 4}, {0, 0, 4}, {0, 4, 0}),
            BAD_EACH(cfPelHistogramSmall, cfPelHistogramSmall(f, v[0], v[1], v[2], f), {0, 4, 4},
                     {4, 0, 4}, {4, 4, 0}),
            BAD_EACH(cidut_getDarkLightMeanPercent_,
                     cidut_getDarkLightMeanPercent_(f, v[0], v[1], v[2], f, f, f, f), {32, 101, 10},
                     {32, 10, -1}, {0, 10, 10}),
            BAD_EACH(cid_spatialAverage, cid_spatialAverage(f.b, 16, 16, 16, v[0], v[1], f.px, 16),
                     {0, 3}, {3, 0}, {17, 3}, {3, 17}),
            BAD_EACH(cidut_estimatePitch,  // n, tolerance, initial, largest and smallest pitch
                     cidut_estimatePitch(f.pos, v[0], 1, v[1], v[2], v[3], v[4], f, f),
                     {1, 20, 100, 120, 80}, {8, 20, 0, 120, 80}, {8, 20, 100, 120, 101},
                     {8, 20, 100, 99, 80}, {8, 20, 100, 200, 80}, {8, 20, 100, 120, 50},
                     {8, 0, 100, 120, 80}, {8, 50, 100, 120, 80}, {8, 20, 100, 140, 60}),
            BAD_EACH(
                cidut_cg1dComputeScaledPitch,  // n, pitch, low and high scale, tolerance
                cidut_cg1dComputeScaledPitch(v[0], f.pos, v[1], v[2], v[3], v[4], f, f, 64, f, f),
                {1, 100, 900, 1100, 10}, {8, 0, 900, 1100, 10}, {8, 100, 500, 1100, 10},
                {8, 100, 1100, 1050, 10}, {8, 100, 900, 1000, 10}, {8, 100, 900, 2000, 10},
                {8, 100, 900, 1100, 0}, {8, 100, 900, 1100, 50}, {8, 100, 900, 1300, 10}),
            BAD_EACH(cidut_cg1dOnGrid,  // n, pitch, window
                     cidut_cg1dOnGrid(v[0], f.pos, f.im, v[1], v[2], f.im + 8, f, f), {1, 100, 20},
                     {8, 0, 20}, {8, 100, 0}, {8, 100, 101}),
        };
        std::vector<entry> all;
        for (const auto& group : groups) all.insert(all.end(), group.begin(), group.end());
        return all;
    }();
    return table;
}

}  // namespace cid_fail
