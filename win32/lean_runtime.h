// The lean runtime of the shipped programs (see lean_runtime.cpp): the C99 printf family over
// msvcrt's own formatter.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace ql::win32 {

// Rewrites a C99 format into one msvcrt reads; false when it does not fit into size bytes.
bool TranslateFormat(const char* format, char* out, std::size_t size);

// vsnprintf with C99's contract: the result is always terminated (size > 0) and the return
// value is the length of the whole text, or -1 for a format that cannot be handled.
int FormatV(char* buffer, std::size_t size, const char* format, va_list args);

}  // namespace ql::win32
