// The vector morphology pass for SSE2, the choice of pass for the processor at hand, and the
// layout of the working memory every pass shares.
#include "ci_id/priv/ci_idut/pixel/morph_simd.h"

#include <algorithm>

#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/pixel/running_extremum.h"

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>

#define CIDUT_MORPH_SIMD_TARGET __attribute__((target("sse2")))
#include "ci_id/priv/ci_idut/pixel/morph_simd_kernel.h"

namespace {

struct sse2Vector {
    using type = __m128i;
    static constexpr int32_t kBytes = 16;
    CIDUT_MORPH_SIMD_TARGET static type load(const uint8_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    }
    CIDUT_MORPH_SIMD_TARGET static void store(uint8_t* p, type v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    }
    CIDUT_MORPH_SIMD_TARGET static type max(type a, type b) { return _mm_max_epu8(a, b); }
    CIDUT_MORPH_SIMD_TARGET static type min(type a, type b) { return _mm_min_epu8(a, b); }
};

}  // namespace
#endif

namespace {

size_t vectorRounded(size_t bytes) {
    const size_t unit = cidut::kMorphSimdWidest;
    return (bytes + unit - 1) / unit * unit;
}

constexpr int64_t kColumnBlockBytes = 24576;

int32_t halfOf(int32_t kernel) { return kernel > 1 ? cidut::kernelHalfWidth(kernel) : 0; }

}  // namespace

namespace cidut {

morphSimdLayout morphSimdLayoutOf(int32_t width, int32_t height, int32_t kernelWidth,
                                  int32_t kernelHeight) {
    morphSimdLayout l{};
    l.halfX = halfOf(kernelWidth);
    l.halfY = halfOf(kernelHeight);
    const int64_t windowY = 2 * int64_t{l.halfY} + 1;
    // The ring holds the rows of two column blocks; narrow windows go through it even when rows
    // are not filtered, so that whole vectors can be read from every row.
    const bool ringed = l.halfY > 0 && (l.halfX > 0 || width < kMorphSimdWidest);
    l.ringSlots = ringed ? static_cast<int32_t>(std::min<int64_t>(2 * windowY, height)) : 0;
    const size_t widest = kMorphSimdWidest;
    // Ring rows a whole number of kilobytes apart would make loads from one row wait on stores to
    // another that share their low address bits; three vectors more keep them apart.
    l.rowPitch = vectorRounded(size_t(width)) + 3 * widest;
    l.paddedRow = vectorRounded(size_t(width) + 2 * size_t(l.halfX) + 2 * widest);
    l.levelRow = l.paddedRow;
    l.identityRow = l.rowPitch + widest;
    l.ring = size_t(l.ringSlots) * l.rowPitch;
    l.rowPointers = vectorRounded(sizeof(const uint8_t*) * 2 * size_t(windowY));
    // A column block's suffixes, a strip of each of its rows, stay within the first-level cache.
    const int64_t stripFit = kColumnBlockBytes / windowY / widest * widest;
    l.strip = static_cast<int32_t>(
        std::max<int64_t>(widest, std::min<int64_t>(stripFit, int64_t(l.rowPitch))));
    l.suffixes = size_t(windowY + 1) * size_t(l.strip);
    l.total = l.paddedRow + l.levelRow + l.identityRow + l.ring + l.rowPointers + l.suffixes;
    return l;
}

size_t morphSimdScratchBytes(int32_t width, int32_t height, int32_t kernelWidth,
                             int32_t kernelHeight) {
    return morphSimdLayoutOf(width, height, kernelWidth, kernelHeight).total;
}

#if defined(__x86_64__) || defined(__i386__)
void morphSimdRunSse2(const morphSimdJob& job) { morphsimd::morphSimdRun<sse2Vector>(job); }

morphSimdPass morphSimdPassForThisProcessor() {
    if (__builtin_cpu_supports("avx2") && !cprt_isOptimizationInhibited(L"cidut_morph2d_run_avx2")) {
        return morphSimdRunAvx2;
    }
    if (__builtin_cpu_supports("sse2")) return morphSimdRunSse2;
    return nullptr;
}
#else
morphSimdPass morphSimdPassForThisProcessor() { return nullptr; }
#endif

}  // namespace cidut
