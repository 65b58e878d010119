/* In-place ascending sorts of plain numeric arrays. Each sorts the half-open range [begin, end)
 * into non-decreasing order, comparing values with their own type's signedness, and returns 0.
 * A null pointer or a range of fewer than two elements is left untouched. The sorts go linear on
 * input that is already sorted or strictly descending. Ranges of about a thousand 16-, 32- or
 * 64-bit values or more are sorted by their digits in linear time, with scratch memory of the
 * range's size from the library allocator. Where that memory cannot be had, or where the
 * optimised sort is inhibited (cprt_isOptimizationInhibitedFP, asked with the entry point's name,
 * such as L"csys_int32_qsort"; the template instances use the names of their element types), an
 * in-place sort takes over: O(n log n) time in the worst case, O(log n) stack, no allocation.
 * The result holds the input's bit patterns. Floating-point NaN values end up at the end of the
 * range, in no particular order; -0.0 and +0.0 compare equal and may come in either order. */
#ifndef CI_ID_SORT_H
#define CI_ID_SORT_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"

CI_ID_EXTERN_C_BEGIN

CI_ID_API int32_t csys_double_qsort(double* begin, double* end);
CI_ID_API int32_t csys_float_qsort(float* begin, float* end);
CI_ID_API int32_t csys_int8_qsort(int8_t* begin, int8_t* end);
CI_ID_API int32_t csys_uint8_qsort(uint8_t* begin, uint8_t* end);
CI_ID_API int32_t csys_int32_qsort(int32_t* begin, int32_t* end);
CI_ID_API int32_t csys_uint32_qsort(uint32_t* begin, uint32_t* end);
CI_ID_API int32_t csys_uint16_qsort(uint16_t* begin, uint16_t* end);

CI_ID_EXTERN_C_END

#ifdef __cplusplus
/* The same sort as a template; the library exports the 32-bit signed integer and double
 * instances. */
template <typename T>
void csys_vector_qsort(T* begin, T* end);

extern template CI_ID_API void csys_vector_qsort<int32_t>(int32_t* begin, int32_t* end);
extern template CI_ID_API void csys_vector_qsort<double>(double* begin, double* end);
#endif

#endif
