// The errors a tuning handler does not catch itself: a field or figure that is not a number,
// a driver value that is missing or of the wrong type, a registry write that fails. Each ends
// the running handler and is shown in the error box; the program goes on.
#pragma once

#include <stdexcept>
#include <string>

namespace ql::tune {

class TuneError : public std::runtime_error {
 public:
  explicit TuneError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace ql::tune
