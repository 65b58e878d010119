/* cstd_vector8: a growable array of bytes (the typed vector family cstd_vector_8, see vector.h).
 * Its elements are plain bytes: new elements are zero. */
#ifndef CI_ID_VECTOR8_H
#define CI_ID_VECTOR8_H

#include <stdint.h>

#include "ci_id/vector.h"

CSTD_VECTOR_DECLARE(8, uint8_t)

typedef cstd_vector_8 cstd_vector8;

#endif
