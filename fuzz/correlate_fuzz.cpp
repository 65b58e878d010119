// Fuzz target for profile correlation: sizes, shift range and samples all come from the input.
// Built and run as fuzz/README.md describes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ci_id/correlate.h"

namespace {

// Reads sizes from the front of the input; what is left becomes samples.
struct reader {
    const uint8_t* data;
    size_t size;
    int32_t take(int32_t limit) {
        if (size == 0) return 0;
        int32_t value = static_cast<int8_t>(*data);
        ++data;
        --size;
        return value % limit;
    }
};

template <typename T>
std::vector<T> samples(reader& in, int32_t count) {
    std::vector<T> out(static_cast<size_t>(count > 0 ? count : 0));
    for (auto& v : out) {
        if (in.size < sizeof(T)) break;
        std::memcpy(&v, in.data, sizeof(T));
        in.data += sizeof(T);
        in.size -= sizeof(T);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reader in{data, size};
    // Sizes may be zero or negative: the calls must then answer with a status.
    const int32_t n = in.take(100), m = in.take(120), maxShift = in.take(100);
    const bool wide = in.take(2) != 0;
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
