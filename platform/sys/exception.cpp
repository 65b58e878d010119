// The exception object of the library's classes.
#include <cstdio>
#include <cwchar>

#include "ci_id/platform/cx_exception.h"

namespace {

// Narrow form of a wide message for what(): ASCII is kept, anything else becomes '?', which is
// enough for logs and needs no locale.
std::string narrow(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) out.push_back(c >= 0 && c < 128 ? static_cast<char>(c) : '?');
    return out;
}

}  // namespace

cxException::cxException(int32_t code, const wchar_t* message, const char* file, int32_t line)
    : cxException(code, std::wstring(message ? message : L""), file, line) {}

cxException::cxException(int32_t code, std::wstring message, const char* file, int32_t line)
    : code_(code), message_(std::move(message)), file_(file ? file : ""), line_(line) {
    char status[32];
    std::snprintf(status, sizeof status, "status 0x%08X", static_cast<unsigned>(code_));
    what_ = status;
    if (!message_.empty()) what_ += ": " + narrow(message_);
    if (!file_.empty()) what_ += " (" + file_ + ":" + std::to_string(line_) + ")";
}

cxException::~cxException() = default;

const char* cxException::what() const noexcept { return what_.c_str(); }
