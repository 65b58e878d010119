// The table behind the precondition and allocation-failure suites: a scene of valid records built
// afresh for every row, and one row per entry point saying how to call it on the scene and which
// of its pointer arguments may be null, plus rows whose call breaks a precondition.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "ci_id/ci_id.h"
#include "test_support.h"

namespace cid_fail {

template <class T>
const T* in(const T* p) {
    return p;
}

// A record made by its library constructor or initialiser.
template <class T, class... A, class... V>
T made(int32_t (*construct)(T*, A...), V... values) {
    T record{};
    construct(&record, values...);
    return record;
}

template <class P, class Tuple>
struct holds;
template <class P, class... T>
struct holds<P, std::tuple<T...>> : std::disjunction<std::is_same<P, T>...> {};

struct scene {
    scene();
    ~scene();

    // g, g2 (32 x 32) and h (8 x 8): 8-bit, a dark square over the middle half on a lighter
    // ramp; c: the classifier's 128 x 128 window; dbl: 8 x 8 doubles; s32: 16 x 1 32-bit
    // samples; marker: the finder's marker; o, o2 and ic: unbound.
    cimg_image g = square(32), g2 = square(32), h = square(8);
    cimg_image c = made(cimg_image_construct, CIMG_DEPTH_8U, 128, 128);
    cimg_image dbl = made(cimg_image_construct, CIMG_DEPTH_64F, 8, 8);
    cimg_image s32 = made(cimg_image_construct, CIMG_DEPTH_32S, 16, 1);
    cimg_image marker = made(cimg_image_construct, CIMG_DEPTH_8U, 8, 8);
    cimg_image o = made(cimg_image_constructUnbound), o2 = o;
    cimg_imageConst ic = made(cimg_imageConst_constructUnbound);
    cimg_windowConst w = made(cimg_windowConst_init, in(&g.asConst));
    cimg_windowConst w32 = made(cimg_windowConst_init, in(&s32.asConst));
    cidc_windowRect wr{w.width, w.height, w.xOffset, w.yOffset};
    uint8_t px[32 * 32], b[256];
    uint16_t px16[32 * 32];
    cf_fixedComplex32 sp[32 * 32];
    cf_fixedComplex16 sp16[32 * 32];
    int32_t im[32 * 32], i[16] = {1, 2, 3, 4, 5, 6};
    int32_t cw[16] = {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1};  // two codewords, an error in each
    uint32_t pw[256], u32s[32];
    double d[256] = {1.5, 1.5};
    std::vector<uint8_t> idTable = std::vector<uint8_t>(CF_EDGE_ID_TABLE_SIZE);
    void* block = nullptr;
    char text[64];
    cmath_bigInt x{{7, 1}};

