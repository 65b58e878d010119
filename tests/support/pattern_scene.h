// Periodic scenes for the classifier tests: bars and module grids at any angle, drawn with 4 x 4
// supersampling into a row-major byte buffer.
#pragma once

#include <cstdint>
#include <vector>

namespace cid_test {

// Bars whose grey level varies along the direction normalAngle (radians, from +x towards +y):
// dark for the first half of each period, light for the second.
std::vector<uint8_t> renderBars(int width, int height, double normalAngle, double period,
                                uint8_t dark, uint8_t light);

// A grid of square modules of side moduleSize, rotated by angle about the image centre, each
// dark or light at random (a Data Matrix-like texture).
std::vector<uint8_t> renderModules(int width, int height, double angle, double moduleSize,
                                   uint8_t dark, uint8_t light, uint32_t seed);

}  // namespace cid_test
