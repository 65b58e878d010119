/* Type-check hooks: four empty functions per record type, csys_typeCheck_<T>,
 * csys_typeCheckPtr_<T>, csys_typeCheckFunc_<T> and csys_typeCheckFuncPtr_<T>. Each takes one
 * pointer and does nothing; they exist so that callers built for the hooks keep linking. */
#ifndef CI_ID_CSYS_TYPECHECK_H
#define CI_ID_CSYS_TYPECHECK_H

#include "ci_id/ci_id_export.h"

#define CSYS_TYPECHECK_DECLARE(T)                                  \
    CI_ID_EXTERN_C_BEGIN                                           \
    CI_ID_API void csys_typeCheck_##T(const T* object);            \
    CI_ID_API void csys_typeCheckPtr_##T(const T* const* pointer); \
    CI_ID_API void csys_typeCheckFunc_##T(T* object);              \
    CI_ID_API void csys_typeCheckFuncPtr_##T(T* const* pointer);   \
    CI_ID_EXTERN_C_END

#define CSYS_TYPECHECK_DEFINE(T)                                           \
    extern "C" {                                                           \
    void csys_typeCheck_##T(const T* object) { (void)object; }             \
    void csys_typeCheckPtr_##T(const T* const* pointer) { (void)pointer; } \
    void csys_typeCheckFunc_##T(T* object) { (void)object; }               \
    void csys_typeCheckFuncPtr_##T(T* const* pointer) { (void)pointer; }   \
    }

#endif
