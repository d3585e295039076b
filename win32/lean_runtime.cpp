// Linked into every shipped program as an object file, so that its definitions are taken
// before the static runtime's own (an archive member is only pulled in for a symbol that is
// still undefined). Two pieces of the MinGW runtime cost more than half of each program and
// bring nothing that Windows NT 4.0 does not already have:
//
// - The default terminate handler prints the type of an uncaught exception, and for that
//   links the whole C++ name demangler. The programs catch at every boundary; should an
//   exception still escape, the process ends as it would have, by abort().
// - The C99 printf family of the MinGW runtime (its own formatter with a floating-point
//   converter) replaces msvcrt's, because libstdc++ switches it on for all C++ code. The
//   formatting that the programs do (integers of 32 and 64 bits, strings, characters) is
//   what msvcrt's own _vsnprintf does, once the C99 length modifiers are spelled the way it
//   reads them (ll as I64; z, t and j are 32 bits wide here). What C99 adds on top, a
//   terminated result and the length the whole text needs, is done here.
// - The library's helpers that throw its standard exceptions (std::length_error for an
//   over-long string, std::out_of_range for a bad index, ...) sit in one object that brings
//   every such class with a second, reference-counted string implementation of its own.
//   Here they throw one small class derived from std::exception with the same what() text.
//   Every handler in the programs catches std::exception or everything, so what a user sees
//   stays the same.
#include "win32/lean_runtime.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <typeinfo>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace {

// What the library's helpers throw instead of its logic and runtime error classes. The text
// is one of the library's own literals and outlives the exception.
class LibraryError : public std::exception {
 public:
  explicit LibraryError(const char* what) noexcept : what_(what != nullptr ? what : "") {}
  const char* what() const noexcept override { return what_; }

 private:
  const char* what_;
};

}  // namespace

namespace std {
void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* what) { throw LibraryError(what); }
void __throw_domain_error(const char* what) { throw LibraryError(what); }
void __throw_invalid_argument(const char* what) { throw LibraryError(what); }
void __throw_length_error(const char* what) { throw LibraryError(what); }
void __throw_out_of_range(const char* what) { throw LibraryError(what); }
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryError(format); }
void __throw_runtime_error(const char* what) { throw LibraryError(what); }
void __throw_range_error(const char* what) { throw LibraryError(what); }
void __throw_overflow_error(const char* what) { throw LibraryError(what); }
void __throw_underflow_error(const char* what) { throw LibraryError(what); }
}  // namespace std

namespace ql::win32 {

// Rewrites a C99 format for msvcrt: "ll" and "j" become "I64" (64 bits), "z" and "t" are
// dropped (size_t and ptrdiff_t are 32 bits wide on i386), "hh" becomes "h". Returns false
// when the result does not fit.
bool TranslateFormat(const char* format, char* out, std::size_t size) {
  std::size_t n = 0;
  auto put = [&](char c) {
    if (n + 1 >= size) return false;
    out[n++] = c;
    return true;
  };
  auto put_text = [&](const char* text) {
    for (; *text != '\0'; ++text) {
      if (!put(*text)) return false;
    }
    return true;
  };
  for (const char* p = format; *p != '\0';) {
    if (*p != '%') {
      if (!put(*p++)) return false;
      continue;
    }
    if (!put(*p++)) return false;
    if (*p == '%') {
      if (!put(*p++)) return false;
      continue;
    }
    // Flags, width and precision pass as they are.
    while (*p != '\0' && std::strchr("-+ #0123456789.*", *p) != nullptr) {
      if (!put(*p++)) return false;
    }
    if (p[0] == 'l' && p[1] == 'l') {
      if (!put_text("I64")) return false;
      p += 2;
    } else if (p[0] == 'h' && p[1] == 'h') {
      if (!put('h')) return false;
      p += 2;
    } else if (*p == 'j') {
      if (!put_text("I64")) return false;
      ++p;
    } else if (*p == 'z' || *p == 't') {
      ++p;
    }
  }
  out[n] = '\0';
  return true;
}

namespace {

int FormatTranslated(char* buffer, std::size_t size, const char* format, va_list args) {
  // msvcrt answers -1 when the text does not fit and then leaves it unterminated; C99 wants
  // the length the whole text needs, so a failed attempt is repeated in a larger scratch
  // buffer until it fits.
  if (size > 0) {
    va_list copy;
    va_copy(copy, args);
    int written = _vsnprintf(buffer, size, format, copy);
    va_end(copy);
    if (written >= 0 && static_cast<std::size_t>(written) < size) return written;
    buffer[size - 1] = '\0';
    if (written >= 0) return written;  // exactly size characters: no room for the NUL
  }
  for (std::size_t scratch_size = size < 256 ? 512 : size * 2; scratch_size <= (1u << 24);
       scratch_size *= 2) {
    char* scratch = static_cast<char*>(std::malloc(scratch_size));
    if (scratch == nullptr) return -1;
    va_list copy;
    va_copy(copy, args);
    int written = _vsnprintf(scratch, scratch_size, format, copy);
    va_end(copy);
    std::free(scratch);
    if (written >= 0 && static_cast<std::size_t>(written) < scratch_size) return written;
  }
  return -1;
}

}  // namespace

int FormatV(char* buffer, std::size_t size, const char* format, va_list args) {
  if (size > 0) buffer[0] = '\0';
  if (format == nullptr) return -1;
  // A translated format grows by at most two characters per source character ("j" to "I64").
  char local[512];
  std::size_t needed = std::strlen(format) * 3 + 1;
  char* translated = needed <= sizeof local ? local : static_cast<char*>(std::malloc(needed));
  if (translated == nullptr) return -1;
  int written = -1;
  if (TranslateFormat(format, translated, needed <= sizeof local ? sizeof local : needed)) {
    written = FormatTranslated(buffer, size, translated, args);
  }
  if (translated != local) std::free(translated);
  return written;
}

}  // namespace ql::win32

extern "C" {

int __mingw_vsnprintf(char* buffer, std::size_t size, const char* format, va_list args) {
  return ql::win32::FormatV(buffer, size, format, args);
}

int __mingw_snprintf(char* buffer, std::size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int written = ql::win32::FormatV(buffer, size, format, args);
  va_end(args);
  return written;
}

int __mingw_vsprintf(char* buffer, const char* format, va_list args) {
  return ql::win32::FormatV(buffer, static_cast<std::size_t>(-1) / 2, format, args);
}

int __mingw_sprintf(char* buffer, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int written = ql::win32::FormatV(buffer, static_cast<std::size_t>(-1) / 2, format, args);
  va_end(args);
  return written;
}

}  // extern "C"
