#include "sim/sim_local_time.h"

#include <cstdint>

namespace ql::sim {

namespace {

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and back; the usual
// era arithmetic, exact for every date the tests use.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<std::int64_t>(yoe) + era * 400 + (*m <= 2 ? 1 : 0);
}

}  // namespace

LocalDateTime SimLocalTime::Now() {
  const std::int64_t startSeconds = DaysFromCivil(start_.year, start_.month, start_.day) * 86400 +
                                    start_.hour * 3600 + start_.minute * 60 + start_.second;
  const std::int64_t seconds = startSeconds + static_cast<std::int64_t>(clock_.Now() / 1000);
  const std::int64_t days = seconds / 86400;
  const std::int64_t inDay = seconds % 86400;
  std::int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
  CivilFromDays(days, &year, &month, &day);
  return LocalDateTime{static_cast<std::uint16_t>(year),
                       static_cast<std::uint16_t>(month),
                       static_cast<std::uint16_t>(day),
                       static_cast<std::uint16_t>(inDay / 3600),
                       static_cast<std::uint16_t>(inDay / 60 % 60),
                       static_cast<std::uint16_t>(inDay % 60)};
}

}  // namespace ql::sim
