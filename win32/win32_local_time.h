// The wall clock of the real machine.
#pragma once

#include "platform/local_time.h"

namespace ql::win32 {

class Win32LocalTime final : public LocalTime {
 public:
  LocalDateTime Now() override;
};

}  // namespace ql::win32