    // v[0..3] and v[4..7]: two quadrilaterals Po, Px, Py, Popp inside g.
    cmath_vect v[8] = {{2, 2}, {20, 3}, {3, 20}, {21, 21}, {4, 4}, {22, 5}, {5, 22}, {23, 23}};
    cmath_vect out[4] = {};
    cmath_point corners[4] = {{2, 2}, {20, 3}, {3, 20}, {21, 21}};
    cmath_shapeAffineRect ar{{2, 2}, {20, 3}, {3, 20}}, ar2{};
    cmath_shapeAffineRectPoints arp{{2, 2}, {20, 3}, {3, 20}};
    cmath_shapeAffineRectCenter arc{{10, 10}, 8, 6, 0.1, 0.1};
    cmath_xformLinear xl{{{{1, 0}, {0, 1}}}, {1, 2}};
    cmath_xformPerspective xp{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, xp2 = xp;
    cstd_rect32 rc{0, 0, 32, 32}, rc2{};
    cmath_rect rect{};
    cid_region r = made(cid_region_initVectPoints, in(v), 0), r2 = r, r3 = r;
    cmath_shapeLine sl[4];  // r's y sides, then its x sides
    cid_fixedRegion fr = made(cid_fixedRegion_initRegion, in(&r), 0.0, 0.0);
    cmath_vect32 v32{300, 300};
    cidut_regionGeom geom;
    cidut_line ln{{0, 0}, {1, 0}}, ln2{{0, 0}, {0, 1}};
    cidut_lineSeg sg{{0, 0}, {4, 1}}, sg2{{0, 0}, {1, 4}};
    cidut_fixedLine fl{};
    cidut_fixedPoint fp[4] = {{0, 0}, {16, 5}, {32, 9}, {48, 16}};
    cmath_vect32_4 p4{16, 16};
    cmath_shapeFixPtAffineRectPoints fxr{{0, 0}, {64, 0}, {0, 64}};
    cmath_shapeFixPtLineSeg fxs{{0, 0}, {64, 16}};
    cmath_shapeFixPtLine fxl{{0, 0}, 1000};
    cmath_statisticsFixed st = made(cmath_statisticsFixed_init, 8);

    // Records that own memory: mask on g holds one region, mask2 on g2 none, mask3 is unbound;
    // peakLists holds two copies of peaks.
    cid2d_ReedSolomonCode code = made(cid2d_ReedSolomonCode_construct, 8, 4, 0x12D, 2), code2{};
    cid_mask mask = made(cid_mask_construct, in(&g.asConst));
    cid_mask mask2 = made(cid_mask_construct, in(&g2.asConst)),
             mask3 = made(cid_mask_construct, nullptr);
    cid2d_imageMemoryManager mgr =
        made(cid2d_imageMemoryManager_construct, in(&g.asConst), in(&h.asConst));
    cid2d_imageMemoryManager mgr2 = made(cid2d_imageMemoryManager_construct, in(&ic), in(&ic));
    cstd_vector8 t8 = made(cstd_vector_8_constructEmpty);
    cidc_peakIDFixedX_4 found[4] = {{0, 5, 0, 0, {}, 0}, {16, -9, 1, 0, {}, 0}};
    cstd_vector_cidc_peakIDFixedX_4 peaks =
        made(cstd_vector_cidc_peakIDFixedX_4_constructFromBlock, in(found), intptr_t{2});
    cstd_vector_vector_cidc_peakIDFixedX_4 peakLists =
        made(cstd_vector_vector_cidc_peakIDFixedX_4_constructFill, intptr_t{2}, in(&peaks));
    cstd_vector_vector_cidc_peakIDFixedX_4* clone = nullptr;  // receives copies of peakLists
    cidc_peakDetectState detector = made(cidc_peakDetectState_init, &peaks, 0, 4);
    cxVector<cx2Vect> pts;  // five points, one off the line
    cidut_linefit_params fitParams{1, 1.0};
    cidut_linefit_result fit{};
    cxVector<uint32_t> counts;
    cxHistoStats hist;  // three bins, and counts then fifty
    cid_symbolClassifierParams classifier{};
    ClassScore scores[4];

    // Scans in the frame of roi (g's window less 2 pixels); line runs along row 16.
    cidc_windowROI roi = made(cidc_windowROI_initCorner, in(&wr), 2, 2), roi2 = roi;
    cidc_point64_4 p64{256, 264}, start{64, 264}, end{320, 264};
    cidc_unitDir16 dir{65536, 0};
    int64_t shrink = 16;
    cidc_scanLine line = made(cidc_scanLine_initPointDir, in(&p64), in(&dir)), line2 = line;
    cidc_scanLineSeg seg, seg2;
    cidc_scanRay ray = made(cidc_scanRay_initPointDir, in(&start), in(&dir), in(&line));
    cidc_scanShape shape = made(cidc_scanShape_initScanLineSeg, in(&seg));
    cidc_point32 pixel{5, 5}, fraction{0, 0};
    cidc_edgeScanParams edgeParams{10};
    cidc_gradientDir16 gradient{1, 0};
    cidc_trackStateConstantVal1D trackVal = made(cidc_trackStateConstantVal1D_init, 3);
    cidc_trackStateConstantRate1D trackRate = made(cidc_trackStateConstantRate1D_init, 3);
    cidc_trackValue known{5, 2, 3};

    // Location: seeds on row 16, the finder's parameters and results, a boundary tracker run.
    int32_t rows[1] = {16};
    std::vector<unsigned char> work = std::vector<unsigned char>(CID2D_WORK_BUFFER_MIN);
    cid2d_trackingParams tracking = made(cid2d_trackingParams_init);
    cid2d_trackingSeed seed[4];
    cid2d_trackingResult result = made(cid2d_trackingResult_construct);
    cbt_runParams trackRun = made(cbt_runParams_init);
    cbt_result track = made(cbt_result_construct, 0);
    // A 12 x 12 Data Matrix of 6-pixel modules at (28, 28) on a light 128 x 128 image, and scan
    // rows every 8 pixels over it.
    cimg_image dm = symbol(), dmMarker = made(cimg_image_construct, CIMG_DEPTH_8U, 32, 32);
    int32_t dmRows[16];

    // Edges: g's legacy view; lists holding a detection of g, their first edgel and chain;
    // noEdges and noChains receive new lists.
    cip_edgeParams ep = made(cip_edgeParams_init);
    csEdgeParams cp = made(csEdgeParamsDefault);
    csImage gv{32, 32, 0, 0, g.asConst.pitch, g.asConst.pixels};
    csEdgeList *edges = nullptr, *noEdges = nullptr;
    csEdgeChainList *chains = nullptr, *noChains = nullptr;
    const csEdge* edgel = nullptr;
    const csEdgeChain* chain = nullptr;

    // Thresholds and clusters; a column element taller than h.
    cidut_binarizeParams bp = made(cidut_binarizeParams_construct);
    cid_thresholdResult tr{};
    cip_gaussParams gp = made(cip_gaussParams_init);
    cip_gmorphElementArray column =
        made(cip_gmorphElementArray_constructType, CIP_GMORPH_COLUMN, 5);
    cip_threshParams tp = made(cip_threshParams_init);
    cip_threshResult tres{};
    ClusterParams kp{-1, 1.0, 0.5, 8};  // a single cluster
    cmath_statistics ds = made(cmath_statistics_init);

    // One-dimensional: six dark bars 4 pixels wide and 8 apart along a 200-pixel scan, teeth
    // holding their six slots, teeth2 constructed empty, teeth3 not constructed; positions at a
    // pitch of about 100.
    cidut_toothCand tooth = made(cidut_toothCand_init);
    cidut_edgePairingParams pairing = made(cidut_edgePairingParams_init);
    cidut_edge bars[12];
    cidut_edgeList barList{12, CIDUT_EDGE_LIST_ORDERED, 0, bars};
    cmath_shapeAffineRect scan{{0, 40}, {200, 40}, {0, 60}};
    cidut_teethResults teeth = made(cidut_teethResults_construct),
                       teeth2 = made(cidut_teethResults_construct), teeth3{};
    int32_t pos[8] = {0, 101, 199, 300, 402, 500, 599, 700};

    cprt_optimizationInhibitedFunction hook = cprt_isOptimizationInhibitedFP;

    static cimg_image square(int side);
    static cimg_image symbol();

    // A pointer argument of type P receives the scene's object of that type: a record to read
    // when P points to const and one to write otherwise, where the two differ.
    auto objects() {
        return std::make_tuple(
            &x, pw, in(u32s), i + 8, in(i), text, b, in(px), px16, d + 8, in(d), &block, &o, &ic,
            in(&g.asConst), &w, in(&wr), scores, &classifier, &t8, sp, sp16, &fr, &v32, &r2, in(&r),
            &geom, &p4, &fxr, &fxs, &fxl, &st, &ar2, in(&ar), &arp, &arc, out, in(v), corners, sl,
            &xl, &xl.matrix, &xp2, in(&xp), &rc2, in(&rc), &rect, &mgr, &ln, &sg, &fl, fp,
            &fitParams, &fit, &pts, &mask, &code, &dir, &line2, in(&line), &p64, &shrink, &seg2,
            in(&seg), &ray, &shape, &roi2, in(&roi), &pixel, &detector, &peaks, &peakLists, found,
            &edgeParams, &gradient, &trackVal, &trackRate, &known, &tracking, seed, &trackRun,
            &track, &result, &ep, &cp, in(&gv), edges, &noEdges, chains, &noChains, edgel, chain,
            &bp, &tr, &gp, &column, &tp, &tres, &kp, &ds, &tooth, &pairing, in(&barList), &teeth);
    }
    template <class P, class = std::enable_if_t<std::is_pointer_v<P>>>
    operator P() {
        using T = std::remove_const_t<std::remove_pointer_t<P>>;
        if constexpr (holds<P, decltype(objects())>::value) {
            return std::get<P>(objects());
        } else if constexpr (holds<T*, decltype(objects())>::value) {
            return std::get<T*>(objects());
        } else {
            static T none;  // a holder of no vector, for the typed-vector families
            return &(none = nullptr);
        }
    }
};

// Runs a row's call with every argument as given (nulled < 0) or with argument `nulled` null.
using call = std::function<int32_t(int nulled)>;

struct entry {
    std::string name;
    uint32_t pointers;  // bit k: argument k is a pointer
    uint32_t nullable;  // bit k: argument k is documented to accept null
    bool broken;        // the call itself breaks a precondition
    std::function<call(scene&)> make;
    int32_t gives = 0;  // the status bad input must give; 0: any success
    int32_t outOfMemory = CSYS_STATUS_OUT_OF_MEMORY;  // another status a failed allocation may give
};

const std::vector<entry>& entries();

template <class... K>
constexpr uint32_t opt(K... k) {
    return (0u | ... | (1u << k));
}

template <class R, class... A>
constexpr uint32_t pointerArgs(R (*)(A...)) {
    uint32_t mask = 0, k = 0;
    ((mask |= (std::is_pointer_v<A> ? 1u : 0u) << k++), ...);
    return mask;
}

template <size_t K, class T>
T pass(T arg, int nulled) {
    return std::is_pointer_v<T> && static_cast<int>(K) == nulled ? T{} : arg;
}

// A call that returns a record's address succeeds with it or without.
template <class R, class... A, size_t... K>
int32_t invoke(R (*fn)(A...), const std::tuple<A...>& args, int nulled, std::index_sequence<K...>) {
    const R result = fn(pass<K>(std::get<K>(args), nulled)...);
    if constexpr (std::is_pointer_v<R>)
        return result != nullptr;
    else
        return static_cast<int32_t>(result);
}

template <class R, class... A, class... V>
call bind(R (*fn)(A...), V&&... values) {
    return [fn, args = std::tuple<A...>(std::forward<V>(values)...)](int nulled) {
        return invoke(fn, args, nulled, std::index_sequence_for<A...>{});
    };
}

// Every argument the scene's object of its type.
template <class R, class... A>
call bindScene(R (*fn)(A...), scene& f) {
    return bind(fn, std::conditional_t<true, scene&, A>(f)...);
}

// Rows for fns, named by the comma-separated names, all made by maker(scene, fn).
template <class Maker, class... F>
std::vector<entry> rows(const std::string& names, uint32_t nullable, Maker maker, F... fns) {
    std::vector<entry> out;
    size_t begin = 0;
    auto add = [&](auto fn) {
        size_t comma = std::min(names.find(',', begin), names.size());
        std::string name = names.substr(begin, comma - begin);
        begin = comma + 1;
        out.push_back({name.substr(name.find_first_not_of(" \n")), pointerArgs(fn), nullable, false,
                       [maker, fn](scene& f) { return maker(f, fn); }});
    };
    (add(fns), ...);
    return out;
}

inline entry cxx(const char* name, bool broken, std::function<int32_t(scene&)> run,
                 int32_t gives = 0) {
    return {
        name, 0, 0, broken, [run](scene& f) -> call { return [run, &f](int) { return run(f); }; },
        gives};
}

// A row calling run(f, v) for each list of values v.
template <class Run>
std::vector<entry> each(const char* name, bool broken, Run run,
                        const std::vector<std::vector<int32_t>>& cases) {
    std::vector<entry> out;
    for (const auto& v : cases)
        out.push_back(cxx(name, broken, [run, v](scene& f) { return int32_t(run(f, v)); }));
    return out;
}

// The rows of groups, each changed by change.
template <class Change, class... G>
std::vector<entry> changed(Change change, G... groups) {
    std::vector<entry> out;
    for (const auto& group : {groups...})
        for (entry e : group) out.push_back((change(e), e));
    return out;
}

// Rows whose failing allocations may also give status.
template <class... G>
std::vector<entry> failing(int32_t status, G... groups) {
    return changed([status](entry& e) { e.outOfMemory = status; }, groups...);
}

// Rows on the portable kernels, which the optimisation-inhibit hook forces until the scene
// restores it.
template <class... G>
std::vector<entry> portable(G... groups) {
    auto all = [](const wchar_t*) -> int32_t { return 1; };
    return changed(
        [all](entry& e) {
            e.make = [all, make = e.make](scene& f) {
                return cprt_isOptimizationInhibitedFP = all, make(f);
            };
        },
        groups...);
}

}  // namespace cid_fail

#define CID_FAIL_ARGS(...) __VA_ARGS__
// Entry points whose arguments are all the scene's objects of their types.
#define AUTO(...)                                                                      \
    cid_fail::rows(                                                                    \
        #__VA_ARGS__, 0, [](cid_fail::scene& f, auto fn) { return bindScene(fn, f); }, \
        __VA_ARGS__)
// Entry points taking the same arguments; f stands for the scene's object of a pointer type.
#define SAME(nullable, args, ...)                                                                  \
    cid_fail::rows(                                                                                \
        #__VA_ARGS__, nullable,                                                                    \
        []([[maybe_unused]] cid_fail::scene& f, auto fn) { return bind(fn, CID_FAIL_ARGS args); }, \
        __VA_ARGS__)
#define NUL(fn, nullable, ...) SAME(nullable, (__VA_ARGS__), fn)
// A C++ entry point called on the scene, and calls that break a precondition.
#define CALL(name, ...) GIVES(0, name, __VA_ARGS__)
#define BAD(name, ...)                                                   \
    cid_fail::cxx(#name, true, []([[maybe_unused]] cid_fail::scene& f) { \
        __VA_ARGS__;                                                     \
        return 0;                                                        \
    })
#define BAD_ARGS(fn, ...) BAD(fn, fn(__VA_ARGS__))
#define BAD_EACH(name, run, ...)                                                                \
    cid_fail::each(                                                                             \
        #name, true,                                                                            \
        []([[maybe_unused]] cid_fail::scene& f, const std::vector<int32_t>& v) { return run; }, \
        {__VA_ARGS__})
// A call that must give a status (0: any success).
#define GIVES(status, name, ...)                                                                \
    std::vector<cid_fail::entry> {                                                              \
        cid_fail::cxx(                                                                          \
            #name, false,                                                                       \
            []([[maybe_unused]] cid_fail::scene& f) -> int32_t { return __VA_ARGS__; }, status) \
    }
