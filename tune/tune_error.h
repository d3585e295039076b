// The errors a tuning handler does not catch itself: a field or figure that is not a number,
// a driver value that is missing or of the wrong type, a registry write that fails. Each ends
// the running handler and is shown in the error box; the program goes on.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace ql::tune {

// Derived from std::exception directly: the library's own error classes carry a string type
// of their own, which would double the string code in the shipped program.
class TuneError : public std::exception {
 public:
  explicit TuneError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace ql::tune
