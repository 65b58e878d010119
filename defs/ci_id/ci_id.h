/* ci_id: locating and reading machine-readable symbols in 8-bit grey images.
 * Including this header gives every public declaration of the library. */
#ifndef CI_ID_CI_ID_H
#define CI_ID_CI_ID_H

#include "ci_id/ci_id_export.h"
#include "ci_id/status.h"

#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/cmath_fixed.h"
#include "ci_id/platform/cmath_shape.h"
#include "ci_id/platform/cmath_vect.h"
#include "ci_id/platform/cmath_xform.h"
#include "ci_id/platform/cstd_rect32.h"
#include "ci_id/platform/cstd_vector.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/platform/csys_status.h"
#include "ci_id/platform/csys_typecheck.h"
#include "ci_id/platform/cx_exception.h"
#include "ci_id/platform/cx_math.h"
#include "ci_id/platform/cx_timer.h"
#include "ci_id/platform/cx_vector.h"

#include "ci_id/fixpt.h"
#include "ci_id/histostats.h"
#include "ci_id/line.h"
#include "ci_id/linefit.h"
#include "ci_id/peak.h"
#include "ci_id/range.h"
#include "ci_id/sort.h"
#include "ci_id/vector.h"

#include "ci_id/classifier.h"
#include "ci_id/fft.h"
#include "ci_id/platform/cip_polar.h"

#include "ci_id/fixedregion.h"
#include "ci_id/mask.h"
#include "ci_id/perspective.h"
#include "ci_id/platform/cdraw.h"
#include "ci_id/platform/cmath_line.h"
#include "ci_id/platform/cmath_perspective.h"
#include "ci_id/region.h"

#endif
