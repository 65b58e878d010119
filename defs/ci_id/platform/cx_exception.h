/* The exception thrown by the library's classes: a status, a wide message (often empty, at times
 * a violated condition or a source file name) and optionally the file and line of the throw. */
#ifndef CI_ID_CX_EXCEPTION_H
#define CI_ID_CX_EXCEPTION_H

#ifdef __cplusplus
#include <stdint.h>

#include <exception>
#include <string>

#include "ci_id/ci_id_export.h"

class CI_ID_API cxException : public std::exception {
public:
    cxException(int32_t code, const wchar_t* message, const char* file = nullptr, int32_t line = 0);
    cxException(int32_t code, std::wstring message, const char* file = nullptr, int32_t line = 0);
    ~cxException() override;

    int32_t code() const noexcept { return code_; }
    const std::wstring& message() const noexcept { return message_; }
    /* Empty when the thrower gave no file. */
    const std::string& file() const noexcept { return file_; }
    int32_t line() const noexcept { return line_; }
    /* "status 0x80000847: message" in UTF-8, for logs. */
    const char* what() const noexcept override;

private:
    int32_t code_;
    std::wstring message_;
    std::string file_;
    int32_t line_;
    std::string what_;
};
#endif

#endif
