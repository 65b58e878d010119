// Fuzz target for profile correlation: sizes, shift range and samples all come from the input.
// Built and run as fuzz/README.md describes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ci_id/correlate.h"

#include "fuzz_input.h"

namespace {

using reader = cid_fuzz::input;

template <typename T>
std::vector<T> samples(reader& in, int32_t count) {
    std::vector<T> out(static_cast<size_t>(count > 0 ? count : 0));
    for (auto& v : out) {
        if (in.left() < sizeof(T)) break;
        v = in.next<T>();
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reader in(data, size);
    // Sizes may be zero or negative: the calls must then answer with a status.
    const int32_t n = in.signedBelow(100), m = in.signedBelow(120), maxShift = in.signedBelow(100);
    const bool wide = in.signedBelow(2) != 0;
    // Room for every score the sizes could ask for, never fewer than one.
    const size_t room = static_cast<size_t>(120 + 2 * 100 + 1);
    std::vector<double> scores(room);
    double shift = 0, score = 0;
    if (wide) {
        std::vector<uint32_t> a = samples<uint32_t>(in, n), b = samples<uint32_t>(in, m);
        a.resize(a.size() + 1);
        b.resize(b.size() + 1);
        cf_correlate1D_U32(a.data(), n, b.data(), m, maxShift, scores.data());
        cidut_RunCorrelate_UInt32(a.data(), n, b.data(), m, maxShift, &shift, &score);
    } else {
        std::vector<uint8_t> a = samples<uint8_t>(in, n), b = samples<uint8_t>(in, m);
        a.resize(a.size() + 1);
        b.resize(b.size() + 1);
        cf_correlate1D_U8(a.data(), n, b.data(), m, maxShift, scores.data());
        cf_RunCorrelate_U8(a.data(), n, b.data(), m, maxShift, &shift, &score);
    }
    return 0;
}
