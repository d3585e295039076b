// The wall clock in the machine's own time zone: GetLocalTime.
#pragma once

#include <cstdint>

namespace ql {

// The fields of SYSTEMTIME the programs use.
struct LocalDateTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;  // 1 to 12
  std::uint16_t day = 0;    // 1 to 31
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

class LocalTime {
 public:
  virtual ~LocalTime() = default;

  // GetLocalTime(&time)
  virtual LocalDateTime Now() = 0;
};

}  // namespace ql
