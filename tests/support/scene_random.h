// The seeded random source of the scene renderer. std::mt19937 is defined bit for bit by the C++
// standard, but its distributions are not, so the draws are made here: a scene rendered
// from the same seeds has the same pixels with every standard library.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>

namespace cid_test {

class sceneRandom {
public:
    explicit sceneRandom(uint32_t seed) : engine_(seed) {}

    uint32_t bits() { return static_cast<uint32_t>(engine_()); }
    bool coin() { return (bits() >> 31) != 0; }
    // Uniform in (0, 1), never 0 or 1.
    double unit() { return (bits() + 0.5) / 4294967296.0; }
    double uniform(double low, double high) { return low + (high - low) * unit(); }
    // Uniform in [low, high]; the range is small, so the modulo bias is negligible.
    int32_t integer(int32_t low, int32_t high) {
        return low + static_cast<int32_t>(bits() % static_cast<uint32_t>(high - low + 1));
    }
    // Standard normal, by the Box-Muller transform.
    double gaussian() {
        const double radius = std::sqrt(-2.0 * std::log(unit()));
        return radius * std::cos(6.283185307179586 * unit());
    }

private:
    std::mt19937 engine_;
};

}  // namespace cid_test
