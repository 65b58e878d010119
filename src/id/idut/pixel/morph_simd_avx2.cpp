// The vector morphology pass for AVX2, built for that instruction set function by function so
// that the library as a whole still runs on any x86-64 processor.
#include "ci_id/priv/ci_idut/pixel/morph_simd.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define CIDUT_MORPH_SIMD_TARGET __attribute__((target("avx2")))
#include "ci_id/priv/ci_idut/pixel/morph_simd_kernel.h"

namespace {

struct avx2Vector {
    using type = __m256i;
    static constexpr int32_t kBytes = 32;
    CIDUT_MORPH_SIMD_TARGET static type load(const uint8_t* p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    }
    CIDUT_MORPH_SIMD_TARGET static void store(uint8_t* p, type v) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
    }
    CIDUT_MORPH_SIMD_TARGET static type max(type a, type b) { return _mm256_max_epu8(a, b); }
    CIDUT_MORPH_SIMD_TARGET static type min(type a, type b) { return _mm256_min_epu8(a, b); }
};

}  // namespace

namespace cidut {

void morphSimdRunAvx2(const morphSimdJob& job) { morphsimd::morphSimdRun<avx2Vector>(job); }

}  // namespace cidut
#endif
