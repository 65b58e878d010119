// Typed vector of bytes.
#include "ci_id/vector8.h"

#include "ci_id/priv/ci_idut/containers/typed_vector.h"

CSTD_VECTOR_DEFINE(8, uint8_t, nullptr)
