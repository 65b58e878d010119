#include "reference_dft.h"

#include <cmath>
#include <limits>
#include <random>

namespace cid_test {

std::vector<complexd> referenceDft(const std::vector<complexd>& x, int sign) {
    const size_t n = x.size();
    std::vector<complexd> roots(n);
    const long double pi = 3.141592653589793238462643383279502884L;
    for (size_t k = 0; k < n; ++k) {
        long double angle = 2 * pi * static_cast<long double>(k) / static_cast<long double>(n);
        roots[k] = complexd(static_cast<double>(std::cos(angle)),
                            static_cast<double>(sign * std::sin(angle)));
    }
    std::vector<complexd> out(n);
    for (size_t k = 0; k < n; ++k) {
        complexd sum = 0;
        for (size_t i = 0; i < n; ++i) sum += x[i] * roots[(k * i) % n];
        out[k] = sum;
    }
    return out;
}

std::vector<complexd> referenceDft2D(const std::vector<complexd>& x, int rows, int cols, int sign) {
    std::vector<complexd> out(x.size());
    for (int r = 0; r < rows; ++r) {
        std::vector<complexd> row(x.begin() + r * cols, x.begin() + (r + 1) * cols);
        row = referenceDft(row, sign);
        for (int c = 0; c < cols; ++c) out[r * cols + c] = row[c];
    }
    for (int c = 0; c < cols; ++c) {
        std::vector<complexd> column(rows);
        for (int r = 0; r < rows; ++r) column[r] = out[r * cols + c];
        column = referenceDft(column, sign);
        for (int r = 0; r < rows; ++r) out[r * cols + c] = column[r];
    }
    return out;
}

double signalToNoiseDb(const std::vector<complexd>& value, const std::vector<complexd>& reference) {
    double signal = 0;
    double noise = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        signal += std::norm(reference[i]);
        noise += std::norm(value[i] - reference[i]);
    }
    if (noise == 0) return std::numeric_limits<double>::infinity();
    return 10 * std::log10(signal / noise);
}

std::vector<uint8_t> randomBytes(size_t count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> bytes(count);
    for (auto& b : bytes) b = static_cast<uint8_t>(byte(rng));
    return bytes;
}

}  // namespace cid_test
