/* Export and linkage macros shared by every public header of ci_id. */
#ifndef CI_ID_EXPORT_H
#define CI_ID_EXPORT_H

/* The shared library is built with hidden visibility: only what carries CI_ID_API is exported. */
#if defined(_WIN32)
#define CI_ID_API
#else
#define CI_ID_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define CI_ID_EXTERN_C_BEGIN extern "C" {
#define CI_ID_EXTERN_C_END }
#else
#define CI_ID_EXTERN_C_BEGIN
#define CI_ID_EXTERN_C_END
#endif

#endif
