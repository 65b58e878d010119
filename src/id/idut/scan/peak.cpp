// Typed vectors of peaks.
#include "ci_id/peak.h"
#include "ci_id/priv/ci_idut/containers/typed_vector.h"

CSTD_VECTOR_DEFINE(cidc_peakIDFixedX_4, cidc_peakIDFixedX_4, nullptr)
CSTD_VECTOR_DEFINE(vector_cidc_peakIDFixedX_4, cstd_vector_cidc_peakIDFixedX_4,
                   &cstd_vector_cidc_peakIDFixedX_4_impl::asElementOps)
