// Modal prompts on the real machine.
#pragma once

#include "platform/ui.h"

namespace ql::win32 {

class Win32Ui final : public Ui {
 public:
  int MessageBox(WindowRef owner, std::string_view text, std::string_view caption,
                 std::uint32_t style) override;
};

}  // namespace ql::win32
