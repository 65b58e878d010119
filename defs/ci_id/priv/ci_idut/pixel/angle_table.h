// The 8-bit angles behind the shift-and-add arc tangents (cidut_atan2, the true peak's direction
// code): indexed by a 3-bit octant code followed by four refinement bits.
#pragma once

#include <cstdint>

namespace cidut {

// Angles in 256ths of a turn, from +x towards +y.
extern const uint8_t kAngleTable[128];

}  // namespace cidut
