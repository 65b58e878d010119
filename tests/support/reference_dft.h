// Double-precision reference transforms for the FFT tests: separable direct DFTs with exact
// twiddles (angles reduced as integers), written independently of the library's code.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

namespace cid_test {

using complexd = std::complex<double>;

// X[k] = sum x[n] e^(sign 2 pi i k n / N), sign -1 forward, +1 inverse; unnormalised.
std::vector<complexd> referenceDft(const std::vector<complexd>& x, int sign);

// Separable 2-D transform of a rows x cols row-major array (rows first, then columns).
std::vector<complexd> referenceDft2D(const std::vector<complexd>& x, int rows, int cols, int sign);

// 10 log10(sum |reference|^2 / sum |value - reference|^2); infinite when they are equal.
double signalToNoiseDb(const std::vector<complexd>& value, const std::vector<complexd>& reference);

// Uniform random bytes from a fixed seed.
std::vector<uint8_t> randomBytes(size_t count, uint32_t seed);

}  // namespace cid_test
